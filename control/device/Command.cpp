#include "control/device/Command.h"

#include <utility>

#include "control/device/IoctlCodes.h"

namespace tavolen {

namespace {
std::u16string NumberedPath(const char16_t* prefix, uint32_t number) {
  std::u16string path = prefix;
  const std::string digits = std::to_string(number);
  path.append(digits.begin(), digits.end());
  return path;
}
}  // namespace

std::u16string PhysicalDrivePath(uint32_t number) { return NumberedPath(u"\\\\.\\PhysicalDrive", number); }
std::u16string CdromPath(uint32_t number) { return NumberedPath(u"\\\\.\\Cdrom", number); }

Command::Command(DeviceOpener& opener, uint32_t driveNumber) : Command(opener, PhysicalDrivePath(driveNumber)) {}

Command::Command(DeviceOpener& opener, std::u16string path) : opener_(opener), path_(std::move(path)) {
  channel_ = opener_.Open(path_);
}

Command::~Command() = default;

bool Command::Control(uint32_t code, const void* in, uint32_t inLength, void* out, uint32_t outLength,
                      uint32_t* bytesReturned) {
  uint32_t ignored = 0;
  uint32_t& returned = bytesReturned ? *bytesReturned : ignored;
  returned = 0;
  if (!channel_) {
    controlError_ = kErrorInvalidHandle;
    return false;
  }
  const bool ok = channel_->Control(code, in, inLength, out, outLength, &returned);
  if (channel_->Route() != ChannelRoute::Direct) returned = 0;
  controlError_ = ok ? 0 : channel_->LastError();
  return ok;
}

void Command::Close() { channel_.reset(); }

void Command::Reopen(std::u16string path) {
  channel_.reset();
  path_ = std::move(path);
  channel_ = opener_.Open(path_);
}

}  // namespace tavolen
