#include "service/SimulatedDevices.h"

#include <cctype>
#include <set>

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

}  // namespace

std::optional<std::vector<SimulatedDeviceSpec>> ParseSimulatedDeviceSet(std::string_view set) {
  std::vector<SimulatedDeviceSpec> specs;
  std::set<std::string> seen;
  bool more = !set.empty();
  while (more) {
    const std::size_t comma = set.find(',');
    const std::string_view entry = set.substr(0, comma);
    more = comma != std::string_view::npos;
    set = more ? set.substr(comma + 1) : std::string_view();
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string where = Lower(entry.substr(0, equals));
    const std::optional<sim::Family> family = FamilyNamed(entry.substr(equals + 1));
    if (!family) return std::nullopt;

    SimulatedDeviceSpec spec;
    spec.family = *family;
    std::optional<uint32_t> number;
    if (where.rfind("cdrom", 0) == 0) {
      number = Number(std::string_view(where).substr(5));
      if (number) spec.path = "\\\\.\\Cdrom" + std::to_string(*number);
    } else {
      number = Number(where);
      if (number) spec.path = "\\\\.\\PhysicalDrive" + std::to_string(*number);
    }
    if (!number || !seen.insert(Lower(spec.path)).second) return std::nullopt;
    spec.number = *number;
    specs.push_back(std::move(spec));
  }
  if (specs.empty()) return std::nullopt;
  return specs;
}

SimulatedDevices::SimulatedDevices(const std::vector<SimulatedDeviceSpec>& specs) {
  for (const SimulatedDeviceSpec& spec : specs) {
    auto device = std::make_shared<sim::SimDevice>(spec.family);
    device->deviceNumber = spec.number;
    device->performanceNumber = spec.number;
    Add(spec.path, std::move(device));
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

bool SimulatedDevices::Control(const std::string& devicePath, uint32_t code, const uint8_t* in, uint32_t inLength,
                               uint8_t* out, uint32_t outLength, uint32_t* bytesReturned, uint32_t* error) {
  *bytesReturned = 0;
  const std::shared_ptr<sim::SimDevice> device = Find(devicePath);
  if (!device) {
    *error = 2;  // ERROR_FILE_NOT_FOUND
    return false;
  }
  return device->Control(code, in, inLength, out, outLength, bytesReturned, error);
}

}  // namespace tavolen::service
