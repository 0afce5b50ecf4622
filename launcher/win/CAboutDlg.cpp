#include "launcher/win/CAboutDlg.h"

#include <vector>

#include "framework/Module.h"
#include "framework/Utf16.h"
#include "launcher/SettingsController.h"
#include "launcher/resources/resource.h"

namespace tavolen::launcher {
namespace {

// The file version's four parts, or none without a version resource.
bool ReadFileVersion(uint16_t parts[4]) {
  const std::wstring path = ModuleFileName();
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<BYTE> block(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || length < sizeof *info)
    return false;
  parts[0] = HIWORD(info->dwFileVersionMS);
  parts[1] = LOWORD(info->dwFileVersionMS);
  parts[2] = HIWORD(info->dwFileVersionLS);
  parts[3] = LOWORD(info->dwFileVersionLS);
  return true;
}

}  // namespace

INT_PTR CAboutDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    uint16_t version[4] = {};
    const std::u16string text = AboutText(ReadFileVersion(version) ? version : nullptr);
    ::SetDlgItemTextW(hwnd(), IDC_ABOUT_TEXT, AsWide(text.c_str()));
    return TRUE;
  }
  return Dialog::HandleMessage(message, wParam, lParam);
}

}  // namespace tavolen::launcher
