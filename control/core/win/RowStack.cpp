#include "control/core/win/RowStack.h"

#include <string>

#include "control/core/ControlTimers.h"
#include "control/panels/win/DeviceIcon.h"
#include "framework/Module.h"

namespace tavolen {

namespace {
// A row template as a plain dialog, for measuring it.
INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

void Hide(HWND window) { ::ShowWindow(window, SW_HIDE); }

void MoveTo(HWND window, int y) {
  ::SetWindowPos(window, nullptr, 0, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::u16string Decimal(std::size_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}
}  // namespace

RowStack::RowStack(CZendrelApp& host, const GadgetOptions& options, std::function<void()> changeSize)
    : host_(host), options_(options), changeSize_(std::move(changeSize)) {}

RowStack::~RowStack() = default;

void RowStack::Attach(HWND control) {
  if (!control) {
    // The rows' windows went with the control window: let the objects go too.
    drivePanels_.clear();
    portablePanels_.clear();
    recyclePanel_.reset();
    shortcutRows_.clear();
    noMedia_.clear();
    rowCount_ = 0;
  }
  control_ = control;
}

std::unique_ptr<SettingsFile> RowStack::Ini() const { return host_.Environment().settingsFiles->Open(host_.IniPath()); }

std::vector<std::u16string> RowStack::DriveRoots() const {
  std::vector<std::u16string> roots;
  for (const auto& panel : drivePanels_) roots.push_back(panel->DrivePath());
  return roots;
}

void RowStack::StartMediaPoll() {
  host_.Environment().clock->StartTimer(uintptr_t(control_), control_timer::kMedia,
                                        host_.Environment().periods.mediaPoll);
}

void RowStack::RefreshDrives() {
  if (!control_) return;
  const bool watch = options_.watchRemovable != 0;
  const DriveRefreshPlan plan = PlanDriveRefresh(SurveyDrives(*host_.Environment().volumes, watch), DriveRoots(), watch);

  std::vector<std::unique_ptr<CDriveInfoDlg>> previous = std::move(drivePanels_);
  drivePanels_.clear();
  for (std::size_t index : plan.removed) {
    Hide(previous[index]->hwnd());
    previous[index].reset();
  }
  const UINT rowTemplate = host_.DriveTemplate();
  for (const PlannedPanel& planned : plan.panels) {
    std::unique_ptr<CDriveInfoDlg> panel;
    if (planned.kept && planned.previousIndex < previous.size() && previous[planned.previousIndex]) {
      panel = std::move(previous[planned.previousIndex]);
      // A kept panel gets its picture again: the device may have changed behind the letter.
      UniqueIcon icon;
      if (planned.icon == PanelIcon::Disk) icon = GetDeviceIcon(host_, panel->DriveNumber(), false);
      if (planned.icon == PanelIcon::Optical) icon = GetDeviceIcon(host_, panel->DriveNumber(), true);
      panel->ComposeButtonImage(icon.get(), true);
    } else {
      panel = std::make_unique<CDriveInfoDlg>(host_, planned.root);
      if (!panel->CreatePanel(control_, rowTemplate)) continue;
    }
    drivePanels_.push_back(std::move(panel));
  }
  noMedia_ = plan.noMedia;
  for (std::size_t i = 0; i < drivePanels_.size(); ++i) {
    ::ShowWindow(drivePanels_[i]->hwnd(), SW_SHOWNA);
    drivePanels_[i]->SetSlotIndex(uint32_t(i));
    ::PostMessageW(drivePanels_[i]->hwnd(), panel_message::kWatchRemovable, options_.watchRemovable, 0);
  }
  if (plan.startMediaPoll) StartMediaPoll();
  RefreshPortablePanels();
  rowCount_ = StackedRows();
}

void RowStack::RefreshPortablePanels() {
  for (const auto& panel : portablePanels_) Hide(panel->hwnd());
  portablePanels_.clear();
  // The panels copy their records from this snapshot, whatever a refresh swaps in meanwhile.
  const auto devices = host_.Devices().Snapshot();
  for (std::size_t i = 0; i < devices->portableDevices.size(); ++i) {
    auto panel = std::make_unique<CWpdInfoDlg>(host_, *devices, i);
    if (!panel->CreatePanel(control_, host_.DriveTemplate())) continue;
    ::ShowWindow(panel->hwnd(), SW_SHOWNA);
    portablePanels_.push_back(std::move(panel));
  }
}

uint32_t RowStack::StackedRows() const {
  return RowCount(RowCounts{drivePanels_.size(), portablePanels_.size(), 0, 0});
}

void RowStack::ApplyHiddenDrives() {
  hiddenDrives_ = BoundHiddenDrives(ReadHiddenDrives(*Ini()));
  const std::vector<std::size_t> hidden = HiddenPanels(hiddenDrives_, DriveRoots());
  for (std::size_t index : hidden) {
    Hide(drivePanels_[index]->hwnd());
    drivePanels_.erase(drivePanels_.begin() + std::ptrdiff_t(index));
  }
  if (!hidden.empty()) RenumberPanels();
  rowCount_ = StackedRows();
}

void RowStack::RenumberPanels() {
  for (std::size_t i = 0; i < drivePanels_.size(); ++i) drivePanels_[i]->SetSlotIndex(uint32_t(i));
}

void RowStack::StackDrivePanels() {
  auto sizeOf = [](const Dialog* panel) {
    RECT rect{};
    if (panel) ::GetWindowRect(panel->hwnd(), &rect);
    return RowSize{rect.right - rect.left, rect.bottom - rect.top};
  };
  std::vector<HWND> windows;
  for (const auto& panel : drivePanels_) windows.push_back(panel->hwnd());
  for (const auto& panel : portablePanels_) windows.push_back(panel->hwnd());
  const std::vector<RowPlace> places =
      StackPanels(drivePanels_.size(), sizeOf(drivePanels_.empty() ? nullptr : drivePanels_.front().get()),
                  portablePanels_.size(), sizeOf(portablePanels_.empty() ? nullptr : portablePanels_.front().get()));
  for (std::size_t i = 0; i < windows.size() && i < places.size(); ++i)
    ::SetWindowPos(windows[i], nullptr, places[i].x, places[i].y, places[i].width, places[i].height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void RowStack::SetRecyclePanel(Change change) {
  if (change == Change::Remove) {
    recyclePanel_.reset();
    changeSize_();
    return;
  }
  if (change == Change::Show && !recyclePanel_ && control_) {
    auto row = std::make_unique<CRecycleInfoDlg>(host_);
    if (!row->CreatePanel(control_, host_.DriveTemplate())) return;
    recyclePanel_ = std::move(row);
  }
  if (!recyclePanel_) return;
  ::ShowWindow(recyclePanel_->hwnd(), SW_SHOWNA);
  MoveTo(recyclePanel_->hwnd(), RecycleRowTop(rowCount_, host_.RowHeight()));
}

void RowStack::SetShortcutRows(Change change) {
  const std::unique_ptr<SettingsFile> ini = Ini();
  auto forget = [&](std::size_t index) { ini->DeleteSection(settings::kShortcutLine + Decimal(index)); };
  if (change == Change::Remove) {
    for (std::size_t i = 0; i < shortcutRows_.size(); ++i) forget(i);
    shortcutRows_.clear();
    changeSize_();
    return;
  }
  if (change == Change::Show) {
    while (shortcutRows_.size() > options_.shortcutCount) {
      forget(shortcutRows_.size() - 1);
      shortcutRows_.pop_back();
    }
    while (control_ && shortcutRows_.size() < options_.shortcutCount) {
      auto row = std::make_unique<CShortcutDlg>(host_);
      if (!row->CreateRow(control_, host_.ShortcutTemplate())) break;
      if (host_.PreVista()) {
        const LONG_PTR style = ::GetWindowLongPtrW(row->hwnd(), GWL_EXSTYLE);
        ::SetWindowLongPtrW(row->hwnd(), GWL_EXSTYLE, style ^ WS_EX_STATICEDGE);
      }
      ::ShowWindow(row->hwnd(), SW_SHOWNA);
      row->LoadRow(uint32_t(shortcutRows_.size()));
      shortcutRows_.push_back(std::move(row));
    }
  }
  for (std::size_t k = 0; k < shortcutRows_.size(); ++k)
    MoveTo(shortcutRows_[k]->hwnd(),
           ShortcutRowTop(uint32_t(k), rowCount_, recyclePanel_ != nullptr, host_.RowHeight()));
}

void RowStack::PlaceBelowDrives() {
  if (recyclePanel_) SetRecyclePanel(Change::Place);
  SetShortcutRows(Change::Place);
}

void RowStack::Rebuild() {
  RefreshDrives();
  ApplyHiddenDrives();
  StackDrivePanels();
  if (options_.recycle != 0) {
    SetRecyclePanel(recyclePanel_ ? Change::Place : Change::Show);
  } else if (recyclePanel_) {
    SetRecyclePanel(Change::Remove);
  }
  SetShortcutRows(options_.shortcutCount != 0 ? Change::Show : Change::Remove);
}

void RowStack::HideDrive(HideDriveRequest request, bool noMedium) {
  const std::optional<std::size_t> index = PanelToHide(request.slotIndex, request.driveLetter, DriveRoots());
  if (!index) return;  // a message from a row that is gone
  const std::u16string root = drivePanels_[*index]->DrivePath();
  if (noMedium) {
    noMedia_.push_back(root);
  } else {
    hiddenDrives_ = WithHiddenDrive(hiddenDrives_, root);
    WriteHiddenDrives(*Ini(), hiddenDrives_);
  }
  Hide(drivePanels_[*index]->hwnd());
  drivePanels_.erase(drivePanels_.begin() + std::ptrdiff_t(*index));
  RenumberPanels();
  rowCount_ = StackedRows();
  StackDrivePanels();
  PlaceBelowDrives();
}

void RowStack::ShowAllDrives() {
  // The hidden drives come back: the refresh without the hidden list.
  RefreshDrives();
  StackDrivePanels();
  if (options_.recycle != 0) SetRecyclePanel(Change::Place);
  if (options_.shortcutCount != 0) SetShortcutRows(Change::Place);
  changeSize_();
  hiddenDrives_.clear();
  ForgetHiddenDrives(*Ini());
}

void RowStack::UpdateRows() {
  for (auto& panel : drivePanels_) panel->UpdatePanel();
  if (recyclePanel_) recyclePanel_->UpdatePanel();
  if (control_) ::PostMessageW(control_, gadget_message::kRepaint, 0, 0);
}

void RowStack::RepaintRows() {
  for (auto& panel : drivePanels_) ::InvalidateRect(panel->hwnd(), nullptr, TRUE);
  for (auto& panel : portablePanels_) ::InvalidateRect(panel->hwnd(), nullptr, TRUE);
  if (recyclePanel_) ::InvalidateRect(recyclePanel_->hwnd(), nullptr, TRUE);
  for (auto& row : shortcutRows_) ::InvalidateRect(row->hwnd(), nullptr, TRUE);
  if (control_) ::InvalidateRect(control_, nullptr, TRUE);
}

MediaPoll RowStack::PollMedia() { return PollNoMediaDrives(noMedia_, *host_.Environment().volumes); }

RowSize RowStack::MeasureRow() const {
  // A drive row made from its template, measured and thrown away.
  const UniqueWindow row(::CreateDialogParamW(ModuleInstance(),
                                              MAKEINTRESOURCEW(host_.DriveTemplate()),
                                              control_, &PlainDialog, 0));
  if (!row) return {};
  RECT rect{};
  ::GetWindowRect(row.get(), &rect);
  return RowSize{rect.right - rect.left, rect.bottom - rect.top};
}

uint32_t RowStack::RowTotal() const {
  return tavolen::RowTotal(
      RowCounts{drivePanels_.size(), portablePanels_.size(), recyclePanel_ ? std::size_t(1) : std::size_t(0),
                shortcutRows_.size()});
}

}  // namespace tavolen
