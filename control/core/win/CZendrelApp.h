#pragma once
// The module object of the control library: one per process, before any control. It owns
// the device list, the ports (the system's adapters, or what a test handed in), the gadget
// folder and the power-save settings file, the shared flyout record, and the values the
// design calls process-wide: the control window (GadgetWnd), the measured row size
// (RowHeight, RowWidth), the font choice (MeiryoFont) and the system's age (PreVista).
// Nothing else of the control keeps mutable process-wide state. It is the row host the
// control hands its rows. The window-related values are used on the host's window thread;
// the rest says which threads may use it in RowHost.
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "control/core/PowerSaveFile.h"
#include "control/core/ZendrelEnvironment.h"
#include "control/core/win/Win32ConfigManager.h"
#include "control/device/DeviceList.h"
#include "control/device/win/SetupApiDeviceSource.h"
#include "control/device/win/Win32PortableDevices.h"
#include "control/widgets/win/RowHost.h"
#include "ports/win/PrivateProfileSettingsFile.h"
#include "ports/win/SystemClock.h"
#include "ports/win/Win32Processes.h"
#include "ports/win/Win32RecycleBin.h"
#include "ports/win/Win32Registry.h"
#include "ports/win/Win32ShellFiles.h"
#include "ports/win/Win32UnbufferedFiles.h"
#include "ports/win/Win32UiLanguage.h"
#include "ports/win/Win32Volumes.h"

namespace tavolen {

class CZendrelApp : public RowHost {
 public:
  // Constructed on first use (never while the loader lock is held).
  static CZendrelApp& Instance();

  // Replaces the ports and the threads the controls and their rows use; only while no
  // control exists (tests call it before they create one).
  void SetEnvironment(const ZendrelEnvironment& environment);
  void SetThreads(ThreadStarter& threads) { threads_ = &threads; }

  // RowHost
  const ZendrelEnvironment& Environment() const override { return environment_; }
  DeviceList& Devices() override { return *devices_; }
  std::u16string GadgetFolder() const override;
  std::u16string IniPath() const override;
  PowerSaveFile& PowerSave() override { return *powerSave_; }
  bool MeiryoFont() const override { return meiryoFont_; }
  SharedFlyOutInfo& FlyOut() override { return flyOut_; }
  ThreadStarter& Threads() override { return *threads_; }
  uint32_t LastDragKeyState() const override { return lastDragKeyState_; }
  void SetLastDragKeyState(uint32_t keyState) override { lastDragKeyState_ = keyState; }
  EraseRegistry& Erases() override { return erases_; }

  void SetGadgetFolder(const std::u16string& folder);
  // %APPDATA%\VARNKELD\PowerSave\Setting.ini (the folders are made at start-up).
  const std::u16string& PowerSavePath() const { return powerSave_->Path(); }
  bool PreVista() const { return preVista_; }

  // The control window of this process, target of the rows' and the hook's messages.
  HWND GadgetWnd() const { return gadgetWnd_; }
  void SetGadgetWnd(HWND window) { gadgetWnd_ = window; }
  // The measured row: its window height + 1, and its width.
  int RowHeight() const { return rowHeight_; }
  int RowWidth() const { return rowWidth_; }
  void SetRowSize(int height, int width) {
    rowHeight_ = height;
    rowWidth_ = width;
  }
  // Whether the system's HTML engine renders (asked once, on the window thread): the
  // flyout then shows its page, else its native stand-in.
  bool HtmlEngine();

  // Whether a message hook of a control is installed in this process (one at most).
  bool HookInstalled() const { return hookInstalled_; }
  void SetHookInstalled(bool installed) { hookInstalled_ = installed; }

  // Row templates by font.
  UINT DriveTemplate() const;
  UINT ShortcutTemplate() const;

 private:
  CZendrelApp();

  // The system's adapters; environment_ points to them unless a test replaced it.
  SetupApiDeviceSource systemSource_;
  Win32PortableDevices systemPortableDevices_;
  PrivateProfileFiles systemFiles_;
  Win32Volumes systemVolumes_;
  Win32Registry systemRegistry_;
  SystemClock systemClock_;
  Win32ConfigManager systemConfigManager_;
  Win32Processes systemProcesses_;
  Win32UnbufferedFiles systemUnbufferedFiles_;
  Win32UiLanguage systemUiLanguage_;
  Win32RecycleBin systemRecycleBin_;
  Win32ShellFiles systemShellFiles_;

  ZendrelEnvironment environment_;
  ThreadStarter* threads_;
  std::unique_ptr<DeviceList> devices_;
  std::unique_ptr<PowerSaveFile> powerSave_;
  SharedFlyOutInfo flyOut_;
  EraseRegistry erases_;
  bool meiryoFont_ = false;
  bool preVista_ = false;
  mutable std::mutex folderMutex_;  // the gadget folder is read by worker threads
  std::u16string gadgetFolder_;
  std::atomic<uint32_t> lastDragKeyState_{0};
  HWND gadgetWnd_ = nullptr;
  int rowHeight_ = 0;
  int rowWidth_ = 0;
  bool hookInstalled_ = false;
  int htmlEngine_ = -1;  // not asked yet
};

}  // namespace tavolen
