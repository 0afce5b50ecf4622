#pragma once
// The demonstration drives of the Wine prefix: M: fixed ("Photos"), N: removable
// ("SD CARD"), O: network ("Share") and P: CD-ROM ("DVD_VIDEO"), each a folder under the
// prefix's temporary folder. The stand-in's demonstration devices are numbered to match
// the device numbers Wine gives these letters (scripts/demo-service). The drives are
// removed when the returned owners go.
#include <vector>

#include "sim/win/WineDrives.h"

namespace tavolen::test {

// Defines the drives it can (each is named on standard output, a failure on standard
// error) and returns their owners.
std::vector<WineDrive> MakeDemonstrationDrives(const char* who);

}  // namespace tavolen::test
