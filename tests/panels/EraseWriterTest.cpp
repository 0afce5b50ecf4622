// The erase writer against a small disk in memory: the fill files, the wipe, and that no
// fill file outlives it, however it ends; and the sessions that keep erases apart.
#include <gtest/gtest.h>

#include "control/device/DeviceInfo.h"
#include "control/panels/EraseWriter.h"
#include "tests/fakes/FakeUnbufferedFiles.h"
#include "tests/fakes/RecordingProcesses.h"

using namespace tavolen;
using tavolen::testing::FakeUnbufferedFiles;

namespace {

constexpr uint64_t kMiB = uint64_t(1) << 20;
constexpr uint64_t kGiB = uint64_t(1) << 30;
const std::u16string kRoot = u"E:\\";
const std::u16string kFill = u"E:\\空き領域抹消用ファイル";

// The card reader E: as the system reports it when the erase begins.
struct CardVolume : Volumes {
  CardVolume(const char16_t* system, uint64_t freeBytes) : fileSystem(system), free(freeBytes) {}
  std::vector<std::u16string> DriveRoots() override { return {kRoot}; }
  DriveType Type(const std::u16string&) override { return DriveType::Removable; }
  std::optional<VolumeInformation> Information(const std::u16string&) override { return VolumeInformation{u"", fileSystem}; }
  std::optional<VolumeSpace> Space(const std::u16string&) override { return VolumeSpace{free + kGiB, free}; }
  std::u16string fileSystem;
  uint64_t free;
};

struct Drive {
  Drive(const char16_t* fileSystem, uint64_t freeBytes) : disk(freeBytes), volumes(fileSystem, freeBytes) {
    // The wipe runs while the fill files are still there.
    processes.onRun = [this] { filesDuringWipe = disk.Files(); };
  }
  EraseResult Run() { return RunEraseWriter(session, volumes, disk, processes); }

  FakeUnbufferedFiles disk;
  CardVolume volumes;
  tavolen::testing::RecordingProcesses processes;
  EraseSession session{kRoot};
  std::map<std::u16string, uint64_t> filesDuringWipe;
};

}  // namespace

TEST(EraseWriter, FillsOneDeleteOnCloseFileWipesThenLeavesNothing) {
  // 5 MiB and a half: the sixth block finds the disk full, which is the normal end.
  Drive drive(u"NTFS", 5 * kMiB + kMiB / 2);
  const EraseResult result = drive.Run();
  EXPECT_EQ(result.outcome, EraseOutcome::Finished);
  EXPECT_EQ(result.bytesWritten, 5 * kMiB);
  EXPECT_EQ(drive.disk.Created(), std::vector<std::u16string>{kFill});
  EXPECT_TRUE(drive.disk.MadeDeleteOnClose(kFill));
  EXPECT_EQ(drive.filesDuringWipe, (std::map<std::u16string, uint64_t>{{kFill, 5 * kMiB}}));
  EXPECT_EQ(drive.processes.RunPrograms().size(), 1u);
  EXPECT_TRUE(drive.disk.Files().empty());
}

TEST(EraseWriter, Fat32IsFilledInTwoGibPiecesWhileSpaceRemains) {
  // 5 GiB: pieces 0 and 1 of 2 GiB and the rest in piece 2, none of them deleted on close.
  Drive drive(u"FAT32", 5 * kGiB);
  EXPECT_EQ(drive.Run().outcome, EraseOutcome::Finished);
  const std::map<std::u16string, uint64_t> pieces{{kFill + u"0", 2 * kGiB}, {kFill + u"1", 2 * kGiB}, {kFill + u"2", kGiB}};
  EXPECT_EQ(drive.filesDuringWipe, pieces);
  EXPECT_FALSE(drive.disk.MadeDeleteOnClose(kFill + u"0"));
  EXPECT_TRUE(drive.disk.Files().empty());

  // Exactly 4 GiB as measured, but the disk has more room (space freed meanwhile): the
  // fill stops at what was measured, each piece below 2^31 + 1 bytes, nothing overflows.
  Drive grown(u"FAT32", 4 * kGiB);
  grown.disk.SetFreeBytes(9 * kGiB);
  EXPECT_EQ(grown.Run().bytesWritten, 4 * kGiB);
  EXPECT_EQ(grown.filesDuringWipe.size(), 2u);
  for (const auto& [path, size] : grown.filesDuringWipe) EXPECT_EQ(size, uint64_t(1) << 31);
}

TEST(EraseWriter, EveryWayOutRemovesTheFillFilesAndOnlyAFullDiskCountsAsFinished) {
  struct Case {
    const char* what;
    const char16_t* fileSystem;
    std::function<void(Drive&)> arrange;
    EraseOutcome outcome;
    EraseFault fault;
    bool wiped;
  };
  const Case cases[] = {
      {"a write error other than a full disk (the card pulled out)", u"NTFS",
       [](Drive& d) { d.disk.failWritesAfter = 3; }, EraseOutcome::Failed, EraseFault::WriteFailed, false},
      {"the same in pieces", u"FAT32", [](Drive& d) { d.disk.failWritesAfter = 2100; }, EraseOutcome::Failed,
       EraseFault::WriteFailed, false},
      {"a later piece that cannot be made", u"FAT32", [](Drive& d) { d.disk.failCreate = {kFill + u"1"}; },
       EraseOutcome::Failed, EraseFault::CreateFailed, false},
      {"no fill file at all", u"NTFS", [](Drive& d) { d.disk.failCreate = {kFill}; }, EraseOutcome::Failed,
       EraseFault::CreateFailed, false},
      {"cancel in the middle of the fill", u"NTFS",
       [](Drive& d) {
         d.disk.beforeWrite = [&d](const std::u16string&) {
           if (d.disk.Writes() == 10) d.session.Cancel();
         };
       },
       EraseOutcome::Cancelled, EraseFault::None, false},
      {"cancel in the second piece", u"FAT32",
       [](Drive& d) {
         d.disk.beforeWrite = [&d](const std::u16string& path) {
           if (path == kFill + u"1") d.session.Cancel();
         };
       },
       EraseOutcome::Cancelled, EraseFault::None, false},
      {"cancel during the wipe", u"NTFS", [](Drive& d) { d.processes.onRun = [&d] { d.session.Cancel(); }; },
       EraseOutcome::Cancelled, EraseFault::None, true},
      {"a wipe that cannot be started", u"NTFS", [](Drive& d) { d.processes.runResult = std::nullopt; },
       EraseOutcome::Finished, EraseFault::None, true},
      {"a disk full at once", u"NTFS", [](Drive& d) { d.disk.SetFreeBytes(0); }, EraseOutcome::Finished,
       EraseFault::None, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Drive drive(c.fileSystem, 3 * kGiB);
    c.arrange(drive);
    const EraseResult result = drive.Run();
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.fault, c.fault);
    EXPECT_EQ(drive.processes.RunPrograms().size(), c.wiped ? 1u : 0u);
    EXPECT_TRUE(drive.disk.Files().empty()) << drive.disk.Files().size() << " fill files left";
  }
}

TEST(EraseWriter, OnlyRemovableDrivesAreErased) {
  for (uint32_t kind : {uint32_t(RemovableDisk), uint32_t(HotplugRemovableDisk)}) EXPECT_TRUE(ErasesFreeSpace(kind));
  for (uint32_t kind : {0u, uint32_t(FixedDisk), uint32_t(ExternalDisk), uint32_t(OpticalDrive),
                        uint32_t(UsbOpticalDrive), uint32_t(NetworkDrive), uint32_t(PortableDevice)})
    EXPECT_FALSE(ErasesFreeSpace(kind)) << kind;
}

TEST(EraseWriter, CipherIsNamedByTheSystemFolderAndTheDriveLetterOnly) {
  EXPECT_TRUE(CipherPass(u"D:\\WINNT\\system32\\", u"f:\\").arguments == u"/c D:\\WINNT\\system32\\cipher.exe /w:f:");
  EXPECT_TRUE(CipherPass(u"", u"E:\\").application.empty());
  EXPECT_TRUE(CipherPass(u"C:\\windows\\system32", u"\\\\server\\share\\").application.empty());
}

TEST(EraseSession, EachEraseHasItsOwnCancelAndTheRegistryKnowsItUntilItsLastHolderEnds) {
  EraseRegistry registry;
  auto first = registry.Begin(u"E:\\");
  ASSERT_TRUE(first);
  EXPECT_FALSE(registry.Begin(u"E:\\")) << "one erase of a drive at a time";
  auto second = registry.Begin(u"F:\\");
  ASSERT_TRUE(second);
  int closes = 0;
  first->SetDialogCloser([&closes] { ++closes; });

  first->Cancel();
  EXPECT_TRUE(first->Cancelled());
  EXPECT_FALSE(second->Cancelled()) << "one erase's cancel stops no other";
  EXPECT_EQ(closes, 1);
  // A new erase of the cancelled drive waits for the old one to end, and never revives it.
  auto writerCopy = first;
  first.reset();
  EXPECT_FALSE(registry.Begin(u"E:\\"));
  writerCopy.reset();
  auto third = registry.Begin(u"E:\\");
  ASSERT_TRUE(third);
  EXPECT_FALSE(third->Cancelled());

  // The control's end: everything cancelled, then a bounded wait for the holders.
  registry.CancelAll();
  EXPECT_TRUE(second->Cancelled());
  EXPECT_TRUE(third->Cancelled());
  second.reset();
  EXPECT_FALSE(registry.WaitUntilNoneRuns(std::chrono::milliseconds(0)));
  third.reset();
  EXPECT_TRUE(registry.WaitUntilNoneRuns(std::chrono::milliseconds(0)));
  EXPECT_EQ(registry.Count(), 0u);
}
