#include "control/panels/ArrayStatus.h"

#include <cstdio>

#include "control/device/ByteOrder.h"
#include "control/device/CAtaCommand.h"
#include "control/device/CVarnkeldCommand.h"

namespace tavolen {

namespace {

constexpr uint8_t kStatusBufferId = 0x40;
constexpr uint8_t kMemberPresent = 0x10, kMemberFault = 0x80;
constexpr char16_t kFullWidthPercent = u'\uFF05';

uint32_t Version(const ArrayStatusBlock& b) { return b[0]; }
bool Understood(const ArrayStatusBlock& b) { return Version(b) >= 1 && Version(b) <= 3; }

std::u16string Ascii(const char* text) {
  std::u16string out;
  for (const char* p = text; *p; ++p) out.push_back(char16_t(static_cast<unsigned char>(*p)));
  return out;
}

// "( 42.5％ )" with the given number of decimals.
std::u16string ProgressSuffix(double percent, int decimals) {
  char number[32];
  std::snprintf(number, sizeof number, "%0.*f", decimals, percent);
  return u"( " + Ascii(number) + kFullWidthPercent + u" )";
}

}  // namespace

std::optional<ArrayStatusBlock> ReadArrayStatus(DeviceOpener& opener, const DeviceInfo& disk) {
  ArrayStatusBlock block{};
  if (disk.kind == MakerDiskB) {
    CVarnkeldCommand bridge(opener, disk.driveNumber, 0);
    if (bridge.ReadBuffer(1, kStatusBufferId, block.data(), 0, uint32_t(block.size()))) return block;
    if (bridge.SmartReadDataAlternate(block.data())) return block;
    return std::nullopt;
  }
  if (disk.kind == MakerDiskC) {
    CAtaCommand ata(opener, disk.driveNumber);
    if (ata.SmartReadDataAlternate(block.data())) return block;
  }
  return std::nullopt;
}

uint32_t ArrayLevel(const ArrayStatusBlock& b) { return Understood(b) ? b[2] >> 4 : 0; }
uint32_t ArrayState(const ArrayStatusBlock& b) { return Understood(b) ? b[2] & 0x0F : 0; }

double RebuildProgress(const ArrayStatusBlock& b) {
  switch (Version(b)) {
    case 1:
    case 3: return b[3];
    case 2: return GetBe16(&b[3]) * 100.0 / 65535.0;
    default: return 0;
  }
}

ArrayText ArrayLevelText(const ArrayStatusBlock& block) {
  switch (ArrayLevel(block)) {
    case 0: return {0, u"RAID 0"};
    case 1: return {0, u"RAID 1"};
    case 2: return {array_strings::kMultipleDisk, {}};
    case 3: return {0, u"RAID 1+0"};
    case 4: return {0, u"RAID 5"};
    default: return {array_strings::kUnknown, {}};
  }
}

ArrayText ArrayStateText(const ArrayStatusBlock& block) {
  switch (ArrayState(block)) {
    case 0: return {array_strings::kOperatingNormally, {}};
    case 1: return {array_strings::kDegrade, {}};
    case 2: return {array_strings::kRebuilding, ProgressSuffix(RebuildProgress(block), 1)};
    case 3: return {array_strings::kRebuildPausing, {}};
    case 4: return {array_strings::kSystemPausing, {}};
    case 5: return {array_strings::kSystemHunging, {}};
    default: return {array_strings::kUnknown, {}};
  }
}

std::optional<std::u16string> FailedMembersText(const ArrayStatusBlock& block, std::u16string_view product) {
  if (ArrayState(block) != 1) return std::nullopt;
  const bool version2 = Version(block) == 2;
  const std::size_t first = version2 ? 5 : 4;  // member 1's status byte
  std::u16string text = u"HDD ";
  const std::size_t emptyLength = text.size();
  auto add = [&](int member) {
    if (text.size() != emptyLength) text += u',';
    text += Ascii(std::to_string(member).c_str());
  };
  if (product.find(u"NIR5-G") != std::u16string_view::npos) {
    // This product lists its two members the other way round.
    const uint8_t members[2] = {block[first + 1], block[first]};
    for (int i = 0; i < 2; ++i)
      if (!(members[i] & kMemberPresent) || (members[i] & kMemberFault)) add(i + 1);
  } else {
    const int count = version2 ? 4 : 2;
    for (int i = 0; i < count; ++i)
      if (!(block[first + std::size_t(i)] & kMemberPresent)) add(i + 1);
  }
  if (text.size() == emptyLength) return std::nullopt;
  return text;
}

std::optional<ArrayRowState> ArrayRowStateOf(const ArrayStatusBlock& block) {
  if (Version(block) == 0) return std::nullopt;
  constexpr uint32_t kRed = 0x2828E6, kYellow = 0x50DCDC, kPink = 0xB4B5F0;  // RGB(230,40,40) ...
  switch (ArrayState(block)) {
    case 0: return ArrayRowState{kRowBackground, std::nullopt};
    case 1: return ArrayRowState{kRed, ArrayText{array_strings::kDegrade, {}}};
    case 2:
      return ArrayRowState{kYellow, ArrayText{array_strings::kRebuilding, ProgressSuffix(RebuildProgress(block), 0)}};
    case 3: return ArrayRowState{kRed, ArrayText{array_strings::kRebuildPausing, {}}};
    case 4: return ArrayRowState{kRed, ArrayText{array_strings::kSystemPausing, {}}};
    case 5: return ArrayRowState{kPink, ArrayText{array_strings::kSystemHunging, {}}};
    default: return ArrayRowState{kRowBackground, std::nullopt};  // a state we do not know: plain grey
  }
}

}  // namespace tavolen
