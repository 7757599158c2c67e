// libFuzzer target: the decoders that stream rows (plain 24-bit BMP, baseline colour JPEG) on arbitrary
// bytes, through the pipe that hands their rows to encoders and the PNG writer that deflates them by
// chunks. Where a file streams and also decodes whole, the PNG written must decode to the same pixels.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "fuzz/decoder_fuzzer.h"
#include "platform/graphics/codecs/picture_rows.h"

namespace tavlen::gfx {
namespace {

class MemorySink final : public ByteSink {
 public:
  Status Write(std::span<const uint8_t> piece) override {
    bytes.insert(bytes.end(), piece.begin(), piece.end());
    return Status::Ok;
  }
  Bytes bytes;
};

DecodeLimits SmallLimits() {
  DecodeLimits limits;
  limits.maxSide = 4096;
  limits.maxPixelBytes = 16u << 20;
  limits.maxFileBytes = 16u << 20;
  return limits;
}

// The whole frame as loading decodes it, or an empty buffer when it does not.
PixelBuffer DecodeWhole(const uint8_t* data, size_t size, int fd) {
  DecodedFrame frame;
  bool read = false;
  if (fd >= 0) {
    if (ReadPlainBmp(fd, size, SmallLimits(), frame, read) != Status::Ok || !read) return {};
    return std::move(frame.pixels);
  }
  std::unique_ptr<ImageDecoder> decoder;
  if (OpenJpegDecoder(std::make_shared<const Bytes>(data, data + size), SmallLimits(), decoder) != Status::Ok ||
      decoder->DecodeFrame(0, frame) != Status::Ok) {
    return {};
  }
  return std::move(frame.pixels);
}

int FuzzStreamedRows(const uint8_t* data, size_t size) {
  const bool bmp = size >= 2 && data[0] == 'B' && data[1] == 'M';
  base::UniqueFd fd;
  if (bmp) {
    fd = base::UniqueFd(memfd_create("streamed-rows", MFD_CLOEXEC));
    if (!fd.Valid() || write(fd.Get(), data, size) != static_cast<ssize_t>(size)) return 0;
  }
  StreamedFrame frame;
  const Status opened = bmp ? OpenPlainBmpRows(base::UniqueFd(dup(fd.Get())), size, SmallLimits(), frame)
                            : OpenJpegRows(std::make_shared<const Bytes>(data, data + size), SmallLimits(), frame);
  if (opened != Status::Ok || !frame.rows) return 0;
  const PixelBuffer whole = DecodeWhole(data, size, bmp ? fd.Get() : -1);
  RowPipe pipe(*frame.rows, frame.format, frame.width, frame.height);
  if (pipe.Start() != Status::Ok) return 0;
  MemorySink png;
  const Palette none;
  const Status encoded = StreamPngRows(PictureRows(pipe, none), {}, {}, png);
  if (pipe.Finish() != Status::Ok || whole.Empty()) return 0;
  if (encoded == Status::OutOfMemory) return 0;
  if (encoded != Status::Ok) std::abort();
  std::unique_ptr<ImageDecoder> decoder;
  DecodedFrame written;
  if (OpenPngDecoder(std::make_shared<const Bytes>(std::move(png.bytes)), SmallLimits(), decoder) != Status::Ok ||
      decoder->DecodeFrame(0, written) != Status::Ok || written.pixels.Format() != PixelFormat::RGB24bpp)
    std::abort();
  const size_t used = size_t{frame.width} * 3;
  for (uint32_t y = 0; y < frame.height; ++y)
    if (std::memcmp(written.pixels.Row(y), whole.Row(y), used) != 0) std::abort();
  return 0;
}

}  // namespace
}  // namespace tavlen::gfx

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tavlen::gfx::FuzzStreamedRows(data, size);
}
