// Windows, dialogs and subclassed controls: `this` stored at creation, messages reach the
// object's handler, timers and posts arrive, and the object lets go of a destroyed window.
#include "tests/framework/FrameworkTestIds.h"
#include "tests/framework/MessagePump.h"

#include "framework/Dialog.h"
#include "framework/SubclassedControl.h"
#include "framework/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavolen;
using tavolen::test::PumpUntil;

namespace {

constexpr UINT kDouble = WM_APP + 5;
constexpr UINT kNote = WM_APP + 6;

class RecordingWindow : public Window {
 public:
  RecordingWindow() : Window(L"TavolenTestRecordingWindow") {}
  ~RecordingWindow() override { Destroy(); }

  bool sawHwndAtCreate = false;
  bool sawNcDestroy = false;
  std::vector<UINT_PTR> timers;
  std::vector<WPARAM> notes;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_CREATE:
        sawHwndAtCreate = hwnd() != nullptr;
        return 0;
      case kDouble:
        return lParam * 2;
      case kNote:
        notes.push_back(wParam);
        return 0;
      case WM_TIMER:
        timers.push_back(wParam);
        KillTimer(wParam);
        return 0;
      case WM_NCDESTROY:
        sawNcDestroy = true;
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
  }
};

RECT Rect(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

TEST(WindowTest, StoresItselfAndDispatchesToItsHandler) {
  RecordingWindow first, second;
  ASSERT_TRUE(first.Create(nullptr, L"first", WS_OVERLAPPEDWINDOW, 0, Rect(10, 10, 200, 100)));
  ASSERT_TRUE(second.Create(nullptr, L"second", WS_OVERLAPPEDWINDOW, 0, Rect(10, 10, 200, 100)));
  EXPECT_TRUE(first.sawHwndAtCreate);
  EXPECT_EQ(first.Send(kDouble, 0, 21), 42);
  EXPECT_EQ(second.Send(kDouble, 0, 5), 10);

  ASSERT_TRUE(first.Post(kNote, 7));
  ASSERT_TRUE(second.Post(kNote, 8));
  ASSERT_TRUE(PumpUntil([&] { return !first.notes.empty() && !second.notes.empty(); }));
  EXPECT_EQ(first.notes, std::vector<WPARAM>{7});
  EXPECT_EQ(second.notes, std::vector<WPARAM>{8});
  EXPECT_FALSE(first.Create(nullptr, L"again", WS_OVERLAPPEDWINDOW, 0, Rect(0, 0, 10, 10)));
}

TEST(WindowTest, TimerArrivesWithItsId) {
  RecordingWindow window;
  ASSERT_TRUE(window.Create(nullptr, L"timer", WS_OVERLAPPEDWINDOW, 0, Rect(0, 0, 100, 100)));
  ASSERT_TRUE(window.SetTimer(3, 1));
  ASSERT_TRUE(PumpUntil([&] { return !window.timers.empty(); }));
  EXPECT_EQ(window.timers, std::vector<UINT_PTR>{3});
}

TEST(WindowTest, ChildDestroyedWithItsParentDetaches) {
  RecordingWindow parent, child;
  ASSERT_TRUE(parent.Create(nullptr, L"parent", WS_OVERLAPPEDWINDOW, 0, Rect(0, 0, 300, 200)));
  ASSERT_TRUE(child.Create(parent.hwnd(), nullptr, WS_CHILD | WS_VISIBLE, 0, Rect(5, 5, 50, 50), 12));
  EXPECT_EQ(::GetParent(child.hwnd()), parent.hwnd());
  EXPECT_EQ(::GetDlgCtrlID(child.hwnd()), 12);
  parent.Destroy();
  EXPECT_EQ(parent.hwnd(), nullptr);
  EXPECT_EQ(child.hwnd(), nullptr);
  EXPECT_TRUE(child.sawNcDestroy);
  EXPECT_FALSE(child.Post(kNote, 1));
  EXPECT_EQ(child.Send(kDouble, 0, 1), 0);
}

TEST(WindowTest, DestroyingTheObjectDestroysTheWindow) {
  HWND hwnd = nullptr;
  {
    RecordingWindow window;
    ASSERT_TRUE(window.Create(nullptr, L"scoped", WS_OVERLAPPEDWINDOW, 0, Rect(0, 0, 100, 100)));
    hwnd = window.hwnd();
    EXPECT_TRUE(::IsWindow(hwnd));
  }
  EXPECT_FALSE(::IsWindow(hwnd));
}

class EchoDialog : public Dialog {
 public:
  std::wstring textAtNote;
  bool initialised = false;

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_INITDIALOG) {
      initialised = hwnd() != nullptr;
      ::SetDlgItemTextW(hwnd(), IDC_TEST_EDIT, L"from init");
      ::PostMessageW(hwnd(), kNote, 0, 0);
      return TRUE;
    }
    if (message == kNote) {
      wchar_t text[64] = {};
      ::GetDlgItemTextW(hwnd(), IDC_TEST_EDIT, text, 64);
      textAtNote = text;
      End(42);
      return TRUE;
    }
    return Dialog::HandleMessage(message, wParam, lParam);
  }
};

TEST(DialogTest, ModalRunsUntilEndAndReturnsItsValue) {
  EchoDialog dialog;
  EXPECT_EQ(dialog.DoModal(nullptr, IDD_TEST_DIALOG), 42);
  EXPECT_TRUE(dialog.initialised);
  EXPECT_EQ(dialog.textAtNote, L"from init");
  EXPECT_EQ(dialog.hwnd(), nullptr);
}

class PlainDialog : public Dialog {};

TEST(DialogTest, ModelessFromTemplateOwnsItsWindow) {
  HWND hwnd = nullptr;
  {
    PlainDialog dialog;
    ASSERT_TRUE(dialog.Create(nullptr, IDD_TEST_DIALOG));
    hwnd = dialog.hwnd();
    ASSERT_NE(dialog.Item(IDC_TEST_EDIT), nullptr);
    // The default handler ends on OK.
    ::SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(dialog.hwnd(), nullptr);
    EXPECT_FALSE(::IsWindow(hwnd));
    ASSERT_TRUE(dialog.Create(nullptr, IDD_TEST_DIALOG));
    hwnd = dialog.hwnd();
  }
  EXPECT_FALSE(::IsWindow(hwnd));
  PlainDialog missing;
  EXPECT_FALSE(missing.Create(nullptr, 4242));
}

// Turns every text set on the control into upper case.
class UpperCaseEdit : public SubclassedControl {
 public:
  int seen = 0;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    ++seen;
    if (message == WM_SETTEXT && lParam) {
      std::wstring text = reinterpret_cast<const wchar_t*>(lParam);
      for (wchar_t& c : text) c = static_cast<wchar_t>(::towupper(c));
      return DefaultHandler(message, wParam, reinterpret_cast<LPARAM>(text.c_str()));
    }
    return DefaultHandler(message, wParam, lParam);
  }
};

std::wstring TextOf(HWND hwnd) {
  wchar_t text[64] = {};
  ::GetWindowTextW(hwnd, text, 64);
  return text;
}

TEST(SubclassedControlTest, SeesMessagesFirstAndForwardsTheRest) {
  PlainDialog dialog;
  ASSERT_TRUE(dialog.Create(nullptr, IDD_TEST_DIALOG));
  UpperCaseEdit edit;
  EXPECT_FALSE(edit.Attach(dialog.hwnd(), 4242));
  ASSERT_TRUE(edit.Attach(dialog.hwnd(), IDC_TEST_EDIT));
  EXPECT_FALSE(edit.Attach(dialog.hwnd(), IDC_TEST_EDIT));

  ::SetWindowTextW(edit.hwnd(), L"drive e:");
  EXPECT_EQ(TextOf(edit.hwnd()), L"DRIVE E:");
  EXPECT_GT(edit.seen, 0);

  HWND control = edit.hwnd();
  edit.Detach();
  ::SetWindowTextW(control, L"drive f:");
  EXPECT_EQ(TextOf(control), L"drive f:");

  ASSERT_TRUE(edit.Attach(dialog.hwnd(), IDC_TEST_EDIT));
  dialog.Destroy();
  EXPECT_EQ(edit.hwnd(), nullptr);
}

}  // namespace
