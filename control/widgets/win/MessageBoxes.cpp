#include "control/widgets/win/MessageBoxes.h"

#include "control/resources/resource.h"
#include "framework/ResourceString.h"
#include "framework/UniqueWindow.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {

constexpr UINT_PTR kCloseTimer = 1;

// The box being made on this thread: the hook below sees its creation, takes its handle
// and starts a timer of the box's own, which the box's modal loop dispatches.
struct SelfClosing {
  UINT closeAfter = 0;
  HWND box = nullptr;
};
thread_local SelfClosing* t_selfClosing = nullptr;

void CALLBACK CloseBox(HWND box, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(box, id);
  ::PostMessageW(box, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam) {
  // The first dialog window made on this thread while the box is being shown is the box.
  if (code == HCBT_CREATEWND && t_selfClosing && !t_selfClosing->box) {
    const HWND window = reinterpret_cast<HWND>(wParam);
    wchar_t className[8] = {};
    if (::GetClassNameW(window, className, 8) && std::wstring_view(className) == L"#32770") {
      t_selfClosing->box = window;
      ::SetTimer(window, kCloseTimer, t_selfClosing->closeAfter, &CloseBox);
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int ShowCautionBox(const std::u16string& text) {
  return ::MessageBoxW(nullptr, AsWide(text.c_str()), AsWide(LoadResourceString(IDS_CAUTION).c_str()),
                       MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
}

int ShowCautionBox(UINT stringId) { return ShowCautionBox(LoadResourceString(stringId)); }

bool AskCautionQuestion(HWND owner, const std::u16string& text) {
  return ::MessageBoxW(owner, AsWide(text.c_str()), AsWide(LoadResourceString(IDS_CAUTION).c_str()),
                       MB_YESNO | MB_ICONEXCLAMATION | MB_TOPMOST) == IDYES;
}

int ShowInfoBox(const std::u16string& text, UINT closeAfter) {
  const std::u16string caption = LoadResourceString(IDS_INFORMATION);
  SelfClosing selfClosing{closeAfter, nullptr};
  SelfClosing* const outer = t_selfClosing;
  t_selfClosing = &selfClosing;
  // The hook lives only while the box is up, on this thread only.
  const UniqueHook hook(::SetWindowsHookExW(WH_CBT, &WatchCreation, nullptr, ::GetCurrentThreadId()));
  const int answer =
      ::MessageBoxW(nullptr, AsWide(text.c_str()), AsWide(caption.c_str()), MB_ICONINFORMATION | MB_SETFOREGROUND | MB_TOPMOST);
  t_selfClosing = outer;
  return answer;
}

}  // namespace tavolen
