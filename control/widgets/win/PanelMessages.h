#pragma once
// Private messages a row window understands (from its widgets, its workers and the
// control). The control's own messages are in control/core/ControlHook.h.
#include <windows.h>

namespace tavolen::panel_message {

constexpr UINT kFlyout = WM_APP + 4;          // the overlay asks for the drive's information
constexpr UINT kMenuHandler = WM_APP + 13;    // wParam: the open shell menu's IContextMenu2, or 0
constexpr UINT kEjected = WM_APP + 16;        // the eject thread stopped the device
constexpr UINT kWatchRemovable = WM_APP + 18; // wParam: the control's watch-removable option

}  // namespace tavolen::panel_message
