// The control library as a COM server: its classes, categories and entry points.
#include <windows.h>

#include "framework/ActiveXControl.h"
#include "control/core/win/CZendrelApp.h"
#include "framework/ResourceString.h"
#include "control/core/win/CZendrelCtrl.h"
#include "framework/Module.h"
#include "framework/PropertyPage.h"
#include "framework/Registration.h"
#include "framework/Utf16.h"
#include "control/core/win/ZendrelIds.h"
#include "control/resources/resource.h"

namespace tavolen {
namespace {

// {7DD95801-9882-11CF-9FA9-00AA006C42C4} and {7DD95802-...}: safe for scripting and for
// initialising from persistent data.
constexpr CATID kSafeForScripting = {0x7DD95801, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}};
constexpr CATID kSafeForInitializing = {0x7DD95802, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}};

HRESULT CreatePage(REFIID riid, void** out) {
  static const std::wstring title = ToWide(LoadResourceString(IDS_PROPPAGE_TYPE_NAME));
  return CreatePropertyPage(IDD_PROPPAGE, title.c_str(), riid, out);
}

const ServerDescription& Server() {
  static const ServerDescription server = {
      zendrel::kLibId,
      zendrel::kLibMajor,
      zendrel::kLibMinor,
      {
          {&zendrel::kControlClsid, zendrel::kControlProgId, L"Zendrel Control", &CZendrelCtrl::Create, true,
           0x30191, IDB_TOOLBOX},
          {&zendrel::kPropertyPageClsid, zendrel::kPropertyPageProgId, L"Zendrel Property Page", &CreatePage, false, 0,
           0},
      },
      {
          {kSafeForScripting, L"Controls that are safely scriptable"},
          {kSafeForInitializing, L"Controls safely initializable from persistent data"},
      },
  };
  return server;
}

}  // namespace
}  // namespace tavolen

using namespace tavolen;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && !reserved) ModuleDetach();
  return TRUE;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return ModuleCanUnloadNow(); }

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  return ServerGetClassObject(Server(), clsid, riid, out);
}

HRESULT STDAPICALLTYPE DllRegisterServer() { return RegisterServer(Server()); }

HRESULT STDAPICALLTYPE DllUnregisterServer() { return UnregisterServer(Server()); }

// "regsvr32 /n /i:user Zendrel.dll" registers for the current user only (no administrator
// rights needed); "regsvr32 /u /n /i:user" removes that registration.
HRESULT STDAPICALLTYPE DllInstall(BOOL install, PCWSTR commandLine) {
  return InstallServer(Server(), install != FALSE, commandLine);
}

}  // extern "C"
