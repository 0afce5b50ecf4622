#include "sim/SimOpener.h"

#include <algorithm>
#include <cstring>

#include "control/device/ByteOrder.h"
#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"

namespace tavolen::sim {
namespace {

constexpr uint32_t kErrorFileNotFound = 2;

std::u16string Fold(std::u16string path) {
  for (char16_t& c : path)
    if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
  return path;
}

// The header length the system expects of a pass-through block on this route, or 0
// for requests that are not pass-through blocks.
uint16_t ExpectedHeaderLength(uint32_t code, ChannelRoute route) {
  const BlockLayout layout = route == ChannelRoute::Service ? BlockLayout::Bits32 : NativeBlockLayout();
  if (code == kIoctlScsiPassThrough) return ScsiGeometry(layout).headerLength;
  if (code == kIoctlAtaPassThrough) return AtaGeometry(layout).headerLength;
  return 0;
}

class SimChannel : public DeviceChannel {
 public:
  SimChannel(std::shared_ptr<SimDevice> device, ChannelRoute route, std::shared_ptr<SimOpener::Shared> shared)
      : device_(std::move(device)), route_(route), shared_(std::move(shared)) {
    ++shared_->openChannels;
  }
  ~SimChannel() override { --shared_->openChannels; }

  ChannelRoute Route() const override { return route_; }
  uint32_t LastError() const override { return lastError_; }

  bool Control(uint32_t code, const void* in, uint32_t inLength, void* out, uint32_t outLength,
               uint32_t* bytesReturned) override {
    if (bytesReturned != nullptr) *bytesReturned = 0;
    const auto* input = static_cast<const uint8_t*>(in);
    auto* output = static_cast<uint8_t*>(out);
    if (device_ == nullptr || (route_ == ChannelRoute::Service && !shared_->serviceRunning))
      return Fail(kErrorFileNotFound);
    const uint16_t expected = ExpectedHeaderLength(code, route_);
    if (expected != 0 && input != nullptr && inLength >= 2 && GetLe16(input) != expected)
      return Fail(kErrorInvalidParameter);

    uint32_t returned = 0, error = 0;
    if (route_ == ChannelRoute::Direct) {
      if (!device_->Control(code, input, inLength, output, outLength, &returned, &error)) return Fail(error);
      if (bytesReturned != nullptr) *bytesReturned = returned;
      return true;
    }
    // The service performs the request on its own transfer area and copies all of it back.
    std::vector<uint8_t> area(std::size_t(inLength) + outLength, 0);
    if (input != nullptr && inLength > 0) std::memcpy(area.data(), input, inLength);
    uint8_t* areaOut = area.data() + inLength;
    if (!device_->Control(code, input != nullptr ? area.data() : nullptr, inLength, areaOut, outLength, &returned,
                          &error))
      return Fail(error);
    if (output != nullptr && outLength > 0) std::memcpy(output, areaOut, outLength);
    return true;
  }

 private:
  bool Fail(uint32_t error) {
    lastError_ = error;
    return false;
  }

  std::shared_ptr<SimDevice> device_;
  ChannelRoute route_;
  std::shared_ptr<SimOpener::Shared> shared_;
  uint32_t lastError_ = 0;
};

}  // namespace

SimOpener::SimOpener() : shared_(std::make_shared<Shared>()) {}

void SimOpener::Add(std::u16string path, std::shared_ptr<SimDevice> device, ChannelRoute route) {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_[Fold(std::move(path))] = Entry{std::move(device), route};
}

void SimOpener::Remove(const std::u16string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_.erase(Fold(path));
}

void SimOpener::SetServiceRunning(bool running) { shared_->serviceRunning = running; }

std::unique_ptr<DeviceChannel> SimOpener::Open(const std::u16string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  opened_.push_back(path);
  const auto found = devices_.find(Fold(path));
  if (found == devices_.end()) return std::make_unique<SimChannel>(nullptr, ChannelRoute::Service, shared_);
  const ChannelRoute route =
      found->second.route == ChannelRoute::Service ? ChannelRoute::Service : ChannelRoute::Direct;
  return std::make_unique<SimChannel>(found->second.device, route, shared_);
}

int SimOpener::OpenChannels() const { return shared_->openChannels; }

}  // namespace tavolen::sim
