#pragma once
// The program's own folder (its pages' addresses: FileAddress in framework/HtmlView.h).
#include <string>

#include "framework/HtmlView.h"

namespace tavolen::launcher {

// The folder of the running program, without a trailing backslash.
std::wstring ProgramFolder();

}  // namespace tavolen::launcher
