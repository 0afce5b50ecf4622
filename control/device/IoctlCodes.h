#pragma once
// The device I/O control codes the command layer sends. Values are the system's;
// the Windows adapter checks them against the platform headers at compile time.
#include <cstdint>

namespace tavolen {

constexpr uint32_t kIoctlScsiPassThrough = 0x0004D004;        // IOCTL_SCSI_PASS_THROUGH
constexpr uint32_t kIoctlAtaPassThrough = 0x0004D02C;         // IOCTL_ATA_PASS_THROUGH
constexpr uint32_t kIoctlDiskGetDriveGeometry = 0x00070000;   // IOCTL_DISK_GET_DRIVE_GEOMETRY
constexpr uint32_t kIoctlDiskPerformance = 0x00070020;        // IOCTL_DISK_PERFORMANCE
constexpr uint32_t kIoctlStorageGetDeviceNumber = 0x002D1080; // IOCTL_STORAGE_GET_DEVICE_NUMBER
constexpr uint32_t kIoctlStorageGetHotplugInfo = 0x002D0C14;  // IOCTL_STORAGE_GET_HOTPLUG_INFO

// System error codes the portable layer reports itself.
constexpr uint32_t kErrorInvalidHandle = 6;       // ERROR_INVALID_HANDLE: the device was closed
constexpr uint32_t kErrorNotEnoughMemory = 8;     // ERROR_NOT_ENOUGH_MEMORY
constexpr uint32_t kErrorInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
constexpr uint32_t kErrorNotSupported = 50;       // ERROR_NOT_SUPPORTED
constexpr uint32_t kErrorGenFailure = 31;         // ERROR_GEN_FAILURE

}  // namespace tavolen
