// The shipped Zendrel.dll: registered with regsvr32 of its own word size, created through
// COM by ProgID and CLSID, every member called by name as a page script calls it, and
// the module's unload answer.
#include <gtest/gtest.h>

#include <windows.h>
#include <objsafe.h>
#include <olectl.h>
#include <ocidl.h>

#include <string>

#include "tests/framework/MessagePump.h"
#include "tests/control/ControlTestSupport.h"
#include "framework/UniqueHandle.h"
#include "framework/UniqueRegKey.h"
#include "framework/UniqueVariant.h"
#include "framework/Utf16.h"
#include "control/core/ZendrelDispatch.h"
#include "control/core/win/ZendrelIds.h"

using namespace tavolen;
using namespace tavolen::test;
namespace ev = tavolen::zendrel_event;

namespace {

constexpr wchar_t kClsid[] = L"{E4B1A2C3-7D5F-4E69-8A2B-C0D1E2F3A4B5}";
constexpr wchar_t kPageClsid[] = L"{9B8C7D6E-5F4A-4B3C-9D2E-1F0A9B8C7D6E}";
constexpr wchar_t kLibId[] = L"{5D3A7C21-8E44-4B9A-9C1F-2A6B0E7D3F10}";

std::wstring DllPath() {
  // The build tree's path, as the Wine prefix sees the Unix file system.
  std::wstring path = L"Z:" + std::wstring(ZENDREL_DLL_PATH, ZENDREL_DLL_PATH + sizeof(ZENDREL_DLL_PATH) - 1);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

// regsvr32 of this process's word size (a 32-bit process is redirected to the 32-bit one).
DWORD RunRegsvr32(const std::wstring& arguments) {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(system) + L"\\regsvr32.exe\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return DWORD(-1);
  UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
  ::WaitForSingleObject(process.hProcess, 60000);
  DWORD code = DWORD(-1);
  ::GetExitCodeProcess(process.hProcess, &code);
  return code;
}

const wchar_t* OwnPlatform() { return sizeof(void*) == 8 ? L"win64" : L"win32"; }

REGSAM OwnView() { return sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }

// The default value (name empty) or a named value of a key under HKEY_CLASSES_ROOT, in
// this word size's view; "<missing>" when the key or value is absent.
std::wstring ClassesValue(const std::wstring& key, const wchar_t* name = L"") {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | OwnView(), &opened) != ERROR_SUCCESS)
    return L"<missing>";
  UniqueRegKey owner(opened);
  wchar_t value[512] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  if (::RegQueryValueExW(opened, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
    return L"<missing>";
  return value;
}

bool ClassesKeyExists(const std::wstring& key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | OwnView(), &opened) != ERROR_SUCCESS) return false;
  ::RegCloseKey(opened);
  return true;
}

class ZendrelDll : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::OleInitialize(nullptr);
    SetServiceInstalled(true);
  }
  static void TearDownTestSuite() { ::OleUninitialize(); }
};

void ExpectRegistered() {
  const std::wstring clsid = std::wstring(L"CLSID\\") + kClsid;
  EXPECT_EQ(ClassesValue(clsid), L"Zendrel Control");
  EXPECT_TRUE(EqualsIgnoreCase(ClassesValue(clsid + L"\\InprocServer32"), DllPath())) << ClassesValue(clsid + L"\\InprocServer32");
  EXPECT_EQ(ClassesValue(clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(ClassesValue(clsid + L"\\ProgID"), L"ZENDREL.ZendrelCtrl");
  EXPECT_TRUE(ClassesKeyExists(clsid + L"\\Control"));
  EXPECT_EQ(ClassesValue(clsid + L"\\MiscStatus\\1"), L"197009") << "0x30191";
  EXPECT_NE(ClassesValue(clsid + L"\\ToolboxBitmap32").find(L", 272"), std::wstring::npos);
  EXPECT_EQ(ClassesValue(clsid + L"\\TypeLib"), kLibId);
  EXPECT_EQ(ClassesValue(clsid + L"\\Version"), L"1.0");
  EXPECT_EQ(ClassesValue(clsid + L"\\Verb\\-7"), L"&Properties,0,2");
  EXPECT_TRUE(ClassesKeyExists(clsid + L"\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}"));
  EXPECT_TRUE(ClassesKeyExists(clsid + L"\\Implemented Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}"));
  EXPECT_EQ(ClassesValue(L"ZENDREL.ZendrelCtrl\\CLSID"), kClsid);
  EXPECT_EQ(ClassesValue(std::wstring(L"CLSID\\") + kPageClsid), L"Zendrel Property Page");
  EXPECT_EQ(ClassesValue(L"ZENDREL.ZendrelPropPage.1\\CLSID"), kPageClsid);
  EXPECT_TRUE(ClassesKeyExists(std::wstring(L"TypeLib\\") + kLibId + L"\\1.0\\409\\" + OwnPlatform()));
  EXPECT_EQ(ClassesValue(L"Component Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}", L"409"),
            L"Controls that are safely scriptable");
  EXPECT_EQ(ClassesValue(L"Component Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}", L"409"),
            L"Controls safely initializable from persistent data");
}

}  // namespace

TEST_F(ZendrelDll, RegistersWithExactlyItsEntriesTwiceAndUnregisters) {
  ASSERT_EQ(RunRegsvr32(L"/s \"" + DllPath() + L"\""), 0u);
  ExpectRegistered();
  ASSERT_EQ(RunRegsvr32(L"/s \"" + DllPath() + L"\""), 0u) << "a second registration is harmless";
  ExpectRegistered();

  ASSERT_EQ(RunRegsvr32(L"/s /u \"" + DllPath() + L"\""), 0u);
  EXPECT_FALSE(ClassesKeyExists(std::wstring(L"CLSID\\") + kClsid));
  EXPECT_FALSE(ClassesKeyExists(L"ZENDREL.ZendrelCtrl"));
  // The type library key is shared by both word sizes: only this one's platform goes.
  EXPECT_FALSE(ClassesKeyExists(std::wstring(L"TypeLib\\") + kLibId + L"\\1.0\\409\\" + OwnPlatform()));
  // The categories stay.
  EXPECT_TRUE(ClassesKeyExists(L"Component Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}"));
  ASSERT_EQ(RunRegsvr32(L"/s \"" + DllPath() + L"\""), 0u);
}

TEST_F(ZendrelDll, AScriptDrivesEveryMemberByNameAndReceivesTheEvents) {
  ASSERT_EQ(RunRegsvr32(L"/s \"" + DllPath() + L"\""), 0u);
  const std::wstring folder = MakeTempFolder(L"DllGadget");
  const std::wstring ini = folder + L"\\DragAndDropSetting.ini";
  ::DeleteFileW(ini.c_str());
  WriteIni(ini, L"ShowCount", L"SETTING_STATE", L"3");

  HostedControl control;
  ASSERT_EQ(control.Create(L"ZENDREL.ZendrelCtrl"), S_OK);
  control.ClearEvents();
  ASSERT_EQ(control.Call(L"LoadGadgetPath", {Text((folder + L"\\Marvesk.htm").c_str())}), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return !control.Events(ev::ChangeSize).empty(); }));
  EXPECT_EQ(control.Events(ev::SettingOverwrite).at(0).args.at(0), L"3");
  EXPECT_EQ(control.Events(ev::SetSizeInfo).size(), 1u);

  UniqueVariant result;
  EXPECT_EQ(control.Call(L"GetDriveLetterCount", {}, result.put()), S_OK);
  EXPECT_EQ(result.type(), VT_I2);
  EXPECT_EQ(control.Call(L"GetFocusState", {}, result.put()), S_OK);
  EXPECT_EQ(V_BOOL(result.get()), VARIANT_FALSE);
  EXPECT_EQ(control.Call(L"NowSetting", {}, result.put()), S_OK);
  EXPECT_EQ(result.type(), VT_BSTR);
  EXPECT_EQ(control.Call(L"IsSetHideDrives", {}, result.put()), S_OK);
  EXPECT_EQ(control.Call(L"ShowRenewInfo"), S_OK);
  EXPECT_EQ(control.Call(L"AddSetting"), S_OK);
  EXPECT_EQ(control.Call(L"GetSettingData", {Text(L"AutoHide")}, result.put()), S_OK);
  EXPECT_EQ(result.type(), VT_UI1);
  EXPECT_EQ(control.Call(L"SaveDriveCount", {Int(4)}), S_OK);
  EXPECT_EQ(control.Call(L"SetAdditionalOption", {Bool(false), Bool(true), Int(2), Int(0), Int(1)}), S_OK);
  EXPECT_EQ(ReadIni(ini, L"WatchRemovable", L"SETTING_STATE"), L"1");
  EXPECT_EQ(ReadIni(ini, L"ShowCount", L"SETTING_STATE"), L"<none>");
  EXPECT_EQ(control.Call(L"SettingOverwrite", {Int(1), Bool(true), Bool(true), Int(0), Int(0)}), S_OK);
  EXPECT_EQ(control.Call(L"SetSizeInfo", {Int(10), Int(20)}), S_OK);
  EXPECT_EQ(control.Call(L"ShowAllDrive"), S_OK);
  EXPECT_EQ(control.Call(L"EraseFlyoutSetting"), S_OK);
  EXPECT_EQ(control.Call(L"GetFlyOutInfo"), S_OK);
  EXPECT_EQ(control.Events(ev::SettingOverwrite).size(), 2u);
  EXPECT_EQ(control.Events(ev::SetSizeInfo).back().args, (std::vector<std::wstring>{L"10", L"20"}));
  EXPECT_EQ(control.CallById(zendrel_dispid::AboutBox, {}), DISP_E_MEMBERNOTFOUND);

  // What the container asks of a safely scriptable control.
  ComPtr<IObjectSafety> safety;
  ASSERT_EQ(control.Site()->Control().As(IID_IObjectSafety, &safety), S_OK);
  DWORD supported = 0, enabled = 0;
  ASSERT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_TRUE(supported & INTERFACESAFE_FOR_UNTRUSTED_CALLER);
  ComPtr<IProvideClassInfo2> classInfo;
  ASSERT_EQ(control.Site()->Control().As(IID_IProvideClassInfo2, &classInfo), S_OK);
  // The container can offer the "Properties" verb.
  ComPtr<IOleObject> object;
  ASSERT_EQ(control.Site()->Control().As(IID_IOleObject, &object), S_OK);
  ComPtr<IEnumOLEVERB> verbs;
  ASSERT_EQ(object->EnumVerbs(verbs.put()), S_OK);
  OLEVERB verb{};
  ULONG fetched = 0;
  ASSERT_EQ(verbs->Next(1, &verb, &fetched), S_OK);
  EXPECT_EQ(verb.lVerb, OLEIVERB_PROPERTIES);
  EXPECT_STREQ(verb.lpszVerbName, L"&Properties");
  ::CoTaskMemFree(verb.lpszVerbName);
  GUID source{};
  ASSERT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
  EXPECT_TRUE(IsEqualGUID(source, zendrel::kEventsIid));
}

TEST_F(ZendrelDll, TheLibraryStaysLoadedWhileAControlLives) {
  ASSERT_EQ(RunRegsvr32(L"/s \"" + DllPath() + L"\""), 0u);
  HostedControl control;
  ASSERT_EQ(control.Create(kClsid), S_OK);
  HMODULE module = ::GetModuleHandleW(L"Zendrel.dll");
  ASSERT_NE(module, nullptr);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  auto canUnload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(::GetProcAddress(module, "DllCanUnloadNow")));
  ASSERT_NE(canUnload, nullptr);
  EXPECT_EQ(canUnload(), S_FALSE);
  control.Close();
  EXPECT_TRUE(PumpUntil([&] { return canUnload() == S_OK; }));
}
