#include "control/device/DeviceIdentity.h"

#include "control/device/SystemDrive.h"

namespace tavolen {

namespace {

constexpr std::u16string_view kDevicePrefix = u"\\\\?\\";
constexpr std::size_t kDevicePrefixLength = kDevicePrefix.size();

std::u16string_view DropPrefix(std::u16string_view path) {
  return path.size() > kDevicePrefixLength ? path.substr(kDevicePrefixLength) : std::u16string_view();
}

// The bus part of an interface path: the text behind the leading "\\?\" up to the
// first '#' ("USBSTOR" in "\\?\USBSTOR#DISK&VEN_X&PROD_Y#0001#{...}").
std::u16string_view BusPart(std::u16string_view path) {
  if (path.substr(0, kDevicePrefix.size()) == kDevicePrefix) path.remove_prefix(kDevicePrefix.size());
  return path.substr(0, path.find(u'#'));
}

std::u16string HashesToBackslashes(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out)
    if (c == u'#') c = u'\\';
  return out;
}

// Value of one hexadecimal digit of either case, or -1.
int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// The four hexadecimal digits at `at`, or 0 when they are missing or not digits.
uint32_t FourHexDigits(std::u16string_view text, std::size_t at) {
  if (at > text.size() || text.size() - at < 4) return 0;
  uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const int digit = HexValue(text[at + i]);
    if (digit < 0) return 0;
    value = value * 16 + uint32_t(digit);
  }
  return value;
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

// `length` bytes up to the first NUL, widened byte by byte, trimmed at both ends.
std::u16string InquiryText(const uint8_t* bytes, std::size_t length) {
  std::u16string text;
  for (std::size_t i = 0; i < length && bytes[i] != 0; ++i) text.push_back(char16_t(bytes[i]));
  std::size_t first = 0;
  while (first < text.size() && IsSpace(text[first])) ++first;
  std::size_t last = text.size();
  while (last > first && IsSpace(text[last - 1])) --last;
  return text.substr(first, last - first);
}

}  // namespace

std::u16string ToUpperPath(std::u16string_view path) {
  std::u16string out(path);
  for (auto& c : out)
    if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
  return out;
}

bool Contains(std::u16string_view text, std::u16string_view key) { return text.find(key) != std::u16string_view::npos; }

BusType RecognizeBus(std::u16string_view upperPath) {
  const std::u16string_view bus = BusPart(upperPath);
  if (Contains(bus, u"IDE")) return BusIde;
  if (Contains(bus, u"USBSTOR") || Contains(bus, u"USB")) return BusUsb;
  if (Contains(bus, u"SBP2") || Contains(bus, u"1394")) return Bus1394;
  if (Contains(bus, u"SCSI")) return BusScsi;
  return BusNone;
}

std::u16string IdeInstanceId(std::u16string_view upperPath) {
  std::u16string id = HashesToBackslashes(DropPrefix(upperPath));
  const std::size_t last = id.rfind(u'\\');
  if (last != std::u16string::npos) id.resize(last);
  return id;
}

std::u16string ScsiInstanceId(std::u16string_view upperPath) {
  const std::size_t last = upperPath.rfind(u'#');
  if (last != std::u16string_view::npos) upperPath = upperPath.substr(0, last);
  return HashesToBackslashes(DropPrefix(upperPath));
}

UsbIds ParseUsbInstanceId(std::u16string_view instanceId) {
  UsbIds ids;
  const std::size_t vid = instanceId.find(u"VID_");
  if (vid == std::u16string_view::npos) return ids;
  ids.vendorId = FourHexDigits(instanceId, vid + 4);
  const std::size_t pid = instanceId.find(u"PID_", vid + 4);
  if (pid == std::u16string_view::npos) return ids;
  const std::size_t digits = pid + 4;
  ids.productId = FourHexDigits(instanceId, digits);
  const std::size_t serial = digits + 5;  // behind the four digits and the separator
  if (serial < instanceId.size()) ids.serial = std::u16string(instanceId.substr(serial));
  return ids;
}

std::u16string Ieee1394IdFromInstanceId(std::u16string_view instanceId) {
  const std::size_t last = instanceId.rfind(u'\\');
  return std::u16string(last == std::u16string_view::npos ? instanceId : instanceId.substr(last + 1));
}

std::u16string IdeSerialFromIdentify(const uint8_t* identify) {
  constexpr std::size_t kFirst = 10 * 2, kLength = 20;
  std::u16string serial;
  for (std::size_t i = 0; i < kLength; ++i) {
    const uint8_t byte = identify[kFirst + (i ^ 1)];  // the two bytes of each word swapped
    if (byte == 0) break;
    serial.push_back(char16_t(byte));
  }
  return std::u16string(kLength - serial.size(), u' ') + serial;
}

void ApplyInquiry(DeviceInfo& info, const uint8_t* inquiry, InquiryTarget target) {
  SetText(info.drive.vendor, InquiryText(inquiry + 8, 8));
  SetText(info.drive.product, InquiryText(inquiry + 16, 16));
  if (target == InquiryTarget::Disk && inquiry[32] == 0)
    SetText(info.drive.revision, u"1.00");
  else
    SetText(info.drive.revision, InquiryText(inquiry + 32, 4));
  SetText(info.drive.vendorSpecific, InquiryText(inquiry + 36, 20));
}

uint32_t ChooseDriveNumber(const std::optional<StorageDeviceNumber>& deviceNumber,
                           const std::optional<DiskPerformance>& performance) {
  if (deviceNumber) return deviceNumber->deviceNumber;
  if (performance) return performance->storageDeviceNumber;
  return kNoDeviceNumber;
}

HotplugState DecideHotplug(const std::optional<StorageHotplugInfo>& hotplug, std::u16string_view upperPath,
                           const std::optional<DiskGeometry>& geometry) {
  if (hotplug) return HotplugState{hotplug->deviceHotplug != 0, hotplug->mediaRemovable != 0};
  return HotplugState{Contains(upperPath, u"USB"), geometry && geometry->mediaType == kMediaTypeRemovable};
}

DeviceKind DiskKind(const HotplugState& state) {
  if (state.deviceHotplug) return state.mediaRemovable ? HotplugRemovableDisk : ExternalDisk;
  return state.mediaRemovable ? RemovableDisk : FixedDisk;
}

DeviceKind OpticalKind(std::u16string_view upperPath, bool profileRead) {
  if (!profileRead) return OpticalNoProfile;
  return Contains(upperPath, u"USB") ? UsbOpticalDrive : OpticalDrive;
}

}  // namespace tavolen
