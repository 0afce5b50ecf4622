#pragma once
// The launcher's values under HKEY_CURRENT_USER "Software\Varnkeld\Tavolen": the defaults
// written at the first start, the window position kept as decimal text, and the DWORD
// options. Values that are missing or malformed read as absent. Used on the UI thread.
#include <cstdint>
#include <string>

#include "launcher/Geometry.h"
#include "launcher/LauncherPrompts.h"
#include "ports/Registry.h"

namespace tavolen::launcher {

inline constexpr char16_t kLauncherKey[] = u"Software\\Varnkeld\\Tavolen";
inline constexpr char16_t kShowDriveCount[] = u"ShowDriveCount";
inline constexpr char16_t kPosX[] = u"PosX";
inline constexpr char16_t kPosY[] = u"PosY";
inline constexpr char16_t kShowAlways[] = u"ShowAlways";
inline constexpr char16_t kAutoHide[] = u"AutoHide";
inline constexpr char16_t kColorIndex[] = u"ColorIndex";

// The texts of the settings code's error boxes.
inline constexpr char16_t kErrorCaption[] = u"ERROR";
inline constexpr char16_t kCannotCreateKey[] = u"can't create key.";
inline constexpr char16_t kCannotSetDefaults[] = u"can't set default value.";

// A position text is read into a buffer of this many bytes; a longer value counts as none.
inline constexpr std::size_t kPositionTextBytes = 260;

class LauncherSettings {
 public:
  // Both must outlive this object.
  LauncherSettings(Registry& registry, LauncherPrompts& prompts) : registry_(registry), prompts_(prompts) {}

  // Makes the key and writes ShowDriveCount 0, PosX "0", PosY "0" and ShowAlways 0 where
  // no value of that name exists, whatever the existing value's type. Failures show
  // "can't create key." or "can't set default value." and start-up goes on.
  void EnsureDefaults();

  // A REG_DWORD of four bytes; 0 when missing or of another type or size.
  uint32_t ReadDword(const std::u16string& name);
  // PosX and PosY as the system's decimal conversion reads them; a value that is missing,
  // not REG_SZ, longer than 260 bytes, of odd size or without its terminating null counts
  // as no value and reads as 0.
  Point ReadPosition();
  // Stores the window's corner as "REG_SZ,%d" texts, PosY only when PosX was written.
  // (0, 0) means "no position", so it is stored as (0, 1). Nothing when the key cannot
  // be opened for writing.
  void SavePosition(Point corner);
  // Whether the key can be opened to set values.
  bool Writable();
  // "REG_DWORD,0x%08lx"; a failed write shows the registry's status text.
  bool WriteDword(const std::u16string& name, uint32_t value);

 private:
  int ReadPositionValue(const std::u16string& name);

  Registry& registry_;
  LauncherPrompts& prompts_;
};

}  // namespace tavolen::launcher
