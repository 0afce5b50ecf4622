#include "control/panels/DriveDetails.h"

#include <cstdio>
#include <memory>

#include "control/core/GadgetOptions.h"
#include "control/core/StandbyTimers.h"
#include "control/device/CAtaCommand.h"
#include "control/device/COptCommand.h"
#include "control/device/ModelClassification.h"
#include "control/panels/ArrayStatus.h"
#include "control/panels/PanelDevice.h"
#include "control/panels/PanelTexts.h"
#include "control/panels/SizeText.h"

namespace tavolen {

namespace {

namespace s = details_strings;

constexpr std::u16string_view kMaker = u"VARNKELD";
constexpr char16_t kCelsius = u'\u2103';
constexpr std::size_t kShownLabel = 21, kCutLabel = 18;
constexpr std::size_t kStoredChoiceCapacity = 4;  // three characters
constexpr uint8_t kDriveTimerBufferId = 0x30;

std::u16string Ascii(const std::string& text) {
  std::u16string out;
  for (unsigned char c : text) out.push_back(char16_t(c));
  return out;
}

// The profiles whose medium name the string table holds (its id is the profile).
bool HasMediumName(uint32_t profile) {
  switch (profile) {
    case 8: case 9: case 10: case 16: case 17: case 18: case 19: case 20: case 21: case 22: case 26: case 27:
    case 42: case 43: case 64: case 65: case 66: case 67: case 80: case 81: case 82:
      return true;
    default:
      return false;
  }
}

// ATA text of IDENTIFY: two characters per word, the first in the high byte. Only
// printable ASCII is kept; anything else shows as "?".
std::u16string AtaText(const uint8_t* identify, std::size_t firstWord, std::size_t words) {
  std::u16string text;
  for (std::size_t w = firstWord; w < firstWord + words; ++w) {
    for (const uint8_t c : {identify[2 * w + 1], identify[2 * w]})
      text.push_back(c >= 0x20 && c < 0x7F ? char16_t(c) : u'?');
  }
  return text;
}

// One request's view of its sources.
class DetailsBuilder {
 public:
  DetailsBuilder(const DetailsRequest& request, const DetailsSources& sources)
      : request_(request), src_(sources), strings_(*sources.strings) {}

  FlyOutInfo Build() {
    info_ = FlyOutInfo{};
    SetText(info_.title, DetailsTitle(request_.drivePath, strings_));
    SetText(info_.label, Label());
    SetText(info_.size, TotalSizeText());
    const uint32_t kind = request_.kind;
    if (kind & kOpticalKinds)
      OpticalRows();
    else if (kind & kAtaCommandKinds)
      HardDiskRows();
    else if (ShowsArrayState(kind))
      ArrayRows();
    else
      CopyIdentity(FindByDriveNumber(src_.devices->disks, request_.driveNumber));
    return info_;
  }

 private:
  std::u16string Text(uint32_t id) const { return strings_.Text(id); }
  std::u16string Text(const ArrayText& t) const { return t.stringId ? Text(t.stringId) + t.text : t.text; }

  std::u16string Label() const {
    Volumes& volumes = *src_.volumes;
    const auto information = volumes.Information(request_.drivePath);
    const LabelText label =
        DriveLabelText(information ? std::optional<std::u16string>(information->label) : std::nullopt,
                       volumes.Type(request_.drivePath));
    std::u16string text = label.stringId ? Text(label.stringId) : label.label;
    if (text.size() > kShownLabel) text = text.substr(0, kCutLabel) + u"...";
    return text;
  }

  // The drive's capacity (not its used space).
  std::u16string TotalSizeText() {
    Volumes& volumes = *src_.volumes;
    if (volumes.Information(request_.drivePath)) {
      const auto space = volumes.Space(request_.drivePath);
      return space ? Ascii(SizeText(space->totalBytes)) : Text(s::kSizeUnknown);
    }
    // No file system: a disc may still be in the drive.
    if (request_.kind == OpticalDrive || request_.kind == UsbOpticalDrive) {
      uint32_t status = 0;
      return Optical().ReadDiscStatus(status) ? Text(s::kEmptyDisk) : Text(s::kNotInsert);
    }
    return Text(s::kNotInsert);
  }

  COptCommand& Optical() {
    if (!optical_) optical_ = std::make_unique<COptCommand>(*src_.opener, request_.driveNumber);
    return *optical_;
  }

  void CopyIdentity(const DeviceInfo* record) {
    if (!record) return;
    SetText(info_.vendor, GetText(record->drive.vendor));
    SetText(info_.product, GetText(record->drive.product));
    SetText(info_.revision, GetText(record->drive.revision));
  }

  std::u16string DiscStateText() {
    const auto information = src_.volumes->Information(request_.drivePath);
    if (information && (information->fileSystem.find(u"UDF") != std::u16string::npos ||
                        information->fileSystem.find(u"udf") != std::u16string::npos))
      return information->fileSystem;
    uint32_t status = 0;
    if (Optical().ReadDiscStatus(status)) {
      if (status == 1) return Text(s::kNotClosedMedia);
      if (status == 2) return Text(s::kClosedMedia);
    }
    return Text(s::kUnknown);
  }

  void OpticalRows() {
    const DeviceInfo* record = FindByDriveNumber(src_.devices->opticalDrives, request_.driveNumber);
    CopyIdentity(record);
    SetText(info_.name1, Text(s::kMedia));
    SetText(info_.name2, Text(s::kState));
    const std::u16string_view vendor = GetText(info_.vendor), product = GetText(info_.product);
    if (vendor == kMaker && product == u"ZNXT-FRV") {
      SetText(info_.value1, u"仮想DVD-RW");
      SetText(info_.value2, DiscStateText());
      return;
    }
    if (vendor == kMaker && (product == u"WMXT-FRV" || product == u"WMXT-BRV")) {
      SetText(info_.value1, u"仮想CD-ROM");
      SetText(info_.value2, u"UDF");
      return;
    }
    uint32_t profile = 0;
    if (!Optical().GetCurrentProfile(profile)) profile = 0;
    SetText(info_.value1, profile == 0           ? Text(s::kNotInsert)
                          : HasMediumName(profile) ? Text(profile)
                                                   : Text(s::kUnknown));
    SetText(info_.value2, DiscStateText());
  }

  void HardDiskRows() {
    const DeviceInfo* found = FindByDriveNumber(src_.devices->disks, request_.driveNumber);
    DeviceInfo record = found ? *found : ZeroDeviceInfo();
    record.kind = request_.kind;  // the panel's kind picks the command object
    record.driveNumber = request_.driveNumber;
    CopyIdentity(found);
    const std::unique_ptr<CAtaCommand> command = MakeAtaCommand(*src_.opener, record);
    const std::u16string_view vendor = GetText(record.drive.vendor), product = GetText(record.drive.product);
    const std::u16string failed = Text(s::kGetFailed);
    SetText(info_.name1, Text(s::kHddTemp));
    SetText(info_.name2, u"S.M.A.R.T.");
    SetText(info_.value1, failed);
    SetText(info_.value2, failed);
    if (vendor == kMaker && (product == u"TORB-GLA" || product == u"TORB-YENA")) {
      // These drives are read without a power check.
      if (command) {
        Temperature(*command);
        Health(*command);
      }
    } else {
      SetText(info_.name3, Text(s::kSaveState));
      SetText(info_.value3, failed);
      if (command) PowerStateRows(*command, record);
    }
    if (command) Identity(*command);
  }

  void PowerStateRows(CAtaCommand& command, const DeviceInfo& record) {
    bool awake = false;
    if (!command.CheckPowerMode(awake)) return;
    if (!awake) {
      // Temperature and S.M.A.R.T. would spin the drive up.
      SetText(info_.value1, Text(s::kPowerSaveEnabled));
      SetText(info_.value2, Text(s::kPowerSaveEnabled));
      SetText(info_.value3, Text(s::kEnable));
      return;
    }
    const std::u16string stored = src_.powerSave->Locked([&](SettingsFile& file) {
      return file.Read(settings::kTimerSettings, DeviceKey(record), kStoredChoiceCapacity);
    });
    if (!stored.empty()) {
      SetText(info_.value1, Text(s::kPowerSaving));
      SetText(info_.value2, Text(s::kPowerSaving));
      const char16_t choice = stored[0];
      SetText(info_.value3, Text(choice >= u'0' && choice <= u'2' ? s::kSetting10m + (choice - u'0')
                                                                  : s::kSetting10m + 3));
      return;
    }
    SetText(info_.value3, Text(s::kDisable));
    if (record.kind == VarnkeldBridgeDisk && GetText(record.drive.product) == u"PLKA-G") DriveTimerRow(command);
    Temperature(command);
    Health(command);
  }

  // The standby timer the drive keeps by itself.
  void DriveTimerRow(CAtaCommand& command) {
    uint8_t page[512] = {};
    if (!command.ReadBuffer(1, kDriveTimerBufferId, page, 0, sizeof page) || page[1] == 0) return;
    switch (page[1]) {
      case 0xB4: SetText(info_.value3, Text(s::kDriveTimer15m)); break;
      case 0xF1: SetText(info_.value3, Text(s::kDriveTimer30m)); break;
      case 0xF2: SetText(info_.value3, Text(s::kDriveTimer1h)); break;
      default: SetText(info_.value3, Text(s::kUnknown)); break;
    }
  }

  void Temperature(CAtaCommand& command) {
    uint32_t celsius = 0;
    if (!command.ReadTemperature(celsius)) return;
    char text[32];
    if (request_.uiLanguage == kLanguageJapanese) {
      std::snprintf(text, sizeof text, "%d ", int(celsius));
      SetText(info_.value1, Ascii(text) + kCelsius);
    } else {
      std::snprintf(text, sizeof text, "%0.0f F", celsius * 1.8 + 32);
      SetText(info_.value1, Ascii(text));
    }
  }

  void Health(CAtaCommand& command) {
    bool good = false;
    if (command.SmartReturnStatus(good)) SetText(info_.value2, Text(good ? s::kGood : s::kBad));
  }

  // The drive's own identity, when the user held Ctrl; the bridge families only.
  void Identity(CAtaCommand& command) {
    constexpr uint32_t kBridges = VarnkeldBridgeDisk | JmBridgeDisk | FjtBridgeDisk;
    if (!request_.ctrlDown || !(request_.kind & kBridges)) return;
    uint8_t identify[512] = {};
    if (!command.Identify(identify)) return;
    const std::u16string model = AtaText(identify, 27, 20), firmware = AtaText(identify, 23, 4);
    SetText(info_.vendor, model.substr(0, 8));
    SetText(info_.product, model.substr(8, 16));
    SetText(info_.revision, firmware);
  }

  void ArrayRows() {
    const DeviceInfo* found = FindByDriveNumber(src_.devices->disks, request_.driveNumber);
    SetText(info_.name1, Text(s::kMode));
    SetText(info_.name2, Text(s::kState));
    SetText(info_.value1, Text(s::kGetFailed));
    SetText(info_.value2, Text(s::kGetFailed));
    DeviceInfo record = found ? *found : ZeroDeviceInfo();
    record.kind = request_.kind;
    record.driveNumber = request_.driveNumber;
    const std::optional<ArrayStatusBlock> block = ReadArrayStatus(*src_.opener, record);
    if (block && (*block)[0] != 0) {
      SetText(info_.value1, Text(ArrayLevelText(*block)));
      SetText(info_.value2, Text(ArrayStateText(*block)));
      if (const auto members = FailedMembersText(*block, GetText(record.drive.product))) {
        SetText(info_.name3, Text(s::kEjecting));
        SetText(info_.value3, *members);
      }
    }
    CopyIdentity(found);
  }

  const DetailsRequest& request_;
  const DetailsSources& src_;
  const StringTable& strings_;
  FlyOutInfo info_{};
  std::unique_ptr<COptCommand> optical_;
};

}  // namespace

std::u16string DetailsTitle(const std::u16string& drivePath, const StringTable& strings) {
  return u"(" + drivePath.substr(0, 2) + u")" + strings.Text(s::kProperties);
}

FlyOutInfo BuildFlyOutInfo(const DetailsRequest& request, const DetailsSources& sources) {
  return DetailsBuilder(request, sources).Build();
}

DetailsOutcome RunDetailsRequest(const DetailsRequest& request, const DetailsSources& sources,
                                 SharedFlyOutInfo& shared) {
  if (!shared.Claim(request.drivePath, DetailsTitle(request.drivePath, *sources.strings))) return DetailsOutcome::Close;
  return shared.Fill(BuildFlyOutInfo(request, sources)) ? DetailsOutcome::Show : DetailsOutcome::Overtaken;
}

}  // namespace tavolen
