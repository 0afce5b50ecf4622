#include "control/device/ModelClassification.h"

#include <initializer_list>
#include <string_view>

#include "control/device/CFjtCommand.h"
#include "control/device/CJmCommand.h"
#include "control/device/CQmxtCommand.h"
#include "control/device/CSatCommand.h"
#include "control/device/CVarnkeldCommand.h"
#include "control/device/SystemDrive.h"

namespace tavolen {

namespace {

bool StartsWith(std::u16string_view text, std::u16string_view key) { return text.substr(0, key.size()) == key; }
bool Has(std::u16string_view text, std::u16string_view key) { return text.find(key) != std::u16string_view::npos; }

bool StartsWithAny(std::u16string_view text, std::initializer_list<std::u16string_view> keys) {
  for (auto key : keys)
    if (StartsWith(text, key)) return true;
  return false;
}

// JMicron chip named at the start of the vendor-specific text, or 0.
uint32_t JmChipFromVendorText(std::u16string_view text) {
  if (StartsWith(text, u"j329")) return 1;
  if (StartsWith(text, u"j336")) return 2;
  if (StartsWith(text, u"j339") || StartsWith(text, u"JM20339")) return 3;
  if (StartsWith(text, u"j539")) return 4;
  return 0;
}

constexpr uint32_t kPidJ339 = 0x147;        // LISN/Warded: chip 3 at exactly this id
constexpr uint32_t kPidSatFrom = 0x15A;     // LISN/Warded: translation from this id on
constexpr uint32_t kPidOwnBridgeBelow = 0x148;  // others: the maker's bridge below this id

// The bus area holds USB ids only for USB devices; any other bus has none (0).
uint32_t UsbProductId(const DeviceInfo& info) { return info.busType == BusUsb ? info.usb.usbProductId : 0; }

bool IsMakerDisk(const DeviceInfo& info) { return StartsWith(GetText(info.drive.vendor), kMakerVendor); }

void SetKind(DeviceInfo& info, DeviceKind kind, uint32_t chip = 0) {
  info.kind = kind;
  if (kind == JmBridgeDisk) info.bridgeChip = chip;
}

}  // namespace

void ClassifyExternalDisk(DeviceInfo& info, const IdentifyProbe& identifyProbe) {
  if (!IsMakerDisk(info)) return;
  const std::u16string_view product = GetText(info.drive.product);

  if (const uint32_t chip = JmChipFromVendorText(GetText(info.drive.vendorSpecific))) {
    SetKind(info, JmBridgeDisk, chip);
  } else if (Has(product, u"NEF-GW")) {
    SetKind(info, FjtBridgeDisk);
  } else if (StartsWithAny(product, {u"VEX5-G", u"VEX7-KLS_G", u"VEX7-KLS_P", u"NIR5-G", u"NUB5-GW"})) {
    SetKind(info, MakerDiskB);
  } else if (StartsWith(product, u"NAQ-G") || Has(product, u"NOWC-G")) {
    SetKind(info, MakerDiskA);
  } else if (StartsWithAny(product, {u"LISN-GH", u"Warded Platter"})) {
    const uint32_t pid = UsbProductId(info);
    if (pid == kPidJ339)
      SetKind(info, JmBridgeDisk, 3);
    else if (pid < kPidSatFrom)
      SetKind(info, JmBridgeDisk, 4);
    else
      SetKind(info, SatDisk);
  } else if (StartsWith(product, u"TORB-GLA")) {
    SetKind(info, JmBridgeDisk, 0);  // the command object finds the chip itself
  } else if (StartsWithAny(product, {u"QMXT-FRV", u"QMXT-BRV"})) {
    SetKind(info, QmxtDisk);
  } else if (UsbProductId(info) < kPidOwnBridgeBelow) {
    SetKind(info, VarnkeldBridgeDisk);
  } else if (identifyProbe && identifyProbe()) {
    SetKind(info, SatDisk);
  }
}

void ClassifyInternalDisk(DeviceInfo& info) {
  if (!IsMakerDisk(info)) return;
  const std::u16string_view product = GetText(info.drive.product);
  if (Has(product, u"VEX7-KLS_B"))
    SetKind(info, MakerDiskC);
  else if (Has(product, u"Hushed Vault"))
    SetKind(info, MakerDiskA);
}

IdentifyProbe SatIdentifyProbe(DeviceOpener& opener, uint32_t driveNumber) {
  return [&opener, driveNumber] {
    if (driveNumber == kNoDeviceNumber) return false;
    CSatCommand command(opener, driveNumber);
    uint8_t identify[CAtaCommand::kSectorSize] = {};
    return command.Identify(identify);
  };
}

std::unique_ptr<CAtaCommand> MakeAtaCommand(DeviceOpener& opener, const DeviceInfo& info) {
  const uint32_t number = info.driveNumber;
  switch (info.kind) {
    case FixedDisk: return std::make_unique<CAtaCommand>(opener, number);
    case VarnkeldBridgeDisk: return std::make_unique<CVarnkeldCommand>(opener, number, uint8_t{0});
    case JmBridgeDisk: return std::make_unique<CJmCommand>(opener, number, info.bridgeChip);
    case FjtBridgeDisk: return std::make_unique<CFjtCommand>(opener, number);
    case SatDisk: return std::make_unique<CSatCommand>(opener, number);
    case QmxtDisk: return std::make_unique<CQmxtCommand>(opener, number);
    default: return nullptr;
  }
}

}  // namespace tavolen
