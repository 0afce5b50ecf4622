// Fuzz target: enumeration of disks and optical drives from what the system and the
// devices tell: interface paths and parent instance identifiers (bus, IDE/SCSI instance
// ids, USB vendor, product and serial, IEEE 1394 id) and the devices' answers (device
// number, hot-plug state, geometry, INQUIRY, IDENTIFY, the optical profile).
// Input: two bytes (little-endian) giving the length of the interface text, that text
// (UTF-16 lines: a path, then its parent's instance id, an empty parent meaning none; an
// empty path ends the disks, the pairs behind it are optical drives), then the devices'
// answers (fuzz/FuzzDevices.h).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "control/device/DeviceIdentity.h"
#include "control/device/DeviceInfo.h"
#include "control/device/DeviceList.h"
#include "control/device/DeviceSource.h"
#include "fuzz/FuzzDevices.h"

using namespace tavolen;
using namespace tavolen::fuzzing;

namespace {

struct Interface {
  std::u16string path;
  std::optional<std::u16string> parent;
};

class ListWalk : public DeviceInterfaceWalk {
 public:
  explicit ListWalk(const std::vector<Interface>& interfaces) : interfaces_(interfaces) {}
  std::optional<std::u16string> Next() override {
    if (next_ >= interfaces_.size()) return std::nullopt;
    current_ = &interfaces_[next_++];
    return current_->path;
  }
  std::optional<std::u16string> ParentInstanceId() override { return current_ ? current_->parent : std::nullopt; }

 private:
  const std::vector<Interface>& interfaces_;
  std::size_t next_ = 0;
  const Interface* current_ = nullptr;
};

class ListSource : public DeviceSource {
 public:
  std::unique_ptr<DeviceInterfaceWalk> Walk(InterfaceClass c) override {
    if (c == InterfaceClass::Disk) return std::make_unique<ListWalk>(disks);
    if (c == InterfaceClass::Cdrom) return std::make_unique<ListWalk>(cdroms);
    return nullptr;
  }
  std::vector<Interface> disks, cdroms;
};

template <std::size_t N>
void CheckField(const char16_t (&field)[N]) {
  if (GetText(field).size() >= N) __builtin_trap();
}

void CheckRecord(const DeviceInfo& info) {
  if ((info.kind & (info.kind - 1)) != 0) __builtin_trap();  // one kind bit at most
  CheckField(info.drive.vendor);
  CheckField(info.drive.product);
  CheckField(info.drive.revision);
  CheckField(info.drive.vendorSpecific);
  CheckField(info.drive.instanceId);
  if (info.busType == BusUsb) {
    if (info.usb.usbVendorId > 0xFFFF || info.usb.usbProductId > 0xFFFF) __builtin_trap();
    CheckField(info.usb.usbSerial);
  }
  if (info.busType == BusIde) CheckField(info.ide.ideSerial);
  if (info.busType == Bus1394) CheckField(info.ieee1394.ieee1394Id);
}

// The parsers of one identifier, with what each promises of its result.
void ParseIdentifier(const std::u16string& text) {
  const std::u16string upper = ToUpperPath(text);
  if (upper.size() != text.size()) __builtin_trap();
  RecognizeBus(upper);
  if (IdeInstanceId(upper).size() > upper.size() || ScsiInstanceId(upper).size() > upper.size()) __builtin_trap();
  const UsbIds ids = ParseUsbInstanceId(text);
  if (ids.vendorId > 0xFFFF || ids.productId > 0xFFFF) __builtin_trap();
  if (ids.serial.size() > text.size() || text.compare(text.size() - ids.serial.size(), ids.serial.size(), ids.serial) != 0)
    __builtin_trap();  // the serial is the identifier's tail
  const std::u16string id1394 = Ieee1394IdFromInstanceId(text);
  if (id1394.find(u'\\') != std::u16string::npos) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const TwoParts parts = SplitInput(data, size);

  ListSource source;
  FuzzStream text(parts.first, parts.firstSize);
  bool optical = false;
  while (text.Left() > 0) {
    Interface entry;
    entry.path = text.Line();
    if (entry.path.empty() && !optical) {
      optical = true;
      continue;
    }
    std::u16string parent = text.Line();
    ParseIdentifier(entry.path);
    ParseIdentifier(parent);
    if (!parent.empty()) entry.parent = std::move(parent);
    (optical ? source.cdroms : source.disks).push_back(std::move(entry));
  }

  FuzzStream answers(parts.second, parts.secondSize);
  FuzzOpener opener(answers, ChannelRoute::Direct);
  DeviceList list(opener, source, DeviceList::kDisks | DeviceList::kOpticalDrives);
  const auto snapshot = list.Snapshot();
  for (const DeviceInfo& info : snapshot->disks) CheckRecord(info);
  for (const DeviceInfo& info : snapshot->opticalDrives) CheckRecord(info);
  return 0;
}
