#pragma once
// Drives and device records for the row tests: volumes that a test sets up and changes,
// and records built field by field.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "control/device/DeviceInfo.h"
#include "control/device/DeviceList.h"
#include "control/device/SystemDrive.h"
#include "ports/Volumes.h"

namespace tavolen::testing {

// Volumes listed in the order they were added (unlike tests/fakes/FakeVolumes, which
// a test sets by root and may measure as it goes).
class OrderedVolumes : public Volumes {
 public:
  struct Drive {
    DriveType type = DriveType::Fixed;
    std::optional<std::u16string> label = u"";  // none: no medium
    std::optional<VolumeSpace> space;
  };

  // Drives are reported in the order they were added, as the system lists them.
  void Add(const std::u16string& root, Drive drive) {
    if (!drives_.count(root)) order_.push_back(root);
    drives_[root] = std::move(drive);
  }
  void Add(const std::u16string& root, DriveType type, std::optional<std::u16string> label = u"") {
    Add(root, Drive{type, std::move(label), std::nullopt});
  }
  Drive& operator[](const std::u16string& root) { return drives_.at(root); }

  std::vector<std::u16string> DriveRoots() override { return order_; }
  DriveType Type(const std::u16string& root) override {
    ++typeQueries;
    const auto found = drives_.find(root);
    return found == drives_.end() ? DriveType::NoRootDir : found->second.type;
  }
  std::optional<VolumeInformation> Information(const std::u16string& root) override {
    informationQueries.push_back(root);
    const auto found = drives_.find(root);
    if (found == drives_.end() || !found->second.label) return std::nullopt;
    return VolumeInformation{*found->second.label, u"NTFS"};
  }
  std::optional<VolumeSpace> Space(const std::u16string& root) override {
    const auto found = drives_.find(root);
    return found == drives_.end() ? std::nullopt : found->second.space;
  }

  int typeQueries = 0;
  std::vector<std::u16string> informationQueries;

 private:
  std::map<std::u16string, Drive> drives_;
  std::vector<std::u16string> order_;
};

inline DeviceInfo DriveRecord(uint32_t kind, uint32_t driveNumber, std::u16string_view vendor = u"",
                              std::u16string_view product = u"", std::u16string_view instanceId = u"") {
  DeviceInfo info = ZeroDeviceInfo();
  info.kind = kind;
  info.driveNumber = driveNumber;
  SetText(info.drive.vendor, vendor);
  SetText(info.drive.product, product);
  SetText(info.drive.instanceId, instanceId);
  return info;
}

inline DeviceInfo UsbRecord(uint32_t kind, uint32_t vendorId, uint32_t productId) {
  DeviceInfo info = DriveRecord(kind, 1);
  info.busType = BusUsb;
  info.usb.usbVendorId = vendorId;
  info.usb.usbProductId = productId;
  return info;
}

inline DeviceInfo Ieee1394Record(uint32_t kind, std::u16string_view nodeId) {
  DeviceInfo info = DriveRecord(kind, 1);
  info.busType = Bus1394;
  SetText(info.ieee1394.ieee1394Id, nodeId);
  return info;
}

inline DeviceInfo PortableRecord(std::u16string_view manufacturer, uint32_t vendorId, uint32_t productId,
                                 std::u16string_view serial) {
  DeviceInfo info = ZeroDeviceInfo();
  info.kind = PortableDevice;
  info.driveNumber = kNoDeviceNumber;
  info.busType = BusUsb;
  SetText(info.portable.manufacturer, manufacturer);
  info.usb.usbVendorId = vendorId;
  info.usb.usbProductId = productId;
  SetText(info.usb.usbSerial, serial);
  return info;
}

}  // namespace tavolen::testing
