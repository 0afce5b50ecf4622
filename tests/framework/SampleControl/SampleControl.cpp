// The test control: the framework's ActiveX control base with a small dispatch table.
#include "tests/framework/SampleControl/SampleIds.h"

#include "framework/ActiveXControl.h"
#include "framework/Module.h"
#include "framework/PropertyPage.h"
#include "framework/Registration.h"
#include "framework/UniqueBstr.h"

#include <optional>
#include <string>

using namespace tavolen;

namespace {

constexpr CATID kSafeForScripting = {0x7DD95801, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}};
constexpr CATID kSafeForInitializing = {0x7DD95802, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}};

const ControlDescription kDescription = {
    sample::kControlClsid, sample::kLibId, 1, 0, sample::kDispatchIid, sample::kEventsIid,
    sample::kPageClsid,    sample::kMiscStatus,
};

int g_liveControls = 0;
// Stands in for a worker thread that must keep the code loaded.
std::optional<ModuleReference> g_heldModule;

class SampleControl : public ActiveXControl {
 public:
  SampleControl() : ActiveXControl(kDescription) { ++g_liveControls; }

  HRESULT CheckCreation() override { return g_liveControls > 1 ? sample::kSecondInstanceRefused : S_OK; }

 protected:
  ~SampleControl() override { --g_liveControls; }

  const DispatchTable& DispatchMembers() const override {
    static const DispatchTable table = {
        {L"Add", sample::dispid::Add, VT_I4, {VT_I4, VT_I4}},
        {L"Scale", sample::dispid::Scale, VT_R8, {VT_R8, VT_UI1}},
        {L"Describe", sample::dispid::Describe, VT_BSTR, {VT_BSTR, VT_BOOL}},
        {L"Announce", sample::dispid::Announce, VT_EMPTY, {VT_BSTR, VT_UI4}},
        {L"HoldModule", sample::dispid::HoldModule, VT_EMPTY, {VT_BOOL}},
        {L"CallCount", sample::dispid::CallCount, VT_I2, {}},
    };
    return table;
  }

  using ActiveXControl::Invoke;
  HRESULT Invoke(DISPID id, const std::vector<VARIANT>& args, VARIANT* result) override {
    ++calls_;
    switch (id) {
      case sample::dispid::Add:
        V_VT(result) = VT_I4;
        V_I4(result) = V_I4(&args[0]) + V_I4(&args[1]);
        return S_OK;
      case sample::dispid::Scale:
        V_VT(result) = VT_R8;
        V_R8(result) = V_R8(&args[0]) * V_UI1(&args[1]);
        return S_OK;
      case sample::dispid::Describe: {
        std::wstring text(V_BSTR(&args[0]) ? V_BSTR(&args[0]) : L"", ::SysStringLen(V_BSTR(&args[0])));
        text += V_BOOL(&args[1]) ? L"!" : L".";
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = UniqueBstr(std::wstring_view(text)).release();
        return S_OK;
      }
      case sample::dispid::Announce: {
        std::vector<UniqueVariant> event;
        event.push_back(UniqueVariant::CopyOf(args[0]));
        event.push_back(UniqueVariant::CopyOf(args[1]));
        FireEvent(sample::event::Announced, event);
        return S_OK;
      }
      case sample::dispid::HoldModule:
        if (V_BOOL(&args[0]))
          g_heldModule.emplace();
        else
          g_heldModule.reset();
        return S_OK;
      case sample::dispid::CallCount:
        V_VT(result) = VT_I2;
        V_I2(result) = static_cast<SHORT>(calls_);
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  void OnPositionChanged(const RECT& position) override {
    std::vector<UniqueVariant> event;
    event.push_back(UniqueVariant::FromInt(position.right - position.left));
    event.push_back(UniqueVariant::FromInt(position.bottom - position.top));
    FireEvent(sample::event::Resized, event);
  }

  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == sample::kAnnounceMessage) {
      std::vector<UniqueVariant> event;
      event.push_back(UniqueVariant::FromString(L"posted"));
      event.push_back(UniqueVariant::FromInt(static_cast<LONG>(wParam)));
      FireEvent(sample::event::Announced, event);
      return 0;
    }
    return ActiveXControl::OnMessage(message, wParam, lParam);
  }

 private:
  int calls_ = 0;
};

HRESULT CreatePage(REFIID riid, void** out) { return CreatePropertyPage(sample::kPageTemplate, L"General", riid, out); }

const ServerDescription& Server() {
  static const ServerDescription server = {
      sample::kLibId,
      1,
      0,
      {
          {&sample::kControlClsid, sample::kControlProgId, sample::kControlTypeName,
           &CreateControlInstance<SampleControl>, true, sample::kMiscStatus, 272},
          {&sample::kPageClsid, sample::kPageProgId, sample::kPageTypeName, &CreatePage, false, 0, 0},
      },
      {
          {kSafeForScripting, L"Controls that are safely scriptable"},
          {kSafeForInitializing, L"Controls safely initializable from persistent data"},
      },
  };
  return server;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // At process exit (reserved != null) nothing needs giving back.
  if (reason == DLL_PROCESS_DETACH && !reserved) ModuleDetach();
  return TRUE;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return ModuleCanUnloadNow(); }

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  return ServerGetClassObject(Server(), clsid, riid, out);
}

HRESULT STDAPICALLTYPE DllRegisterServer() { return RegisterServer(Server()); }

HRESULT STDAPICALLTYPE DllUnregisterServer() { return UnregisterServer(Server()); }

}  // extern "C"
