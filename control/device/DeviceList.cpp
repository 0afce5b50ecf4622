#include "control/device/DeviceList.h"

#include <utility>

#include "control/device/CAtaCommand.h"
#include "control/device/CIoctl.h"
#include "control/device/COptCommand.h"
#include "control/device/CScsiCommand.h"
#include "control/device/DeviceIdentity.h"
#include "control/device/ModelClassification.h"
#include "control/device/SystemDrive.h"

namespace tavolen {

const DeviceInfo* FindByDriveNumber(const std::vector<DeviceInfo>& records, uint32_t driveNumber) {
  if (driveNumber == kNoDeviceNumber) return nullptr;
  for (const auto& record : records)
    if (record.driveNumber == driveNumber) return &record;
  return nullptr;
}

DeviceList::DeviceList(DeviceOpener& opener, DeviceSource& source, uint32_t mask, PortableDevices* portableDevices)
    : opener_(opener),
      source_(source),
      portableDevices_(portableDevices),
      mask_(mask),
      snapshot_(std::make_shared<const DeviceSnapshot>()) {
  Refresh(0);
}

int DeviceList::Refresh(uint32_t mask) {
  std::lock_guard<std::mutex> refreshing(refreshMutex_);
  if (mask == 0) mask = Mask();

  // Built aside; readers keep the previous snapshot until the new one is swapped in.
  auto next = std::make_shared<DeviceSnapshot>();
  bool complete = true;
  if (mask & kDisks) complete = WalkDisks(next->disks);
  if (complete && (mask & kOpticalDrives)) complete = WalkOpticalDrives(next->opticalDrives);
  if (complete && (mask & kPortableDevices)) complete = WalkPortableDevices(next->portableDevices, PortableRead::Full);

  std::lock_guard<std::mutex> lock(mutex_);
  snapshot_ = std::move(next);
  return complete ? 1 : 0;
}

std::size_t DeviceList::CountPortableDevices() {
  std::vector<PortableDeviceEntry> listed;
  WalkPortableDevices(listed, PortableRead::Count);
  return listed.size();
}

std::shared_ptr<const DeviceSnapshot> DeviceList::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return snapshot_;
}

uint32_t DeviceList::Mask() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mask_;
}

std::optional<DeviceInfo> DeviceList::FindDisk(uint32_t driveNumber) const {
  const auto snapshot = Snapshot();
  if (const DeviceInfo* found = FindByDriveNumber(snapshot->disks, driveNumber)) return *found;
  return std::nullopt;
}

std::optional<DeviceInfo> DeviceList::FindOpticalDrive(uint32_t driveNumber) const {
  const auto snapshot = Snapshot();
  if (const DeviceInfo* found = FindByDriveNumber(snapshot->opticalDrives, driveNumber)) return *found;
  return std::nullopt;
}

// Common to every class: the interface path (upper-cased), the bus and the bus's
// identifiers. False ends the walk of the class: at its end, when the detail could not
// be fetched, and when a USB or IEEE 1394 device's parent cannot be named.
bool DeviceList::InterfaceStep(DeviceInterfaceWalk& walk, DeviceInfo& info, std::u16string& upperPath) {
  const auto path = walk.Next();
  if (!path) return false;
  upperPath = ToUpperPath(*path);

  switch (RecognizeBus(upperPath)) {
    case BusIde: {
      CAtaCommand ata(opener_, upperPath);
      uint8_t identify[CAtaCommand::kSectorSize] = {};
      if (ata.Identify(identify)) {
        info.busType = BusIde;
        SetText(info.ide.ideSerial, IdeSerialFromIdentify(identify));
      }
      SetText(info.drive.instanceId, IdeInstanceId(upperPath));
      break;
    }
    case BusUsb: {
      info.busType = BusUsb;
      const auto parent = walk.ParentInstanceId();
      if (!parent) return false;
      SetText(info.drive.instanceId, *parent);
      const UsbIds ids = ParseUsbInstanceId(*parent);
      info.usb.usbVendorId = ids.vendorId;
      info.usb.usbProductId = ids.productId;
      SetText(info.usb.usbSerial, ids.serial);
      break;
    }
    case Bus1394: {
      info.busType = Bus1394;
      const auto parent = walk.ParentInstanceId();
      if (!parent) return false;
      SetText(info.drive.instanceId, *parent);
      SetText(info.ieee1394.ieee1394Id, Ieee1394IdFromInstanceId(*parent));
      break;
    }
    case BusScsi:
      info.busType = BusScsi;
      SetText(info.drive.instanceId, ScsiInstanceId(upperPath));
      break;
    case BusNone:
      break;
  }
  return true;
}

bool DeviceList::WalkDisks(std::vector<DeviceInfo>& out) {
  const auto walk = source_.Walk(InterfaceClass::Disk);
  if (!walk) return false;
  for (;;) {
    DeviceInfo info = ZeroDeviceInfo();
    std::u16string path;
    if (!InterfaceStep(*walk, info, path)) return true;
    if (BuildDisk(info, path)) out.push_back(info);
  }
}

// Each command object below is closed before the next one opens, and all of them
// before the next device is looked at.
bool DeviceList::BuildDisk(DeviceInfo& info, const std::u16string& path) {
  {
    CScsiCommand scsi(opener_, path);
    uint8_t inquiry[kInquiryLength] = {};
    if (!scsi.Inquiry(inquiry, kInquiryLength)) return false;
    ApplyInquiry(info, inquiry, InquiryTarget::Disk);
    uint64_t lastLba = 0;
    uint32_t blockLength = 0;
    if (scsi.ReadCapacity(lastLba, blockLength)) {
      info.lastLba = lastLba;
      info.bytesPerSector = blockLength;
    }
  }
  HotplugState hotplug;
  {
    CIoctl ioctl(opener_, path);
    std::optional<StorageDeviceNumber> number(std::in_place);
    std::optional<DiskPerformance> performance;
    if (!ioctl.GetDeviceNumber(*number)) {
      number.reset();
      performance.emplace();
      if (!ioctl.GetDiskPerformance(*performance)) performance.reset();
    }
    info.driveNumber = ChooseDriveNumber(number, performance);

    std::optional<StorageHotplugInfo> hotplugInfo(std::in_place);
    std::optional<DiskGeometry> geometry;
    if (!ioctl.GetHotplugInfo(*hotplugInfo)) {
      hotplugInfo.reset();
      geometry.emplace();
      if (!ioctl.GetDriveGeometry(*geometry)) geometry.reset();
    }
    hotplug = DecideHotplug(hotplugInfo, path, geometry);
  }

  info.kind = DiskKind(hotplug);
  if (info.kind == ExternalDisk)
    ClassifyExternalDisk(info, SatIdentifyProbe(opener_, info.driveNumber));
  else if (info.kind == FixedDisk || info.kind == RemovableDisk)
    ClassifyInternalDisk(info);
  return true;
}

bool DeviceList::WalkOpticalDrives(std::vector<DeviceInfo>& out) {
  const auto walk = source_.Walk(InterfaceClass::Cdrom);
  if (!walk) return false;
  for (;;) {
    DeviceInfo info = ZeroDeviceInfo();
    std::u16string path;
    if (!InterfaceStep(*walk, info, path)) return true;
    if (BuildOpticalDrive(info, path)) out.push_back(info);
  }
}

bool DeviceList::BuildOpticalDrive(DeviceInfo& info, const std::u16string& path) {
  {
    CScsiCommand scsi(opener_, path);
    uint8_t inquiry[kInquiryLength] = {};
    if (!scsi.Inquiry(inquiry, kInquiryLength)) return false;
    ApplyInquiry(info, inquiry, InquiryTarget::Optical);
  }
  {
    CIoctl ioctl(opener_, path);
    StorageDeviceNumber number;
    info.driveNumber = ioctl.GetDeviceNumber(number) ? number.deviceNumber : kNoDeviceNumber;
    // Asked as for disks; an optical drive's kind does not depend on the answers.
    StorageHotplugInfo hotplug;
    ioctl.GetHotplugInfo(hotplug);
    DiskGeometry geometry;
    ioctl.GetDriveGeometry(geometry);
  }
  bool profileRead = false;
  {
    COptCommand optical(opener_, path);
    uint32_t profile = 0;
    profileRead = optical.GetCurrentProfile(profile);
  }
  info.kind = OpticalKind(path, profileRead);
  return true;
}

// The manager runs for the whole walk on this thread; each device is closed before the
// next one is opened.
bool DeviceList::WalkPortableDevices(std::vector<PortableDeviceEntry>& out, PortableRead read) {
  if (!portableDevices_) return false;
  const auto session = portableDevices_->StartSession();
  if (!session) return false;
  const auto walk = source_.Walk(InterfaceClass::PortableDevice);
  if (!walk) return false;
  for (;;) {
    DeviceInfo info = ZeroDeviceInfo();
    std::u16string path;
    if (!InterfaceStep(*walk, info, path)) return true;
    const PortableDeviceSession::Opening opening = session->Open(path);
    if (opening.noDeviceObject) return true;
    if (!opening.device) continue;  // the device would not open: not listed
    if (auto entry = DescribePortableDevice(info, path, *session, *opening.device, read))
      out.push_back(std::move(*entry));
  }
}

}  // namespace tavolen
