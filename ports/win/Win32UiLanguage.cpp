#include "ports/win/Win32UiLanguage.h"

#include <windows.h>

namespace tavolen {

uint16_t Win32UiLanguage::UserDefaultUiLanguage() { return ::GetUserDefaultUILanguage(); }

}  // namespace tavolen
