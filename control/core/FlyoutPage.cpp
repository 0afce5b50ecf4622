#include "control/core/FlyoutPage.h"

namespace tavolen {

const std::array<const char16_t*, kFlyOutFieldCount> kFlyoutFieldIds = {
    u"TitleName", u"VolumeLabel", u"FreeSpace", u"VenderName", u"ProductName", u"Firmware",
    u"Title1",    u"Data1",       u"Title2",    u"Data2",      u"Title3",      u"Data3"};

void FillFlyoutPage(FlyoutPagePort& page, const FlyOutInfo& info) {
  const auto fields = FlyOutFields(info);
  for (std::size_t i = 0; i < kFlyOutFieldCount; ++i) page.SetText(kFlyoutFieldIds[i], fields[i]);
}

}  // namespace tavolen
