#include "control/panels/GadgetMenuPlan.h"

namespace tavolen {

namespace {

std::u16string_view Vendor(const DeviceInfo* record) { return record ? GetText(record->drive.vendor) : u""; }
std::u16string_view Product(const DeviceInfo* record) { return record ? GetText(record->drive.product) : u""; }

bool IsVirtualDrive(std::u16string_view product) { return product == u"WMXT-FRV" || product == u"WMXT-BRV"; }

bool KeepsTrayControl(uint32_t kind, const DeviceInfo* optical) {
  if ((kind & kOpticalKinds) == 0) return false;
  if (kind == OpticalNoProfile) return false;
  if (Vendor(optical) != u"VARNKELD") return true;
  // The maker's drives without a tray of their own.
  const std::u16string_view product = Product(optical);
  return product != u"ZNXT-FRV" && !IsVirtualDrive(product);
}

bool KeepsEject(uint32_t kind, const DeviceInfo* optical) {
  return (kind & kEjectableKinds) != 0 || IsVirtualDrive(Product(optical));
}

bool KeepsPowerSave(uint32_t driveNumber, uint32_t kind, bool systemDisk, const DeviceInfo* disk) {
  if (systemDisk || (kind & kAtaCommandKinds) == 0 || driveNumber == kButtonNoDriveNumber) return false;
  // Disks that manage their own power.
  const std::u16string_view product = Product(disk);
  return product != u"TORB-GLA" && product != u"TORB-YENA";
}

// Copies a settings value as far as its buffer reaches.
std::u16string_view Bounded(std::u16string_view value) {
  value = value.substr(0, value.find(u'\0'));
  return value.substr(0, kSaveSettingCapacity - 1);
}

}  // namespace

std::set<uint32_t> KeptMenuCommands(uint32_t driveNumber, uint32_t kind, bool systemDisk, const DeviceSnapshot& devices) {
  const DeviceInfo* optical = FindByDriveNumber(devices.opticalDrives, driveNumber);
  const DeviceInfo* disk = FindByDriveNumber(devices.disks, driveNumber);
  std::set<uint32_t> kept;
  if (KeepsEject(kind, optical)) kept.insert(gadget_command::kEjectDevice);
  if (KeepsTrayControl(kind, optical)) kept.insert(gadget_command::kTrayControl);
  if (KeepsPowerSave(driveNumber, kind, systemDisk, disk)) kept.insert(gadget_command::kPowerSave);
  return kept;
}

SaveSettings DecideSaveSettings(std::u16string_view saveMethod, std::u16string_view saveAddress,
                                std::u16string_view drivePath) {
  SaveSettings settings;
  saveMethod = Bounded(saveMethod);
  if (saveMethod.find(u'1') != std::u16string_view::npos)
    settings.method = SaveMethod::DayFolder;
  else if (saveMethod.find(u'2') != std::u16string_view::npos)
    settings.method = SaveMethod::MonthFolder;
  saveAddress = Bounded(saveAddress);
  settings.customFolder = !saveAddress.empty();
  settings.saveFolder = std::u16string(settings.customFolder ? saveAddress : drivePath);
  return settings;
}

std::vector<MenuTick> SaveSettingTicks(const SaveSettings& settings) {
  std::vector<MenuTick> ticks;
  if (settings.method == SaveMethod::DayFolder) ticks = {{gadget_command::kDayFolder, true}, {gadget_command::kNoFolder, false}};
  if (settings.method == SaveMethod::MonthFolder)
    ticks = {{gadget_command::kMonthFolder, true}, {gadget_command::kNoFolder, false}};
  if (settings.customFolder) {
    ticks.push_back({gadget_command::kCustom, true});
    ticks.push_back({gadget_command::kRootDirectory, false});
  }
  return ticks;
}

}  // namespace tavolen
