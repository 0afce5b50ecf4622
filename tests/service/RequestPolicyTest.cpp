// What the service performs for a caller: the paths, controls and pass-through
// contents it serves and refuses, that every request of the command layer passes, and
// how a refusal reaches the caller.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "control/device/CFjtCommand.h"
#include "control/device/CIoctl.h"
#include "control/device/CJmCommand.h"
#include "control/device/COptCommand.h"
#include "control/device/CQmxtCommand.h"
#include "control/device/CSatCommand.h"
#include "control/device/CVarnkeldCommand.h"
#include "control/device/IoctlCodes.h"
#include "control/device/PassThroughBlock.h"
#include "service/RequestPolicy.h"
#include "service/ServiceSession.h"
#include "service/SimulatedDevices.h"
#include "tests/service/MemorySections.h"
#include "tests/sim/SimTestBlocks.h"

namespace tavolen::service {
namespace {

// --- blocks as a caller lays them out: the 32-bit layout the service receives ----------

Bytes ScsiBlock(std::vector<uint8_t> cdb, uint8_t direction, uint32_t length) {
  return sim::testing::ScsiBlock(BlockLayout::Bits32, std::move(cdb), direction, length).bytes;
}

Bytes AtaBlock(uint16_t flags, const AtaTaskFile& tf, uint32_t length) {
  return sim::testing::AtaBlock(BlockLayout::Bits32, tf, flags, length).bytes;
}

AtaTaskFile TaskFile(uint8_t command, uint8_t features = 0, uint8_t mid = 0, uint8_t high = 0) {
  AtaTaskFile tf;
  tf[AtaTaskFile::Command] = command;
  tf[AtaTaskFile::Features] = features;
  tf[AtaTaskFile::LbaMid] = mid;
  tf[AtaTaskFile::LbaHigh] = high;
  return tf;
}

Refusal CheckScsi(const Bytes& block) {
  return CheckControlContents(kIoctlScsiPassThrough, block.data(), block.size(), block.size());
}

TEST(RequestPolicyTest, ServesOnlyDiskAndCdromPaths) {
  const std::string disk = "\\\\?\\SCSI#DISK&VEN_VARNKELD&PROD_X#4&1A2B&0&000100#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}";
  const std::string cdrom = "\\\\?\\ide#cdromtavosim#5&2&0&0#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}";
  for (const std::string& served : {std::string("\\\\.\\PhysicalDrive0"), std::string("\\\\.\\PHYSICALDRIVE12"),
                                    std::string("\\\\.\\Cdrom0"), std::string("\\\\.\\N:"), std::string("\\\\.\\c:"),
                                    disk, cdrom}) {
    EXPECT_TRUE(IsAllowedDevicePath(served)) << served;
  }
  for (const std::string& refused :
       {std::string("\\\\server\\share\\x"), std::string("\\\\.\\PhysicalDrive"), std::string("\\\\.\\PhysicalDrive-1"),
        std::string("\\\\.\\PhysicalDrive01"), std::string("\\\\.\\PhysicalDrive1\\..\\C:"),
        std::string("\\\\.\\PhysicalDrive1234"), std::string("\\\\.\\C:\\Windows"), std::string("\\\\.\\1:"),
        std::string("\\\\.\\pipe\\SembridPipe"), std::string("\\\\.\\Tape0"), std::string("C:\\secret.txt"),
        std::string("\\\\?\\C:\\secret.txt"), std::string("\\\\?\\UNC\\server\\share"),
        std::string("\\\\?\\Volume{12345678-1234-1234-1234-123456789abc}"),
        std::string("\\\\?\\#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}x"),
        std::string("\\\\?\\a\\..\\b#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"),
        std::string("\\\\?\\USB#VID_1&PID_2#3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"), std::string("")}) {
    EXPECT_FALSE(IsAllowedDevicePath(refused)) << refused;
  }
}

TEST(RequestPolicyTest, ServesOnlyTheControlsTheProductSends) {
  for (uint32_t served : {kIoctlStorageGetDeviceNumber, kIoctlDiskPerformance, kIoctlStorageGetHotplugInfo,
                          kIoctlDiskGetDriveGeometry, kIoctlScsiPassThrough, kIoctlAtaPassThrough}) {
    EXPECT_TRUE(IsAllowedControlCode(served)) << std::hex << served;
  }
  constexpr uint32_t kScsiPassThroughDirect = 0x0004D014, kAtaPassThroughDirect = 0x0004D030;
  constexpr uint32_t kDiskSetPartitionLayout = 0x0007C010, kDiskDeleteLayout = 0x0007C100, kStorageEject = 0x002D4808;
  for (uint32_t refused : {kScsiPassThroughDirect, kAtaPassThroughDirect, kDiskSetPartitionLayout, kDiskDeleteLayout,
                           kStorageEject, 0u, 1u}) {
    EXPECT_FALSE(IsAllowedControlCode(refused)) << std::hex << refused;
    EXPECT_EQ(Refusal::ControlCode, CheckDeviceRequest("\\\\.\\PhysicalDrive1", refused, nullptr, 0, 0));
  }
  // The storage records take no input and answer into a small record.
  const Bytes input(4, 0);
  EXPECT_EQ(Refusal::None, CheckControlContents(kIoctlDiskPerformance, nullptr, 0, 88));
  EXPECT_EQ(Refusal::Contents, CheckControlContents(kIoctlDiskPerformance, input.data(), input.size(), 88));
  EXPECT_EQ(Refusal::Contents, CheckControlContents(kIoctlStorageGetDeviceNumber, nullptr, 0, 1 << 20));
}

TEST(RequestPolicyTest, PassThroughCarriesOnlyReadsAndTheListedAtaCommands) {
  constexpr uint8_t kIn = kScsiDataIn, kNone = kScsiNoData, kOut = kScsiDataOut;
  struct Case {
    const char* what;
    Bytes block;
    Refusal expected;
  };
  const Case cases[] = {
      {"INQUIRY", ScsiBlock({0x12, 0, 0, 0, 56, 0}, kIn, 56), Refusal::None},
      {"READ CAPACITY (16)", ScsiBlock({0x9E, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0}, kIn, 32),
       Refusal::None},
      {"SAT IDENTIFY", ScsiBlock({0xA1, 0x08, 0x1E, 0, 1, 0, 0, 0, 0, 0xEC, 0, 0}, kIn, 512), Refusal::None},
      {"SAT16 STANDBY", ScsiBlock({0x85, 0x06, 0, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0xE2, 0}, kNone, 0),
       Refusal::None},
      {"JM bridge information", ScsiBlock({0xDF, 0x10, 0, 0x20, 0, 0, 0, 0, 0, 0xC0, 0, 0xFA}, kIn, 8192),
       Refusal::None},
      {"WRITE (10)", ScsiBlock({0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0}, kOut, 512), Refusal::Contents},
      {"WRITE (10) called data-in", ScsiBlock({0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0}, kIn, 512), Refusal::Contents},
      {"INQUIRY as data out", ScsiBlock({0x12, 0, 0, 0, 56, 0}, kOut, 56), Refusal::Contents},
      {"no data with a transfer", ScsiBlock({0x00, 0, 0, 0, 0, 0}, kNone, 512), Refusal::Contents},
      {"WRITE BUFFER", ScsiBlock({0x3B, 5, 0, 0, 0, 0, 0, 2, 0, 0}, kIn, 512), Refusal::Contents},
      {"MODE SELECT", ScsiBlock({0x55, 0x10, 0, 0, 0, 0, 0, 0, 28, 0}, kIn, 28), Refusal::Contents},
      {"FORMAT UNIT", ScsiBlock({0x04, 0, 0, 0, 0, 0}, kNone, 0), Refusal::Contents},
      {"INQUIRY of 10 bytes", ScsiBlock({0x12, 0, 0, 0, 56, 0, 0, 0, 0, 0}, kIn, 56), Refusal::Contents},
      {"SAT PIO data-out WRITE SECTORS", ScsiBlock({0xA1, 0x0A, 0x26, 0, 1, 0, 0, 0, 0, 0x30, 0, 0}, kIn, 512),
       Refusal::Contents},
      {"SAT DMA READ", ScsiBlock({0xA1, 0x0C, 0x2E, 0, 1, 0, 0, 0, 0, 0xC8, 0, 0}, kIn, 512), Refusal::Contents},
      {"SAT SECURITY ERASE UNIT", ScsiBlock({0xA1, 0x06, 0, 0, 0, 0, 0, 0, 0, 0xF4, 0, 0}, kNone, 0),
       Refusal::Contents},
      {"SAT SMART WRITE LOG", ScsiBlock({0xA1, 0x06, 0, 0xD6, 1, 0, 0x4F, 0xC2, 0, 0xB0, 0, 0}, kNone, 0),
       Refusal::Contents},
      {"SAT IDENTIFY without data", ScsiBlock({0xA1, 0x06, 0, 0, 0, 0, 0, 0, 0, 0xEC, 0, 0}, kNone, 0),
       Refusal::Contents},
      {"vendor data-out form", ScsiBlock({0xE4, 0, 0, 1, 0, 0, 0, 0, 0x30, 0, 0, 0}, kIn, 512), Refusal::Contents},
      {"JM data-out form", ScsiBlock({0xDF, 0x00, 0, 0x02, 0, 0, 1, 0, 0, 0, 0, 0x30}, kIn, 512), Refusal::Contents},
      {"JM bridge write", ScsiBlock({0xDF, 0x10, 0, 0x00, 0x10, 0, 0x83, 0, 0, 0, 0, 0xFE}, kIn, 16),
       Refusal::Contents},
      {"vendor 16-byte data-out", ScsiBlock({0xF0, 0x0A, 0x06, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0x30, 0}, kIn, 512),
       Refusal::Contents},
      {"ATA IDENTIFY", AtaBlock(kAtaFlagsDataIn, TaskFile(0xEC), 512), Refusal::None},
      {"ATA SMART RETURN STATUS", AtaBlock(kAtaFlagsDrdyRequired, TaskFile(0xB0, 0xDA, 0x4F, 0xC2), 0),
       Refusal::None},
      {"ATA SMART READ DATA, alternate", AtaBlock(kAtaFlagsDataIn, TaskFile(0xB0, 0xD0, 0x44), 512), Refusal::None},
      {"ATA SMART READ DATA, other LBA", AtaBlock(kAtaFlagsDataIn, TaskFile(0xB0, 0xD0, 0x12), 512),
       Refusal::Contents},
      {"ATA WRITE SECTORS", AtaBlock(kAtaFlagsDataOut, TaskFile(0x30), 512), Refusal::Contents},
      {"ATA WRITE SECTORS as data in", AtaBlock(kAtaFlagsDataIn, TaskFile(0x30), 512), Refusal::Contents},
      {"ATA 48-bit IDENTIFY", AtaBlock(kAtaFlagsDataIn | kAtaFlags48Bit, TaskFile(0xEC), 512), Refusal::Contents},
      {"ATA DOWNLOAD MICROCODE", AtaBlock(kAtaFlagsDrdyRequired, TaskFile(0x92), 0), Refusal::Contents},
  };
  for (const Case& c : cases) {
    const uint32_t code = c.block.size() >= kScsiBlockOverhead && c.block[0] == 44 ? kIoctlScsiPassThrough
                                                                                 : kIoctlAtaPassThrough;
    EXPECT_EQ(c.expected, CheckControlContents(code, c.block.data(), c.block.size(), c.block.size())) << c.what;
  }

  // The block itself: the 32-bit layout, in place, all of it inside the input.
  Bytes block = ScsiBlock({0x12, 0, 0, 0, 56, 0}, kIn, 56);
  EXPECT_EQ(Refusal::Contents, CheckControlContents(kIoctlScsiPassThrough, block.data(), block.size(), 8))
      << "the answer comes back in place";
  EXPECT_EQ(Refusal::Contents, CheckControlContents(kIoctlScsiPassThrough, block.data(), 100, 100))
      << "a transfer beyond the input";
  Bytes wide = block;
  wide[0] = 56;  // the 64-bit layout's Length
  EXPECT_EQ(Refusal::Contents, CheckScsi(wide));
  Bytes movedData = block;
  movedData[20] = 0;  // DataBufferOffset 0: the data over the header
  EXPECT_EQ(Refusal::Contents, CheckScsi(movedData));
  Bytes huge = ScsiBlock({0x3C, 1, 0x40, 0, 0, 0, 0, 0x80, 0, 0}, kIn, 2 * kMaxPassThroughData);
  EXPECT_EQ(Refusal::Contents, CheckScsi(huge));
  EXPECT_EQ(Refusal::Contents, CheckControlContents(kIoctlScsiPassThrough, nullptr, 0, 0));
}

// --- the command layer through a session ---------------------------------------------

// Carries each request of a command object to the service as the client does: a section
// made by request 6 and a finish on one connection, the input written into it, request 2
// on another connection, the output read back.
class SessionRoute : public DeviceOpener {
 public:
  explicit SessionRoute(DeviceBackend& devices) : devices_(devices) {}

  std::unique_ptr<DeviceChannel> Open(const std::u16string& path) override {
    return std::make_unique<Channel>(*this, std::string(path.begin(), path.end()));
  }

  std::vector<std::string> refusals;
  int requests = 0;

 private:
  class Channel : public DeviceChannel {
   public:
    Channel(SessionRoute& route, std::string path) : route_(route), path_(std::move(path)) {}
    ChannelRoute Route() const override { return ChannelRoute::Service; }
    uint32_t LastError() const override { return error_; }
    bool Control(uint32_t code, const void* in, uint32_t inLength, void* out, uint32_t outLength,
                 uint32_t* bytesReturned) override {
      *bytesReturned = 0;
      error_ = 31;
      return route_.Send(path_, code, static_cast<const uint8_t*>(in), inLength, static_cast<uint8_t*>(out),
                         outLength);
    }

   private:
    SessionRoute& route_;
    std::string path_;
    uint32_t error_ = 0;
  };

  static SessionAction Handle(ServiceSession& session, const ServiceRequestMessage& message) {
    Bytes body;
    for (const Bytes& part : message.bodyParts) body.insert(body.end(), part.begin(), part.end());
    return session.Handle(DecodeRequestHeader(message.header), body.data(), body.size());
  }

  bool Send(const std::string& path, uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
            uint32_t outLength) {
    ++requests;
    const SessionClient client{42, [this](const std::string& line) { refusals.push_back(line); }, {}};
    const std::string name = TransferAreaName(1, uint32_t(requests));
    const uint32_t size = *TransferSectionSize(inLength, outLength);
    ServiceSession creator(sections_, devices_, Misbehaviour::None, client);
    if (Handle(creator, EncodeCreateSharedMemory({0, size, name})).Status() != 0) return false;
    MemorySections::Held held(store_.sections.at(name));
    if (Handle(creator, EncodeFinish()).Status() != 0) return false;
    if (inLength) std::memcpy(held.section->bytes.data(), in, inLength);
    ServiceSession session(sections_, devices_, Misbehaviour::None, client);
    if (Handle(session, EncodeServiceIo(*MakeServiceIoRequest(code, name, path, inLength, outLength))).Status() != 0)
      return false;
    if (outLength) std::memcpy(out, held.section->bytes.data() + inLength, outLength);
    return true;
  }

  DeviceBackend& devices_;
  MemorySections store_;
  SectionRegistry sections_{store_, [] { return uint64_t(0); }};
};

// Counts what reaches the simulated devices behind the session.
class CountingDevices : public SimulatedDevices {
 public:
  using SimulatedDevices::SimulatedDevices;
  bool Control(const std::string& path, uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
               uint32_t outLength, uint32_t* bytesReturned, uint32_t* error) override {
    ++reached;
    return SimulatedDevices::Control(path, code, in, inLength, out, outLength, bytesReturned, error);
  }
  int reached = 0;
};

// Every operation an ATA command object offers, as the product calls them.
void RunAtaOperations(CAtaCommand& command) {
  uint8_t sector[CAtaCommand::kSectorSize] = {};
  bool flag = false;
  uint32_t celsius = 0;
  BridgeInfo bridge{};
  command.Identify(sector);
  command.CheckPowerMode(flag);
  command.SendCountCommand(0xE2, 0);
  command.SendCountCommand(0xE3, 120);
  command.SmartReturnStatus(flag);
  command.SmartReadData(sector);
  command.SmartReadDataAlternate(sector);
  command.ReadTemperature(celsius);
  AtaTaskFile enable = TaskFile(0xB0, 0xD8, 0x4F, 0xC2);
  command.NonData(enable);
  command.GetBridgeInfo(bridge);
  command.ReadBuffer(1, 0x30, sector, 0, sizeof sector);  // the drive's standby timer
  command.ReadBuffer(1, 0x40, sector, 0, sizeof sector);  // the array status
}

void RunScsiOperations(CScsiCommand& command) {
  uint8_t buffer[256] = {};
  uint64_t lastLba = 0;
  uint32_t blockLength = 0;
  command.Inquiry(buffer, 56);
  command.TestUnitReady();
  command.ReadCapacity10(lastLba, blockLength);
  command.ReadCapacity16(lastLba, blockLength);
  command.ModeSense10(0x2A, buffer, 32);
}

void RunIoctls(DeviceOpener& opener, const std::u16string& path) {
  CIoctl ioctl(opener, path);
  DiskGeometry geometry{};
  DiskPerformance performance{};
  StorageDeviceNumber number{};
  StorageHotplugInfo hotplug{};
  ioctl.GetDriveGeometry(geometry);
  ioctl.GetDiskPerformance(performance);
  ioctl.GetDeviceNumber(number);
  ioctl.GetHotplugInfo(hotplug);
}

TEST(RequestPolicyTest, EveryCommandLayerRequestOfEveryBridgeFamilyIsServed) {
  CountingDevices devices(
      *ParseSimulatedDeviceSet("1=plain-ata,2=sat,3=varnkeld,4=jm,5=fjt,6=qmxt,cdrom0=optical"));
  SessionRoute route(devices);

  for (uint32_t drive = 1; drive <= 6; ++drive) {
    RunIoctls(route, PhysicalDrivePath(drive));
    CScsiCommand scsi(route, drive);
    RunScsiOperations(scsi);
  }
  CAtaCommand plain(route, 1);
  RunAtaOperations(plain);
  CSatCommand sat(route, 2);
  RunAtaOperations(sat);
  for (uint8_t mode = 0; mode < 4; ++mode) {
    CVarnkeldCommand varnkeld(route, 3, mode);
    RunAtaOperations(varnkeld);
  }
  for (uint32_t chip = 0; chip <= 4; ++chip) {
    CJmCommand jm(route, 4, chip);
    RunAtaOperations(jm);
  }
  CFjtCommand fjt(route, 5);
  RunAtaOperations(fjt);
  AtaTaskFile identify = TaskFile(0xEC);
  uint8_t sector[512] = {};
  fjt.AtaPassThrough(kAtaFlagsDataIn, identify, true, sector, sizeof sector);  // its 16-byte form
  CQmxtCommand qmxt(route, 6);
  RunAtaOperations(qmxt);

  COptCommand optical(route, 0);
  RunScsiOperations(optical);
  uint32_t profile = 0, status = 0;
  optical.GetCurrentProfile(profile);
  optical.ReadDiscStatus(status);
  RunIoctls(route, CdromPath(0));

  EXPECT_TRUE(route.refusals.empty()) << route.refusals.front();
  EXPECT_GT(route.requests, 200);
  EXPECT_EQ(route.requests, devices.reached) << "every request reached its device";
}

// --- refusals --------------------------------------------------------------------------

// Writes over the section's input while the device works, as another process could.
class MeddlingDevices : public DeviceBackend {
 public:
  uint8_t* sectionInput = nullptr;
  std::vector<Bytes> cdbsSeen;
  bool Control(const std::string&, uint32_t, const uint8_t* in, uint32_t, uint8_t* out, uint32_t outLength,
               uint32_t* bytesReturned, uint32_t*) override {
    sectionInput[28] = 0x2A;  // the CDB becomes a WRITE (10)
    sectionInput[8] = kScsiDataOut;
    cdbsSeen.push_back(Bytes(in + 28, in + 28 + 6));
    std::memset(out + kScsiBlockOverhead, 0x5A, outLength - kScsiBlockOverhead);
    *bytesReturned = outLength;
    return true;
  }
};

TEST(RequestPolicyTest, RefusalsAnswerFailLogTheCallerAndNeverReachADevice) {
  MemorySections store;
  SectionRegistry sections(store, [] { return uint64_t(0); });
  MeddlingDevices devices;
  std::vector<std::string> log;
  const SessionClient client{4711, [&](const std::string& line) { log.push_back(line); }, {}};
  auto handle = [](ServiceSession& session, const ServiceRequestMessage& message) {
    Bytes body;
    for (const Bytes& part : message.bodyParts) body.insert(body.end(), part.begin(), part.end());
    return session.Handle(DecodeRequestHeader(message.header), body.data(), body.size());
  };
  const Bytes inquiry = ScsiBlock({0x12, 0, 0, 0, 56, 0}, kScsiDataIn, 56);
  const Bytes write = ScsiBlock({0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0}, kScsiDataOut, 512);
  struct Case {
    const char* what;
    uint32_t code;
    std::string path;
    Bytes input;
    const char* logged;
  };
  const Case refused[] = {
      {"a WRITE CDB", kIoctlScsiPassThrough, "\\\\.\\PhysicalDrive0", write, "pass-through contents"},
      {"an unlisted control", 0x0007C100, "\\\\.\\PhysicalDrive0", {}, "I/O control"},
      {"a direct pass-through", 0x0004D014, "\\\\.\\PhysicalDrive0", inquiry, "I/O control"},
      {"a UNC path", kIoctlScsiPassThrough, "\\\\host\\share\\disk", inquiry, "device path"},
  };
  int n = 0;
  for (const Case& c : refused) {
    const std::string name = TransferAreaName(2, uint32_t(++n));
    ServiceSession session(sections, devices, Misbehaviour::None, client);
    ASSERT_EQ(0, handle(session, EncodeCreateSharedMemory({0, uint32_t(2 * c.input.size() + 8), name})).Status());
    MemorySections::Held held(store.sections.at(name));
    ASSERT_EQ(0, handle(session, EncodeFinish()).Status());
    std::copy(c.input.begin(), c.input.end(), held.section->bytes.begin());
    log.clear();
    const SessionAction action = handle(
        session, EncodeServiceIo(*MakeServiceIoRequest(c.code, name, c.path, uint32_t(c.input.size()),
                                                       uint32_t(c.input.size()))));
    EXPECT_EQ(kStatusForbidden, action.Status()) << c.what;
    EXPECT_EQ(SessionAction::Kind::ReplyThenClose, action.kind) << c.what;
    ASSERT_EQ(1u, log.size()) << c.what;
    EXPECT_NE(std::string::npos, log[0].find("process 4711")) << log[0];
    EXPECT_NE(std::string::npos, log[0].find(c.logged)) << log[0];
  }
  EXPECT_TRUE(devices.cdbsSeen.empty()) << "no refused request reached a device";

  // What is checked is what the device gets, whatever the section holds meanwhile.
  ServiceSession session(sections, devices, Misbehaviour::None, client);
  const std::string name = TransferAreaName(3, 0);
  ASSERT_EQ(0, handle(session, EncodeCreateSharedMemory({0, uint32_t(2 * inquiry.size()), name})).Status());
  MemorySections::Held held(store.sections.at(name));
  ASSERT_EQ(0, handle(session, EncodeFinish()).Status());
  std::copy(inquiry.begin(), inquiry.end(), held.section->bytes.begin());
  devices.sectionInput = held.section->bytes.data();
  const uint32_t length = uint32_t(inquiry.size());
  EXPECT_EQ(0, handle(session, EncodeServiceIo(*MakeServiceIoRequest(kIoctlScsiPassThrough, name,
                                                                     "\\\\.\\PhysicalDrive0", length, length)))
                   .Status());
  ASSERT_EQ(1u, devices.cdbsSeen.size());
  EXPECT_EQ(Bytes({0x12, 0, 0, 0, 56, 0}), devices.cdbsSeen[0]) << "the device got the checked copy";
  EXPECT_EQ(0x5A, held.section->bytes[length + kScsiBlockOverhead]) << "its answer came back into the section";
}

}  // namespace
}  // namespace tavolen::service
