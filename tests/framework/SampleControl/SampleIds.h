#pragma once
// Identities of the test control; they match SampleControl.idl.
#include <windows.h>

#include <oaidl.h>

namespace sample {

inline constexpr GUID kLibId = {0x6F1E2D3C, 0x4B5A, 0x4968, {0x87, 0x76, 0xA5, 0xB4, 0xC3, 0xD2, 0xE1, 0xF0}};
inline constexpr IID kDispatchIid = {0x0A1B2C3D, 0x4E5F, 0x4061, {0x82, 0x73, 0x94, 0xA5, 0xB6, 0xC7, 0xD8, 0xE9}};
inline constexpr IID kEventsIid = {0x1B2C3D4E, 0x5F60, 0x4172, {0x83, 0x84, 0xA5, 0xB6, 0xC7, 0xD8, 0xE9, 0xFA}};
inline constexpr CLSID kControlClsid = {0x2C3D4E5F, 0x6071, 0x4283, {0x94, 0x95, 0xB6, 0xC7, 0xD8, 0xE9, 0xFA, 0x0B}};
inline constexpr CLSID kPageClsid = {0x3D4E5F60, 0x7182, 0x4394, {0xA5, 0xB6, 0xC7, 0xD8, 0xE9, 0xFA, 0x0B, 0x1C}};
inline constexpr const wchar_t* kControlProgId = L"TAVOLENTEST.SampleCtrl";
inline constexpr const wchar_t* kPageProgId = L"TAVOLENTEST.SamplePropPage.1";
inline constexpr const wchar_t* kControlTypeName = L"Sample Control";
inline constexpr const wchar_t* kPageTypeName = L"Sample Property Page";
inline constexpr DWORD kMiscStatus = 0x30191;
inline constexpr UINT kPageTemplate = 200;

// The control refuses a second live instance in a process (as the product control does).
inline constexpr HRESULT kSecondInstanceRefused = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201);
// Posted to the control window: fires Announced("posted", wParam).
inline constexpr UINT kAnnounceMessage = WM_APP + 1;

namespace dispid {
inline constexpr DISPID Add = 1, Scale = 2, Describe = 3, Announce = 4, HoldModule = 5, CallCount = 6, Hidden = 7;
}
namespace event {
inline constexpr DISPID Announced = 1, Resized = 2;
}

}  // namespace sample
