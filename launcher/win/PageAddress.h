#pragma once
// The program's own folder and its pages' addresses.
#include "framework/HtmlView.h"  // FileAddress
#include "framework/Module.h"    // ProgramFolder

namespace tavolen::launcher {

using tavolen::ProgramFolder;

}  // namespace tavolen::launcher
