#pragma once
// Whether "Tray Control" opens or closes an optical drive's tray: from what TEST UNIT
// READY leaves in the sense data and, when that does not tell, from the capabilities and
// mechanical status page (0x2A) of MODE SENSE(10).
#include <cstddef>
#include <cstdint>
#include <optional>

#include "control/device/COptCommand.h"

namespace tavolen {

enum class TrayAction { Failed, Open, Close };

// The page is asked for with this allocation length.
constexpr uint8_t kCapabilitiesPage = 0x2A;
constexpr uint8_t kCapabilitiesAllocation = 80;
// Medium type of the mode parameter header that reports an open tray.
constexpr uint8_t kMediumTypeTrayOpen = 0x71;

// Open when the drive is ready or reports no medium with its tray closed; close when it
// reports no medium with its tray open; none when the sense says neither.
std::optional<TrayAction> TrayActionFromSense(uint8_t senseKey, uint8_t asc, uint8_t ascq);

// From the MODE SENSE(10) answer (`data` of `length` bytes, none when the command
// failed): a closed tray is opened, an open one closed. The page follows the 8-byte
// header and its block descriptors.
TrayAction TrayActionFromModeSense(const uint8_t* data, std::size_t length);

// The whole decision on an opened drive: current profile (failure or 0xFF: Failed),
// TEST UNIT READY, and MODE SENSE(10) when the sense data leave it open.
TrayAction DecideTrayAction(COptCommand& drive);

}  // namespace tavolen
