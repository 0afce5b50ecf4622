#pragma once
// The native stand-in of Settings.htm: the page's elements as the controls of the
// settings dialog's native template, by the same names ("WacthRemovable" included).
#include <windows.h>

#include "launcher/SettingsController.h"

namespace tavolen::launcher {

class NativeSettingsPage : public SettingsPagePort {
 public:
  // `dialog` is the settings dialog made from the native template; it outlives this.
  explicit NativeSettingsPage(HWND dialog);
  bool Checked(const std::u16string& id) override;
  void SetChecked(const std::u16string& id, bool checked) override;
  uint32_t Number(const std::u16string& id) override;
  void SetNumber(const std::u16string& id, uint32_t value) override;
  // "ChangeColorIndex" repaints the colour sample.
  bool Call(const std::u16string& function) override;

  // The element id of a control, or 0.
  static int ControlId(const std::u16string& id);
  // The colour of a colour index.
  static COLORREF Colour(uint32_t index);

 private:
  HWND dialog_;
};

}  // namespace tavolen::launcher
