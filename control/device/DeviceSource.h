#pragma once
// Where enumeration learns which devices are present: the device interfaces of one
// class, in the system's order, and the parent device node of each. The product walks
// SetupAPI; tests give fixed paths.
#include <memory>
#include <optional>
#include <string>

namespace tavolen {

enum class InterfaceClass { Disk, Cdrom, PortableDevice };

// One walk over the present interfaces of a class. Owns whatever the system handed out
// for the walk and gives it back when destroyed.
class DeviceInterfaceWalk {
 public:
  virtual ~DeviceInterfaceWalk() = default;
  DeviceInterfaceWalk() = default;
  DeviceInterfaceWalk(const DeviceInterfaceWalk&) = delete;
  DeviceInterfaceWalk& operator=(const DeviceInterfaceWalk&) = delete;

  // The next interface path as the system gives it; nullopt at the end of the class and
  // when the interface's detail cannot be fetched (which also ends the walk).
  virtual std::optional<std::u16string> Next() = 0;
  // Device instance identifier of the parent device node of the device behind the
  // interface Next gave last; nullopt when either cannot be obtained.
  virtual std::optional<std::u16string> ParentInstanceId() = 0;
};

class DeviceSource {
 public:
  virtual ~DeviceSource() = default;
  // Null when the class's device information cannot be obtained.
  virtual std::unique_ptr<DeviceInterfaceWalk> Walk(InterfaceClass interfaceClass) = 0;
};

}  // namespace tavolen
