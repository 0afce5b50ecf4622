#include "control/device/win/Win32PortableDevices.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>

#include "control/device/PortableClientInfo.h"
#include "control/device/PortableDeviceRecord.h"
#include "control/device/win/WpdApi.h"
#include "framework/ComInit.h"
#include "framework/ComPtr.h"
#include "framework/UniquePropVariant.h"
#include "framework/Utf16.h"

namespace tavolen {

namespace {

using namespace wpd;

// A device lists a handful of functional categories; more are not looked at.
constexpr DWORD kMaxCategories = 64;

void Report(const std::string& text) { std::fputs(text.c_str(), stdout); }

const PROPERTYKEY& ClientInfoPropertyKey(ClientInfoKey key) {
  switch (key) {
    case ClientInfoKey::Name: return WPD_CLIENT_NAME;
    case ClientInfoKey::MajorVersion: return WPD_CLIENT_MAJOR_VERSION;
    case ClientInfoKey::MinorVersion: return WPD_CLIENT_MINOR_VERSION;
    case ClientInfoKey::Revision: return WPD_CLIENT_REVISION;
    case ClientInfoKey::SecurityQualityOfService: break;
  }
  return WPD_CLIENT_SECURITY_QUALITY_OF_SERVICE;
}

// The values object with every key of the client information that could be set; null
// when it cannot be made.
ComPtr<IPortableDeviceValues> CreateClientInfo(const ComObjectFactory& create) {
  ComPtr<IPortableDeviceValues> values;
  const HRESULT made = create(CLSID_PortableDeviceValues, IID_IPortableDeviceValues, values.put_void());
  if (FAILED(made) || !values) {
    Report(ClientInfoCreationFailure(uint32_t(made)));
    return {};
  }
  for (const ClientInfoValue& value : ClientInformation()) {
    const PROPERTYKEY& key = ClientInfoPropertyKey(value.key);
    const HRESULT set = value.text ? values->SetStringValue(key, AsWide(value.text))
                                   : values->SetUnsignedIntegerValue(key, value.number);
    if (FAILED(set)) Report(ClientInfoSetFailure(value, uint32_t(set)));
  }
  return values;
}

std::u16string TextOf(const wchar_t* text, std::size_t maxChars) {
  return std::u16string(AsUtf16(text), wcsnlen(text, maxChars));
}

// The first storage functional object: for each category that is the storage category,
// element 0 of its objects when that is a text; the first such text wins.
std::u16string FindStorageObject(IPortableDevice& device) {
  ComPtr<IPortableDeviceCapabilities> capabilities;
  if (FAILED(device.Capabilities(capabilities.put())) || !capabilities) return {};
  ComPtr<IPortableDevicePropVariantCollection> categories;
  if (FAILED(capabilities->GetFunctionalCategories(categories.put())) || !categories) return {};
  DWORD count = 0;
  if (FAILED(categories->GetCount(&count))) return {};
  for (DWORD i = 0; i < std::min(count, kMaxCategories); ++i) {
    UniquePropVariant category;
    if (FAILED(categories->GetAt(i, category.put()))) continue;
    const PROPVARIANT& value = category.get();
    if (value.vt != VT_CLSID || !value.puuid || !IsEqualGUID(*value.puuid, WPD_FUNCTIONAL_CATEGORY_STORAGE)) continue;
    ComPtr<IPortableDevicePropVariantCollection> objects;
    if (FAILED(capabilities->GetFunctionalObjects(*value.puuid, objects.put())) || !objects) continue;
    UniquePropVariant first;
    if (FAILED(objects->GetAt(0, first.put()))) continue;
    // One character past the longest identifier taken tells that it is longer.
    if (first.get().vt == VT_LPWSTR && first.get().pwszVal)
      return TextOf(first.get().pwszVal, kMaxStorageObjectIdChars + 1);
  }
  return {};
}

std::optional<StorageSpace> GetStorageCapacity(IPortableDevice& device, const ComObjectFactory& create,
                                               const std::u16string& objectId) {
  ComPtr<IPortableDeviceContent> content;
  if (FAILED(device.Content(content.put())) || !content) return std::nullopt;
  ComPtr<IPortableDeviceProperties> properties;
  if (FAILED(content->Properties(properties.put())) || !properties) return std::nullopt;
  ComPtr<IPortableDeviceKeyCollection> keys;
  if (FAILED(create(CLSID_PortableDeviceKeyCollection, IID_IPortableDeviceKeyCollection, keys.put_void())) || !keys)
    return std::nullopt;
  if (FAILED(keys->Add(WPD_STORAGE_CAPACITY)) || FAILED(keys->Add(WPD_STORAGE_FREE_SPACE_IN_BYTES)))
    return std::nullopt;
  ComPtr<IPortableDeviceValues> values;
  const std::wstring id = ToWide(objectId);
  if (FAILED(properties->GetValues(id.c_str(), keys.get(), values.put())) || !values) return std::nullopt;
  ULONGLONG capacity = 0, freeSpace = 0;
  if (FAILED(values->GetUnsignedLargeIntegerValue(WPD_STORAGE_CAPACITY, &capacity)) ||
      FAILED(values->GetUnsignedLargeIntegerValue(WPD_STORAGE_FREE_SPACE_IN_BYTES, &freeSpace)))
    return std::nullopt;
  return StorageSpace{capacity, freeSpace};
}

class Win32OpenedDevice : public OpenedPortableDevice {
 public:
  explicit Win32OpenedDevice(ComObjectFactory create) : create_(std::move(create)) {}
  ~Win32OpenedDevice() override {
    if (opened_) device_->Close();
  }

  // False when no device object can be made.
  bool Create() {
    return com_.usable() && SUCCEEDED(create_(CLSID_PortableDeviceFTM, IID_IPortableDevice, device_.put_void())) &&
           device_;
  }
  bool Open(const std::u16string& devicePath, IPortableDeviceValues* clientInfo) {
    const std::wstring id = ToWide(devicePath);
    opened_ = SUCCEEDED(device_->Open(id.c_str(), clientInfo));
    return opened_;
  }

  std::u16string FindStorageObject() override { return tavolen::FindStorageObject(*device_.get()); }
  std::optional<StorageSpace> GetStorageCapacity(const std::u16string& objectId) override {
    return tavolen::GetStorageCapacity(*device_.get(), create_, objectId);
  }

 private:
  ComInit com_;  // first: the device object goes before COM does
  ComObjectFactory create_;
  ComPtr<IPortableDevice> device_;
  bool opened_ = false;
};

class Win32Session : public PortableDeviceSession {
 public:
  explicit Win32Session(ComObjectFactory create) : create_(std::move(create)) {}

  // False when the manager cannot be made.
  bool Start() {
    if (!com_.usable()) return false;
    if (FAILED(create_(CLSID_PortableDeviceManager, IID_IPortableDeviceManager, manager_.put_void())) || !manager_)
      return false;
    clientInfo_ = CreateClientInfo(create_);
    return true;
  }

  Opening Open(const std::u16string& devicePath) override {
    auto device = std::make_unique<Win32OpenedDevice>(create_);
    Opening opening;
    if (!device->Create()) {
      opening.noDeviceObject = true;
    } else if (device->Open(devicePath, clientInfo_.get())) {
      opening.device = std::move(device);
    }  // a device that did not open is released here
    return opening;
  }

  std::optional<std::u16string> Manufacturer(const std::u16string& devicePath) override {
    return ReadText(devicePath, &Win32Session::AskManufacturer);
  }
  std::optional<std::u16string> FriendlyName(const std::u16string& devicePath) override {
    return ReadText(devicePath, &Win32Session::AskFriendlyName);
  }

 private:
  HRESULT AskManufacturer(LPCWSTR id, WCHAR* text, DWORD* chars) {
    return manager_->GetDeviceManufacturer(id, text, chars);
  }
  HRESULT AskFriendlyName(LPCWSTR id, WCHAR* text, DWORD* chars) {
    return manager_->GetDeviceFriendlyName(id, text, chars);
  }
  // Into a zeroed buffer whose last character the manager is never offered, so the text
  // ends there at the latest; none when the manager reports a failure.
  std::optional<std::u16string> ReadText(const std::u16string& devicePath,
                                         HRESULT (Win32Session::*ask)(LPCWSTR, WCHAR*, DWORD*)) {
    WCHAR text[kManagerTextCapacity] = {};
    DWORD chars = kManagerTextCapacity - 1;
    const std::wstring id = ToWide(devicePath);
    if (FAILED((this->*ask)(id.c_str(), text, &chars))) return std::nullopt;
    return TextOf(text, kManagerTextCapacity - 1);
  }

  ComInit com_;  // first: the objects below go before COM does
  ComObjectFactory create_;
  ComPtr<IPortableDeviceManager> manager_;
  ComPtr<IPortableDeviceValues> clientInfo_;
};

}  // namespace

HRESULT CreateInProcessObject(const CLSID& clsid, const IID& iid, void** object) {
  return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
}

Win32PortableDevices::Win32PortableDevices(ComObjectFactory create) : create_(std::move(create)) {}

std::unique_ptr<PortableDeviceSession> Win32PortableDevices::StartSession() {
  auto session = std::make_unique<Win32Session>(create_);
  if (!session->Start()) return nullptr;
  return session;
}

}  // namespace tavolen
