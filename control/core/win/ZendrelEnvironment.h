#pragma once
// What the control reaches the system through: the device opener and the source of
// device interfaces for the refresh threads, the portable-device manager, and the
// periods of its timers. The product uses the system's; tests hand in simulated devices
// and short periods before they create a control.
#include <windows.h>

#include "control/device/DeviceChannel.h"
#include "control/device/DeviceList.h"
#include "control/device/DeviceSource.h"

namespace tavolen {

struct ZendrelTimerPeriods {
  UINT labelRefresh = 60000;   // timer 1
  UINT deviceRefresh = 1000;   // timer 2 (also its retry after a failed thread start)
  UINT portableRefresh = 1;    // timer 2 when timer 5 found the portable devices changed
  UINT mediaPoll = 5000;       // timer 4
  UINT portableCheck = 1000;   // timer 5
};

struct ZendrelEnvironment {
  DeviceOpener* opener = nullptr;
  DeviceSource* source = nullptr;
  PortableDeviceManager portableDevices;  // none yet: the portable class walks nothing
  ZendrelTimerPeriods periods;
};

}  // namespace tavolen
