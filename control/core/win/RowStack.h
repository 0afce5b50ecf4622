#pragma once
// The control's rows: one drive panel per shown drive in drive-letter order, one
// portable-device panel per portable device after them, at most one recycle-bin row and
// the shortcut rows below them, their creation, order, stacking,
// hiding and showing, the hidden-drive list and the drives without a medium that the
// media poll watches. Owned by the control; used on its window thread only. The rows are
// child windows of the control window given to Attach.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/core/ControlHook.h"
#include "control/core/GadgetOptions.h"
#include "control/panels/RowPlan.h"
#include "control/panels/win/CDriveInfoDlg.h"
#include "control/panels/win/CRecycleInfoDlg.h"
#include "control/panels/win/CShortcutDlg.h"
#include "control/panels/win/CWpdInfoDlg.h"
#include "control/core/win/CZendrelApp.h"
#include "framework/Dialog.h"

namespace tavolen {

class RowStack {
 public:
  // What SetRecyclePanel and SetShortcutRows do.
  enum class Change {
    Remove,  // the rows go (their shortcut sections too) and ChangeSize fires
    Show,    // create what is missing (up to the count), show and place
    Place,   // only move to their places
  };

  // The rows' host is the module object; `options` are the control's and outlive the
  // stack; `changeSize` fires the event.
  RowStack(CZendrelApp& app, const GadgetOptions& options, std::function<void()> changeSize);
  ~RowStack();
  RowStack(const RowStack&) = delete;
  RowStack& operator=(const RowStack&) = delete;

  // The control window the rows live in; null when it is gone (the rows are forgotten
  // then, their windows having gone with it).
  void Attach(HWND control);

  // Reads the drives and brings the drive panels up to date (hidden drives included);
  // makes the portable-device panels anew.
  void RefreshDrives();
  // Reads the hidden-drive list and drops the hidden drives' panels.
  void ApplyHiddenDrives();
  void StackDrivePanels();
  void SetRecyclePanel(Change change);
  void SetShortcutRows(Change change);
  // The full rebuild (message 0x800E).
  void Rebuild();
  // Hides the row a panel asked to hide (message 0x8002): remembered as hidden, or as
  // without a medium; nothing when the request names no row any more.
  void HideDrive(HideDriveRequest request, bool noMedium);
  // Every drive comes back and the hidden list is forgotten.
  void ShowAllDrives();
  // Labels and sizes refreshed (message 0x8003's work), then a repaint is posted.
  void UpdateRows();
  void RepaintRows();
  // The media poll of removable drives without a medium (timer 4).
  MediaPoll PollMedia();
  // Makes a drive row from its template, measures it and throws it away: height, width.
  RowSize MeasureRow() const;

  uint32_t RowTotal() const;
  const std::u16string& HiddenDrives() const { return hiddenDrives_; }
  bool HasRecyclePanel() const { return recyclePanel_ != nullptr; }

 private:
  std::unique_ptr<SettingsFile> Ini() const;
  std::vector<std::u16string> DriveRoots() const;
  void RenumberPanels();
  void RefreshPortablePanels();
  uint32_t StackedRows() const;
  void PlaceBelowDrives();
  void StartMediaPoll();

  CZendrelApp& host_;
  const GadgetOptions& options_;
  std::function<void()> changeSize_;
  HWND control_ = nullptr;
  std::vector<std::unique_ptr<CDriveInfoDlg>> drivePanels_;
  std::vector<std::unique_ptr<CWpdInfoDlg>> portablePanels_;
  std::unique_ptr<CRecycleInfoDlg> recyclePanel_;  // none or one
  std::vector<std::unique_ptr<CShortcutDlg>> shortcutRows_;
  std::vector<std::u16string> noMedia_;
  uint32_t rowCount_ = 0;
  std::u16string hiddenDrives_;
};

}  // namespace tavolen
