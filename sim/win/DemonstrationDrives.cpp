#include "sim/win/DemonstrationDrives.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace tavolen::test {

std::vector<WineDrive> MakeDemonstrationDrives(const char* who) {
  struct Demo {
    wchar_t letter;
    UINT type;
    const wchar_t* name;
    const wchar_t* label;
  };
  static constexpr Demo kDemos[] = {
      {L'M', DRIVE_FIXED, L"fixed", L"Photos"},
      {L'N', DRIVE_REMOVABLE, L"removable", L"SD CARD"},
      {L'O', DRIVE_REMOTE, L"network", L"Share"},
      {L'P', DRIVE_CDROM, L"optical", L"DVD_VIDEO"},
  };
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::vector<WineDrive> drives;
  for (const Demo& demo : kDemos) {
    WineDrive drive(demo.letter, demo.type, std::wstring(temp) + L"tavolen-demo\\" + demo.name, demo.label);
    if (drive) {
      std::printf("%s: drive %lc: (%ls, type %u)\n", who, demo.letter, demo.label, demo.type);
      drives.push_back(std::move(drive));
    } else {
      std::fprintf(stderr, "%s: drive %lc: could not be defined (error %lu)\n", who, demo.letter, drive.Error());
    }
  }
  std::fflush(stdout);
  return drives;
}

}  // namespace tavolen::test
