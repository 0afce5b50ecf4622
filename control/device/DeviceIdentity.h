#pragma once
// The decisions that turn what a device interface and its device tell into a
// DeviceInfo record: bus and instance identifiers from the interface path, USB and
// IEEE 1394 identifiers from the parent's instance identifier, the INQUIRY texts, the
// device number, the hot-plug state and the kind. All inputs are untrusted and read
// within their bounds.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "control/device/DeviceInfo.h"
#include "control/device/StorageRecords.h"

namespace tavolen {

// Upper-cases ASCII letters; other characters stay as they are.
std::u16string ToUpperPath(std::u16string_view path);
bool Contains(std::u16string_view text, std::u16string_view key);

// Bus of an upper-case interface path, read from its bus part only (the text behind the
// leading "\\?\" up to the first '#'), so that a product text such as "WIDE" or "GUIDE"
// further on does not count. The first match wins: "IDE", then "USBSTOR" or "USB", then
// "SBP2" or "1394", then "SCSI"; BusNone otherwise.
BusType RecognizeBus(std::u16string_view upperPath);

// IDE: the path without its first 4 characters ("\\?\"), every '#' made '\', cut
// before its last '\'.
std::u16string IdeInstanceId(std::u16string_view upperPath);
// SCSI: the path cut before its last '#', without its first 4 characters, '#' made '\'.
std::u16string ScsiInstanceId(std::u16string_view upperPath);

// From a USB device instance identifier ("USB\VID_1234&PID_5678\SERIAL"): the four
// hexadecimal digits after the first "VID_", the four after the first "PID_" behind
// it, and the text starting one separator behind the PID digits. An id whose four
// digits are missing or not hexadecimal reads as 0; digits of either case are read.
struct UsbIds {
  uint32_t vendorId = 0;
  uint32_t productId = 0;
  std::u16string serial;
};
UsbIds ParseUsbInstanceId(std::u16string_view instanceId);

// IEEE 1394: the text after the last '\' of the parent's instance identifier.
std::u16string Ieee1394IdFromInstanceId(std::u16string_view instanceId);

// ATA IDENTIFY serial number: words 10-19 with the bytes of each word swapped, up to a
// NUL, right-aligned in 20 characters (as "%20.20s" formats it), widened.
std::u16string IdeSerialFromIdentify(const uint8_t* identify512);

// Fills the identity fields of the drive view from a 56-byte INQUIRY answer. Each text
// is taken as its bytes up to the first NUL, widened and trimmed of white space at both
// ends. With disks, a revision whose first byte is NUL reads "1.00".
constexpr std::size_t kInquiryLength = 56;
enum class InquiryTarget { Disk, Optical };
void ApplyInquiry(DeviceInfo& info, const uint8_t* inquiry56, InquiryTarget target);

// Device number of a disk: IOCTL_STORAGE_GET_DEVICE_NUMBER, else the number that
// IOCTL_DISK_PERFORMANCE gives, else kNoDeviceNumber.
uint32_t ChooseDriveNumber(const std::optional<StorageDeviceNumber>& deviceNumber,
                           const std::optional<DiskPerformance>& performance);

// Hot-plug state of a disk. Without an answer to the hot-plug IOCTL, the device counts
// as hot-plug when its path contains "USB" and its media as removable when the drive
// geometry reports removable media.
struct HotplugState {
  bool deviceHotplug = false;
  bool mediaRemovable = false;
};
HotplugState DecideHotplug(const std::optional<StorageHotplugInfo>& hotplug, std::u16string_view upperPath,
                           const std::optional<DiskGeometry>& geometry);

// Kind of a disk before the maker classification.
DeviceKind DiskKind(const HotplugState& state);
// Kind of an optical drive: by "USB" in its path, OpticalNoProfile when its current
// profile could not be read.
DeviceKind OpticalKind(std::u16string_view upperPath, bool profileRead);

}  // namespace tavolen
