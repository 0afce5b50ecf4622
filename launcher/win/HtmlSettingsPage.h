#pragma once
// Settings.htm in the system's HTML engine: check boxes by their "checked" property,
// numbers by their "value" (written as decimal text, never as markup), buttons by their
// click events.
#include <functional>

#include "launcher/SettingsController.h"
#include "framework/HtmlView.h"

namespace tavolen::launcher {

class HtmlSettingsPage : public SettingsPagePort {
 public:
  using Completed = std::function<void(const std::u16string& url)>;
  using Clicked = std::function<void(const std::u16string& id)>;

  bool Open(HWND dialog, const std::wstring& pagePath, Completed completed, Clicked clicked);
  void Fill(const RECT& client) { view_.Fill(client); }
  void Close() { view_.Close(); }

  bool Checked(const std::u16string& id) override;
  void SetChecked(const std::u16string& id, bool checked) override;
  uint32_t Number(const std::u16string& id) override;
  void SetNumber(const std::u16string& id, uint32_t value) override;
  bool Call(const std::u16string& function) override;

 private:
  HtmlView view_;
  Completed completed_;
  Clicked clicked_;
};

}  // namespace tavolen::launcher
