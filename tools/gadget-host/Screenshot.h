#pragma once
// Writes what a window shows in its client area, children included, as a 24-bit BMP file.
#include <windows.h>

#include <string>

namespace tavolen {

// Copies the client area from the window's DC (the window must be shown and on screen).
// ERROR_SUCCESS or the system's error code.
DWORD WriteClientBitmap(HWND window, const std::wstring& file);

}  // namespace tavolen
