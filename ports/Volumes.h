#pragma once
// The logical drives of the system: roots, types, labels and space. The Windows adapter
// asks GetLogicalDriveStringsW, GetDriveTypeW, GetVolumeInformationW and
// GetDiskFreeSpaceExW; tests feed their own drives.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavolen {

// GetDriveType values.
enum class DriveType : uint32_t { Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6 };

struct VolumeInformation {
  std::u16string label;
  std::u16string fileSystem;
};

struct VolumeSpace {
  uint64_t totalBytes = 0;
  uint64_t freeBytes = 0;  // total free bytes, not the caller's quota
};

class Volumes {
 public:
  virtual ~Volumes() = default;
  // Root paths ("C:\") in the order the system gives them.
  virtual std::vector<std::u16string> DriveRoots() = 0;
  virtual DriveType Type(const std::u16string& root) = 0;
  // None when the volume cannot be read (no medium, for example).
  virtual std::optional<VolumeInformation> Information(const std::u16string& root) = 0;
  virtual std::optional<VolumeSpace> Space(const std::u16string& root) = 0;
};

}  // namespace tavolen
