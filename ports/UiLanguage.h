#pragma once
// The language of the user's interface (GetUserDefaultUILanguage): some texts the control
// writes itself follow it, such as the temperature unit of the drive details. Tests give
// their own. Any thread.
#include <cstdint>

namespace tavolen {

// Language identifiers of the languages the control tells apart.
constexpr uint16_t kLanguageEnglishUs = 0x0409;
constexpr uint16_t kLanguageJapanese = 0x0411;  // 1041

class UiLanguage {
 public:
  virtual ~UiLanguage() = default;
  virtual uint16_t UserDefaultUiLanguage() = 0;
};

}  // namespace tavolen
