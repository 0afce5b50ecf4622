#include "launcher/win/SingleInstance.h"

namespace tavolen::launcher {

UniqueHandle ClaimSingleInstance(const wchar_t* name) {
  UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, name));
  const DWORD error = ::GetLastError();
  if (!mutex || error == ERROR_ALREADY_EXISTS) return UniqueHandle();
  return mutex;
}

}  // namespace tavolen::launcher
