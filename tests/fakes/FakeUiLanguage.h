#pragma once
// A user interface language the test chooses (English unless told otherwise).
#include <atomic>

#include "ports/UiLanguage.h"

namespace tavolen::testing {

class FakeUiLanguage : public UiLanguage {
 public:
  uint16_t UserDefaultUiLanguage() override { return language; }
  std::atomic<uint16_t> language{kLanguageEnglishUs};
};

}  // namespace tavolen::testing
