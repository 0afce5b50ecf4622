#pragma once
// The one connection point of a control, for its event dispatch interface. It is part of
// the control: its references are the control's (AddRef/Release go to the container), so
// it lives exactly as long as the control. Sinks are held (one reference each) from
// Advise to Unadvise or DisconnectAll.
#include "framework/ComPtr.h"
#include "framework/UniqueVariant.h"

#include <windows.h>

#include <ocidl.h>

#include <vector>

namespace tavolen {

class ConnectionPoint : public IConnectionPoint {
 public:
  ConnectionPoint(IConnectionPointContainer* container, const IID& events) : container_(container), events_(events) {}
  virtual ~ConnectionPoint() = default;
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return container_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return container_->Release(); }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

  // Calls IDispatch::Invoke(id) on every sink with `args` in declared order. Sinks that
  // fail are skipped; a sink may unadvise itself or others during the call.
  void Fire(DISPID id, const std::vector<VARIANT>& args);
  void DisconnectAll() { connections_.clear(); }
  size_t ConnectionCount() const { return connections_.size(); }

 private:
  struct Connection {
    DWORD cookie;
    ComPtr<IDispatch> sink;
  };
  IConnectionPointContainer* container_;  // our owner
  IID events_;
  std::vector<Connection> connections_;
  DWORD nextCookie_ = 1;
};

}  // namespace tavolen
