// The property exchanger: one routine loads, saves or resets each named value, with defaults for
// values that are missing, of the wrong type or out of range.
#include <cmath>
#include <limits>

#include "platform/framework/property_bag_impl.h"

namespace tavlen::fw {

namespace {

using Json = nlohmann::ordered_json;

// An integer value within [low, high]; floats, booleans and strings are of the wrong type.
bool ReadInteger(const Json& value, int64_t low, int64_t high, int64_t& out) {
  if (value.is_number_unsigned()) {
    uint64_t v = value.get<uint64_t>();
    if (v > static_cast<uint64_t>(high)) return false;
    out = static_cast<int64_t>(v);
    return out >= low;
  }
  if (value.is_number_integer()) {
    int64_t v = value.get<int64_t>();
    if (v < low || v > high) return false;
    out = v;
    return true;
  }
  return false;
}

// JSON has no spelling for infinities and NaN; they are kept as these strings.
constexpr const char* kNaN = "NaN";
constexpr const char* kInfinity = "Infinity";
constexpr const char* kMinusInfinity = "-Infinity";

Json DoubleToJson(double value) {
  if (std::isnan(value)) return kNaN;
  if (std::isinf(value)) return value > 0 ? kInfinity : kMinusInfinity;
  return value;
}

bool ReadDouble(const Json& value, double& out) {
  if (value.is_number()) {
    out = value.get<double>();
    return true;
  }
  if (!value.is_string()) return false;
  const std::string& text = value.get_ref<const std::string&>();
  if (text == kNaN) {
    out = std::numeric_limits<double>::quiet_NaN();
  } else if (text == kInfinity) {
    out = std::numeric_limits<double>::infinity();
  } else if (text == kMinusInfinity) {
    out = -std::numeric_limits<double>::infinity();
  } else {
    return false;
  }
  return true;
}

}  // namespace

win::BOOL CPropExchange::ExchangeVersion(uint32_t& version, uint32_t defaultVersion, win::BOOL convert) {
  switch (m_direction) {
    case ExchangeDirection::Reset:
      version = defaultVersion;
      break;
    case ExchangeDirection::Save:
      // Converting saves in the current format; otherwise the version that was loaded is kept.
      if (convert) version = defaultVersion;
      if (!m_bag) return win::FALSE;
      m_bag->SetVersion(version);
      break;
    case ExchangeDirection::Load:
      version = m_bag && m_bag->m_impl->version ? *m_bag->m_impl->version : defaultVersion;
      m_version = version;
      return convert || version == defaultVersion ? win::TRUE : win::FALSE;
  }
  m_version = version;
  return win::TRUE;
}

template <typename T, typename Read, typename Write>
static win::BOOL ExchangeValue(ExchangeDirection direction, PropertyBag::Impl* bag, const std::string& name, T& value,
                               const T& defaultValue, Read read, Write write) {
  switch (direction) {
    case ExchangeDirection::Reset:
      value = defaultValue;
      return win::TRUE;
    case ExchangeDirection::Save:
      if (!bag) return win::FALSE;
      bag->Set(name, write(value));
      return win::TRUE;
    case ExchangeDirection::Load:
      if (const Json* stored = bag ? bag->Find(name) : nullptr) {
        T loaded{};
        if (read(*stored, loaded)) {
          value = std::move(loaded);
          return win::TRUE;
        }
      }
      value = defaultValue;
      return win::FALSE;
  }
  return win::FALSE;
}

win::BOOL CPropExchange::Exchange(const std::string& name, int16_t& value, int16_t defaultValue) {
  return ExchangeValue(
      m_direction, m_bag ? m_bag->m_impl.get() : nullptr, name, value, defaultValue,
      [](const Json& j, int16_t& out) {
        int64_t v = 0;
        if (!ReadInteger(j, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(), v)) return false;
        out = static_cast<int16_t>(v);
        return true;
      },
      [](int16_t v) { return Json(v); });
}

win::BOOL CPropExchange::Exchange(const std::string& name, int32_t& value, int32_t defaultValue) {
  return ExchangeValue(
      m_direction, m_bag ? m_bag->m_impl.get() : nullptr, name, value, defaultValue,
      [](const Json& j, int32_t& out) {
        int64_t v = 0;
        if (!ReadInteger(j, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), v)) return false;
        out = static_cast<int32_t>(v);
        return true;
      },
      [](int32_t v) { return Json(v); });
}

win::BOOL CPropExchange::Exchange(const std::string& name, uint32_t& value, uint32_t defaultValue) {
  return ExchangeValue(
      m_direction, m_bag ? m_bag->m_impl.get() : nullptr, name, value, defaultValue,
      [](const Json& j, uint32_t& out) {
        // Hosts that keep colours as signed longs write 0x8000000F as -2147483633: same bits.
        int64_t v = 0;
        if (!ReadInteger(j, std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max(), v)) {
          return false;
        }
        out = static_cast<uint32_t>(v);
        return true;
      },
      [](uint32_t v) { return Json(v); });
}

win::BOOL CPropExchange::Exchange(const std::string& name, double& value, double defaultValue) {
  return ExchangeValue(m_direction, m_bag ? m_bag->m_impl.get() : nullptr, name, value, defaultValue, ReadDouble,
                       DoubleToJson);
}

win::BOOL CPropExchange::Exchange(const std::string& name, std::string& value, const std::string& defaultValue) {
  return ExchangeValue(
      m_direction, m_bag ? m_bag->m_impl.get() : nullptr, name, value, defaultValue,
      [](const Json& j, std::string& out) {
        if (!j.is_string()) return false;
        out = j.get<std::string>();
        return true;
      },
      [](const std::string& v) { return Json(v); });
}

win::BOOL CPropExchange::ExchangeBool(const std::string& name, win::BOOL& value, win::BOOL defaultValue) {
  return ExchangeValue(
      m_direction, m_bag ? m_bag->m_impl.get() : nullptr, name, value, defaultValue,
      [](const Json& j, win::BOOL& out) {
        if (!j.is_boolean()) return false;
        out = j.get<bool>() ? win::TRUE : win::FALSE;
        return true;
      },
      [](win::BOOL v) { return Json(v != win::FALSE); });
}

win::BOOL PX_Short(CPropExchange* pPX, const std::string& name, int16_t& value, int16_t defaultValue) {
  return pPX ? pPX->Exchange(name, value, defaultValue) : win::FALSE;
}

win::BOOL PX_Long(CPropExchange* pPX, const std::string& name, int32_t& value, int32_t defaultValue) {
  return pPX ? pPX->Exchange(name, value, defaultValue) : win::FALSE;
}

win::BOOL PX_Bool(CPropExchange* pPX, const std::string& name, win::BOOL& value, win::BOOL defaultValue) {
  return pPX ? pPX->ExchangeBool(name, value, defaultValue) : win::FALSE;
}

win::BOOL PX_Double(CPropExchange* pPX, const std::string& name, double& value, double defaultValue) {
  return pPX ? pPX->Exchange(name, value, defaultValue) : win::FALSE;
}

win::BOOL PX_Color(CPropExchange* pPX, const std::string& name, OLE_COLOR& value, OLE_COLOR defaultValue) {
  return pPX ? pPX->Exchange(name, value, defaultValue) : win::FALSE;
}

win::BOOL PX_String(CPropExchange* pPX, const std::string& name, std::string& value, const std::string& defaultValue) {
  return pPX ? pPX->Exchange(name, value, defaultValue) : win::FALSE;
}

}  // namespace tavlen::fw
