#pragma once
// Portable devices a test makes up, by upper-case interface path; a path the test did not
// describe opens as a device without storage. Counts what was asked of them. Any thread
// may use it.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>

#include "control/device/PortableDevices.h"

namespace tavolen::testing {

class FakePortableDevices : public PortableDevices {
 public:
  struct Device {
    std::optional<std::u16string> friendlyName = u"";
    std::optional<std::u16string> manufacturer = u"";
    std::u16string storageObjectId;
    std::optional<StorageSpace> space;
    bool openFails = false;
    bool noDeviceObject = false;
  };
  struct Counts {
    int sessions = 0, opens = 0, manufacturerReads = 0, capacityReads = 0;
    int openDevices = 0;  // opened and not closed yet
  };

  void Set(const std::u16string& path, Device device) { Locked([&] { devices_[path] = std::move(device); }); }
  void Clear() { Locked([&] { devices_.clear(); }); }
  void SetManagerMissing(bool missing) { Locked([&] { managerMissing_ = missing; }); }
  Counts Asked() { return Locked([&] { return counts_; }); }

  std::unique_ptr<PortableDeviceSession> StartSession() override {
    return Locked([&]() -> std::unique_ptr<PortableDeviceSession> {
      if (managerMissing_) return nullptr;
      ++counts_.sessions;
      return std::make_unique<Session>(*this);
    });
  }

 private:
  class Opened : public OpenedPortableDevice {
   public:
    Opened(FakePortableDevices& owner, Device device) : owner_(owner), device_(std::move(device)) {}
    ~Opened() override { owner_.Locked([&] { --owner_.counts_.openDevices; }); }
    std::u16string FindStorageObject() override { return device_.storageObjectId; }
    std::optional<StorageSpace> GetStorageCapacity(const std::u16string& objectId) override {
      owner_.Locked([&] { ++owner_.counts_.capacityReads; });
      return objectId == device_.storageObjectId ? device_.space : std::nullopt;
    }

   private:
    FakePortableDevices& owner_;
    Device device_;
  };

  class Session : public PortableDeviceSession {
   public:
    explicit Session(FakePortableDevices& owner) : owner_(owner) {}
    Opening Open(const std::u16string& path) override {
      return owner_.Locked([&] {
        const Device device = owner_.Find(path);
        Opening opening;
        opening.noDeviceObject = device.noDeviceObject;
        if (device.noDeviceObject || device.openFails) return opening;
        ++owner_.counts_.opens;
        ++owner_.counts_.openDevices;
        opening.device = std::make_unique<Opened>(owner_, device);
        return opening;
      });
    }
    std::optional<std::u16string> Manufacturer(const std::u16string& path) override {
      return owner_.Locked([&] { return ++owner_.counts_.manufacturerReads, owner_.Find(path).manufacturer; });
    }
    std::optional<std::u16string> FriendlyName(const std::u16string& path) override {
      return owner_.Locked([&] { return owner_.Find(path).friendlyName; });
    }

   private:
    FakePortableDevices& owner_;
  };

  template <class Work>
  std::invoke_result_t<Work> Locked(Work work) {
    std::lock_guard<std::mutex> lock(mutex_);
    return work();
  }
  Device Find(const std::u16string& path) const {
    const auto found = devices_.find(path);
    return found == devices_.end() ? Device{} : found->second;
  }

  std::mutex mutex_;
  std::map<std::u16string, Device> devices_;
  bool managerMissing_ = false;
  Counts counts_;
};

}  // namespace tavolen::testing
