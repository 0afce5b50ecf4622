#pragma once
// Reference counting shared by every COM object of the framework, with the one place where
// such an object is created (MakeComObject) and destroyed (delete this when the count
// reaches zero). A live object also counts on the module (DllCanUnloadNow).
//
// A class derives from ComObjectBase and from its interfaces, and writes its IUnknown as
//   ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); }
//   ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }
// (see COM_OBJECT_REFCOUNT below). Objects start with one reference, owned by the ComPtr
// MakeComObject returns.
#include "framework/ComPtr.h"
#include "framework/Module.h"

#include <atomic>
#include <new>
#include <utility>

namespace tavolen {

class ComObjectBase {
 public:
  ComObjectBase(const ComObjectBase&) = delete;
  ComObjectBase& operator=(const ComObjectBase&) = delete;

 protected:
  ComObjectBase() { ModuleAddRef(); }
  virtual ~ComObjectBase() { ModuleRelease(); }

  ULONG AddRefObject() { return ++references_; }
  ULONG ReleaseObject() {
    ULONG left = --references_;
    if (left == 0) {
      // Held at one while the last-release hook runs, so that references it takes and
      // gives back cannot bring the object down a second time.
      references_ = 1;
      FinalRelease();
      delete this;
    }
    return left;
  }
  // Called once, when the last reference goes, while the object is still whole.
  virtual void FinalRelease() {}

 private:
  std::atomic<ULONG> references_{1};
};

#define COM_OBJECT_REFCOUNT                                              \
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefObject(); } \
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseObject(); }

// Creates a COM object; the result owns its first reference. Empty when out of memory.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
  return ComPtr<T>::Adopt(new (std::nothrow) T(std::forward<Args>(args)...));
}

// Puts an interface of `object` into a QueryInterface-style out parameter.
template <class Interface, class T>
HRESULT ReturnInterface(T* object, void** out) {
  *out = static_cast<Interface*>(object);
  static_cast<Interface*>(object)->AddRef();
  return S_OK;
}

}  // namespace tavolen
