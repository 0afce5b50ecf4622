#pragma once
// The fixed-size plain record of one device, copied whole by value. Text fields are
// UTF-16, NUL-terminated, of the capacity given in characters (NUL included); every
// write goes through SetText, which cuts at the capacity.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace tavolen {

// One bit per record.
enum DeviceKind : uint32_t {
  ExternalDisk = 0x1,             // hot-plug, non-removable, not a maker model
  FixedDisk = 0x4,                // not hot-plug, non-removable
  RemovableDisk = 0x8,            // not hot-plug, removable media
  HotplugRemovableDisk = 0x10,    // hot-plug, removable media
  OpticalDrive = 0x20,            // interface path without "USB"
  UsbOpticalDrive = 0x40,         // interface path with "USB"
  OpticalNoProfile = 0x80,        // current profile cannot be read
  NetworkDrive = 0x100,           // set by the drive panel, never by enumeration
  VarnkeldBridgeDisk = 0x800,     // maker disk whose bridge answers the maker's commands
  MakerDiskA = 0x1000,
  MakerDiskB = 0x2000,
  MakerDiskC = 0x4000,
  JmBridgeDisk = 0x8000,
  FjtBridgeDisk = 0x10000,
  SatDisk = 0x20000,
  QmxtDisk = 0x40000,
  PortableDevice = 0x80000,
};

// Kinds for which an ATA command object exists.
constexpr uint32_t kAtaCommandKinds =
    FixedDisk | VarnkeldBridgeDisk | JmBridgeDisk | FjtBridgeDisk | SatDisk | QmxtDisk;
constexpr uint32_t kOpticalKinds = OpticalDrive | UsbOpticalDrive | OpticalNoProfile;
constexpr uint32_t kRemovableKinds = RemovableDisk | HotplugRemovableDisk;
// Kinds the eject command serves.
constexpr uint32_t kEjectableKinds = ExternalDisk | HotplugRemovableDisk | UsbOpticalDrive | VarnkeldBridgeDisk |
                                     MakerDiskA | MakerDiskB | JmBridgeDisk | FjtBridgeDisk | SatDisk | QmxtDisk |
                                     PortableDevice;
static_assert(kAtaCommandKinds == 0x78804, "ATA command kinds");
static_assert(kOpticalKinds == 0xE0, "optical kinds");
static_assert(kRemovableKinds == 0x18, "removable kinds");
static_assert(kEjectableKinds == 0xFB851, "ejectable kinds");

// busType values.
enum BusType : uint32_t { BusNone = 0, BusIde = 1, BusUsb = 2, Bus1394 = 4, BusScsi = 8 };

struct DeviceInfo {
  // Disks and optical drives.
  struct DriveView {
    char16_t vendor[9];           // INQUIRY bytes 8-15, trimmed
    char16_t product[17];         // INQUIRY bytes 16-31, trimmed
    char16_t revision[5];         // INQUIRY bytes 32-35, trimmed; "1.00" for disks when empty
    char16_t vendorSpecific[21];  // INQUIRY bytes 36-55, trimmed
    char16_t instanceId[81];      // device instance identifier
    char16_t unused[34];          // both views are equally long
  };
  // Portable devices, in the same space.
  struct PortableView {
    char16_t manufacturer[17];
    char16_t storageObjectId[21];
    char16_t devicePath[129];  // upper-case interface path
  };
  struct IdeArea {
    char16_t ideSerial[21];  // IDENTIFY words 10-19
  };
  struct UsbArea {
    uint32_t usbVendorId;
    uint32_t usbProductId;
    char16_t usbSerial[65];
  };
  struct Ieee1394Area {
    char16_t ieee1394Id[19];
  };

  uint32_t kind;           // one DeviceKind bit; 0 until classified
  uint32_t bridgeChip;     // JmBridgeDisk: 1 j329, 2 j336, 3 j339/JM20339, 4 j539
  uint32_t driveNumber;    // storage device number; kNoDeviceNumber when unread
  uint32_t bytesPerSector;
  uint64_t lastLba;
  uint32_t busType;        // BusType
  union {
    DriveView drive;
    PortableView portable;
  };
  // After the shared space; belongs to neither view. The largest member comes first so
  // that value-initialisation zeroes the whole area.
  union {
    UsbArea usb;
    IdeArea ide;
    Ieee1394Area ieee1394;
  };
};

static_assert(std::is_trivially_copyable<DeviceInfo>::value, "DeviceInfo is copied whole");
static_assert(std::is_standard_layout<DeviceInfo>::value, "DeviceInfo has one layout");
static_assert(sizeof(DeviceInfo::DriveView) == sizeof(DeviceInfo::PortableView), "views are equally long");
static_assert(sizeof(DeviceInfo::DriveView) == 167 * 2, "shared space");
static_assert(offsetof(DeviceInfo, lastLba) == 16, "record layout");
static_assert(offsetof(DeviceInfo, busType) == 24, "record layout");
static_assert(offsetof(DeviceInfo, drive) == 28, "record layout");
static_assert(offsetof(DeviceInfo, drive) + offsetof(DeviceInfo::DriveView, instanceId) == 132, "record layout");
static_assert(offsetof(DeviceInfo, portable) + offsetof(DeviceInfo::PortableView, devicePath) == 104, "record layout");
static_assert(offsetof(DeviceInfo, usb) == 364, "bus area after the shared space");
static_assert(offsetof(DeviceInfo::UsbArea, usbSerial) == 8, "record layout");
static_assert(sizeof(DeviceInfo) == 504, "DeviceInfo size");

// A zero-filled record, as every record starts.
inline DeviceInfo ZeroDeviceInfo() {
  DeviceInfo info;
  std::memset(&info, 0, sizeof info);
  return info;
}

// Writes text into a fixed field: at most N - 1 characters, then NUL; the rest of the
// field is cleared. Stops early at a NUL inside the text.
template <std::size_t N>
void SetText(char16_t (&field)[N], std::u16string_view text) {
  static_assert(N > 0, "field has room for the NUL");
  std::size_t n = 0;
  while (n < text.size() && n < N - 1 && text[n] != u'\0') {
    field[n] = text[n];
    ++n;
  }
  for (; n < N; ++n) field[n] = u'\0';
}

// The text of a fixed field, up to its first NUL and never past its end.
template <std::size_t N>
std::u16string_view GetText(const char16_t (&field)[N]) {
  std::size_t n = 0;
  while (n < N && field[n] != u'\0') ++n;
  return std::u16string_view(field, n);
}

}  // namespace tavolen
