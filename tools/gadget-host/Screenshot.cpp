#include "tools/gadget-host/Screenshot.h"

#include <vector>

#include "framework/GdiObject.h"
#include "framework/UniqueHandle.h"

namespace tavolen {
namespace {

DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = ::GetLastError();
  return error ? error : fallback;
}

}  // namespace

DWORD WriteClientBitmap(HWND window, const std::wstring& file) {
  RECT client{};
  if (!::GetClientRect(window, &client)) return LastErrorOr(ERROR_INVALID_WINDOW_HANDLE);
  const LONG width = client.right - client.left;
  const LONG height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return ERROR_EMPTY;

  const WindowDc screen(window);
  if (!screen.get()) return LastErrorOr(ERROR_DC_NOT_FOUND);
  const UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
  if (!bitmap) return LastErrorOr(ERROR_NOT_ENOUGH_MEMORY);
  {
    const UniqueDc memory(::CreateCompatibleDC(screen.get()));
    if (!memory) return LastErrorOr(ERROR_GEN_FAILURE);
    const SelectedObject selected(memory.get(), bitmap.get());
    if (!::BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY)) return LastErrorOr(ERROR_GEN_FAILURE);
  }

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up, as BMP files keep their rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD stride = (DWORD(width) * 3 + 3) & ~DWORD(3);
  std::vector<BYTE> pixels(size_t(stride) * size_t(height));
  if (::GetDIBits(screen.get(), bitmap.get(), 0, UINT(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                  DIB_RGB_COLORS) != height)
    return LastErrorOr(ERROR_GEN_FAILURE);

  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = DWORD(header.bfOffBits + pixels.size());
  info.biSizeImage = DWORD(pixels.size());

  const UniqueHandle out(
      ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return ::GetLastError();
  DWORD written = 0;
  const bool ok = ::WriteFile(out.get(), &header, sizeof header, &written, nullptr) &&
                  ::WriteFile(out.get(), &info, sizeof info, &written, nullptr) &&
                  ::WriteFile(out.get(), pixels.data(), DWORD(pixels.size()), &written, nullptr) &&
                  written == pixels.size();
  return ok ? ERROR_SUCCESS : LastErrorOr(ERROR_WRITE_FAULT);
}

}  // namespace tavolen
