#pragma once
// The settings dialog: the page Settings.htm in the HTML view, or its native stand-in
// (a dialog with a control for each of the page's elements). Filled from the registry
// and the settings file beside the launcher; "ButtonOK" stores and applies through the
// main page, "ButtonCancel" closes without storing, "ShowManual" opens the manual.
//
// Lifetime: run modally by the main window. UI thread only.
#include <windows.h>

#include <memory>

#include "framework/Dialog.h"
#include "launcher/MarveskPort.h"
#include "launcher/SettingsController.h"
#include "launcher/win/LauncherContext.h"
#include "ports/win/PrivateProfileSettingsFile.h"

namespace tavolen::launcher {

class HtmlSettingsPage;

class CSettingDlg : public Dialog {
 public:
  CSettingDlg(LauncherContext& context, MainPagePort& mainPage);
  ~CSettingDlg() override;
  INT_PTR Run(HWND owner);

 private:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnInitDialog();
  void Confirm(SettingsPagePort& page);
  void ShowManual();
  void DrawPreview(const DRAWITEMSTRUCT& item);

  LauncherContext& context_;
  MainPagePort& mainPage_;
  PrivateProfileSettingsFile file_;
  SettingsController controller_;
  std::unique_ptr<SettingsPagePort> nativePage_;
  std::unique_ptr<HtmlSettingsPage> htmlPage_;
};

}  // namespace tavolen::launcher
