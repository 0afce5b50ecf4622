#pragma once
// Base of every command object: opens one device path at construction and carries its
// requests through the one door, Control. A device that cannot be opened with the
// caller's rights is reached through the device-management service instead; the
// caller cannot tell except by the block layout and bytesReturned staying 0.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "control/device/DeviceChannel.h"

namespace tavolen {

// "\\.\PhysicalDrive%lu" and "\\.\Cdrom%lu".
std::u16string PhysicalDrivePath(uint32_t number);
std::u16string CdromPath(uint32_t number);

class Command {
 public:
  // Opens "\\.\PhysicalDrive<driveNumber>".
  Command(DeviceOpener& opener, uint32_t driveNumber);
  // Opens a device interface path (enumeration passes it upper-cased).
  Command(DeviceOpener& opener, std::u16string path);
  virtual ~Command();

  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  // The one door. *bytesReturned is set to 0 first. Fails with kErrorInvalidHandle
  // after Close.
  bool Control(uint32_t code, const void* in, uint32_t inLength, void* out, uint32_t outLength,
               uint32_t* bytesReturned);

  // Closes the device; requests fail afterwards.
  void Close();

  ChannelRoute Route() const { return channel_ ? channel_->Route() : ChannelRoute::Closed; }
  const std::u16string& DevicePath() const { return path_; }

  // [0] 0, [1] sense key, [2] additional sense code, [3] qualifier of the last SCSI
  // failure; all 0 after a success.
  const std::array<uint8_t, 4>& SenseSummary() const { return sense_; }
  // System error of the last failed pass-through; 0 after a successful SCSI pass-through.
  uint32_t LastError() const { return lastError_; }

 protected:
  // Closes the current device and opens another path (optical drives reopen as Cdrom).
  void Reopen(std::u16string path);
  // System error of the last failed Control.
  uint32_t ControlError() const { return controlError_; }

  std::array<uint8_t, 4> sense_{};
  uint32_t lastError_ = 0;

 private:
  DeviceOpener& opener_;
  std::u16string path_;
  std::unique_ptr<DeviceChannel> channel_;
  uint32_t controlError_ = 0;
};

}  // namespace tavolen
