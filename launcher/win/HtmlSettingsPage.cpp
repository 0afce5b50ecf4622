#include "launcher/win/HtmlSettingsPage.h"

#include "framework/UniqueVariant.h"
#include "framework/Utf16.h"
#include "launcher/Text.h"
#include "launcher/win/PageAddress.h"

namespace tavolen::launcher {

namespace sp = settings_page;

bool HtmlSettingsPage::Open(HWND dialog, const std::wstring& pagePath, Completed completed, Clicked clicked) {
  completed_ = std::move(completed);
  clicked_ = std::move(clicked);
  HtmlView::Callbacks callbacks;
  callbacks.documentComplete = [this](const std::u16string& url) {
    for (const char16_t* id : {sp::kButtonOk, sp::kButtonCancel, sp::kShowManual}) {
      const std::u16string button = id;
      view_.AttachEvent(AsWide(id), L"onclick", [this, button] {
        clicked_(button);
        return false;
      });
    }
    completed_(url);
  };
  return view_.Open(dialog, std::move(callbacks)) && view_.Navigate(FileAddress(pagePath));
}

bool HtmlSettingsPage::Checked(const std::u16string& id) {
  UniqueVariant value;
  return view_.GetProperty(AsWide(id.c_str()), L"checked", value.put()) && value.type() == VT_BOOL &&
         V_BOOL(value.get()) == VARIANT_TRUE;
}

void HtmlSettingsPage::SetChecked(const std::u16string& id, bool checked) {
  view_.SetProperty(AsWide(id.c_str()), L"checked", *UniqueVariant::FromBool(checked).get());
}

uint32_t HtmlSettingsPage::Number(const std::u16string& id) {
  UniqueVariant value;
  if (!view_.GetProperty(AsWide(id.c_str()), L"value", value.put()) || value.type() != VT_BSTR || !V_BSTR(value.get()))
    return 0;
  const int number = DecimalToInt(ToUtf16(V_BSTR(value.get())));
  return number > 0 ? uint32_t(number) : 0;
}

void HtmlSettingsPage::SetNumber(const std::u16string& id, uint32_t value) {
  const std::u16string text = IntToDecimal(value);
  view_.SetProperty(AsWide(id.c_str()), L"value", *UniqueVariant::FromString(ToWide(text)).get());
}

bool HtmlSettingsPage::Call(const std::u16string& function) { return view_.CallScript(AsWide(function.c_str())); }

}  // namespace tavolen::launcher
