#pragma once
// Which page engine the launcher uses, chosen once at start: the system's HTML engine
// when it can render, else the native stand-ins of the pages. "--engine=html" and
// "--engine=native" on the command line force one.
#include <string>

namespace tavolen::launcher {

enum class PageEngine { Html, Native };

PageEngine ChoosePageEngine(const std::wstring& commandLine);

}  // namespace tavolen::launcher
