#pragma once
// The list of every disk, optical drive and portable device the gadget can show. A
// refresh builds new arrays aside and swaps them in under a lock, so a refresh may run
// on a worker thread while the window thread reads: readers take a snapshot, which
// stays whole and unchanged for as long as they hold it.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "control/device/DeviceChannel.h"
#include "control/device/DeviceInfo.h"
#include "control/device/DeviceSource.h"
#include "control/device/PortableDeviceRecord.h"
#include "control/device/PortableDevices.h"

namespace tavolen {

struct DeviceSnapshot {
  std::vector<DeviceInfo> disks;
  std::vector<DeviceInfo> opticalDrives;
  std::vector<PortableDeviceEntry> portableDevices;
};

// The first record with this drive number; none for kNoDeviceNumber, which marks a
// number that could not be read and so names no device.
const DeviceInfo* FindByDriveNumber(const std::vector<DeviceInfo>& records, uint32_t driveNumber);

class DeviceList {
 public:
  // Class mask bits.
  static constexpr uint32_t kDisks = 0x1;
  static constexpr uint32_t kOpticalDrives = 0x2;
  static constexpr uint32_t kPortableDevices = 0x4;

  // Stores the mask and enumerates at once. The opener, the source and the portable
  // devices must outlive the list. Without portable devices, their class cannot be walked.
  DeviceList(DeviceOpener& opener, DeviceSource& source, uint32_t mask, PortableDevices* portableDevices = nullptr);
  DeviceList(const DeviceList&) = delete;
  DeviceList& operator=(const DeviceList&) = delete;

  // Rebuilds every array. Mask 0 stands for the stored mask; any other mask is used for
  // this call only. Returns 1 when every requested class was walked to its end, 0 when
  // a class's devices could not be obtained (the arrays then hold what was gathered).
  // Refreshes are serialised.
  int Refresh(uint32_t mask = 0);

  // The portable devices that a refresh would list now, without reading their capacity;
  // 0 when their class cannot be walked. Leaves the list as it is; any thread, also while
  // a refresh runs.
  std::size_t CountPortableDevices();

  std::shared_ptr<const DeviceSnapshot> Snapshot() const;
  uint32_t Mask() const;

  std::optional<DeviceInfo> FindDisk(uint32_t driveNumber) const;
  std::optional<DeviceInfo> FindOpticalDrive(uint32_t driveNumber) const;

 private:
  bool WalkDisks(std::vector<DeviceInfo>& out);
  bool WalkOpticalDrives(std::vector<DeviceInfo>& out);
  bool WalkPortableDevices(std::vector<PortableDeviceEntry>& out, PortableRead read);
  bool InterfaceStep(DeviceInterfaceWalk& walk, DeviceInfo& info, std::u16string& upperPath);
  bool BuildDisk(DeviceInfo& info, const std::u16string& upperPath);
  bool BuildOpticalDrive(DeviceInfo& info, const std::u16string& upperPath);

  DeviceOpener& opener_;
  DeviceSource& source_;
  PortableDevices* portableDevices_;

  std::mutex refreshMutex_;  // one refresh at a time
  mutable std::mutex mutex_;  // guards mask_ and snapshot_
  uint32_t mask_;
  std::shared_ptr<const DeviceSnapshot> snapshot_;
};

}  // namespace tavolen
