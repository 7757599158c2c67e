// The Qt backend's presenter: a QWidget showing a window, made for windows created while
// TAVLEN_BACKEND is "qt" and a QApplication runs.
#pragma once

#include <memory>

#include "platform/window/window_port.h"

namespace tavlen::win::qt {

// The presenter of the window behind `window`, which must outlive it; null (the window stays
// headless) without the Qt backend selected, without a QApplication or off the application's thread.
std::unique_ptr<WindowPresenter> MakeQtPresenter(WindowPort& window);

}  // namespace tavlen::win::qt
