#include "control/device/StorageRecords.h"

#include <cstring>

#include "control/device/ByteOrder.h"

namespace tavolen {

DiskGeometry DiskGeometry::Decode(const uint8_t* b) {
  DiskGeometry g;
  g.cylinders = int64_t(GetLe64(b));
  g.mediaType = GetLe32(b + 8);
  g.tracksPerCylinder = GetLe32(b + 12);
  g.sectorsPerTrack = GetLe32(b + 16);
  g.bytesPerSector = GetLe32(b + 20);
  return g;
}

void DiskGeometry::Encode(uint8_t* b) const {
  PutLe64(b, uint64_t(cylinders));
  PutLe32(b + 8, mediaType);
  PutLe32(b + 12, tracksPerCylinder);
  PutLe32(b + 16, sectorsPerTrack);
  PutLe32(b + 20, bytesPerSector);
}

DiskPerformance DiskPerformance::Decode(const uint8_t* b) {
  DiskPerformance p;
  p.storageDeviceNumber = GetLe32(b + kDeviceNumberOffset);
  return p;
}

void DiskPerformance::Encode(uint8_t* b) const {
  std::memset(b, 0, kSize);
  PutLe32(b + kDeviceNumberOffset, storageDeviceNumber);
}

StorageDeviceNumber StorageDeviceNumber::Decode(const uint8_t* b) {
  return StorageDeviceNumber{GetLe32(b), GetLe32(b + 4), GetLe32(b + 8)};
}

void StorageDeviceNumber::Encode(uint8_t* b) const {
  PutLe32(b, deviceType);
  PutLe32(b + 4, deviceNumber);
  PutLe32(b + 8, partitionNumber);
}

StorageHotplugInfo StorageHotplugInfo::Decode(const uint8_t* b) {
  StorageHotplugInfo h;
  h.size = GetLe32(b);
  h.mediaRemovable = b[4];
  h.mediaHotplug = b[5];
  h.deviceHotplug = b[6];
  h.writeCacheEnableOverride = b[7];
  return h;
}

void StorageHotplugInfo::Encode(uint8_t* b) const {
  PutLe32(b, size);
  b[4] = mediaRemovable;
  b[5] = mediaHotplug;
  b[6] = deviceHotplug;
  b[7] = writeCacheEnableOverride;
}

}  // namespace tavolen
