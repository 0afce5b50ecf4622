#include "control/panels/win/DeviceIcon.h"

#include <shellapi.h>
#include <shlobj.h>

#include "framework/ComPtr.h"
#include "framework/GdiObject.h"
#include "control/panels/DeviceIconTable.h"
#include "framework/UniqueItemList.h"
#include "framework/Utf16.h"

namespace tavolen {

UniqueIcon GetDeviceIcon(RowHost& host, uint32_t driveNumber, bool optical) {
  const auto record = optical ? host.Devices().FindOpticalDrive(driveNumber) : host.Devices().FindDisk(driveNumber);
  if (!record) return UniqueIcon();
  const auto relative = DeviceIconPath(*record, MakerIconTable());
  if (!relative) return UniqueIcon();
  const std::u16string file = IconFilePath(host.GadgetFolder(), *relative);
  SHFILEINFOW info{};
  if (!::SHGetFileInfoW(AsWide(file.c_str()), FILE_ATTRIBUTE_ARCHIVE, &info, sizeof info, SHGFI_ICON)) return UniqueIcon();
  return UniqueIcon(info.hIcon);
}

UniqueIcon ShellIconOf(const std::u16string& path, const std::u16string& recycleBinName) {
  SHFILEINFOW info{};
  if (path == recycleBinName) {
    // The bin's own item: the shell then draws an empty or a full bin.
    UniqueItemList bin;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, bin.put())))
      ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(bin.get()), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_ICON);
    return UniqueIcon(info.hIcon);
  }
  if (::SHGetFileInfoW(AsWide(path.c_str()), FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, SHGFI_ICON) && info.hIcon)
    return UniqueIcon(info.hIcon);
  // Paths the file system does not know (a device's shell path) go through the desktop.
  ComPtr<IShellFolder> desktop;
  if (FAILED(::SHGetDesktopFolder(desktop.put()))) return UniqueIcon();
  std::wstring name = ToWide(path);
  PIDLIST_RELATIVE item = nullptr;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &item, nullptr))) return UniqueIcon();
  ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(item), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_ICON);
  ::CoTaskMemFree(item);
  return UniqueIcon(info.hIcon);
}

void DrawCentredIcon(HDC dc, HICON icon, int width, int height) {
  ICONINFO info{};
  if (!icon || !::GetIconInfo(icon, &info)) return;
  const UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
  BITMAP bits{};
  ::GetObjectW(info.hbmMask, sizeof bits, &bits);
  const int iconWidth = bits.bmWidth, iconHeight = info.hbmColor ? bits.bmHeight : bits.bmHeight / 2;
  ::DrawIconEx(dc, (width - iconWidth) / 2, (height - iconHeight) / 2, icon, iconWidth, iconHeight, 0, nullptr,
               DI_NORMAL);
}

}  // namespace tavolen
