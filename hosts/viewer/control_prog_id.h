// The one ProgID the viewer and its tests create the control by.
#pragma once

namespace tavlen::viewer {

inline constexpr char kControlProgId[] = "TAVLEN.TavlenCtrl.1";

}  // namespace tavlen::viewer
