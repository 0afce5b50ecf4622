#pragma once
// Where the control reaches phones, players and cameras that the system lists as
// portable devices: a manager run on the calling thread, the devices it opens, their
// first storage and its capacity. The product talks to the system's portable-device API;
// tests hand in fakes. Every object belongs to the thread that made it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tavolen {

// Capacity and free space of a storage, in bytes, as the device reports them.
struct StorageSpace {
  uint64_t capacity = 0;
  uint64_t freeSpace = 0;
};

// A device opened with the control's client information; closed and released when
// destroyed. It may outlive the session that opened it, on the same thread.
class OpenedPortableDevice {
 public:
  virtual ~OpenedPortableDevice() = default;
  // The object identifier of the device's first storage functional object, as the
  // device gives it (untrusted); empty when there is none.
  virtual std::u16string FindStorageObject() = 0;
  // Capacity and free space of a storage object; none unless both were read.
  virtual std::optional<StorageSpace> GetStorageCapacity(const std::u16string& objectId) = 0;
};

// The portable-device manager and the client information of one run on one thread.
class PortableDeviceSession {
 public:
  struct Opening {
    std::unique_ptr<OpenedPortableDevice> device;  // null when not opened
    bool noDeviceObject = false;  // no device object can be made: no other device will open either
  };

  virtual ~PortableDeviceSession() = default;
  // Opens the device behind a Plug and Play identifier (its interface path).
  virtual Opening Open(const std::u16string& devicePath) = 0;
  // The manager's texts of a device (untrusted); none when they cannot be read.
  virtual std::optional<std::u16string> Manufacturer(const std::u16string& devicePath) = 0;
  virtual std::optional<std::u16string> FriendlyName(const std::u16string& devicePath) = 0;
};

class PortableDevices {
 public:
  virtual ~PortableDevices() = default;
  // Starts a run on the calling thread; null when the manager cannot be created (the
  // system has none, as under Wine). Any thread may start one.
  virtual std::unique_ptr<PortableDeviceSession> StartSession() = 0;
};

}  // namespace tavolen
