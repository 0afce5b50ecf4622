#pragma once
// The gadget control that the page embeds: its automation members and events, the
// private messages and the timers of its window, and the checks made at its creation. It
// delegates its rows to a RowStack, its refresh threads to a RefreshWorker and the
// message hook to a HookOwner; process-wide values live in the module object. One
// control per process. Used on the host's window thread.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "control/core/GadgetOptions.h"
#include "control/core/win/CZendrelApp.h"
#include "control/core/win/HookOwner.h"
#include "control/core/win/RefreshWorker.h"
#include "control/core/win/RowStack.h"
#include "control/widgets/win/CFlyoutDlg.h"
#include "framework/ActiveXControl.h"
#include "framework/UniqueModule.h"

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
  // Decides whether this container is served (a browser only for local pages).
  void OnClientSiteChanged() override;

 private:
  // Automation members.
  HRESULT LoadGadgetPath(const std::u16string& path);
  void AddSetting();
  void SetAdditionalOption(bool recycle, bool watchRemovable, uint8_t shortcuts, uint8_t showCount, uint8_t color);
  void ShowAllDrive();
  void GetFlyOutInfo();
  void EraseFlyoutSetting();
  void SaveDriveCount();
  void FireSettingOverwrite(uint32_t driveCount, bool recycle, bool watchRemovable, uint32_t shortcuts,
                            uint32_t color);
  void FireSetSizeInfo(uint32_t height, uint32_t width);
  void FireChangeSize();

  // Window messages and timers.
  LRESULT OnVolumeChange();
  LRESULT OnDevNodes();
  void OnUpdate();
  void OnHideDrive(WPARAM request, bool noMedium);
  void OnFlyoutOff();
  // Destroys the flyout window if one is open and forgets it.
  void CloseFlyout();
  void OnRefreshEnded();
  void OnTimer(UINT_PTR id);
  void OnLabelTimer();
  void OnDeviceTimer();
  void OnMediaTimer();
  void OnPortableTimer();
  void OnPowerBroadcast(WPARAM event);
  void OnMouseMove(WPARAM wParam, LPARAM lParam);
  void OnDestroy();
  void MeasureRow();

  // The control's timers go through the module's clock, so tests can step them.
  void StartTimer(uintptr_t id, uint32_t periodMs);
  void StopTimer(uintptr_t id);
  void StartRefresh(RefreshWorker::Kind kind);

  std::unique_ptr<SettingsFile> Ini() const;

  CZendrelApp& app_;
  GadgetOptions options_;
  RowStack rows_;
  RefreshWorker refresh_;
  std::unique_ptr<HookOwner> hook_;  // installed by this control's start; none or one
  std::unique_ptr<CFlyoutDlg> flyout_;  // the control's own flyout while one was opened
  UniqueModule richEdit_;            // the rows' rich edit class, while a control lives
  int serviceStatus_ = 0;
  bool started_ = false;  // LoadGadgetPath ran
  bool served_ = true;    // the container may call the members (set with each client site)
};

}  // namespace tavolen
