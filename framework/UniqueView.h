#pragma once
// Owner of one mapped view of a file mapping (MapViewOfFile); unmapped exactly once.
// Moves, never copies.
#include <windows.h>

#include <utility>

namespace tavolen {

class UniqueView {
 public:
  UniqueView() = default;
  explicit UniqueView(void* view) : view_(view) {}
  ~UniqueView() { reset(); }

  UniqueView(UniqueView&& other) noexcept : view_(std::exchange(other.view_, nullptr)) {}
  UniqueView& operator=(UniqueView&& other) noexcept {
    if (this != &other) reset(std::exchange(other.view_, nullptr));
    return *this;
  }
  UniqueView(const UniqueView&) = delete;
  UniqueView& operator=(const UniqueView&) = delete;

  explicit operator bool() const { return view_ != nullptr; }
  void* get() const { return view_; }
  unsigned char* bytes() const { return static_cast<unsigned char*>(view_); }
  void reset(void* view = nullptr) {
    void* old = std::exchange(view_, view);
    if (old) ::UnmapViewOfFile(old);
  }

  // Bytes that can be reached from the start of the view: the extent of the mapped
  // region as the memory manager reports it (whole pages), 0 when unknown.
  SIZE_T MappedSize() const {
    MEMORY_BASIC_INFORMATION info{};
    if (!view_ || ::VirtualQuery(view_, &info, sizeof info) != sizeof info) return 0;
    if (info.State != MEM_COMMIT) return 0;
    return info.RegionSize - (static_cast<const char*>(view_) - static_cast<const char*>(info.BaseAddress));
  }

 private:
  void* view_ = nullptr;
};

}  // namespace tavolen
