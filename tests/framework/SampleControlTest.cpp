// The ActiveX control base through a real control DLL, as a container and a page script
// see it: self-registration (directly and with regsvr32 of our word size), creation by
// CLSID and ProgID in a real window, calls by name through IDispatch, events, safety,
// class information, the property verb and the module's unload answer.
#include "tests/framework/MessagePump.h"
#include "framework/OleInit.h"
#include "tests/framework/SampleControl/SampleIds.h"

#include "framework/ComPtr.h"
#include "framework/ControlSite.h"
#include "framework/GdiObject.h"
#include "framework/Module.h"
#include "framework/Registration.h"
#include "framework/UniqueBstr.h"
#include "framework/UniqueHandle.h"
#include "framework/UniqueModule.h"
#include "framework/UniqueRegKey.h"
#include "framework/UniqueVariant.h"
#include "framework/Window.h"

#include <gtest/gtest.h>

#include <objsafe.h>
#include <olectl.h>

#include <optional>
#include <string>
#include <vector>

using namespace tavolen;
using tavolen::test::PumpUntil;

namespace {

using DllFunction = HRESULT(STDAPICALLTYPE*)();

std::wstring SampleDllPath() {
  std::wstring path = ModuleFileName();
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"SampleControl.dll";
}

REGSAM OtherRegistryView() { return OwnRegistryView() == KEY_WOW64_64KEY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

// The default (or named) string value of HKCR\key in one registry view; empty when absent.
std::wstring ReadClassesValue(const std::wstring& key, const wchar_t* name = nullptr, REGSAM view = OwnRegistryView()) {
  UniqueRegKey opened;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, opened.put()) != ERROR_SUCCESS) return {};
  wchar_t value[1024] = {};
  DWORD bytes = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegQueryValueExW(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return value;
}

bool ClassesKeyExists(const std::wstring& key, REGSAM view = OwnRegistryView()) {
  UniqueRegKey opened;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, opened.put()) == ERROR_SUCCESS;
}

// Paths compare without case; a "\\?\" long-path prefix (Wine writes one for type
// libraries) does not make a path different.
bool SamePath(std::wstring a, std::wstring b) {
  for (std::wstring* path : {&a, &b})
    if (path->rfind(L"\\\\?\\", 0) == 0) path->erase(0, 4);
  return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The regsvr32 of this program's word size; its exit code.
DWORD RunRegsvr32(const std::wstring& arguments) {
  wchar_t folder[MAX_PATH] = {};
  if (sizeof(void*) == 4 && ::GetSystemWow64DirectoryW(folder, MAX_PATH) == 0) ::GetSystemDirectoryW(folder, MAX_PATH);
  if (sizeof(void*) == 8) ::GetSystemDirectoryW(folder, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(folder) + L"\\regsvr32.exe\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return static_cast<DWORD>(-1);
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  ::WaitForSingleObject(processHandle.get(), INFINITE);
  DWORD code = static_cast<DWORD>(-1);
  ::GetExitCodeProcess(processHandle.get(), &code);
  return code;
}

// The host page's window.
class HostWindow : public Window {
 public:
  HostWindow() : Window(L"TavolenTestHostWindow", CS_HREDRAW | CS_VREDRAW, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH))) {}
  ~HostWindow() override { Destroy(); }
};

struct RecordedEvent {
  DISPID id;
  std::vector<UniqueVariant> args;
};

class SampleControlTest : public ::testing::Test {
 protected:
  // One visible host window for the suite: Wine takes about two seconds to take a shown
  // top-level window down when no window manager runs.
  static void SetUpTestSuite() {
    host_.emplace();
    host_->Create(nullptr, L"Sample host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{20, 20, 520, 420});
  }
  static void TearDownTestSuite() { host_.reset(); }

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(ole_.result()));
    module_ = UniqueModule(::LoadLibraryW(SampleDllPath().c_str()));
    ASSERT_TRUE(module_);
    registerServer_ = Export("DllRegisterServer");
    unregisterServer_ = Export("DllUnregisterServer");
    canUnloadNow_ = Export("DllCanUnloadNow");
    ASSERT_TRUE(registerServer_ && unregisterServer_ && canUnloadNow_);
    ASSERT_EQ(registerServer_(), S_OK);
    ASSERT_TRUE(host_ && host_->hwnd());
  }

  void TearDown() override {
    for (ComPtr<ControlSite>& site : sites_) site->Close();
    sites_.clear();
    ::CoFreeUnusedLibraries();
    if (unregisterServer_) unregisterServer_();
  }

  DllFunction Export(const char* name) {
    return reinterpret_cast<DllFunction>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), name)));
  }

  // A hosted control at (10, 10, 210, 60) of the host window, or a failure.
  HRESULT Host(const wchar_t* name, ControlSite** site) {
    ComPtr<ControlSite> created = ControlSite::Create(host_->hwnd());
    HRESULT hr = created->CreateControl(name, RECT{10, 10, 210, 60});
    if (SUCCEEDED(hr)) {
      *site = created.get();
      sites_.push_back(std::move(created));
    }
    return hr;
  }

  void Close(ControlSite* site) {
    for (auto it = sites_.begin(); it != sites_.end(); ++it) {
      if (it->get() == site) {
        site->Close();
        sites_.erase(it);
        return;
      }
    }
  }

  static DISPID IdOf(IDispatch* dispatch, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
    return id;
  }

  // Calls a member by name as script does: arguments in declared order, passed last first.
  static HRESULT Call(IDispatch* dispatch, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result = nullptr,
                      UINT* argErr = nullptr) {
    DISPID id = IdOf(dispatch, name);
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, argErr);
  }

  static VARIANT I4(LONG v) {
    VARIANT r;
    V_VT(&r) = VT_I4;
    V_I4(&r) = v;
    return r;
  }
  static VARIANT R8(double v) {
    VARIANT r;
    V_VT(&r) = VT_R8;
    V_R8(&r) = v;
    return r;
  }
  static VARIANT Bool(bool v) {
    VARIANT r;
    V_VT(&r) = VT_BOOL;
    V_BOOL(&r) = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
  }
  // Borrowed from `text`, which outlives the call.
  static VARIANT Str(const UniqueBstr& text) {
    VARIANT r;
    V_VT(&r) = VT_BSTR;
    V_BSTR(&r) = text.get();
    return r;
  }

  OleInit ole_;
  UniqueModule module_;
  DllFunction registerServer_ = nullptr;
  DllFunction unregisterServer_ = nullptr;
  DllFunction canUnloadNow_ = nullptr;
  static std::optional<HostWindow> host_;
  std::vector<ComPtr<ControlSite>> sites_;
};

std::optional<HostWindow> SampleControlTest::host_;

const std::wstring kClsidKey = L"CLSID\\" + GuidText(sample::kControlClsid);
const std::wstring kTypeLibKey = L"TypeLib\\" + GuidText(sample::kLibId) + L"\\1.0";

TEST_F(SampleControlTest, RegistrationWritesTheClassInItsOwnViewAndRepeatsHarmlessly) {
  ASSERT_EQ(registerServer_(), S_OK);  // the second registration
  const std::wstring path = SampleDllPath();
  EXPECT_EQ(ReadClassesValue(kClsidKey), L"Sample Control");
  EXPECT_TRUE(SamePath(ReadClassesValue(kClsidKey + L"\\InprocServer32"), path));
  EXPECT_EQ(ReadClassesValue(kClsidKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(ReadClassesValue(kClsidKey + L"\\ProgID"), sample::kControlProgId);
  EXPECT_TRUE(ClassesKeyExists(kClsidKey + L"\\Control"));
  const std::wstring bitmap = ReadClassesValue(kClsidKey + L"\\ToolboxBitmap32");
  EXPECT_TRUE(SamePath(bitmap, path + L", 272")) << bitmap;
  EXPECT_EQ(ReadClassesValue(kClsidKey + L"\\MiscStatus"), L"0");
  EXPECT_EQ(ReadClassesValue(kClsidKey + L"\\MiscStatus\\1"), std::to_wstring(0x30191));
  EXPECT_EQ(ReadClassesValue(kClsidKey + L"\\TypeLib"), GuidText(sample::kLibId));
  EXPECT_EQ(ReadClassesValue(kClsidKey + L"\\Version"), L"1.0");
  EXPECT_EQ(ReadClassesValue(sample::kControlProgId), L"Sample Control");
  EXPECT_EQ(ReadClassesValue(std::wstring(sample::kControlProgId) + L"\\CLSID"), GuidText(sample::kControlClsid));

  const std::wstring pageKey = L"CLSID\\" + GuidText(sample::kPageClsid);
  EXPECT_EQ(ReadClassesValue(pageKey), L"Sample Property Page");
  EXPECT_TRUE(SamePath(ReadClassesValue(pageKey + L"\\InprocServer32"), path));
  EXPECT_FALSE(ClassesKeyExists(pageKey + L"\\Control"));
  EXPECT_EQ(ReadClassesValue(std::wstring(sample::kPageProgId) + L"\\CLSID"), GuidText(sample::kPageClsid));

  const std::wstring scripting = L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
  const std::wstring initialising = L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}";
  EXPECT_TRUE(ClassesKeyExists(kClsidKey + L"\\Implemented Categories\\" + scripting));
  EXPECT_TRUE(ClassesKeyExists(kClsidKey + L"\\Implemented Categories\\" + initialising));
  EXPECT_EQ(ReadClassesValue(L"Component Categories\\" + scripting, L"409"), L"Controls that are safely scriptable");
  EXPECT_EQ(ReadClassesValue(L"Component Categories\\" + initialising, L"409"),
            L"Controls safely initializable from persistent data");

  ComPtr<ITypeLib> library;
  EXPECT_EQ(::LoadRegTypeLib(sample::kLibId, 1, 0, 0x0409, library.put()), S_OK);
  const wchar_t* platform = sizeof(void*) == 8 ? L"win64" : L"win32";
  EXPECT_TRUE(SamePath(ReadClassesValue(kTypeLibKey + L"\\409\\" + platform), path));

  // The other word size's view never points at this build of the DLL.
  const std::wstring other = ReadClassesValue(kClsidKey + L"\\InprocServer32", nullptr, OtherRegistryView());
  EXPECT_FALSE(SamePath(other, path)) << other;
}

TEST_F(SampleControlTest, UnregistrationRemovesClassesAndTypeLibrary) {
  ASSERT_EQ(unregisterServer_(), S_OK);
  EXPECT_FALSE(ClassesKeyExists(kClsidKey));
  EXPECT_FALSE(ClassesKeyExists(L"CLSID\\" + GuidText(sample::kPageClsid)));
  EXPECT_FALSE(ClassesKeyExists(sample::kControlProgId));
  ComPtr<ITypeLib> library;
  EXPECT_NE(::LoadRegTypeLib(sample::kLibId, 1, 0, 0x0409, library.put()), S_OK);
  const wchar_t* platform = sizeof(void*) == 8 ? L"win64" : L"win32";
  EXPECT_FALSE(ClassesKeyExists(kTypeLibKey + L"\\409\\" + platform));
  EXPECT_EQ(unregisterServer_(), S_OK);  // nothing left to remove is no failure
  ComPtr<IUnknown> object;
  EXPECT_EQ(::CoCreateInstance(sample::kControlClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()),
            REGDB_E_CLASSNOTREG);
}

TEST_F(SampleControlTest, Regsvr32OfOurWordSizeRegistersAndUnregisters) {
  ASSERT_EQ(unregisterServer_(), S_OK);
  const std::wstring quoted = L"\"" + SampleDllPath() + L"\"";
  ASSERT_EQ(RunRegsvr32(L"/s " + quoted), 0u);
  EXPECT_TRUE(SamePath(ReadClassesValue(kClsidKey + L"\\InprocServer32"), SampleDllPath()));
  EXPECT_EQ(ReadClassesValue(std::wstring(sample::kControlProgId) + L"\\CLSID"), GuidText(sample::kControlClsid));
  ASSERT_EQ(RunRegsvr32(L"/u /s " + quoted), 0u);
  EXPECT_FALSE(ClassesKeyExists(kClsidKey));
}

TEST_F(SampleControlTest, HostedByClsidAsAChildOfTheHostWindow) {
  ControlSite* site = nullptr;
  ASSERT_EQ(Host(GuidText(sample::kControlClsid).c_str(), &site), S_OK);
  EXPECT_TRUE(site->InPlaceActive());
  HWND control = site->ControlWindow();
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(::GetParent(control), host_->hwnd());
  EXPECT_TRUE(::IsWindowVisible(control));
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, host_->hwnd(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 10);
  EXPECT_EQ(rect.right - rect.left, 200);
  EXPECT_EQ(rect.bottom - rect.top, 50);

  ComPtr<IOleObject> object;
  ASSERT_EQ(site->Control().As(IID_IOleObject, &object), S_OK);
  DWORD status = 0;
  EXPECT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, sample::kMiscStatus);

  // The picture is black, in the window and through IViewObject.
  ::UpdateWindow(control);
  HDC screen = ::GetDC(control);
  EXPECT_EQ(::GetPixel(screen, 5, 5), RGB(0, 0, 0));
  ::ReleaseDC(control, screen);
  ComPtr<IViewObject2> view;
  ASSERT_EQ(site->Control().As(IID_IViewObject2, &view), S_OK);
  HDC memory = ::CreateCompatibleDC(nullptr);
  UniqueBitmap canvas(::CreateCompatibleBitmap(memory, 20, 20));
  HGDIOBJ previous = ::SelectObject(memory, canvas.get());
  ::PatBlt(memory, 0, 0, 20, 20, WHITENESS);
  RECTL bounds{2, 2, 12, 12};
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(::GetPixel(memory, 5, 5), RGB(0, 0, 0));
  EXPECT_EQ(::GetPixel(memory, 15, 15), RGB(255, 255, 255));
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, nullptr, nullptr, nullptr, 0),
            E_INVALIDARG);
  ::SelectObject(memory, previous);
  ::DeleteDC(memory);
  SIZEL extent{};
  EXPECT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent), S_OK);
  EXPECT_GT(extent.cx, 0);

  Close(site);
  EXPECT_FALSE(::IsWindow(control));
}

TEST_F(SampleControlTest, HostedByProgIdAndOnlyOncePerProcess) {
  ControlSite* site = nullptr;
  ASSERT_EQ(Host(sample::kControlProgId, &site), S_OK);
  ComPtr<IUnknown> second;
  EXPECT_EQ(::CoCreateInstance(sample::kControlClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, second.put_void()),
            sample::kSecondInstanceRefused);
  EXPECT_FALSE(second);
  Close(site);
  ASSERT_EQ(Host(sample::kControlProgId, &site), S_OK);
  EXPECT_EQ(Host(L"TAVOLENTEST.NoSuchControl", &site), CO_E_CLASSSTRING);
}

TEST_F(SampleControlTest, MethodsCalledByNameCoerceScriptValues) {
  ControlSite* site = nullptr;
  ASSERT_EQ(Host(sample::kControlProgId, &site), S_OK);
  ComPtr<IDispatch> dispatch = site->Dispatch();
  ASSERT_TRUE(dispatch);

  UniqueVariant result;
  ASSERT_EQ(Call(dispatch.get(), L"add", {I4(2), I4(40)}, result.get()), S_OK);
  ASSERT_EQ(result.type(), VT_I4);
  EXPECT_EQ(V_I4(result.get()), 42);

  ASSERT_EQ(Call(dispatch.get(), L"Scale", {R8(1.5), I4(4)}, result.put()), S_OK);
  ASSERT_EQ(result.type(), VT_R8);
  EXPECT_DOUBLE_EQ(V_R8(result.get()), 6.0);

  UniqueBstr hello(std::wstring_view(L"hello"));
  ASSERT_EQ(Call(dispatch.get(), L"Describe", {Str(hello), Bool(true)}, result.put()), S_OK);
  ASSERT_EQ(result.type(), VT_BSTR);
  EXPECT_STREQ(V_BSTR(result.get()), L"hello!");
  ASSERT_EQ(Call(dispatch.get(), L"Describe", {Str(hello), I4(0)}, result.put()), S_OK);
  EXPECT_STREQ(V_BSTR(result.get()), L"hello.");

  // Values by reference, as some engines pass variables.
  LONG first = 30;
  UniqueVariant second = UniqueVariant::FromDouble(12.0);
  VARIANT firstRef, secondRef;
  V_VT(&firstRef) = VT_BYREF | VT_I4;
  V_I4REF(&firstRef) = &first;
  V_VT(&secondRef) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&secondRef) = second.get();
  ASSERT_EQ(Call(dispatch.get(), L"Add", {firstRef, secondRef}, result.put()), S_OK);
  EXPECT_EQ(V_I4(result.get()), 42);

  ASSERT_EQ(Call(dispatch.get(), L"CallCount", {}, result.put()), S_OK);
  ASSERT_EQ(result.type(), VT_I2);
  EXPECT_EQ(V_I2(result.get()), 6);  // five calls before, and this one
}

TEST_F(SampleControlTest, BadCallsAreRefusedWithTheirErrors) {
  ControlSite* site = nullptr;
  ASSERT_EQ(Host(sample::kControlProgId, &site), S_OK);
  ComPtr<IDispatch> dispatch = site->Dispatch();
  UniqueVariant result;

  EXPECT_EQ(Call(dispatch.get(), L"Add", {I4(1)}, result.get()), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(dispatch.get(), L"CallCount", {I4(1)}, result.put()), DISP_E_BADPARAMCOUNT);

  UINT argErr = 99;
  UniqueBstr text(std::wstring_view(L"not a number"));
  EXPECT_EQ(Call(dispatch.get(), L"Add", {Str(text), I4(1)}, result.put(), &argErr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 1u);  // the first declared argument sits last in DISPPARAMS
  EXPECT_EQ(Call(dispatch.get(), L"Scale", {R8(1.0), I4(300)}, result.put(), &argErr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u);

  // Declared in the type library but not served; and a number nobody declared.
  DISPPARAMS none{};
  EXPECT_EQ(dispatch->Invoke(sample::dispid::Hidden, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(dispatch->Invoke(999, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  LPOLESTR hidden[] = {const_cast<LPOLESTR>(L"Hidden")};
  DISPID id = 0;
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, hidden, 1, 0, &id), DISP_E_UNKNOWNNAME);

  // Nothing of the refused calls reached the control.
  ASSERT_EQ(Call(dispatch.get(), L"CallCount", {}, result.put()), S_OK);
  EXPECT_EQ(V_I2(result.get()), 1);
}

TEST_F(SampleControlTest, EventsReachTheSinkInDeclaredOrder) {
  ControlSite* site = nullptr;
  ASSERT_EQ(Host(sample::kControlProgId, &site), S_OK);
  std::vector<RecordedEvent> events;
  ASSERT_EQ(site->ConnectEvents([&](DISPID id, const std::vector<VARIANT>& args) {
    RecordedEvent event{id, {}};
    for (const VARIANT& arg : args) event.args.push_back(UniqueVariant::CopyOf(arg));
    events.push_back(std::move(event));
  }),
            S_OK);
  ComPtr<IDispatch> dispatch = site->Dispatch();

  UniqueBstr text(std::wstring_view(L"F:\\"));
  ASSERT_EQ(Call(dispatch.get(), L"Announce", {Str(text), I4(7)}), S_OK);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, sample::event::Announced);
  ASSERT_EQ(events[0].args.size(), 2u);
  EXPECT_STREQ(V_BSTR(events[0].args[0].get()), L"F:\\");
  ASSERT_EQ(events[0].args[1].type(), VT_UI4);
  EXPECT_EQ(V_UI4(events[0].args[1].get()), 7u);

  // The container moves the control: the window follows and the control reports its size.
  ASSERT_EQ(site->Move(RECT{0, 100, 300, 130}), S_OK);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].id, sample::event::Resized);
  EXPECT_EQ(V_I4(events[1].args[0].get()), 300);
  EXPECT_EQ(V_I4(events[1].args[1].get()), 30);
  RECT rect{};
  ::GetWindowRect(site->ControlWindow(), &rect);
  ::MapWindowPoints(nullptr, host_->hwnd(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.top, 100);
  EXPECT_EQ(rect.right, 300);

  // Messages to the control window reach the control.
  ASSERT_TRUE(::PostMessageW(site->ControlWindow(), sample::kAnnounceMessage, 5, 0));
  ASSERT_TRUE(PumpUntil([&] { return events.size() == 3; }));
  EXPECT_STREQ(V_BSTR(events[2].args[0].get()), L"posted");
  EXPECT_EQ(V_I4(events[2].args[1].get()), 5);

  // Frozen events are dropped; after the thaw they flow again.
  ComPtr<IOleControl> control;
  ASSERT_EQ(site->Control().As(IID_IOleControl, &control), S_OK);
  control->FreezeEvents(TRUE);
  ASSERT_EQ(Call(dispatch.get(), L"Announce", {Str(text), I4(8)}), S_OK);
  EXPECT_EQ(events.size(), 3u);
  control->FreezeEvents(FALSE);
  ASSERT_EQ(Call(dispatch.get(), L"Announce", {Str(text), I4(9)}), S_OK);
  ASSERT_EQ(events.size(), 4u);

  site->DisconnectEvents();
  ASSERT_EQ(Call(dispatch.get(), L"Announce", {Str(text), I4(10)}), S_OK);
  EXPECT_EQ(events.size(), 4u);
}

TEST_F(SampleControlTest, ConnectionPointAcceptsOnlyItsEventInterface) {
  ControlSite* site = nullptr;
  ASSERT_EQ(Host(sample::kControlProgId, &site), S_OK);
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(site->Control().As(IID_IConnectionPointContainer, &container), S_OK);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, point.put()), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(container->FindConnectionPoint(sample::kEventsIid, point.put()), S_OK);
  IID iid{};
  ASSERT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, sample::kEventsIid);

  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
  IConnectionPoint* found[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(2, found, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(found[0], point.get());
  found[0]->Release();

  int calls = 0;
  ComPtr<EventSink> sink = MakeComObject<EventSink>(sample::kEventsIid, [&](DISPID, const std::vector<VARIANT>&) { ++calls; });
  DWORD first = 0, second = 0;
  ASSERT_EQ(point->Advise(static_cast<IDispatch*>(sink.get()), &first), S_OK);
  ASSERT_EQ(point->Advise(static_cast<IDispatch*>(sink.get()), &second), S_OK);
  EXPECT_NE(first, second);
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
  CONNECTDATA data[3] = {};
  ASSERT_EQ(connections->Next(3, data, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 2u);
  for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();

  UniqueBstr text(std::wstring_view(L"x"));
  ASSERT_EQ(Call(site->Dispatch().get(), L"Announce", {Str(text), I4(1)}), S_OK);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(point->Unadvise(first), S_OK);
  EXPECT_EQ(point->Unadvise(first), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(Call(site->Dispatch().get(), L"Announce", {Str(text), I4(1)}), S_OK);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(point->Unadvise(second), S_OK);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
}

TEST_F(SampleControlTest, SafetyAndClassInformation) {
  ControlSite* site = nullptr;
  ASSERT_EQ(Host(sample::kControlProgId, &site), S_OK);
  ComPtr<IObjectSafety> safety;
  ASSERT_EQ(site->Control().As(IID_IObjectSafety, &safety), S_OK);
  const DWORD both = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
  for (const IID* iid : {&IID_IDispatch, &IID_IPersistStreamInit, &IID_IPersistPropertyBag}) {
    DWORD supported = 0, enabled = 0;
    ASSERT_EQ(safety->GetInterfaceSafetyOptions(*iid, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, both);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(*iid, both, both), S_OK);
    ASSERT_EQ(safety->GetInterfaceSafetyOptions(*iid, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, both);
  }
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IOleObject, &supported, &enabled), E_NOINTERFACE);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 0x4, 0x4), E_FAIL);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_DATA, 0), S_OK);
  safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled);
  EXPECT_EQ(enabled, static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_CALLER));

  ComPtr<IProvideClassInfo2> classInfo;
  ASSERT_EQ(site->Control().As(IID_IProvideClassInfo2, &classInfo), S_OK);
  GUID source{};
  ASSERT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
  EXPECT_EQ(source, sample::kEventsIid);
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(classInfo->GetClassInfo(coclass.put()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, sample::kControlClsid);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  coclass->ReleaseTypeAttr(attr);

  ComPtr<ITypeInfo> dispatchInfo;
  ASSERT_EQ(site->Dispatch()->GetTypeInfo(0, 0, dispatchInfo.put()), S_OK);
  ASSERT_EQ(dispatchInfo->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, sample::kDispatchIid);
  dispatchInfo->ReleaseTypeAttr(attr);

  ComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(site->Control().As(IID_ISpecifyPropertyPages, &pages), S_OK);
  CAUUID list{};
  ASSERT_EQ(pages->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, 1u);
  EXPECT_EQ(list.pElems[0], sample::kPageClsid);
  ::CoTaskMemFree(list.pElems);

  ComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(site->Control().As(IID_IPersistStreamInit, &persist), S_OK);
  CLSID clsid{};
  EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, sample::kControlClsid);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
}

// Closes the property frame once its page shows our template; records what it saw.
struct FrameWatch {
  bool sawPage = false;
  int ticks = 0;
};
FrameWatch g_frameWatch;

BOOL CALLBACK FindPageText(HWND child, LPARAM found) {
  wchar_t text[64] = {};
  ::GetWindowTextW(child, text, 64);
  if (::GetDlgCtrlID(child) == 201 && std::wstring(text) == L"No properties") *reinterpret_cast<bool*>(found) = true;
  return TRUE;
}

BOOL CALLBACK CloseFrame(HWND window, LPARAM) {
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  if (std::wstring(className) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  ::EnumChildWindows(window, &FindPageText, reinterpret_cast<LPARAM>(&g_frameWatch.sawPage));
  ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

void CALLBACK WatchFrame(HWND, UINT, UINT_PTR, DWORD) {
  ++g_frameWatch.ticks;
  ::EnumThreadWindows(::GetCurrentThreadId(), &CloseFrame, 0);
}

TEST_F(SampleControlTest, PropertiesVerbShowsTheEmptyPage) {
  ControlSite* site = nullptr;
  ASSERT_EQ(Host(sample::kControlProgId, &site), S_OK);
  g_frameWatch = FrameWatch{};
  UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &WatchFrame);
  ASSERT_NE(timer, 0u);
  HRESULT hr = site->DoVerb(OLEIVERB_PROPERTIES);  // modal until the watch closes it
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(hr, S_OK);
  EXPECT_TRUE(g_frameWatch.sawPage);
}

TEST_F(SampleControlTest, ModuleStaysLoadedWhileObjectsLocksOrWorkersHoldIt) {
  ::CoFreeUnusedLibraries();
  EXPECT_EQ(canUnloadNow_(), S_OK);
  ControlSite* site = nullptr;
  ASSERT_EQ(Host(sample::kControlProgId, &site), S_OK);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  ASSERT_EQ(Call(site->Dispatch().get(), L"HoldModule", {Bool(true)}), S_OK);
  Close(site);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);  // the "worker" still runs

  ASSERT_EQ(Host(sample::kControlProgId, &site), S_OK);
  ASSERT_EQ(Call(site->Dispatch().get(), L"HoldModule", {Bool(false)}), S_OK);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  Close(site);
  EXPECT_EQ(canUnloadNow_(), S_OK);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(::CoGetClassObject(sample::kControlClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               factory.put_void()),
            S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.reset();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  ASSERT_EQ(::CoGetClassObject(sample::kControlClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               factory.put_void()),
            S_OK);
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.get()), IID_IUnknown, aggregated.put_void()),
            CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  factory.reset();
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

}  // namespace
