#pragma once
// The test-and-demonstration build of the service stand-in (SembridServiceDemo.exe) as a
// console process of its own, for Wine tests that want the service route end to end:
//
//   tavolen::test::ServiceProcess service = ServiceProcess::Simulating("1=sat,cdrom0=optical");
//   ASSERT_TRUE(service.Listening());
//   ... requests through the product's opener reach it ...
//   ASSERT_TRUE(service.Stop());
//   EXPECT_EQ(n, service.Served()->deviceControls);
//
// The 32-bit build is started when it has been built (what the product installs, so a
// 64-bit client talks across word sizes), else the build of the test's own word size.
// It listens on the real pipe name: tests that use it take the ctest lock sembrid_pipe.
// One thread owns the object; it moves, never copies.
#include <cstdint>
#include <optional>
#include <string>

#include "framework/UniqueHandle.h"

namespace tavolen::test {

// The Windows path of the 32-bit build of a program when it has been built, else the
// build of this test's own word size (both given as build-tree paths).
std::string Built32OrOwn(const char* unixPath32, const char* unixPathOwn);

class ServiceProcess {
 public:
  // Starts "<program> --console --ready-event <e> --stop-event <e> <arguments>" and waits
  // (up to 60 s) until it listens or ends.
  explicit ServiceProcess(const std::string& arguments);
  // The same with "--simulate <set>" (see service/SimulatedDevices.h for the set) first.
  static ServiceProcess Simulating(const std::string& set, const std::string& moreArguments = {});
  ~ServiceProcess() { Stop(); }
  ServiceProcess(ServiceProcess&&) noexcept = default;
  ServiceProcess& operator=(ServiceProcess&&) noexcept = default;

  bool Listening() const { return listening_; }

  // Asks the process to stop and waits for it (terminating it after 60 s); true when it
  // ended by itself with exit code 0. Later calls give the same answer.
  bool Stop();

  // What the stand-in printed on its standard output and error, complete after Stop.
  const std::string& Output() const { return output_; }

  // The counts the stand-in reports when it stops; nothing before Stop or when it did
  // not report them.
  struct ServedCounts {
    uint32_t connections = 0;
    uint32_t sections = 0;
    uint32_t deviceControls = 0;
  };
  std::optional<ServedCounts> Served() const;

  // The program started: its Windows path.
  static std::string Program();

 private:
  std::string readyName_, stopName_;
  UniqueHandle ready_, stop_, process_, outputFile_;
  std::string output_;
  bool listening_ = false;
  bool stopped_ = false;
};

}  // namespace tavolen::test
