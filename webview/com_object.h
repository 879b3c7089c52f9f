// IUnknown for a COM object of ours that implements one interface (and the
// interfaces it derives from): an atomic count from 1, deletion at 0.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace zv {

template <typename Interface, typename... Bases>
class ComObject : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, Interface::iid) || (IsEqualIID(iid, Bases::iid) || ...)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() = default;
  // Virtual, so Release deletes the whole object; its vtable entries come
  // after the interface's, which keeps the COM layout intact.
  virtual ~ComObject() = default;

 private:
  std::atomic<ULONG> refs_{1};
};

}  // namespace zv
