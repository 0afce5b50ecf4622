#pragma once
// The part of the system's portable-device API the control uses. MinGW declares the
// value and collection types (portabledevicetypes.h) but not the device API itself, so the
// interfaces, class identities, property keys and the storage category are declared here
// as the platform documents them. Interfaces list every method in vtable order, also the
// ones the control never calls.
#include <windows.h>

#include <objbase.h>
#include <portabledevicetypes.h>

namespace tavolen::wpd {

// --- class identities ------------------------------------------------------------------

inline constexpr CLSID CLSID_PortableDeviceManager = {
    0x0af10cec, 0x2ecd, 0x4b92, {0x95, 0x81, 0x34, 0xf6, 0xae, 0x06, 0x37, 0xf3}};
// The device object with the free-threaded marshaller: usable from any apartment.
inline constexpr CLSID CLSID_PortableDeviceFTM = {
    0xf7c0039a, 0x4762, 0x488a, {0xb4, 0xb3, 0x76, 0x0e, 0xf9, 0xa1, 0xba, 0x9b}};
inline constexpr CLSID CLSID_PortableDeviceValues = {
    0x0c15d503, 0xd017, 0x47ce, {0x90, 0x16, 0x7b, 0x3f, 0x97, 0x87, 0x21, 0xcc}};
inline constexpr CLSID CLSID_PortableDeviceKeyCollection = {
    0xde2d022d, 0x2480, 0x43be, {0x97, 0xf0, 0xd1, 0xfa, 0x2c, 0xf9, 0x8f, 0x4f}};

// --- interface identities --------------------------------------------------------------

inline constexpr IID IID_IPortableDeviceManager = {
    0xa1567595, 0x4c2f, 0x4574, {0xa6, 0xfa, 0xec, 0xef, 0x91, 0x7b, 0x9a, 0x40}};
inline constexpr IID IID_IPortableDevice = {
    0x625e2df8, 0x6392, 0x4cf0, {0x9a, 0xd1, 0x3c, 0xfa, 0x5f, 0x17, 0x77, 0x5c}};
inline constexpr IID IID_IPortableDeviceContent = {
    0x6a96ed84, 0x7c73, 0x4480, {0x99, 0x38, 0xbf, 0x5a, 0xf4, 0x77, 0xd4, 0x26}};
inline constexpr IID IID_IPortableDeviceProperties = {
    0x7f6d695c, 0x03df, 0x4439, {0xa8, 0x09, 0x59, 0x26, 0x6b, 0xee, 0xe3, 0xa6}};
inline constexpr IID IID_IPortableDeviceCapabilities = {
    0x2c8c6dbf, 0xe3dc, 0x4061, {0xbe, 0xcc, 0x85, 0x42, 0xe8, 0x10, 0xd1, 0x26}};
// Declared by MinGW's types header, restated so that no import library is needed.
inline constexpr IID IID_IPortableDeviceValues = {
    0x6848f6f2, 0x3155, 0x4f86, {0xb6, 0xf5, 0x26, 0x3e, 0xee, 0xab, 0x31, 0x43}};
inline constexpr IID IID_IPortableDeviceKeyCollection = {
    0xdada2357, 0xe0ad, 0x492e, {0x98, 0xdb, 0xdd, 0x61, 0xc5, 0x3b, 0xa3, 0x53}};
inline constexpr IID IID_IPortableDevicePropVariantCollection = {
    0x89b2e422, 0x4f1b, 0x4316, {0xbc, 0xef, 0xa4, 0x4a, 0xfe, 0xa8, 0x3e, 0xb3}};

// --- categories and property keys ------------------------------------------------------

inline constexpr GUID WPD_FUNCTIONAL_CATEGORY_STORAGE = {
    0x23f05bbc, 0x15de, 0x4c2a, {0xa5, 0x5b, 0xa9, 0xaf, 0x5c, 0xe4, 0x12, 0xef}};

// WPD_CLIENT_INFORMATION_PROPERTIES_V1
inline constexpr GUID kClientInformationProperties = {
    0x204d9f0c, 0x2292, 0x4080, {0x9f, 0x42, 0x40, 0x66, 0x4e, 0x70, 0xf8, 0x59}};
inline constexpr PROPERTYKEY WPD_CLIENT_NAME = {kClientInformationProperties, 2};
inline constexpr PROPERTYKEY WPD_CLIENT_MAJOR_VERSION = {kClientInformationProperties, 3};
inline constexpr PROPERTYKEY WPD_CLIENT_MINOR_VERSION = {kClientInformationProperties, 4};
inline constexpr PROPERTYKEY WPD_CLIENT_REVISION = {kClientInformationProperties, 5};
inline constexpr PROPERTYKEY WPD_CLIENT_SECURITY_QUALITY_OF_SERVICE = {kClientInformationProperties, 8};

// WPD_STORAGE_OBJECT_PROPERTIES_V1
inline constexpr GUID kStorageObjectProperties = {
    0x01a3057a, 0x74d6, 0x4e80, {0xbe, 0xa7, 0xdc, 0x4c, 0x21, 0x2c, 0xe5, 0x0a}};
inline constexpr PROPERTYKEY WPD_STORAGE_CAPACITY = {kStorageObjectProperties, 4};
inline constexpr PROPERTYKEY WPD_STORAGE_FREE_SPACE_IN_BYTES = {kStorageObjectProperties, 5};

// --- interfaces ------------------------------------------------------------------------

// Only passed around as pointers here.
struct IEnumPortableDeviceObjectIDs;
struct IPortableDeviceResources;
struct IPortableDeviceEventCallback;

struct IPortableDeviceManager : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetDevices(LPWSTR* deviceIds, DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE RefreshDeviceList() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceFriendlyName(LPCWSTR deviceId, WCHAR* name, DWORD* chars) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceDescription(LPCWSTR deviceId, WCHAR* description, DWORD* chars) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceManufacturer(LPCWSTR deviceId, WCHAR* manufacturer, DWORD* chars) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceProperty(LPCWSTR deviceId, LPCWSTR propertyName, BYTE* data,
                                                      DWORD* bytes, DWORD* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPrivateDevices(LPWSTR* deviceIds, DWORD* count) = 0;
};

struct IPortableDeviceProperties : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSupportedProperties(LPCWSTR objectId, IPortableDeviceKeyCollection** keys) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPropertyAttributes(LPCWSTR objectId, REFPROPERTYKEY key,
                                                          IPortableDeviceValues** attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetValues(LPCWSTR objectId, IPortableDeviceKeyCollection* keys,
                                              IPortableDeviceValues** values) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetValues(LPCWSTR objectId, IPortableDeviceValues* values,
                                              IPortableDeviceValues** results) = 0;
  virtual HRESULT STDMETHODCALLTYPE Delete(LPCWSTR objectId, IPortableDeviceKeyCollection* keys) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
};

struct IPortableDeviceContent : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EnumObjects(DWORD flags, LPCWSTR parentId, IPortableDeviceValues* filter,
                                                IEnumPortableDeviceObjectIDs** objects) = 0;
  virtual HRESULT STDMETHODCALLTYPE Properties(IPortableDeviceProperties** properties) = 0;
  virtual HRESULT STDMETHODCALLTYPE Transfer(IPortableDeviceResources** resources) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateObjectWithPropertiesOnly(IPortableDeviceValues* values, LPWSTR* objectId) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateObjectWithPropertiesAndData(IPortableDeviceValues* values, IStream** data,
                                                                      DWORD* optimalWriteBytes, LPWSTR* cookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE Delete(DWORD options, IPortableDevicePropVariantCollection* objectIds,
                                           IPortableDevicePropVariantCollection** results) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetObjectIDsFromPersistentUniqueIDs(
      IPortableDevicePropVariantCollection* uniqueIds, IPortableDevicePropVariantCollection** objectIds) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
  virtual HRESULT STDMETHODCALLTYPE Move(IPortableDevicePropVariantCollection* objectIds, LPCWSTR destinationId,
                                         IPortableDevicePropVariantCollection** results) = 0;
  virtual HRESULT STDMETHODCALLTYPE Copy(IPortableDevicePropVariantCollection* objectIds, LPCWSTR destinationId,
                                         IPortableDevicePropVariantCollection** results) = 0;
};

struct IPortableDeviceCapabilities : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSupportedCommands(IPortableDeviceKeyCollection** commands) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCommandOptions(REFPROPERTYKEY command, IPortableDeviceValues** options) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFunctionalCategories(IPortableDevicePropVariantCollection** categories) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFunctionalObjects(REFGUID category,
                                                         IPortableDevicePropVariantCollection** objectIds) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSupportedContentTypes(REFGUID category,
                                                             IPortableDevicePropVariantCollection** contentTypes) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSupportedFormats(REFGUID contentType,
                                                        IPortableDevicePropVariantCollection** formats) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSupportedFormatProperties(REFGUID format,
                                                                 IPortableDeviceKeyCollection** keys) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFixedPropertyAttributes(REFGUID format, REFPROPERTYKEY key,
                                                               IPortableDeviceValues** attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSupportedEvents(IPortableDevicePropVariantCollection** events) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEventOptions(REFGUID event, IPortableDeviceValues** options) = 0;
};

struct IPortableDevice : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Open(LPCWSTR deviceId, IPortableDeviceValues* clientInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendCommand(DWORD flags, IPortableDeviceValues* parameters,
                                                IPortableDeviceValues** results) = 0;
  virtual HRESULT STDMETHODCALLTYPE Content(IPortableDeviceContent** content) = 0;
  virtual HRESULT STDMETHODCALLTYPE Capabilities(IPortableDeviceCapabilities** capabilities) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  virtual HRESULT STDMETHODCALLTYPE Advise(DWORD flags, IPortableDeviceEventCallback* callback,
                                           IPortableDeviceValues* parameters, LPWSTR* cookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(LPCWSTR cookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPnPDeviceID(LPWSTR* deviceId) = 0;
};

}  // namespace tavolen::wpd
