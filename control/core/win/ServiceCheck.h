#pragma once
// The checks made each time a control is created: the device-management service must be
// installed (or the user is offered its installer).
#include <windows.h>

#include <string>

#include "control/core/win/CZendrelApp.h"

namespace tavolen {

enum ServiceStatus : int { kServiceDeclined = 0, kServiceUsable = 1, kServiceToInstall = 2 };

// The folder whose DevMgr\SETUP.exe may be run (ChooseInstallerFolder): the host
// program's or this module's, never a sidebar gadget's or the page's. Empty when neither
// folder can be told.
std::u16string FindInstallerFolder();

// Whether the service's Parameters key can be opened for reading (the registry port).
bool IsServiceInstalled(CZendrelApp& app);

// Sets the gadget folder to FindInstallerFolder(); 1 when the service is installed (or,
// before Vista, the user is an administrator); otherwise asks the user: 2 for Yes, 0 for
// No (after telling that the application stops).
int CheckService(CZendrelApp& app);

// Runs "<FindInstallerFolder()>\DevMgr\SETUP.exe" and waits for it to end. False when it
// could not be started.
bool RunServiceInstaller(HWND owner);

}  // namespace tavolen
