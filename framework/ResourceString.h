#pragma once
// A string of this module's string table, in the user interface language the system
// picks for the thread; empty when the table has no such string.
#include <windows.h>

#include <string>

namespace tavolen {

std::u16string LoadResourceString(UINT id);

}  // namespace tavolen
