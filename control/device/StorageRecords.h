#pragma once
// The fixed-size answers of the storage I/O controls that enumeration and the panels
// ask, decoded from and encoded to their little-endian bytes.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tavolen {

constexpr uint32_t kMediaTypeRemovable = 11;  // RemovableMedia
constexpr uint32_t kMediaTypeFixed = 12;      // FixedMedia

struct DiskGeometry {  // DISK_GEOMETRY
  static constexpr std::size_t kSize = 24;
  int64_t cylinders = 0;
  uint32_t mediaType = 0;
  uint32_t tracksPerCylinder = 0;
  uint32_t sectorsPerTrack = 0;
  uint32_t bytesPerSector = 0;

  static DiskGeometry Decode(const uint8_t* bytes);
  void Encode(uint8_t* bytes) const;
};

struct DiskPerformance {  // DISK_PERFORMANCE; only the device number is used
  static constexpr std::size_t kSize = 88;
  static constexpr std::size_t kDeviceNumberOffset = 64;
  uint32_t storageDeviceNumber = 0;

  static DiskPerformance Decode(const uint8_t* bytes);
  void Encode(uint8_t* bytes) const;  // other fields zero
};

struct StorageDeviceNumber {  // STORAGE_DEVICE_NUMBER
  static constexpr std::size_t kSize = 12;
  uint32_t deviceType = 0;
  uint32_t deviceNumber = 0;
  uint32_t partitionNumber = 0;

  static StorageDeviceNumber Decode(const uint8_t* bytes);
  void Encode(uint8_t* bytes) const;
};

struct StorageHotplugInfo {  // STORAGE_HOTPLUG_INFO
  static constexpr std::size_t kSize = 8;
  uint32_t size = 0;
  uint8_t mediaRemovable = 0;
  uint8_t mediaHotplug = 0;
  uint8_t deviceHotplug = 0;
  uint8_t writeCacheEnableOverride = 0;

  static StorageHotplugInfo Decode(const uint8_t* bytes);
  void Encode(uint8_t* bytes) const;
};

}  // namespace tavolen
