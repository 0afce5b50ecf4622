#include "control/panels/ShortcutStore.h"

#include "control/core/GadgetOptions.h"

namespace tavolen {

namespace {

std::u16string Decimal(uint32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// SW_SHOWNORMAL
constexpr int32_t kShowNormal = 1;

}  // namespace

std::u16string ShortcutSection(uint32_t row) { return settings::kShortcutLine + Decimal(row); }

std::u16string ShortcutKey(uint32_t column) { return Decimal(column); }

StoredShortcut ReadStoredShortcut(SettingsFile& ini, uint32_t row, uint32_t column) {
  const std::u16string section = ShortcutSection(row), key = ShortcutKey(column);
  StoredShortcut stored;
  // One character more than a structure holds, so a longer value is not cut into one.
  stored.record = DecodeShortcutRecord(ini.Read(section, key, 2 * kShortcutRecordSize + 4));
  if (!stored.record) stored.text = ini.Read(section, key, kShortcutTextCapacity);
  return stored;
}

bool WriteStoredShortcut(SettingsFile& ini, uint32_t row, uint32_t column, const std::u16string& text,
                         const ShortcutRecord* record) {
  return ini.Write(ShortcutSection(row), ShortcutKey(column), record ? EncodeShortcutRecord(*record) : text);
}

bool IsLinkPath(std::u16string_view path) { return path.size() >= 4 && path.substr(path.size() - 4) == u".lnk"; }

std::u16string FileTitle(std::u16string_view path) {
  const std::size_t slash = path.rfind(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

std::u16string ShortcutTooltipName(std::u16string_view name, const ShortcutRecord* record, bool isFile) {
  if (record) return ShortcutField(record->title);
  if (!isFile && name.rfind(u'\\') == 2) return std::u16string(name);  // a drive root such as "E:\"
  return FileTitle(name);
}

ShellOpen ShortcutOpenRequest(const std::u16string& itemText, const ShortcutRecord* record) {
  ShellOpen open;
  open.verb = u"open";
  open.file = itemText;
  if (record) {
    open.parameters = ShortcutField(record->arguments);
    open.folder = ShortcutField(record->workingDirectory);
    open.show = int32_t(record->showCommand);
  } else {
    open.folder = itemText;
    open.show = kShowNormal;
  }
  return open;
}

OpenOutcome OpenOutcomeOf(intptr_t shellResult) {
  constexpr intptr_t kNoAssociation = 31, kAccessDenied = 5;
  if (shellResult > 32 || shellResult == kAccessDenied) return OpenOutcome::Done;
  if (shellResult == kNoAssociation) return OpenOutcome::OpenWith;
  return OpenOutcome::AskToForget;
}

std::u16string QuotedPaths(const std::vector<std::u16string>& files) {
  std::u16string text;
  for (const std::u16string& file : files) {
    if (!text.empty()) text += u' ';
    text += u'"' + file + u'"';
  }
  return text;
}

ShortcutDropPlan PlanShortcutDrop(DropTargetKind kind, const std::u16string& path, const ShortcutRecord* record,
                                  const std::vector<std::u16string>& files, FileOperation chosen, bool shiftDown) {
  ShortcutDropPlan plan;
  if (files.empty()) return plan;
  switch (kind) {
    case DropTargetKind::Missing: return plan;
    case DropTargetKind::RecycleBin:
      plan.action = ShortcutDropPlan::Action::Operate;
      plan.operation = PlanDropDelete(files, shiftDown);
      return plan;
    case DropTargetKind::Folder:
      plan.action = ShortcutDropPlan::Action::Operate;
      plan.operation = PlanDropInto(chosen, files, path);
      return plan;
    case DropTargetKind::File: break;
  }
  plan.action = ShortcutDropPlan::Action::Start;
  plan.start = ShortcutOpenRequest(path, record);
  plan.start.parameters = record ? plan.start.parameters + u' ' + QuotedPaths(files) : QuotedPaths(files);
  if (!record) plan.start.show = kShowNormal;
  return plan;
}

}  // namespace tavolen
