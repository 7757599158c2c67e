// The working image's pixels for hosts in the same process (the Python module, native hosts): read
// and replaced as 8-bit BGRA rows without going through automation. Hosts reach it with
// QueryInterface; it is no automation member and crosses no process.
#pragma once

#include <cstdint>

#include "platform/automation/unknown.h"

namespace tavlen {

// Rows of 32-bit pixels, bytes B, G, R, A (straight alpha) in memory; row y starts at scan0 + y * stride.
struct PixelRows {
  uint32_t width = 0;
  uint32_t height = 0;
  int32_t stride = 0;
  uint8_t* scan0 = nullptr;
};

class IPicturePixels : public ole::IUnknown {
 public:
  using Base = ole::IUnknown;
  // {E0B1B0F2-6B0A-4C57-9F43-2C1D5A8E7B31}
  static constexpr ole::IID kIid{0xE0B1B0F2, 0x6B0A, 0x4C57, {0x9F, 0x43, 0x2C, 0x1D, 0x5A, 0x8E, 0x7B, 0x31}};

  // Opens the working image for reading. The rows are the picture's own memory when it is held as
  // 32-bit ARGB, a converted copy otherwise; either way they stay valid and unchanged until
  // UnlockPixels. S_FALSE (rows empty) without a picture; E_UNEXPECTED while already open.
  virtual ole::HRESULT LockPixels(PixelRows* rows) = 0;
  virtual ole::HRESULT UnlockPixels() = 0;
  // Replaces the working image with a copy of the rows (any size), recorded as an edit: an undo
  // step, and version 2's PictureChanged. E_INVALIDARG for a zero or oversized side, a null
  // pointer or a stride shorter than a row; E_OUTOFMEMORY; the picture stays on failure.
  virtual ole::HRESULT SetPixels(const PixelRows& rows) = 0;
};

}  // namespace tavlen
