#pragma once
// Pass-through blocks for the simulator's own tests, laid out as the command layer lays
// them out: header, 32-byte sense area, data area.
#include <cstdint>
#include <vector>

#include "control/device/AtaTaskFile.h"
#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"
#include "sim/SimDevice.h"

namespace tavolen::sim::testing {

struct ScsiBlock {
  ScsiBlock(BlockLayout blockLayout, std::vector<uint8_t> cdb, uint8_t direction, uint32_t length)
      : layout(blockLayout), bytes(length + kScsiBlockOverhead, 0) {
    const ScsiBlockGeometry g = ScsiGeometry(layout);
    ScsiPassThroughHeader h;
    h.length = g.headerLength;
    h.cdbLength = uint8_t(cdb.size());
    h.senseInfoLength = kScsiSenseLength;
    h.dataIn = direction;
    h.dataTransferLength = length;
    h.timeOutValue = kScsiTimeoutDirect;
    h.dataBufferOffset = g.dataOffset;
    h.senseInfoOffset = g.senseOffset;
    for (std::size_t i = 0; i < cdb.size() && i < h.cdb.size(); ++i) h.cdb[i] = cdb[i];
    WriteScsiHeader(h, layout, bytes.data());
  }

  ScsiPassThroughHeader Header() const { return ReadScsiHeader(bytes.data(), layout); }
  void SetHeader(const ScsiPassThroughHeader& h) { WriteScsiHeader(h, layout, bytes.data()); }
  uint8_t* Data() { return bytes.data() + ScsiGeometry(layout).dataOffset; }
  const uint8_t* Sense() const { return bytes.data() + ScsiGeometry(layout).senseOffset; }

  // Sends the block in place, as the command layer does.
  bool SendTo(SimDevice& device, uint32_t* returned = nullptr, uint32_t* error = nullptr) {
    const uint32_t size = uint32_t(bytes.size());
    return device.Control(kIoctlScsiPassThrough, bytes.data(), size, bytes.data(), size, returned, error);
  }

  BlockLayout layout;
  std::vector<uint8_t> bytes;
};

struct AtaBlock {
  AtaBlock(BlockLayout blockLayout, const AtaTaskFile& registers, uint16_t flags, uint32_t length)
      : layout(blockLayout), bytes(length + kAtaBlockOverhead, 0) {
    const AtaBlockGeometry g = AtaGeometry(layout);
    AtaPassThroughHeader h;
    h.length = g.headerLength;
    h.ataFlags = flags;
    h.dataTransferLength = length;
    h.timeOutValue = kAtaTimeout;
    h.dataBufferOffset = g.dataOffset;
    h.currentTaskFile = registers.current;
    h.previousTaskFile = registers.previous;
    WriteAtaHeader(h, layout, bytes.data());
  }

  AtaPassThroughHeader Header() const { return ReadAtaHeader(bytes.data(), layout); }
  AtaTaskFile Registers() const {
    const AtaPassThroughHeader h = Header();
    return AtaTaskFile{h.currentTaskFile, h.previousTaskFile};
  }
  uint8_t* Data() { return bytes.data() + AtaGeometry(layout).dataOffset; }

  bool SendTo(SimDevice& device, uint32_t* returned = nullptr, uint32_t* error = nullptr) {
    const uint32_t size = uint32_t(bytes.size());
    return device.Control(kIoctlAtaPassThrough, bytes.data(), size, bytes.data(), size, returned, error);
  }

  BlockLayout layout;
  std::vector<uint8_t> bytes;
};

// A register set with the command and the registers named; the rest zero.
inline AtaTaskFile Registers(uint8_t command, uint8_t features = 0, uint8_t count = 0, uint8_t low = 0,
                             uint8_t mid = 0, uint8_t high = 0, uint8_t device = 0) {
  AtaTaskFile t;
  t.current = {features, count, low, mid, high, device, command, 0};
  return t;
}

}  // namespace tavolen::sim::testing
