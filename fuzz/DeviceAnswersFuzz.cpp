// Fuzz target: what disks and their USB bridges answer the command layer: INQUIRY, READ
// CAPACITY (10 and 16), MODE SENSE, sense data of a failed command, ATA IDENTIFY, the
// S.M.A.R.T. data page and verdict, CHECK POWER MODE, the bridges' information and their
// result registers (status descriptor, the 0xE0 register read), and the ATA operations
// of every bridge's command object.
// Input: a selector byte, a route byte (odd: the service route), then the device's
// answers (fuzz/FuzzDevices.h) or, for the plain decoders, their bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "control/device/BridgeInfo.h"
#include "control/device/CAtaCommand.h"
#include "control/device/CJmCommand.h"
#include "control/device/CSatCommand.h"
#include "control/device/CScsiCommand.h"
#include "control/device/CVarnkeldCommand.h"
#include "control/device/DeviceIdentity.h"
#include "control/device/DeviceInfo.h"
#include "control/device/ModelClassification.h"
#include "fuzz/FuzzDevices.h"

using namespace tavolen;
using namespace tavolen::fuzzing;

namespace {

// Every text field of the record ends inside its capacity.
template <std::size_t N>
void CheckField(const char16_t (&field)[N]) {
  if (GetText(field).size() >= N) __builtin_trap();
}

// The bridge text ends inside its field; a text of the 16 bytes the bridges hand over is
// trimmed at both ends (a longer one is cut after trimming, where a blank may end it).
void CheckBridgeText(const BridgeInfo& info, std::size_t length = 16) {
  CheckField(info.text);
  const std::u16string_view text = GetText(info.text);
  auto isSpace = [](char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
  if (!text.empty() && isSpace(text.front())) __builtin_trap();
  if (length <= 16 && !text.empty() && isSpace(text.back())) __builtin_trap();
}

constexpr uint32_t kBridgeKinds[] = {FixedDisk, VarnkeldBridgeDisk, JmBridgeDisk, FjtBridgeDisk, SatDisk, QmxtDisk};

void RunAtaOperations(FuzzOpener& opener, FuzzStream& input) {
  DeviceInfo info = ZeroDeviceInfo();
  info.kind = kBridgeKinds[input.Byte() % (sizeof kBridgeKinds / sizeof kBridgeKinds[0])];
  info.driveNumber = 1;
  info.bridgeChip = input.Byte() % 5;
  const std::unique_ptr<CAtaCommand> command = MakeAtaCommand(opener, info);
  if (!command) __builtin_trap();
  uint8_t page[CAtaCommand::kSectorSize];
  if (command->Identify(page) && IdeSerialFromIdentify(page).size() != 20) __builtin_trap();
  uint32_t celsius = 0;
  command->ReadTemperature(celsius);
  bool flag = false;
  command->SmartReturnStatus(flag);
  command->CheckPowerMode(flag);
  command->SmartReadData(page);
  command->SmartReadDataAlternate(page);
  command->SendCountCommand(0xE3, 120);
  AtaTaskFile registers;
  command->ReadResultRegisters(registers);
  BridgeInfo bridge;
  if (command->GetBridgeInfo(bridge)) CheckBridgeText(bridge);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzStream input(data, size);
  const uint8_t selector = input.Byte();
  FuzzOpener opener(input, (input.Byte() & 1) ? ChannelRoute::Service : ChannelRoute::Direct);
  switch (selector % 8) {
    case 0: {  // INQUIRY, as enumeration reads it into the record
      CScsiCommand command(opener, 1);
      uint8_t inquiry[kInquiryLength];
      if (!command.Inquiry(inquiry, sizeof inquiry)) break;
      DeviceInfo info = ZeroDeviceInfo();
      ApplyInquiry(info, inquiry, (selector & 8) ? InquiryTarget::Optical : InquiryTarget::Disk);
      CheckField(info.drive.vendor);
      CheckField(info.drive.product);
      CheckField(info.drive.revision);
      CheckField(info.drive.vendorSpecific);
      if (JmChipFromInquiryText(reinterpret_cast<const char*>(inquiry + 36)) > 4) __builtin_trap();
      break;
    }
    case 1: {  // READ CAPACITY (10, then 16 when 10 fails or saturates)
      CScsiCommand command(opener, 1);
      uint64_t lastLba = 0;
      uint32_t blockLength = 0;
      command.ReadCapacity(lastLba, blockLength);
      command.ReadCapacity16(lastLba, blockLength);
      break;
    }
    case 2: {  // MODE SENSE(10) of any page and length, then TEST UNIT READY's sense
      CScsiCommand command(opener, 1);
      uint8_t page[255];
      const uint8_t length = input.Byte();
      command.ModeSense10(input.Byte(), page, length);
      command.TestUnitReady();
      const auto& sense = command.SenseSummary();
      if (sense[0] != 0 || sense[1] > 0x0F) __builtin_trap();
      break;
    }
    case 3:  // the ATA operations of a bridge's command object
      RunAtaOperations(opener, input);
      break;
    case 4: {  // the decoders of fixed answers, over raw bytes
      uint8_t answer[512];
      input.Fill(answer, sizeof answer);
      AtaTaskFile registers;
      DecodeE0Registers(answer, registers);
      DecodeAtaStatusDescriptor(answer, registers);
      BridgeInfo bridge;
      DecodeReadBufferBridgeInfo(answer, bridge);
      CheckBridgeText(bridge);
      uint32_t celsius = 0;
      // Attribute 194 is found only where a whole 12-byte entry starts at 2 + 12k.
      if (FindSmartTemperature(answer, celsius)) {
        bool found = false;
        for (std::size_t at = 2; at + 12 <= sizeof answer && !found; at += 12)
          found = answer[at] == 0xC2 && answer[at + 5] == celsius;
        if (!found) __builtin_trap();
      }
      if (IdeSerialFromIdentify(answer).size() != 20) __builtin_trap();
      break;
    }
    case 5: {  // the bridge text of any length
      const std::vector<uint8_t> bytes = input.Bytes(input.Byte());
      BridgeInfo bridge;
      SetBridgeText(bridge, bytes.data(), bytes.size());
      CheckBridgeText(bridge, bytes.size());
      break;
    }
    case 6: {  // a JMicron bridge that finds out its chip from INQUIRY
      CJmCommand command(opener, 1, 0);
      if (command.Chip() > 4) __builtin_trap();
      BridgeInfo bridge;
      if (command.GetBridgeInfo(bridge)) CheckBridgeText(bridge);
      AtaTaskFile registers;
      command.ReadResultRegisters(registers);
      break;
    }
    default: {  // a SAT bridge's classification probe: IDENTIFY through ATA PASS-THROUGH
      const IdentifyProbe probe = SatIdentifyProbe(opener, 1);
      probe();
      break;
    }
  }
  return 0;
}
