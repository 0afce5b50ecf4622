// The launcher's pages under jsdom: the element ids and script functions the launcher
// uses, the page's answers to the gadget control's events (with a recording stand-in of
// the control), its path handed over unescaped, and text inserted as text.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { JSDOM } = require('jsdom');

const pages = path.join(__dirname, '..', '..', '..', 'pages');

// A stand-in of the gadget control: records calls, keeps event handlers, answers counts
// and settings as the test says.
function fakeGadget(rows, settings) {
  return {
    calls: [],
    handlers: {},
    rows,
    settings,
    attachEvent(name, handler) { this.handlers[name] = handler; return true; },
    LoadGadgetPath(p) { this.calls.push(['LoadGadgetPath', p]); },
    GetDriveLetterCount() { return this.rows; },
    GetSettingData(name) { this.calls.push(['GetSettingData', name]); return this.settings[name] || 0; },
    AddSetting() { this.calls.push(['AddSetting']); },
    EraseFlyoutSetting() { this.calls.push(['EraseFlyoutSetting']); },
    GetFlyOutInfo() { this.calls.push(['GetFlyOutInfo']); },
  };
}

function openPage(name, url, prepare) {
  const html = fs.readFileSync(path.join(pages, name), 'utf8');
  return new Promise((resolve) => {
    const dom = new JSDOM(html, {
      url,
      runScripts: 'dangerously',
      beforeParse(window) {
        if (prepare) prepare(window);
        window.addEventListener('load', () => setTimeout(() => resolve(dom), 0));
      },
    });
  });
}

async function openMarvesk(folderUrl, rows = 2, settings = {}) {
  let gadget;
  const dom = await openPage('Marvesk.htm', folderUrl + '/Marvesk.htm', (window) => {
    window.document.addEventListener('DOMContentLoaded', () => {
      gadget = Object.assign(window.document.getElementById('Gadget'), fakeGadget(rows, settings));
    });
  });
  return { dom, window: dom.window, document: dom.window.document, gadget };
}

const tick = () => new Promise((r) => setTimeout(r, 5));

test('Marvesk.htm has the elements and functions the launcher uses', async () => {
  const { window, document } = await openMarvesk('file:///C:/Tavolen');
  for (const id of ['TopImage', 'MiddleImage', 'BottomImage', 'UpBtn', 'DownBtn', 'AllBtn', 'iFrame']) {
    assert.ok(document.getElementById(id), id);
  }
  for (const fn of ['onHideFlyout', 'SetAdditionalFunc', 'Resize']) assert.strictEqual(typeof window[fn], 'function', fn);
  const object = document.getElementById('Gadget');
  assert.strictEqual(object.getAttribute('classid').toUpperCase(), 'CLSID:E4B1A2C3-7D5F-4E69-8A2B-C0D1E2F3A4B5');
  assert.ok(document.getElementById('iFrame').contains(object));
});

test('the page hands LoadGadgetPath its own location unescaped', async () => {
  const { gadget, document } = await openMarvesk('file:///C:/Users/a/Tavolen%20%231%20100%25%20%E6%97%A5');
  assert.deepStrictEqual(gadget.calls.find((c) => c[0] === 'LoadGadgetPath'),
    ['LoadGadgetPath', '/C:/Users/a/Tavolen #1 100% 日/Marvesk.htm']);
  assert.strictEqual(document.getElementById('TopImage').title, 'Tavolen - /C:/Users/a/Tavolen #1 100% 日/Marvesk.htm');
});

test('the frame takes the rows the control announces and scrolls through the rest', async () => {
  const { window, document, gadget } = await openMarvesk('file:///C:/Tavolen', 5);
  gadget.handlers.SetSizeInfo(30, 199);
  gadget.handlers.ChangeSize();
  await tick();
  const frame = document.getElementById('iFrame');
  assert.strictEqual(frame.style.width, '208px');
  assert.strictEqual(frame.style.height, '150px');
  assert.strictEqual(gadget.style.height, '150px');
  assert.strictEqual(document.getElementById('AllBtn').style.visibility, 'hidden');

  gadget.settings = { ShowDriveCount: 3, ColorIndex: 2 };
  window.SetAdditionalFunc();
  assert.ok(gadget.calls.some((c) => c[0] === 'AddSetting'));
  assert.match(document.getElementById('TopImage').src, /TopImage2\.bmp$/);
  window.Resize();
  assert.strictEqual(frame.style.height, '90px');
  assert.strictEqual(document.getElementById('UpBtn').style.visibility, 'hidden');
  assert.strictEqual(document.getElementById('DownBtn').style.visibility, 'visible');

  document.getElementById('DownBtn').onmousedown();
  document.getElementById('DownBtn').onmousedown();
  document.getElementById('DownBtn').onmousedown();
  assert.strictEqual(gadget.style.top, '-60px', 'no further than the last row');
  assert.strictEqual(document.getElementById('DownBtn').style.visibility, 'hidden');
  document.getElementById('AllBtn').onmousedown();
  assert.strictEqual(frame.style.height, '150px');
  assert.strictEqual(gadget.style.top, '0px');
});

test('the launcher\'s calls and the control\'s flyout events reach the control', async () => {
  const { window, gadget } = await openMarvesk('file:///C:/Tavolen');
  window.onHideFlyout();
  gadget.handlers.FlyOutOn();
  const names = gadget.calls.map((c) => c[0]);
  assert.ok(names.includes('EraseFlyoutSetting'));
  assert.ok(names.includes('GetFlyOutInfo'));
});

test('settings and folder names go in as text, never as markup; bad numbers count as none', async () => {
  const { window, document, gadget } = await openMarvesk('file:///C:/%3Cb%3Ebold%3C%2Fb%3E', 4,
    { ShowDriveCount: '<img src=x>', ColorIndex: -3 });
  assert.strictEqual(document.querySelector('b'), null);
  assert.strictEqual(document.querySelectorAll('img').length, 5);
  gadget.handlers.SetSizeInfo(20, 99);
  window.Resize();
  assert.strictEqual(document.getElementById('iFrame').style.height, '80px', 'all rows');
  assert.match(document.getElementById('TopImage').src, /TopImage0\.bmp$/);
});

async function openSettings(language) {
  const dom = await openPage('Settings.htm', 'file:///C:/Tavolen/Settings.htm', (window) => {
    if (language) Object.defineProperty(window.navigator, 'language', { value: language });
  });
  return { window: dom.window, document: dom.window.document };
}

test('Settings.htm has the elements the launcher fills and reads', async () => {
  const { window, document } = await openSettings();
  for (const id of ['AutoHide', 'ShowAlways', 'AddRecycle', 'WacthRemovable']) {
    assert.strictEqual(document.getElementById(id).type, 'checkbox', id);
  }
  for (const id of ['DriveCount', 'ShortcutCount', 'ColorIndex', 'ButtonOK', 'ButtonCancel', 'ShowManual']) {
    assert.ok(document.getElementById(id), id);
  }
  assert.strictEqual(typeof window.ChangeColorIndex, 'function');
  // As the launcher writes and reads them: values as decimal text.
  for (const [id, value] of [['DriveCount', '3'], ['ShortcutCount', '2'], ['ColorIndex', '1']]) {
    document.getElementById(id).value = value;
    assert.strictEqual(document.getElementById(id).value, value, id);
  }
  document.getElementById('WacthRemovable').checked = true;
  assert.strictEqual(document.getElementById('WacthRemovable').checked, true);
});

test('ChangeColorIndex recolours the sample and names the colour as text', async () => {
  const { window, document } = await openSettings();
  document.getElementById('ColorIndex').value = '2';
  assert.strictEqual(window.ChangeColorIndex(), 2);
  assert.strictEqual(document.getElementById('ColorPreview').style.backgroundColor, 'rgb(40, 130, 80)');
  assert.strictEqual(document.getElementById('ColorName').textContent, 'Green');
  const select = document.getElementById('ColorIndex');
  const odd = document.createElement('option');
  odd.value = '<img src=x onerror=alert(1)>';
  select.appendChild(odd);
  select.value = odd.value;
  assert.strictEqual(window.ChangeColorIndex(), 0);
  assert.strictEqual(document.querySelector('img'), null);
});

test('Settings.htm speaks Japanese to a Japanese user', async () => {
  const { document } = await openSettings('ja-JP');
  assert.strictEqual(document.getElementById('ButtonCancel').textContent, 'キャンセル');
  assert.strictEqual(document.getElementById('ColorName').textContent, 'グラファイト');
});

test('the manual exists in English and Japanese and links both ways', () => {
  const english = fs.readFileSync(path.join(pages, 'Manual', 'index.htm'), 'utf8');
  const japanese = fs.readFileSync(path.join(pages, 'Manual', 'ja.htm'), 'utf8');
  const en = new JSDOM(english).window.document;
  const ja = new JSDOM(japanese).window.document;
  assert.ok(en.querySelector('a[href="ja.htm"]'));
  assert.ok(ja.querySelector('a[href="index.htm"]'));
  assert.match(en.body.textContent, /Close Application/);
  assert.match(ja.body.textContent, /アプリケーションの終了/);
});

// The control's flyout page: the elements the control fills by id (each field as text),
// the OK button, and the pictures it shows.
const FLYOUT_FIELDS = ['TitleName', 'VolumeLabel', 'FreeSpace', 'VenderName', 'ProductName', 'Firmware',
  'Title1', 'Data1', 'Title2', 'Data2', 'Title3', 'Data3'];

function openFlyout() {
  return openPage('FlyOut.htm', 'file:///C:/Tavolen/FlyOut.htm');
}

test('FlyOut.htm has every element of the flyout contract once, and the OK button', async () => {
  const { window } = await openFlyout();
  const { document } = window;
  const found = FLYOUT_FIELDS.map((id) => document.querySelectorAll('#' + id));
  found.forEach((list, i) => assert.strictEqual(list.length, 1, FLYOUT_FIELDS[i]));
  // In record order down the page, and empty: a text set there replaces nothing else.
  for (let i = 1; i < found.length; i++) {
    const order = found[i - 1][0].compareDocumentPosition(found[i][0]);
    assert.ok(order & window.Node.DOCUMENT_POSITION_FOLLOWING, FLYOUT_FIELDS[i]);
  }
  for (const [element] of found) assert.strictEqual(element.children.length, 0, element.id);
  const ok = document.getElementById('ButtonOK');
  assert.ok(ok);
  assert.strictEqual(ok.tagName, 'BUTTON');
  assert.strictEqual(document.querySelectorAll('script').length, 0, 'the page runs nothing of its own');
});

test('the pictures FlyOut.htm shows are there', () => {
  const html = fs.readFileSync(path.join(pages, 'FlyOut.htm'), 'utf8');
  const pictures = [...html.matchAll(/url\((images\/[^)]+)\)/g)].map((m) => m[1]);
  assert.ok(pictures.length >= 2);
  for (const picture of pictures) assert.ok(fs.existsSync(path.join(pages, picture)), picture);
});
