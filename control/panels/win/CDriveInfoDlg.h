#pragma once
// One drive's row: a modeless child dialog of the control window with the drive's
// picture on a button, its label, capacity bar and size line, and a transparent overlay
// that turns clicks into actions. Every per-drive action starts here; the long ones
// (eject, tray, drop copy, erasing free space) run on worker threads that get copies of
// what they need, so the panel may go away while they run. Created, used and destroyed on
// the control's window thread; it reaches the control only through its parent window and
// the row host it was given.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "control/device/DeviceInfo.h"
#include "control/panels/GadgetMenuPlan.h"
#include "control/widgets/win/CGadgetButton.h"
#include "control/widgets/win/CGadgetDropTarget.h"
#include "control/widgets/win/CGadgetProgBar.h"
#include "control/widgets/win/CGadgetTransRichEdit.h"
#include "control/widgets/win/PanelMessages.h"
#include "control/widgets/win/RowHost.h"
#include "control/widgets/win/ShellMenuHandler.h"
#include "framework/Dialog.h"
#include "framework/GdiObject.h"
#include "framework/UniqueWindow.h"
#include "framework/Worker.h"

namespace tavolen {

class CDriveInfoDlg : public Dialog {
 public:
  // The host must outlive the panel.
  CDriveInfoDlg(RowHost& host, std::u16string drivePath);
  ~CDriveInfoDlg() override;

  // Creates the window from the drive template as a child of the control window.
  bool CreatePanel(HWND control, UINT templateId);

  const std::u16string& DrivePath() const { return drivePath_; }
  uint32_t DriveNumber() const { return driveNumber_; }
  uint32_t Kind() const { return kind_; }
  uint32_t SlotIndex() const { return slotIndex_; }
  void SetSlotIndex(uint32_t index) { slotIndex_ = index; }

  // Virtual operations of a panel; the portable-device panel answers with its own.
  virtual void OpenInExplorer();
  virtual std::u16string GetLabelText(const std::u16string& path, bool arrayState);
  virtual std::u16string GetCapacityText(const std::u16string& path);
  virtual void UpdatePanel();

  // The control's periodic refresh: label and size line.
  void RefreshLabelAndSize();
  // Draws the button's picture: the device icon (or the shell's icon of the drive when
  // none) with the drive-letter overlay when asked.
  void ComposeButtonImage(HICON deviceIcon, bool overlay);

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  RowHost& Host() const { return host_; }

  // For a panel that reads another kind of device into the same row (the portable-device
  // panel): the path its button and menus name, its kind, its widgets, its background.
  void SetDevice(std::u16string drivePath, uint32_t kind);
  CGadgetButton& Button() { return button_; }
  CGadgetProgBar& Bar() { return bar_; }
  void ResetBackground();
  // The device record an eject takes along (the eject thread gets its own copy); none for
  // a drive, whose record the thread looks up by its number.
  virtual std::optional<DeviceInfo> EjectRecord() const { return std::nullopt; }

 private:
  bool OnInitDialog();
  void OnDestroy();
  void OnCommand(UINT id);
  void StartEjectThread();
  void StartTrayThread();
  void OpenPowerSave();
  void HideRow(bool noMedium);
  void SwitchMediaPoll(bool watchRemovable);
  void StopMediaPoll();
  void OnMediaPoll();
  void RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam);
  // The information request of the overlay's click: the property thread, with the Ctrl
  // key as it is now.
  void RequestDetails();
  // The array state of a maker array product: may colour the row and replace the label.
  std::u16string ApplyArrayState(std::u16string label);
  // Replaces the background brush when the colour changes (window thread only).
  void SetBackground(COLORREF colour);
  void SetTooltipText(const std::u16string& text);

  // Erasing free space and drop copy.
  void StartErase();
  void OnDropFiles(HDROP drop);
  void OnSaveMethod(SaveMethod method);
  void OnRootDirectory();
  void OnCustomFolder();
  std::unique_ptr<SettingsFile> Ini() const;

  RowHost& host_;
  std::u16string saveFolder_;
  std::u16string drivePath_;
  uint32_t driveNumber_ = 0xFFFFFFFF;
  uint32_t kind_ = 0;
  uint32_t slotIndex_ = 0;
  UniqueBrush background_;
  COLORREF backgroundColour_ = 0;
  UniqueBitmap buttonImage_;
  WorkerSlot propertyThread_, ejectThread_, trayThread_;
  DropTargetRegistration dropTarget_;
  ShellMenuHandler menuHandler_;          // while the button's shell menu is open
  UniqueWindow tooltip_;                  // owned by the panel; destroyed at WM_DESTROY

  CGadgetButton button_;
  CGadgetProgBar bar_;
  CGadgetTransRichEdit overlay_;
};

}  // namespace tavolen
