#pragma once
// The launcher's application object: starts the program (common controls, OLE, the
// registered message "IsSubMenuOpen", one instance per session, the paths beside the
// executable, the registry defaults, the page engine) and runs the main window modally.
// The program ends when the window does.
#include <string>

namespace tavolen::launcher {

class CMarveskApp {
 public:
  // The process's exit code: 0, also when another instance runs.
  int Run(const std::wstring& commandLine);
};

}  // namespace tavolen::launcher
