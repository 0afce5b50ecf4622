#pragma once
// Drive letters in a Wine prefix, for tests and demonstrations: a letter mapped to a Unix
// folder with the drive type GetDriveTypeW is to report, through the Wine mount manager
// (its IOCTL_MOUNTMGR_DEFINE_UNIX_DRIVE extension on \\.\MountPointManager). The volume
// label is the `.windows-label` file in the folder's root.
//
// Wine only: on Windows the mount manager knows no such request and every call fails.
// The definitions live in the prefix (dosdevices link and HKLM\Software\Wine\Drives), so
// a letter stays defined until it is removed: prefer WineDrive, which removes it.
#include <windows.h>

#include <string>

namespace tavolen::test {

// The Unix path of a Windows path (Wine's wine_get_unix_file_name), empty when Wine does
// not know it or the program does not run on Wine.
std::string UnixPathOf(const std::wstring& windowsPath);

// Maps `letter` (A to Z, either case) to the Unix folder `unixFolder` with `driveType`
// (DRIVE_REMOVABLE, DRIVE_FIXED, DRIVE_REMOTE, DRIVE_CDROM or DRIVE_RAMDISK). An existing
// definition of the letter is replaced. ERROR_SUCCESS or the system's error code.
DWORD DefineUnixDrive(wchar_t letter, UINT driveType, const std::string& unixFolder);

// Removes the definition of `letter`. ERROR_SUCCESS or the system's error code.
DWORD RemoveUnixDrive(wchar_t letter);

// Writes `label` (UTF-8, with a newline) as the `.windows-label` file in `windowsFolder`.
bool WriteVolumeLabel(const std::wstring& windowsFolder, const std::wstring& label);

// One drive letter for the life of the object: defined at construction (the folder is
// created first, and given the label when one is named), removed at destruction.
// Moves, never copies; a moved-from object owns no letter.
class WineDrive {
 public:
  WineDrive() = default;
  // `folder` is a Windows path (for instance under the temporary folder or Z:\tmp).
  WineDrive(wchar_t letter, UINT driveType, const std::wstring& folder, const std::wstring& label = {});
  ~WineDrive() { Remove(); }

  WineDrive(WineDrive&& other) noexcept;
  WineDrive& operator=(WineDrive&& other) noexcept;
  WineDrive(const WineDrive&) = delete;
  WineDrive& operator=(const WineDrive&) = delete;

  // The drive is defined (and not yet removed).
  explicit operator bool() const { return letter_ != 0; }
  // Why the definition failed: ERROR_SUCCESS when it did not.
  DWORD Error() const { return error_; }
  wchar_t Letter() const { return letter_; }
  // "M:\" for letter M; empty when no letter is owned.
  std::wstring Root() const;
  const std::wstring& Folder() const { return folder_; }

  // Removes the drive now; true when it was removed (or none was owned).
  bool Remove();

 private:
  wchar_t letter_ = 0;
  DWORD error_ = ERROR_SUCCESS;
  std::wstring folder_;
};

}  // namespace tavolen::test
