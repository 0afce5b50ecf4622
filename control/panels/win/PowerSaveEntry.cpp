#include "PowerSaveEntry.h"

#include "CPowerSaveDlg.h"
#include "CZendrelApp.h"

namespace tavolen {

void RunPowerSaveDialog(HWND owner, uint32_t driveNumber) {
  CPowerSaveDlg dialog(driveNumber, CPowerSaveDlg::TemplateFor(g_bMeiryoFont));
  dialog.DoModal(owner);
}

}  // namespace tavolen
