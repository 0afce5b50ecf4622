#include "Screenshot.h"

#include <vector>

#include "GdiObject.h"
#include "UniqueHandle.h"

namespace tavolen {
namespace {

// A DC from GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A memory DC from CreateCompatibleDC with one bitmap selected for its life.
class MemoryDc {
 public:
  MemoryDc(HDC like, HBITMAP bitmap) : dc_(::CreateCompatibleDC(like)) {
    if (dc_) old_ = ::SelectObject(dc_, bitmap);
  }
  ~MemoryDc() {
    if (!dc_) return;
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

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
    const MemoryDc memory(screen.get(), bitmap.get());
    if (!memory.get() || !::BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY))
      return LastErrorOr(ERROR_GEN_FAILURE);
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
