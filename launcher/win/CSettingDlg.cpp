#include "launcher/win/CSettingDlg.h"

#include <shellapi.h>

#include "framework/Module.h"
#include "framework/Utf16.h"
#include "launcher/Text.h"
#include "launcher/win/HtmlSettingsPage.h"
#include "launcher/win/NativeSettingsPage.h"
#include "launcher/resources/resource.h"

namespace tavolen::launcher {

namespace sp = settings_page;

CSettingDlg::CSettingDlg(LauncherContext& context, MainPagePort& mainPage)
    : context_(context),
      mainPage_(mainPage),
      file_(ToUtf16(context.settingsFile)),
      controller_(context.settings, file_, context.prompts) {}

CSettingDlg::~CSettingDlg() = default;

INT_PTR CSettingDlg::Run(HWND owner) {
  return DoModal(owner, context_.engine == PageEngine::Html ? IDD_SETTINGS : IDD_SETTINGS_NATIVE);
}

void CSettingDlg::OnInitDialog() {
  const HICON icon = static_cast<HICON>(::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDI_TAVOLEN), IMAGE_ICON, 0, 0,
                                                     LR_DEFAULTSIZE | LR_SHARED));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  if (context_.engine == PageEngine::Native) {
    nativePage_ = std::make_unique<NativeSettingsPage>(hwnd());
    controller_.Fill(*nativePage_);
    return;
  }
  htmlPage_ = std::make_unique<HtmlSettingsPage>();
  htmlPage_->Open(
      hwnd(), context_.settingsPage,
      [this](const std::u16string& url) {
        if (Contains(url, u"htm")) controller_.Fill(*htmlPage_);
      },
      [this](const std::u16string& id) {
        if (id == sp::kButtonOk) Confirm(*htmlPage_);
        if (id == sp::kButtonCancel) End(IDCANCEL);
        if (id == sp::kShowManual) ShowManual();
      });
}

void CSettingDlg::Confirm(SettingsPagePort& page) {
  controller_.Confirm(page, mainPage_);
  End(IDOK);
}

void CSettingDlg::ShowManual() {
  const std::wstring manual = context_.folder + L"\\Manual\\index.htm";
  ::ShellExecuteW(hwnd(), L"open", manual.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CSettingDlg::DrawPreview(const DRAWITEMSTRUCT& item) {
  const uint32_t index = nativePage_ ? nativePage_->Number(sp::kColorIndex) : 0;
  const HBRUSH brush = ::CreateSolidBrush(NativeSettingsPage::Colour(index));
  ::FillRect(item.hDC, &item.rcItem, brush);
  ::DeleteObject(brush);
}

INT_PTR CSettingDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: OnInitDialog(); return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_BUTTONOK:
          if (nativePage_) Confirm(*nativePage_);
          return TRUE;
        case IDC_BUTTONCANCEL:
        case IDCANCEL: End(IDCANCEL); return TRUE;
        case IDC_SHOWMANUAL: ShowManual(); return TRUE;
        case IDC_COLORINDEX:
          if (HIWORD(wParam) == CBN_SELCHANGE && nativePage_) nativePage_->Call(sp::kChangeColorIndex);
          return TRUE;
        default: return TRUE;  // Enter does not confirm: only "OK" does
      }
    case WM_DRAWITEM:
      if (wParam == IDC_COLOR_PREVIEW) {
        DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      return FALSE;
    case WM_SIZE:
      if (htmlPage_) {
        RECT client;
        ::GetClientRect(hwnd(), &client);
        htmlPage_->Fill(client);
      }
      return FALSE;
    case WM_DESTROY:
      if (htmlPage_) htmlPage_->Close();
      return FALSE;
    default: return FALSE;
  }
}

}  // namespace tavolen::launcher
