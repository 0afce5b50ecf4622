#pragma once
// What the eject thread of a drive panel does for its device: hand a plain external disk
// to the system's safe-removal applet, refuse a player's device while the player runs,
// request the eject of a device node, or end silently.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "control/device/DeviceList.h"

namespace tavolen {

namespace eject_strings {
constexpr uint32_t kRemoved = 410;   // "This Device can now be safely removed from the computer."
constexpr uint32_t kInUse = 411;     // "Windows can't stop this device because it is in use."
constexpr uint32_t kPlayerRuns = 454;
}  // namespace eject_strings

// The applet the system offers for removing hot-plug devices: this program of the system
// folder with these arguments.
constexpr char16_t kSafeRemovalProgram[] = u"rundll32.exe";
constexpr char16_t kSafeRemovalArguments[] = u"shell32.dll,Control_RunDLL hotplug.dll";
// The player whose devices are never ejected while it runs, and their manufacturer.
constexpr char16_t kPlayerProcess[] = u"iTunes.exe";
constexpr char16_t kPlayerManufacturer[] = u"Apple";

enum class EjectAction {
  Nothing,            // the thread ends without a message
  SafeRemovalApplet,  // start SafeRemovalApplet() hidden; no message
  Refuse,             // show `failureMessage` in the caution box
  RequestEject,       // EjectDevice(instanceId): kRemoved on success, `failureMessage` else
};

struct EjectPlan {
  EjectAction action = EjectAction::Nothing;
  std::u16string instanceId;
  uint32_t failureMessage = eject_strings::kInUse;
};

// Asked only for a portable device: is a process of exactly this name running?
using ProcessRunning = std::function<bool(std::u16string_view exeName)>;

// kind and driveNumber are the panel's; portableRecord is the portable-device panel's
// copy of its record (ignored for other kinds).
EjectPlan PlanEject(uint32_t kind, uint32_t driveNumber, const DeviceSnapshot& devices,
                    const DeviceInfo* portableRecord, const ProcessRunning& processRunning);

// A program of the system folder, started by its full path with the system folder as its
// working folder, so nothing beside the host program or in the current folder can stand
// in for it. Empty when the system folder is unknown: nothing is started then.
struct ProgramStart {
  std::u16string application;
  std::u16string arguments;
  std::u16string folder;
};
ProgramStart SafeRemovalApplet(std::u16string_view systemFolder);

// "USB\VID_%04X&PID_%04X\%s". A serial character that could break the path into more
// components or reach outside it (a backslash, a control character) becomes '_'.
std::u16string UsbInstanceId(uint32_t vendorId, uint32_t productId, std::u16string_view serial);

}  // namespace tavolen
