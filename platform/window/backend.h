// Which window backend this process runs: headless (the default) or Qt 6 Widgets, chosen by the
// environment variable TAVLEN_BACKEND ("qt" or "headless"). The control module is loaded with dlopen
// and carries its own copy of the window system, so the process environment is what both sides share.
#pragma once

#include <cstdlib>
#include <string_view>

namespace tavlen::win {

inline constexpr const char* kBackendVariable = "TAVLEN_BACKEND";

// True when TAVLEN_BACKEND is "qt". Windows created while it holds get a QWidget when a
// QApplication exists; dialogs, the clipboard and the print dialog take their desktop form.
inline bool UsesQtBackend() {
  const char* value = std::getenv(kBackendVariable);
  return value != nullptr && std::string_view(value) == "qt";
}

// Makes the Qt backend the one for windows created from now on, in this process and in modules
// it loads. Call it before creating controls, on the thread that owns the QApplication.
inline void SelectQtBackend() { ::setenv(kBackendVariable, "qt", 1); }

// Object names of the Qt backend's child widgets inside a control's window: hosts find them with
// QObject::findChild to post input or grab what the client area shows.
inline constexpr const char* kClientWidgetName = "tavlenClientArea";
inline constexpr const char* kHorzBarWidgetName = "tavlenHorzScrollBar";
inline constexpr const char* kVertBarWidgetName = "tavlenVertScrollBar";
// A dynamic property a host sets on the client area while it grabs what the widget shows: that
// rendering presents the framebuffer as it is, without delivering the window's pending paints.
inline constexpr const char* kPresentOnlyProperty = "tavlenPresentOnly";

}  // namespace tavlen::win
