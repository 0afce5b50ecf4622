#include "control/core/ZendrelDispatch.h"

namespace tavolen {

const std::vector<DispatchMember>& ZendrelDispatchTable() {
  using namespace zendrel_dispid;
  static const std::vector<DispatchMember> table = {
      {u"GetDriveLetterCount", GetDriveLetterCount, vt::I2, {}},
      {u"ShowAllDrive", ShowAllDrive, vt::Empty, {}},
      {u"EraseFlyoutSetting", EraseFlyoutSetting, vt::Empty, {}},
      {u"NowSetting", NowSetting, vt::Bstr, {}},
      {u"GetFocusState", GetFocusState, vt::Bool, {}},
      {u"LoadGadgetPath", LoadGadgetPath, vt::Empty, {vt::Bstr}},
      {u"ShowRenewInfo", ShowRenewInfo, vt::Empty, {}},
      {u"IsSetHideDrives", IsSetHideDrives, vt::Bool, {}},
      {u"GetFlyOutInfo", GetFlyOutInfo, vt::Empty, {}},
      {u"SaveDriveCount", SaveDriveCount, vt::Empty, {vt::UI1}},
      {u"AddSetting", AddSetting, vt::Empty, {}},
      {u"GetSettingData", GetSettingData, vt::UI1, {vt::Bstr}},
      {u"SetAdditionalOption", SetAdditionalOption, vt::Empty, {vt::Bool, vt::Bool, vt::UI1, vt::UI1, vt::UI1}},
      {u"SettingOverwrite", SettingOverwrite, vt::Empty, {vt::UI4, vt::Bool, vt::Bool, vt::UI4, vt::UI4}},
      {u"SetSizeInfo", SetSizeInfo, vt::Empty, {vt::UI4, vt::UI4}},
  };
  return table;
}

}  // namespace tavolen
