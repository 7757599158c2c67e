// The automation interface row by row: names, DISPIDs, kinds, argument names and types, result types,
// the event interface, name lookup, and the type library and IDL generated from the same rows.
#include "control/tavlen_interfaces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "control/class_ids.h"
#include "control/resources.h"
#include "control/tavlen_ctrl.h"
#include "control/tavlen_library.h"
#include "platform/automation/dispatch_invoke.h"
#include "platform/automation/type_library.h"

namespace tavlen {
namespace {

using ole::MemberKind;

// A type as the interface documents it.
ole::TypeRef TypeOf(const std::string& word) {
  if (word == "void") return ole::VT_EMPTY;
  if (word == "BOOL") return ole::VT_BOOL;
  if (word == "short") return ole::VT_I2;
  if (word == "long") return ole::VT_I4;
  if (word == "double") return ole::VT_R8;
  if (word == "BSTR" || word == "string") return ole::VT_BSTR;
  if (word == "OLE_COLOR") return {ole::VT_UI4, "OLE_COLOR"};
  if (word == "ImageAlign") return {ole::VT_I2, "ImageAlign"};
  if (word == "BackStyle") return {ole::VT_I2, "BackStyle"};
  if (word == "Appearance") return {ole::VT_I2, "Appearance"};
  if (word == "TiffCompression") return {ole::VT_I4, "TiffCompression"};
  ADD_FAILURE() << "unknown type word " << word;
  return ole::VT_EMPTY;
}

struct Row {
  const char* name;
  ole::DISPID id;
  MemberKind kind;
  const char* type;    // property type or method result
  const char* params;  // "type Name, type Name"
};

constexpr MemberKind P = MemberKind::PropertyNotify, M = MemberKind::Method, S = MemberKind::StockProperty;

// The interface as published, in its order.
const Row kExpected[] = {
    {"Align", 1, P, "ImageAlign", ""},
    {"BackStyle", 2, P, "BackStyle", ""},
    {"BorderColor", 3, P, "OLE_COLOR", ""},
    {"BorderWidth", 4, P, "double", ""},
    {"JpgQuality", 5, P, "long", ""},
    {"ShowBorder", 6, P, "BOOL", ""},
    {"TextBold", 7, P, "BOOL", ""},
    {"TextColor", 8, P, "OLE_COLOR", ""},
    {"TextFont", 9, P, "string", ""},
    {"TextItalic", 10, P, "BOOL", ""},
    {"TextSize", 11, P, "short", ""},
    {"ZoomValue", 12, P, "double", ""},
    {"TiffCompression", 14, P, "TiffCompression", ""},
    {"ConvertImageToBlackWhite", 15, M, "void", ""},
    {"ConvertImageToGrayScaled", 16, M, "void", ""},
    {"ConvertToBmp", 17, M, "BOOL", "BSTR SourcePath, BSTR DestinationPath"},
    {"ConvertToGif", 18, M, "BOOL", "BSTR SourcePath, BSTR DestinationPath"},
    {"ConvertToJpg", 19, M, "BOOL", "BSTR SourcePath, BSTR DestinationPath"},
    {"ConvertToPng", 20, M, "BOOL", "BSTR SourcePath, BSTR DestinationPath"},
    {"ConvertToTif", 21, M, "BOOL", "BSTR SourcePath, BSTR DestinationPath"},
    {"DrawText", 22, M, "void", "short X, short Y, BSTR Text"},
    {"ExportFrame", 23, M, "BOOL", "BSTR SourcePath, BSTR DestinationPath, BSTR Type, long Page"},
    {"Flip", 24, M, "void", "BOOL Vertically"},
    {"GetFrameCount", 25, M, "long", "BSTR FilePath"},
    {"GetHeight", 26, M, "long", ""},
    {"GetPixelBlue", 27, M, "long", "long X, long Y"},
    {"GetPixelColor", 28, M, "long", "long X, long Y"},
    {"GetPixelGreen", 29, M, "long", "long X, long Y"},
    {"GetPixelRed", 30, M, "long", "long X, long Y"},
    {"GetWidth", 31, M, "long", ""},
    {"LoadFrame", 32, M, "void", "BSTR FilePath, long Page"},
    {"LoadImage", 33, M, "void", "BSTR FilePath"},
    {"MoveTo", 34, M, "void", "long X, long Y"},
    {"MoveXTo", 35, M, "void", "long X"},
    {"MoveYTo", 36, M, "void", "long Y"},
    {"PrintImage", 37, M, "BOOL", ""},
    {"PrintImageBySize", 38, M, "BOOL", "long Width, long Height"},
    {"Resize", 39, M, "void", "long NewWidth, long NewHeight"},
    {"Rotate180", 40, M, "void", ""},
    {"Rotate270", 41, M, "void", ""},
    {"Rotate90", 42, M, "void", ""},
    {"SaveAsBmp", 43, M, "BOOL", "BSTR FilePath"},
    {"SaveAsGif", 44, M, "BOOL", "BSTR FilePath"},
    {"SaveAsJpg", 45, M, "BOOL", "BSTR FilePath"},
    {"SaveAsPng", 46, M, "BOOL", "BSTR FilePath"},
    {"SaveAsTif", 47, M, "BOOL", "BSTR FilePath"},
    {"ShiftX", 48, M, "void", "long X"},
    {"ShiftY", 49, M, "void", "long Y"},
    {"Zoom", 50, M, "void", ""},
    {"ZoomByOriginal", 51, M, "void", ""},
    {"ZoomToFit", 52, M, "void", ""},
    {"GetMouseXpos", 53, M, "double", ""},
    {"GetMouseYpos", 54, M, "double", ""},
    {"GetImageXpos", 55, M, "double", ""},
    {"GetImageYpos", 56, M, "double", ""},
    {"GetTextFontCount", 57, M, "long", ""},
    {"GetTextFont", 58, M, "BSTR", "short Index"},
    {"ConvertFrom1bpp", 59, M, "void", ""},
    {"DrawWaterMarkText", 60, M, "void", "long X, long Y, BSTR Text"},
    {"DrawOutlineText", 61, M, "void", "long X, long Y, BSTR Text"},
    {"DrawFillOutlineText", 62, M, "void", "long X, long Y, BSTR Text, long FillColor"},
    {"DrawShadowText", 63, M, "void", "long X, long Y, BSTR Text, long ShadowColor"},
    {"Undo", 64, M, "void", ""},
    {"GetUndo", 65, M, "long", ""},
    {"ZoomToFitByWidth", 66, M, "void", ""},
    {"ZoomToFitByHeight", 67, M, "void", ""},
    {"GetImageArtist", 68, M, "BSTR", ""},
    {"GetImageCopyright", 69, M, "BSTR", ""},
    {"GetImageDateTime", 70, M, "BSTR", ""},
    {"GetImageDescription", 71, M, "BSTR", ""},
    {"GetImageEquipMake", 72, M, "BSTR", ""},
    {"GetImageEquipModel", 73, M, "BSTR", ""},
    {"GetImageTitle", 74, M, "BSTR", ""},
    {"SetImageArtist", 75, M, "void", "BSTR Artist"},
    {"SetImageCopyright", 76, M, "void", "BSTR Copyright"},
    {"SetImageDateTime", 77, M, "void", "BSTR DateTime"},
    {"SetImageDescription", 78, M, "void", "BSTR Description"},
    {"SetImageEquipMake", 79, M, "void", "BSTR EquipMake"},
    {"SetImageEquipModel", 80, M, "void", "BSTR EquipModel"},
    {"SetImageTitle", 81, M, "void", "BSTR Title"},
    {"CopyToClipboard", 82, M, "void", ""},
    {"GetVertScrollBarPos", 83, M, "long", ""},
    {"GetHorzScrollBarPos", 84, M, "long", ""},
    {"SaveScrollBarPos", 85, M, "void", ""},
    {"RestoreScrollBarPos", 86, M, "void", ""},
    {"SetScrollBarPos", 87, M, "void", "long X, long Y"},
    {"Appearance", -520, S, "Appearance", ""},
    {"BackColor", -501, S, "OLE_COLOR", ""},
    {"Enabled", -514, S, "BOOL", ""},
    {"ForeColor", -513, S, "OLE_COLOR", ""},
    {"AboutBox", -552, M, "void", ""},
};

std::vector<std::pair<std::string, ole::TypeRef>> ParamsOf(const std::string& text) {
  std::vector<std::pair<std::string, ole::TypeRef>> params;
  std::stringstream list(text);
  std::string item;
  while (std::getline(list, item, ',')) {
    std::stringstream words(item);
    std::string type, name;
    words >> type >> name;
    params.emplace_back(name, TypeOf(type));
  }
  return params;
}

std::string NameOf(const ole::TypeRef& type) { return type.name ? type.name : ""; }

TEST(DispatchTable, MatchesThePublishedInterfaceRowByRow) {
  const ole::DispatchTable& table = TavlenDispatchTable();
  EXPECT_STREQ(table.name, "_DTavlen");
  EXPECT_EQ(table.iid, kDispatchIid);
  ASSERT_EQ(table.members.size(), std::size(kExpected));
  for (size_t i = 0; i < std::size(kExpected); ++i) {
    const Row& want = kExpected[i];
    const ole::DispatchMember& got = table.members[i];
    SCOPED_TRACE(want.name);
    EXPECT_STREQ(got.name, want.name);
    EXPECT_EQ(got.dispid, want.id);
    EXPECT_EQ(got.kind, want.kind);
    const ole::TypeRef type = TypeOf(want.type);
    EXPECT_EQ(got.type.vt, type.vt);
    EXPECT_EQ(NameOf(got.type), NameOf(type));
    const auto params = ParamsOf(want.params);
    ASSERT_EQ(got.Params().size(), params.size());
    for (size_t p = 0; p < params.size(); ++p) {
      EXPECT_EQ(got.Params()[p].name, params[p].first);
      EXPECT_EQ(got.Params()[p].type.vt, params[p].second.vt) << params[p].first;
    }
    // Every property can be written; every row is bound to a handler.
    if (got.IsProperty()) {
      EXPECT_FALSE(got.IsReadOnly());
      EXPECT_NE(got.get, nullptr);
    } else {
      EXPECT_NE(got.method, nullptr);
    }
  }
}

// What a freshly placed control reports, property by property. Every property row of the table
// must have an entry here, so a property added to the table without a stated default fails.
struct DefaultValue {
  const char* name;
  ole::Variant value;
};

const std::vector<DefaultValue>& FreshDefaults() {
  static const std::vector<DefaultValue> kDefaults = {
      {"Align", ole::Variant(int16_t{2})},        {"BackStyle", ole::Variant(int16_t{0})},
      {"BorderColor", ole::Variant(0x00FFFFFFu)}, {"BorderWidth", ole::Variant(1.0)},
      {"JpgQuality", ole::Variant(100)},          {"ShowBorder", ole::Variant(true)},
      {"TextBold", ole::Variant(false)},          {"TextColor", ole::Variant(0u)},
      {"TextFont", ole::Variant("Arial")},        {"TextItalic", ole::Variant(false)},
      {"TextSize", ole::Variant(int16_t{10})},    {"ZoomValue", ole::Variant(1.0)},
      {"TiffCompression", ole::Variant(0)},       {"Appearance", ole::Variant(int16_t{0})},
      {"BackColor", ole::Variant(0x8000000Fu)},   {"Enabled", ole::Variant(true)},
      {"ForeColor", ole::Variant(0x80000012u)},
  };
  return kDefaults;
}

TEST(DispatchTable, EveryPropertyOfAFreshControlHasItsDefault) {
  CTavlenCtrl ctrl;
  ctrl.InitNew();
  size_t properties = 0;
  for (const ole::DispatchMember& member : TavlenDispatchTable().members) {
    if (!member.IsProperty()) continue;
    ++properties;
    const auto expected = std::find_if(FreshDefaults().begin(), FreshDefaults().end(),
                                       [&](const DefaultValue& d) { return std::string_view(d.name) == member.name; });
    ASSERT_NE(expected, FreshDefaults().end()) << member.name << " has no stated default";
    ole::Variant value;
    member.get(static_cast<CTavlenCtrl*>(&ctrl), &value, member.type.vt);
    EXPECT_EQ(value, expected->value) << member.name;
  }
  EXPECT_EQ(properties, FreshDefaults().size()) << "a stated default names no property of the table";
}

TEST(DispatchTable, LeavesDispid13Unassigned) {
  EXPECT_EQ(TavlenDispatchTable().FindId(13), nullptr);
  EXPECT_NE(TavlenDispatchTable().FindId(12), nullptr);
  EXPECT_NE(TavlenDispatchTable().FindId(14), nullptr);
}

TEST(DispatchTable, FindsNamesWithoutRegardToCase) {
  const ole::DispatchTable& table = TavlenDispatchTable();
  const char* names[] = {"loadimage"};
  ole::DISPID id = 0;
  ASSERT_EQ(ole::TableGetIDsOfNames(table, names, 1, &id), ole::S_OK);
  EXPECT_EQ(id, 33);
  const char* align[] = {"ALIGN"};
  ASSERT_EQ(ole::TableGetIDsOfNames(table, align, 1, &id), ole::S_OK);
  EXPECT_EQ(id, 1);
  const char* withParam[] = {"movexto", "x"};
  ole::DISPID ids[2] = {};
  ASSERT_EQ(ole::TableGetIDsOfNames(table, withParam, 2, ids), ole::S_OK);
  EXPECT_EQ(ids[0], 35);
  EXPECT_EQ(ids[1], 0);
  const char* unknown[] = {"LoadPicture"};
  EXPECT_EQ(ole::TableGetIDsOfNames(table, unknown, 1, &id), ole::DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, ole::DISPID_UNKNOWN);
}

TEST(EventTable, HoldsTheStockMouseEvents) {
  const ole::DispatchTable& events = TavlenEventTable();
  EXPECT_STREQ(events.name, "_DTavlenEvents");
  EXPECT_EQ(events.iid, kEventsIid);
  const std::pair<const char*, ole::DISPID> expected[] = {
      {"Click", -600}, {"DblClick", -601}, {"MouseDown", -605}, {"MouseMove", -606}, {"MouseUp", -607}};
  ASSERT_EQ(events.members.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const ole::DispatchMember& row = events.members[i];
    EXPECT_STREQ(row.name, expected[i].first);
    EXPECT_EQ(row.dispid, expected[i].second);
    if (row.dispid == -600 || row.dispid == -601) {
      EXPECT_EQ(row.paramCount, 0);
      continue;
    }
    ASSERT_EQ(row.paramCount, 4) << row.name;
    EXPECT_STREQ(row.params[0].name, "Button");
    EXPECT_EQ(row.params[0].type.vt, ole::VT_I2);
    EXPECT_STREQ(row.params[1].name, "Shift");
    EXPECT_EQ(row.params[1].type.vt, ole::VT_I2);
    EXPECT_STREQ(row.params[2].type.name, "OLE_XPOS_PIXELS");
    EXPECT_STREQ(row.params[3].type.name, "OLE_YPOS_PIXELS");
  }
}

class TypeLibTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(ole::CreateTypeLib(TavlenTypeLib(), lib.Put()), ole::S_OK); }
  ole::ComPtr<ole::ITypeLib> lib;
};

TEST_F(TypeLibTest, DescribesTheLibraryItsEnumerationsInterfacesAndClass) {
  ole::LibAttr attr;
  ASSERT_EQ(lib->GetLibAttr(&attr), ole::S_OK);
  EXPECT_EQ(attr.guid, kTavlenLibId);
  EXPECT_EQ(attr.lcid, 1033u);
  EXPECT_EQ(attr.majorVersion, 1);
  EXPECT_EQ(attr.minorVersion, 0);
  std::string name, help, helpFile;
  ASSERT_EQ(lib->GetDocumentation(-1, &name, &help, &helpFile), ole::S_OK);
  EXPECT_EQ(name, "ZORARUZuv");
  EXPECT_EQ(help, "Tavlen ActiveX Control module");
  EXPECT_EQ(helpFile, "Zeriri.zir");

  // Enumerations, interfaces, classes: in that order, version 1's before version 2's.
  const char* expected[] = {"TiffCompression",  "Appearance", "ImageAlign",     "BackStyle",
                            "TiffCompression2", "_DTavlen",   "_DTavlenEvents", "_DTavlen2",
                            "_DTavlen2Events",  "Tavlen",     "Tavlen2"};
  ASSERT_EQ(lib->GetTypeInfoCount(), std::size(expected));
  for (uint32_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(lib->GetDocumentation(static_cast<int32_t>(i), &name, nullptr, nullptr), ole::S_OK);
    EXPECT_EQ(name, expected[i]);
  }

  ole::ComPtr<ole::ITypeInfo> backStyle;
  ASSERT_EQ(lib->FindTypeInfo("BackStyle", backStyle.Put()), ole::S_OK);
  ole::TypeAttr enumAttr;
  ASSERT_EQ(backStyle->GetTypeAttr(&enumAttr), ole::S_OK);
  EXPECT_EQ(enumAttr.kind, ole::TKIND_ENUM);
  ASSERT_EQ(enumAttr.varCount, 54);
  ole::VarDesc last;
  ASSERT_EQ(backStyle->GetVarDesc(53, &last), ole::S_OK);
  EXPECT_EQ(last.name, "SolidDiamond");
  EXPECT_EQ(last.value, ole::Variant(53));

  ole::ComPtr<ole::ITypeInfo> coclass;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(kTavlenClsid, coclass.Put()), ole::S_OK);
  ASSERT_EQ(coclass->GetDocumentation(ole::MEMBERID_NIL, &name, &help, nullptr), ole::S_OK);
  EXPECT_EQ(help, "Tavlen Control");
  int32_t flags = 0;
  ole::ComPtr<ole::ITypeInfo> source;
  ASSERT_EQ(coclass->GetImplType(1, &flags, source.Put()), ole::S_OK);
  EXPECT_EQ(flags, ole::IMPLTYPEFLAG_FDEFAULT | ole::IMPLTYPEFLAG_FSOURCE);
  ASSERT_EQ(source->GetDocumentation(ole::MEMBERID_NIL, &name, &help, nullptr), ole::S_OK);
  EXPECT_EQ(name, "_DTavlenEvents");
  EXPECT_EQ(help, "Event interface for Tavlen Control");
}

TEST_F(TypeLibTest, IdlHoldsTheEnumerationsAndTheInterface) {
  std::string idl;
  ASSERT_EQ(ole::FormatIdl(lib.Get(), &idl), ole::S_OK);
  for (const char* needle : {"library ZORARUZuv", "helpfile(\"Zeriri.zir\")", "importlib(\"stdole2.tlb\")",
                             "CompressionCCITT4 = 2", "Style3D = 1", "BottomRight = 7", "LargeCheckerBoard = 51",
                             "dispinterface _DTavlen", "dispinterface _DTavlenEvents", "coclass Tavlen", "LoadImage",
                             "FilePath", "ImageAlign Align", "AboutBox", "Dispatch interface for Tavlen Control"}) {
    EXPECT_NE(idl.find(needle), std::string::npos) << needle << "\n" << idl.substr(0, 2000);
  }
  // Identifier 13 is skipped between ZoomValue and TiffCompression.
  EXPECT_NE(idl.find("id(12)"), std::string::npos);
  EXPECT_NE(idl.find("id(14)"), std::string::npos);
  EXPECT_EQ(idl.find("id(13)"), std::string::npos);
}

TEST_F(TypeLibTest, IdlListsTheColourAndFormatMembersInVersion2sInterfaceOnly) {
  std::string idl;
  ASSERT_EQ(ole::FormatIdl(lib.Get(), &idl), ole::S_OK);
  const size_t version2 = idl.find("dispinterface _DTavlen2 {");
  ASSERT_NE(version2, std::string::npos);
  for (const char* member : {"[id(260)] VARIANT_BOOL ColorManaged;", "[id(261)] VARIANT_BOOL ExtraFormats;",
                             "[id(262)] VARIANT_BOOL SaveAsWebp(BSTR FilePath);",
                             "[id(263)] VARIANT_BOOL ConvertToWebp(BSTR SourcePath, BSTR DestinationPath);"}) {
    const size_t at = idl.find(member);
    EXPECT_NE(at, std::string::npos) << member;
    EXPECT_GT(at, version2) << member;
    EXPECT_EQ(idl.find(member, at + 1), std::string::npos) << member << " is listed once";
  }
}

TEST(Resources, CarryTheStringsTheToolboxBitmapAndTheSelfRegisterEntry) {
  EXPECT_EQ(res::LoadString(1), "Tavlen Control");
  EXPECT_EQ(res::LoadString(2), "Tavlen Property Page");
  EXPECT_EQ(res::LoadString(200), "General");
  EXPECT_TRUE(res::LoadString(3).empty());
  EXPECT_EQ(res::FindDialog(2), nullptr);

  const res::BitmapResource* toolbox = res::FindBitmap(1);
  ASSERT_NE(toolbox, nullptr);
  ASSERT_EQ(toolbox->pixels.size(), static_cast<size_t>(toolbox->width * toolbox->height * 3));
  EXPECT_EQ(toolbox->width, 16);
  EXPECT_EQ(toolbox->bitsPerPixel, 24);

  bool selfRegister = false;
  for (const res::VersionString& entry : res::Version().strings) {
    selfRegister |= std::string(entry.key) == "OLESelfRegister";
  }
  EXPECT_TRUE(selfRegister);
}

}  // namespace
}  // namespace tavlen
