#include "control/panels/PanelTexts.h"

#include "control/panels/SizeText.h"

#include <cstdio>

namespace tavolen {

LabelText DriveLabelText(const std::optional<std::u16string>& volumeLabel, DriveType type) {
  LabelText text;
  if (volumeLabel) {
    std::u16string_view label(*volumeLabel);
    label = label.substr(0, label.find(u'\0'));
    label = label.substr(0, kLabelCapacity - 1);
    if (!label.empty()) {
      text.label = std::u16string(label);
      return text;
    }
    switch (type) {
      case DriveType::NoRootDir: text.stringId = panel_strings::kMediaEmpty; break;
      case DriveType::Removable: text.stringId = panel_strings::kRemovableDisk; break;
      case DriveType::Fixed: text.stringId = panel_strings::kLocalDisk; break;
      default: break;
    }
    return text;
  }
  switch (type) {
    case DriveType::CdRom: text.stringId = panel_strings::kOpticalDrive; break;
    case DriveType::Removable: text.stringId = panel_strings::kMediaEmpty; break;
    default: break;
  }
  return text;
}

CapacityLine DriveCapacityLine(const std::optional<VolumeSpace>& space) {
  if (!space) return {};
  return CapacityLine{UsedOfTotalText(space->totalBytes, space->freeBytes),
                      CapacityBarPosition(space->totalBytes, space->freeBytes)};
}

std::u16string SaveFolderTooltip(std::u16string_view saveFolderCaption, std::u16string_view saveFolder) {
  std::u16string text(saveFolderCaption);
  text += u" : ";
  text += saveFolder.substr(0, kSaveFolderCapacity);
  return text;
}

std::optional<uint32_t> DriveLetterBitmap(std::u16string_view drivePath) {
  if (drivePath.empty() || drivePath[0] < u'A' || drivePath[0] > u'Z') return std::nullopt;
  return uint32_t(drivePath[0]) + 242;
}

std::u16string RecycleTotalText(std::u16string_view totalWord, const std::optional<uint64_t>& bytes) {
  constexpr uint64_t kGiB = uint64_t(1) << 30, kMiB = uint64_t(1) << 20;
  const uint64_t size = bytes.value_or(0);
  char number[48];
  std::snprintf(number, sizeof number, size >= kGiB ? "%0.1lf GB" : "%0.1lf MB",
                double(size) / double(size >= kGiB ? kGiB : kMiB));
  const std::string text(number);
  return std::u16string(totalWord) + u' ' + std::u16string(text.begin(), text.end());
}

}  // namespace tavolen
