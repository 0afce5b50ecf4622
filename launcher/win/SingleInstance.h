#pragma once
// One launcher per user session: a named mutex made once at start. Making it and asking
// whether it existed is one call, so two quick starts cannot both think they are first.
#include "framework/UniqueHandle.h"

namespace tavolen::launcher {

// The mutex's name: the program's name.
inline constexpr wchar_t kInstanceMutexName[] = L"Tavolen";

// Makes the mutex; empty when another instance holds it (it exists, or exists and may
// not be opened by us). Kept until the process ends.
UniqueHandle ClaimSingleInstance(const wchar_t* name = kInstanceMutexName);

}  // namespace tavolen::launcher
