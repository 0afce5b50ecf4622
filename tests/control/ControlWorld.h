#pragma once
// The world every in-process control test shares: simulated disks and an optical drive
// behind the device opener, a device source listing their interfaces, portable devices
// made up (every portable interface of the source opens as one), the module's ports
// (the system's settings files, registry and configuration manager; volumes that are the
// prefix's drives unless a test makes its own; programs recorded instead of started; the
// system's unbuffered files unless a test hands in its own; a recycle bin of made-up
// size; the shell's file operations and opens, recorded and done by the system), a
// clock that only moves when a test advances it, and threads a test can refuse. It is
// handed to the module object once, before the first control is created, and lives for
// the whole test program (the control's threads use it).
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "control/core/win/Win32ConfigManager.h"
#include "framework/Worker.h"
#include "sim/SimDevice.h"
#include "sim/SimOpener.h"
#include "tests/control/ControlTestSupport.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakePortableDevices.h"
#include "tests/fakes/FakeRecycleBin.h"
#include "tests/fakes/FakeVolumes.h"
#include "tests/fakes/RecordingShellFiles.h"
#include "tests/fakes/RecordingProcesses.h"
#include "ports/win/Win32UnbufferedFiles.h"
#include "ports/win/PrivateProfileSettingsFile.h"
#include "ports/win/Win32Registry.h"
#include "ports/win/Win32ShellFiles.h"
#include "ports/win/Win32Volumes.h"

namespace tavolen::test {

// The prefix's drives, or drives the test makes up.
class SwitchableVolumes : public Volumes {
 public:
  void UseFake(bool fake) { fake_ = fake; }
  testing::FakeVolumes& Fake() { return fakeVolumes_; }
  std::vector<std::u16string> DriveRoots() override { return Current().DriveRoots(); }
  DriveType Type(const std::u16string& root) override { return Current().Type(root); }
  std::optional<VolumeInformation> Information(const std::u16string& root) override {
    return Current().Information(root);
  }
  std::optional<VolumeSpace> Space(const std::u16string& root) override { return Current().Space(root); }

 private:
  Volumes& Current() { return fake_ ? static_cast<Volumes&>(fakeVolumes_) : system_; }
  std::atomic<bool> fake_{false};
  Win32Volumes system_;
  testing::FakeVolumes fakeVolumes_;
};

// The system's unbuffered files, or those a test hands in (and takes back once the
// workers that write them have ended).
class SwitchableUnbufferedFiles : public UnbufferedFiles {
 public:
  // Null: the system's again.
  void Use(UnbufferedFiles* files) { test_ = files; }
  std::unique_ptr<UnbufferedFile> Create(const std::u16string& path, bool deleteOnClose) override {
    return Current().Create(path, deleteOnClose);
  }
  bool Remove(const std::u16string& path) override { return Current().Remove(path); }

 private:
  UnbufferedFiles& Current() {
    UnbufferedFiles* test = test_;
    return test ? *test : system_;
  }
  std::atomic<UnbufferedFiles*> test_{nullptr};
  Win32UnbufferedFiles system_;
};

// The system's threads, counted while they run (a completion signal for the tests),
// except that the next `refusals` starts fail.
class CountingThreads : public ThreadStarter {
 public:
  bool Start(Entry entry, void* argument, UniqueHandle* thread) override;
  // Threads started here that have not ended yet. A thread counts until the system says
  // it has ended, as the control's own checks see it (not merely until its function
  // returned): a test that goes on when this is 0 never finds the control still
  // thinking a thread runs.
  int Running();
  std::atomic<int> refusals{0};

 private:
  std::mutex mutex_;
  std::vector<UniqueHandle> started_;
};

struct World {
  World();
  sim::SimOpener opener;
  ListedSource source;
  testing::FakePortableDevices portableDevices;
  std::shared_ptr<sim::SimDevice> fixedDisk = std::make_shared<sim::SimDevice>(sim::Family::PlainAta);
  std::shared_ptr<sim::SimDevice> jmDisk = std::make_shared<sim::SimDevice>(sim::Family::Jm);
  std::shared_ptr<sim::SimDevice> opticalDrive = std::make_shared<sim::SimDevice>(sim::Family::Optical);
  SwitchableVolumes volumes;
  PrivateProfileFiles files;
  Win32Registry registry;
  testing::FakeClock clock;
  Win32ConfigManager configManager;
  testing::RecordingProcesses processes;
  SwitchableUnbufferedFiles unbufferedFiles;
  CountingThreads threads;
  testing::FakeRecycleBin recycleBin;
  // Recorded, and done by the system's shell unless a test records only.
  testing::RecordingShellFiles shellFiles;
  Win32ShellFiles systemShellFiles;
};

// The world, handed to the module object at the start of the program.
World& TheWorld();

// Moves the clock on and fires the control's timers that come due (on this thread, which
// is the windows' thread), then dispatches what they posted.
void AdvanceClock(uint64_t milliseconds);

// Dispatches messages until every worker thread of the control has returned, then what
// they posted. False when one still runs after a generous bound.
bool PumpUntilWorkersEnded();

}  // namespace tavolen::test
