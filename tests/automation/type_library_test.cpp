// Type libraries made from dispatch tables: the queries hosts make, and the IDL text.
#include <gtest/gtest.h>

#include "tests/automation/sample_object.h"

namespace tavlen::ole {
namespace {

using test::CSample;

// The IDL of the sample library, as a reviewer would read it.
constexpr const char* kSampleIdl = R"(#include <olectl.h>
#include <idispids.h>

[
  uuid(D055E801-EFF4-4CF9-8DEF-068F694C940D),
  version(1.0),
  helpstring("Sample automation library"),
  helpfile("sample.hlp"),
  control
]
library SampleLib
{
    importlib("stdole2.tlb");

    typedef [uuid(3035E61C-ADFC-432C-BD92-201F71D79BB7), helpstring("Shades of the sample")]
    enum {
        Light = 0,
        Dark = 1,
        [helpstring("Lines across")] Striped = 2
    } ShadeKind;

    [
      uuid(6C5E6024-7DA0-4546-A29D-EED52FBC4AD6),
      helpstring("Dispatch interface for the sample"),
      hidden
    ]
    dispinterface _DSample {
        properties:
            [id(1), helpstring("How many")] long Count;
            [id(2)] BSTR Label;
            [id(3)] double Ratio;
            [id(4)] ShadeKind Shade;
            [id(5), readonly] long Total;
            [id(DISPID_BACKCOLOR), bindable, requestedit] OLE_COLOR BackColor;
            [id(DISPID_ENABLED), bindable, requestedit] VARIANT_BOOL Enabled;
        methods:
            [id(6), helpstring("Adds to the total")] long Add(long Amount);
            [id(7)] BSTR Describe();
            [id(8)] void Scale(double Factor, short Steps);
            [id(9)] VARIANT_BOOL Check(VARIANT_BOOL Flag);
            [id(10)] BSTR Join(BSTR First, BSTR Second);
            [id(11)] void Ping(long Value);
            [id(DISPID_ABOUTBOX)] void AboutBox();
    };

    [
      uuid(F2BBCAF6-455C-42E9-88BC-FCC7FDF443D9),
      helpstring("Event interface for the sample"),
      hidden
    ]
    dispinterface _DSampleEvents {
        properties:
        methods:
            [id(1)] void Pinged(long Value);
            [id(DISPID_CLICK)] void Click();
            [id(DISPID_MOUSEDOWN)] void MouseDown(short Button, short Shift, OLE_XPOS_PIXELS X, OLE_YPOS_PIXELS Y);
    };

    [
      uuid(0E1684F3-1EA2-4DD1-BDAE-9776E45476D6),
      helpstring("Sample Control"),
      control
    ]
    coclass Sample {
        [default] dispinterface _DSample;
        [default, source] dispinterface _DSampleEvents;
    };
};
)";

ComPtr<ITypeLib> SampleLib() {
  ComPtr<ITypeLib> lib;
  EXPECT_EQ(CreateTypeLib(test::SampleTypeLib(), lib.Put()), S_OK);
  return lib;
}

TEST(TypeLibrary, IdlTextOfTheSampleTables) {
  ComPtr<ITypeLib> lib = SampleLib();
  std::string idl;
  ASSERT_EQ(FormatIdl(lib.Get(), &idl), S_OK);
  EXPECT_EQ(idl, kSampleIdl);
}

TEST(TypeLibrary, LibraryAttributesAndOrder) {
  ComPtr<ITypeLib> lib = SampleLib();
  LibAttr attr;
  ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr.guid, test::kSampleLibId);
  EXPECT_EQ(attr.majorVersion, 1);
  EXPECT_EQ(attr.minorVersion, 0);
  EXPECT_EQ(attr.flags, LIBFLAG_FCONTROL);
  ASSERT_EQ(lib->GetTypeInfoCount(), 4u);
  std::string name, help, helpFile;
  ASSERT_EQ(lib->GetDocumentation(-1, &name, &help, &helpFile), S_OK);
  EXPECT_EQ(name, "SampleLib");
  EXPECT_EQ(help, "Sample automation library");
  EXPECT_EQ(helpFile, "sample.hlp");
  const char* expectedNames[] = {"ShadeKind", "_DSample", "_DSampleEvents", "Sample"};
  for (int32_t i = 0; i < 4; ++i) {
    ASSERT_EQ(lib->GetDocumentation(i, &name, nullptr, nullptr), S_OK);
    EXPECT_EQ(name, expectedNames[i]);
  }
  EXPECT_EQ(lib->GetDocumentation(4, &name, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
}

TEST(TypeLibrary, DispatchInterfaceDescribesEveryRow) {
  ComPtr<ITypeLib> lib = SampleLib();
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(test::kSampleIid, info.Put()), S_OK);
  TypeAttr attr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr.kind, TKIND_DISPATCH);
  EXPECT_EQ(attr.varCount, 7);
  EXPECT_EQ(attr.funcCount, 7);
  EXPECT_TRUE(attr.typeFlags & TYPEFLAG_FHIDDEN);

  FuncDesc scale;
  ASSERT_EQ(info->GetFuncDesc(2, &scale), S_OK);
  EXPECT_EQ(scale.name, "Scale");
  EXPECT_EQ(scale.memid, 8);
  EXPECT_EQ(scale.result.vt, VT_EMPTY);
  ASSERT_EQ(scale.params.size(), 2u);
  EXPECT_EQ(scale.params[1].name, "Steps");
  EXPECT_EQ(scale.params[1].type.vt, VT_I2);
  EXPECT_EQ(info->GetFuncDesc(7, &scale), TYPE_E_ELEMENTNOTFOUND);

  VarDesc shade;
  ASSERT_EQ(info->GetVarDesc(3, &shade), S_OK);
  EXPECT_EQ(shade.name, "Shade");
  EXPECT_EQ(shade.type.vt, VT_I2);
  EXPECT_EQ(shade.type.name, "ShadeKind");
  VarDesc total;
  ASSERT_EQ(info->GetVarDesc(4, &total), S_OK);
  EXPECT_EQ(total.flags, VARFLAG_FREADONLY);

  const char* names[] = {"SCALE", "steps"};
  DISPID ids[2];
  ASSERT_EQ(info->GetIDsOfNames(names, 2, ids), S_OK);
  EXPECT_EQ(ids[0], 8);
  EXPECT_EQ(ids[1], 1);
  std::string name, help;
  ASSERT_EQ(info->GetDocumentation(6, &name, &help, nullptr), S_OK);
  EXPECT_EQ(name, "Add");
  EXPECT_EQ(help, "Adds to the total");
  EXPECT_EQ(info->GetDocumentation(13, &name, &help, nullptr), TYPE_E_ELEMENTNOTFOUND);
}

TEST(TypeLibrary, EnumerationConstants) {
  ComPtr<ITypeLib> lib = SampleLib();
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(lib->FindTypeInfo("shadekind", info.Put()), S_OK);
  TypeAttr attr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr.kind, TKIND_ENUM);
  ASSERT_EQ(attr.varCount, 3);
  VarDesc striped;
  ASSERT_EQ(info->GetVarDesc(2, &striped), S_OK);
  EXPECT_EQ(striped.kind, VAR_CONST);
  EXPECT_EQ(striped.name, "Striped");
  EXPECT_EQ(striped.value, Variant(2));
  EXPECT_EQ(lib->FindTypeInfo("NoSuchType", info.Put()), TYPE_E_ELEMENTNOTFOUND);
}

TEST(TypeLibrary, ClassNamesDefaultAndSourceInterfaces) {
  ComPtr<ITypeLib> lib = SampleLib();
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(test::kSampleClsid, coclass.Put()), S_OK);
  TypeAttr attr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr.kind, TKIND_COCLASS);
  EXPECT_EQ(attr.typeFlags, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
  ASSERT_EQ(attr.implTypeCount, 2);
  int32_t flags = 0;
  ComPtr<ITypeInfo> source;
  ASSERT_EQ(coclass->GetImplType(1, &flags, source.Put()), S_OK);
  EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
  TypeAttr sourceAttr;
  ASSERT_EQ(source->GetTypeAttr(&sourceAttr), S_OK);
  EXPECT_EQ(sourceAttr.guid, test::kSampleEventsIid);
  ComPtr<ITypeInfo> none;
  EXPECT_EQ(coclass->GetImplType(2, &flags, none.Put()), TYPE_E_ELEMENTNOTFOUND);
}

TEST(TypeLibrary, TypeInfoKeepsItsLibrary) {
  ComPtr<ITypeInfo> info;
  {
    ComPtr<ITypeLib> lib = SampleLib();
    ASSERT_EQ(lib->GetTypeInfo(1, info.Put()), S_OK);
  }
  ComPtr<ITypeLib> containing;
  uint32_t index = 9;
  ASSERT_EQ(info->GetContainingTypeLib(containing.Put(), &index), S_OK);
  EXPECT_EQ(index, 1u);
  std::string name;
  ASSERT_EQ(containing->GetDocumentation(-1, &name, nullptr, nullptr), S_OK);
  EXPECT_EQ(name, "SampleLib");
}

TEST(TypeLibrary, ClassNamingAnUnlistedInterfaceIsRefused) {
  static const DispatchTable* const kOnlyEvents[] = {&CSample::EventTable()};
  static const CoClassDesc kClasses[] = {
      {"Broken", test::kSampleClsid, nullptr, &CSample::AutomationTable(), nullptr, TYPEFLAG_FCANCREATE}};
  TypeLibDesc desc;
  desc.name = "Broken";
  desc.interfaces = kOnlyEvents;
  desc.classes = kClasses;
  ComPtr<ITypeLib> lib;
  EXPECT_EQ(CreateTypeLib(desc, lib.Put()), E_INVALIDARG);
  EXPECT_FALSE(lib);
}

}  // namespace
}  // namespace tavlen::ole
