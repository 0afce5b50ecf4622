#include "control/core/StandbyTimers.h"

#include <memory>

#include "control/device/CAtaCommand.h"
#include "control/core/GadgetOptions.h"
#include "control/device/ModelClassification.h"

namespace tavolen {

namespace {
constexpr uint8_t kIdle = 0xE3;
// Stored values are read into a four-character buffer.
constexpr std::size_t kValueCapacity = 4;
}  // namespace

std::u16string BusIdentification(const DeviceInfo& info) {
  switch (info.busType) {
    case BusUsb: return std::u16string(GetText(info.usb.usbSerial));
    case Bus1394: return std::u16string(GetText(info.ieee1394.ieee1394Id));
    case BusIde: return std::u16string(GetText(info.ide.ideSerial));
    default: return {};
  }
}

std::u16string DeviceKey(const DeviceInfo& info) {
  std::u16string key(GetText(info.drive.product));
  key += u':';
  key += BusIdentification(info);
  for (std::size_t i = 0; i < key.size(); ++i) {
    const char16_t c = key[i];
    if (c < 0x20 || c == 0x7F || c == u'=' || (i == 0 && (c == u'[' || c == u';'))) key[i] = u'_';
  }
  return key;
}

uint8_t StandbyTimerCount(const std::u16string& storedChoice, bool release) {
  if (release) return 0;
  const char16_t first = storedChoice.empty() ? 0 : storedChoice[0];
  switch (first) {
    case u'0': return 120;
    case u'1': return 240;
    case u'2': return 241;
    default: return 242;
  }
}

int ApplyStandbyTimers(const std::vector<DeviceInfo>& disks, SettingsFile& powerSave, DeviceOpener& opener,
                       bool release) {
  int sent = 0;
  for (const DeviceInfo& disk : disks) {
    if ((disk.kind & kAtaCommandKinds) == 0) continue;
    const std::u16string key = DeviceKey(disk);
    const std::u16string choice = powerSave.Read(settings::kTimerSettings, key, kValueCapacity);
    if (choice.empty()) continue;
    if (!release && !powerSave.Read(settings::kIsTimerCommandSend, key, kValueCapacity).empty()) continue;
    std::unique_ptr<CAtaCommand> command = MakeAtaCommand(opener, disk);
    if (!command) continue;
    // The outcome is not examined: a disk that refused stays marked until the next
    // suspend, start or prune clears the mark.
    command->SendCountCommand(kIdle, StandbyTimerCount(choice, release));
    powerSave.Write(settings::kIsTimerCommandSend, key, u"1");
    ++sent;
  }
  return sent;
}

void PruneSentMarks(const std::vector<DeviceInfo>& disks, SettingsFile& powerSave) {
  std::vector<std::pair<std::u16string, std::u16string>> kept;
  for (const DeviceInfo& disk : disks) {
    const std::u16string key = DeviceKey(disk);
    const std::u16string value = powerSave.Read(settings::kIsTimerCommandSend, key, kValueCapacity);
    kept.emplace_back(key, value.substr(0, 1));
  }
  powerSave.DeleteSection(settings::kIsTimerCommandSend);
  for (const auto& [key, value] : kept) powerSave.Write(settings::kIsTimerCommandSend, key, value);
}

void ClearSentMarks(SettingsFile& powerSave) { powerSave.DeleteSection(settings::kIsTimerCommandSend); }

int RunStandbyStep(StandbyStep step, const std::vector<DeviceInfo>& disks, PowerSaveFile& powerSave,
                   DeviceOpener& opener) {
  return powerSave.Locked([&](SettingsFile& file) {
    switch (step) {
      case StandbyStep::Start:
        ClearSentMarks(file);
        return ApplyStandbyTimers(disks, file, opener, false);
      case StandbyStep::AfterRefresh:
        PruneSentMarks(disks, file);
        return ApplyStandbyTimers(disks, file, opener, false);
      case StandbyStep::Resume: return ApplyStandbyTimers(disks, file, opener, false);
      case StandbyStep::Suspend: ClearSentMarks(file); return 0;
      case StandbyStep::Unload: return ApplyStandbyTimers(disks, file, opener, true);
    }
    return 0;
  });
}

}  // namespace tavolen
