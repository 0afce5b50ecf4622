// The dispatch table as script reaches it: names, argument counts and order, coercion of
// the forms script engines pass, and the errors for what cannot be served.
#include "framework/DispatchTable.h"
#include "framework/UniqueBstr.h"
#include "framework/UniqueVariant.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavolen;

namespace {

const DispatchTable kTable = {
    {L"Combine", 10, VT_BSTR, {VT_BSTR, VT_I4, VT_BOOL}},
    {L"Level", 11, VT_UI1, {VT_UI1}},
    {L"Nothing", 12, VT_EMPTY, {}},
    {L"Anything", 13, VT_EMPTY, {VT_VARIANT}},
    {L"Count", 14, VT_I2, {}},
};

// Records what the member received and answers with a fixed value.
struct Recorder {
  DISPID id = 0;
  std::vector<UniqueVariant> args;
  UniqueVariant answer;
  HRESULT result = S_OK;

  DispatchHandler Handler() {
    return [this](DISPID member, const std::vector<VARIANT>& values, VARIANT* out) {
      id = member;
      args.clear();
      for (const VARIANT& v : values) args.push_back(UniqueVariant::CopyOf(v));
      if (answer.type() != VT_EMPTY) *out = answer.Copy().release();
      return result;
    };
  }
};

// Arguments in declared order, put into DISPPARAMS last first as a caller does.
class Call {
 public:
  explicit Call(std::vector<UniqueVariant> args) : args_(std::move(args)) {
    for (auto it = args_.rbegin(); it != args_.rend(); ++it) reversed_.push_back(*it->get());
    params_.rgvarg = reversed_.empty() ? nullptr : reversed_.data();
    params_.cArgs = static_cast<UINT>(reversed_.size());
  }
  DISPPARAMS* params() { return &params_; }

 private:
  std::vector<UniqueVariant> args_;
  std::vector<VARIANT> reversed_;
  DISPPARAMS params_{};
};

template <class... V>
std::vector<UniqueVariant> Args(V... values) {
  std::vector<UniqueVariant> result;
  (result.push_back(std::move(values)), ...);
  return result;
}

HRESULT Invoke(DISPID id, Call& call, Recorder& recorder, VARIANT* result = nullptr, UINT* argErr = nullptr,
               WORD flags = DISPATCH_METHOD) {
  return DispatchInvoke(kTable, id, IID_NULL, flags, call.params(), result, argErr, recorder.Handler());
}

TEST(DispatchTableTest, NamesResolveWithoutRegardToCase) {
  const wchar_t* names[] = {L"cOMBINE"};
  DISPID id = 0;
  EXPECT_EQ(DispatchGetIDsOfNames(kTable, const_cast<LPOLESTR*>(names), 1, &id), S_OK);
  EXPECT_EQ(id, 10);
  const wchar_t* unknown[] = {L"Combin"};
  EXPECT_EQ(DispatchGetIDsOfNames(kTable, const_cast<LPOLESTR*>(unknown), 1, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  const wchar_t* withArgument[] = {L"Level", L"Value"};
  DISPID ids[2] = {};
  EXPECT_EQ(DispatchGetIDsOfNames(kTable, const_cast<LPOLESTR*>(withArgument), 2, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 11);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  EXPECT_EQ(FindDispatchEntry(kTable, 13)->name, std::wstring(L"Anything"));
  EXPECT_EQ(FindDispatchEntry(kTable, 99), nullptr);
}

TEST(DispatchTableTest, ArgumentsArriveInDeclaredOrderWithDeclaredTypes) {
  Recorder recorder;
  recorder.answer = UniqueVariant::FromString(L"done");
  // A script engine passes numbers as VT_R8 or VT_I4 and booleans as VT_I4.
  Call call(Args(UniqueVariant::FromString(L"label"), UniqueVariant::FromDouble(3.0), UniqueVariant::FromInt(1)));
  UniqueVariant result;
  ASSERT_EQ(Invoke(10, call, recorder, result.get()), S_OK);
  EXPECT_EQ(recorder.id, 10);
  ASSERT_EQ(recorder.args.size(), 3u);
  ASSERT_EQ(recorder.args[0].type(), VT_BSTR);
  EXPECT_STREQ(V_BSTR(recorder.args[0].get()), L"label");
  ASSERT_EQ(recorder.args[1].type(), VT_I4);
  EXPECT_EQ(V_I4(recorder.args[1].get()), 3);
  ASSERT_EQ(recorder.args[2].type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(recorder.args[2].get()), VARIANT_TRUE);
  ASSERT_EQ(result.type(), VT_BSTR);
  EXPECT_STREQ(V_BSTR(result.get()), L"done");
}

TEST(DispatchTableTest, ByReferenceValuesAreFollowed) {
  Recorder recorder;
  LONG number = 9;
  VARIANT_BOOL flag = VARIANT_FALSE;
  UniqueBstr text(std::wstring_view(L"ref"));
  BSTR textSlot = text.get();
  UniqueVariant inner = UniqueVariant::FromInt(5);

  std::vector<VARIANT> reversed(3);
  V_VT(&reversed[2]) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&reversed[2]) = &textSlot;
  V_VT(&reversed[1]) = VT_BYREF | VT_I4;
  V_I4REF(&reversed[1]) = &number;
  V_VT(&reversed[0]) = VT_BYREF | VT_BOOL;
  V_BOOLREF(&reversed[0]) = &flag;
  DISPPARAMS params{reversed.data(), nullptr, 3, 0};
  ASSERT_EQ(DispatchInvoke(kTable, 10, IID_NULL, DISPATCH_METHOD, &params, nullptr, nullptr, recorder.Handler()), S_OK);
  EXPECT_STREQ(V_BSTR(recorder.args[0].get()), L"ref");
  EXPECT_EQ(V_I4(recorder.args[1].get()), 9);
  EXPECT_EQ(V_BOOL(recorder.args[2].get()), VARIANT_FALSE);

  VARIANT variantRef;
  V_VT(&variantRef) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&variantRef) = inner.get();
  DISPPARAMS one{&variantRef, nullptr, 1, 0};
  ASSERT_EQ(DispatchInvoke(kTable, 11, IID_NULL, DISPATCH_METHOD, &one, nullptr, nullptr, recorder.Handler()), S_OK);
  ASSERT_EQ(recorder.args[0].type(), VT_UI1);
  EXPECT_EQ(V_UI1(recorder.args[0].get()), 5);
}

TEST(DispatchTableTest, BooleanFormsAllBecomeVariantBool) {
  Recorder recorder;
  struct Form {
    UniqueVariant value;
    VARIANT_BOOL expected;
  };
  std::vector<Form> forms;
  forms.push_back({UniqueVariant::FromBool(true), VARIANT_TRUE});
  forms.push_back({UniqueVariant::FromInt(0), VARIANT_FALSE});
  forms.push_back({UniqueVariant::FromInt(-1), VARIANT_TRUE});
  forms.push_back({UniqueVariant::FromDouble(1.0), VARIANT_TRUE});
  forms.push_back({UniqueVariant::FromString(L"True"), VARIANT_TRUE});
  forms.push_back({UniqueVariant::FromString(L"False"), VARIANT_FALSE});
  for (Form& form : forms) {
    Call call(Args(UniqueVariant::FromString(L"x"), UniqueVariant::FromInt(0), std::move(form.value)));
    ASSERT_EQ(Invoke(10, call, recorder), S_OK);
    EXPECT_EQ(V_BOOL(recorder.args[2].get()), form.expected);
  }
}

TEST(DispatchTableTest, UncoercibleArgumentIsReportedByItsPosition) {
  Recorder recorder;
  UINT argErr = 99;
  // The second declared argument (an integer) gets text: position 1 of 3, last first.
  Call text(Args(UniqueVariant::FromString(L"x"), UniqueVariant::FromString(L"twelve"), UniqueVariant::FromBool(true)));
  EXPECT_EQ(Invoke(10, text, recorder, nullptr, &argErr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 1u);
  EXPECT_EQ(recorder.id, 0);  // the member never ran

  Call overflow(Args(UniqueVariant::FromInt(300)));
  EXPECT_EQ(Invoke(11, overflow, recorder, nullptr, &argErr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u);

  // Objects are not coerced through their default member.
  UniqueVariant object;
  V_VT(object.get()) = VT_DISPATCH;
  V_DISPATCH(object.get()) = nullptr;
  Call withObject(Args(UniqueVariant::FromString(L"x"), UniqueVariant::FromInt(1), std::move(object)));
  EXPECT_EQ(Invoke(10, withObject, recorder, nullptr, &argErr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u);

  Call numericText(Args(UniqueVariant::FromString(L"x"), UniqueVariant::FromString(L"12"), UniqueVariant::FromInt(0)));
  EXPECT_EQ(Invoke(10, numericText, recorder), S_OK);
  EXPECT_EQ(V_I4(recorder.args[1].get()), 12);
}

TEST(DispatchTableTest, WrongCallsFailBeforeTheMemberRuns) {
  Recorder recorder;
  Call none(Args());
  Call two(Args(UniqueVariant::FromInt(1), UniqueVariant::FromInt(2)));
  EXPECT_EQ(Invoke(99, none, recorder), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(11, none, recorder), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Invoke(11, two, recorder), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Invoke(12, two, recorder), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Invoke(12, none, recorder, nullptr, nullptr, DISPATCH_PROPERTYPUT), DISP_E_MEMBERNOTFOUND);

  Call one(Args(UniqueVariant::FromInt(1)));
  DISPID named = 0;
  one.params()->rgdispidNamedArgs = &named;
  one.params()->cNamedArgs = 1;
  EXPECT_EQ(Invoke(11, one, recorder), DISP_E_NONAMEDARGS);
  EXPECT_EQ(DispatchInvoke(kTable, 12, IID_IDispatch, DISPATCH_METHOD, none.params(), nullptr, nullptr,
                           recorder.Handler()),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(DispatchInvoke(kTable, 12, IID_NULL, DISPATCH_METHOD, nullptr, nullptr, nullptr, recorder.Handler()),
            E_INVALIDARG);
  EXPECT_EQ(recorder.id, 0);
}

TEST(DispatchTableTest, ResultsTakeTheDeclaredTypeAndFailuresPassThrough) {
  Recorder recorder;
  Call none(Args());
  recorder.answer = UniqueVariant::FromInt(7);
  UniqueVariant result;
  ASSERT_EQ(Invoke(14, none, recorder, result.get(), nullptr, DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
  ASSERT_EQ(result.type(), VT_I2);
  EXPECT_EQ(V_I2(result.get()), 7);

  // A member without a result leaves the caller's variant empty.
  ASSERT_EQ(Invoke(12, none, recorder, result.put()), S_OK);
  EXPECT_EQ(result.type(), VT_EMPTY);

  recorder.result = E_ACCESSDENIED;
  EXPECT_EQ(Invoke(14, none, recorder, result.put()), E_ACCESSDENIED);

  // VT_VARIANT takes anything as it comes.
  recorder.result = S_OK;
  Call any(Args(UniqueVariant::FromDouble(0.25)));
  ASSERT_EQ(Invoke(13, any, recorder), S_OK);
  ASSERT_EQ(recorder.args[0].type(), VT_R8);
  EXPECT_EQ(V_R8(recorder.args[0].get()), 0.25);
}

}  // namespace
