#pragma once
// What the launcher's windows share for the life of the program: the paths beside the
// executable, the page engine chosen at start, and the system's ports. Made once by the
// application object before the main window; outlives every window. UI thread only.
#include <string>

#include "launcher/LauncherSettings.h"
#include "launcher/win/HtmlEngine.h"
#include "launcher/win/MessageBoxPrompts.h"
#include "launcher/win/Win32Monitors.h"
#include "ports/win/Win32Registry.h"

namespace tavolen::launcher {

struct LauncherContext {
  std::wstring folder;        // the executable's folder
  std::wstring mainPage;      // folder\Marvesk.htm
  std::wstring flyoutPage;    // folder\FlyOut.htm (the control's flyout page)
  std::wstring settingsPage;  // folder\Settings.htm
  std::wstring settingsFile;  // folder\DragAndDropSetting.ini
  PageEngine engine = PageEngine::Native;
  UINT subMenuMessage = 0;    // the registered "IsSubMenuOpen"

  Win32Registry registry;
  MessageBoxPrompts prompts;
  Win32Monitors monitors;
  LauncherSettings settings{registry, prompts};
};

}  // namespace tavolen::launcher
