#pragma once
// The recycle-bin row: a drive panel whose picture is the shell's bin (empty or full),
// whose label is "Recycle Bin" and whose size line is the total of all bins. A click on
// the picture opens the bin; files dropped on the row are deleted into it, or for good
// with Shift; a right-button drag offers only Move and Cancel. Its menu is the shell's
// menu of the bin alone (the button knows the bin by its name). Created, used and
// destroyed on the control's window thread.
#include "control/panels/win/CDriveInfoDlg.h"

namespace tavolen {

class CRecycleInfoDlg : public CDriveInfoDlg {
 public:
  // The host must outlive the panel.
  explicit CRecycleInfoDlg(RowHost& host);

  // The bin's size and picture again (the control's refresh of its rows).
  void UpdatePanel() override;
  // Opens the Recycle Bin folder with the bin selected.
  void OpenInExplorer() override;
  std::u16string GetLabelText(const std::u16string& path, bool arrayState) override;
  std::u16string GetCapacityText(const std::u16string& path) override;

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnDropFiles(HDROP drop);
};

}  // namespace tavolen
