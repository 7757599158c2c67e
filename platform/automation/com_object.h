// Building blocks for objects that implement interfaces: reference counting, QueryInterface over
// interface chains, module object counts, and interfaces served by a member on behalf of an outer object.
#pragma once

#include <atomic>
#include <new>
#include <utility>

#include "platform/automation/com_ptr.h"
#include "platform/automation/module_state.h"
#include "platform/automation/unknown.h"

namespace tavlen::ole {

// An object implementing Interfaces...; QueryInterface answers for each of them and for every
// interface they extend. The object starts with one reference, owned by whoever made it.
template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() { ModuleState::AddObject(); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    void* found = nullptr;
    ((found = found ? found : (InterfaceChainHas<Interfaces>(iid) ? static_cast<Interfaces*>(this) : nullptr)), ...);
    if (!found) found = QueryExtraInterface(iid);
    if (!found) return E_NOINTERFACE;
    static_cast<IUnknown*>(found)->AddRef();
    *object = found;
    return S_OK;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ComObject() { ModuleState::ReleaseObject(); }
  // Interfaces served by members (see OuterDelegating); returns the interface pointer without a reference.
  virtual IUnknown* QueryExtraInterface(const IID&) { return nullptr; }
  IUnknown* ControllingUnknown() { return static_cast<IUnknown*>(static_cast<FirstInterface*>(this)); }

 private:
  template <class First, class...>
  struct Front {
    using Type = First;
  };
  using FirstInterface = typename Front<Interfaces...>::Type;

  std::atomic<ULONG> m_refs{1};
};

// Makes an object and adopts its first reference; null when memory runs out.
template <class T, class... Args>
ComPtr<T> MakeObject(Args&&... args) {
  return ComPtr<T>::Attach(new (std::nothrow) T(std::forward<Args>(args)...));
}

// An interface implemented by a member of another object: identity and lifetime are the outer
// object's, so QueryInterface, AddRef and Release are forwarded to it.
template <class Interface>
class OuterDelegating : public Interface {
 public:
  explicit OuterDelegating(IUnknown* outer) : m_outer(outer) {}
  OuterDelegating(const OuterDelegating&) = delete;
  OuterDelegating& operator=(const OuterDelegating&) = delete;
  virtual ~OuterDelegating() = default;

  HRESULT QueryInterface(const IID& iid, void** object) override { return m_outer->QueryInterface(iid, object); }
  ULONG AddRef() override { return m_outer->AddRef(); }
  ULONG Release() override { return m_outer->Release(); }

  IUnknown* Outer() const { return m_outer; }

 private:
  IUnknown* m_outer;
};

}  // namespace tavlen::ole
