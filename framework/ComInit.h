#pragma once
// One COM initialisation of the calling thread for the life of the scope: CoInitializeEx
// at construction, the matching CoUninitialize at destruction only when it succeeded
// (S_OK or S_FALSE). A thread already in the other apartment model is usable but not ours
// to uninitialise (RPC_E_CHANGED_MODE). Not movable: it belongs to one thread and scope.
#include <windows.h>

#include <objbase.h>

namespace tavolen {

class ComInit {
 public:
  explicit ComInit(DWORD model = COINIT_APARTMENTTHREADED) : result_(::CoInitializeEx(nullptr, model)) {}
  ~ComInit() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;

  HRESULT result() const { return result_; }
  // COM can be used on this thread (ours or an earlier initialisation in another model).
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

}  // namespace tavolen
