#pragma once
// The flyout's page contract: the element ids that show the twelve fields of the flyout
// record, in record order, and the button that closes it. The page ("FlyOut.htm", or the
// native stand-in with the same ids) is filled through one small port. Every field is set
// as text, never as markup: a volume label or a device's identity text is whoever made
// the medium or the device's to choose.
#include <array>
#include <string>

#include "control/core/FlyOutInfo.h"

namespace tavolen {

extern const std::array<const char16_t*, kFlyOutFieldCount> kFlyoutFieldIds;
constexpr char16_t kFlyoutOkButton[] = u"ButtonOK";
constexpr char16_t kFlyoutPageName[] = u"FlyOut.htm";
// The window title the launcher looks for before it hides.
constexpr char16_t kFlyoutWindowTitle[] = u"FlyOutDialog";

class FlyoutPagePort {
 public:
  virtual ~FlyoutPagePort() = default;
  // Sets the text of the element `id`; a page without that element skips it.
  virtual void SetText(const std::u16string& id, const std::u16string& text) = 0;
};

// Writes every field into its element, in the contract's order.
void FillFlyoutPage(FlyoutPagePort& page, const FlyOutInfo& info);

}  // namespace tavolen
