// The body every decoder fuzzer shares: open the bytes under small limits and decode every frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/graphics/codecs/codec.h"

namespace tavlen::gfx {

inline int FuzzDecoder(DecoderOpener open, const uint8_t* data, size_t size) {
  DecodeLimits limits;
  limits.maxSide = 4096;
  limits.maxPixelBytes = 16u << 20;
  limits.maxFileBytes = 16u << 20;
  auto bytes = std::make_shared<const Bytes>(data, data + size);
  std::unique_ptr<ImageDecoder> decoder;
  if (open(bytes, limits, decoder) != Status::Ok) return 0;
  for (uint32_t i = 0; i < decoder->FrameCount(); ++i) {
    DecodedFrame frame;
    Ignore(decoder->DecodeFrame(i, frame));
  }
  return 0;
}

}  // namespace tavlen::gfx
