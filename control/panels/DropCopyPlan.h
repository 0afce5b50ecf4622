#pragma once
// What a drop of files onto a row does, decided before the shell's file operation runs:
// copy or move from the keys the drag entered with, the folder the files go to from the
// drive's save settings and today's date, the same-drive rule and the lists the shell
// takes; and the save-setting commands of the drive menu, which write those settings.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "control/panels/GadgetMenuPlan.h"
#include "ports/Clock.h"
#include "ports/SettingsFile.h"

namespace tavolen {

// The shell's file operations (FO_MOVE, FO_COPY, FO_DELETE).
enum class FileOperation : uint32_t { Move = 1, Copy = 2, Delete = 3 };

// The shell's operation flags this system uses (FOF_*).
namespace file_operation_flag {
constexpr uint32_t kNoConfirmation = 0x10;
constexpr uint32_t kAllowUndo = 0x40;
constexpr uint32_t kNoConfirmMakeFolder = 0x200;
}  // namespace file_operation_flag

// The mouse and key flags of a drag (MK_*).
namespace drag_key {
constexpr uint32_t kLeftButton = 0x1;
constexpr uint32_t kRightButton = 0x2;
constexpr uint32_t kShift = 0x4;
}  // namespace drag_key

enum class DropChoice { Copy, Move, AskWithMenu };
// A right-button drag asks (the drop menu); a left-button drag with Shift moves; any
// other drag copies. Only those exact states count.
DropChoice DropChoiceFor(uint32_t keyState);

// The drive's save settings, as the gadget button ticks them.
SaveSettings ReadSaveSettings(SettingsFile& ini, const std::u16string& drivePath);
// "No Folder" deletes the drive's SAVE_METHOD key, "Day Folder" stores "1", "Month Folder"
// "2". False when the file cannot be written.
bool WriteSaveMethod(SettingsFile& ini, const std::u16string& drivePath, SaveMethod method);
// Stores the custom folder of the drive under SAVE_ADDRESS; an empty folder ("Root
// Directory") deletes the key.
bool WriteSaveAddress(SettingsFile& ini, const std::u16string& drivePath, const std::u16string& folder);

// "2014_02_28" for a day folder, "2014_02" for a month folder, empty for none.
std::u16string DatedFolderName(SaveMethod method, CalendarDate date);
// `folder` and `name` with one separator between them ("E:\" and "2014_02" give
// "E:\2014_02"); with an empty name, the folder without separators at its end, but a
// drive's root keeps its one ("E:\"). Only the join is touched, so a network folder keeps
// its leading "\\".
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);
// Where files dropped on a drive go: its custom folder or its root, and in it the day's or
// the month's folder when the settings ask for one.
std::u16string DropFolder(const SaveSettings& settings, std::u16string_view drivePath, CalendarDate today);

// Two paths on the same drive letter (either case). Paths without a drive letter, such as
// network paths, are never on the same drive.
bool OnSameDrive(std::u16string_view a, std::u16string_view b);

struct FileOperationPlan {
  FileOperation operation = FileOperation::Copy;
  std::u16string sources;       // each path followed by a NUL, the list by a second NUL
  std::u16string destination;   // the folder followed by two NULs; empty for a delete
  uint32_t flags = 0;
  std::u16string folderToMake;  // made before the operation runs; empty when none
};

// Files dropped on a drive row. A copy from the destination's own drive becomes a move.
// The destination folder is made first: a single file then lands inside it instead of
// being copied to a file of the folder's name, and several files do not depend on the
// shell making it.
FileOperationPlan PlanDropCopy(FileOperation chosen, const std::vector<std::u16string>& files,
                               const std::u16string& destination);
// Files dropped on a folder shortcut: copied or moved as chosen into a folder that exists.
FileOperationPlan PlanDropInto(FileOperation chosen, const std::vector<std::u16string>& files,
                               const std::u16string& folder);
// Files dropped on the recycle bin: deleted into the bin, or for good when Shift was down.
FileOperationPlan PlanDropDelete(const std::vector<std::u16string>& files, bool shiftDown);

}  // namespace tavolen
