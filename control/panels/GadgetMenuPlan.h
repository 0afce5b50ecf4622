#pragma once
// The gadget button's own menu items for one device, and the ticks of the drop-copy
// settings. The button loads its menu from the resource, keeps (and enables) the items
// named here and removes the others.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "control/device/DeviceList.h"

namespace tavolen {

// Command ids of the drive menus.
namespace gadget_command {
constexpr uint32_t kEjectDevice = 32773;
constexpr uint32_t kOpen = 32774;
constexpr uint32_t kEraseFreeSpace = 32775;
constexpr uint32_t kProperties = 32776;
constexpr uint32_t kPowerSave = 32778;
constexpr uint32_t kTrayControl = 32801;
constexpr uint32_t kDayFolder = 32812;
constexpr uint32_t kNoFolder = 32813;
constexpr uint32_t kRootDirectory = 32814;
constexpr uint32_t kCustom = 32815;
constexpr uint32_t kHideDrive = 32819;
constexpr uint32_t kMonthFolder = 32838;
}  // namespace gadget_command

// The button's "no device number".
constexpr uint32_t kButtonNoDriveNumber = 65535;

// Which of the items of the gadget's own menu (eject, tray control, power save, erase)
// stay for this device. The records are looked up by driveNumber: the optical array for
// tray control and eject, the disk array for power save; a missing record reads as an
// empty vendor and product.
std::set<uint32_t> KeptMenuCommands(uint32_t driveNumber, uint32_t kind, bool systemDisk, const DeviceSnapshot& devices);

// --- drop-copy settings --------------------------------------------------------------

enum class SaveMethod { NoFolder, DayFolder, MonthFolder };

// Settings values are read into buffers of this many characters.
constexpr std::size_t kSaveSettingCapacity = 520;

struct SaveSettings {
  SaveMethod method = SaveMethod::NoFolder;
  bool customFolder = false;     // SAVE_ADDRESS names a folder
  std::u16string saveFolder;     // that folder, or the drive's root
};

// From the drive's SAVE_METHOD and SAVE_ADDRESS values: a method holding "1" is a day
// folder (tested first, so "12" is a day folder), else one holding "2" a month folder.
SaveSettings DecideSaveSettings(std::u16string_view saveMethod, std::u16string_view saveAddress,
                                std::u16string_view drivePath);

struct MenuTick {
  uint32_t id = 0;
  bool checked = false;
  bool operator==(const MenuTick& other) const { return id == other.id && checked == other.checked; }
};
// The ticks to change in a menu whose template ticks "No Folder" and "Root Directory".
std::vector<MenuTick> SaveSettingTicks(const SaveSettings& settings);

}  // namespace tavolen
