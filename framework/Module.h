#pragma once
// The module (this DLL or program) as a COM server: its instance handle and file name, and
// the count that decides DllCanUnloadNow. The count holds every live COM object of the
// module, every server lock (IClassFactory::LockServer) and every extra reference taken
// with ModuleAddRef or a ModuleReference, e.g. by a worker thread that must keep the code
// loaded until it has finished. Each module linking the framework has its own count.
#include <windows.h>

#include <string>

namespace tavolen {

// The instance handle of the module holding this code (not of the host program).
HINSTANCE ModuleInstance();
// Full path of the module file, e.g. for InprocServer32.
std::wstring ModuleFileName();
// The folder of the running program (not of this module), without a trailing separator;
// "." when the system cannot tell.
std::wstring ProgramFolder();

void ModuleAddRef();
void ModuleRelease();
long ModuleReferenceCount();
// S_OK when nothing holds the module, S_FALSE otherwise: the body of DllCanUnloadNow.
HRESULT ModuleCanUnloadNow();

// Called from the DLL's DllMain at DLL_PROCESS_DETACH: gives back what the module holds
// per process (window classes it registered).
void ModuleDetach();

// One counted reference on the module for the life of the object. Moves, never copies.
class ModuleReference {
 public:
  ModuleReference() : held_(true) { ModuleAddRef(); }
  ~ModuleReference() { reset(); }
  ModuleReference(ModuleReference&& other) noexcept : held_(other.held_) { other.held_ = false; }
  ModuleReference& operator=(ModuleReference&& other) noexcept {
    if (this != &other) {
      reset();
      held_ = other.held_;
      other.held_ = false;
    }
    return *this;
  }
  ModuleReference(const ModuleReference&) = delete;
  ModuleReference& operator=(const ModuleReference&) = delete;

  bool held() const { return held_; }
  void reset() {
    if (held_) ModuleRelease();
    held_ = false;
  }

 private:
  bool held_;
};

}  // namespace tavolen
