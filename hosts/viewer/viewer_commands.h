// The viewer's commands as one table: where each sits, its text and shortcuts, the control members it
// calls (a command whose members the control lacks is shown disabled), when it is enabled and what runs
// it. A new command is a new Command and a new row, nothing else.
#pragma once

#include <array>
#include <span>

#include "hosts/viewer/displayed_size.h"

namespace tavlen::viewer {

class AutomationClient;
class MainWindow;

enum class Command {
  Open,
  OpenPage,
  SaveAs,
  Convert,
  Print,
  Quit,
  Undo,
  Redo,
  Copy,
  RotateLeft,
  RotateRight,
  Rotate180,
  Flip,
  Mirror,
  Resize,
  Gray,
  BlackWhite,
  FromOneBit,
  Text,
  Tags,
  ZoomIn,
  ZoomOut,
  ActualSize,
  Fit,
  FitWidth,
  FitHeight,
  Align,
  Background,
  Border,
  Information,
  FullScreen,
  Next,
  Previous,
  First,
  Last,
  PauseAnimation,
  ExportFrame,
  About,
};

enum class Menu { File, Edit, View, Go, Help };

// Whether a command needs every member it lists or any one of them (a format, a text style).
enum class Needs { All, Any };

// When a command is enabled, besides the control answering to its members.
enum class EnabledWhen {
  Always,     // also without a picture
  Picture,    // a picture is shown
  CanUndo,    // a picture with a state to step back to
  CanRedo,    // a picture with a state to step forward to
  Browsing,   // a picture from a folder being browsed
  Animating,  // a picture whose frames are played
};

// What the window knows of itself when it enables its commands.
struct WindowState {
  bool picture = false;
  bool canUndo = false;
  bool canRedo = false;
  bool browsing = false;
  bool animating = false;
};

struct CommandInfo {
  Command command;
  Menu menu;
  const char* text;      // with its mnemonic, marked for translation and translated where shown
  const char* shortcut;  // QKeySequence text, several joined by "; "; "" for none
  std::array<const char*, 7> members;
  Needs needs = Needs::All;
  EnabledWhen enabledWhen = EnabledWhen::Picture;
  bool edits = false;        // changes the picture: an unsaved change, and the end of its animation
  bool startsGroup = false;  // a separator above it in its menu
  // A method of the control called with no arguments and nothing asked first, and what that does to the
  // displayed size.
  const char* directCall = nullptr;
  ViewEffect effect = ViewEffect::None;
  // The handler; without one the command is the direct call.
  void (*run)(MainWindow& window, const CommandInfo& self) = nullptr;
  // A submenu of exclusive choices instead of a single action, and the handler of a choice by its index.
  std::span<const char* const> choices = {};
  void (*choose)(MainWindow& window, int choice) = nullptr;
  const char* textWhilePaused = nullptr;  // shown instead of `text` while the animation is paused
};

// In menu order.
std::span<const CommandInfo> Commands();
const CommandInfo& InfoOf(Command command);
// The menu's title, marked for translation as the command texts are.
const char* MenuTitle(Menu menu);

// Whether the control answers to the members the command needs.
bool IsAvailable(const CommandInfo& info, AutomationClient& control);
// Whether the window's state allows the command.
bool IsAllowed(EnabledWhen when, const WindowState& state);

}  // namespace tavlen::viewer
