#include "control/panels/TrayDecision.h"

#include <array>

namespace tavolen {

std::optional<TrayAction> TrayActionFromSense(uint8_t senseKey, uint8_t asc, uint8_t ascq) {
  if (senseKey == 0) return TrayAction::Open;
  if (senseKey == kSenseNotReady && asc == kAscMediumNotPresent) {
    if (ascq == kAscqTrayClosed) return TrayAction::Open;
    if (ascq == kAscqTrayOpen) return TrayAction::Close;
  }
  return std::nullopt;
}

TrayAction TrayActionFromModeSense(const uint8_t* data, std::size_t length) {
  constexpr std::size_t kHeader = 8;
  if (data == nullptr || length < kHeader) return TrayAction::Close;  // no answer: taken as open

  const std::size_t descriptors = (std::size_t(data[6]) << 8) | data[7];
  const std::size_t page = kHeader + descriptors;
  // A page with read capabilities but neither write capabilities (byte 3) nor byte 5
  // set counts as an open tray, whatever the header says.
  if (page + 6 <= length && (data[page] & 0x3F) == kCapabilitiesPage && data[page + 2] != 0 && data[page + 3] == 0 &&
      data[page + 5] == 0)
    return TrayAction::Close;
  return data[2] == kMediumTypeTrayOpen ? TrayAction::Close : TrayAction::Open;
}

TrayAction DecideTrayAction(COptCommand& drive) {
  uint32_t profile = 0;
  if (!drive.GetCurrentProfile(profile) || profile == 0xFF) return TrayAction::Failed;

  // Whatever it returns, the sense data it leaves decide.
  drive.TestUnitReady();
  const auto& sense = drive.SenseSummary();
  if (const auto action = TrayActionFromSense(sense[1], sense[2], sense[3])) return *action;

  std::array<uint8_t, kCapabilitiesAllocation> page{};
  if (!drive.ModeSense10(kCapabilitiesPage, page.data(), kCapabilitiesAllocation))
    return TrayActionFromModeSense(nullptr, 0);
  return TrayActionFromModeSense(page.data(), page.size());
}

}  // namespace tavolen
