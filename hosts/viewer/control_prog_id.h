// The one ProgID the viewer and its tests create the control by: version 2, which turns photos upright,
// manages colour and redoes.
#pragma once

#include "control/class_ids.h"

namespace tavlen::viewer {

inline constexpr const char* kControlProgId = kTavlen2ProgId;

}  // namespace tavlen::viewer
