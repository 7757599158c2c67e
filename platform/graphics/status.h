// Status codes of the imaging library; the numbers are the published ones and cross the control's boundary.
#pragma once

#include <cstdint>

namespace tavlen::gfx {

enum class [[nodiscard]] Status : int32_t {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  ObjectBusy = 4,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  Win32Error = 7,
  WrongState = 8,
  Aborted = 9,
  FileNotFound = 10,
  ValueOverflow = 11,
  AccessDenied = 12,
  UnknownImageFormat = 13,
  FontFamilyNotFound = 14,
  FontStyleNotFound = 15,
  NotTrueTypeFont = 16,
  UnsupportedVersion = 17,
  NotInitialized = 18,
  PropertyNotFound = 19,
  PropertyNotSupported = 20,
};

// For call sites that deliberately ignore a status (e.g. best-effort clean-up).
inline void Ignore(Status) {}

}  // namespace tavlen::gfx
