// libFuzzer target: the PNG decoder on arbitrary bytes, every frame decoded under small limits.
#include "fuzz/decoder_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tavlen::gfx::FuzzDecoder(tavlen::gfx::OpenPngDecoder, data, size);
}
