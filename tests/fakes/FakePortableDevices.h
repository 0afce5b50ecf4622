#pragma once
// Portable devices a test makes up, by upper-case interface path; a path the test did not
// describe opens as a device without storage. Counts what was asked of them. Any thread
// may use it.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

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
    int sessions = 0, opens = 0, manufacturerReads = 0, friendlyNameReads = 0, capacityReads = 0;
    int openDevices = 0;  // opened and not closed yet
  };

  void Set(const std::u16string& path, Device device) {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_[path] = std::move(device);
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.clear();
  }
  void SetManagerMissing(bool missing) {
    std::lock_guard<std::mutex> lock(mutex_);
    managerMissing_ = missing;
  }
  Counts Asked() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return counts_;
  }
  // The object identifier the last capacity read asked for.
  std::u16string LastCapacityObject() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastCapacityObject_;
  }

  std::unique_ptr<PortableDeviceSession> StartSession() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (managerMissing_) return nullptr;
    ++counts_.sessions;
    return std::make_unique<Session>(*this);
  }

 private:
  class Opened : public OpenedPortableDevice {
   public:
    Opened(FakePortableDevices& owner, Device device) : owner_(owner), device_(std::move(device)) {}
    ~Opened() override {
      std::lock_guard<std::mutex> lock(owner_.mutex_);
      --owner_.counts_.openDevices;
    }
    std::u16string FindStorageObject() override { return device_.storageObjectId; }
    std::optional<StorageSpace> GetStorageCapacity(const std::u16string& objectId) override {
      std::lock_guard<std::mutex> lock(owner_.mutex_);
      ++owner_.counts_.capacityReads;
      owner_.lastCapacityObject_ = objectId;
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
      const Device device = owner_.Find(path);
      Opening opening;
      std::lock_guard<std::mutex> lock(owner_.mutex_);
      opening.noDeviceObject = device.noDeviceObject;
      if (device.noDeviceObject || device.openFails) return opening;
      ++owner_.counts_.opens;
      ++owner_.counts_.openDevices;
      opening.device = std::make_unique<Opened>(owner_, device);
      return opening;
    }
    std::optional<std::u16string> Manufacturer(const std::u16string& path) override {
      owner_.Count(&Counts::manufacturerReads);
      return owner_.Find(path).manufacturer;
    }
    std::optional<std::u16string> FriendlyName(const std::u16string& path) override {
      owner_.Count(&Counts::friendlyNameReads);
      return owner_.Find(path).friendlyName;
    }

   private:
    FakePortableDevices& owner_;
  };

  Device Find(const std::u16string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = devices_.find(path);
    return found == devices_.end() ? Device{} : found->second;
  }
  void Count(int Counts::*counter) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++(counts_.*counter);
  }

  mutable std::mutex mutex_;
  std::map<std::u16string, Device> devices_;
  bool managerMissing_ = false;
  Counts counts_;
  std::u16string lastCapacityObject_;
};

}  // namespace tavolen::testing
