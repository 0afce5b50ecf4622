#include "control/panels/PanelDevice.h"

#include "control/device/SystemDrive.h"

namespace tavolen {

const DeviceInfo* PanelRecord(DriveType type, uint32_t driveNumber, const DeviceSnapshot& devices) {
  switch (type) {
    case DriveType::Remote: return nullptr;
    case DriveType::CdRom: return FindByDriveNumber(devices.opticalDrives, driveNumber);
    default: return FindByDriveNumber(devices.disks, driveNumber);
  }
}

uint32_t PanelKind(DriveType type, uint32_t driveNumber, const DeviceSnapshot& devices) {
  if (type == DriveType::Remote) return NetworkDrive;
  const DeviceInfo* record = PanelRecord(type, driveNumber, devices);
  return record ? record->kind : 0;
}

bool IsProtectedDrive(const DeviceInfo* record) {
  return record && GetText(record->drive.product).find(u"Hushed Vault") != std::u16string_view::npos;
}

bool IsSystemDisk(DriveType type, uint32_t driveNumber, uint32_t systemDriveNumber, const DeviceInfo* record) {
  if (type != DriveType::Fixed) return false;
  if (driveNumber != kNoDeviceNumber && driveNumber == systemDriveNumber) return true;
  return IsProtectedDrive(record);
}

bool ShowsArrayState(uint32_t kind) { return kind == MakerDiskB || kind == MakerDiskC; }

bool WatchesMedium(uint32_t watchRemovable, uint32_t kind) { return watchRemovable != 0 && (kind & kRemovableKinds) != 0; }

bool MediumTakenOut(DriveType type, bool volumeReadable) { return type == DriveType::Removable && !volumeReadable; }

}  // namespace tavolen
