#include "control/device/CAtaCommand.h"

#include <cstring>

#include "control/device/AlignedBlock.h"
#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"

namespace tavolen {

namespace {
constexpr uint8_t kCmdIdentify = 0xEC;
constexpr uint8_t kCmdCheckPowerMode = 0xE5;
constexpr uint8_t kCmdSmart = 0xB0;
constexpr uint8_t kSmartReadData = 0xD0;
constexpr uint8_t kSmartEnable = 0xD8;
constexpr uint8_t kSmartReturnStatus = 0xDA;
constexpr uint8_t kSmartMid = 0x4F, kSmartHigh = 0xC2;

AtaTaskFile SmartTaskFile(uint8_t feature, uint8_t mid = kSmartMid, uint8_t high = kSmartHigh) {
  AtaTaskFile tf;
  tf[AtaTaskFile::Features] = feature;
  tf[AtaTaskFile::LbaMid] = mid;
  tf[AtaTaskFile::LbaHigh] = high;
  tf[AtaTaskFile::Command] = kCmdSmart;
  return tf;
}
}  // namespace

bool CAtaCommand::NonData(AtaTaskFile& taskFile) {
  return AtaPassThrough(kAtaFlagsDrdyRequired, taskFile, false, nullptr, 0);
}

bool CAtaCommand::DataIn(AtaTaskFile& taskFile, uint8_t* buffer, uint32_t length) {
  return AtaPassThrough(kAtaFlagsDataIn, taskFile, false, buffer, length);
}

bool CAtaCommand::DataOut(AtaTaskFile& taskFile, const uint8_t* buffer, uint32_t length) {
  // The data-out path never writes into the caller's buffer.
  return AtaPassThrough(kAtaFlagsDataOut, taskFile, false, const_cast<uint8_t*>(buffer), length);
}

bool CAtaCommand::AtaPassThrough(uint16_t flags, AtaTaskFile& taskFile, bool is48Bit, uint8_t* buffer,
                                 uint32_t length) {
  if (length > 0 && buffer == nullptr) return false;
  // A read that fails leaves zeros, never the bytes of an earlier read.
  if (!(flags & kAtaFlagsDataOut) && length > 0) std::memset(buffer, 0, length);
  const uint64_t blockSize = uint64_t(length) + kAtaBlockOverhead;
  if (blockSize > UINT32_MAX) return false;
  AlignedBlock block{std::size_t(blockSize)};
  if (!block) return false;

  const bool direct = Route() == ChannelRoute::Direct;
  const BlockLayout layout = direct ? NativeBlockLayout() : BlockLayout::Bits32;
  const AtaBlockGeometry geometry = AtaGeometry(layout);

  AtaPassThroughHeader header;
  header.length = geometry.headerLength;
  header.ataFlags = uint16_t(flags | (is48Bit ? kAtaFlags48Bit : 0));
  header.dataTransferLength = length;
  header.timeOutValue = kAtaTimeout;
  header.dataBufferOffset = geometry.dataOffset;
  header.previousTaskFile = taskFile.previous;
  header.currentTaskFile = taskFile.current;
  WriteAtaHeader(header, layout, block.data());
  // Data out is copied into the block, so what is sent is what the caller gave.
  if ((flags & kAtaFlagsDataOut) && length > 0) std::memcpy(block.data() + geometry.dataOffset, buffer, length);

  uint32_t returned = 0;
  const bool ok =
      Control(kIoctlAtaPassThrough, block.data(), uint32_t(blockSize), block.data(), uint32_t(blockSize), &returned);

  const AtaPassThroughHeader answer = ReadAtaHeader(block.data(), layout);
  taskFile.previous = answer.previousTaskFile;
  taskFile.current = answer.currentTaskFile;
  if (!ok) {
    lastError_ = ControlError();
    return false;
  }
  if (!(flags & kAtaFlagsDataOut) && length > 0) std::memcpy(buffer, block.data() + geometry.dataOffset, length);
  return true;
}

bool CAtaCommand::ReadResultRegisters(AtaTaskFile&) { return false; }

bool DispatchByFlags(CAtaCommand& command, uint16_t flags, AtaTaskFile& taskFile, uint8_t* buffer, uint32_t length) {
  switch (flags) {
    case kAtaFlagsDrdyRequired: return command.NonData(taskFile);
    case kAtaFlagsDataIn: return command.DataIn(taskFile, buffer, length);
    case kAtaFlagsDataOut: return command.DataOut(taskFile, buffer, length);
    default: return false;
  }
}


bool CAtaCommand::Identify(uint8_t* buffer) {
  AtaTaskFile tf;
  tf[AtaTaskFile::Command] = kCmdIdentify;
  return DataIn(tf, buffer, kSectorSize);
}

bool CAtaCommand::SendCountCommand(uint8_t command, uint8_t count) {
  AtaTaskFile tf;
  tf[AtaTaskFile::Count] = count;
  tf[AtaTaskFile::Command] = command;
  return NonData(tf);
}

bool CAtaCommand::CheckPowerMode(bool& awake) {
  AtaTaskFile tf;
  tf[AtaTaskFile::Command] = kCmdCheckPowerMode;
  // Registers the transport cannot read back would be the ones sent: a sleeping disk's.
  if (!NonData(tf) || !ReturnsRegisters()) return false;
  awake = tf[AtaTaskFile::Count] != 0 || tf[AtaTaskFile::LbaLow] != 0;
  return true;
}

bool CAtaCommand::SmartReturnStatus(bool& good) {
  AtaTaskFile tf = SmartTaskFile(kSmartReturnStatus);
  // The registers sent are the "good" signature: unread, they would say so.
  if (!NonData(tf) || !ReturnsRegisters()) return false;
  const uint8_t mid = tf[AtaTaskFile::LbaMid], high = tf[AtaTaskFile::LbaHigh];
  if (mid == kSmartMid && high == kSmartHigh) {
    good = true;
    return true;
  }
  if (mid == 0xF4 && high == 0x2C) {
    good = false;
    return true;
  }
  return false;
}

bool CAtaCommand::SmartReadData(uint8_t* buffer) {
  AtaTaskFile tf = SmartTaskFile(kSmartReadData);
  return DataIn(tf, buffer, kSectorSize);
}

bool CAtaCommand::SmartReadDataAlternate(uint8_t* buffer) {
  AtaTaskFile tf = SmartTaskFile(kSmartReadData, 0x44, 0x00);
  return AtaPassThrough(kAtaFlagsDataIn, tf, false, buffer, kSectorSize);
}

bool FindSmartTemperature(const uint8_t* page, uint32_t& celsius) {
  constexpr std::size_t kEntry = 12, kFirst = 2;
  for (std::size_t at = kFirst; at + kEntry <= CAtaCommand::kSectorSize; at += kEntry) {
    if (page[at] == 0xC2) {
      celsius = page[at + 5];
      return true;
    }
  }
  celsius = 0;
  return false;
}

bool CAtaCommand::ReadTemperature(uint32_t& celsius) {
  uint8_t identify[kSectorSize] = {};
  if (!Identify(identify)) return false;
  const uint16_t word85 = uint16_t(identify[85 * 2] | (identify[85 * 2 + 1] << 8));
  if ((word85 & 1) == 0) {
    AtaTaskFile enable = SmartTaskFile(kSmartEnable);
    if (!NonData(enable)) return false;
  }
  uint8_t page[kSectorSize] = {};
  if (!SmartReadData(page)) return false;
  return FindSmartTemperature(page, celsius);
}

}  // namespace tavolen
