// Property exchange: one routine of a control loads, saves or resets its persisted properties.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/window/win_types.h"

namespace tavlen::fw {

using OLE_COLOR = uint32_t;

enum class ExchangeDirection { Load, Save, Reset };

// The property bag a host keeps with its document: a versioned JSON object of named values.
class PropertyBag {
 public:
  PropertyBag();
  ~PropertyBag();
  PropertyBag(PropertyBag&&) noexcept;
  PropertyBag& operator=(PropertyBag&&) noexcept;

  // Text form for hosts: {"format": "tavlen-properties", "version": n, "properties": {...}}, UTF-8.
  // Parse replaces the bag's contents and never throws. A damaged text (truncated, bad syntax)
  // keeps every value that was complete before the damage and returns false; a foreign text (no
  // format marker) gives an empty bag and false. Values of the wrong type or out of range are
  // kept here and turned into the default by the exchanger that reads them. Infinities and NaN are
  // written as the strings "Infinity", "-Infinity" and "NaN".
  std::string ToText() const;
  bool Parse(const std::string& text);

  uint32_t Version() const;  // 0 when the bag holds none
  void SetVersion(uint32_t version);
  bool Has(const std::string& name) const;

  struct Impl;  // defined inside the framework only

 private:
  friend class CPropExchange;
  std::unique_ptr<Impl> m_impl;
};

class CPropExchange {
 public:
  CPropExchange(ExchangeDirection direction, PropertyBag* bag) : m_direction(direction), m_bag(bag) {}

  bool IsLoading() const { return m_direction != ExchangeDirection::Save; }
  ExchangeDirection Direction() const { return m_direction; }
  uint32_t GetVersion() const { return m_version; }

  // Loading: `version` becomes the bag's version (defaultVersion for a bag without one); saving
  // writes defaultVersion when converting, else `version`; resetting sets defaultVersion. FALSE when
  // a loaded bag is of another version and conversion is not allowed.
  win::BOOL ExchangeVersion(uint32_t& version, uint32_t defaultVersion, win::BOOL convert);

  // Each exchanger loads the named value (the default when absent, of the wrong type or out of the
  // type's range), saves it, or resets it to the default. FALSE only when loading fell back on the
  // default (or saving had no bag). Integers must be JSON integers; a colour may also be stored as
  // the signed 32-bit number of the same bits; a BOOL is a JSON boolean.
  win::BOOL Exchange(const std::string& name, int16_t& value, int16_t defaultValue);
  win::BOOL Exchange(const std::string& name, int32_t& value, int32_t defaultValue);
  win::BOOL Exchange(const std::string& name, uint32_t& value, uint32_t defaultValue);
  win::BOOL Exchange(const std::string& name, double& value, double defaultValue);
  win::BOOL Exchange(const std::string& name, std::string& value, const std::string& defaultValue);
  win::BOOL ExchangeBool(const std::string& name, win::BOOL& value, win::BOOL defaultValue);

 private:
  ExchangeDirection m_direction;
  PropertyBag* m_bag;  // null when resetting
  uint32_t m_version = 0;
};

win::BOOL PX_Short(CPropExchange* pPX, const std::string& name, int16_t& value, int16_t defaultValue);
win::BOOL PX_Long(CPropExchange* pPX, const std::string& name, int32_t& value, int32_t defaultValue);
win::BOOL PX_Bool(CPropExchange* pPX, const std::string& name, win::BOOL& value, win::BOOL defaultValue);
win::BOOL PX_Double(CPropExchange* pPX, const std::string& name, double& value, double defaultValue);
win::BOOL PX_Color(CPropExchange* pPX, const std::string& name, OLE_COLOR& value, OLE_COLOR defaultValue);
win::BOOL PX_String(CPropExchange* pPX, const std::string& name, std::string& value, const std::string& defaultValue);

}  // namespace tavlen::fw
