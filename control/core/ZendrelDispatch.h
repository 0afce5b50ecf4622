#pragma once
// The members a page script can reach on the control, with their DISPIDs and types, and
// the events the control fires. Types are automation VARTYPE values.
#include <cstdint>
#include <vector>

namespace tavolen {

namespace vt {
constexpr uint16_t Empty = 0, I2 = 2, I4 = 3, Bstr = 8, Bool = 11, UI1 = 17, UI4 = 19;
}

struct DispatchMember {
  const char16_t* name;
  int32_t dispid;
  uint16_t result;             // vt::Empty for none
  std::vector<uint16_t> args;  // in declared order
};

namespace zendrel_dispid {
constexpr int32_t GetDriveLetterCount = 1, ShowAllDrive = 2, EraseFlyoutSetting = 3, NowSetting = 5,
                  SettingOverwrite = 7, SetSizeInfo = 8, GetFocusState = 9, LoadGadgetPath = 11, ShowRenewInfo = 13,
                  IsSetHideDrives = 14, SendFlyOutInfo = 15, GetFlyOutInfo = 16, SaveDriveCount = 18, AddSetting = 19,
                  GetSettingData = 21, SetAdditionalOption = 22, AboutBox = -552;
}

namespace zendrel_event {
constexpr int32_t ChangeSize = 1, FlyOutOn = 2, FlyOutOff = 3, GadgetClose = 4, SetFlyOutInfo = 6,
                  SettingOverwrite = 7, SetSizeInfo = 8;
}

// What script calls reach. AboutBox and SendFlyOutInfo are declared by the type library
// but not served.
const std::vector<DispatchMember>& ZendrelDispatchTable();

}  // namespace tavolen
