// Fuzz target: what optical drives answer: GET CONFIGURATION (the current profile), READ
// DISC INFORMATION (the disc status), and the sense data of TEST UNIT READY without a
// medium; the drive opened by its interface path (enumeration) or by its number (the
// dialogs reopen it as a CD-ROM device).
// Input: a selector byte, a route byte (odd: the service route), then the device's
// answers (fuzz/FuzzDevices.h).
#include <cstddef>
#include <cstdint>
#include <memory>

#include "control/device/COptCommand.h"
#include "fuzz/FuzzDevices.h"

using namespace tavolen;
using namespace tavolen::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzStream input(data, size);
  const uint8_t selector = input.Byte();
  FuzzOpener opener(input, (input.Byte() & 1) ? ChannelRoute::Service : ChannelRoute::Direct);
  const std::unique_ptr<COptCommand> command =
      (selector & 1) ? std::make_unique<COptCommand>(opener, 0u)
                     : std::make_unique<COptCommand>(opener, u"\\\\?\\USBSTOR#CDROM&VEN_X#0#{53F56308}");
  constexpr uint32_t kUntouched = 0xA5A5A5A5;
  for (int step = 0; step < 3; ++step) {
    uint32_t profile = kUntouched;
    const bool profileRead = command->GetCurrentProfile(profile);
    // A profile is one byte; "removable disk" (2) reads as 0; a failure leaves it alone.
    if (profileRead ? (profile > 0xFF || profile == 2) : profile != kUntouched) __builtin_trap();
    uint32_t status = kUntouched;
    const bool statusRead = command->ReadDiscStatus(status);
    if (statusRead ? status > 3 : status != kUntouched) __builtin_trap();
    const bool ready = command->TestUnitReady();
    const auto& sense = command->SenseSummary();
    if (sense[0] != 0 || sense[1] > 0x0F) __builtin_trap();
    // After a success the summary holds nothing of an earlier failure.
    if (ready && (sense[1] != 0 || sense[2] != 0 || sense[3] != 0)) __builtin_trap();
  }
  return 0;
}
