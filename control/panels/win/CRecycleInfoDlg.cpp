#include "control/panels/win/CRecycleInfoDlg.h"

#include <shlobj.h>

#include "control/core/ControlHook.h"
#include "control/panels/DropCopyPlan.h"
#include "control/panels/PanelTexts.h"
#include "control/panels/win/DropCopy.h"
#include "control/resources/resource.h"
#include "framework/ComInit.h"
#include "framework/ResourceString.h"
#include "framework/UniqueItemList.h"
#include "framework/Utf16.h"

namespace tavolen {

static_assert(panel_strings::kTotal == IDS_TOTAL && panel_strings::kRecycleBin == IDS_RECYCLE_BIN, "string ids");

CRecycleInfoDlg::CRecycleInfoDlg(RowHost& host) : CDriveInfoDlg(host, LoadResourceString(IDS_RECYCLE_BIN)) {}

std::u16string CRecycleInfoDlg::GetLabelText(const std::u16string&, bool) {
  return LoadResourceString(IDS_RECYCLE_BIN);
}

std::u16string CRecycleInfoDlg::GetCapacityText(const std::u16string&) {
  return RecycleTotalText(LoadResourceString(IDS_TOTAL), Host().Environment().recycleBin->TotalSize());
}

void CRecycleInfoDlg::UpdatePanel() {
  ::SetDlgItemTextW(hwnd(), IDC_DRIVE_LABEL, AsWide(GetLabelText(DrivePath(), false).c_str()));
  ::SetDlgItemTextW(hwnd(), IDC_DRIVE_SIZE, AsWide(GetCapacityText(DrivePath()).c_str()));
  // The shell's picture of the bin, which tells an empty bin from a full one.
  ComposeButtonImage(nullptr, false);
  Button().InitButton(kButtonNoDriveNumber, 0, DrivePath(), false);
  // The bin has no capacity: its bar stays out of sight.
  ::ShowWindow(Item(IDC_DRIVE_BAR), SW_HIDE);
}

void CRecycleInfoDlg::OpenInExplorer() {
  const ComInit com;
  UniqueItemList bin;
  if (FAILED(::SHGetSpecialFolderLocation(hwnd(), CSIDL_BITBUCKET, bin.put()))) return;
  // The bin's folder opens with the bin selected.
  PCUITEMID_CHILD item = reinterpret_cast<PCUITEMID_CHILD>(bin.get());
  ::SHOpenFolderAndSelectItems(bin.get(), 1, &item, 0);
}

void CRecycleInfoDlg::OnDropFiles(HDROP drop) {
  // The drag's keys and Shift belong to this drop: taken now, on this thread.
  const uint32_t keyState = Host().LastDragKeyState();
  const bool shiftDown = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
  const std::vector<std::u16string> files = DropCopy::TakePaths(drop);
  if (files.empty()) return;
  // Whatever is chosen ("Move" or a plain drop), the files go into the bin.
  if (!DropCopy::ChooseOperation(hwnd(), keyState, false)) return;
  DropCopy::Start(Host().Threads(), *Host().Environment().shellFiles, hwnd(), PlanDropDelete(files, shiftDown));
}

INT_PTR CRecycleInfoDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return TRUE;
    case panel_message::kFlyout:
      // The bin has no details: an open flyout closes instead.
      ::PostMessageW(::GetParent(hwnd()), gadget_message::kFlyoutOff, 0, 0);
      SetResult(1);
      return TRUE;
    default: return CDriveInfoDlg::HandleMessage(message, wParam, lParam);
  }
}

}  // namespace tavolen
