#pragma once
// The system's logical drives.
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
