// Variant conversions: the runtime's table of coercions with their results and HRESULTs.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/automation/dispatch.h"
#include "platform/automation/variant.h"

namespace tavlen::ole {
namespace {

struct Case {
  Variant from;
  VARTYPE to;
  HRESULT hr;
  Variant expected;  // ignored when hr fails
};

std::string Describe(const Variant& v) {
  Variant text;
  if (v.Type() != VT_BSTR && SUCCEEDED(VariantChangeType(&text, v, VARIANT_ALPHABOOL, VT_BSTR))) {
    return VarTypeName(v.Type()) + " " + text.Bstr();
  }
  return VarTypeName(v.Type()) + (v.Type() == VT_BSTR ? " \"" + v.Bstr() + "\"" : "");
}

void Check(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    Variant out = Variant::Error(12345);  // sentinel: must stay when the conversion fails
    HRESULT hr = VariantChangeType(&out, c.from, 0, c.to);
    EXPECT_EQ(hr, c.hr) << Describe(c.from) << " -> " << VarTypeName(c.to);
    if (SUCCEEDED(c.hr)) {
      EXPECT_EQ(out, c.expected) << Describe(c.from) << " -> " << VarTypeName(c.to) << " gave " << Describe(out);
    } else {
      EXPECT_EQ(out, Variant::Error(12345)) << "changed on failure: " << Describe(c.from);
    }
  }
}

TEST(Coercion, RealsRoundHalfToEvenIntoIntegers) {
  Check({
      {Variant(2.5), VT_I4, S_OK, Variant(2)},
      {Variant(3.5), VT_I4, S_OK, Variant(4)},
      {Variant(-2.5), VT_I4, S_OK, Variant(-2)},
      {Variant(-3.5), VT_I4, S_OK, Variant(-4)},
      {Variant(2.4999), VT_I4, S_OK, Variant(2)},
      {Variant(2.5001), VT_I4, S_OK, Variant(3)},
      {Variant(0.5), VT_I2, S_OK, Variant(int16_t{0})},
      {Variant(1.5f), VT_I2, S_OK, Variant(int16_t{2})},
      {Variant(254.5), VT_UI1, S_OK, Variant(uint8_t{254})},
  });
}

TEST(Coercion, RangeChecksGiveOverflow) {
  Check({
      {Variant(32767), VT_I2, S_OK, Variant(int16_t{32767})},
      {Variant(32768), VT_I2, DISP_E_OVERFLOW, {}},
      {Variant(-32768), VT_I2, S_OK, Variant(int16_t{-32768})},
      {Variant(-32769), VT_I2, DISP_E_OVERFLOW, {}},
      {Variant(2147483647.4), VT_I4, S_OK, Variant(2147483647)},
      {Variant(2147483647.5), VT_I4, DISP_E_OVERFLOW, {}},
      {Variant(-2147483648.5), VT_I4, S_OK, Variant(std::numeric_limits<int32_t>::min())},
      {Variant(-2147483649.0), VT_I4, DISP_E_OVERFLOW, {}},
      {Variant(-1), VT_UI4, DISP_E_OVERFLOW, {}},
      {Variant(4294967295.0), VT_UI4, S_OK, Variant(uint32_t{4294967295u})},
      {Variant(uint32_t{0x80000000u}), VT_I4, DISP_E_OVERFLOW, {}},
      {Variant(std::numeric_limits<double>::infinity()), VT_I4, DISP_E_OVERFLOW, {}},
      {Variant(std::nan("")), VT_I2, DISP_E_OVERFLOW, {}},
      {Variant(1e39), VT_R4, DISP_E_OVERFLOW, {}},
      {Variant(9223372036854775807.0), VT_I8, DISP_E_OVERFLOW, {}},
      {Variant(uint64_t{18446744073709551615u}), VT_I8, DISP_E_OVERFLOW, {}},
  });
}

TEST(Coercion, StringsParseAsTheRuntimeDoes) {
  Check({
      {Variant("42"), VT_I4, S_OK, Variant(42)},          {Variant("  -17  "), VT_I4, S_OK, Variant(-17)},
      {Variant("+8"), VT_I2, S_OK, Variant(int16_t{8})},  {Variant("1,234,567"), VT_I4, S_OK, Variant(1234567)},
      {Variant("2.5"), VT_I4, S_OK, Variant(2)},          {Variant("1.5e3"), VT_I4, S_OK, Variant(1500)},
      {Variant("&HFF"), VT_I4, S_OK, Variant(255)},       {Variant("&o17"), VT_I2, S_OK, Variant(int16_t{15})},
      {Variant(".25"), VT_R8, S_OK, Variant(0.25)},       {Variant("3."), VT_R8, S_OK, Variant(3.0)},
      {Variant("1e400"), VT_R8, DISP_E_OVERFLOW, {}},     {Variant("40000"), VT_I2, DISP_E_OVERFLOW, {}},
      {Variant(""), VT_I4, DISP_E_TYPEMISMATCH, {}},      {Variant("   "), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {Variant("12abc"), VT_I4, DISP_E_TYPEMISMATCH, {}}, {Variant("1 2"), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {Variant(",5"), VT_I4, DISP_E_TYPEMISMATCH, {}},    {Variant("1e"), VT_R8, DISP_E_TYPEMISMATCH, {}},
      {Variant("-"), VT_R8, DISP_E_TYPEMISMATCH, {}},     {Variant("True"), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {Variant("&H"), VT_I4, DISP_E_TYPEMISMATCH, {}},
  });
}

TEST(Coercion, BooleansAreMinusOneAndZero) {
  Check({
      {Variant(true), VT_I4, S_OK, Variant(-1)},
      {Variant(false), VT_I2, S_OK, Variant(int16_t{0})},
      {Variant(true), VT_R8, S_OK, Variant(-1.0)},
      {Variant(true), VT_UI1, DISP_E_OVERFLOW, {}},
      {Variant(7), VT_BOOL, S_OK, Variant(true)},
      {Variant(0.0), VT_BOOL, S_OK, Variant(false)},
      {Variant(0.001), VT_BOOL, S_OK, Variant(true)},
      {Variant(" true "), VT_BOOL, S_OK, Variant(true)},
      {Variant("FALSE"), VT_BOOL, S_OK, Variant(false)},
      {Variant("0"), VT_BOOL, S_OK, Variant(false)},
      {Variant("-3"), VT_BOOL, S_OK, Variant(true)},
      {Variant("yes"), VT_BOOL, DISP_E_TYPEMISMATCH, {}},
      {Variant(true), VT_BSTR, S_OK, Variant("-1")},
      {Variant(false), VT_BSTR, S_OK, Variant("0")},
  });
  Variant alpha;
  ASSERT_EQ(VariantChangeType(&alpha, Variant(true), VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(alpha, Variant("True"));
}

TEST(Coercion, NumbersBecomeText) {
  Check({
      {Variant(-42), VT_BSTR, S_OK, Variant("-42")},
      {Variant(uint64_t{18446744073709551615u}), VT_BSTR, S_OK, Variant("18446744073709551615")},
      {Variant(0.1), VT_BSTR, S_OK, Variant("0.1")},
      {Variant(1.0 / 3.0), VT_BSTR, S_OK, Variant("0.333333333333333")},
      {Variant(1e20), VT_BSTR, S_OK, Variant("1E+20")},
      {Variant(2.0f / 3.0f), VT_BSTR, S_OK, Variant("0.6666667")},
      {Variant(250.0), VT_BSTR, S_OK, Variant("250")},
  });
}

TEST(Coercion, EmptyNullAndErrorValues) {
  Check({
      {Variant(), VT_I4, S_OK, Variant(0)},
      {Variant(), VT_BSTR, S_OK, Variant("")},
      {Variant(), VT_BOOL, S_OK, Variant(false)},
      {Variant::Null(), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {Variant::Null(), VT_BSTR, DISP_E_TYPEMISMATCH, {}},
      {Variant::Null(), VT_NULL, S_OK, Variant::Null()},
      {Variant::Error(5), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {Variant(3), VT_DISPATCH, DISP_E_TYPEMISMATCH, {}},
      {Variant(3), VT_CY, DISP_E_BADVARTYPE, {}},
      {Variant(3), VT_VARIANT, S_OK, Variant(3)},
  });
}

TEST(Coercion, ReferencesAreFollowed) {
  int16_t shortValue = 300;
  std::string text = "12";
  Variant inner(2.5);
  Check({
      {Variant::ByRef(&shortValue), VT_I4, S_OK, Variant(300)},
      {Variant::ByRef(&shortValue), VT_UI1, DISP_E_OVERFLOW, {}},
      {Variant::ByRef(&text), VT_I2, S_OK, Variant(int16_t{12})},
      {Variant::ByRef(&inner), VT_I4, S_OK, Variant(2)},
  });
  Variant source = Variant::ByRef(&shortValue);
  ASSERT_EQ(source.AssignThroughRef(Variant(int16_t{7})), S_OK);
  EXPECT_EQ(shortValue, 7);
  EXPECT_EQ(source.AssignThroughRef(Variant(7)), E_INVALIDARG);  // an I4 into a short slot
}

TEST(Coercion, InPlaceConversionReplacesOnlyOnSuccess) {
  Variant v("  19 ");
  ASSERT_EQ(VariantChangeType(&v, v, 0, VT_I2), S_OK);
  EXPECT_EQ(v, Variant(int16_t{19}));
  Variant bad("x");
  EXPECT_EQ(VariantChangeType(&bad, bad, 0, VT_I2), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(bad, Variant("x"));
}

TEST(Coercion, RoundHalfEvenHelper) {
  EXPECT_EQ(RoundHalfEven(0.5), 0.0);
  EXPECT_EQ(RoundHalfEven(1.5), 2.0);
  EXPECT_EQ(RoundHalfEven(-0.5), 0.0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2.0);
  EXPECT_EQ(RoundHalfEven(4503599627370495.5), 4503599627370496.0);
}

}  // namespace
}  // namespace tavlen::ole
