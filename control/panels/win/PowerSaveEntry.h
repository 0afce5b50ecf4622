#pragma once
// Opens the power-save dialog for a disk, modal to `owner`.
#include <windows.h>

#include <cstdint>

namespace tavolen {

void RunPowerSaveDialog(HWND owner, uint32_t driveNumber);

}  // namespace tavolen
