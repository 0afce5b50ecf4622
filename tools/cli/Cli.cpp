#include "tools/cli/Cli.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>

#include "control/device/CAtaCommand.h"
#include "control/device/COptCommand.h"
#include "control/device/DeviceInfo.h"
#include "control/device/DeviceList.h"
#include "control/device/ModelClassification.h"
#include "control/panels/SizeText.h"
#include "control/device/SystemDrive.h"

namespace tavolen {

namespace {

constexpr const char kUsage[] =
    "usage: tavolen-cli <command>\n"
    "\n"
    "commands:\n"
    "  list                 every storage device and every logical drive\n"
    "  info <drive number>  model, firmware, power mode, S.M.A.R.T. verdict and\n"
    "                       temperature of a disk; a disk in standby is not woken\n"
    "  --help               this text\n"
    "\n"
    "exit codes: 0 done, 1 the device could not be asked, 2 wrong arguments\n";

const char* BusName(uint32_t bus) {
  switch (bus) {
    case BusIde: return "IDE";
    case BusUsb: return "USB";
    case Bus1394: return "1394";
    case BusScsi: return "SCSI";
    default: return "-";
  }
}

const char* DriveTypeName(DriveType type) {
  switch (type) {
    case DriveType::Removable: return "removable";
    case DriveType::Fixed: return "fixed";
    case DriveType::Remote: return "network";
    case DriveType::CdRom: return "optical";
    case DriveType::RamDisk: return "RAM disk";
    case DriveType::NoRootDir: return "no root";
    default: return "unknown";
  }
}

std::string Quoted(std::u16string_view text) { return "\"" + PrintableUtf8(text) + "\""; }

std::string Number(uint32_t driveNumber) {
  return driveNumber == kNoDeviceNumber ? std::string("?") : std::to_string(driveNumber);
}

void PrintDevice(std::ostream& out, const char* what, const DeviceInfo& d, bool withCapacity) {
  out << what << " " << Number(d.driveNumber) << "  " << KindName(d.kind) << "  bus " << BusName(d.busType) << "  "
      << Quoted(GetText(d.drive.vendor)) << " " << Quoted(GetText(d.drive.product)) << " "
      << Quoted(GetText(d.drive.revision));
  if (withCapacity) {
    const uint64_t bytes = d.bytesPerSector == 0 ? 0 : (d.lastLba + 1) * d.bytesPerSector;
    out << "  " << SizeText(bytes);
  }
  if (d.kind == JmBridgeDisk) out << "  bridge chip " << d.bridgeChip;
  out << "  instance " << Quoted(GetText(d.drive.instanceId)) << "\n";
}

int List(CliEnvironment& env, std::ostream& out, std::ostream& err) {
  DeviceList devices(env.opener, env.source, DeviceList::kDisks | DeviceList::kOpticalDrives);
  const auto snapshot = devices.Snapshot();
  out << "Devices:\n";
  for (const DeviceInfo& d : snapshot->disks) PrintDevice(out, "  disk", d, true);
  for (const DeviceInfo& d : snapshot->opticalDrives) PrintDevice(out, "  optical", d, false);
  if (snapshot->disks.empty() && snapshot->opticalDrives.empty()) out << "  (none)\n";

  out << "Drives:\n";
  const std::vector<std::u16string> roots = env.volumes.DriveRoots();
  for (const std::u16string& root : roots) {
    const DriveType type = env.volumes.Type(root);
    out << "  " << PrintableUtf8(root) << "  " << DriveTypeName(type);
    if (const auto info = env.volumes.Information(root)) out << "  " << Quoted(info->label);
    else out << "  (no medium)";
    if (const auto space = env.volumes.Space(root)) out << "  " << UsedOfTotalText(space->totalBytes, space->freeBytes);
    out << "\n";
  }
  if (roots.empty()) out << "  (none)\n";
  if (snapshot->disks.empty() && snapshot->opticalDrives.empty() && roots.empty()) {
    err << "tavolen-cli: no devices or drives found\n";
    return kCliFailed;
  }
  return kCliOk;
}

std::string AtaString(const uint8_t* identify, int firstWord, int words) {
  std::string text;
  for (int w = firstWord; w < firstWord + words; ++w) {
    text += char(identify[2 * w + 1]);
    text += char(identify[2 * w]);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  std::u16string wide(text.begin(), text.end());
  return PrintableUtf8(wide);
}

void PrintCommandFailure(std::ostream& out, const char* what, const CScsiCommand& command) {
  const auto& sense = command.SenseSummary();
  out << what << ": failed";
  if (sense[1] != 0 || sense[2] != 0) {
    char text[64];
    std::snprintf(text, sizeof text, " (sense %X/%02X/%02X)", sense[1], sense[2], sense[3]);
    out << text;
  } else if (command.LastError() != 0) {
    out << " (system error " << command.LastError() << ")";
  }
  out << "\n";
}

int InfoOptical(CliEnvironment& env, const DeviceInfo& d, std::ostream& out) {
  PrintDevice(out, "optical", d, false);
  COptCommand command(env.opener, d.driveNumber);
  uint32_t profile = 0;
  if (!command.GetCurrentProfile(profile)) {
    PrintCommandFailure(out, "current profile", command);
    return kCliFailed;
  }
  out << "current profile: 0x" << std::hex << profile << std::dec << (profile == 0 ? " (no medium)" : "") << "\n";
  return kCliOk;
}

int Info(CliEnvironment& env, const std::string& argument, std::ostream& out, std::ostream& err) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(argument.c_str(), &end, 10);
  if (argument.empty() || *end != '\0' || argument[0] == '-' || value >= kNoDeviceNumber) {
    err << "tavolen-cli: not a drive number: " << argument << "\n";
    return kCliUsage;
  }
  const uint32_t number = uint32_t(value);
  DeviceList devices(env.opener, env.source, DeviceList::kDisks | DeviceList::kOpticalDrives);
  const auto disk = devices.FindDisk(number);
  if (!disk) {
    if (const auto optical = devices.FindOpticalDrive(number)) return InfoOptical(env, *optical, out);
    err << "tavolen-cli: no disk or optical drive with number " << number << "\n";
    return kCliFailed;
  }
  PrintDevice(out, "disk", *disk, true);
  std::unique_ptr<CAtaCommand> command = MakeAtaCommand(env.opener, *disk);
  if (!command) {
    out << "no ATA commands for a disk of kind " << KindName(disk->kind) << "\n";
    return kCliOk;
  }
  // Power mode first: a disk in standby is neither identified nor asked for S.M.A.R.T.
  // data, because either would spin it up.
  bool awake = false;
  if (!command->CheckPowerMode(awake)) {
    PrintCommandFailure(out, "power mode", *command);
    return kCliFailed;
  }
  if (!awake) {
    out << "power mode: standby (left asleep)\n";
    return kCliOk;
  }
  out << "power mode: active or idle\n";
  int status = kCliOk;
  uint8_t identify[512] = {};
  if (command->Identify(identify)) {
    out << "model: " << AtaString(identify, 27, 20) << "\n";
    out << "firmware: " << AtaString(identify, 23, 4) << "\n";
  } else {
    PrintCommandFailure(out, "IDENTIFY", *command);
    status = kCliFailed;
  }
  bool good = false;
  if (command->SmartReturnStatus(good)) {
    out << "S.M.A.R.T.: " << (good ? "no threshold exceeded" : "threshold exceeded") << "\n";
  } else {
    PrintCommandFailure(out, "S.M.A.R.T. status", *command);
    status = kCliFailed;
  }
  uint32_t celsius = 0;
  if (command->ReadTemperature(celsius)) out << "temperature: " << celsius << " C\n";
  else out << "temperature: not reported\n";
  return status;
}

}  // namespace

std::string PrintableUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = '?';  // a lone surrogate
    }
    if (c < 0x20 || c == 0x7F) c = '?';
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string KindName(uint32_t kind) {
  switch (kind) {
    case ExternalDisk: return "ExternalDisk";
    case FixedDisk: return "FixedDisk";
    case RemovableDisk: return "RemovableDisk";
    case HotplugRemovableDisk: return "HotplugRemovableDisk";
    case OpticalDrive: return "OpticalDrive";
    case UsbOpticalDrive: return "UsbOpticalDrive";
    case OpticalNoProfile: return "OpticalNoProfile";
    case NetworkDrive: return "NetworkDrive";
    case VarnkeldBridgeDisk: return "VarnkeldBridgeDisk";
    case MakerDiskA: return "MakerDiskA";
    case MakerDiskB: return "MakerDiskB";
    case MakerDiskC: return "MakerDiskC";
    case JmBridgeDisk: return "JmBridgeDisk";
    case FjtBridgeDisk: return "FjtBridgeDisk";
    case SatDisk: return "SatDisk";
    case QmxtDisk: return "QmxtDisk";
    case PortableDevice: return "PortableDevice";
    default: {
      char text[16];
      std::snprintf(text, sizeof text, "0x%X", unsigned(kind));
      return text;
    }
  }
}

int RunCli(const std::vector<std::string>& args, CliEnvironment& environment, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return kCliUsage;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "/?") {
    out << kUsage;
    return kCliOk;
  }
  if (command == "list" && args.size() == 1) return List(environment, out, err);
  if (command == "info" && args.size() == 2) return Info(environment, args[1], out, err);
  err << "tavolen-cli: unknown command or wrong arguments: " << command << "\n\n" << kUsage;
  return kCliUsage;
}

}  // namespace tavolen
