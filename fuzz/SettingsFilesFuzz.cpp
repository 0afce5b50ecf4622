// Fuzz target: the readers of the settings files anyone can edit: the gadget's options
// and hidden drives and each drive's save settings (DragAndDropSetting.ini), a shortcut
// button's stored entry, and the power-save file's stored timers and sent-marks, which
// are keyed by what a disk tells of itself.
// Input: a selector byte, a disk's product text and serial (two UTF-16 lines), then the
// stored values, one UTF-16 line per key in the order the readers first ask for them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "control/core/GadgetOptions.h"
#include "control/core/PowerSave.h"
#include "control/core/StandbyTimers.h"
#include "control/device/DeviceInfo.h"
#include "control/panels/DropCopyPlan.h"
#include "control/panels/ShortcutStore.h"
#include "fuzz/FuzzDevices.h"
#include "fuzz/FuzzSettings.h"

using namespace tavolen;
using namespace tavolen::fuzzing;

namespace {

// A key of the power-save file can neither start a section or a comment nor hold a
// separator or a line break.
void CheckDeviceKey(const std::u16string& key) {
  for (std::size_t i = 0; i < key.size(); ++i) {
    const char16_t c = key[i];
    if (c < 0x20 || c == u'=' || (i == 0 && (c == u'[' || c == u';'))) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzStream input(data, size);
  const uint8_t selector = input.Byte();
  DeviceInfo disk = ZeroDeviceInfo();
  disk.kind = FixedDisk;
  disk.busType = (selector & 0x10) ? BusUsb : BusIde;
  SetText(disk.drive.product, input.Line());
  if (disk.busType == BusUsb)
    SetText(disk.usb.usbSerial, input.Line());
  else
    SetText(disk.ide.ideSerial, input.Line());
  FuzzSettingsFile file(input);

  switch (selector % 4) {
    case 0: {  // the gadget's options and hidden drives
      ReadGadgetOptions(file);
      if (ReadHiddenDrives(file).size() >= settings::kHiddenDrivesCapacity) __builtin_trap();
      ReadSettingInt(file, u"ANY", u"KEY", -1);
      break;
    }
    case 1: {  // a drive's save settings and the folder a drop goes to
      const std::u16string drive = u"E:\\";
      const SaveSettings save = ReadSaveSettings(file, drive);
      if (!save.customFolder && save.saveFolder != drive) __builtin_trap();
      DropFolder(save, drive, CalendarDate{2014, 2, 28});
      break;
    }
    case 2: {  // a shortcut button's entry: a record when the value is one, else text
      const uint32_t row = selector >> 4, column = selector & 0x0C;
      const StoredShortcut stored = ReadStoredShortcut(file, row, column);
      if (stored.record) {
        if (!stored.text.empty()) __builtin_trap();
        // What is read back is what would be stored again.
        FuzzStream none(nullptr, 0);
        FuzzSettingsFile copy(none);
        WriteStoredShortcut(copy, row, column, u"", &*stored.record);
        const StoredShortcut again = ReadStoredShortcut(copy, row, column);
        if (!again.record || EncodeShortcutRecord(*again.record) != EncodeShortcutRecord(*stored.record))
          __builtin_trap();
      } else if (stored.text.size() >= kShortcutTextCapacity) {
        __builtin_trap();
      }
      break;
    }
    default: {  // the power-save file: stored timers and sent-marks of one disk
      const std::u16string key = DeviceKey(disk);
      CheckDeviceKey(key);
      const std::vector<DeviceInfo> disks{disk};
      FuzzStream answers(nullptr, 0);  // the disk accepts every command
      FuzzOpener opener(answers, ChannelRoute::Direct);
      PruneSentMarks(disks, file);
      if (file.Read(settings::kIsTimerCommandSend, key, 520).size() > 1) __builtin_trap();
      ApplyStandbyTimers(disks, file, opener, (selector & 0x20) != 0);
      const std::u16string stored = file.Read(settings::kTimerSettings, key, 520);
      const int choice = TimerChoiceOfStoredValue(stored);
      if (choice < 0 || choice >= kTimerChoiceCount) __builtin_trap();
      const uint8_t count = StandbyTimerCount(stored, false);
      // The dialog and the sender read a stored choice alike.
      if (!stored.empty() && count != TimerChoiceCount(choice)) __builtin_trap();
      ClearSentMarks(file);
      break;
    }
  }
  return 0;
}
