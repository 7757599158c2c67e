// Which version of the control an object is: set once by the class factory that made it.
#pragma once

namespace tavlen {

// Version 1 is the specified control, kept exact; version 2 adds members from DISPID 256 and turns
// photos upright, keeps redo steps and announces every change of the picture.
enum class ControlVersion { One = 1, Two = 2 };

}  // namespace tavlen
