#pragma once
// Which icon file pictures a device: the maker's array product, its IEEE 1394 products
// by node-identifier prefix, its USB products by product id, and a generic hard-disk
// picture for the maker's other USB disks. Paths are relative to the icon folder
// ("<gadget folder>\icon\") and lie in "HDD\", "CD,DVD\" or "MO\".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/device/DeviceInfo.h"

namespace tavolen {

struct Ieee1394IconRow {
  std::u16string_view nodePrefix;  // looked for anywhere in the device's ieee1394Id
  std::u16string_view icon;
};

struct UsbIconRow {
  uint16_t productId = 0;
  std::u16string_view icon;
};

struct DeviceIconTable {
  std::u16string_view arrayProductIcon;     // kind MakerDiskC
  std::vector<Ieee1394IconRow> ieee1394;    // tried in this order, the first contained wins
  uint32_t makerUsbVendorId = 0;            // 0: no USB device is the maker's
  std::vector<UsbIconRow> usb;
  std::u16string_view genericMakerDiskIcon; // the maker's USB product ids 0x0100-0x01FF not listed
};

// The rows that ship (MakerIconRows.cpp).
const DeviceIconTable& MakerIconTable();

// The relative icon path for a device record, none when the table does not know it.
std::optional<std::u16string> DeviceIconPath(const DeviceInfo& record, const DeviceIconTable& table);

// "<gadget folder>\icon\<relative path>".
std::u16string IconFilePath(std::u16string_view gadgetFolder, std::u16string_view relativePath);

}  // namespace tavolen
