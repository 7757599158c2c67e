// ComPtr<T>: an owning pointer to a reference-counted interface.
#pragma once

#include <cstddef>
#include <utility>

#include "platform/automation/module_state.h"
#include "platform/automation/unknown.h"

namespace tavlen::ole {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Shares: takes a reference of its own.
  explicit ComPtr(T* p) : m_p(p) {
    if (m_p) m_p->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
  ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
  ComPtr& operator=(const ComPtr& other) {
    ComPtr copy(other);
    Swap(copy);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr moved(std::move(other));
    Swap(moved);
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Adopts a reference the caller already owns (a creation or an out-parameter).
  static ComPtr Attach(T* p) {
    ComPtr result;
    result.m_p = p;
    return result;
  }
  T* Detach() { return std::exchange(m_p, nullptr); }

  void Reset() {
    if (T* p = std::exchange(m_p, nullptr)) {
      // The loader learns here that a module may have become unused.
      if (p->Release() == 0) NotifyFinalRelease();
    }
  }

  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  T& operator*() const { return *m_p; }
  explicit operator bool() const { return m_p != nullptr; }

  // Releases what is held and returns the slot for an out-parameter.
  T** Put() {
    Reset();
    return &m_p;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  // QueryInterface into another smart pointer; *out is emptied first.
  template <class U>
  HRESULT As(ComPtr<U>* out) const {
    if (!out) return E_POINTER;
    out->Reset();
    if (!m_p) return E_POINTER;
    return m_p->QueryInterface(U::kIid, out->PutVoid());
  }

  // Hands a new reference to a raw out-parameter.
  HRESULT CopyTo(T** out) const {
    if (!out) return E_POINTER;
    *out = m_p;
    if (m_p) m_p->AddRef();
    return S_OK;
  }

  void Swap(ComPtr& other) noexcept { std::swap(m_p, other.m_p); }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.m_p == b.m_p; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.m_p == nullptr; }

 private:
  T* m_p = nullptr;
};

}  // namespace tavlen::ole
