// Tests of property exchange and the property bag: round trips of every exchanger, versions, and
// damaged, partial or foreign bags that must load defaults without failing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/framework/prop_exchange.h"

namespace tavlen::fw {
namespace {

// One value of every exchanger, as a control keeps them.
struct Values {
  int16_t shortValue = 0;
  int32_t longValue = 0;
  win::BOOL boolValue = win::FALSE;
  double doubleValue = 0;
  OLE_COLOR colorValue = 0;
  std::string stringValue;
};

constexpr int16_t kShortDefault = 2;
constexpr int32_t kLongDefault = 100;
constexpr double kDoubleDefault = 1.0;
constexpr OLE_COLOR kColorDefault = 0x00FFFFFF;
const std::string kStringDefault = "Arial";

// Returns how many exchangers used a stored value.
int Exchange(CPropExchange& px, Values& v) {
  return PX_Short(&px, "Short", v.shortValue, kShortDefault) + PX_Long(&px, "Long", v.longValue, kLongDefault) +
         PX_Bool(&px, "Bool", v.boolValue, win::TRUE) + PX_Double(&px, "Double", v.doubleValue, kDoubleDefault) +
         PX_Color(&px, "Color", v.colorValue, kColorDefault) + PX_String(&px, "String", v.stringValue, kStringDefault);
}

void ExpectDefaults(const Values& v) {
  EXPECT_EQ(v.shortValue, kShortDefault);
  EXPECT_EQ(v.longValue, kLongDefault);
  EXPECT_EQ(v.boolValue, win::TRUE);
  EXPECT_EQ(v.doubleValue, kDoubleDefault);
  EXPECT_EQ(v.colorValue, kColorDefault);
  EXPECT_EQ(v.stringValue, kStringDefault);
}

// Loads `text` into a bag and the bag into values preset away from the defaults.
Values LoadText(const std::string& text, bool* parsed = nullptr) {
  PropertyBag bag;
  bool ok = bag.Parse(text);
  if (parsed) *parsed = ok;
  Values v{-1, -1, win::FALSE, -1, 1, "unset"};
  CPropExchange px(ExchangeDirection::Load, &bag);
  Exchange(px, v);
  return v;
}

TEST(PropertyBag, EveryExchangerRoundTripsThroughText) {
  Values saved{-32768, -2147483647 - 1, win::FALSE, 0.1 + 0.2, 0x8000000F, "Grüße \"quoted\" \\ \n end"};
  PropertyBag bag;
  CPropExchange save(ExchangeDirection::Save, &bag);
  EXPECT_EQ(Exchange(save, saved), 6);

  PropertyBag reread;
  ASSERT_TRUE(reread.Parse(bag.ToText()));
  Values loaded;
  CPropExchange load(ExchangeDirection::Load, &reread);
  EXPECT_EQ(Exchange(load, loaded), 6);
  EXPECT_EQ(loaded.shortValue, saved.shortValue);
  EXPECT_EQ(loaded.longValue, saved.longValue);
  EXPECT_EQ(loaded.boolValue, win::FALSE);
  EXPECT_EQ(loaded.doubleValue, saved.doubleValue);  // exact, not approximately
  EXPECT_EQ(loaded.colorValue, saved.colorValue);
  EXPECT_EQ(loaded.stringValue, saved.stringValue);
}

TEST(PropertyBag, ExtremeDoublesRoundTrip) {
  for (double d : {std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max(), -0.0, 1e-300,
                   std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::quiet_NaN()}) {
    PropertyBag bag;
    CPropExchange save(ExchangeDirection::Save, &bag);
    PX_Double(&save, "D", d, 0);
    PropertyBag reread;
    ASSERT_TRUE(reread.Parse(bag.ToText()));
    double loaded = 5;
    CPropExchange load(ExchangeDirection::Load, &reread);
    EXPECT_EQ(PX_Double(&load, "D", loaded, 0), win::TRUE);
    EXPECT_TRUE(loaded == d || (std::isnan(loaded) && std::isnan(d)));
    EXPECT_EQ(std::signbit(loaded), std::signbit(d));
  }
}

TEST(PropertyBag, ResetGivesDefaultsWithoutABag) {
  Values v{9, 9, win::FALSE, 9, 9, "x"};
  CPropExchange reset(ExchangeDirection::Reset, nullptr);
  EXPECT_TRUE(reset.IsLoading());
  Exchange(reset, v);
  ExpectDefaults(v);
}

TEST(PropertyBag, MissingValuesTakeDefaults) {
  Values v = LoadText(R"({"format":"tavlen-properties","version":65536,"properties":{"Long":7}})");
  EXPECT_EQ(v.longValue, 7);
  EXPECT_EQ(v.shortValue, kShortDefault);
  EXPECT_EQ(v.stringValue, kStringDefault);
}

TEST(PropertyBag, WrongTypesAndOutOfRangeValuesTakeDefaults) {
  Values v = LoadText(R"({"format":"tavlen-properties","properties":{
      "Short":70000, "Long":2147483648, "Bool":1, "Double":"1.5", "Color":4294967296, "String":12}})");
  ExpectDefaults(v);
  v = LoadText(R"({"format":"tavlen-properties","properties":{
      "Short":2.5, "Long":[1], "Bool":null, "Double":{"x":1}, "Color":-2147483649, "String":false}})");
  ExpectDefaults(v);
}

TEST(PropertyBag, BoundaryValuesAreAccepted) {
  Values v = LoadText(R"({"format":"tavlen-properties","properties":{
      "Short":32767, "Long":-2147483648, "Bool":false, "Double":3, "Color":-2147483633, "String":""}})");
  EXPECT_EQ(v.shortValue, 32767);
  EXPECT_EQ(v.longValue, std::numeric_limits<int32_t>::min());
  EXPECT_EQ(v.boolValue, win::FALSE);
  EXPECT_EQ(v.doubleValue, 3.0);
  EXPECT_EQ(v.colorValue, 0x8000000Fu);  // a signed spelling of the same bits
  EXPECT_EQ(v.stringValue, "");
}

TEST(PropertyBag, TruncatedTextKeepsTheCompleteValuesBeforeTheCut) {
  const std::string full =
      R"({"format":"tavlen-properties","version":65536,"properties":{"Short":7,"Long":123456,"String":"abc"}})";
  bool parsed = true;
  // Cut inside the Long number: "123" must not be taken for it.
  Values v = LoadText(full.substr(0, full.find("456")), &parsed);
  EXPECT_FALSE(parsed);
  EXPECT_EQ(v.shortValue, 7);
  EXPECT_EQ(v.longValue, kLongDefault);
  EXPECT_EQ(v.stringValue, kStringDefault);
  // Every prefix loads without failing.
  for (size_t n = 0; n < full.size(); ++n) {
    Values p = LoadText(full.substr(0, n));
    EXPECT_TRUE(p.shortValue == 7 || p.shortValue == kShortDefault) << n;
    EXPECT_TRUE(p.longValue == 123456 || p.longValue == kLongDefault) << n;
  }
}

TEST(PropertyBag, ForeignOrGarbageTextGivesAnEmptyBag) {
  for (const std::string& text :
       std::vector<std::string>{"", "not json", "[1,2,3]", "42", R"({"properties":{"Short":7}})",
                                R"({"format":"other","properties":{"Short":7}})", "{\"format\":\"tavlen-properties\"",
                                std::string("{\"format\":\"tavlen-properties\",\"properties\":{\"String\":\"\xff\"}}"),
                                std::string(100000, '[')}) {
    bool parsed = true;
    Values v = LoadText(text, &parsed);
    EXPECT_FALSE(parsed);
    EXPECT_EQ(v.shortValue, kShortDefault);
    EXPECT_EQ(v.stringValue, kStringDefault);
  }
}

TEST(PropertyBag, ParseReplacesEarlierContents) {
  PropertyBag bag;
  ASSERT_TRUE(bag.Parse(R"({"format":"tavlen-properties","version":3,"properties":{"A":1}})"));
  EXPECT_TRUE(bag.Has("A"));
  EXPECT_EQ(bag.Version(), 3u);
  EXPECT_FALSE(bag.Parse("garbage"));
  EXPECT_FALSE(bag.Has("A"));
  EXPECT_EQ(bag.Version(), 0u);
}

TEST(PropertyBag, InvalidUtf8IsWrittenWithoutFailing) {
  PropertyBag bag;
  CPropExchange save(ExchangeDirection::Save, &bag);
  std::string bad =
      "a\xff"
      "b";
  PX_String(&save, "S", bad, "");
  PropertyBag reread;
  ASSERT_TRUE(reread.Parse(bag.ToText()));
  std::string loaded;
  CPropExchange load(ExchangeDirection::Load, &reread);
  EXPECT_EQ(PX_String(&load, "S", loaded, "default"), win::TRUE);
  EXPECT_EQ(loaded,
            "a\xEF\xBF\xBD"
            "b");  // replacement character
}

TEST(ExchangeVersion, SavesLoadsAndChecksTheVersion) {
  PropertyBag bag;
  CPropExchange save(ExchangeDirection::Save, &bag);
  uint32_t version = 0;
  EXPECT_EQ(save.ExchangeVersion(version, 0x00010000, win::TRUE), win::TRUE);
  EXPECT_EQ(version, 0x00010000u);
  EXPECT_EQ(bag.Version(), 0x00010000u);

  PropertyBag older;
  ASSERT_TRUE(older.Parse(R"({"format":"tavlen-properties","version":512,"properties":{}})"));
  CPropExchange load(ExchangeDirection::Load, &older);
  EXPECT_EQ(load.ExchangeVersion(version, 0x00010000, win::FALSE), win::FALSE);
  EXPECT_EQ(version, 512u);
  EXPECT_EQ(load.ExchangeVersion(version, 0x00010000, win::TRUE), win::TRUE);
  EXPECT_EQ(load.GetVersion(), 512u);

  PropertyBag none;
  ASSERT_TRUE(none.Parse(R"({"format":"tavlen-properties","version":-1,"properties":{}})"));
  CPropExchange loadNone(ExchangeDirection::Load, &none);
  EXPECT_EQ(loadNone.ExchangeVersion(version, 0x00010000, win::FALSE), win::TRUE);
  EXPECT_EQ(version, 0x00010000u);
}

}  // namespace
}  // namespace tavlen::fw
