#pragma once
// Identities of the Zendrel control, its interfaces, type library and property page. They
// must match control/resources/Zendrel.idl and the registration.
#include <windows.h>

namespace tavolen::zendrel {

// {5D3A7C21-8E44-4B9A-9C1F-2A6B0E7D3F10}
inline constexpr GUID kLibId = {0x5D3A7C21, 0x8E44, 0x4B9A, {0x9C, 0x1F, 0x2A, 0x6B, 0x0E, 0x7D, 0x3F, 0x10}};
inline constexpr WORD kLibMajor = 1;
inline constexpr WORD kLibMinor = 0;
// _DZendrel {A7E2C4B9-1F35-4D8E-8B60-93C5D1E2F4A7}
inline constexpr IID kDispatchIid = {0xA7E2C4B9, 0x1F35, 0x4D8E, {0x8B, 0x60, 0x93, 0xC5, 0xD1, 0xE2, 0xF4, 0xA7}};
// _DZendrelEvents {3C9D8E7F-62A1-4F0B-A5D4-7E1B2C3D4E5F}
inline constexpr IID kEventsIid = {0x3C9D8E7F, 0x62A1, 0x4F0B, {0xA5, 0xD4, 0x7E, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}};
// coclass Zendrel, "ZENDREL.ZendrelCtrl" {E4B1A2C3-7D5F-4E69-8A2B-C0D1E2F3A4B5}
inline constexpr CLSID kControlClsid = {0xE4B1A2C3, 0x7D5F, 0x4E69, {0x8A, 0x2B, 0xC0, 0xD1, 0xE2, 0xF3, 0xA4, 0xB5}};
// "ZENDREL.ZendrelPropPage.1" {9B8C7D6E-5F4A-4B3C-9D2E-1F0A9B8C7D6E}
inline constexpr CLSID kPropertyPageClsid = {0x9B8C7D6E, 0x5F4A, 0x4B3C, {0x9D, 0x2E, 0x1F, 0x0A, 0x9B, 0x8C, 0x7D, 0x6E}};

inline constexpr const wchar_t* kControlProgId = L"ZENDREL.ZendrelCtrl";
inline constexpr const wchar_t* kPropertyPageProgId = L"ZENDREL.ZendrelPropPage.1";

}  // namespace tavolen::zendrel
