// The control placed in a browser: served for a local page, refused (E_ACCESSDENIED on
// every member, no rows, no settings written) for a page from elsewhere; a container
// without a document is served. The test container poses as a browser by offering the
// web-browser service with the page's address.
#include <gtest/gtest.h>

#include <windows.h>
#include <exdisp.h>
#include <shlguid.h>

#include <string>

#include "control/core/ZendrelDispatch.h"
#include "control/core/win/CZendrelApp.h"
#include "control/core/win/ZendrelIds.h"
#include "framework/ComObject.h"
#include "framework/ControlSite.h"
#include "framework/UniqueVariant.h"
#include "tests/control/ControlTestSupport.h"
#include "tests/control/ControlWorld.h"
#include "tests/framework/MessagePump.h"

using namespace tavolen;
using namespace tavolen::test;
namespace ev = tavolen::zendrel_event;

namespace {

// Stands in for the browser a page lives in: only its LocationURL property, read through
// IDispatch (all the control reads of a browser).
class PageBrowser : public ComObjectBase, public IDispatch {
 public:
  explicit PageBrowser(std::wstring url) : url_(std::move(url)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    // IWebBrowser2 is a dispatch interface: its first members are IDispatch's.
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser2)
      return ReturnInterface<IDispatch>(this, out);
    return E_NOINTERFACE;
  }
  COM_OBJECT_REFCOUNT
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1 || std::wstring(names[0]) != L"LocationURL") return DISP_E_UNKNOWNNAME;
    ids[0] = kLocationUrl;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    if (id != kLocationUrl || !(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = ::SysAllocString(url_.c_str());
    return S_OK;
  }

 private:
  static constexpr DISPID kLocationUrl = 211;
  std::wstring url_;
};

// Gives the hosted control its site again, now offering the browser (or nothing).
void PlaceIn(HostedControl& control, const wchar_t* url) {
  ControlSite& site = *control.Site();
  if (url) {
    const ComPtr<PageBrowser> browser = MakeComObject<PageBrowser>(url);
    site.OfferService(SID_SWebBrowserApp, ComPtr<IUnknown>::Retain(static_cast<IDispatch*>(browser.get())));
  }
  ComPtr<IOleObject> object;
  ASSERT_TRUE(SUCCEEDED(control.Site()->Control()->QueryInterface(IID_IOleObject, object.put_void())));
  ASSERT_EQ(S_OK, object->SetClientSite(&site));
}

std::wstring PageAddress(const std::wstring& folder) {
  std::wstring url = L"/" + folder + L"/Marvesk.htm";
  for (wchar_t& c : url)
    if (c == L'\\') c = L'/';
  return url;
}

class SiteLockControlTest : public ::testing::Test {
 protected:
  void SetUp() override { SetServiceInstalled(true); }
  void TearDown() override { EXPECT_TRUE(PumpUntilWorkersEnded()) << "no worker outlives its test"; }
};

TEST_F(SiteLockControlTest, OnlyLocalPagesAndContainersWithoutADocumentAreServed) {
  struct Case {
    const wchar_t* url;  // null: a container with no document
    bool served;
  };
  const std::wstring folder = MakeEmptyTempFolder(L"SiteLock");
  const std::wstring localPage = L"file:///" + folder + L"\\Marvesk.htm";
  const Case cases[] = {
      {localPage.c_str(), true},
      {L"http://example.invalid/Marvesk.htm", false},
      {nullptr, true},
  };
  for (const Case& c : cases) {
    const std::wstring what = c.url ? c.url : L"(no document)";
    const std::wstring ini = folder + L"\\DragAndDropSetting.ini";
    ::DeleteFileW(ini.c_str());
    HostedControl control;
    ASSERT_EQ(control.Create(zendrel::kControlClsid), S_OK);
    PlaceIn(control, c.url);
    control.ClearEvents();

    const HRESULT load = control.Call(L"LoadGadgetPath", {Text(PageAddress(folder).c_str())});
    UniqueVariant count;
    const HRESULT counted = control.Call(L"GetDriveLetterCount", {}, count.put());
    const HRESULT stored = control.Call(L"SetAdditionalOption", {Bool(true), Bool(true), Int(2), Int(3), Int(1)});
    if (c.served) {
      EXPECT_EQ(S_OK, load) << what.c_str();
      EXPECT_EQ(S_OK, counted) << what.c_str();
      EXPECT_EQ(S_OK, stored) << what.c_str();
      EXPECT_TRUE(PumpUntil([&] { return !control.Events(ev::ChangeSize).empty(); })) << "rows came";
      EXPECT_EQ(L"1", ReadIni(ini, L"IsSetRecycle", L"SETTING_STATE")) << what.c_str();
    } else {
      EXPECT_EQ(E_ACCESSDENIED, load) << what.c_str();
      EXPECT_EQ(E_ACCESSDENIED, counted) << what.c_str();
      EXPECT_EQ(E_ACCESSDENIED, stored) << what.c_str();
      test::PumpPending();
      EXPECT_TRUE(control.Events(ev::ChangeSize).empty()) << "no rows";
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(ini.c_str())) << "no settings file written";
    }
    control.Close();
    PumpUntilWorkersEnded();
  }
  RemoveTempFolder(folder);
}

TEST_F(SiteLockControlTest, LoadGadgetPathRefusesSharesDevicesAndEscapes) {
  HostedControl control;
  ASSERT_EQ(control.Create(zendrel::kControlClsid), S_OK);
  const std::u16string before = CZendrelApp::Instance().GadgetFolder();
  for (const wchar_t* location : {L"//server/share/Marvesk.htm", L"\\\\?\\C:\\x\\Marvesk.htm",
                                  L"\\\\.\\PhysicalDrive0\\Marvesk.htm", L"/C:/../../Marvesk.htm"}) {
    EXPECT_EQ(E_INVALIDARG, control.Call(L"LoadGadgetPath", {Text(location)})) << location;
    EXPECT_EQ(before, CZendrelApp::Instance().GadgetFolder()) << location;
  }
  control.Close();
}

}  // namespace
