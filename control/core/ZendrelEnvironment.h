#pragma once
// What the control reaches the system through: the device opener and the source of
// device interfaces (refresh threads), the portable-device manager, the volumes, the
// settings files, the registry, the clock with the control's timers, the configuration
// manager (safe removal), other programs, the recycle bins' size and the shell's file
// operations and "open", the unbuffered files that erasing free space
// writes, the user interface language, and the periods of its timers. The module
// object wires the system's adapters; tests hand in simulated devices and fakes before
// they create a control. Every pointer is non-null and outlives every control.
#include <cstdint>

#include "control/core/DeviceEjector.h"
#include "control/device/DeviceChannel.h"
#include "control/device/DeviceList.h"
#include "control/device/DeviceSource.h"
#include "control/device/PortableDevices.h"
#include "ports/Clock.h"
#include "ports/Processes.h"
#include "ports/RecycleBin.h"
#include "ports/Registry.h"
#include "ports/SettingsFile.h"
#include "ports/ShellFiles.h"
#include "ports/UnbufferedFiles.h"
#include "ports/UiLanguage.h"
#include "ports/Volumes.h"

namespace tavolen {

struct ZendrelTimerPeriods {
  uint32_t labelRefresh = 60000;   // timer 1
  uint32_t deviceRefresh = 1000;   // timer 2 (also its retry after a failed thread start)
  uint32_t portableRefresh = 1;    // timer 2 when timer 5 found the portable devices changed
  uint32_t mediaPoll = 5000;       // timer 4 (the control's and each panel's)
  uint32_t portableCheck = 1000;   // timer 5
};

struct ZendrelEnvironment {
  DeviceOpener* opener = nullptr;
  DeviceSource* source = nullptr;
  PortableDevices* portableDevices = nullptr;
  Volumes* volumes = nullptr;
  SettingsFileFactory* settingsFiles = nullptr;
  Registry* registry = nullptr;
  Clock* clock = nullptr;
  ConfigManager* configManager = nullptr;
  Processes* processes = nullptr;
  UnbufferedFiles* unbufferedFiles = nullptr;
  UiLanguage* uiLanguage = nullptr;  // a test that hands none keeps the system's
  RecycleBin* recycleBin = nullptr;  // the same
  ShellFiles* shellFiles = nullptr;  // the same
  ZendrelTimerPeriods periods;
};

}  // namespace tavolen
