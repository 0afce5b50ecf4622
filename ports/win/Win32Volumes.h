#pragma once
// The system's logical drives. Stateless: any thread may call it, several at once.
// Information and Space keep the system from asking for a missing medium by changing
// the error mode of the calling thread only; the host's process-wide mode stays as it is
// (except on systems before Windows 7, which have no per-thread mode).
#include "ports/Volumes.h"

namespace tavolen {

class Win32Volumes : public Volumes {
 public:
  std::vector<std::u16string> DriveRoots() override;
  DriveType Type(const std::u16string& root) override;
  std::optional<VolumeInformation> Information(const std::u16string& root) override;
  std::optional<VolumeSpace> Space(const std::u16string& root) override;
};

}  // namespace tavolen
