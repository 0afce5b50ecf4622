#pragma once
// The gadget control that the page embeds: its automation members and events, the
// private messages, timers and refresh threads of its window, the message hook that turns
// the host's broadcasts into those messages, and the checks made at its creation.
// One control per process: the window handle, the hook and the row size are
// process-wide.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/ActiveXControl.h"
#include "control/panels/win/CDriveInfoDlg.h"
#include "framework/Dialog.h"
#include "control/core/GadgetOptions.h"
#include "framework/UniqueHandle.h"

namespace tavolen {

class CZendrelCtrl : public ActiveXControl {
 public:
  // What the class factory hands out (after the creation check).
  static HRESULT Create(REFIID riid, void** out);
  static ControlDescription Describe();

  CZendrelCtrl();
  ~CZendrelCtrl() override;

  HRESULT CheckCreation() override;

  using ActiveXControl::Invoke;

 protected:
  const DispatchTable& DispatchMembers() const override;
  HRESULT Invoke(DISPID id, const std::vector<VARIANT>& args, VARIANT* result) override;
  void OnFinalRelease() override;
  void OnWindowCreated() override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnPositionChanged(const RECT& position) override;

 private:
  enum class RefreshKind { A, B };
  // Internal message: refresh thread B has ended (timers belong to the window's thread).
  static constexpr UINT kRefreshEnded = 0x8014;

  // Automation members.
  HRESULT LoadGadgetPath(const std::u16string& path);
  void AddSetting();
  void SetAdditionalOption(bool recycle, bool watchRemovable, uint8_t shortcuts, uint8_t showCount, uint8_t color);
  void ShowAllDrive();
  void EraseFlyoutSetting();
  void GetFlyOutInfo();
  void SaveDriveCount();
  uint8_t GetSettingData(const std::u16string& name) const;
  void FireSettingOverwrite(uint32_t driveCount, bool recycle, bool watchRemovable, uint32_t shortcuts,
                            uint32_t color);
  void FireSetSizeInfo(uint32_t height, uint32_t width);

  // Window messages and timers.
  LRESULT OnVolumeChange();
  LRESULT OnDevNodes();
  void OnTimer(UINT_PTR id);
  void OnPowerBroadcast(WPARAM event);
  void Rebuild();
  void UpdateRows();
  void RepaintRows();
  void MeasureRow();

  // Rows.
  void RefreshDrives();
  void ApplyHiddenDrives();
  void StackDrivePanels();
  void SetRecyclePanel(int mode);
  void SetShortcutRows(int mode);
  void HideDrive(uint32_t index, bool noMedium);
  void RenumberPanels();
  void PollMedia();
  UINT ShortcutTemplate() const;

  // Refresh threads: at most one at a time.
  bool RefreshThreadRunning() const;
  bool StartRefreshThread(RefreshKind kind);
  // Waits for a running refresh thread while dispatching messages (thread A sends to this
  // window), then closes its handle.
  void WaitForRefreshThread();

  void InstallHook();
  void RemoveHook();

  uint32_t RowTotal() const;

  // A row whose own behaviour comes with its own class: made from its template and placed.
  class PlainRow : public Dialog {
   protected:
    INT_PTR HandleMessage(UINT message, WPARAM, LPARAM) override { return message == WM_INITDIALOG; }
  };

  std::vector<std::unique_ptr<CDriveInfoDlg>> drivePanels_;
  std::vector<std::unique_ptr<PlainRow>> recyclePanel_;  // empty or one
  std::vector<std::unique_ptr<PlainRow>> shortcutRows_;
  std::vector<std::u16string> noMedia_;
  uint32_t rowCount_ = 0;

  GadgetOptions options_;
  std::u16string hiddenDrives_;
  UniqueHandle refreshThread_;
  int serviceStatus_ = 0;
  bool started_ = false;  // LoadGadgetPath ran
};

}  // namespace tavolen
