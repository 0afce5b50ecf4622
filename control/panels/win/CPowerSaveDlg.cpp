#include "control/panels/win/CPowerSaveDlg.h"

#include <utility>

#include "control/widgets/win/MessageBoxes.h"
#include "framework/ResourceString.h"
#include "framework/Module.h"
#include "framework/Utf16.h"
#include "control/resources/resource.h"

namespace tavolen {

static_assert(uint16_t(PowerSaveMessage::StandbyEnabled) == IDS_STANDBY_ENABLED, "message ids");
static_assert(uint16_t(PowerSaveMessage::SetStandbyFailed) == IDS_SET_STANDBY_FAILED, "message ids");
static_assert(uint16_t(PowerSaveMessage::StandbyDisabled) == IDS_STANDBY_DISABLED, "message ids");
static_assert(uint16_t(PowerSaveMessage::ReleaseStandbyFailed) == IDS_RELEASE_STANDBY_FAILED, "message ids");
static_assert(uint16_t(PowerSaveMessage::CheckPowerModeFailed) == IDS_CHECK_POWER_MODE_FAILED, "message ids");
static_assert(uint16_t(PowerSaveMessage::TimerReleased) == IDS_TIMER_RELEASED, "message ids");
static_assert(uint16_t(PowerSaveMessage::TimerSet) == IDS_TIMER_SET, "message ids");
static_assert(uint16_t(PowerSaveMessage::SetTimerFailed) == IDS_SET_TIMER_FAILED, "message ids");
static_assert(uint16_t(PowerSaveMessage::ReleaseTimerFailed) == IDS_RELEASE_TIMER_FAILED, "message ids");
static_assert(uint16_t(PowerSaveMessage::TimerNotStored) == IDS_TIMER_NOT_STORED, "message ids");
static_assert(uint16_t(PowerSaveMessage::TimerNotForgotten) == IDS_TIMER_NOT_FORGOTTEN, "message ids");
static_assert(IDS_AFTER_1H - IDS_AFTER_10M + 1 == kTimerChoiceCount, "one text per timer choice");

namespace {

UniqueIcon LoadPowerSaveIcon(int sizeMetric) {
  const int size = ::GetSystemMetrics(sizeMetric);
  return UniqueIcon(static_cast<HICON>(
      ::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(IDI_POWER_SAVE), IMAGE_ICON, size, size, 0)));
}

}  // namespace

PowerSaveSources ModulePowerSaveSources(RowHost& host) {
  PowerSaveSources sources;
  sources.disks = [&host](uint32_t driveNumber) { return host.Devices().FindDisk(driveNumber); };
  sources.opener = host.Environment().opener;
  sources.powerSave = &host.PowerSave();
  Clock* clock = host.Environment().clock;
  sources.pause = [clock](unsigned milliseconds) { clock->Pause(milliseconds); };
  return sources;
}

CPowerSaveDlg::CPowerSaveDlg(uint32_t driveNumber, UINT templateId, PowerSaveSources sources)
    : templateId_(templateId),
      infoBoxCloseAfter_(sources.infoBoxCloseAfter),
      control_(driveNumber, std::move(sources.disks), *sources.opener, *sources.powerSave, std::move(sources.pause)) {}

UINT CPowerSaveDlg::TemplateFor(bool meiryoFont) {
  return meiryoFont ? IDD_POWER_SAVE_MEIRYO : IDD_POWER_SAVE_TAHOMA;
}

INT_PTR CPowerSaveDlg::DoModal(HWND parent) { return Dialog::DoModal(parent, templateId_); }

int CPowerSaveDlg::ToggleStandby() { return Report(control_.ToggleStandby()); }

int CPowerSaveDlg::SetStandbyTimer(bool release) { return Report(control_.SetStandbyTimer(release, SelectedChoice())); }

INT_PTR CPowerSaveDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: OnOK(); return TRUE;
        case IDC_STANDBY_TIMER:
        case IDC_POWER_MODE:
          // The pair works as radio buttons whatever style the template gives them.
          ::CheckRadioButton(hwnd(), IDC_POWER_MODE, IDC_STANDBY_TIMER, LOWORD(wParam));
          EnableTimerChoice(LOWORD(wParam) == IDC_STANDBY_TIMER);
          return TRUE;
        default: break;
      }
      break;
    default: break;
  }
  return Dialog::HandleMessage(message, wParam, lParam);
}

BOOL CPowerSaveDlg::OnInitDialog() {
  bigIcon_ = LoadPowerSaveIcon(SM_CXICON);
  smallIcon_ = LoadPowerSaveIcon(SM_CXSMICON);
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));

  const HWND combo = Item(IDC_TIMER_COMBO);
  for (int choice = 0; choice < kTimerChoiceCount; ++choice) {
    const std::wstring text = ToWide(LoadResourceString(IDS_AFTER_10M + UINT(choice)));
    const LRESULT index = ::SendMessageW(combo, CB_INSERTSTRING, WPARAM(choice), reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) ::SendMessageW(combo, CB_SETITEMDATA, WPARAM(index), LPARAM(TimerChoiceCount(choice)));
  }

  if (control_.HasStoredTimer()) {
    ::SetDlgItemTextW(hwnd(), IDC_POWER_MODE, ToWide(LoadResourceString(IDS_RELEASE_TIMER)).c_str());
    ::CheckRadioButton(hwnd(), IDC_POWER_MODE, IDC_STANDBY_TIMER, IDC_STANDBY_TIMER);
    EnableTimerChoice(true);
  } else {
    ::CheckRadioButton(hwnd(), IDC_POWER_MODE, IDC_STANDBY_TIMER, IDC_POWER_MODE);
    EnableTimerChoice(false);
  }
  ::SendMessageW(combo, CB_SETCURSEL, WPARAM(control_.InitialChoice()), 0);
  return TRUE;
}

void CPowerSaveDlg::OnOK() {
  // Hidden while the command runs and while its message is up.
  ::ShowWindow(hwnd(), SW_HIDE);
  const PowerSaveAction action =
      ChooseAction(::IsDlgButtonChecked(hwnd(), IDC_POWER_MODE) == BST_CHECKED,
                   ::IsDlgButtonChecked(hwnd(), IDC_STANDBY_TIMER) == BST_CHECKED, control_.HasStoredTimer());
  Report(control_.Apply(action, SelectedChoice()));
  End(IDOK);
}

void CPowerSaveDlg::EnableTimerChoice(bool enable) {
  if (HWND combo = Item(IDC_TIMER_COMBO)) ::EnableWindow(combo, enable);
}

int CPowerSaveDlg::SelectedChoice() const {
  if (hwnd()) {
    const LRESULT selected = ::SendMessageW(Item(IDC_TIMER_COMBO), CB_GETCURSEL, 0, 0);
    if (selected >= 0 && selected < kTimerChoiceCount) return int(selected);
  }
  return control_.InitialChoice();
}

int CPowerSaveDlg::Report(const StandbyOutcome& outcome) const {
  if (outcome.message != PowerSaveMessage::None) {
    const std::u16string text = LoadResourceString(UINT(outcome.message));
    if (IsCaution(outcome.message))
      ShowCautionBox(text);
    else
      ShowInfoBox(text, infoBoxCloseAfter_);
  }
  return outcome.result;
}

}  // namespace tavolen
