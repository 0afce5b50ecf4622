#include "framework/ConnectionPoint.h"

#include "framework/ComEnumerator.h"

#include <olectl.h>

namespace tavolen {

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = events_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = container_;
  container_->AddRef();
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  // A sink answers to the event interface; a script engine's may answer only to IDispatch.
  ComPtr<IDispatch> dispatch;
  if (FAILED(sink->QueryInterface(events_, dispatch.put_void())) &&
      FAILED(sink->QueryInterface(IID_IDispatch, dispatch.put_void())))
    return CONNECT_E_CANNOTCONNECT;
  DWORD given = nextCookie_++;
  if (nextCookie_ == 0) nextCookie_ = 1;
  connections_.push_back({given, std::move(dispatch)});
  *cookie = given;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    if (it->cookie == cookie) {
      // Released after it has left the list: the sink's Release may call back into us.
      ComPtr<IDispatch> sink = std::move(it->sink);
      connections_.erase(it);
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  std::vector<CONNECTDATA> items;
  items.reserve(connections_.size());
  for (const Connection& connection : connections_) items.push_back({connection.sink.get(), connection.cookie});
  auto enumerator = MakeComObject<ConnectionEnumerator>(std::move(items));
  if (!enumerator) return E_OUTOFMEMORY;
  *out = enumerator.detach();
  return S_OK;
}

void ConnectionPoint::Fire(DISPID id, const std::vector<VARIANT>& args) {
  // DISPPARAMS holds the arguments last first; the sinks only read them.
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());

  // A snapshot, so that sinks may advise or unadvise while they are called.
  std::vector<ComPtr<IDispatch>> sinks;
  sinks.reserve(connections_.size());
  for (const Connection& connection : connections_) sinks.push_back(connection.sink.Clone());
  for (const ComPtr<IDispatch>& sink : sinks) {
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  }
}

}  // namespace tavolen
