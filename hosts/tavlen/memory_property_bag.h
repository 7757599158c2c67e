// The host's property bag: named values in memory, which a control reads its saved state from and
// writes it into; Host.SaveProperties keeps the control's value as a file.
#pragma once

#include <map>
#include <string>

#include "platform/automation/com_object.h"
#include "platform/automation/ole_object.h"

namespace tavlen::host {

class MemoryPropertyBag final : public ole::ComObject<ole::IPropertyBag> {
 public:
  // E_INVALIDARG when absent; a value asked for in another type is converted (the conversion's failure
  // otherwise). *value is replaced only on success.
  ole::HRESULT Read(const char* name, ole::Variant* value) override;
  ole::HRESULT Write(const char* name, const ole::Variant& value) override;

  const ole::Variant* Find(const std::string& name) const;

 private:
  std::map<std::string, ole::Variant> m_values;
};

}  // namespace tavlen::host
