// libFuzzer target: the TIFF decoder on arbitrary bytes, every page, with small limits.
#include "fuzz/decoder_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tavlen::gfx::FuzzDecoder(tavlen::gfx::OpenTiffDecoder, data, size);
}
