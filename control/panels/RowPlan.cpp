#include "control/panels/RowPlan.h"

namespace tavolen {

std::u16string PanelRoot(std::u16string_view systemRoot) {
  std::u16string root;
  for (std::size_t i = 0; i < systemRoot.size() && i < 2 && systemRoot[i] != u'\0'; ++i) root += systemRoot[i];
  root += u'\\';
  return root;
}

bool IsFloppyRoot(std::u16string_view panelRoot) { return panelRoot == u"A:\\" || panelRoot == u"B:\\"; }

std::vector<LogicalDrive> SurveyDrives(Volumes& volumes, bool watchRemovable) {
  std::vector<LogicalDrive> drives;
  for (auto& root : volumes.DriveRoots()) {
    if (IsFloppyRoot(PanelRoot(root))) continue;
    LogicalDrive drive;
    drive.type = volumes.Type(root);
    // Reading the volume of a drive without a medium can be slow; only the watch needs it.
    if (watchRemovable && drive.type == DriveType::Removable) drive.hasMedium = volumes.Information(root).has_value();
    drive.root = std::move(root);
    drives.push_back(std::move(drive));
  }
  return drives;
}

PanelIcon PanelIconFor(DriveType type) {
  switch (type) {
    case DriveType::Removable:
    case DriveType::Fixed: return PanelIcon::Disk;
    case DriveType::CdRom: return PanelIcon::Optical;
    default: return PanelIcon::Shell;
  }
}

namespace {

bool WithoutMedium(const LogicalDrive& drive, bool watchRemovable) {
  return watchRemovable && drive.type == DriveType::Removable && !drive.hasMedium;
}

const LogicalDrive* FindDrive(const std::vector<LogicalDrive>& drives, std::u16string_view panelRoot) {
  for (const auto& drive : drives)
    if (PanelRoot(drive.root) == panelRoot) return &drive;
  return nullptr;
}

}  // namespace

DriveRefreshPlan PlanDriveRefresh(const std::vector<LogicalDrive>& drives, const std::vector<std::u16string>& panelRoots,
                                  bool watchRemovable) {
  DriveRefreshPlan plan;

  // Roots separated by a blank, searched as one text the way a panel's root is matched.
  std::u16string driveListText;
  for (const auto& drive : drives) {
    const std::u16string root = PanelRoot(drive.root);
    if (!IsFloppyRoot(root)) driveListText += root + u' ';
  }

  for (std::size_t i = 0; i < panelRoots.size(); ++i) {
    const std::u16string& root = panelRoots[i];
    const LogicalDrive* drive = FindDrive(drives, root);
    const bool gone = driveListText.find(root) == std::u16string::npos;
    if (gone || (drive && WithoutMedium(*drive, watchRemovable))) {
      plan.removed.push_back(i);
    } else {
      PlannedPanel kept;
      kept.root = root;
      kept.kept = true;
      kept.previousIndex = i;
      plan.panels.push_back(std::move(kept));
    }
  }

  // The cursor only moves forward, so panels already in order stay where they are.
  std::size_t cursor = 0;
  for (const auto& drive : drives) {
    std::u16string root = PanelRoot(drive.root);
    if (IsFloppyRoot(root)) continue;
    while (cursor < plan.panels.size() && root > plan.panels[cursor].root) ++cursor;
    if (cursor < plan.panels.size() && root == plan.panels[cursor].root) {
      plan.panels[cursor].icon = PanelIconFor(drive.type);
    } else if (WithoutMedium(drive, watchRemovable)) {
      plan.noMedia.push_back(std::move(root));
    } else {
      PlannedPanel added;
      added.root = std::move(root);
      added.icon = PanelIconFor(drive.type);
      plan.panels.insert(plan.panels.begin() + std::ptrdiff_t(cursor), std::move(added));
    }
  }

  plan.startMediaPoll = watchRemovable;
  return plan;
}

std::u16string BoundHiddenDrives(std::u16string_view stored) {
  const std::size_t nul = stored.find(u'\0');
  if (nul != std::u16string_view::npos) stored = stored.substr(0, nul);
  return std::u16string(stored.substr(0, kHiddenDrivesCapacity - 1));
}

std::vector<std::size_t> HiddenPanels(std::u16string_view hiddenDrives, const std::vector<std::u16string>& panelRoots) {
  std::vector<std::size_t> hidden;
  if (hiddenDrives.empty()) return hidden;
  for (std::size_t i = panelRoots.size(); i-- > 0;) {
    if (panelRoots[i].empty()) break;
    if (hiddenDrives.find(panelRoots[i]) != std::u16string_view::npos) hidden.push_back(i);
  }
  return hidden;
}

std::u16string WithHiddenDrive(std::u16string_view hiddenDrives, std::u16string_view panelRoot) {
  std::u16string text(hiddenDrives);
  text += panelRoot;
  return BoundHiddenDrives(text);
}

std::vector<RowPlace> StackPanels(std::size_t drivePanels, RowSize firstDrivePanel, std::size_t portablePanels,
                                  RowSize firstPortablePanel) {
  std::vector<RowPlace> places;
  places.reserve(drivePanels + portablePanels);
  for (std::size_t i = 0; i < drivePanels + portablePanels; ++i) {
    const RowSize size = i < drivePanels ? firstDrivePanel : firstPortablePanel;
    places.push_back(RowPlace{0, int(i) * (size.height + 1), size.width, size.height});
  }
  return places;
}

int RecycleRowTop(uint32_t rowCount, int rowHeight) { return int(rowCount) * rowHeight; }

int ShortcutRowTop(uint32_t shortcutIndex, uint32_t rowCount, bool recycleShown, int rowHeight) {
  return int(shortcutIndex + rowCount + (recycleShown ? 1 : 0)) * rowHeight;
}

uint32_t RowCount(const RowCounts& rows) { return uint32_t(rows.drivePanels + rows.portablePanels); }

uint32_t RowTotal(const RowCounts& rows) {
  return uint32_t(rows.drivePanels + rows.shortcutRows + rows.portablePanels + rows.recyclePanels);
}

MediaPoll PollNoMediaDrives(const std::vector<std::u16string>& noMedia, Volumes& volumes) {
  if (noMedia.empty()) return MediaPoll::Stop;
  for (const auto& root : noMedia)
    if (volumes.Type(root) != DriveType::Removable || volumes.Information(root).has_value()) return MediaPoll::Rebuild;
  return MediaPoll::PollAgain;
}

std::optional<std::size_t> PanelToHide(uint32_t slotIndex, char16_t driveLetter,
                                       const std::vector<std::u16string>& panelRoots) {
  if (driveLetter != 0) {
    for (std::size_t i = 0; i < panelRoots.size(); ++i)
      if (!panelRoots[i].empty() && panelRoots[i][0] == driveLetter) return i;
    return std::nullopt;
  }
  if (slotIndex < panelRoots.size()) return slotIndex;
  return std::nullopt;
}

}  // namespace tavolen
