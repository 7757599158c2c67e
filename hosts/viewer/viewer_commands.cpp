// The command table of the viewer, the check of its members against the control and of its state against
// the window. The table is a member of the window so that its handlers may call the window's own steps.
#include "hosts/viewer/viewer_commands.h"

#include <QCoreApplication>
#include <QDockWidget>
#include <algorithm>
#include <iterator>

#include "hosts/viewer/automation_client.h"
#include "hosts/viewer/main_window.h"
#include "hosts/viewer/viewer_dialogs.h"

namespace tavlen::viewer {
namespace {

using E = ViewEffect;
using W = EnabledWhen;

// The menus' titles and the ImageAlign names 0 ... 7, translated where the window shows them.
constexpr const char* kMenuTitles[] = {
    QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "&File"), QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "&Edit"),
    QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "&View"), QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "&Go"),
    QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "&Help")};
static_assert(std::size(kMenuTitles) == static_cast<size_t>(Menu::Help) + 1, "a title for every menu");

constexpr const char* kAlignNames[] = {QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "None"),
                                       QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "Top"),
                                       QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "Top left"),
                                       QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "Top right"),
                                       QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "Centre"),
                                       QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "Bottom"),
                                       QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "Bottom left"),
                                       QT_TRANSLATE_NOOP("tavlen::viewer::MainWindow", "Bottom right")};

// A handler that is one step of the window without arguments.
template <auto step>
void Step(MainWindow& window, const CommandInfo&) {
  (window.*step)();
}

}  // namespace

const CommandInfo MainWindow::kCommandTable[] = {
    {.command = Command::Open,
     .menu = Menu::File,
     .text = QT_TR_NOOP("&Open…"),
     .shortcut = "Ctrl+O",
     .members = {"LoadImage", "GetFrameCount", "GetWidth", "GetHeight"},
     .enabledWhen = W::Always,
     .run = Step<&MainWindow::OpenDialog>},
    {.command = Command::OpenPage,
     .menu = Menu::File,
     .text = QT_TR_NOOP("Open &page…"),
     .shortcut = "",
     .members = {"LoadFrame", "GetFrameCount", "GetWidth", "GetHeight"},
     .enabledWhen = W::Always,
     .run = Step<&MainWindow::OpenPage>},
    {.command = Command::SaveAs,
     .menu = Menu::File,
     .text = QT_TR_NOOP("&Save as…"),
     .shortcut = "Ctrl+S",
     .members = {"SaveAsBmp", "SaveAsGif", "SaveAsJpg", "SaveAsPng", "SaveAsTif"},
     .needs = Needs::Any,
     .run = Step<&MainWindow::SaveAs>},
    {.command = Command::Convert,
     .menu = Menu::File,
     .text = QT_TR_NOOP("Con&vert…"),
     .shortcut = "",
     .members = {"ConvertToBmp", "ConvertToGif", "ConvertToJpg", "ConvertToPng", "ConvertToTif"},
     .needs = Needs::Any,
     .enabledWhen = W::Always,
     .run = Step<&MainWindow::Convert>},
    {.command = Command::Print,
     .menu = Menu::File,
     .text = QT_TR_NOOP("&Print…"),
     .shortcut = "Ctrl+P",
     .members = {"PrintImage"},
     .startsGroup = true,
     .run = Step<&MainWindow::Print>},
    {.command = Command::Quit,
     .menu = Menu::File,
     .text = QT_TR_NOOP("&Quit"),
     .shortcut = "Ctrl+Q",
     .members = {},
     .enabledWhen = W::Always,
     .startsGroup = true,
     .run = Step<&MainWindow::close>},
    {.command = Command::Undo,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("&Undo"),
     .shortcut = "Ctrl+Z",
     .members = {"Undo", "GetUndo"},
     .enabledWhen = W::CanUndo,
     .directCall = "Undo",
     .effect = E::PixelSize,
     .run =
         [](MainWindow& window, const CommandInfo& self) {
           window.m_changes.SteppedBack();
           window.RunDirect(self);
         }},
    {.command = Command::Redo,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("&Redo"),
     .shortcut = "Ctrl+Y; Ctrl+Shift+Z",
     .members = {"Redo", "GetRedo"},
     .enabledWhen = W::CanRedo,
     .directCall = "Redo",
     .effect = E::PixelSize,
     .run =
         [](MainWindow& window, const CommandInfo& self) {
           window.m_changes.SteppedForward();
           window.RunDirect(self);
         }},
    {.command = Command::Copy,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("&Copy"),
     .shortcut = "Ctrl+C",
     .members = {"CopyToClipboard"},
     .startsGroup = true,
     .directCall = "CopyToClipboard"},
    {.command = Command::RotateLeft,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("Rotate &left"),
     .shortcut = "Ctrl+L",
     .members = {"Rotate270"},
     .edits = true,
     .startsGroup = true,
     .directCall = "Rotate270",
     .effect = E::SwapSides},
    {.command = Command::RotateRight,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("Rotate &right"),
     .shortcut = "Ctrl+R",
     .members = {"Rotate90"},
     .edits = true,
     .directCall = "Rotate90",
     .effect = E::SwapSides},
    {.command = Command::Rotate180,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("Rotate &180°"),
     .shortcut = "",
     .members = {"Rotate180"},
     .edits = true,
     .directCall = "Rotate180"},
    {.command = Command::Flip,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("&Flip (top to bottom)"),
     .shortcut = "",
     .members = {"Flip"},
     .edits = true,
     .run = [](MainWindow& window, const CommandInfo&) { window.FlipPicture(true); }},
    {.command = Command::Mirror,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("&Mirror (left to right)"),
     .shortcut = "",
     .members = {"Flip"},
     .edits = true,
     .run = [](MainWindow& window, const CommandInfo&) { window.FlipPicture(false); }},
    {.command = Command::Resize,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("Re&size…"),
     .shortcut = "",
     .members = {"Resize", "GetWidth", "GetHeight"},
     .edits = true,
     .startsGroup = true,
     .run = Step<&MainWindow::ResizePicture>},
    {.command = Command::Gray,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("&Gray"),
     .shortcut = "",
     .members = {"ConvertImageToGrayScaled"},
     .edits = true,
     .directCall = "ConvertImageToGrayScaled"},
    {.command = Command::BlackWhite,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("&Black and white"),
     .shortcut = "",
     .members = {"ConvertImageToBlackWhite"},
     .edits = true,
     .directCall = "ConvertImageToBlackWhite"},
    {.command = Command::FromOneBit,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("From &1-bit"),
     .shortcut = "",
     .members = {"ConvertFrom1bpp"},
     .edits = true,
     .directCall = "ConvertFrom1bpp",
     .effect = E::PixelSize},
    {.command = Command::Text,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("&Text…"),
     .shortcut = "",
     .members = {"DrawText", "DrawWaterMarkText", "DrawOutlineText", "DrawFillOutlineText", "DrawShadowText"},
     .needs = Needs::Any,
     .edits = true,
     .startsGroup = true,
     .run = [](MainWindow& window, const CommandInfo&) { window.RunDialog(&StampText); }},
    {.command = Command::Tags,
     .menu = Menu::Edit,
     .text = QT_TR_NOOP("T&ags…"),
     .shortcut = "",
     .members = {"GetImageTitle", "SetImageTitle", "GetImageArtist", "SetImageArtist", "GetImageDescription",
                 "SetImageDescription"},
     .needs = Needs::Any,
     .edits = true,
     .run = [](MainWindow& window, const CommandInfo&) { window.RunDialog(&EditTags); }},
    {.command = Command::ZoomIn,
     .menu = Menu::View,
     .text = QT_TR_NOOP("Zoom &in"),
     .shortcut = "+; =; Ctrl++",
     .members = {"Zoom", "ZoomValue"},
     .run = [](MainWindow& window, const CommandInfo&) { window.Zoom(1.25); }},
    {.command = Command::ZoomOut,
     .menu = Menu::View,
     .text = QT_TR_NOOP("Zoom &out"),
     .shortcut = "-; Ctrl+-",
     .members = {"Zoom", "ZoomValue"},
     .run = [](MainWindow& window, const CommandInfo&) { window.Zoom(0.8); }},
    {.command = Command::ActualSize,
     .menu = Menu::View,
     .text = QT_TR_NOOP("&Actual size"),
     .shortcut = "0; Ctrl+0",
     .members = {"ZoomByOriginal", "ZoomValue"},
     .startsGroup = true,
     .run = Step<&MainWindow::ActualSize>},
    {.command = Command::Fit,
     .menu = Menu::View,
     .text = QT_TR_NOOP("&Fit"),
     .shortcut = "F",
     .members = {"ZoomToFit"},
     .directCall = "ZoomToFit",
     .effect = E::Fit,
     .run =
         [](MainWindow& window, const CommandInfo& self) {
           window.m_fitting = Fitting::Fit;
           window.RunDirect(self);
         }},
    {.command = Command::FitWidth,
     .menu = Menu::View,
     .text = QT_TR_NOOP("Fit &width"),
     .shortcut = "W",
     .members = {"ZoomToFitByWidth"},
     .directCall = "ZoomToFitByWidth",
     .effect = E::FitWidth,
     .run =
         [](MainWindow& window, const CommandInfo& self) {
           window.m_fitting = Fitting::Free;
           window.RunDirect(self);
         }},
    {.command = Command::FitHeight,
     .menu = Menu::View,
     .text = QT_TR_NOOP("Fit &height"),
     .shortcut = "H",
     .members = {"ZoomToFitByHeight"},
     .directCall = "ZoomToFitByHeight",
     .effect = E::FitHeight,
     .run =
         [](MainWindow& window, const CommandInfo& self) {
           window.m_fitting = Fitting::Free;
           window.RunDirect(self);
         }},
    {.command = Command::Align,
     .menu = Menu::View,
     .text = QT_TR_NOOP("A&lign"),
     .shortcut = "",
     .members = {"Align"},
     .enabledWhen = W::Always,
     .startsGroup = true,
     .choices = kAlignNames,
     .choose = [](MainWindow& window, int align) { window.SetAlign(align); }},
    {.command = Command::Background,
     .menu = Menu::View,
     .text = QT_TR_NOOP("&Background…"),
     .shortcut = "",
     .members = {"BackStyle", "BackColor"},
     .enabledWhen = W::Always,
     .run = [](MainWindow& window, const CommandInfo&) { window.RunDialog(&EditBackground); }},
    {.command = Command::Border,
     .menu = Menu::View,
     .text = QT_TR_NOOP("Bo&rder…"),
     .shortcut = "",
     .members = {"ShowBorder", "BorderColor", "BorderWidth"},
     .enabledWhen = W::Always,
     .run = [](MainWindow& window, const CommandInfo&) { window.RunDialog(&EditBorder); }},
    {.command = Command::Information,
     .menu = Menu::View,
     .text = QT_TR_NOOP("&Information"),
     .shortcut = "I",
     .members = {"GetWidth", "GetHeight"},
     .enabledWhen = W::Always,
     .startsGroup = true,
     .run =
         [](MainWindow& window, const CommandInfo&) {
           window.m_infoDock->setVisible(!window.m_infoDock->isVisible());
           window.RefreshState();
         }},
    {.command = Command::FullScreen,
     .menu = Menu::View,
     .text = QT_TR_NOOP("F&ull screen"),
     .shortcut = "F11",
     .members = {},
     .enabledWhen = W::Always,
     .run = Step<&MainWindow::ToggleFullScreen>},
    {.command = Command::Next,
     .menu = Menu::Go,
     .text = QT_TR_NOOP("&Next picture"),
     .shortcut = "Right; PgDown; Space",
     .members = {"LoadImage"},
     .enabledWhen = W::Browsing,
     .run = [](MainWindow& window, const CommandInfo&) { window.GoTo(window.m_folder.Neighbour(1)); }},
    {.command = Command::Previous,
     .menu = Menu::Go,
     .text = QT_TR_NOOP("&Previous picture"),
     .shortcut = "Left; PgUp; Backspace",
     .members = {"LoadImage"},
     .enabledWhen = W::Browsing,
     .run = [](MainWindow& window, const CommandInfo&) { window.GoTo(window.m_folder.Neighbour(-1)); }},
    {.command = Command::First,
     .menu = Menu::Go,
     .text = QT_TR_NOOP("&First picture"),
     .shortcut = "Home",
     .members = {"LoadImage"},
     .enabledWhen = W::Browsing,
     .run = [](MainWindow& window, const CommandInfo&) { window.GoTo(window.m_folder.First()); }},
    {.command = Command::Last,
     .menu = Menu::Go,
     .text = QT_TR_NOOP("&Last picture"),
     .shortcut = "End",
     .members = {"LoadImage"},
     .enabledWhen = W::Browsing,
     .run = [](MainWindow& window, const CommandInfo&) { window.GoTo(window.m_folder.Last()); }},
    {.command = Command::PauseAnimation,
     .menu = Menu::Go,
     .text = QT_TR_NOOP("P&ause animation"),
     .shortcut = "P",
     .members = {"LoadFrame"},
     .enabledWhen = W::Animating,
     .startsGroup = true,
     .run =
         [](MainWindow& window, const CommandInfo&) {
           window.m_animation.TogglePause();
           window.RefreshState();
         },
     .textWhilePaused = QT_TR_NOOP("Res&ume animation")},
    {.command = Command::ExportFrame,
     .menu = Menu::Go,
     .text = QT_TR_NOOP("&Export shown frame…"),
     .shortcut = "",
     .members = {"ExportFrame"},
     .run = Step<&MainWindow::ExportShownFrame>},
    {.command = Command::About,
     .menu = Menu::Help,
     .text = QT_TR_NOOP("&About"),
     .shortcut = "",
     .members = {"AboutBox"},
     .enabledWhen = W::Always,
     .directCall = "AboutBox"},
};
static_assert(std::size(MainWindow::kCommandTable) == static_cast<size_t>(Command::About) + 1,
              "one row for every command");

std::span<const CommandInfo> Commands() { return MainWindow::kCommandTable; }

const CommandInfo& InfoOf(Command command) {
  const auto rows = Commands();
  const auto found =
      std::find_if(rows.begin(), rows.end(), [command](const CommandInfo& info) { return info.command == command; });
  return *found;  // every Command has its row
}

const char* MenuTitle(Menu menu) { return kMenuTitles[static_cast<size_t>(menu)]; }

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

bool IsAllowed(EnabledWhen when, const WindowState& state) {
  switch (when) {
    case EnabledWhen::Always:
      return true;
    case EnabledWhen::Picture:
      return state.picture;
    case EnabledWhen::CanUndo:
      return state.picture && state.canUndo;
    case EnabledWhen::CanRedo:
      return state.picture && state.canRedo;
    case EnabledWhen::Browsing:
      return state.picture && state.browsing;
    case EnabledWhen::Animating:
      return state.picture && state.animating;
  }
  return false;
}

}  // namespace tavlen::viewer
