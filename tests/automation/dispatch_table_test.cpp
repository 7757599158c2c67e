// The generic Invoke over a dispatch table: lookup, call kinds, argument counts, conversions with the
// failing argument's index, property puts with notifications, and results.
#include <gtest/gtest.h>

#include "tests/automation/sample_object.h"

namespace tavlen::ole {
namespace {

using test::CSample;

ComPtr<CSample> NewSample() { return MakeObject<CSample>(); }

HRESULT RawInvoke(IDispatch* object, DISPID id, uint16_t flags, DispArgs& args, Variant* result,
                  uint32_t* argErr = nullptr) {
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, args.Params(), result, nullptr, argErr);
}

TEST(DispatchLookup, NamesAreCaseInsensitive) {
  ComPtr<CSample> sample = NewSample();
  for (const char* name : {"Join", "join", "JOIN", "jOiN"}) {
    DISPID id = 0;
    EXPECT_EQ(GetDispId(sample.Get(), name, &id), S_OK) << name;
    EXPECT_EQ(id, 10) << name;
  }
  DISPID id = 0;
  ASSERT_EQ(GetDispId(sample.Get(), "backcolor", &id), S_OK);
  EXPECT_EQ(id, -501);
}

TEST(DispatchLookup, UnknownNamesAndParameterNames) {
  ComPtr<CSample> sample = NewSample();
  DISPID id = 99;
  EXPECT_EQ(GetDispId(sample.Get(), "Joins", &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  EXPECT_EQ(GetDispId(sample.Get(), "", &id), DISP_E_UNKNOWNNAME);

  const char* names[] = {"join", "SECOND", "third"};
  DISPID ids[3] = {};
  EXPECT_EQ(sample->GetIDsOfNames(IID_NULL, names, 3, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 10);
  EXPECT_EQ(ids[1], 1);
  EXPECT_EQ(ids[2], DISPID_UNKNOWN);
  EXPECT_EQ(sample->GetIDsOfNames(IID_IDispatch, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
}

TEST(DispatchInvoke, MethodsConvertArgumentsAndResults) {
  ComPtr<CSample> sample = NewSample();
  Variant result;
  ASSERT_EQ(CallMethod(sample.Get(), "Add", {Variant("40")}, &result), S_OK);
  EXPECT_EQ(result, Variant(40));
  ASSERT_EQ(CallMethod(sample.Get(), "add", {Variant(2.5)}, &result), S_OK);  // 2.5 rounds to 2
  EXPECT_EQ(result, Variant(42));
  ASSERT_EQ(CallMethod(sample.Get(), "Join", {Variant("ab"), Variant(12)}, &result), S_OK);
  EXPECT_EQ(result, Variant("ab12"));
  // BOOL in as TRUE (1), BOOL out as VARIANT_TRUE.
  ASSERT_EQ(CallMethod(sample.Get(), "Check", {Variant(true)}, &result), S_OK);
  EXPECT_EQ(result, Variant(false));
  ASSERT_EQ(CallMethod(sample.Get(), "Check", {Variant(0)}, &result), S_OK);
  EXPECT_EQ(result, Variant(true));
  EXPECT_EQ(result.BoolVal(), VARIANT_TRUE);
}

TEST(DispatchInvoke, ArgumentsArriveInDeclarationOrder) {
  ComPtr<CSample> sample = NewSample();
  ASSERT_EQ(PutProperty(sample.Get(), "Ratio", Variant(1.0)), S_OK);
  // Scale(Factor, Steps): 2 three times.
  ASSERT_EQ(CallMethod(sample.Get(), "Scale", {Variant(2.0), Variant(int16_t{3})}), S_OK);
  Variant ratio;
  ASSERT_EQ(GetProperty(sample.Get(), "Ratio", &ratio), S_OK);
  EXPECT_EQ(ratio, Variant(8.0));
}

TEST(DispatchInvoke, VoidMethodLeavesResultEmpty) {
  ComPtr<CSample> sample = NewSample();
  Variant result(5);
  ASSERT_EQ(CallMethod(sample.Get(), "AboutBox", {}, &result), S_OK);
  EXPECT_TRUE(result.IsEmpty());
  EXPECT_EQ(sample->AboutCalls(), 1);
  EXPECT_EQ(CallMethod(sample.Get(), "AboutBox", {}, nullptr), S_OK);  // no result wanted
}

TEST(DispatchInvoke, WrongArgumentCount) {
  ComPtr<CSample> sample = NewSample();
  EXPECT_EQ(CallMethod(sample.Get(), "Add", {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallMethod(sample.Get(), "Add", {Variant(1), Variant(2)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallMethod(sample.Get(), "Describe", {Variant(1)}), DISP_E_BADPARAMCOUNT);
  DispArgs getWithArgument{Variant(1)};
  Variant value;
  EXPECT_EQ(InvokeByName(sample.Get(), "Count", DISPATCH_PROPERTYGET, getWithArgument, &value), DISP_E_BADPARAMCOUNT);
  Variant total;
  ASSERT_EQ(GetProperty(sample.Get(), "Total", &total), S_OK);
  EXPECT_EQ(total, Variant(0));  // nothing ran
}

TEST(DispatchInvoke, ConversionFailureReportsTheArgumentIndex) {
  ComPtr<CSample> sample = NewSample();
  // Scale(Factor R8, Steps I2): the second argument overflows a short; in rgvarg it is index 0.
  DispArgs args{Variant(2.0), Variant(40000)};
  uint32_t argErr = 77;
  EXPECT_EQ(RawInvoke(sample.Get(), 8, DISPATCH_METHOD, args, nullptr, &argErr), DISP_E_OVERFLOW);
  EXPECT_EQ(argErr, 0u);
  // The first argument does not parse: rgvarg index 1.
  DispArgs args2{Variant("two"), Variant(1)};
  argErr = 77;
  EXPECT_EQ(RawInvoke(sample.Get(), 8, DISPATCH_METHOD, args2, nullptr, &argErr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 1u);
  // The caller-side helper maps it back to the written position.
  uint32_t written = 77;
  EXPECT_EQ(CallMethod(sample.Get(), "Join", {Variant("a"), Variant::Null()}, nullptr, &written), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(written, 1u);
  Variant ratio;
  ASSERT_EQ(GetProperty(sample.Get(), "Ratio", &ratio), S_OK);
  EXPECT_EQ(ratio, Variant(1.0));  // the handler never ran
}

TEST(DispatchInvoke, WrongKindOfCall) {
  ComPtr<CSample> sample = NewSample();
  DispArgs none;
  Variant result;
  EXPECT_EQ(RawInvoke(sample.Get(), 6, DISPATCH_PROPERTYPUT, none, &result), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(RawInvoke(sample.Get(), 1, DISPATCH_METHOD, none, &result), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(RawInvoke(sample.Get(), 13, DISPATCH_METHOD, none, &result), DISP_E_MEMBERNOTFOUND);  // no such id
  EXPECT_EQ(RawInvoke(sample.Get(), 1, 0, none, &result), DISP_E_MEMBERNOTFOUND);
  DispArgs put = DispArgs::ForPut(Variant(3));
  EXPECT_EQ(RawInvoke(sample.Get(), 1, DISPATCH_PROPERTYPUTREF, put, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(PutProperty(sample.Get(), "Total", Variant(3)), DISP_E_MEMBERNOTFOUND);  // read-only
  EXPECT_EQ(sample->Invoke(1, IID_IDispatch, 0, DISPATCH_PROPERTYGET, none.Params(), &result, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

TEST(DispatchInvoke, PropertyGetAcceptsMethodFlagAsScriptsSendIt) {
  ComPtr<CSample> sample = NewSample();
  ASSERT_EQ(PutProperty(sample.Get(), "Label", Variant("tag")), S_OK);
  DispArgs none;
  Variant value;
  ASSERT_EQ(RawInvoke(sample.Get(), 2, DISPATCH_METHOD | DISPATCH_PROPERTYGET, none, &value), S_OK);
  EXPECT_EQ(value, Variant("tag"));
  ASSERT_EQ(RawInvoke(sample.Get(), 7, DISPATCH_METHOD | DISPATCH_PROPERTYGET, none, &value), S_OK);
  EXPECT_EQ(value, Variant("tag x0"));
}

TEST(DispatchInvoke, PutStoresThenNotifies) {
  ComPtr<CSample> sample = NewSample();
  ASSERT_EQ(PutProperty(sample.Get(), "count", Variant("12")), S_OK);
  EXPECT_EQ(sample->CountChanges(), 1);
  EXPECT_EQ(sample->CountSeenByNotification(), 12);  // the value was stored before the notification ran
  Variant value;
  ASSERT_EQ(GetProperty(sample.Get(), "Count", &value), S_OK);
  EXPECT_EQ(value, Variant(12));
  // A failed conversion neither stores nor notifies.
  EXPECT_EQ(PutProperty(sample.Get(), "Count", Variant(1e12)), DISP_E_OVERFLOW);
  EXPECT_EQ(sample->CountChanges(), 1);
  ASSERT_EQ(GetProperty(sample.Get(), "Count", &value), S_OK);
  EXPECT_EQ(value, Variant(12));
}

TEST(DispatchInvoke, PutValueMayComeUnnamedButNotUnderAnotherName) {
  ComPtr<CSample> sample = NewSample();
  DispArgs positional{Variant(5)};
  EXPECT_EQ(RawInvoke(sample.Get(), 1, DISPATCH_PROPERTYPUT, positional, nullptr), S_OK);
  DispArgs wrongName;
  wrongName.AppendNamed(3, Variant(6));
  uint32_t argErr = 9;
  EXPECT_EQ(RawInvoke(sample.Get(), 1, DISPATCH_PROPERTYPUT, wrongName, nullptr, &argErr), DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(argErr, 0u);
  Variant value;
  ASSERT_EQ(GetProperty(sample.Get(), "Count", &value), S_OK);
  EXPECT_EQ(value, Variant(5));
}

TEST(DispatchInvoke, NamedArgumentsGoToTheirParameters) {
  ComPtr<CSample> sample = NewSample();
  DispArgs args;
  args.AppendNamed(1, Variant("B"));  // Second
  args.AppendNamed(0, Variant("A"));  // First
  Variant result;
  ASSERT_EQ(RawInvoke(sample.Get(), 10, DISPATCH_METHOD, args, &result), S_OK);
  EXPECT_EQ(result, Variant("AB"));
  DispArgs mixed{Variant("x")};
  mixed.AppendNamed(1, Variant("y"));
  ASSERT_EQ(RawInvoke(sample.Get(), 10, DISPATCH_METHOD, mixed, &result), S_OK);
  EXPECT_EQ(result, Variant("xy"));
  DispArgs twice{Variant("x")};
  twice.AppendNamed(0, Variant("y"));
  EXPECT_EQ(RawInvoke(sample.Get(), 10, DISPATCH_METHOD, twice, &result), DISP_E_PARAMNOTFOUND);
}

TEST(DispatchInvoke, StockPropertiesUseAccessors) {
  ComPtr<CSample> sample = NewSample();
  Variant color;
  ASSERT_EQ(GetProperty(sample.Get(), "BackColor", &color), S_OK);
  EXPECT_EQ(color, Variant(uint32_t{0x8000000F}));
  // A script's number above the signed range still fits the unsigned colour.
  ASSERT_EQ(PutProperty(sample.Get(), "BackColor", Variant(2147483653.0)), S_OK);
  ASSERT_EQ(GetProperty(sample.Get(), "BackColor", &color), S_OK);
  EXPECT_EQ(color, Variant(uint32_t{0x80000005}));
  // A late-bound host's signed long keeps its bits; beyond both spellings the value overflows.
  ASSERT_EQ(PutProperty(sample.Get(), "BackColor", Variant(-1)), S_OK);
  ASSERT_EQ(GetProperty(sample.Get(), "BackColor", &color), S_OK);
  EXPECT_EQ(color, Variant(uint32_t{0xFFFFFFFF}));
  EXPECT_EQ(PutProperty(sample.Get(), "BackColor", Variant(-2147483649.0)), DISP_E_OVERFLOW);
  ASSERT_EQ(PutProperty(sample.Get(), "Enabled", Variant("False")), S_OK);
  Variant enabled;
  ASSERT_EQ(GetProperty(sample.Get(), "Enabled", &enabled), S_OK);
  EXPECT_EQ(enabled, Variant(false));
}

TEST(DispatchInvoke, BadParameterBlocks) {
  ComPtr<CSample> sample = NewSample();
  Variant result;
  EXPECT_EQ(sample->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, nullptr, &result, nullptr, nullptr), E_INVALIDARG);
  DISPPARAMS noArray;
  noArray.cArgs = 1;
  EXPECT_EQ(sample->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &noArray, &result, nullptr, nullptr), E_INVALIDARG);
}

TEST(DispatchTable, RowsKeepDeclarationOrderAndKinds) {
  const DispatchTable& table = CSample::AutomationTable();
  ASSERT_EQ(table.members.size(), 14u);
  EXPECT_STREQ(table.members[0].name, "Count");
  EXPECT_EQ(table.members[0].kind, MemberKind::PropertyNotify);
  EXPECT_EQ(table.members[1].kind, MemberKind::Property);
  EXPECT_TRUE(table.members[4].IsReadOnly());
  EXPECT_EQ(table.members[11].kind, MemberKind::StockProperty);
  EXPECT_STREQ(table.members[13].name, "AboutBox");
  EXPECT_EQ(table.members[13].dispid, -552);
  EXPECT_EQ(table.FindName("SCALE")->Params()[1].type.vt, VT_I2);
  EXPECT_EQ(table.FindId(13), nullptr);
  EXPECT_TRUE(TableBelongsTo<CSample>(table));
  EXPECT_FALSE(TableBelongsTo<int>(table));
}

}  // namespace
}  // namespace tavlen::ole
