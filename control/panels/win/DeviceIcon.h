#pragma once
// Pictures of drives: the product icon the icon table picks for a device and the shell's
// icon of a drive.
#include <windows.h>

#include <cstdint>
#include <string>

#include "control/widgets/win/RowHost.h"
#include "framework/UniqueIcon.h"

namespace tavolen {

// The icon file of the device with this drive number (the optical array when `optical`),
// loaded from "<gadget folder>\icon\"; empty when the table does not know the device or
// the file is missing.
UniqueIcon GetDeviceIcon(RowHost& host, uint32_t driveNumber, bool optical);

// The shell's icon of a drive root, or of the recycle bin when `path` is its name.
UniqueIcon ShellIconOf(const std::u16string& path, const std::u16string& recycleBinName);

// Draws `icon` centred in a picture of `width` x `height` (mask, then colour).
void DrawCentredIcon(HDC dc, HICON icon, int width, int height);

}  // namespace tavolen
