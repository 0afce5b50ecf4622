// The control's type library as built from its IDL and embedded as a TYPELIB resource:
// identities, members with their DISPIDs, types and argument names, and the coclass.
#include "tests/framework/FrameworkTestIds.h"
#include "control/core/win/ZendrelIds.h"

#include "framework/ComPtr.h"
#include "framework/Module.h"
#include "framework/UniqueBstr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavolen;

namespace {

struct Member {
  DISPID id = 0;
  VARTYPE result = VT_EMPTY;
  std::vector<VARTYPE> argTypes;
  std::vector<std::wstring> names;  // the member's name, then its arguments'
};

class ZendrelTypeLibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring path = ModuleFileName() + L"\\" + std::to_wstring(ZENDREL_TYPELIB_RESOURCE);
    ASSERT_EQ(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library_.put()), S_OK);
  }

  ComPtr<ITypeInfo> Info(const GUID& guid) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(library_->GetTypeInfoOfGuid(guid, info.put()), S_OK);
    return info;
  }

  // Looks a member up by name as a caller of the library would.
  static bool Find(ITypeInfo* info, const wchar_t* name, Member* member) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return false;
    const WORD functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (WORD i = 0; i < functions; ++i) {
      FUNCDESC* desc = nullptr;
      if (FAILED(info->GetFuncDesc(i, &desc))) continue;
      BSTR names[20] = {};
      UINT count = 0;
      info->GetNames(desc->memid, names, 20, &count);
      std::vector<std::wstring> found;
      for (UINT n = 0; n < count; ++n) found.push_back(UniqueBstr::Adopt(names[n]).view().data());
      if (!found.empty() && found[0] == name) {
        member->id = desc->memid;
        member->result = desc->elemdescFunc.tdesc.vt;
        for (SHORT p = 0; p < desc->cParams; ++p) member->argTypes.push_back(desc->lprgelemdescParam[p].tdesc.vt);
        member->names = found;
        info->ReleaseFuncDesc(desc);
        return true;
      }
      info->ReleaseFuncDesc(desc);
    }
    return false;
  }

  ComPtr<ITypeLib> library_;
};

TEST_F(ZendrelTypeLibTest, LibraryCarriesItsIdentityVersionAndLocale) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, zendrel::kLibId);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->lcid, 0x0409u);
  library_->ReleaseTLibAttr(attr);
  UniqueBstr name;
  ASSERT_EQ(library_->GetDocumentation(-1, name.put(), nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(name.view(), L"ZendrelLib");
}

TEST_F(ZendrelTypeLibTest, DispatchInterfaceDeclaresEveryMember) {
  ComPtr<ITypeInfo> info = Info(zendrel::kDispatchIid);
  ASSERT_TRUE(info);
  UniqueBstr name;
  info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
  EXPECT_EQ(name.view(), L"_DZendrel");

  struct Expected {
    const wchar_t* name;
    DISPID id;
    VARTYPE result;
    std::vector<VARTYPE> args;
  };
  const std::vector<Expected> expected = {
      {L"GetDriveLetterCount", 1, VT_UI1, {}},
      {L"ShowAllDrive", 2, VT_VOID, {}},
      {L"EraseFlyoutSetting", 3, VT_VOID, {}},
      {L"NowSetting", 5, VT_BSTR, {}},
      {L"SettingOverwrite", 7, VT_VOID, {VT_UI4, VT_BOOL, VT_BOOL, VT_UI4, VT_UI4}},
      {L"SetSizeInfo", 8, VT_VOID, {VT_UI4, VT_UI4}},
      {L"GetFocusState", 9, VT_BOOL, {}},
      {L"LoadGadgetPath", 11, VT_VOID, {VT_BSTR}},
      {L"ShowRenewInfo", 13, VT_VOID, {}},
      {L"IsSetHideDrives", 14, VT_BOOL, {}},
      {L"SendFlyOutInfo", 15, VT_VOID, {}},
      {L"GetFlyOutInfo", 16, VT_VOID, {}},
      {L"SaveDriveCount", 18, VT_VOID, {VT_UI1}},
      {L"AddSetting", 19, VT_VOID, {}},
      {L"GetSettingData", 21, VT_UI1, {VT_BSTR}},
      {L"SetAdditionalOption", 22, VT_VOID, {VT_BOOL, VT_UI1, VT_UI1, VT_UI1}},
      {L"AboutBox", -552, VT_VOID, {}},
  };
  for (const Expected& e : expected) {
    Member member;
    ASSERT_TRUE(Find(info.get(), e.name, &member)) << e.name;
    EXPECT_EQ(member.id, e.id) << e.name;
    EXPECT_EQ(member.result, e.result) << e.name;
    EXPECT_EQ(member.argTypes, e.args) << e.name;
  }
  Member option;
  ASSERT_TRUE(Find(info.get(), L"SetAdditionalOption", &option));
  EXPECT_EQ(option.names, (std::vector<std::wstring>{L"SetAdditionalOption", L"AddRecycle", L"AddShortcutCount",
                                                     L"ShowMaxCount", L"ColorIndex"}));
}

TEST_F(ZendrelTypeLibTest, EventInterfaceKeepsItsArgumentNames) {
  ComPtr<ITypeInfo> info = Info(zendrel::kEventsIid);
  ASSERT_TRUE(info);
  Member flyout;
  ASSERT_TRUE(Find(info.get(), L"SetFlyOutInfo", &flyout));
  EXPECT_EQ(flyout.id, 6);
  EXPECT_EQ(flyout.argTypes, std::vector<VARTYPE>(12, VT_BSTR));
  EXPECT_EQ(flyout.names,
            (std::vector<std::wstring>{L"SetFlyOutInfo", L"SectinName", L"VolumeLabel", L"FreeSpace", L"VenderName",
                                       L"ProductName", L"Firmware", L"Title1", L"Data1", L"Title2", L"Data2",
                                       L"Title3", L"Data3"}));
  const std::vector<std::pair<const wchar_t*, DISPID>> events = {
      {L"ChangeSize", 1}, {L"FlyOutOn", 2}, {L"FlyOutOff", 3}, {L"GadgetClose", 4}, {L"SettingOverwrite", 7},
      {L"SetSizeInfo", 8}};
  for (const auto& [name, id] : events) {
    Member member;
    ASSERT_TRUE(Find(info.get(), name, &member)) << name;
    EXPECT_EQ(member.id, id) << name;
  }
  Member overwrite;
  ASSERT_TRUE(Find(info.get(), L"SettingOverwrite", &overwrite));
  EXPECT_EQ(overwrite.names, (std::vector<std::wstring>{L"SettingOverwrite", L"DriveCount", L"AddRecycle",
                                                        L"WatchRemovable", L"ShortcutCount", L"ColorIndex"}));
}

TEST_F(ZendrelTypeLibTest, CoclassNamesItsDefaultAndSourceInterfaces) {
  ComPtr<ITypeInfo> info = Info(zendrel::kControlClsid);
  ASSERT_TRUE(info);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCONTROL);
  const WORD interfaces = attr->cImplTypes;
  info->ReleaseTypeAttr(attr);
  UniqueBstr name;
  info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
  EXPECT_EQ(name.view(), L"Zendrel");

  bool sawDefault = false, sawSource = false;
  for (WORD i = 0; i < interfaces; ++i) {
    INT flags = 0;
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> implemented;
    ASSERT_EQ(info->GetImplTypeFlags(i, &flags), S_OK);
    ASSERT_EQ(info->GetRefTypeOfImplType(i, &ref), S_OK);
    ASSERT_EQ(info->GetRefTypeInfo(ref, implemented.put()), S_OK);
    TYPEATTR* implAttr = nullptr;
    ASSERT_EQ(implemented->GetTypeAttr(&implAttr), S_OK);
    const GUID guid = implAttr->guid;
    implemented->ReleaseTypeAttr(implAttr);
    if (flags == IMPLTYPEFLAG_FDEFAULT) {
      EXPECT_EQ(guid, zendrel::kDispatchIid);
      sawDefault = true;
    }
    if (flags == (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) {
      EXPECT_EQ(guid, zendrel::kEventsIid);
      sawSource = true;
    }
  }
  EXPECT_TRUE(sawDefault);
  EXPECT_TRUE(sawSource);
}

}  // namespace
