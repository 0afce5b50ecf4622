#pragma once
// What a shortcut button stores, shows and does, decided without the shell: its entry in
// the settings file (section "SHORTCUT_LINE<row>", key the column: a record as a
// private-profile structure, or the shortcut text as it was given), the name in its
// tooltip, how a click opens it and what a drop onto it does.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/panels/DropCopyPlan.h"
#include "control/panels/ShortcutRecord.h"
#include "ports/SettingsFile.h"
#include "ports/ShellFiles.h"

namespace tavolen {

// A stored text is read into a buffer of this many characters.
constexpr std::size_t kShortcutTextCapacity = 2600;

namespace shortcut_strings {
constexpr uint32_t kNotFoundDelete = 452;  // "Setting is not found.\nDo delete setting?"
constexpr uint32_t kSelectItem = 453;      // the item browser's title
}  // namespace shortcut_strings

struct StoredShortcut {
  std::u16string text;                   // when there is no record
  std::optional<ShortcutRecord> record;  // a well-formed structure with its checksum
};

std::u16string ShortcutSection(uint32_t row);
std::u16string ShortcutKey(uint32_t column);
// The record when the value is one; otherwise the value as text (a missing key: empty).
StoredShortcut ReadStoredShortcut(SettingsFile& ini, uint32_t row, uint32_t column);
// A record is stored as its structure; otherwise `text` as it is.
bool WriteStoredShortcut(SettingsFile& ini, uint32_t row, uint32_t column, const std::u16string& text,
                         const ShortcutRecord* record);

// The last four characters are exactly ".lnk".
bool IsLinkPath(std::u16string_view path);
// The text after the last backslash; the whole text without one.
std::u16string FileTitle(std::u16string_view path);

// The tooltip's name of a shortcut whose item is `name` (its path, or the display name of
// a virtual item): the link's title for a record, the file's title for a file, a drive
// root as it is, else the text after the last backslash.
std::u16string ShortcutTooltipName(std::u16string_view name, const ShortcutRecord* record, bool isFile);

// The shell's "open" of a shortcut's path on a click: with the record's arguments,
// folder and show command; without one, the path in its own folder, shown normally.
ShellOpen ShortcutOpenRequest(const std::u16string& itemText, const ShortcutRecord* record);

enum class OpenOutcome {
  Done,            // started, or refused for access (the user saw why)
  OpenWith,        // no association: the item menu's first command (the open-with choice)
  AskToForget,     // the item is gone: ask whether to delete the setting
};
OpenOutcome OpenOutcomeOf(intptr_t shellResult);

// What the item behind a filled button is, as the drop sees it.
enum class DropTargetKind {
  Missing,    // nothing (or nothing the file system knows): the drop does nothing
  Folder,     // files go into it
  File,       // a program or document: started with the dropped paths
  RecycleBin  // the files are deleted
};

struct ShortcutDropPlan {
  enum class Action { Nothing, Operate, Start } action = Action::Nothing;
  FileOperationPlan operation;  // Operate
  ShellOpen start;              // Start
};

// The dropped paths, each in double quotes, separated by single spaces.
std::u16string QuotedPaths(const std::vector<std::u16string>& files);

// A drop of `files` onto a shortcut whose item is `path` (the folder, or the program) of
// `kind`: copied or moved (`chosen`) into a folder, deleted into the bin (for good with
// Shift), or the program started with the quoted paths after the record's arguments.
ShortcutDropPlan PlanShortcutDrop(DropTargetKind kind, const std::u16string& path, const ShortcutRecord* record,
                                  const std::vector<std::u16string>& files, FileOperation chosen, bool shiftDown);

}  // namespace tavolen
