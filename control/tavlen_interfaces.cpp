// The rows of _DTavlen, _DTavlenEvents and their version-2 successors: names, DISPIDs, argument and
// result types, and the members of CTavlenCtrl they are bound to. DISPID 13 is not assigned.
#include "control/tavlen_interfaces.h"

#include <algorithm>
#include <array>

#include "control/interface_ids.h"
#include "control/property_rows.h"
#include "control/tavlen_ctrl.h"
#include "platform/automation/type_info.h"

namespace tavlen {

namespace {

using B = ole::Bind<CTavlenCtrl>;
using C = CTavlenCtrl;
using fw::COleControl;
using ole::VT_BOOL, ole::VT_BSTR, ole::VT_EMPTY, ole::VT_I2, ole::VT_I4, ole::VT_R8, ole::VT_UI4;
constexpr ole::TypeRef kColor{VT_UI4, "OLE_COLOR"};

template <size_t N, size_t M>
constexpr std::array<ole::DispatchMember, N + M> Joined(const std::array<ole::DispatchMember, N>& first,
                                                        const std::array<ole::DispatchMember, M>& second) {
  std::array<ole::DispatchMember, N + M> rows{};
  std::copy(first.begin(), first.end(), rows.begin());
  std::copy(second.begin(), second.end(), rows.begin() + N);
  return rows;
}

// A custom property, stored straight into its member, then OnPropertyChanged does what its row says.
// The name comes from the row, and the row must be of the interface's version.
template <auto Member>
consteval ole::DispatchMember PropertyMember(ControlVersion version, ole::DISPID id, ole::TypeRef type) {
  const PropertyRow& row = PropertyRowOf(Member);
  if (row.since != version) throw "the property row belongs to another version of the interface";
  return B::Property<Member, &C::OnPropertyChanged<Member>>(row.name, id, type);
}

template <auto Member>
consteval ole::DispatchMember Version1Property(ole::DISPID id, ole::TypeRef type) {
  return PropertyMember<Member>(ControlVersion::One, id, type);
}

template <auto Member>
consteval ole::DispatchMember Version2Property(ole::DISPID id, ole::TypeRef type) {
  return PropertyMember<Member>(ControlVersion::Two, id, type);
}

constexpr auto kMembers = std::to_array<ole::DispatchMember>({
    // Custom properties.
    Version1Property<&C::m_align>(1, {VT_I2, "ImageAlign"}),
    Version1Property<&C::m_backStyle>(2, {VT_I2, "BackStyle"}),
    Version1Property<&C::m_borderColor>(3, kColor),
    Version1Property<&C::m_borderWidth>(4, VT_R8),
    Version1Property<&C::m_jpgQuality>(5, VT_I4),
    Version1Property<&C::m_showBorder>(6, VT_BOOL),
    Version1Property<&C::m_textBold>(7, VT_BOOL),
    Version1Property<&C::m_textColor>(8, kColor),
    Version1Property<&C::m_textFont>(9, VT_BSTR),
    Version1Property<&C::m_textItalic>(10, VT_BOOL),
    Version1Property<&C::m_textSize>(11, VT_I2),
    Version1Property<&C::m_zoomValue>(12, VT_R8),
    Version1Property<&C::m_tiffCompression>(14, {VT_I4, "TiffCompression"}),
    // Methods, in dispatch order.
    B::Method<&C::ConvertImageToBlackWhite>("ConvertImageToBlackWhite", 15, VT_EMPTY, {}),
    B::Method<&C::ConvertImageToGrayScaled>("ConvertImageToGrayScaled", 16, VT_EMPTY, {}),
    B::Method<&C::ConvertToBmp>("ConvertToBmp", 17, VT_BOOL, {{"SourcePath", VT_BSTR}, {"DestinationPath", VT_BSTR}}),
    B::Method<&C::ConvertToGif>("ConvertToGif", 18, VT_BOOL, {{"SourcePath", VT_BSTR}, {"DestinationPath", VT_BSTR}}),
    B::Method<&C::ConvertToJpg>("ConvertToJpg", 19, VT_BOOL, {{"SourcePath", VT_BSTR}, {"DestinationPath", VT_BSTR}}),
    B::Method<&C::ConvertToPng>("ConvertToPng", 20, VT_BOOL, {{"SourcePath", VT_BSTR}, {"DestinationPath", VT_BSTR}}),
    B::Method<&C::ConvertToTif>("ConvertToTif", 21, VT_BOOL, {{"SourcePath", VT_BSTR}, {"DestinationPath", VT_BSTR}}),
    B::Method<&C::DrawText>("DrawText", 22, VT_EMPTY, {{"X", VT_I2}, {"Y", VT_I2}, {"Text", VT_BSTR}}),
    B::Method<&C::ExportFrame>(
        "ExportFrame", 23, VT_BOOL,
        {{"SourcePath", VT_BSTR}, {"DestinationPath", VT_BSTR}, {"Type", VT_BSTR}, {"Page", VT_I4}}),
    B::Method<&C::Flip>("Flip", 24, VT_EMPTY, {{"Vertically", VT_BOOL}}),
    B::Method<&C::GetFrameCount>("GetFrameCount", 25, VT_I4, {{"FilePath", VT_BSTR}}),
    B::Method<&C::GetHeight>("GetHeight", 26, VT_I4, {}),
    B::Method<&C::GetPixelBlue>("GetPixelBlue", 27, VT_I4, {{"X", VT_I4}, {"Y", VT_I4}}),
    B::Method<&C::GetPixelColor>("GetPixelColor", 28, VT_I4, {{"X", VT_I4}, {"Y", VT_I4}}),
    B::Method<&C::GetPixelGreen>("GetPixelGreen", 29, VT_I4, {{"X", VT_I4}, {"Y", VT_I4}}),
    B::Method<&C::GetPixelRed>("GetPixelRed", 30, VT_I4, {{"X", VT_I4}, {"Y", VT_I4}}),
    B::Method<&C::GetWidth>("GetWidth", 31, VT_I4, {}),
    B::Method<&C::LoadFrame>("LoadFrame", 32, VT_EMPTY, {{"FilePath", VT_BSTR}, {"Page", VT_I4}}),
    B::Method<&C::LoadImage>("LoadImage", 33, VT_EMPTY, {{"FilePath", VT_BSTR}}),
    B::Method<&C::MoveTo>("MoveTo", 34, VT_EMPTY, {{"X", VT_I4}, {"Y", VT_I4}}),
    B::Method<&C::MoveXTo>("MoveXTo", 35, VT_EMPTY, {{"X", VT_I4}}),
    B::Method<&C::MoveYTo>("MoveYTo", 36, VT_EMPTY, {{"Y", VT_I4}}),
    B::Method<&C::PrintImage>("PrintImage", 37, VT_BOOL, {}),
    B::Method<&C::PrintImageBySize>("PrintImageBySize", 38, VT_BOOL, {{"Width", VT_I4}, {"Height", VT_I4}}),
    B::Method<&C::Resize>("Resize", 39, VT_EMPTY, {{"NewWidth", VT_I4}, {"NewHeight", VT_I4}}),
    B::Method<&C::Rotate180>("Rotate180", 40, VT_EMPTY, {}),
    B::Method<&C::Rotate270>("Rotate270", 41, VT_EMPTY, {}),
    B::Method<&C::Rotate90>("Rotate90", 42, VT_EMPTY, {}),
    B::Method<&C::SaveAsBmp>("SaveAsBmp", 43, VT_BOOL, {{"FilePath", VT_BSTR}}),
    B::Method<&C::SaveAsGif>("SaveAsGif", 44, VT_BOOL, {{"FilePath", VT_BSTR}}),
    B::Method<&C::SaveAsJpg>("SaveAsJpg", 45, VT_BOOL, {{"FilePath", VT_BSTR}}),
    B::Method<&C::SaveAsPng>("SaveAsPng", 46, VT_BOOL, {{"FilePath", VT_BSTR}}),
    B::Method<&C::SaveAsTif>("SaveAsTif", 47, VT_BOOL, {{"FilePath", VT_BSTR}}),
    B::Method<&C::ShiftX>("ShiftX", 48, VT_EMPTY, {{"X", VT_I4}}),
    B::Method<&C::ShiftY>("ShiftY", 49, VT_EMPTY, {{"Y", VT_I4}}),
    B::Method<&C::Zoom>("Zoom", 50, VT_EMPTY, {}),
    B::Method<&C::ZoomByOriginal>("ZoomByOriginal", 51, VT_EMPTY, {}),
    B::Method<&C::ZoomToFit>("ZoomToFit", 52, VT_EMPTY, {}),
    B::Method<&C::GetMouseXpos>("GetMouseXpos", 53, VT_R8, {}),
    B::Method<&C::GetMouseYpos>("GetMouseYpos", 54, VT_R8, {}),
    B::Method<&C::GetImageXpos>("GetImageXpos", 55, VT_R8, {}),
    B::Method<&C::GetImageYpos>("GetImageYpos", 56, VT_R8, {}),
    B::Method<&C::GetTextFontCount>("GetTextFontCount", 57, VT_I4, {}),
    B::Method<&C::GetTextFont>("GetTextFont", 58, VT_BSTR, {{"Index", VT_I2}}),
    B::Method<&C::ConvertFrom1bpp>("ConvertFrom1bpp", 59, VT_EMPTY, {}),
    B::Method<&C::DrawWaterMarkText>("DrawWaterMarkText", 60, VT_EMPTY,
                                     {{"X", VT_I4}, {"Y", VT_I4}, {"Text", VT_BSTR}}),
    B::Method<&C::DrawOutlineText>("DrawOutlineText", 61, VT_EMPTY, {{"X", VT_I4}, {"Y", VT_I4}, {"Text", VT_BSTR}}),
    B::Method<&C::DrawFillOutlineText>("DrawFillOutlineText", 62, VT_EMPTY,
                                       {{"X", VT_I4}, {"Y", VT_I4}, {"Text", VT_BSTR}, {"FillColor", VT_I4}}),
    B::Method<&C::DrawShadowText>("DrawShadowText", 63, VT_EMPTY,
                                  {{"X", VT_I4}, {"Y", VT_I4}, {"Text", VT_BSTR}, {"ShadowColor", VT_I4}}),
    B::Method<&C::Undo>("Undo", 64, VT_EMPTY, {}),
    B::Method<&C::GetUndo>("GetUndo", 65, VT_I4, {}),
    B::Method<&C::ZoomToFitByWidth>("ZoomToFitByWidth", 66, VT_EMPTY, {}),
    B::Method<&C::ZoomToFitByHeight>("ZoomToFitByHeight", 67, VT_EMPTY, {}),
    B::Method<&C::GetImageArtist>("GetImageArtist", 68, VT_BSTR, {}),
    B::Method<&C::GetImageCopyright>("GetImageCopyright", 69, VT_BSTR, {}),
    B::Method<&C::GetImageDateTime>("GetImageDateTime", 70, VT_BSTR, {}),
    B::Method<&C::GetImageDescription>("GetImageDescription", 71, VT_BSTR, {}),
    B::Method<&C::GetImageEquipMake>("GetImageEquipMake", 72, VT_BSTR, {}),
    B::Method<&C::GetImageEquipModel>("GetImageEquipModel", 73, VT_BSTR, {}),
    B::Method<&C::GetImageTitle>("GetImageTitle", 74, VT_BSTR, {}),
    B::Method<&C::SetImageArtist>("SetImageArtist", 75, VT_EMPTY, {{"Artist", VT_BSTR}}),
    B::Method<&C::SetImageCopyright>("SetImageCopyright", 76, VT_EMPTY, {{"Copyright", VT_BSTR}}),
    B::Method<&C::SetImageDateTime>("SetImageDateTime", 77, VT_EMPTY, {{"DateTime", VT_BSTR}}),
    B::Method<&C::SetImageDescription>("SetImageDescription", 78, VT_EMPTY, {{"Description", VT_BSTR}}),
    B::Method<&C::SetImageEquipMake>("SetImageEquipMake", 79, VT_EMPTY, {{"EquipMake", VT_BSTR}}),
    B::Method<&C::SetImageEquipModel>("SetImageEquipModel", 80, VT_EMPTY, {{"EquipModel", VT_BSTR}}),
    B::Method<&C::SetImageTitle>("SetImageTitle", 81, VT_EMPTY, {{"Title", VT_BSTR}}),
    B::Method<&C::CopyToClipboard>("CopyToClipboard", 82, VT_EMPTY, {}),
    B::Method<&C::GetVertScrollBarPos>("GetVertScrollBarPos", 83, VT_I4, {}),
    B::Method<&C::GetHorzScrollBarPos>("GetHorzScrollBarPos", 84, VT_I4, {}),
    B::Method<&C::SaveScrollBarPos>("SaveScrollBarPos", 85, VT_EMPTY, {}),
    B::Method<&C::RestoreScrollBarPos>("RestoreScrollBarPos", 86, VT_EMPTY, {}),
    B::Method<&C::SetScrollBarPos>("SetScrollBarPos", 87, VT_EMPTY, {{"X", VT_I4}, {"Y", VT_I4}}),
    // Stock properties, kept by the framework under the standard identifiers.
    B::Stock<&COleControl::GetAppearance, &COleControl::SetAppearance>("Appearance", -520, {VT_I2, "Appearance"}),
    B::Stock<&COleControl::GetBackColor, &COleControl::SetBackColor>("BackColor", -501, kColor),
    B::Stock<&COleControl::GetEnabled, &COleControl::SetEnabled>("Enabled", -514, VT_BOOL),
    B::Stock<&COleControl::GetForeColor, &COleControl::SetForeColor>("ForeColor", -513, kColor),
    B::Method<&C::AboutBox>("AboutBox", -552, VT_EMPTY, {}),
});

// Version 2's members.
constexpr auto kVersion2Members = std::to_array<ole::DispatchMember>({
    Version2Property<&C::m_autoOrient>(256, VT_BOOL),
    B::Method<&C::GetImageOrientation>("GetImageOrientation", 257, VT_I4, {}),
    B::Method<&C::Redo>("Redo", 258, VT_EMPTY, {}),
    B::Method<&C::GetRedo>("GetRedo", 259, VT_I4, {}),
    Version2Property<&C::m_colorManaged>(260, VT_BOOL),
    Version2Property<&C::m_extraFormats>(261, VT_BOOL),
    B::Method<&C::SaveAsWebp>("SaveAsWebp", 262, VT_BOOL, {{"FilePath", VT_BSTR}}),
    B::Method<&C::ConvertToWebp>("ConvertToWebp", 263, VT_BOOL,
                                 {{"SourcePath", VT_BSTR}, {"DestinationPath", VT_BSTR}}),
    B::Method<&C::HasColorProfile>("HasColorProfile", 264, VT_BOOL, {}),
    B::Method<&C::GetImageTagText>("GetImageTagText", 265, VT_BSTR, {{"TagId", VT_I4}}),
});

constexpr auto kMembers2 = Joined(kMembers, kVersion2Members);

constexpr auto kEvents = std::to_array<ole::DispatchMember>({
    ole::Event("Click", kDispidClick, {}),
    ole::Event("DblClick", kDispidDblClick, {}),
    ole::Event(
        "MouseDown", kDispidMouseDown,
        {{"Button", VT_I2}, {"Shift", VT_I2}, {"X", {VT_I4, "OLE_XPOS_PIXELS"}}, {"Y", {VT_I4, "OLE_YPOS_PIXELS"}}}),
    ole::Event(
        "MouseMove", kDispidMouseMove,
        {{"Button", VT_I2}, {"Shift", VT_I2}, {"X", {VT_I4, "OLE_XPOS_PIXELS"}}, {"Y", {VT_I4, "OLE_YPOS_PIXELS"}}}),
    ole::Event(
        "MouseUp", kDispidMouseUp,
        {{"Button", VT_I2}, {"Shift", VT_I2}, {"X", {VT_I4, "OLE_XPOS_PIXELS"}}, {"Y", {VT_I4, "OLE_YPOS_PIXELS"}}}),
});

constexpr auto kEvents2 =
    Joined(kEvents, std::to_array<ole::DispatchMember>({ole::Event("PictureChanged", kDispidPictureChanged, {})}));

constexpr uint16_t kInterfaceFlags = ole::TYPEFLAG_FHIDDEN | ole::TYPEFLAG_FDISPATCHABLE;

}  // namespace

const ole::DispatchTable& TavlenDispatchTable() {
  static constexpr ole::DispatchTable kTable = ole::MakeTable<CTavlenCtrl>(
      "_DTavlen", kDispatchIid, "Dispatch interface for Tavlen Control", kMembers, kInterfaceFlags);
  return kTable;
}

const ole::DispatchTable& TavlenEventTable() {
  static constexpr ole::DispatchTable kTable =
      ole::MakeEventTable("_DTavlenEvents", kEventsIid, "Event interface for Tavlen Control", kEvents, kInterfaceFlags);
  return kTable;
}

const ole::DispatchTable& Tavlen2DispatchTable() {
  static constexpr ole::DispatchTable kTable = ole::MakeTable<CTavlenCtrl>(
      "_DTavlen2", kDispatch2Iid, "Dispatch interface for Tavlen Control 2", kMembers2, kInterfaceFlags);
  return kTable;
}

const ole::DispatchTable& Tavlen2EventTable() {
  static constexpr ole::DispatchTable kTable = ole::MakeEventTable(
      "_DTavlen2Events", kEvents2Iid, "Event interface for Tavlen Control 2", kEvents2, kInterfaceFlags);
  return kTable;
}

const ole::DispatchTable& DispatchTableOf(ControlVersion version) {
  return version == ControlVersion::Two ? Tavlen2DispatchTable() : TavlenDispatchTable();
}

const ole::DispatchTable& EventTableOf(ControlVersion version) {
  return version == ControlVersion::Two ? Tavlen2EventTable() : TavlenEventTable();
}

}  // namespace tavlen
