// The boundary between the control module and its Qt companion module (TavlenQt.so): the calls each
// side makes into the other, as abstract classes and plain data. The companion carries Qt and our Qt
// code only; everything it needs of the window system, the framework and the graphics library comes
// through DesktopHost, so there is one copy of their state, the control module's.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/framework/backend_services.h"
#include "platform/framework/dialog.h"
#include "platform/window/print_dialog.h"
#include "platform/window/window_port.h"

namespace tavlen::desktop {

using fw::DialogIcon;
using fw::IconLookup;

// An opaque picture crossing the boundary: 0xFFRRGGBB words, rows top-down, width * height of them.
struct Rgb32Image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};

// What a closed clipboard session hands to the desktop: the parts that were set. A bitmap comes with
// its PNG and BMP encodings, which other programs ask for by MIME type.
struct ClipboardContent {
  std::optional<std::string> text;
  std::optional<Rgb32Image> image;
  std::vector<uint8_t> png;
  std::vector<uint8_t> bmp;
};

// The desktop's clipboard as the companion offers it; the open/close protocol stays in the control
// module, which hands over whole changes.
class DesktopClipboard {
 public:
  // False without a QGuiApplication, whose clipboard this is.
  virtual bool Available() const = 0;
  // Replaces what the desktop's clipboard holds: by `content`, or clears it when `content` is empty.
  // False when there is no clipboard.
  virtual bool Publish(ClipboardContent content) = 0;
  virtual bool HasText() const = 0;
  virtual bool HasImage() const = 0;
  // The image on the clipboard; nullopt when there is none.
  virtual std::optional<Rgb32Image> Image() const = 0;

 protected:
  ~DesktopClipboard() = default;
};

// The control module's side, implemented over its window system and framework.
class DesktopHost {
 public:
  // Puts the companion's services in place of the headless ones; nulls restore those.
  virtual void InstallServices(fw::DialogService* dialogs, win::PrintDialogService* printDialog,
                               DesktopClipboard* clipboard) = 0;
  // The answer a scripting host gives every dialog; nullopt when a user answers them.
  virtual std::optional<fw::DialogAnswer> ScriptedAnswer() const = 0;
  virtual void RecordShownDialog(std::string caption, std::vector<std::string> texts, fw::DialogAnswer answer) = 0;
  virtual std::vector<std::string> DialogTexts(const fw::DialogTemplate& dialog) const = 0;
  virtual std::vector<std::string> PropertyFrameTexts(std::span<const fw::COlePropertyPage* const> pages) const = 0;
  // The printer the host chose ("file:" and a path, a printer's name, or "" for the default).
  virtual std::string HeadlessPrinter() const = 0;
  // The printing path's device context for a destination as HeadlessPrinter spells it; null on failure.
  virtual std::unique_ptr<win::PrinterDC> CreatePrinterDC(const std::string& destination) = 0;

 protected:
  ~DesktopHost() = default;
};

// The companion's side.
class DesktopModule {
 public:
  // The presenter showing the window behind `window` (which outlives it); null, leaving the window
  // headless, without the Qt backend selected, without a QApplication or off its thread.
  virtual std::unique_ptr<win::WindowPresenter> MakePresenter(win::WindowPort& window) = 0;
  // Installs the desktop services when TAVLEN_BACKEND=qt and a QApplication runs, once; returns
  // whether they are installed.
  virtual bool InstallServicesWhenWanted(IconLookup icons) = 0;
  // Installs them unconditionally (a QApplication must exist).
  virtual void InstallServices(IconLookup icons) = 0;
  virtual void UninstallServices() = 0;
  // The host goes away (its module unloads): drops the services without calling it again.
  virtual void Detach() = 0;

 protected:
  ~DesktopModule() = default;
};

// Bumped whenever a class above changes, so a stale companion is refused instead of misread.
inline constexpr uint32_t kDesktopPortVersion = 1;

// The companion's one export, looked up by kDesktopEntryName: attaches `host` (replacing an earlier
// one) and returns the module, or null for another port version.
using DesktopEntry = DesktopModule* (*)(DesktopHost* host, uint32_t portVersion);
inline constexpr const char* kDesktopEntryName = "TavlenDesktopAttach";
inline constexpr const char* kDesktopModuleName = "TavlenQt.so";

}  // namespace tavlen::desktop
