#include "control/device/CIoctl.h"

#include "control/device/IoctlCodes.h"

namespace tavolen {

// Each answer is received into a local byte buffer of the record's size and decoded
// only when the control succeeded, so a short or failed answer never reaches the caller.

bool CIoctl::GetDriveGeometry(DiskGeometry& geometry) {
  geometry = DiskGeometry{};
  uint8_t bytes[DiskGeometry::kSize] = {};
  uint32_t returned = 0;
  if (!Control(kIoctlDiskGetDriveGeometry, nullptr, 0, bytes, sizeof bytes, &returned)) return false;
  geometry = DiskGeometry::Decode(bytes);
  return true;
}

bool CIoctl::GetDiskPerformance(DiskPerformance& performance) {
  uint8_t bytes[DiskPerformance::kSize] = {};
  uint32_t returned = 0;
  if (!Control(kIoctlDiskPerformance, nullptr, 0, bytes, sizeof bytes, &returned)) return false;
  performance = DiskPerformance::Decode(bytes);
  return true;
}

bool CIoctl::GetDeviceNumber(StorageDeviceNumber& number) {
  number = StorageDeviceNumber{};
  uint8_t bytes[StorageDeviceNumber::kSize] = {};
  uint32_t returned = 0;
  if (!Control(kIoctlStorageGetDeviceNumber, nullptr, 0, bytes, sizeof bytes, &returned)) return false;
  number = StorageDeviceNumber::Decode(bytes);
  return true;
}

bool CIoctl::GetHotplugInfo(StorageHotplugInfo& info) {
  info = StorageHotplugInfo{};
  uint8_t bytes[StorageHotplugInfo::kSize] = {};
  uint32_t returned = 0;
  if (!Control(kIoctlStorageGetHotplugInfo, nullptr, 0, bytes, sizeof bytes, &returned)) return false;
  info = StorageHotplugInfo::Decode(bytes);
  return true;
}

}  // namespace tavolen
