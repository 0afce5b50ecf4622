// The portable-device client against fake objects behind the system's interfaces: the
// client information it opens devices with, the storage it finds and the capacity it
// reads, what it gives back, the COM initialisation of its thread and the calls a count
// makes. Under Wine the system has no manager at all: nothing portable is listed then.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "control/device/DeviceList.h"
#include "control/device/win/Win32PortableDevices.h"
#include "control/device/win/WpdApi.h"
#include "framework/ComObject.h"
#include "sim/SimOpener.h"
#include "tests/enumeration/FakeSource.h"

namespace tavolen {
namespace {

using namespace wpd;

#define NOT_USED(name, parameters) \
  HRESULT STDMETHODCALLTYPE name parameters override { return E_NOTIMPL; }

// A value of a collection: a class identity, a text, or an interface (the scene's own).
struct Element {
  VARTYPE vt;
  GUID clsid;
  std::wstring text;
};
Element Clsid(const GUID& id) { return {VT_CLSID, id, {}}; }
Element Text(std::wstring text) { return {VT_LPWSTR, {}, std::move(text)}; }
const Element kInterface{VT_UNKNOWN, {}, {}};

// An interface held in values; it counts the references the client took and gave back.
struct Held : IUnknown {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override { return *out = nullptr, E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  ULONG references = 1;
};

// What the fakes of one test share: the devices by path, the calls made, the objects alive.
struct Scene {
  struct Device {
    bool openFails = false;
    std::vector<Element> categories;
    std::vector<std::vector<Element>> storageObjects;  // one list per GetFunctionalObjects
    std::map<DWORD, ULONGLONG> storage;                 // property id: value
  };
  std::map<std::wstring, Device> devices;
  bool noManager = false, noDeviceObject = false;
  DWORD failingClientKey = 0;
  std::wstring managerText = L"Phone";
  HRESULT managerResult = S_OK;
  bool managerFillsBuffer = false;  // every offered character, no NUL

  std::vector<std::string> calls;
  std::vector<std::wstring> clientInfo;  // "<property id>=<value>" as set
  std::vector<DWORD> keysAsked;
  std::wstring objectAsked;
  int live = 0;
  Held held;

  ComObjectFactory Factory();
};

template <class Interface>
class Fake : public ComObjectBase, public Interface {
 public:
  COM_OBJECT_REFCOUNT
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    *out = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, iid_)) return E_NOINTERFACE;
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }

 protected:
  Fake(Scene& scene, const IID& iid) : scene_(scene), iid_(iid) { ++scene_.live; }
  ~Fake() override { --scene_.live; }
  Scene& scene_;

 private:
  IID iid_;
};

class FakeCollection : public Fake<IPortableDevicePropVariantCollection> {
 public:
  FakeCollection(Scene& scene, std::vector<Element> elements)
      : Fake(scene, IID_IPortableDevicePropVariantCollection), elements_(std::move(elements)) {}
  HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override { return *count = DWORD(elements_.size()), S_OK; }
  HRESULT STDMETHODCALLTYPE GetAt(const DWORD index, PROPVARIANT* value) override {
    if (index >= elements_.size()) return E_INVALIDARG;
    const Element& e = elements_[index];
    std::memset(value, 0, sizeof *value);
    value->vt = e.vt;
    if (e.vt == VT_CLSID) {
      value->puuid = static_cast<CLSID*>(::CoTaskMemAlloc(sizeof(CLSID)));
      *value->puuid = e.clsid;
    } else if (e.vt == VT_LPWSTR) {
      value->pwszVal = static_cast<LPWSTR>(::CoTaskMemAlloc((e.text.size() + 1) * sizeof(wchar_t)));
      std::wcscpy(value->pwszVal, e.text.c_str());
    } else {
      (value->punkVal = &scene_.held)->AddRef();
    }
    return S_OK;
  }
  NOT_USED(Add, (const PROPVARIANT*)) NOT_USED(GetType, (VARTYPE*)) NOT_USED(ChangeType, (const VARTYPE))
  NOT_USED(Clear, ()) NOT_USED(RemoveAt, (const DWORD))

 private:
  std::vector<Element> elements_;
};

class FakeKeys : public Fake<IPortableDeviceKeyCollection> {
 public:
  explicit FakeKeys(Scene& scene) : Fake(scene, IID_IPortableDeviceKeyCollection) {}
  HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override { return *count = DWORD(keys.size()), S_OK; }
  HRESULT STDMETHODCALLTYPE GetAt(const DWORD index, PROPERTYKEY* key) override {
    return index < keys.size() ? (*key = keys[index], S_OK) : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE Add(REFPROPERTYKEY key) override { return keys.push_back(key), S_OK; }
  NOT_USED(Clear, ()) NOT_USED(RemoveAt, (const DWORD))
  std::vector<PROPERTYKEY> keys;
};

class FakeValues : public Fake<IPortableDeviceValues> {
 public:
  FakeValues(Scene& scene, std::map<DWORD, ULONGLONG> numbers)
      : Fake(scene, IID_IPortableDeviceValues), numbers_(std::move(numbers)) {}
  HRESULT STDMETHODCALLTYPE SetStringValue(REFPROPERTYKEY key, LPCWSTR value) override { return Set(key, value); }
  HRESULT STDMETHODCALLTYPE SetUnsignedIntegerValue(REFPROPERTYKEY key, const ULONG value) override {
    return Set(key, std::to_wstring(value));
  }
  HRESULT STDMETHODCALLTYPE GetUnsignedLargeIntegerValue(REFPROPERTYKEY key, ULONGLONG* value) override {
    const auto found = numbers_.find(key.pid);
    if (!IsEqualGUID(key.fmtid, kStorageObjectProperties) || found == numbers_.end())
      return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    return *value = found->second, S_OK;
  }
  NOT_USED(GetCount, (DWORD*)) NOT_USED(GetAt, (const DWORD, PROPERTYKEY*, PROPVARIANT*))
  NOT_USED(SetValue, (REFPROPERTYKEY, const PROPVARIANT*)) NOT_USED(GetValue, (REFPROPERTYKEY, PROPVARIANT*))
  NOT_USED(GetStringValue, (REFPROPERTYKEY, LPWSTR*)) NOT_USED(GetUnsignedIntegerValue, (REFPROPERTYKEY, ULONG*))
  NOT_USED(SetSignedIntegerValue, (REFPROPERTYKEY, const LONG)) NOT_USED(GetSignedIntegerValue, (REFPROPERTYKEY, LONG*))
  NOT_USED(SetUnsignedLargeIntegerValue, (REFPROPERTYKEY, const ULONGLONG))
  NOT_USED(SetSignedLargeIntegerValue, (REFPROPERTYKEY, const LONGLONG))
  NOT_USED(GetSignedLargeIntegerValue, (REFPROPERTYKEY, LONGLONG*))
  NOT_USED(SetFloatValue, (REFPROPERTYKEY, const FLOAT)) NOT_USED(GetFloatValue, (REFPROPERTYKEY, FLOAT*))
  NOT_USED(SetErrorValue, (REFPROPERTYKEY, const HRESULT)) NOT_USED(GetErrorValue, (REFPROPERTYKEY, HRESULT*))
  NOT_USED(SetKeyValue, (REFPROPERTYKEY, REFPROPERTYKEY)) NOT_USED(GetKeyValue, (REFPROPERTYKEY, PROPERTYKEY*))
  NOT_USED(SetBoolValue, (REFPROPERTYKEY, const WINBOOL)) NOT_USED(GetBoolValue, (REFPROPERTYKEY, WINBOOL*))
  NOT_USED(SetIUnknownValue, (REFPROPERTYKEY, IUnknown*)) NOT_USED(GetIUnknownValue, (REFPROPERTYKEY, IUnknown**))
  NOT_USED(SetGuidValue, (REFPROPERTYKEY, REFGUID)) NOT_USED(GetGuidValue, (REFPROPERTYKEY, GUID*))
  NOT_USED(SetBufferValue, (REFPROPERTYKEY, BYTE*, DWORD)) NOT_USED(GetBufferValue, (REFPROPERTYKEY, BYTE**, DWORD*))
  NOT_USED(SetIPortableDeviceValuesValue, (REFPROPERTYKEY, IPortableDeviceValues*))
  NOT_USED(GetIPortableDeviceValuesValue, (REFPROPERTYKEY, IPortableDeviceValues**))
  NOT_USED(SetIPortableDevicePropVariantCollectionValue, (REFPROPERTYKEY, IPortableDevicePropVariantCollection*))
  NOT_USED(GetIPortableDevicePropVariantCollectionValue, (REFPROPERTYKEY, IPortableDevicePropVariantCollection**))
  NOT_USED(SetIPortableDeviceKeyCollectionValue, (REFPROPERTYKEY, IPortableDeviceKeyCollection*))
  NOT_USED(GetIPortableDeviceKeyCollectionValue, (REFPROPERTYKEY, IPortableDeviceKeyCollection**))
  NOT_USED(SetIPortableDeviceValuesCollectionValue, (REFPROPERTYKEY, IPortableDeviceValuesCollection*))
  NOT_USED(GetIPortableDeviceValuesCollectionValue, (REFPROPERTYKEY, IPortableDeviceValuesCollection**))
  NOT_USED(RemoveValue, (REFPROPERTYKEY)) NOT_USED(CopyValuesFromPropertyStore, (IPropertyStore*))
  NOT_USED(CopyValuesToPropertyStore, (IPropertyStore*)) NOT_USED(Clear, ())

 private:
  HRESULT Set(REFPROPERTYKEY key, const std::wstring& value) {
    if (!IsEqualGUID(key.fmtid, kClientInformationProperties)) return E_INVALIDARG;
    scene_.clientInfo.push_back(std::to_wstring(key.pid) + L"=" + value);
    return key.pid == scene_.failingClientKey ? E_ACCESSDENIED : S_OK;
  }
  std::map<DWORD, ULONGLONG> numbers_;
};

// The device object, which is also its own capabilities, content and properties.
class FakeDevice : public ComObjectBase,
                   public IPortableDevice,
                   public IPortableDeviceCapabilities,
                   public IPortableDeviceContent,
                   public IPortableDeviceProperties {
 public:
  COM_OBJECT_REFCOUNT
  explicit FakeDevice(Scene& scene) : scene_(scene) { ++scene_.live; }
  ~FakeDevice() override { --scene_.live; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!IsEqualGUID(riid, IID_IPortableDevice)) return *out = nullptr, E_NOINTERFACE;
    *out = static_cast<IPortableDevice*>(this);
    return AddRef(), S_OK;
  }
  HRESULT STDMETHODCALLTYPE Open(LPCWSTR deviceId, IPortableDeviceValues* clientInfo) override {
    device_ = &scene_.devices[Log("Open", deviceId)];
    return clientInfo && !device_->openFails ? S_OK : E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE Capabilities(IPortableDeviceCapabilities** out) override {
    return Self("Capabilities", out);
  }
  HRESULT STDMETHODCALLTYPE Content(IPortableDeviceContent** out) override { return Self("Content", out); }
  HRESULT STDMETHODCALLTYPE Properties(IPortableDeviceProperties** out) override { return Self("Properties", out); }
  HRESULT STDMETHODCALLTYPE Close() override { return Log("Close", L""), S_OK; }
  HRESULT STDMETHODCALLTYPE GetFunctionalCategories(IPortableDevicePropVariantCollection** categories) override {
    Log("GetFunctionalCategories", L"");
    return *categories = MakeComObject<FakeCollection>(scene_, device_->categories).detach(), S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFunctionalObjects(REFGUID category,
                                                 IPortableDevicePropVariantCollection** objects) override {
    Log("GetFunctionalObjects", L"");
    if (!IsEqualGUID(category, WPD_FUNCTIONAL_CATEGORY_STORAGE) || asked_ >= device_->storageObjects.size())
      return E_FAIL;
    return *objects = MakeComObject<FakeCollection>(scene_, device_->storageObjects[asked_++]).detach(), S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetValues(LPCWSTR objectId, IPortableDeviceKeyCollection* keys,
                                      IPortableDeviceValues** values) override {
    scene_.objectAsked = Log("GetValues", objectId);
    DWORD count = 0;
    keys->GetCount(&count);
    scene_.keysAsked.clear();
    for (DWORD i = 0; i < count; ++i) {
      PROPERTYKEY key{};
      keys->GetAt(i, &key);
      scene_.keysAsked.push_back(IsEqualGUID(key.fmtid, kStorageObjectProperties) ? key.pid : 0);
    }
    return *values = MakeComObject<FakeValues>(scene_, device_->storage).detach(), S_OK;
  }
  NOT_USED(Cancel, ()) NOT_USED(SendCommand, (DWORD, IPortableDeviceValues*, IPortableDeviceValues**))
  NOT_USED(Advise, (DWORD, IPortableDeviceEventCallback*, IPortableDeviceValues*, LPWSTR*))
  NOT_USED(Unadvise, (LPCWSTR)) NOT_USED(GetPnPDeviceID, (LPWSTR*))
  NOT_USED(GetSupportedCommands, (IPortableDeviceKeyCollection**))
  NOT_USED(GetCommandOptions, (REFPROPERTYKEY, IPortableDeviceValues**))
  NOT_USED(GetSupportedContentTypes, (REFGUID, IPortableDevicePropVariantCollection**))
  NOT_USED(GetSupportedFormats, (REFGUID, IPortableDevicePropVariantCollection**))
  NOT_USED(GetSupportedFormatProperties, (REFGUID, IPortableDeviceKeyCollection**))
  NOT_USED(GetFixedPropertyAttributes, (REFGUID, REFPROPERTYKEY, IPortableDeviceValues**))
  NOT_USED(GetSupportedEvents, (IPortableDevicePropVariantCollection**))
  NOT_USED(GetEventOptions, (REFGUID, IPortableDeviceValues**))
  NOT_USED(EnumObjects, (DWORD, LPCWSTR, IPortableDeviceValues*, IEnumPortableDeviceObjectIDs**))
  NOT_USED(Transfer, (IPortableDeviceResources**))
  NOT_USED(CreateObjectWithPropertiesOnly, (IPortableDeviceValues*, LPWSTR*))
  NOT_USED(CreateObjectWithPropertiesAndData, (IPortableDeviceValues*, IStream**, DWORD*, LPWSTR*))
  NOT_USED(Delete, (DWORD, IPortableDevicePropVariantCollection*, IPortableDevicePropVariantCollection**))
  NOT_USED(GetObjectIDsFromPersistentUniqueIDs,
           (IPortableDevicePropVariantCollection*, IPortableDevicePropVariantCollection**))
  NOT_USED(Move, (IPortableDevicePropVariantCollection*, LPCWSTR, IPortableDevicePropVariantCollection**))
  NOT_USED(Copy, (IPortableDevicePropVariantCollection*, LPCWSTR, IPortableDevicePropVariantCollection**))
  NOT_USED(GetSupportedProperties, (LPCWSTR, IPortableDeviceKeyCollection**))
  NOT_USED(GetPropertyAttributes, (LPCWSTR, REFPROPERTYKEY, IPortableDeviceValues**))
  NOT_USED(SetValues, (LPCWSTR, IPortableDeviceValues*, IPortableDeviceValues**))
  NOT_USED(Delete, (LPCWSTR, IPortableDeviceKeyCollection*))

 private:
  std::wstring Log(const char* call, std::wstring argument) {
    scene_.calls.push_back(call);
    return argument;
  }
  template <class Interface>
  HRESULT Self(const char* call, Interface** out) {
    Log(call, L"");
    *out = this;
    return AddRef(), S_OK;
  }
  Scene& scene_;
  const Scene::Device* device_ = nullptr;
  std::size_t asked_ = 0;
};

class FakeManager : public Fake<IPortableDeviceManager> {
 public:
  explicit FakeManager(Scene& scene) : Fake(scene, IID_IPortableDeviceManager) {}
  HRESULT STDMETHODCALLTYPE GetDeviceFriendlyName(LPCWSTR, WCHAR* name, DWORD* chars) override {
    return Answer("GetDeviceFriendlyName", name, chars);
  }
  HRESULT STDMETHODCALLTYPE GetDeviceManufacturer(LPCWSTR, WCHAR* text, DWORD* chars) override {
    return Answer("GetDeviceManufacturer", text, chars);
  }
  NOT_USED(GetDevices, (LPWSTR*, DWORD*)) NOT_USED(RefreshDeviceList, ())
  NOT_USED(GetDeviceDescription, (LPCWSTR, WCHAR*, DWORD*))
  NOT_USED(GetDeviceProperty, (LPCWSTR, LPCWSTR, BYTE*, DWORD*, DWORD*)) NOT_USED(GetPrivateDevices, (LPWSTR*, DWORD*))

 private:
  HRESULT Answer(const char* call, WCHAR* text, DWORD* chars) {
    scene_.calls.push_back(call);
    if (scene_.managerFillsBuffer) std::wmemset(text, L'x', *chars);
    else if (SUCCEEDED(scene_.managerResult)) std::wcsncpy(text, scene_.managerText.c_str(), *chars);
    return scene_.managerResult;
  }
};

ComObjectFactory Scene::Factory() {
  return [this](const CLSID& clsid, const IID& iid, void** out) -> HRESULT {
    *out = nullptr;
    // Each object is asked for the interface, then let go of: the client keeps what it asked for.
    auto answer = [&](auto made) { return made->QueryInterface(iid, out); };
    if (IsEqualGUID(clsid, CLSID_PortableDeviceManager) && !noManager) return answer(MakeComObject<FakeManager>(*this));
    if (IsEqualGUID(clsid, CLSID_PortableDeviceFTM) && !noDeviceObject) return answer(MakeComObject<FakeDevice>(*this));
    if (IsEqualGUID(clsid, CLSID_PortableDeviceValues))
      return answer(MakeComObject<FakeValues>(*this, std::map<DWORD, ULONGLONG>{}));
    if (IsEqualGUID(clsid, CLSID_PortableDeviceKeyCollection)) return answer(MakeComObject<FakeKeys>(*this));
    return REGDB_E_CLASSNOTREG;
  };
}

const std::wstring kPhone = L"\\\\?\\SWD#WPDBUSENUM#PHONE";

// --- tests ---------------------------------------------------------------------------

TEST(WpdClient, OpensWithTheClientInformationSetInOrderAlsoAfterAFailedKey) {
  Scene scene;
  scene.failingClientKey = WPD_CLIENT_NAME.pid;
  Win32PortableDevices client(scene.Factory());
  {
    const auto session = client.StartSession();
    ASSERT_TRUE(session);
    EXPECT_EQ(scene.clientInfo, (std::vector<std::wstring>{L"2=WPD Access Application", L"3=1", L"4=0", L"5=2",
                                                           L"8=131072"}));
    EXPECT_TRUE(session->Open(u"\\\\?\\SWD#WPDBUSENUM#PHONE").device) << "opened with that information";
  }
  EXPECT_EQ(scene.live, 0) << "everything released";
}

TEST(WpdClient, FindsTheFirstStorageReadsItsCapacityAndGivesEveryValueBack) {
  Scene scene;
  Scene::Device& phone = scene.devices[kPhone];
  phone.categories = {kInterface, Clsid(CLSID_PortableDeviceValues), Clsid(WPD_FUNCTIONAL_CATEGORY_STORAGE),
                      Clsid(WPD_FUNCTIONAL_CATEGORY_STORAGE)};
  phone.storageObjects = {{kInterface}, {Text(L"s10001"), Text(L"s20002")}};
  phone.storage = {{WPD_STORAGE_CAPACITY.pid, 32ull << 30}, {WPD_STORAGE_FREE_SPACE_IN_BYTES.pid, 1ull << 30}};
  Win32PortableDevices client(scene.Factory());
  {
    const auto session = client.StartSession();
    auto device = session->Open(u"\\\\?\\SWD#WPDBUSENUM#PHONE").device;
    ASSERT_TRUE(device);
    EXPECT_EQ(device->FindStorageObject(), u"s10001") << "the first storage whose first object is a text";
    EXPECT_EQ(scene.held.references, 1u) << "every value read was cleared";
    const auto space = device->GetStorageCapacity(u"s10001");
    ASSERT_TRUE(space);
    EXPECT_EQ(space->capacity, 32ull << 30);
    EXPECT_EQ(space->freeSpace, 1ull << 30);
    EXPECT_EQ(scene.objectAsked, L"s10001");
    EXPECT_EQ(scene.keysAsked, (std::vector<DWORD>{4, 5}));
    phone.storage.erase(WPD_STORAGE_FREE_SPACE_IN_BYTES.pid);
    EXPECT_FALSE(device->GetStorageCapacity(u"s10001")) << "both values or none";
    device.reset();
    EXPECT_EQ(scene.calls.back(), "Close");
  }
  EXPECT_EQ(scene.live, 0);
}

TEST(WpdClient, ADeviceThatDoesNotOpenIsReleasedAndWithoutDeviceObjectsTheClassEnds) {
  Scene scene;
  scene.devices[kPhone].openFails = true;
  Win32PortableDevices client(scene.Factory());
  const auto session = client.StartSession();
  const int withSession = scene.live;
  const PortableDeviceSession::Opening refused = session->Open(u"\\\\?\\SWD#WPDBUSENUM#PHONE");
  EXPECT_FALSE(refused.device);
  EXPECT_FALSE(refused.noDeviceObject);
  EXPECT_EQ(scene.live, withSession) << "the device object went at once";
  EXPECT_EQ(std::count(scene.calls.begin(), scene.calls.end(), "Close"), 0) << "nothing to close";
  scene.noDeviceObject = true;
  EXPECT_TRUE(session->Open(u"\\\\?\\SWD#WPDBUSENUM#PHONE").noDeviceObject);
}

TEST(WpdClient, TheManagersTextsAreReadOnlyWhenTheManagerSaysSoAndEndInTheirBuffer) {
  Scene scene;
  Win32PortableDevices client(scene.Factory());
  const auto session = client.StartSession();
  EXPECT_EQ(session->FriendlyName(u"P"), std::optional<std::u16string>(u"Phone"));
  scene.managerText.clear();
  EXPECT_EQ(session->Manufacturer(u"P"), std::optional<std::u16string>(u"")) << "nothing written: no leftovers";
  scene.managerResult = E_FAIL;
  EXPECT_EQ(session->Manufacturer(u"P"), std::nullopt);
  scene.managerResult = S_OK;
  scene.managerFillsBuffer = true;
  EXPECT_EQ(session->FriendlyName(u"P")->size(), 259u) << "ends in the buffer without a NUL of the manager's";
}

TEST(WpdClient, ComIsUninitialisedAsOftenAsItWasInitialisedAndNeverAfterAChangedMode) {
  // What the thread's COM looks like afterwards: an apartment-threaded initialisation
  // answers S_OK on a clean thread, RPC_E_CHANGED_MODE on a thread still multithreaded.
  auto onThread = [](bool multithreaded, bool withManager) {
    HRESULT after = E_FAIL;
    std::thread([&] {
      if (multithreaded) ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      Scene scene;
      scene.noManager = !withManager;
      Win32PortableDevices client(scene.Factory());
      std::unique_ptr<OpenedPortableDevice> device;
      if (auto session = client.StartSession()) device = session->Open(u"\\\\?\\SWD#WPDBUSENUM#PHONE").device;
      device.reset();
      after = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      if (SUCCEEDED(after)) ::CoUninitialize();
      if (multithreaded) ::CoUninitialize();
    }).join();
    return after;
  };
  EXPECT_EQ(onThread(false, true), S_OK);
  EXPECT_EQ(onThread(false, false), S_OK) << "also when the manager cannot be made";
  EXPECT_EQ(onThread(true, true), RPC_E_CHANGED_MODE) << "the thread's own initialisation stays";
}

TEST(WpdClient, ACountOpensEachDeviceAndAsksOnlyForItsStorage) {
  Scene scene;
  for (const wchar_t* name : {L"PHONE", L"PLAYER"}) {
    Scene::Device& device = scene.devices[std::wstring(L"\\\\?\\SWD#WPDBUSENUM#") + name];
    device.categories = {Clsid(WPD_FUNCTIONAL_CATEGORY_STORAGE)};
    device.storageObjects = {{Text(L"s1")}};
  }
  test::FakeSource source;
  source.Add(InterfaceClass::PortableDevice, u"\\\\?\\swd#wpdbusenum#phone");
  source.Add(InterfaceClass::PortableDevice, u"\\\\?\\swd#wpdbusenum#player");
  sim::SimOpener opener;
  Win32PortableDevices client(scene.Factory());
  DeviceList list(opener, source, 0, &client);
  EXPECT_EQ(list.CountPortableDevices(), 2u);
  const std::vector<std::string> perDevice{"Open", "Capabilities", "GetFunctionalCategories", "GetFunctionalObjects",
                                           "Close"};
  std::vector<std::string> expected = perDevice;
  expected.insert(expected.end(), perDevice.begin(), perDevice.end());
  EXPECT_EQ(scene.calls, expected);
  EXPECT_EQ(scene.live, 0);
}

TEST(WpdClient, UnderWineThereIsNoManagerSoNothingPortableIsListedButTheDisksAre) {
  sim::SimOpener opener;
  const std::u16string disk = u"\\\\?\\scsi#disk&ven_tavo&prod_sim#4&1&0&000100#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
  opener.Add(disk, std::make_shared<sim::SimDevice>(sim::Family::PlainAta));
  test::FakeSource source;
  source.Add(InterfaceClass::Disk, disk);
  source.Provide(InterfaceClass::Cdrom);
  source.Add(InterfaceClass::PortableDevice, u"\\\\?\\swd#wpdbusenum#phone");
  Win32PortableDevices system;  // the system's own objects
  DeviceList list(opener, source, 0, &system);
  EXPECT_EQ(list.Refresh(DeviceList::kDisks | DeviceList::kOpticalDrives | DeviceList::kPortableDevices), 0);
  EXPECT_EQ(list.Snapshot()->disks.size(), 1u);
  EXPECT_TRUE(list.Snapshot()->portableDevices.empty());
  EXPECT_EQ(list.CountPortableDevices(), 0u);
}

}  // namespace
}  // namespace tavolen
