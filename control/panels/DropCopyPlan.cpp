#include "control/panels/DropCopyPlan.h"

#include "control/core/GadgetOptions.h"

namespace tavolen {

namespace {

std::u16string TwoDigits(unsigned value) {
  return std::u16string{char16_t(u'0' + value / 10 % 10), char16_t(u'0' + value % 10)};
}

std::u16string FourDigits(unsigned value) { return TwoDigits(value / 100) + TwoDigits(value % 100); }

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; }

bool HasDriveLetter(std::u16string_view path) {
  return path.size() >= 2 && path[1] == u':' && Upper(path[0]) >= u'A' && Upper(path[0]) <= u'Z';
}

std::u16string NulList(const std::vector<std::u16string>& paths) {
  std::u16string list;
  for (const std::u16string& path : paths) {
    list += path.substr(0, path.find(u'\0'));
    list += u'\0';
  }
  list += u'\0';
  return list;
}

}  // namespace

DropChoice DropChoiceFor(uint32_t keyState) {
  if (keyState == drag_key::kRightButton) return DropChoice::AskWithMenu;
  if (keyState == (drag_key::kLeftButton | drag_key::kShift)) return DropChoice::Move;
  return DropChoice::Copy;
}

SaveSettings ReadSaveSettings(SettingsFile& ini, const std::u16string& drivePath) {
  return DecideSaveSettings(ini.Read(settings::kSaveMethod, drivePath, kSaveSettingCapacity),
                            ini.Read(settings::kSaveAddress, drivePath, kSaveSettingCapacity), drivePath);
}

bool WriteSaveMethod(SettingsFile& ini, const std::u16string& drivePath, SaveMethod method) {
  switch (method) {
    case SaveMethod::DayFolder: return ini.Write(settings::kSaveMethod, drivePath, u"1");
    case SaveMethod::MonthFolder: return ini.Write(settings::kSaveMethod, drivePath, u"2");
    case SaveMethod::NoFolder: break;
  }
  return ini.DeleteKey(settings::kSaveMethod, drivePath);
}

bool WriteSaveAddress(SettingsFile& ini, const std::u16string& drivePath, const std::u16string& folder) {
  if (folder.empty()) return ini.DeleteKey(settings::kSaveAddress, drivePath);
  return ini.Write(settings::kSaveAddress, drivePath, folder);
}

std::u16string DatedFolderName(SaveMethod method, CalendarDate date) {
  switch (method) {
    case SaveMethod::DayFolder:
      return FourDigits(date.year) + u"_" + TwoDigits(date.month) + u"_" + TwoDigits(date.day);
    case SaveMethod::MonthFolder: return FourDigits(date.year) + u"_" + TwoDigits(date.month);
    case SaveMethod::NoFolder: break;
  }
  return {};
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  // The leading separators of a network folder are not the join's.
  std::size_t keep = 0;
  while (keep < 2 && keep < folder.size() && folder[keep] == u'\\') ++keep;
  while (folder.size() > keep && folder.back() == u'\\') folder.remove_suffix(1);
  while (!name.empty() && name.front() == u'\\') name.remove_prefix(1);
  std::u16string joined(folder);
  // A drive's root keeps its separator: "E:" alone names the drive's current folder.
  const bool driveOnly = joined.size() == 2 && HasDriveLetter(joined);
  if (!name.empty() || driveOnly) {
    if (joined.empty() || joined.back() != u'\\') joined += u'\\';
  }
  joined += name;
  return joined;
}

std::u16string DropFolder(const SaveSettings& settings, std::u16string_view drivePath, CalendarDate today) {
  const std::u16string_view base = settings.customFolder ? std::u16string_view(settings.saveFolder) : drivePath;
  return JoinPath(base, DatedFolderName(settings.method, today));
}

bool OnSameDrive(std::u16string_view a, std::u16string_view b) {
  return HasDriveLetter(a) && HasDriveLetter(b) && Upper(a[0]) == Upper(b[0]);
}

FileOperationPlan PlanDropCopy(FileOperation chosen, const std::vector<std::u16string>& files,
                               const std::u16string& destination) {
  FileOperationPlan plan;
  plan.operation = chosen;
  if (chosen == FileOperation::Copy && !files.empty() && OnSameDrive(files.front(), destination))
    plan.operation = FileOperation::Move;
  plan.sources = NulList(files);
  plan.destination = NulList({destination});
  plan.flags = file_operation_flag::kNoConfirmMakeFolder;
  plan.folderToMake = destination;
  return plan;
}

FileOperationPlan PlanDropInto(FileOperation chosen, const std::vector<std::u16string>& files,
                               const std::u16string& folder) {
  FileOperationPlan plan;
  plan.operation = chosen;
  plan.sources = NulList(files);
  plan.destination = NulList({folder});
  plan.flags = file_operation_flag::kNoConfirmMakeFolder;
  return plan;
}

FileOperationPlan PlanDropDelete(const std::vector<std::u16string>& files, bool shiftDown) {
  FileOperationPlan plan;
  plan.operation = FileOperation::Delete;
  plan.sources = NulList(files);
  plan.flags = file_operation_flag::kNoConfirmation | (shiftDown ? 0 : file_operation_flag::kAllowUndo);
  return plan;
}

}  // namespace tavolen
