#include "control/device/ModelClassification.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <typeinfo>
#include <string>

#include "control/device/CFjtCommand.h"
#include "control/device/CJmCommand.h"
#include "control/device/CQmxtCommand.h"
#include "control/device/CSatCommand.h"
#include "control/device/CVarnkeldCommand.h"
#include "sim/SimOpener.h"
#include "control/device/SystemDrive.h"

namespace tavolen {
namespace {

DeviceInfo UsbDisk(std::u16string_view vendor, std::u16string_view product, uint32_t productId,
                   std::u16string_view vendorSpecific = u"") {
  DeviceInfo info = ZeroDeviceInfo();
  info.kind = ExternalDisk;
  info.busType = BusUsb;
  info.driveNumber = 2;
  info.usb.usbVendorId = 0x0411;
  info.usb.usbProductId = productId;
  SetText(info.drive.vendor, vendor);
  SetText(info.drive.product, product);
  SetText(info.drive.vendorSpecific, vendorSpecific);
  return info;
}

// Records whether the IDENTIFY probe was asked and answers as told.
struct Probe {
  bool answer = false;
  int asked = 0;
  IdentifyProbe Function() {
    return [this] {
      ++asked;
      return answer;
    };
  }
};

struct Outcome {
  uint32_t kind;
  uint32_t chip;
};

Outcome ClassifyUsb(std::u16string_view product, uint32_t productId, std::u16string_view vendorSpecific = u"",
                    bool identifyAnswers = false) {
  DeviceInfo info = UsbDisk(kMakerVendor, product, productId, vendorSpecific);
  Probe probe{identifyAnswers};
  ClassifyExternalDisk(info, probe.Function());
  return {info.kind, info.bridgeChip};
}

TEST(ExternalDisks, JMicronChipFromTheVendorSpecificText) {
  EXPECT_EQ(ClassifyUsb(u"ANY", 0x200, u"j329").chip, 1u);
  EXPECT_EQ(ClassifyUsb(u"ANY", 0x200, u"j336 x").chip, 2u);
  EXPECT_EQ(ClassifyUsb(u"ANY", 0x200, u"j339").chip, 3u);
  EXPECT_EQ(ClassifyUsb(u"ANY", 0x200, u"JM20339 rev").chip, 3u);
  EXPECT_EQ(ClassifyUsb(u"ANY", 0x200, u"j539").chip, 4u);
  EXPECT_EQ(ClassifyUsb(u"ANY", 0x200, u"j539").kind, JmBridgeDisk);
  // The chip must start the text, and case counts.
  EXPECT_NE(ClassifyUsb(u"ANY", 0x200, u" j339").kind, JmBridgeDisk);
  EXPECT_NE(ClassifyUsb(u"ANY", 0x200, u"J339").kind, JmBridgeDisk);
}

TEST(ExternalDisks, ChipTextWinsOverEveryProductKey) {
  const Outcome o = ClassifyUsb(u"NEF-GW QMXT-FRV", 0x15A, u"j339");
  EXPECT_EQ(o.kind, JmBridgeDisk);
  EXPECT_EQ(o.chip, 3u);
}

TEST(ExternalDisks, FjtWhereverNefGwStands) {
  EXPECT_EQ(ClassifyUsb(u"NEF-GW", 0x200).kind, FjtBridgeDisk);
  EXPECT_EQ(ClassifyUsb(u"HD-NEF-GW2", 0x200).kind, FjtBridgeDisk);
  // Tested before the family keys.
  EXPECT_EQ(ClassifyUsb(u"VEX5-G NEF-GW", 0x200).kind, FjtBridgeDisk);
}

TEST(ExternalDisks, FamilyBByProductStart) {
  for (auto product : {u"VEX5-G500", u"VEX7-KLS_G1", u"VEX7-KLS_P2", u"NIR5-G", u"NUB5-GW1T"})
    EXPECT_EQ(ClassifyUsb(product, 0x200).kind, MakerDiskB) << std::string(product, product + 4);
  // One character in front is not a start.
  EXPECT_NE(ClassifyUsb(u"XVEX5-G", 0x200).kind, MakerDiskB);
  EXPECT_NE(ClassifyUsb(u"VEX7-KLS_B", 0x200).kind, MakerDiskB);
}

TEST(ExternalDisks, FamilyAByStartOrContainedKey) {
  EXPECT_EQ(ClassifyUsb(u"NAQ-G1", 0x200).kind, MakerDiskA);
  EXPECT_NE(ClassifyUsb(u"XNAQ-G1", 0x200).kind, MakerDiskA);
  EXPECT_EQ(ClassifyUsb(u"HD-NOWC-G2", 0x200).kind, MakerDiskA);
  // Family B is tested first.
  EXPECT_EQ(ClassifyUsb(u"NIR5-G NOWC-G", 0x200).kind, MakerDiskB);
}

TEST(ExternalDisks, LisnAndWardedByProductIdLimits) {
  for (auto product : {u"LISN-GH", u"Warded Platter"}) {
    const Outcome at147 = ClassifyUsb(product, 0x147);
    EXPECT_EQ(at147.kind, JmBridgeDisk);
    EXPECT_EQ(at147.chip, 3u);
    const Outcome at146 = ClassifyUsb(product, 0x146);
    EXPECT_EQ(at146.kind, JmBridgeDisk);
    EXPECT_EQ(at146.chip, 4u);
    const Outcome at159 = ClassifyUsb(product, 0x159);
    EXPECT_EQ(at159.kind, JmBridgeDisk);
    EXPECT_EQ(at159.chip, 4u);
    EXPECT_EQ(ClassifyUsb(product, 0x15A).kind, SatDisk);
    EXPECT_EQ(ClassifyUsb(product, 0xFFFF).kind, SatDisk);
  }
  EXPECT_NE(ClassifyUsb(u"warded platter", 0x147).kind, JmBridgeDisk);
}

TEST(ExternalDisks, TorbGlaLeavesTheChipToTheCommandObject) {
  const Outcome o = ClassifyUsb(u"TORB-GLA2", 0x200);
  EXPECT_EQ(o.kind, JmBridgeDisk);
  EXPECT_EQ(o.chip, 0u);
}

TEST(ExternalDisks, QmxtFamilies) {
  EXPECT_EQ(ClassifyUsb(u"QMXT-FRV1", 0x200).kind, QmxtDisk);
  EXPECT_EQ(ClassifyUsb(u"QMXT-BRV", 0x200).kind, QmxtDisk);
  EXPECT_NE(ClassifyUsb(u"QMXT-XRV", 0x200).kind, QmxtDisk);
}

TEST(ExternalDisks, OtherMakerDisksByProductIdAndIdentify) {
  DeviceInfo below = UsbDisk(kMakerVendor, u"PLAIN", 0x147);
  Probe probeBelow;
  ClassifyExternalDisk(below, probeBelow.Function());
  EXPECT_EQ(below.kind, VarnkeldBridgeDisk);
  EXPECT_EQ(probeBelow.asked, 0);

  DeviceInfo answering = UsbDisk(kMakerVendor, u"PLAIN", 0x148);
  Probe yes{true};
  ClassifyExternalDisk(answering, yes.Function());
  EXPECT_EQ(answering.kind, SatDisk);
  EXPECT_EQ(yes.asked, 1);

  DeviceInfo silent = UsbDisk(kMakerVendor, u"PLAIN", 0x148);
  Probe no{false};
  ClassifyExternalDisk(silent, no.Function());
  EXPECT_EQ(silent.kind, ExternalDisk);
  EXPECT_EQ(no.asked, 1);
}

TEST(ExternalDisks, KeyedDisksNeverAskIdentify) {
  for (auto product : {u"NEF-GW", u"VEX5-G", u"NAQ-G", u"LISN-GH", u"TORB-GLA", u"QMXT-FRV"}) {
    DeviceInfo info = UsbDisk(kMakerVendor, product, 0x400);
    Probe probe{true};
    ClassifyExternalDisk(info, probe.Function());
    EXPECT_EQ(probe.asked, 0);
  }
}

TEST(ExternalDisks, Ieee1394DiskHasNoProductIdAndUsesTheMakersBridge) {
  DeviceInfo info = ZeroDeviceInfo();
  info.kind = ExternalDisk;
  info.busType = Bus1394;
  SetText(info.drive.vendor, kMakerVendor);
  SetText(info.drive.product, u"PLAIN 1394");
  // The id text shares its space with the USB ids; it must not read as a product id.
  SetText(info.ieee1394.ieee1394Id, u"0030E0F4E0123456");
  Probe probe;
  ClassifyExternalDisk(info, probe.Function());
  EXPECT_EQ(info.kind, VarnkeldBridgeDisk);
  EXPECT_EQ(probe.asked, 0);
}

TEST(ExternalDisks, OtherVendorsAreNeverClassified) {
  for (auto vendor : {u"TAVOSIM", u"varnkeld", u"VARNKEL", u" VARNKELD"}) {
    for (auto product : {u"NEF-GW", u"VEX5-G", u"NAQ-G", u"LISN-GH", u"TORB-GLA", u"QMXT-FRV", u"PLAIN"}) {
      DeviceInfo info = UsbDisk(vendor, product, 0x147, u"j339");
      Probe probe{true};
      ClassifyExternalDisk(info, probe.Function());
      EXPECT_EQ(info.kind, ExternalDisk);
      EXPECT_EQ(info.bridgeChip, 0u);
      EXPECT_EQ(probe.asked, 0);
    }
  }
}

TEST(InternalDisks, FamiliesByContainedKey) {
  auto classify = [](std::u16string_view vendor, std::u16string_view product, DeviceKind entry) {
    DeviceInfo info = ZeroDeviceInfo();
    info.kind = entry;
    SetText(info.drive.vendor, vendor);
    SetText(info.drive.product, product);
    ClassifyInternalDisk(info);
    return info.kind;
  };
  EXPECT_EQ(classify(kMakerVendor, u"HD-VEX7-KLS_B", FixedDisk), MakerDiskC);
  EXPECT_EQ(classify(kMakerVendor, u"X Hushed Vault", FixedDisk), MakerDiskA);
  EXPECT_EQ(classify(kMakerVendor, u"VEX7-KLS_B Hushed Vault", RemovableDisk), MakerDiskC);
  EXPECT_EQ(classify(kMakerVendor, u"NEF-GW", FixedDisk), FixedDisk);
  EXPECT_EQ(classify(kMakerVendor, u"PLAIN", RemovableDisk), RemovableDisk);
  EXPECT_EQ(classify(u"OTHER", u"VEX7-KLS_B", FixedDisk), FixedDisk);
  EXPECT_EQ(classify(u"OTHER", u"Hushed Vault", RemovableDisk), RemovableDisk);
}

// --- the probe and the command object per kind, against simulated disks -----------

TEST(SatProbe, AsksTheDiskByItsNumberAndClosesIt) {
  sim::SimOpener opener;
  auto sat = std::make_shared<sim::SimDevice>(sim::Family::Sat);
  opener.Add(PhysicalDrivePath(4), sat);
  EXPECT_TRUE(SatIdentifyProbe(opener, 4)());
  EXPECT_EQ(opener.OpenChannels(), 0);
  ASSERT_FALSE(sat->Executed().empty());
  EXPECT_EQ(sat->Executed().front()[AtaTaskFile::Command], 0xEC);

  auto plain = std::make_shared<sim::SimDevice>(sim::Family::PlainAta);
  opener.Add(PhysicalDrivePath(5), plain);
  EXPECT_FALSE(SatIdentifyProbe(opener, 5)());
}

TEST(SatProbe, WithoutADriveNumberNothingIsOpened) {
  sim::SimOpener opener;
  EXPECT_FALSE(SatIdentifyProbe(opener, kNoDeviceNumber)());
  EXPECT_TRUE(opener.Opened().empty());
}

TEST(CommandFactory, OneClassPerKindOpenedOnTheDriveNumber) {
  sim::SimOpener opener;
  auto make = [&opener](uint32_t kind, uint32_t chip = 0) {
    DeviceInfo info = ZeroDeviceInfo();
    info.kind = kind;
    info.bridgeChip = chip;
    info.driveNumber = 6;
    return MakeAtaCommand(opener, info);
  };

  auto fixed = make(FixedDisk);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(typeid(*fixed), typeid(CAtaCommand));
  EXPECT_EQ(fixed->DevicePath(), u"\\\\.\\PhysicalDrive6");

  auto varnkeld = make(VarnkeldBridgeDisk);
  EXPECT_NE(dynamic_cast<CVarnkeldCommand*>(varnkeld.get()), nullptr);
  auto jm = make(JmBridgeDisk, 4);
  ASSERT_NE(dynamic_cast<CJmCommand*>(jm.get()), nullptr);
  EXPECT_EQ(static_cast<CJmCommand&>(*jm).Chip(), 4u);
  auto fjt = make(FjtBridgeDisk);
  EXPECT_NE(dynamic_cast<CFjtCommand*>(fjt.get()), nullptr);
  auto satCommand = make(SatDisk);
  ASSERT_NE(satCommand, nullptr);
  EXPECT_EQ(typeid(*satCommand), typeid(CSatCommand));
  auto qmxt = make(QmxtDisk);
  EXPECT_NE(dynamic_cast<CQmxtCommand*>(qmxt.get()), nullptr);

  for (uint32_t kind : std::initializer_list<uint32_t>{ExternalDisk, RemovableDisk, HotplugRemovableDisk, OpticalDrive, UsbOpticalDrive,
                        OpticalNoProfile, NetworkDrive, MakerDiskA, MakerDiskB, MakerDiskC, PortableDevice, 0u})
    EXPECT_EQ(make(kind), nullptr) << kind;
}

}  // namespace
}  // namespace tavolen
