// Tavolen.exe: the launcher. Shows the gadget page at a screen edge.
//   Tavolen.exe [--engine=html | --engine=native]
// The page engine is the system's HTML engine when it renders, else the native stand-in
// of the pages; the switch forces one. Exit code 0.
#include <windows.h>

#include "launcher/win/CMarveskApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  return tavolen::launcher::CMarveskApp().Run(commandLine ? commandLine : L"");
}
