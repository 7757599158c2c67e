// libFuzzer target: the HEIF decoder on arbitrary bytes, with limits small enough to keep each run quick.
#include "fuzz/decoder_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tavlen::gfx::FuzzDecoder(tavlen::gfx::OpenHeifDecoder, data, size);
}
