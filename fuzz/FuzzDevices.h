#pragma once
// Devices whose every answer comes from the fuzz input. Each request a command object
// sends takes its answer from the stream:
//   1 byte   flags: 1 the request fails (ERROR_GEN_FAILURE); 2 a SCSI request ends in
//            CHECK CONDITION with the next 18 bytes as sense data, an ATA request takes
//            the next 8 bytes as its output registers; 4 the next byte is the SCSI status
//   2 bytes  little-endian count of data bytes, then that many bytes written into the
//            answer's data area (cut at the transfer length the request gave)
// Pass-through blocks are answered in the layout of the route (the build's own word size
// on the direct route, 32-bit on the service route), as the system and the service do.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "control/device/DeviceChannel.h"
#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"
#include "fuzz/FuzzStream.h"

namespace tavolen::fuzzing {

class FuzzChannel : public DeviceChannel {
 public:
  FuzzChannel(FuzzStream& input, ChannelRoute route) : input_(input), route_(route) {}

  ChannelRoute Route() const override { return route_; }
  uint32_t LastError() const override { return lastError_; }

  bool Control(uint32_t code, const void*, uint32_t, void* out, uint32_t outLength,
               uint32_t* bytesReturned) override {
    auto* block = static_cast<uint8_t*>(out);
    const uint8_t flags = input_.Byte();
    const BlockLayout layout = route_ == ChannelRoute::Direct ? NativeBlockLayout() : BlockLayout::Bits32;
    std::size_t dataOffset = 0, dataLength = outLength;
    if (code == kIoctlScsiPassThrough && outLength >= ScsiGeometry(layout).dataOffset) {
      const ScsiBlockGeometry geometry = ScsiGeometry(layout);
      ScsiPassThroughHeader header = ReadScsiHeader(block, layout);
      if (flags & 2) {
        header.scsiStatus = 2;
        input_.Fill(block + geometry.senseOffset, kScsiSenseLength);
      }
      if (flags & 4) header.scsiStatus = input_.Byte();
      WriteScsiHeader(header, layout, block);
      dataOffset = geometry.dataOffset;
      dataLength = std::min<std::size_t>(header.dataTransferLength, outLength - dataOffset);
    } else if (code == kIoctlAtaPassThrough && outLength >= AtaGeometry(layout).dataOffset) {
      AtaPassThroughHeader header = ReadAtaHeader(block, layout);
      if (flags & 2) input_.Fill(header.currentTaskFile.data(), header.currentTaskFile.size());
      WriteAtaHeader(header, layout, block);
      dataOffset = AtaGeometry(layout).dataOffset;
      dataLength = std::min<std::size_t>(header.dataTransferLength, outLength - dataOffset);
    }
    const std::size_t count = std::min<std::size_t>(input_.Le16(), dataLength);
    if (block != nullptr) input_.Take(block + dataOffset, count);
    if (bytesReturned != nullptr) *bytesReturned = outLength;
    lastError_ = (flags & 1) ? kErrorGenFailure : 0;
    return (flags & 1) == 0;
  }

 private:
  FuzzStream& input_;
  ChannelRoute route_;
  uint32_t lastError_ = 0;
};

// Every path opens a device answering from the one stream, on the route given.
class FuzzOpener : public DeviceOpener {
 public:
  FuzzOpener(FuzzStream& input, ChannelRoute route) : input_(input), route_(route) {}
  std::unique_ptr<DeviceChannel> Open(const std::u16string&) override {
    return std::make_unique<FuzzChannel>(input_, route_);
  }

 private:
  FuzzStream& input_;
  ChannelRoute route_;
};

}  // namespace tavolen::fuzzing
