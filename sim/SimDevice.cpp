#include "sim/SimDevice.h"

#include <algorithm>
#include <cstring>

#include "control/device/ByteOrder.h"
#include "control/device/IoctlCodes.h"

namespace tavolen::sim {
namespace {

constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint8_t kCheckCondition = 2;
constexpr std::size_t kFixedSenseLength = 18;

bool IsBridge(Family f) {
  return f == Family::Sat || f == Family::Varnkeld || f == Family::Jm || f == Family::Fjt || f == Family::Qmxt;
}

const char* DefaultProduct(Family f) {
  switch (f) {
    case Family::PlainAta: return "SIM FIXED DISK";
    case Family::Sat: return "SIM SAT DISK";
    case Family::Varnkeld: return "SIM BRIDGE DISK";
    case Family::Jm: return "SIM JM DISK";
    case Family::Fjt: return "SIM NEF-GW DISK";
    case Family::Qmxt: return "QMXT-FRV";
    case Family::Optical: return "SIM OPTICAL";
  }
  return "";
}

// Caching page: write cache enabled.
std::vector<uint8_t> CachingPage() {
  std::vector<uint8_t> page(20, 0);
  page[0] = 0x08;
  page[1] = 0x12;
  page[2] = 0x04;
  return page;
}

// Capabilities and mechanical status page of a DVD writer with a tray that ejects and locks.
std::vector<uint8_t> CapabilitiesPage() {
  std::vector<uint8_t> page(30, 0);
  page[0] = 0x2A;
  page[1] = 0x1C;
  page[2] = 0x3F;  // reads CD-R, CD-RW, method 2, DVD-ROM, DVD-R, DVD-RAM
  page[3] = 0x37;  // writes CD-R, CD-RW, DVD-R, DVD-RAM, test write
  page[4] = 0x71;
  page[5] = 0x7F;
  page[6] = 0x29;  // tray loading mechanism, eject, lock
  PutBe16(page.data() + 8, 0x1B90);
  PutBe16(page.data() + 10, 0x0100);
  PutBe16(page.data() + 12, 0x0800);
  return page;
}

void WriteFixedSense(uint8_t* at, std::size_t room, uint8_t key, uint8_t asc, uint8_t ascq) {
  std::array<uint8_t, kFixedSenseLength> sense{};
  sense[0] = 0x70;
  sense[2] = key & 0x0F;
  sense[7] = uint8_t(kFixedSenseLength - 8);
  sense[12] = asc;
  sense[13] = ascq;
  std::memcpy(at, sense.data(), std::min(room, sense.size()));
}

}  // namespace

SimDevice::SimDevice(Family family) : family_(family) {
  const bool optical = family == Family::Optical;
  peripheralType = optical ? 5 : 0;
  removableMedium = optical;
  vendor = IsBridge(family) ? "VARNKELD" : "TAVOSIM";
  product = DefaultProduct(family);
  if (optical) {
    lastLba = 2295103;  // a single-layer DVD
    blockLength = 2048;
    deviceType = 2;
    mediaType = kMediaTypeRemovable;
    hotplug.mediaRemovable = 1;
    modePages[0x2A] = CapabilitiesPage();
  } else {
    modePages[0x08] = CachingPage();
    ata.SetCapacity(lastLba + 1);
  }
  hotplug.deviceHotplug = IsBridge(family) ? 1 : 0;
  bridge = BridgeInfo{0x1203, 0x0456, "SIM BRIDGE 1.0"};
  if (family == Family::Jm) SetJmChip(3);
}

void SimDevice::SetJmChip(int chip) {
  static const char* const kTexts[] = {"", "j329", "j336", "j339", "j539"};
  jmChip = chip;
  vendorSpecific = chip >= 1 && chip <= 4 ? kTexts[chip] : "";
}

uint8_t SimDevice::GarbageByte(std::size_t index) { return uint8_t((index * 167 + 89) ^ (index >> 5)); }

// --- faults and logs --------------------------------------------------------------

namespace {
void Store(std::map<uint32_t, Fault>& faults, uint32_t key, const Fault& f) {
  if (f.count == 0)
    faults.erase(key);
  else
    faults[key] = f;
}
}  // namespace

void SimDevice::FailCdb(uint8_t opcode, Fault f) {
  std::lock_guard<std::mutex> lock(mutex_);
  Store(cdbFaults_, opcode, f);
}

void SimDevice::FailAtaCommand(uint8_t command, Fault f) {
  std::lock_guard<std::mutex> lock(mutex_);
  Store(ataFaults_, command, f);
}

void SimDevice::FailIoctl(uint32_t code, Fault f) {
  std::lock_guard<std::mutex> lock(mutex_);
  Store(ioctlFaults_, code, f);
}

void SimDevice::ClearFaults() {
  std::lock_guard<std::mutex> lock(mutex_);
  cdbFaults_.clear();
  ataFaults_.clear();
  ioctlFaults_.clear();
}

void SimDevice::ClearLogs() {
  std::lock_guard<std::mutex> lock(mutex_);
  cdbs_.clear();
  ataCommands_.clear();
  ioctls_.clear();
  ata.ClearLog();
}

bool SimDevice::Fire(FaultMap& faults, uint32_t key) {
  if (fired_) return false;
  const auto found = faults.find(key);
  if (found == faults.end()) return false;
  Fault& f = found->second;
  if (f.skip > 0) {
    --f.skip;
    return false;
  }
  fired_ = f;
  if (f.count > 0 && --f.count == 0) faults.erase(found);
  return true;
}

std::size_t SimDevice::DataOutLimit(std::size_t length) const {
  return Fired(Fault::Kind::ShortData) ? std::min<std::size_t>(length, fired_->shortLength) : length;
}

// --- I/O controls -----------------------------------------------------------------

bool SimDevice::Control(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                        uint32_t* bytesReturned, uint32_t* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (in == nullptr) inLength = 0;
  if (out == nullptr) outLength = 0;
  ioctls_.push_back(IoctlRecord{code, inLength, outLength});
  fired_.reset();

  std::vector<uint8_t> buffer(std::max(inLength, outLength), 0);
  if (inLength > 0) std::memcpy(buffer.data(), in, inLength);
  uint32_t returned = 0, failure = 0;
  const bool ok = Dispatch(code, buffer, inLength, outLength, &returned, &failure);
  fired_.reset();
  if (ok && returned > 0) std::memcpy(out, buffer.data(), std::min(returned, outLength));
  if (bytesReturned != nullptr) *bytesReturned = ok ? std::min(returned, outLength) : 0;
  if (error != nullptr) *error = ok ? 0 : failure;
  return ok;
}

bool SimDevice::Dispatch(uint32_t code, std::vector<uint8_t>& buffer, uint32_t inLength, uint32_t outLength,
                         uint32_t* returned, uint32_t* error) {
  const bool passThrough = code == kIoctlScsiPassThrough || code == kIoctlAtaPassThrough;
  if (Fire(ioctlFaults_, code) && (Fired(Fault::Kind::Transport) || (!passThrough && Blocked()))) {
    *error = fired_->error;
    return false;
  }
  switch (code) {
    case kIoctlScsiPassThrough:
      return ScsiPassThrough(buffer, inLength, outLength, returned, error);
    case kIoctlAtaPassThrough:
      if (family_ != Family::PlainAta) {
        *error = kErrorInvalidFunction;
        return false;
      }
      return AtaPassThrough(buffer, inLength, outLength, returned, error);
    case kIoctlDiskGetDriveGeometry:
    case kIoctlDiskPerformance:
    case kIoctlStorageGetDeviceNumber:
    case kIoctlStorageGetHotplugInfo:
      return StorageRecord(code, buffer, outLength, returned, error);
    default:
      *error = kErrorInvalidFunction;
      return false;
  }
}

bool SimDevice::ScsiPassThrough(std::vector<uint8_t>& buffer, uint32_t inLength, uint32_t outLength,
                                uint32_t* returned, uint32_t* error) {
  uint8_t* block = buffer.data();
  const std::optional<BlockLayout> layout = DetectScsiLayout(inLength > 0 ? block : nullptr, inLength);
  if (!layout) {
    *error = kErrorInvalidParameter;
    return false;
  }
  const ScsiBlockGeometry g = ScsiGeometry(*layout);
  ScsiPassThroughHeader h = ReadScsiHeader(block, *layout);
  // Both areas must lie within the received block, behind the header.
  const uint64_t dataEnd = h.dataBufferOffset + h.dataTransferLength;
  const uint64_t senseEnd = uint64_t(h.senseInfoOffset) + h.senseInfoLength;
  const bool malformed = inLength < g.headerLength || dataEnd > inLength || senseEnd > inLength ||
                         h.dataBufferOffset > inLength || h.cdbLength == 0 || h.cdbLength > 16 ||
                         h.dataIn > kScsiNoData ||
                         (h.dataTransferLength > 0 && h.dataBufferOffset < g.headerLength) ||
                         (h.senseInfoLength > 0 && h.senseInfoOffset < g.headerLength);
  const bool outputTooSmall = outLength < g.headerLength || outLength < senseEnd ||
                              (h.dataIn == kScsiDataIn && outLength < dataEnd);
  if (malformed || outputTooSmall) {
    *error = kErrorInvalidParameter;
    return false;
  }

  ScsiRequest request;
  std::copy_n(h.cdb.begin(), h.cdbLength, request.cdb.begin());
  request.cdbLength = h.cdbLength;
  request.direction = h.dataIn;
  request.transferLength = h.dataTransferLength;
  if (h.dataIn == kScsiDataOut)
    request.dataOut.assign(block + h.dataBufferOffset, block + dataEnd);
  cdbs_.push_back(CdbRecord{std::vector<uint8_t>(h.cdb.begin(), h.cdb.begin() + h.cdbLength), h.dataIn,
                            h.dataTransferLength, *layout, h, request.dataOut});

  Fire(cdbFaults_, request.cdb[0]);
  ScsiReply reply = Blocked() ? ScsiReply{} : Execute(request);
  if (Fired(Fault::Kind::Transport)) {
    *error = fired_->error;
    return false;
  }
  if (Fired(Fault::Kind::CheckCondition))
    reply = ScsiReply{kCheckCondition, Sense{fired_->senseKey, fired_->asc, fired_->ascq}, {}};

  uint32_t moved = 0;
  uint32_t used = g.headerLength;
  if (reply.status == 0 && h.dataIn == kScsiDataIn) {
    uint8_t* data = block + h.dataBufferOffset;
    if (Fired(Fault::Kind::GarbageData)) {
      moved = h.dataTransferLength;
      for (uint32_t i = 0; i < moved; ++i) data[i] = GarbageByte(i);
    } else {
      moved = uint32_t(std::min<std::size_t>(reply.data.size(), h.dataTransferLength));
      if (Fired(Fault::Kind::ShortData)) moved = std::min(moved, fired_->shortLength);
      std::copy_n(reply.data.begin(), moved, data);
    }
    used = std::max<uint32_t>(used, uint32_t(h.dataBufferOffset + moved));
  } else if (reply.status == 0 && h.dataIn == kScsiDataOut) {
    moved = uint32_t(DataOutLimit(request.dataOut.size()));
  }
  const uint8_t senseRoom = h.senseInfoLength;
  h.scsiStatus = reply.status;
  h.dataTransferLength = moved;
  h.senseInfoLength = 0;
  if (reply.status != 0 && senseRoom > 0) {
    const uint8_t written = uint8_t(std::min<std::size_t>(kFixedSenseLength, senseRoom));
    WriteFixedSense(block + h.senseInfoOffset, written, reply.sense.key, reply.sense.asc, reply.sense.ascq);
    h.senseInfoLength = written;
    used = std::max<uint32_t>(used, h.senseInfoOffset + written);
  }
  WriteScsiHeader(h, *layout, block);
  *returned = used;
  return true;
}

bool SimDevice::AtaPassThrough(std::vector<uint8_t>& buffer, uint32_t inLength, uint32_t outLength,
                               uint32_t* returned, uint32_t* error) {
  uint8_t* block = buffer.data();
  const std::optional<BlockLayout> layout = DetectAtaLayout(inLength > 0 ? block : nullptr, inLength);
  if (!layout) {
    *error = kErrorInvalidParameter;
    return false;
  }
  const AtaBlockGeometry g = AtaGeometry(*layout);
  AtaPassThroughHeader h = ReadAtaHeader(block, *layout);
  const bool dataIn = (h.ataFlags & kAtaFlagsDataIn) != 0;
  const bool dataOut = (h.ataFlags & kAtaFlagsDataOut) != 0;
  const uint64_t dataEnd = h.dataBufferOffset + h.dataTransferLength;
  const bool malformed = inLength < g.headerLength || h.dataBufferOffset > inLength || dataEnd > inLength ||
                         (dataIn && dataOut) || (h.dataTransferLength > 0 && h.dataBufferOffset < g.headerLength);
  if (malformed || outLength < g.headerLength || (dataIn && outLength < dataEnd)) {
    *error = kErrorInvalidParameter;
    return false;
  }

  std::vector<uint8_t> sent;
  if (dataOut) sent.assign(block + h.dataBufferOffset, block + dataEnd);
  ataCommands_.push_back(AtaRecord{h, *layout, sent});

  AtaTaskFile registers;
  registers.current = h.currentTaskFile;
  registers.previous = h.previousTaskFile;
  Fire(ataFaults_, registers[AtaTaskFile::Command]);
  if (Fired(Fault::Kind::Transport)) {
    *error = fired_->error;
    return false;
  }
  const bool extend = (h.ataFlags & kAtaFlags48Bit) != 0;
  const AtaDataPhase phase = dataIn ? AtaDataPhase::In : dataOut ? AtaDataPhase::Out : AtaDataPhase::None;
  const AtaDisk::Outcome outcome =
      Fired(Fault::Kind::CheckCondition) || Fired(Fault::Kind::AtaAbort)
          ? ata.Abort(registers, extend)
          : ata.Execute(registers, phase, sent.data(), DataOutLimit(sent.size()), extend);

  uint32_t moved = 0;
  uint32_t used = g.headerLength;
  if (dataIn) {
    uint8_t* data = block + h.dataBufferOffset;
    if (Fired(Fault::Kind::GarbageData)) {
      moved = h.dataTransferLength;
      for (uint32_t i = 0; i < moved; ++i) data[i] = GarbageByte(i);
    } else {
      moved = uint32_t(std::min<std::size_t>(outcome.data.size(), h.dataTransferLength));
      if (Fired(Fault::Kind::ShortData)) moved = std::min(moved, fired_->shortLength);
      std::copy_n(outcome.data.begin(), moved, data);
    }
    used = std::max<uint32_t>(used, uint32_t(h.dataBufferOffset + moved));
  } else if (dataOut) {
    moved = uint32_t(DataOutLimit(sent.size()));
  }
  h.dataTransferLength = moved;
  h.currentTaskFile = outcome.registers.current;
  h.previousTaskFile = outcome.registers.previous;
  WriteAtaHeader(h, *layout, block);
  *returned = used;
  return true;
}

bool SimDevice::StorageRecord(uint32_t code, std::vector<uint8_t>& buffer, uint32_t outLength, uint32_t* returned,
                              uint32_t* error) {
  std::array<uint8_t, DiskPerformance::kSize> record{};
  std::size_t size = 0;
  switch (code) {
    case kIoctlDiskGetDriveGeometry: {
      DiskGeometry geometry;
      geometry.tracksPerCylinder = 255;
      geometry.sectorsPerTrack = 63;
      geometry.cylinders = int64_t((lastLba + 1) / (255 * 63));
      geometry.mediaType = mediaType;
      geometry.bytesPerSector = blockLength;
      geometry.Encode(record.data());
      size = DiskGeometry::kSize;
      break;
    }
    case kIoctlDiskPerformance: {
      DiskPerformance performance;
      performance.storageDeviceNumber = performanceNumber;
      performance.Encode(record.data());
      size = DiskPerformance::kSize;
      break;
    }
    case kIoctlStorageGetDeviceNumber:
      StorageDeviceNumber{deviceType, deviceNumber, partitionNumber}.Encode(record.data());
      size = StorageDeviceNumber::kSize;
      break;
    default: {
      StorageHotplugInfo info = hotplug;
      info.size = StorageHotplugInfo::kSize;
      info.Encode(record.data());
      size = StorageHotplugInfo::kSize;
      break;
    }
  }
  if (outLength < size) {
    *error = kErrorInsufficientBuffer;
    return false;
  }
  if (Fired(Fault::Kind::GarbageData))
    for (std::size_t i = 0; i < size; ++i) record[i] = GarbageByte(i);
  if (Fired(Fault::Kind::ShortData)) size = std::min<std::size_t>(size, fired_->shortLength);
  std::copy_n(record.begin(), size, buffer.begin());
  *returned = uint32_t(size);
  return true;
}

}  // namespace tavolen::sim
