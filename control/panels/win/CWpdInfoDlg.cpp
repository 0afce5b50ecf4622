#include "control/panels/win/CWpdInfoDlg.h"

#include "control/core/ControlHook.h"
#include "control/panels/GadgetMenuPlan.h"
#include "control/panels/PanelTexts.h"
#include "control/panels/PortablePanel.h"
#include "control/resources/resource.h"
#include "framework/ResourceString.h"
#include "framework/Utf16.h"

namespace tavolen {

static_assert(panel_strings::kFree == IDS_FREE, "string ids");

CWpdInfoDlg::CWpdInfoDlg(RowHost& host, const DeviceSnapshot& devices, std::size_t index)
    : CDriveInfoDlg(host, std::u16string()), entry_(PortableEntryAt(devices, index)) {
  PortableDevices* portable = host.Environment().portableDevices;
  if (!portable || entry_.devicePath.empty()) return;
  // The session may end here: the device keeps what it needs on this thread.
  if (const auto session = portable->StartSession()) device_ = session->Open(entry_.devicePath).device;
}

CWpdInfoDlg::~CWpdInfoDlg() = default;

std::u16string CWpdInfoDlg::GetLabelText(const std::u16string&, bool) {
  std::optional<std::u16string> name;
  PortableDevices* portable = Host().Environment().portableDevices;
  if (portable && !entry_.devicePath.empty())
    if (const auto session = portable->StartSession()) name = session->FriendlyName(entry_.devicePath);
  return PortableLabelText(name);
}

std::u16string CWpdInfoDlg::GetCapacityText(const std::u16string&) {
  std::optional<StorageSpace> space;
  if (device_ && !entry_.storageObjectId.empty()) space = device_->GetStorageCapacity(entry_.storageObjectId);
  const PortableCapacityLine line = PortableCapacity(space, LoadResourceString(IDS_FREE));
  Bar().SetCapacity(line.barPosition, COLORREF(kCapacityBarColour));
  return line.text;
}

void CWpdInfoDlg::UpdatePanel() {
  SetDevice(PortableShellPath(entry_.devicePath), PortableDevice);
  ::SetDlgItemTextW(hwnd(), IDC_DRIVE_LABEL, AsWide(GetLabelText(DrivePath(), true).c_str()));
  // The shell's picture of the device, without a drive letter.
  ComposeButtonImage(nullptr, false);
  ::SetDlgItemTextW(hwnd(), IDC_DRIVE_SIZE, AsWide(GetCapacityText(DrivePath()).c_str()));
  Button().InitButton(kButtonNoDriveNumber, PortableDevice, DrivePath(), false);
  ResetBackground();
}

INT_PTR CWpdInfoDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == panel_message::kFlyout) {
    // A portable device has no information record: an open flyout closes instead.
    ::PostMessageW(::GetParent(hwnd()), gadget_message::kFlyoutOff, 0, 0);
    SetResult(1);
    return TRUE;
  }
  return CDriveInfoDlg::HandleMessage(message, wParam, lParam);
}

}  // namespace tavolen
