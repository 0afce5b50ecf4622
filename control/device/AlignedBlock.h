#pragma once
// A zero-filled, page-aligned buffer for one device transfer. Devices are opened
// without buffering, so every pass-through block starts on a page boundary.
// One block per command, freed when the owner goes out of scope on every path.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace tavolen {

class AlignedBlock {
 public:
  static constexpr std::size_t kAlignment = 4096;

  // An empty block (operator bool false) when the memory cannot be had.
  explicit AlignedBlock(std::size_t size)
      : data_(static_cast<uint8_t*>(::operator new(size ? size : 1, std::align_val_t{kAlignment}, std::nothrow))),
        size_(data_ ? size : 0) {
    if (data_) std::memset(data_.get(), 0, size_);
  }

  explicit operator bool() const { return data_ != nullptr; }
  uint8_t* data() { return data_.get(); }
  const uint8_t* data() const { return data_.get(); }
  std::size_t size() const { return size_; }

 private:
  struct Release {
    void operator()(uint8_t* p) const { ::operator delete(p, std::align_val_t{kAlignment}); }
  };
  std::unique_ptr<uint8_t, Release> data_;
  std::size_t size_;
};

}  // namespace tavolen
