#pragma once
// Owner of one SetupAPI device information set (HDEVINFO); destroyed exactly once.
// INVALID_HANDLE_VALUE (and null) mean "no set".
#include <windows.h>

#include <setupapi.h>

#include "framework/Unique.h"

namespace tavolen {

struct DevInfoSetTraits {
  using pointer = HDEVINFO;
  static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsInvalid(pointer p) noexcept { return p == nullptr || p == INVALID_HANDLE_VALUE; }
  static void Close(pointer p) noexcept { ::SetupDiDestroyDeviceInfoList(p); }
};
using UniqueDevInfoSet = Unique<DevInfoSetTraits>;

}  // namespace tavolen
