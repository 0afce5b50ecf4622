#pragma once
// Owner of one kernel HANDLE (files, events, threads, processes, mappings). NULL and
// INVALID_HANDLE_VALUE both mean "no handle"; closed exactly once with CloseHandle.
#include <windows.h>

#include "framework/Unique.h"

namespace tavolen {

struct KernelHandleTraits {
  using pointer = HANDLE;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsInvalid(pointer h) noexcept { return h == nullptr || h == INVALID_HANDLE_VALUE; }
  static void Close(pointer h) noexcept { ::CloseHandle(h); }
};
using UniqueHandle = Unique<KernelHandleTraits>;

// A search of FindFirstFile; INVALID_HANDLE_VALUE (and null) mean none; closed with FindClose.
struct FindHandleTraits {
  using pointer = HANDLE;
  static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsInvalid(pointer h) noexcept { return h == nullptr || h == INVALID_HANDLE_VALUE; }
  static void Close(pointer h) noexcept { ::FindClose(h); }
};
using UniqueFindHandle = Unique<FindHandleTraits>;

}  // namespace tavolen
