#include "control/panels/DeviceIconTable.h"

namespace tavolen {

namespace {
std::optional<std::u16string> Icon(std::u16string_view relativePath) {
  if (relativePath.empty()) return std::nullopt;
  return std::u16string(relativePath);
}
}  // namespace

std::optional<std::u16string> DeviceIconPath(const DeviceInfo& record, const DeviceIconTable& table) {
  if (record.kind == MakerDiskC) return Icon(table.arrayProductIcon);

  if (record.busType == Bus1394) {
    const std::u16string_view id = GetText(record.ieee1394.ieee1394Id);
    for (const auto& row : table.ieee1394)
      // An empty prefix would be found in every identifier.
      if (!row.nodePrefix.empty() && id.find(row.nodePrefix) != std::u16string_view::npos) return Icon(row.icon);
    return std::nullopt;
  }

  // A record whose vendor id could not be read holds 0, so 0 never names the maker.
  if (record.busType == BusUsb && table.makerUsbVendorId != 0 && record.usb.usbVendorId == table.makerUsbVendorId) {
    for (const auto& row : table.usb)
      if (row.productId == record.usb.usbProductId) return Icon(row.icon);
    if (record.usb.usbProductId >= 0x0100 && record.usb.usbProductId <= 0x01FF) return Icon(table.genericMakerDiskIcon);
  }
  return std::nullopt;
}

std::u16string IconFilePath(std::u16string_view gadgetFolder, std::u16string_view relativePath) {
  std::u16string path(gadgetFolder);
  path += u"\\icon\\";
  path += relativePath;
  return path;
}

}  // namespace tavolen
