#pragma once
// OLE for the calling thread for the life of the scope (in-place activation and drag and
// drop need it): OleInitialize at construction, OleUninitialize at destruction only when
// it succeeded. Not movable: it belongs to one thread and scope.
#include <windows.h>

#include <ole2.h>

namespace tavolen {

class OleInit {
 public:
  OleInit() : result_(::OleInitialize(nullptr)) {}
  ~OleInit() {
    if (SUCCEEDED(result_)) ::OleUninitialize();
  }
  OleInit(const OleInit&) = delete;
  OleInit& operator=(const OleInit&) = delete;

  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

}  // namespace tavolen
