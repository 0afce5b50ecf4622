#pragma once
// The record behind the flyout: twelve fixed-capacity UTF-16 fields, NUL-terminated
// inside their capacity (write them with SetText, which cuts at the capacity). One
// process-wide copy (the module object's) is shared by the drive panels' property threads
// (writers) and the control's window thread (reader and zeroer); it is guarded by a lock.
// Its title tells which drive it describes.
#include <array>
#include <cstddef>
#include <mutex>
#include <string>
#include <type_traits>

#include "control/device/DeviceInfo.h"

namespace tavolen {

struct FlyOutInfo {
  char16_t title[21];
  char16_t label[33];
  char16_t size[13];
  char16_t vendor[9];
  char16_t product[17];
  char16_t revision[9];
  char16_t name1[11];
  char16_t value1[21];
  char16_t name2[11];
  char16_t value2[21];
  char16_t name3[11];
  char16_t value3[21];
};
static_assert(sizeof(FlyOutInfo) == 396, "FlyOutInfo is the 396-byte record");
static_assert(std::is_trivially_copyable<FlyOutInfo>::value, "FlyOutInfo is copied whole");

constexpr std::size_t kFlyOutFieldCount = 12;

// The fields in record order, each as the text before its first NUL (never past its
// capacity), as the sidebar event hands them over.
std::array<std::u16string, kFlyOutFieldCount> FlyOutFields(const FlyOutInfo& info);

// The drive the title names: the character before its first ":", the ":" and a "\"
// ("E:\"); empty when the title has no such character.
std::u16string FlyOutDriveRoot(const FlyOutInfo& info);

// The process-wide copy, kept by the module object.
class SharedFlyOutInfo {
 public:
  FlyOutInfo Get() const;
  void Set(const FlyOutInfo& info);
  void Clear();

  // A request for the drive `drivePath`, in one step under the lock: when the record
  // already names that drive, false (the request closes the details instead); otherwise
  // the record becomes a zero-filled one titled `title`, and true.
  bool Claim(const std::u16string& drivePath, const std::u16string& title);
  // Writes the finished record of a claimed request, unless the record was zeroed or
  // claimed for another title since (then false: the request was overtaken).
  bool Fill(const FlyOutInfo& info);

 private:
  mutable std::mutex mutex_;
  FlyOutInfo info_{};
};

}  // namespace tavolen
