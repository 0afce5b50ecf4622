#pragma once
// The launcher's message boxes as real boxes, owned by the active window of the thread.
#include "launcher/LauncherPrompts.h"

namespace tavolen::launcher {

class MessageBoxPrompts : public LauncherPrompts {
 public:
  void ShowError(const std::u16string& text, const std::u16string& caption) override;
  void ShowStatus(long status) override;
};

}  // namespace tavolen::launcher
