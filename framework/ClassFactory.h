#pragma once
// The class factory of one class of the module: makes objects with the class's creation
// function (which may refuse, failing the caller's CoCreateInstance) and holds the module
// for LockServer. Aggregation is not supported.
#include "framework/ComObject.h"

#include <windows.h>

#include <unknwn.h>

namespace tavolen {

// Makes a new object and returns the requested interface of it (or fails).
using CreateFunction = HRESULT (*)(REFIID riid, void** out);

class ClassFactory : public ComObjectBase, public IClassFactory {
 public:
  explicit ClassFactory(CreateFunction create) : create_(create) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  COM_OBJECT_REFCOUNT
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  CreateFunction create_;
};

}  // namespace tavolen
