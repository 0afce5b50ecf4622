#pragma once
// What a drive panel learns about its device from the drive type, its device number and
// the device list: its kind, whether it is the system disk, whether the array state may
// colour it and whether it watches its medium.
#include <cstdint>

#include "control/device/DeviceInfo.h"
#include "control/device/DeviceList.h"
#include "ports/Volumes.h"

namespace tavolen {

// The record behind a panel: optical drives in the optical array, remote drives have
// none, every other type in the disk array. None for an unread number (kNoDeviceNumber).
const DeviceInfo* PanelRecord(DriveType type, uint32_t driveNumber, const DeviceSnapshot& devices);

// NetworkDrive for a remote drive; else the kind of the record, 0 when there is none.
uint32_t PanelKind(DriveType type, uint32_t driveNumber, const DeviceSnapshot& devices);

// A product text that marks a protected drive.
bool IsProtectedDrive(const DeviceInfo* record);

// Only fixed drives can be the system disk: the one holding the Windows directory
// (systemDriveNumber), or a protected drive. An unread number names no disk.
bool IsSystemDisk(DriveType type, uint32_t driveNumber, uint32_t systemDriveNumber, const DeviceInfo* record);

// The maker's RAID products show their array state in the label and background; every
// other panel keeps the plain background.
bool ShowsArrayState(uint32_t kind);

// The panel's own medium watch (timer 4, 5000 ms): only for removable kinds, and only
// while the control watches removable drives.
bool WatchesMedium(uint32_t watchRemovable, uint32_t kind);
// A watched medium was taken out: the root is still removable but cannot be read.
bool MediumTakenOut(DriveType type, bool volumeReadable);

}  // namespace tavolen
