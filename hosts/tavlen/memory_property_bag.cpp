// The host's in-memory property bag.
#include "hosts/tavlen/memory_property_bag.h"

namespace tavlen::host {

ole::HRESULT MemoryPropertyBag::Read(const char* name, ole::Variant* value) {
  if (!name || !value) return ole::E_POINTER;
  const ole::Variant* stored = Find(name);
  if (!stored) return ole::E_INVALIDARG;
  if (value->Type() == ole::VT_EMPTY) {
    *value = *stored;
    return ole::S_OK;
  }
  return ole::VariantChangeType(value, *stored, 0, value->Type());
}

ole::HRESULT MemoryPropertyBag::Write(const char* name, const ole::Variant& value) {
  if (!name) return ole::E_POINTER;
  m_values[name] = value.Deref();
  return ole::S_OK;
}

const ole::Variant* MemoryPropertyBag::Find(const std::string& name) const {
  auto found = m_values.find(name);
  return found == m_values.end() ? nullptr : &found->second;
}

}  // namespace tavlen::host
