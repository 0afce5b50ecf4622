#pragma once
// Which rows the gadget shows and where: the drive refresh (which panels go, which come
// and where they are inserted), the hidden drives, the stacking of the four kinds of
// rows, the row total and the poll of removable drives that have no medium. The control
// window reads the volumes, asks these functions and applies the answer with Win32.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/Volumes.h"

namespace tavolen {

// One logical drive as the refresh sees it.
struct LogicalDrive {
  std::u16string root;  // as the system gives it ("C:\")
  DriveType type = DriveType::Unknown;
  // False only when the volume information could not be read. The survey asks only
  // where the answer matters (watch removable on, removable drive), true elsewhere.
  bool hasMedium = true;
};

// Reads the drives once: roots, types and, where it matters, the volume information.
// Drives A: and B: are not asked about at all (a floppy drive may take seconds).
std::vector<LogicalDrive> SurveyDrives(Volumes& volumes, bool watchRemovable);

// The root a panel is keyed by: the first two characters of the system's root and "\".
std::u16string PanelRoot(std::u16string_view systemRoot);
// Floppy drives never get a panel.
bool IsFloppyRoot(std::u16string_view panelRoot);

// The picture a kept panel is given again, by drive type.
enum class PanelIcon {
  Shell,    // the panel falls back to the shell's icon of its root
  Disk,     // device icon looked up in the disk array
  Optical,  // device icon looked up in the optical-drive array
};
PanelIcon PanelIconFor(DriveType type);

struct PlannedPanel {
  std::u16string root;
  bool kept = false;               // the panel at previousIndex keeps its window
  std::size_t previousIndex = 0;   // index in the panel list before the refresh (kept only)
  PanelIcon icon = PanelIcon::Shell;
};

struct DriveRefreshPlan {
  // Indexes into the previous panel list, ascending: hide and destroy these.
  std::vector<std::size_t> removed;
  // The new list in order. Its position is each panel's slot index; a panel not kept is
  // created from the drive template and shown.
  std::vector<PlannedPanel> panels;
  // Removable roots without a medium (watch removable on): no panel, polled instead.
  std::vector<std::u16string> noMedia;
  bool startMediaPoll = false;  // timer 4, 5000 ms
};

// The drive refresh. `panelRoots` are the roots of the current drive panels in their
// order. Existing panels keep their place; a new root is inserted before the first panel
// whose root does not compare smaller (UTF-16 code unit by code unit), else appended.
DriveRefreshPlan PlanDriveRefresh(const std::vector<LogicalDrive>& drives, const std::vector<std::u16string>& panelRoots,
                                  bool watchRemovable);

// --- hidden drives -------------------------------------------------------------------

// Roots of hidden drives, concatenated ("E:\F:\"); read into a buffer of this many
// characters, so the text holds one less.
constexpr std::size_t kHiddenDrivesCapacity = 520;

// The stored text cut to what the buffer holds, and at an embedded NUL.
std::u16string BoundHiddenDrives(std::u16string_view stored);

// Indexes of the panels to drop, last to first (so erasing them in this order never
// shifts one still to come). The walk stops at a panel whose root is empty.
std::vector<std::size_t> HiddenPanels(std::u16string_view hiddenDrives, const std::vector<std::u16string>& panelRoots);

// The panel a hide request names: by its drive letter when the request carries one (the
// index may be stale after another hide), else by its index. None when no such panel is
// left (a request from a row that is gone).
std::optional<std::size_t> PanelToHide(uint32_t slotIndex, char16_t driveLetter,
                                       const std::vector<std::u16string>& panelRoots);

// The text after the user hid one more drive, within the capacity.
std::u16string WithHiddenDrive(std::u16string_view hiddenDrives, std::u16string_view panelRoot);

// --- stacking ------------------------------------------------------------------------

struct RowSize {
  int width = 0;
  int height = 0;
};

struct RowPlace {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Drive panels, then portable-device panels continuing the index; each group takes the
// size of its own first panel: place i at y = i * (height + 1).
std::vector<RowPlace> StackPanels(std::size_t drivePanels, RowSize firstDrivePanel, std::size_t portablePanels,
                                  RowSize firstPortablePanel);

// rowHeight is the measured row height (window height + 1).
int RecycleRowTop(uint32_t rowCount, int rowHeight);
int ShortcutRowTop(uint32_t shortcutIndex, uint32_t rowCount, bool recycleShown, int rowHeight);

struct RowCounts {
  std::size_t drivePanels = 0;
  std::size_t portablePanels = 0;
  std::size_t recyclePanels = 0;  // 0 or 1
  std::size_t shortcutRows = 0;
};

// Rows stacked above the recycle panel and the shortcut rows.
uint32_t RowCount(const RowCounts& rows);
// Every row: what GetDriveLetterCount reports.
uint32_t RowTotal(const RowCounts& rows);

// --- removable media poll ------------------------------------------------------------

enum class MediaPoll {
  Stop,        // nothing is listed
  Rebuild,     // a listed drive got a medium or changed: rebuild the rows, stop polling
  PollAgain,   // still without a medium: again in 5000 ms
};

// Stops at the first listed root that is no longer removable or can be read.
MediaPoll PollNoMediaDrives(const std::vector<std::u16string>& noMedia, Volumes& volumes);

}  // namespace tavolen
