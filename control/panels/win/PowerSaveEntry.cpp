#include "control/panels/win/PowerSaveEntry.h"

#include "control/panels/win/CPowerSaveDlg.h"
#include "control/core/win/CZendrelApp.h"

namespace tavolen {

void RunPowerSaveDialog(HWND owner, uint32_t driveNumber) {
  CPowerSaveDlg dialog(driveNumber, CPowerSaveDlg::TemplateFor(g_bMeiryoFont));
  dialog.DoModal(owner);
}

}  // namespace tavolen
