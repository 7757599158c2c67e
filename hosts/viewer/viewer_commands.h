// The viewer's menu commands as one table: where each sits, its shortcut, the control members it calls
// (a command whose members the control lacks is shown disabled) and what it does to the displayed size.
#pragma once

#include <array>
#include <span>

#include "hosts/viewer/displayed_size.h"

namespace tavlen::viewer {

class AutomationClient;

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

struct CommandInfo {
  Command command;
  Menu menu;
  const char* text;      // with its mnemonic
  const char* shortcut;  // QKeySequence text, several joined by "; "; "" for none
  std::array<const char*, 7> members;
  Needs needs = Needs::All;
  ViewEffect effect = ViewEffect::None;  // of a direct call; other commands apply their own
  // A method called with no arguments and nothing asked first; null when the command has its own handler.
  const char* directCall = nullptr;
};

// In menu order.
std::span<const CommandInfo> Commands();
const CommandInfo& InfoOf(Command command);

// Whether the control answers to the members the command needs.
bool IsAvailable(const CommandInfo& info, AutomationClient& control);

}  // namespace tavlen::viewer
