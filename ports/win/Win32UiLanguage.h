#pragma once
// The user's interface language as the system reports it.
#include "ports/UiLanguage.h"

namespace tavolen {

class Win32UiLanguage : public UiLanguage {
 public:
  uint16_t UserDefaultUiLanguage() override;
};

}  // namespace tavolen
