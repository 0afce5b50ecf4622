#pragma once
// Paths beside the program and the addresses of its pages.
#include <string>

namespace tavolen::launcher {

// The folder of the running program, without a trailing backslash.
std::wstring ProgramFolder();
// The file: address of a path, made with the system's path-to-address conversion, so
// that "#", "%", blanks and other letters in folder names are escaped.
std::wstring FileAddress(const std::wstring& path);

}  // namespace tavolen::launcher
