// The command table of the viewer's menus and the check of its members against the control.
#include "hosts/viewer/viewer_commands.h"

#include <algorithm>
#include <iterator>

#include "hosts/viewer/automation_client.h"

namespace tavlen::viewer {
namespace {

using E = ViewEffect;

constexpr CommandInfo kCommands[] = {
    {Command::Open, Menu::File, "&Open…", "Ctrl+O", {"LoadImage", "GetFrameCount", "GetWidth", "GetHeight"}},
    {Command::OpenPage, Menu::File, "Open &page…", "", {"LoadFrame", "GetFrameCount", "GetWidth", "GetHeight"}},
    {Command::SaveAs,
     Menu::File,
     "&Save as…",
     "Ctrl+S",
     {"SaveAsBmp", "SaveAsGif", "SaveAsJpg", "SaveAsPng", "SaveAsTif"},
     Needs::Any},
    {Command::Convert,
     Menu::File,
     "Con&vert…",
     "",
     {"ConvertToBmp", "ConvertToGif", "ConvertToJpg", "ConvertToPng", "ConvertToTif"},
     Needs::Any},
    {Command::Print, Menu::File, "&Print…", "Ctrl+P", {"PrintImage"}},
    {Command::Quit, Menu::File, "&Quit", "Ctrl+Q", {}},
    {Command::Undo, Menu::Edit, "&Undo", "Ctrl+Z", {"Undo", "GetUndo"}, Needs::All, E::PixelSize, "Undo"},
    {Command::Redo, Menu::Edit, "&Redo", "Ctrl+Y; Ctrl+Shift+Z", {"Redo", "GetRedo"}, Needs::All, E::PixelSize, "Redo"},
    {Command::Copy, Menu::Edit, "&Copy", "Ctrl+C", {"CopyToClipboard"}, Needs::All, E::None, "CopyToClipboard"},
    {Command::RotateLeft, Menu::Edit, "Rotate &left", "Ctrl+L", {"Rotate270"}, Needs::All, E::SwapSides, "Rotate270"},
    {Command::RotateRight, Menu::Edit, "Rotate &right", "Ctrl+R", {"Rotate90"}, Needs::All, E::SwapSides, "Rotate90"},
    {Command::Rotate180, Menu::Edit, "Rotate &180°", "", {"Rotate180"}, Needs::All, E::None, "Rotate180"},
    {Command::Flip, Menu::Edit, "&Flip (top to bottom)", "", {"Flip"}},
    {Command::Mirror, Menu::Edit, "&Mirror (left to right)", "", {"Flip"}},
    {Command::Resize, Menu::Edit, "Re&size…", "", {"Resize", "GetWidth", "GetHeight"}},
    {Command::Gray,
     Menu::Edit,
     "&Gray",
     "",
     {"ConvertImageToGrayScaled"},
     Needs::All,
     E::None,
     "ConvertImageToGrayScaled"},
    {Command::BlackWhite,
     Menu::Edit,
     "&Black and white",
     "",
     {"ConvertImageToBlackWhite"},
     Needs::All,
     E::None,
     "ConvertImageToBlackWhite"},
    {Command::FromOneBit,
     Menu::Edit,
     "From &1-bit",
     "",
     {"ConvertFrom1bpp"},
     Needs::All,
     E::PixelSize,
     "ConvertFrom1bpp"},
    {Command::Text,
     Menu::Edit,
     "&Text…",
     "",
     {"DrawText", "DrawWaterMarkText", "DrawOutlineText", "DrawFillOutlineText", "DrawShadowText"},
     Needs::Any},
    {Command::Tags,
     Menu::Edit,
     "T&ags…",
     "",
     {"GetImageTitle", "SetImageTitle", "GetImageArtist", "SetImageArtist", "GetImageDescription",
      "SetImageDescription"},
     Needs::Any},
    {Command::ZoomIn, Menu::View, "Zoom &in", "+; =; Ctrl++", {"Zoom", "ZoomValue"}},
    {Command::ZoomOut, Menu::View, "Zoom &out", "-; Ctrl+-", {"Zoom", "ZoomValue"}},
    {Command::ActualSize, Menu::View, "&Actual size", "0; Ctrl+0", {"ZoomByOriginal", "ZoomValue"}},
    {Command::Fit, Menu::View, "&Fit", "F", {"ZoomToFit"}, Needs::All, E::Fit, "ZoomToFit"},
    {Command::FitWidth,
     Menu::View,
     "Fit &width",
     "W",
     {"ZoomToFitByWidth"},
     Needs::All,
     E::FitWidth,
     "ZoomToFitByWidth"},
    {Command::FitHeight,
     Menu::View,
     "Fit &height",
     "H",
     {"ZoomToFitByHeight"},
     Needs::All,
     E::FitHeight,
     "ZoomToFitByHeight"},
    {Command::Align, Menu::View, "A&lign", "", {"Align"}},
    {Command::Background, Menu::View, "&Background…", "", {"BackStyle", "BackColor"}},
    {Command::Border, Menu::View, "Bo&rder…", "", {"ShowBorder", "BorderColor", "BorderWidth"}},
    {Command::Information, Menu::View, "&Information", "I", {"GetWidth", "GetHeight"}},
    {Command::FullScreen, Menu::View, "F&ull screen", "F11", {}},
    {Command::Next, Menu::Go, "&Next picture", "Right; PgDown; Space", {"LoadImage"}},
    {Command::Previous, Menu::Go, "&Previous picture", "Left; PgUp; Backspace", {"LoadImage"}},
    {Command::First, Menu::Go, "&First picture", "Home", {"LoadImage"}},
    {Command::Last, Menu::Go, "&Last picture", "End", {"LoadImage"}},
    {Command::PauseAnimation, Menu::Go, "P&ause animation", "P", {"LoadFrame"}},
    {Command::ExportFrame, Menu::Go, "&Export shown frame…", "", {"ExportFrame"}},
    {Command::About, Menu::Help, "&About", "", {"AboutBox"}, Needs::All, E::None, "AboutBox"},
};
static_assert(std::size(kCommands) == static_cast<size_t>(Command::About) + 1, "one row for every command");

}  // namespace

std::span<const CommandInfo> Commands() { return kCommands; }

const CommandInfo& InfoOf(Command command) {
  const auto* found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                   [command](const CommandInfo& info) { return info.command == command; });
  return *found;  // every Command has its row
}

bool IsAvailable(const CommandInfo& info, AutomationClient& control) {
  bool any = false;
  bool all = true;
  for (const char* member : info.members) {
    if (!member) break;
    const bool has = control.Has(member);
    any = any || has;
    all = all && has;
  }
  if (!info.members[0]) return true;  // needs nothing of the control
  return info.needs == Needs::All ? all : any;
}

}  // namespace tavlen::viewer
