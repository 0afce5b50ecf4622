#pragma once
// A snapshot enumerator (IEnumConnections, IEnumConnectionPoints) over items that hold
// interface references: each item given out carries its own reference, which the caller
// releases. The enumerator owns one reference per item it holds.
#include "framework/ComObject.h"

#include <ocidl.h>

#include <vector>

namespace tavolen {

inline void AddRefItem(const CONNECTDATA& item) {
  if (item.pUnk) item.pUnk->AddRef();
}
inline void ReleaseItem(const CONNECTDATA& item) {
  if (item.pUnk) item.pUnk->Release();
}
inline void AddRefItem(IConnectionPoint* item) {
  if (item) item->AddRef();
}
inline void ReleaseItem(IConnectionPoint* item) {
  if (item) item->Release();
}

template <class Interface, class Item>
class ComEnumerator : public ComObjectBase, public Interface {
 public:
  // Takes a reference of its own on every item.
  explicit ComEnumerator(std::vector<Item> items, size_t position = 0) : items_(std::move(items)), position_(position) {
    for (const Item& item : items_) AddRefItem(item);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == __uuidof(Interface)) return ReturnInterface<Interface>(this, out);
    return E_NOINTERFACE;
  }
  COM_OBJECT_REFCOUNT

  HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG given = 0;
    while (given < count && position_ < items_.size()) {
      out[given] = items_[position_++];
      AddRefItem(out[given]);
      ++given;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    size_t left = items_.size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(Interface** out) override {
    if (!out) return E_POINTER;
    auto copy = MakeComObject<ComEnumerator>(items_, position_);
    if (!copy) return E_OUTOFMEMORY;
    *out = copy.detach();
    return S_OK;
  }

 protected:
  ~ComEnumerator() override {
    for (const Item& item : items_) ReleaseItem(item);
  }

 private:
  std::vector<Item> items_;
  size_t position_;
};

using ConnectionEnumerator = ComEnumerator<IEnumConnections, CONNECTDATA>;
using ConnectionPointEnumerator = ComEnumerator<IEnumConnectionPoints, IConnectionPoint*>;

}  // namespace tavolen
