// libFuzzer target: the PNG decoder on arbitrary bytes, every frame decoded under small limits, and
// the same bytes as a file streamed from its descriptor.
#include <sys/mman.h>
#include <unistd.h>

#include "fuzz/decoder_fuzzer.h"
#include "platform/base/unique_fd.h"
#include "platform/graphics/codecs/png_file.h"

namespace {

void FuzzStreamedFile(const uint8_t* data, size_t size) {
  tavlen::base::UniqueFd fd(memfd_create("png_fuzzer", MFD_CLOEXEC));
  if (fd.Get() < 0 || write(fd.Get(), data, size) != static_cast<ssize_t>(size)) return;
  tavlen::gfx::DecodeLimits limits;
  limits.maxSide = 4096;
  limits.maxPixelBytes = 16u << 20;
  limits.maxFileBytes = 16u << 20;
  tavlen::gfx::DecodedFrame frame;
  (void)tavlen::gfx::ReadStreamedPng(fd.Get(), size, limits, frame);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzStreamedFile(data, size);
  return tavlen::gfx::FuzzDecoder(tavlen::gfx::OpenPngDecoder, data, size);
}
