#include "framework/Module.h"

#include "framework/Window.h"

#include <atomic>

// The linker's symbol for the start of this module's image: its instance handle.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace tavolen {
namespace {

std::atomic<long> g_references{0};

}  // namespace

HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

std::wstring ModuleFileName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(ModuleInstance(), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return std::wstring();
    path.resize(path.size() * 2);
  }
}

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0) return L".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return L".";
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/"));
}

void ModuleAddRef() { ++g_references; }
void ModuleRelease() { --g_references; }
long ModuleReferenceCount() { return g_references.load(); }
HRESULT ModuleCanUnloadNow() { return g_references.load() == 0 ? S_OK : S_FALSE; }

void ModuleDetach() { Window::UnregisterClasses(); }

}  // namespace tavolen
