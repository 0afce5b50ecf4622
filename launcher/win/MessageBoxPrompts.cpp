#include "launcher/win/MessageBoxPrompts.h"

#include <windows.h>

#include "framework/UniqueLocal.h"
#include "framework/Utf16.h"

namespace tavolen::launcher {

void MessageBoxPrompts::ShowError(const std::u16string& text, const std::u16string& caption) {
  ::MessageBoxW(::GetActiveWindow(), AsWide(text.c_str()), AsWide(caption.c_str()), MB_OK | MB_ICONERROR);
}

void MessageBoxPrompts::ShowStatus(long status) {
  // Registry calls return their status instead of setting the thread's last error.
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      DWORD(status), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const UniqueLocal owner(buffer);
  const std::wstring text = length ? std::wstring(buffer, length) : L"Error " + std::to_wstring(status);
  ::MessageBoxW(::GetActiveWindow(), text.c_str(), L"", MB_OK | MB_ICONWARNING);
}

}  // namespace tavolen::launcher
