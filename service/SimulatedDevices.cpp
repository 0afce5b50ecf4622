#include "service/SimulatedDevices.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"
#include "control/device/ServiceProtocol.h"

namespace tavolen::service {

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::optional<sim::Family> FamilyNamed(std::string_view name) {
  const std::string lower = Lower(name);
  if (lower == "plain-ata") return sim::Family::PlainAta;
  if (lower == "sat") return sim::Family::Sat;
  if (lower == "varnkeld") return sim::Family::Varnkeld;
  if (lower == "jm") return sim::Family::Jm;
  if (lower == "fjt") return sim::Family::Fjt;
  if (lower == "qmxt") return sim::Family::Qmxt;
  if (lower == "optical") return sim::Family::Optical;
  return std::nullopt;
}

std::optional<uint32_t> Number(std::string_view digits) {
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  uint32_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + uint32_t(c - '0');
  }
  return n;
}

// One name of a device: its path and, for a numbered name, the number.
struct DeviceName {
  std::string path;
  std::optional<uint32_t> number;
};

std::optional<DeviceName> ParseName(std::string_view name) {
  if (name.size() > 2 && name.substr(0, 2) == "\\\\") {
    if (name.size() >= kMaxDevicePathLength) return std::nullopt;
    for (char c : name) {
      if (c <= ' ' || c > '~') return std::nullopt;
    }
    return DeviceName{std::string(name), std::nullopt};
  }
  const std::string lower = Lower(name);
  if (lower.rfind("cdrom", 0) == 0) {
    const std::optional<uint32_t> number = Number(std::string_view(lower).substr(5));
    if (!number) return std::nullopt;
    return DeviceName{"\\\\.\\Cdrom" + std::to_string(*number), number};
  }
  const std::optional<uint32_t> number = Number(lower);
  if (!number) return std::nullopt;
  return DeviceName{"\\\\.\\PhysicalDrive" + std::to_string(*number), number};
}

// Calls each(part) for every part of `text` between separators; false at once when
// each returns false.
template <typename Each>
bool Split(std::string_view text, char separator, Each each) {
  for (;;) {
    const std::size_t at = text.find(separator);
    if (!each(text.substr(0, at))) return false;
    if (at == std::string_view::npos) return true;
    text.remove_prefix(at + 1);
  }
}

}  // namespace

std::optional<std::vector<SimulatedDeviceSpec>> ParseSimulatedDeviceSet(std::string_view set) {
  if (set.empty()) return std::nullopt;
  std::vector<SimulatedDeviceSpec> specs;
  std::set<std::string> seen;
  const bool parsed = Split(set, ',', [&](std::string_view entry) {
    const std::size_t equals = entry.rfind('=');
    if (equals == std::string_view::npos) return false;
    const std::optional<sim::Family> family = FamilyNamed(entry.substr(equals + 1));
    if (!family) return false;
    SimulatedDeviceSpec spec;
    spec.family = *family;
    bool numbered = false;
    const bool named = Split(entry.substr(0, equals), '+', [&](std::string_view text) {
      const std::optional<DeviceName> name = ParseName(text);
      if (!name || !seen.insert(Lower(name->path)).second) return false;
      if (name->number) {
        if (numbered) return false;
        numbered = true;
        spec.number = *name->number;
      }
      spec.paths.push_back(name->path);
      return true;
    });
    if (!named) return false;
    specs.push_back(std::move(spec));
    return true;
  });
  if (!parsed) return std::nullopt;
  return specs;
}

SimulatedDevices::SimulatedDevices(const std::vector<SimulatedDeviceSpec>& specs) {
  for (const SimulatedDeviceSpec& spec : specs) {
    auto device = std::make_shared<sim::SimDevice>(spec.family);
    device->deviceNumber = spec.number;
    device->performanceNumber = spec.number;
    for (const std::string& path : spec.paths) Add(path, device);
  }
}

void SimulatedDevices::Add(const std::string& path, std::shared_ptr<sim::SimDevice> device) {
  const std::lock_guard<std::mutex> lock(mutex_);
  devices_[Lower(path)] = std::move(device);
}

std::shared_ptr<sim::SimDevice> SimulatedDevices::Find(const std::string& path) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto it = devices_.find(Lower(path));
  return it == devices_.end() ? nullptr : it->second;
}

std::string DescribeDeviceRequest(const std::string& devicePath, uint32_t code, const uint8_t* in, uint32_t inLength) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
  std::string line = devicePath + " " + text;
  auto appendHex = [&](const uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      std::snprintf(text, sizeof text, " %02X", bytes[i]);
      line += text;
    }
  };
  if (in == nullptr) return line;
  if (code == kIoctlScsiPassThrough) {
    if (const std::optional<BlockLayout> layout = DetectScsiLayout(in, inLength)) {
      const ScsiPassThroughHeader header = ReadScsiHeader(in, *layout);
      appendHex(header.cdb.data(), std::min<std::size_t>(header.cdbLength, header.cdb.size()));
    }
  } else if (code == kIoctlAtaPassThrough) {
    if (const std::optional<BlockLayout> layout = DetectAtaLayout(in, inLength)) {
      const AtaPassThroughHeader header = ReadAtaHeader(in, *layout);
      appendHex(header.currentTaskFile.data(), header.currentTaskFile.size());
    }
  }
  return line;
}

bool SimulatedDevices::Control(const std::string& devicePath, uint32_t code, const uint8_t* in, uint32_t inLength,
                               uint8_t* out, uint32_t outLength, uint32_t* bytesReturned, uint32_t* error) {
  *bytesReturned = 0;
  if (log_) log_(DescribeDeviceRequest(devicePath, code, in, inLength));
  const std::shared_ptr<sim::SimDevice> device = Find(devicePath);
  if (!device) {
    *error = 2;  // ERROR_FILE_NOT_FOUND
    return false;
  }
  return device->Control(code, in, inLength, out, outLength, bytesReturned, error);
}

}  // namespace tavolen::service
