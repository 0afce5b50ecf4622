#pragma once
// The module object of the control library: one per process, before any control. Owns
// the device list, knows the gadget folder and the two settings files, picks the row
// template by font, and shows the control's two message boxes.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

#include "control/device/DeviceList.h"
#include "control/core/ZendrelEnvironment.h"

namespace tavolen {

// Process-wide values shared with the rows and the other parts of the control.
extern HWND g_hGadgetWnd;
extern int g_nRowHeight;
extern int g_nRowWidth;
extern bool g_bMeiryoFont;
extern bool g_bPreVista;

class CZendrelApp {
 public:
  // Constructed on first use (never while the loader lock is held).
  static CZendrelApp& Instance();

  // Replaces the ports the controls and the refresh threads use; only while no control
  // exists (tests call it before they create one).
  void SetEnvironment(const ZendrelEnvironment& environment);
  const ZendrelEnvironment& Environment() const { return environment_; }

  DeviceList& Devices() { return *devices_; }

  std::u16string GadgetFolder() const;
  void SetGadgetFolder(const std::u16string& folder);
  // The gadget folder followed by "\DragAndDropSetting.ini".
  std::u16string IniPath() const;
  // %APPDATA%\VARNKELD\PowerSave\Setting.ini (the folders are made at start-up).
  std::u16string PowerSavePath() const { return powerSavePath_; }

  // Row templates by font.
  UINT DriveTemplate() const;

  // Topmost message boxes without owner, captions "Caution" and "Information". The
  // information box closes itself after closeAfter milliseconds.
  int ShowCautionBox(const std::u16string& text);
  int ShowCautionBox(UINT stringId);
  int ShowInfoBox(const std::u16string& text, DWORD closeAfter = 5000);

 private:
  CZendrelApp();

  ZendrelEnvironment environment_;
  std::unique_ptr<DeviceList> devices_;
  std::u16string powerSavePath_;
  mutable std::mutex mutex_;  // the gadget folder is read by worker threads
  std::u16string gadgetFolder_;
};

// A string of the control's string table in the user's language.
std::u16string LoadResourceString(UINT id);

}  // namespace tavolen
