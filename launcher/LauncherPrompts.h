#pragma once
// The message boxes of the launcher's settings code. The Windows adapter shows real boxes;
// tests record what would have been shown.
#include <string>

namespace tavolen::launcher {

class LauncherPrompts {
 public:
  virtual ~LauncherPrompts() = default;
  // A box with the error icon.
  virtual void ShowError(const std::u16string& text, const std::u16string& caption) = 0;
  // The system's text for a status a registry call returned (in the user's default
  // language), with an empty caption and the warning icon.
  virtual void ShowStatus(long status) = 0;
};

}  // namespace tavolen::launcher
