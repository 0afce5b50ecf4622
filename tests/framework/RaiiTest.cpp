// RAII owners, the COM object base and the module count.
#include "framework/ComInit.h"
#include "framework/ComObject.h"
#include "framework/ComPtr.h"
#include "framework/GdiObject.h"
#include "framework/Module.h"
#include "framework/UniqueBstr.h"
#include "framework/UniqueIcon.h"
#include "framework/UniqueMenu.h"
#include "framework/UniqueModule.h"
#include "framework/UniqueVariant.h"
#include "framework/Utf16.h"

#include <gtest/gtest.h>

#include <string>

using namespace tavolen;

namespace {

// A COM object that reports its final release and destruction.
struct ProbeLog {
  int finalReleases = 0;
  int destructions = 0;
  long moduleCountAtFinalRelease = -1;
};

class Probe : public ComObjectBase, public IUnknown {
 public:
  explicit Probe(ProbeLog* log) : log_(log) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown) return ReturnInterface<IUnknown>(this, out);
    return E_NOINTERFACE;
  }
  COM_OBJECT_REFCOUNT

 protected:
  ~Probe() override { ++log_->destructions; }
  void FinalRelease() override {
    ++log_->finalReleases;
    log_->moduleCountAtFinalRelease = ModuleReferenceCount();
    // References taken and given back during the hook must not destroy the object twice.
    AddRef();
    Release();
  }

 private:
  ProbeLog* log_;
};

TEST(ComObjectTest, LastReleaseRunsTheHookOnceThenDestroys) {
  ProbeLog log;
  const long before = ModuleReferenceCount();
  {
    ComPtr<Probe> probe = MakeComObject<Probe>(&log);
    ASSERT_TRUE(probe);
    EXPECT_EQ(ModuleReferenceCount(), before + 1);
    ComPtr<Probe> second = probe.Clone();
    probe.reset();
    EXPECT_EQ(log.destructions, 0);
    ComPtr<IUnknown> asUnknown;
    ASSERT_EQ(second.As(IID_IUnknown, &asUnknown), S_OK);
    second.reset();
    EXPECT_EQ(log.finalReleases, 0);
  }
  EXPECT_EQ(log.finalReleases, 1);
  EXPECT_EQ(log.destructions, 1);
  EXPECT_EQ(log.moduleCountAtFinalRelease, before + 1);
  EXPECT_EQ(ModuleReferenceCount(), before);
}

TEST(ComPtrTest, MovesAndHandsOutReferences) {
  ProbeLog log;
  ComPtr<Probe> first = MakeComObject<Probe>(&log);
  Probe* raw = first.get();
  ComPtr<Probe> moved = std::move(first);
  EXPECT_FALSE(first);
  EXPECT_EQ(moved.get(), raw);

  IUnknown* out = nullptr;
  ASSERT_EQ(ComPtr<IUnknown>::Retain(moved.get()).CopyTo(&out), S_OK);
  ComPtr<IUnknown> adopted = ComPtr<IUnknown>::Adopt(out);
  moved = ComPtr<Probe>();
  EXPECT_EQ(log.destructions, 0);  // `adopted` still holds it
  adopted.reset();
  EXPECT_EQ(log.destructions, 1);
  EXPECT_EQ(adopted.CopyTo(nullptr), E_POINTER);
}

TEST(ModuleTest, ReferencesHoldTheModuleUntilReleased) {
  const long before = ModuleReferenceCount();
  {
    ModuleReference worker;
    EXPECT_TRUE(worker.held());
    EXPECT_EQ(ModuleReferenceCount(), before + 1);
    ModuleReference taken = std::move(worker);
    EXPECT_FALSE(worker.held());
    EXPECT_EQ(ModuleReferenceCount(), before + 1);
    taken.reset();
    EXPECT_EQ(ModuleReferenceCount(), before);
    ModuleReference again;
    EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(ModuleReferenceCount(), before);
  EXPECT_EQ(ModuleCanUnloadNow(), before == 0 ? S_OK : S_FALSE);
  EXPECT_NE(ModuleFileName().find(L"framework_tests"), std::wstring::npos);
  EXPECT_EQ(ModuleInstance(), ::GetModuleHandleW(nullptr));
}

TEST(ComInitTest, NestedScopesInitialiseAndGiveBack) {
  ComInit outer;
  EXPECT_TRUE(outer.usable());
  ComInit inner;
  EXPECT_EQ(inner.result(), S_FALSE);  // already initialised in the same model
  ComInit other(COINIT_MULTITHREADED);
  EXPECT_EQ(other.result(), RPC_E_CHANGED_MODE);
  EXPECT_TRUE(other.usable());
}

TEST(UniqueBstrTest, HoldsTextAndMoves) {
  UniqueBstr text(std::wstring_view(L"Laufwerk ドライブ"));
  EXPECT_EQ(text.view(), L"Laufwerk ドライブ");
  EXPECT_EQ(text.ToUtf16(), u"Laufwerk ドライブ");
  UniqueBstr moved = std::move(text);
  EXPECT_EQ(text.get(), nullptr);
  EXPECT_EQ(text.size(), 0u);
  EXPECT_EQ(moved.size(), 13u);
  UniqueBstr adopted = UniqueBstr::Adopt(moved.release());
  EXPECT_EQ(moved.get(), nullptr);
  EXPECT_EQ(adopted.view(), L"Laufwerk ドライブ");
  UniqueBstr withZero(std::wstring_view(L"a\0b", 3));
  EXPECT_EQ(withZero.size(), 3u);
}

TEST(UniqueVariantTest, CopiesAreIndependentAndReferencesBecomeValues) {
  UniqueVariant text = UniqueVariant::FromString(L"volume");
  UniqueVariant copy = text.Copy();
  ASSERT_EQ(copy.type(), VT_BSTR);
  EXPECT_NE(V_BSTR(copy.get()), V_BSTR(text.get()));
  EXPECT_STREQ(V_BSTR(copy.get()), L"volume");

  LONG number = 17;
  VARIANT byRef;
  V_VT(&byRef) = VT_BYREF | VT_I4;
  V_I4REF(&byRef) = &number;
  UniqueVariant value = UniqueVariant::CopyOf(byRef);
  ASSERT_EQ(value.type(), VT_I4);
  number = 18;
  EXPECT_EQ(V_I4(value.get()), 17);

  VARIANT released = value.release();
  EXPECT_EQ(value.type(), VT_EMPTY);
  EXPECT_EQ(V_I4(&released), 17);
  EXPECT_EQ(UniqueVariant::FromBool(true).get()->boolVal, VARIANT_TRUE);
  EXPECT_EQ(UniqueVariant::FromDouble(2.5).get()->dblVal, 2.5);
}

TEST(GdiObjectTest, DeletesItsObjectOnce) {
  UniqueBrush brush(::CreateSolidBrush(RGB(190, 190, 190)));
  HBRUSH handle = brush.get();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(::GetObjectType(handle), static_cast<DWORD>(OBJ_BRUSH));
  UniqueBrush moved = std::move(brush);
  EXPECT_FALSE(brush);
  EXPECT_EQ(::GetObjectType(handle), static_cast<DWORD>(OBJ_BRUSH));
  moved.reset();
  EXPECT_EQ(::GetObjectType(handle), 0u);

  UniqueFont font(::CreateFontW(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
  HFONT fontHandle = font.get();
  { UniqueFont scoped = std::move(font); }
  EXPECT_EQ(::GetObjectType(fontHandle), 0u);
}

TEST(UniqueMenuTest, DestroysItsMenuUnlessReleased) {
  UniqueMenu menu(::CreatePopupMenu());
  HMENU handle = menu.get();
  ASSERT_TRUE(::IsMenu(handle));
  menu.reset();
  EXPECT_FALSE(::IsMenu(handle));

  UniqueMenu kept(::CreatePopupMenu());
  HMENU keptHandle = kept.release();
  EXPECT_FALSE(kept);
  EXPECT_TRUE(::IsMenu(keptHandle));
  ::DestroyMenu(keptHandle);
}

TEST(UniqueIconTest, DestroysItsIcon) {
  UniqueIcon icon(::CopyIcon(::LoadIconW(nullptr, MAKEINTRESOURCEW(32512))));  // IDI_APPLICATION
  HICON handle = icon.get();
  ASSERT_NE(handle, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(handle, &info));
  ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  icon.reset();
  EXPECT_FALSE(::GetIconInfo(handle, &info));
}

TEST(UniqueModuleTest, FreesItsModule) {
  {
    UniqueModule module(::LoadLibraryW(L"SampleControl.dll"));
    ASSERT_TRUE(module);
    EXPECT_EQ(::GetModuleHandleW(L"SampleControl.dll"), module.get());
  }
  EXPECT_EQ(::GetModuleHandleW(L"SampleControl.dll"), nullptr);
}

TEST(Utf16Test, ConvertsAtTheBoundary) {
  const std::u16string record = u"F:\\Ordner ドライブ";
  std::wstring wide = ToWide(record);
  EXPECT_EQ(wide, L"F:\\Ordner ドライブ");
  EXPECT_EQ(ToUtf16(wide), record);
  EXPECT_EQ(ToUtf16(static_cast<const wchar_t*>(nullptr)), u"");
  EXPECT_EQ(std::wstring(AsWide(record.c_str())), wide);
  EXPECT_TRUE(EqualsIgnoreCase(L"LoadGadgetPath", L"loadgadgetpath"));
  EXPECT_FALSE(EqualsIgnoreCase(L"LoadGadgetPath", L"LoadGadgetPat"));
  EXPECT_FALSE(EqualsIgnoreCase(L"Add", L"Adc"));
  EXPECT_TRUE(EqualsIgnoreCase(L"", L""));
}

}  // namespace
