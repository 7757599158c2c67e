// libFuzzer target: the EMF decoder on arbitrary bytes, with limits small enough to keep each run quick.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/graphics/codecs/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavlen::gfx;
  DecodeLimits limits;
  limits.maxSide = 2048;
  limits.maxPixelBytes = 8u << 20;
  limits.maxFileBytes = 16u << 20;
  auto bytes = std::make_shared<Bytes>(data, data + size);
  std::unique_ptr<ImageDecoder> decoder;
  if (OpenEmfDecoder(bytes, limits, decoder) != Status::Ok) return 0;
  DecodedFrame frame;
  Ignore(decoder->DecodeFrame(0, frame));
  return 0;
}
