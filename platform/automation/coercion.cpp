// VariantChangeType: the automation runtime's conversions between variant types.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

#include "platform/automation/dispatch.h"
#include "platform/automation/variant.h"
#include "platform/base/ascii.h"

namespace tavlen::ole {

namespace {

// A numeric source reduced to one of three exact forms.
struct Number {
  enum class Kind { Signed, Unsigned, Real } kind = Kind::Signed;
  int64_t i = 0;
  uint64_t u = 0;
  double r = 0;
  bool fromR4 = false;  // formats with 7 significant digits instead of 15
};

Number Signed(int64_t v) { return {Number::Kind::Signed, v, 0, 0}; }
Number Unsigned(uint64_t v) { return {Number::Kind::Unsigned, 0, v, 0}; }
Number Real(double v) { return {Number::Kind::Real, 0, 0, v}; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// "&H1F" and "&O17": unsigned values of up to 64 bits.
HRESULT ParseRadix(std::string_view digits, int radix, Number* out) {
  if (digits.empty()) return DISP_E_TYPEMISMATCH;
  uint64_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, radix);
  if (ec == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
  if (ec != std::errc() || end != digits.data() + digits.size()) return DISP_E_TYPEMISMATCH;
  *out = Unsigned(value);
  return S_OK;
}

// The power of ten of the leading significant digit of cleaned decimal text ("-0.05e3" gives 1).
long DecimalOrder(std::string_view clean) {
  size_t e = clean.find('e');
  long exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view digits = clean.substr(e + 1);
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    // Saturates: an exponent beyond the range of long is out of range either way.
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
    if (ec == std::errc::result_out_of_range) exponent = digits.front() == '-' ? -1000000 : 1000000;
    (void)end;
  }
  std::string_view mantissa = clean.substr(0, e);
  if (!mantissa.empty() && mantissa.front() == '-') mantissa.remove_prefix(1);
  size_t point = mantissa.find('.');
  std::string_view whole = mantissa.substr(0, point);
  size_t firstNonZero = whole.find_first_not_of('0');
  if (firstNonZero != std::string_view::npos) return exponent + static_cast<long>(whole.size() - firstNonZero) - 1;
  std::string_view fraction = point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);
  size_t leading = fraction.find_first_not_of('0');
  if (leading == std::string_view::npos) return -1000000;  // zero
  return exponent - static_cast<long>(leading) - 1;
}

// Decimal text: [sign] digits-with-"," [. digits] [e [sign] digits], at least one mantissa digit.
HRESULT ParseNumber(std::string_view text, Number* out) {
  std::string_view s = Trim(text);
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) return ParseRadix(s.substr(2), 16, out);
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'O' || s[1] == 'o')) return ParseRadix(s.substr(2), 8, out);

  std::string clean;  // sign, digits, '.', exponent: what from_chars reads
  size_t pos = 0;
  bool negative = false;
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative = s[pos++] == '-';
  if (negative) clean += '-';
  size_t mantissaDigits = 0;
  bool integral = true;
  while (pos < s.size()) {
    char c = s[pos];
    if (c >= '0' && c <= '9') {
      clean += c;
      ++mantissaDigits;
    } else if (c == ',' && mantissaDigits > 0) {
      // group separator: only between digits of the integer part
    } else {
      break;
    }
    ++pos;
  }
  if (pos < s.size() && s[pos] == '.') {
    integral = false;
    clean += '.';
    ++pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      clean += s[pos++];
      ++mantissaDigits;
    }
  }
  if (mantissaDigits == 0) return DISP_E_TYPEMISMATCH;
  if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
    integral = false;
    clean += 'e';
    ++pos;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) clean += s[pos++];
    size_t expDigits = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      clean += s[pos++];
      ++expDigits;
    }
    if (expDigits == 0) return DISP_E_TYPEMISMATCH;
  }
  if (pos != s.size()) return DISP_E_TYPEMISMATCH;

  const char* first = clean.data();
  const char* last = clean.data() + clean.size();
  if (integral) {
    int64_t i = 0;
    auto [end, ec] = std::from_chars(first, last, i);
    if (ec == std::errc() && end == last) {
      *out = Signed(i);
      return S_OK;
    }
    uint64_t u = 0;
    auto [uend, uec] = std::from_chars(first, last, u);
    if (uec == std::errc() && uend == last) {
      *out = Unsigned(u);
      return S_OK;
    }
  }
  double r = 0;
  auto [end, ec] = std::from_chars(first, last, r);
  if (ec == std::errc::result_out_of_range) {
    // Too small is zero; only magnitudes too large to hold overflow.
    if (DecimalOrder(clean) > 0) return DISP_E_OVERFLOW;
    r = 0;
  } else if (ec != std::errc() || end != last) {
    return DISP_E_TYPEMISMATCH;
  }
  *out = Real(r);
  return S_OK;
}

HRESULT DefaultValue(const Variant& object, uint16_t flags, Variant* value) {
  if (flags & VARIANT_NOVALUEPROP) return DISP_E_TYPEMISMATCH;
  IDispatch* dispatch = object.Dispatch();
  if (!dispatch) return DISP_E_TYPEMISMATCH;
  DISPPARAMS none;
  Variant result;
  HRESULT hr = dispatch->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result,
                                nullptr, nullptr);
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  // An object whose value is an object again would loop; the runtime refuses it.
  if (result.Type() == VT_DISPATCH || result.Type() == VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
  *value = std::move(result);
  return S_OK;
}

// Reduces a plain (not by-reference, not object) source to a Number.
HRESULT ToNumber(const Variant& v, Number* out) {
  switch (v.Type()) {
    case VT_EMPTY:
      *out = Signed(0);
      return S_OK;
    case VT_I1:
      *out = Signed(v.I1());
      return S_OK;
    case VT_I2:
      *out = Signed(v.I2());
      return S_OK;
    case VT_I4:
    case VT_INT:
      *out = Signed(v.I4());
      return S_OK;
    case VT_I8:
      *out = Signed(v.I8());
      return S_OK;
    case VT_UI1:
      *out = Unsigned(v.UI1());
      return S_OK;
    case VT_UI2:
      *out = Unsigned(v.UI2());
      return S_OK;
    case VT_UI4:
    case VT_UINT:
      *out = Unsigned(v.UI4());
      return S_OK;
    case VT_UI8:
      *out = Unsigned(v.UI8());
      return S_OK;
    case VT_R4:
      *out = Real(v.R4());
      out->fromR4 = true;
      return S_OK;
    case VT_R8:
      *out = Real(v.R8());
      return S_OK;
    case VT_BOOL:
      *out = Signed(v.BoolVal() ? -1 : 0);
      return S_OK;
    case VT_BSTR:
      return ParseNumber(v.Bstr(), out);
    case VT_NULL:
    case VT_ERROR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return DISP_E_TYPEMISMATCH;
    default:
      return DISP_E_BADVARTYPE;
  }
}

// Integer targets: exact range checks for integers, banker's rounding then range checks for reals.
HRESULT ToSigned(const Number& n, int64_t min, int64_t max, int64_t* out) {
  switch (n.kind) {
    case Number::Kind::Signed:
      if (n.i < min || n.i > max) return DISP_E_OVERFLOW;
      *out = n.i;
      return S_OK;
    case Number::Kind::Unsigned:
      if (n.u > static_cast<uint64_t>(max)) return DISP_E_OVERFLOW;
      *out = static_cast<int64_t>(n.u);
      return S_OK;
    case Number::Kind::Real: {
      if (!std::isfinite(n.r)) return DISP_E_OVERFLOW;
      double r = RoundHalfEven(n.r);
      // 2^63 is exact in a double; max itself may not be, so compare against the bound above it.
      if (r < static_cast<double>(min) || r >= static_cast<double>(max) + 1.0) return DISP_E_OVERFLOW;
      *out = static_cast<int64_t>(r);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT ToUnsigned(const Number& n, uint64_t max, uint64_t* out) {
  switch (n.kind) {
    case Number::Kind::Signed:
      if (n.i < 0 || static_cast<uint64_t>(n.i) > max) return DISP_E_OVERFLOW;
      *out = static_cast<uint64_t>(n.i);
      return S_OK;
    case Number::Kind::Unsigned:
      if (n.u > max) return DISP_E_OVERFLOW;
      *out = n.u;
      return S_OK;
    case Number::Kind::Real: {
      if (!std::isfinite(n.r)) return DISP_E_OVERFLOW;
      double r = RoundHalfEven(n.r);
      if (r < 0 || r >= static_cast<double>(max) + 1.0) return DISP_E_OVERFLOW;
      *out = static_cast<uint64_t>(r);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

double ToDouble(const Number& n) {
  switch (n.kind) {
    case Number::Kind::Signed:
      return static_cast<double>(n.i);
    case Number::Kind::Unsigned:
      return static_cast<double>(n.u);
    case Number::Kind::Real:
      return n.r;
  }
  return 0;
}

std::string FormatReal(double r, int digits) {
  if (std::isnan(r)) return "NaN";
  if (std::isinf(r)) return r > 0 ? "Infinity" : "-Infinity";
  char text[64];
  std::snprintf(text, sizeof text, "%.*G", digits, r);
  return text;
}

HRESULT ToText(const Variant& v, uint16_t flags, std::string* out) {
  if (v.Type() == VT_BSTR) {
    *out = v.Bstr();
    return S_OK;
  }
  if (v.Type() == VT_EMPTY) {
    out->clear();
    return S_OK;
  }
  if (v.Type() == VT_BOOL) {
    bool value = v.BoolVal() != 0;
    *out = (flags & VARIANT_ALPHABOOL) ? (value ? "True" : "False") : (value ? "-1" : "0");
    return S_OK;
  }
  Number n;
  HRESULT hr = ToNumber(v, &n);
  if (FAILED(hr)) return hr;
  switch (n.kind) {
    case Number::Kind::Signed:
      *out = std::to_string(n.i);
      break;
    case Number::Kind::Unsigned:
      *out = std::to_string(n.u);
      break;
    case Number::Kind::Real:
      *out = FormatReal(n.r, n.fromR4 ? 7 : 15);
      break;
  }
  return S_OK;
}

HRESULT ToBool(const Variant& v, VARIANT_BOOL* out) {
  if (v.Type() == VT_BSTR) {
    std::string_view s = Trim(v.Bstr());
    if (base::EqualsNoCase(s, "True") || base::EqualsNoCase(s, "#TRUE#")) {
      *out = VARIANT_TRUE;
      return S_OK;
    }
    if (base::EqualsNoCase(s, "False") || base::EqualsNoCase(s, "#FALSE#")) {
      *out = VARIANT_FALSE;
      return S_OK;
    }
  }
  Number n;
  HRESULT hr = ToNumber(v, &n);
  if (FAILED(hr)) return hr;
  bool nonzero = n.kind == Number::Kind::Signed ? n.i != 0 : n.kind == Number::Kind::Unsigned ? n.u != 0 : n.r != 0;
  *out = nonzero ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

template <class T>
HRESULT SignedTarget(const Variant& v, Variant* out, VARTYPE vt) {
  Number n;
  HRESULT hr = ToNumber(v, &n);
  if (FAILED(hr)) return hr;
  int64_t value = 0;
  hr = ToSigned(n, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), &value);
  if (FAILED(hr)) return hr;
  *out = Variant(static_cast<T>(value));
  if (vt == VT_INT) *out = Variant::Int(static_cast<int32_t>(value));
  return S_OK;
}

template <class T>
HRESULT UnsignedTarget(const Variant& v, Variant* out, VARTYPE vt) {
  Number n;
  HRESULT hr = ToNumber(v, &n);
  if (FAILED(hr)) return hr;
  uint64_t value = 0;
  hr = ToUnsigned(n, std::numeric_limits<T>::max(), &value);
  if (FAILED(hr)) return hr;
  *out = Variant(static_cast<T>(value));
  if (vt == VT_UINT) *out = Variant::UInt(static_cast<uint32_t>(value));
  return S_OK;
}

HRESULT Convert(const Variant& v, uint16_t flags, VARTYPE vt, Variant* out) {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_ERROR:
      if (v.Type() != vt) return DISP_E_TYPEMISMATCH;
      *out = v;
      return S_OK;
    case VT_I1:
      return SignedTarget<int8_t>(v, out, vt);
    case VT_I2:
      return SignedTarget<int16_t>(v, out, vt);
    case VT_I4:
    case VT_INT:
      return SignedTarget<int32_t>(v, out, vt);
    case VT_I8:
      return SignedTarget<int64_t>(v, out, vt);
    case VT_UI1:
      return UnsignedTarget<uint8_t>(v, out, vt);
    case VT_UI2:
      return UnsignedTarget<uint16_t>(v, out, vt);
    case VT_UI4:
    case VT_UINT:
      return UnsignedTarget<uint32_t>(v, out, vt);
    case VT_UI8:
      return UnsignedTarget<uint64_t>(v, out, vt);
    case VT_R4: {
      Number n;
      HRESULT hr = ToNumber(v, &n);
      if (FAILED(hr)) return hr;
      double r = ToDouble(n);
      if (std::fabs(r) > static_cast<double>(std::numeric_limits<float>::max())) return DISP_E_OVERFLOW;
      *out = Variant(static_cast<float>(r));
      return S_OK;
    }
    case VT_R8: {
      Number n;
      HRESULT hr = ToNumber(v, &n);
      if (FAILED(hr)) return hr;
      *out = Variant(ToDouble(n));
      return S_OK;
    }
    case VT_BOOL: {
      VARIANT_BOOL b = VARIANT_FALSE;
      HRESULT hr = ToBool(v, &b);
      if (FAILED(hr)) return hr;
      *out = Variant::Bool(b);
      return S_OK;
    }
    case VT_BSTR: {
      std::string text;
      HRESULT hr = ToText(v, flags, &text);
      if (FAILED(hr)) return hr;
      *out = Variant(std::move(text));
      return S_OK;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      if (v.Type() != VT_DISPATCH && v.Type() != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
      IUnknown* unknown = v.Type() == VT_DISPATCH ? static_cast<IUnknown*>(v.Dispatch()) : v.Unknown();
      if (!unknown) {
        *out = vt == VT_DISPATCH ? Variant(static_cast<IDispatch*>(nullptr)) : Variant(static_cast<IUnknown*>(nullptr));
        return S_OK;
      }
      if (vt == VT_UNKNOWN) {
        *out = Variant(unknown);
        return S_OK;
      }
      IDispatch* dispatch = nullptr;
      if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
        return DISP_E_TYPEMISMATCH;
      }
      *out = Variant(dispatch);
      dispatch->Release();
      return S_OK;
    }
    default:
      return DISP_E_BADVARTYPE;
  }
}

}  // namespace

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  double floor = std::floor(value);
  double fraction = value - floor;  // exact: both share the exponent range of value
  if (fraction > 0.5) return floor + 1;
  if (fraction < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

HRESULT VariantChangeType(Variant* dest, const Variant& source, uint16_t flags, VARTYPE vt) {
  if (!dest) return E_INVALIDARG;
  if (vt & VT_BYREF) return DISP_E_BADVARTYPE;
  Variant value = source.Deref();
  if (vt == VT_VARIANT) {
    *dest = std::move(value);
    return S_OK;
  }
  // An object's default value stands in for it, except where an object is asked for.
  if (value.Type() == VT_DISPATCH && vt != VT_DISPATCH && vt != VT_UNKNOWN) {
    Variant inner;
    HRESULT hr = DefaultValue(value, flags, &inner);
    if (FAILED(hr)) return hr;
    value = std::move(inner);
  }
  Variant result;
  HRESULT hr = Convert(value, flags, vt, &result);
  if (FAILED(hr)) return hr;
  *dest = std::move(result);
  return S_OK;
}

}  // namespace tavlen::ole
