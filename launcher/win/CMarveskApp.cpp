#include "launcher/win/CMarveskApp.h"

#include <windows.h>
#include <commctrl.h>

#include "framework/Module.h"
#include "framework/OleInit.h"
#include "launcher/win/CMarveskDlg.h"
#include "launcher/win/LauncherContext.h"
#include "launcher/win/PageAddress.h"
#include "launcher/win/SingleInstance.h"
#include "launcher/resources/resource.h"

namespace tavolen::launcher {
namespace {

std::wstring ResourceString(UINT id) {
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(ModuleInstance(), id, reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 ? std::wstring(text, length) : std::wstring();
}

}  // namespace

int CMarveskApp::Run(const std::wstring& commandLine) {
  INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
  ::InitCommonControlsEx(&controls);
  const OleInit ole;

  LauncherContext context;
  context.subMenuMessage = ::RegisterWindowMessageW(L"IsSubMenuOpen");
  // Held until the process ends; a second start leaves at once, silently.
  const UniqueHandle instance = ClaimSingleInstance();
  if (!instance) return 0;

  context.folder = ProgramFolder();
  context.mainPage = context.folder + L"\\Marvesk.htm";
  context.flyoutPage = context.folder + L"\\FlyOut.htm";
  context.settingsPage = context.folder + L"\\Settings.htm";
  context.settingsFile = context.folder + ResourceString(IDS_SETTINGS_FILE);
  context.settings.EnsureDefaults();
  context.engine = ChoosePageEngine(commandLine);

  CMarveskDlg window(context);
  window.Run();
  return 0;
}

}  // namespace tavolen::launcher
