// Asks physical drive 0 for INQUIRY and READ CAPACITY through the command layer and
// prints the answers, or why they failed.
#include <cstdio>
#include <string>

#include "control/device/CScsiCommand.h"
#include "control/device/win/Win32DeviceOpener.h"

using namespace tavolen;

namespace {

const char* RouteName(ChannelRoute route) {
  switch (route) {
    case ChannelRoute::Direct: return "opened directly";
    case ChannelRoute::Service: return "not opened: routed to the device-management service";
    case ChannelRoute::Closed: return "closed";
  }
  return "?";
}

std::string Field(const uint8_t* bytes, int length) {
  std::string text;
  for (int i = 0; i < length && bytes[i] != 0; ++i) text += char(bytes[i] >= 0x20 && bytes[i] < 0x7F ? bytes[i] : '.');
  return text;
}

void PrintFailure(const char* what, const CScsiCommand& command) {
  const auto& sense = command.SenseSummary();
  if (sense[1] != 0 || sense[2] != 0)
    std::printf("%s failed: sense key %u, additional sense code 0x%02X, qualifier 0x%02X\n", what, sense[1], sense[2],
                sense[3]);
  else
    std::printf("%s failed: system error %lu\n", what, static_cast<unsigned long>(command.LastError()));
}

}  // namespace

int main() {
  Win32DeviceOpener opener;
  CScsiCommand command(opener, 0u);
  std::printf("device: \\\\.\\PhysicalDrive0 (%s)\n", RouteName(command.Route()));

  int failures = 0;
  uint8_t inquiry[56] = {};
  if (command.Inquiry(inquiry, sizeof inquiry)) {
    std::printf("INQUIRY: peripheral type %u, vendor \"%s\", product \"%s\", revision \"%s\"\n", inquiry[0] & 0x1F,
                Field(inquiry + 8, 8).c_str(), Field(inquiry + 16, 16).c_str(), Field(inquiry + 32, 4).c_str());
  } else {
    PrintFailure("INQUIRY", command);
    ++failures;
  }

  uint64_t lastLba = 0;
  uint32_t blockLength = 0;
  if (command.ReadCapacity(lastLba, blockLength)) {
    std::printf("READ CAPACITY: last LBA %llu, block length %lu, %.1f GB\n", static_cast<unsigned long long>(lastLba),
                static_cast<unsigned long>(blockLength), double(lastLba + 1) * blockLength / (1024.0 * 1024 * 1024));
  } else {
    PrintFailure("READ CAPACITY", command);
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
