#include "control/panels/EjectPlan.h"

#include <cstdio>

namespace tavolen {

namespace {

bool IsVirtualDrive(const DeviceInfo* optical) {
  if (!optical) return false;
  const std::u16string_view product = GetText(optical->drive.product);
  return product == u"WMXT-FRV" || product == u"WMXT-BRV";
}

EjectPlan Request(std::u16string instanceId) {
  EjectPlan plan;
  // An empty identifier would locate the root of the device tree: never ask for that.
  plan.action = instanceId.empty() ? EjectAction::Refuse : EjectAction::RequestEject;
  plan.instanceId = std::move(instanceId);
  return plan;
}

}  // namespace

std::u16string UsbInstanceId(uint32_t vendorId, uint32_t productId, std::u16string_view serial) {
  char prefix[48];
  std::snprintf(prefix, sizeof prefix, "USB\\VID_%04X&PID_%04X\\", unsigned(vendorId), unsigned(productId));
  std::u16string id(prefix, prefix + std::char_traits<char>::length(prefix));
  for (const char16_t c : serial) {
    if (c == u'\0') break;
    id += (c == u'\\' || c < 0x20 || c == 0x7F) ? u'_' : c;
  }
  return id;
}

EjectPlan PlanEject(uint32_t kind, uint32_t driveNumber, const DeviceSnapshot& devices,
                    const DeviceInfo* portableRecord, const ProcessRunning& processRunning) {
  const bool virtualDrive = IsVirtualDrive(FindByDriveNumber(devices.opticalDrives, driveNumber));

  if (kind == ExternalDisk) {
    EjectPlan plan;
    plan.action = EjectAction::SafeRemovalApplet;
    return plan;
  }

  if (kind == PortableDevice) {
    if (!portableRecord) return Request(u"");
    const std::u16string_view manufacturer = GetText(portableRecord->portable.manufacturer);
    if (manufacturer.find(kPlayerManufacturer) != std::u16string_view::npos && processRunning &&
        processRunning(kPlayerProcess)) {
      EjectPlan plan;
      plan.action = EjectAction::Refuse;
      plan.failureMessage = eject_strings::kPlayerRuns;
      return plan;
    }
    return Request(UsbInstanceId(portableRecord->usb.usbVendorId, portableRecord->usb.usbProductId,
                                 GetText(portableRecord->usb.usbSerial)));
  }

  if ((kind & kEjectableKinds) == 0 && !virtualDrive) return EjectPlan{};

  const auto& records = (kind & kOpticalKinds) ? devices.opticalDrives : devices.disks;
  const DeviceInfo* record = FindByDriveNumber(records, driveNumber);
  return Request(record ? std::u16string(GetText(record->drive.instanceId)) : std::u16string());
}

ProgramStart SafeRemovalApplet(std::u16string_view systemFolder) {
  if (systemFolder.empty()) return {};
  std::u16string folder(systemFolder);
  if (folder.back() == u'\\') folder.pop_back();
  return ProgramStart{folder + u'\\' + kSafeRemovalProgram, kSafeRemovalArguments, folder};
}

}  // namespace tavolen
