// Fuzz target: the status block of the maker's array products, as a disk's bridge or its
// S.M.A.R.T. read hands it over, and the texts the details and the row make of it.
// Input: a selector byte (bit 0: the second array product, bit 1: the product text names
// the two-member model, bit 2: the service route), then the device's answers
// (fuzz/FuzzDevices.h).
#include <cstddef>
#include <cstdint>
#include <string>

#include "control/device/DeviceInfo.h"
#include "control/panels/ArrayStatus.h"
#include "fuzz/FuzzDevices.h"

using namespace tavolen;
using namespace tavolen::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzStream input(data, size);
  const uint8_t selector = input.Byte();
  FuzzOpener opener(input, (selector & 4) ? ChannelRoute::Service : ChannelRoute::Direct);
  DeviceInfo disk = ZeroDeviceInfo();
  disk.kind = (selector & 1) ? MakerDiskC : MakerDiskB;
  disk.driveNumber = 2;
  const auto block = ReadArrayStatus(opener, disk);
  if (!block) return 0;

  const uint32_t level = ArrayLevel(*block), state = ArrayState(*block);
  if (level > 15 || state > 15) __builtin_trap();
  const double progress = RebuildProgress(*block);
  if (!(progress >= 0 && progress <= 255)) __builtin_trap();
  ArrayLevelText(*block);
  const ArrayText stateText = ArrayStateText(*block);
  if (stateText.stringId == 0) __builtin_trap();  // every state shows a string of the table
  const std::u16string product = (selector & 2) ? u"NIR5-G" : u"NAS";
  if (const auto failed = FailedMembersText(*block, product)) {
    // "HDD " and one to four member numbers, comma-separated.
    if (state != 1 || failed->size() < 5 || failed->size() > 11 || failed->compare(0, 4, u"HDD ") != 0)
      __builtin_trap();
  }
  const auto row = ArrayRowStateOf(*block);
  if (row.has_value() != ((*block)[0] != 0)) __builtin_trap();
  return 0;
}
