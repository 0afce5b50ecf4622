#include "tests/control/DropTestSupport.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

namespace tavolen::test {

HDROP MakeDrop(const std::vector<std::wstring>& paths) {
  std::size_t chars = 1;
  for (const auto& path : paths) chars += path.size() + 1;
  const HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(::GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  wchar_t* list = reinterpret_cast<wchar_t*>(header + 1);
  for (const auto& path : paths) list = std::copy(path.begin(), path.end(), list) + 1;
  ::GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring MakeFile(const std::wstring& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ::WriteFile(file, "drop", 4, nullptr, nullptr);
  ::CloseHandle(file);
  return path;
}

std::vector<std::wstring> MenuTexts(HMENU menu) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, UINT(i), text, 63, MF_BYPOSITION);
    texts.push_back(text);
  }
  return texts;
}

HWND DropMenu() {
  const HWND popup = ::FindWindowW(L"#32768", nullptr);
  return popup && ::SendMessageW(popup, MN_GETHMENU, 0, 0) ? popup : nullptr;
}

namespace {
struct TooltipSearch {
  HWND owner, tool;
  std::wstring text;
};

BOOL CALLBACK ReadTooltip(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<TooltipSearch*>(param);
  wchar_t buffer[600] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = search.owner;
  tool.uId = UINT_PTR(search.tool);
  if (!::SendMessageW(window, TTM_GETTOOLINFOW, 0, LPARAM(&tool))) return TRUE;
  tool.lpszText = buffer;
  ::SendMessageW(window, TTM_GETTEXTW, 600, LPARAM(&tool));
  search.text = buffer;
  return FALSE;
}
}  // namespace

std::wstring TooltipText(HWND owner, HWND tool) {
  TooltipSearch search{owner, tool, L"<no tooltip>"};
  ::EnumThreadWindows(::GetCurrentThreadId(), &ReadTooltip, reinterpret_cast<LPARAM>(&search));
  return search.text;
}

}  // namespace tavolen::test
