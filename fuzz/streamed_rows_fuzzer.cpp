// libFuzzer target: the decoders that stream rows (plain 24-bit BMP, baseline colour JPEG, PNG, TIFF) on
// arbitrary bytes, through the pipe that hands their rows to encoders. Where a file streams and also
// decodes whole, the rows and palette must be the whole decode's; 24-bit rows also go through the PNG
// writer that deflates them by chunks, whose file must decode to the same pixels.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "fuzz/decoder_fuzzer.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/codecs/png_file.h"

namespace tavlen::gfx {
namespace {

enum class Kind { Bmp, Jpeg, Png, Tiff };

class MemorySink final : public ByteSink {
 public:
  Status Write(std::span<const uint8_t> piece) override {
    bytes.insert(bytes.end(), piece.begin(), piece.end());
    return Status::Ok;
  }
  Status WriteAt(uint64_t offset, std::span<const uint8_t> piece) override {
    if (offset + piece.size() > bytes.size()) bytes.resize(offset + piece.size());
    std::copy(piece.begin(), piece.end(), bytes.begin() + static_cast<ptrdiff_t>(offset));
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

Kind KindOf(const uint8_t* data, size_t size) {
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return Kind::Bmp;
  if (size >= 4 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G') return Kind::Png;
  if (size >= 2 && ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M'))) return Kind::Tiff;
  return Kind::Jpeg;
}

// The first frame as loading decodes it, or an empty buffer when it does not.
PixelBuffer DecodeWhole(Kind kind, const uint8_t* data, size_t size, int fd) {
  DecodedFrame frame;
  bool read = false;
  if (kind == Kind::Bmp) {
    if (ReadPlainBmp(fd, size, SmallLimits(), frame, read) != Status::Ok || !read) return {};
    return std::move(frame.pixels);
  }
  if (kind == Kind::Png && ReadStreamedPng(fd, size, SmallLimits(), frame)) return std::move(frame.pixels);
  const auto open = kind == Kind::Png ? OpenPngDecoder : kind == Kind::Tiff ? OpenTiffDecoder : OpenJpegDecoder;
  std::unique_ptr<ImageDecoder> decoder;
  if (open(std::make_shared<const Bytes>(data, data + size), SmallLimits(), decoder) != Status::Ok ||
      decoder->DecodeFrame(0, frame) != Status::Ok) {
    return {};
  }
  return std::move(frame.pixels);
}

Status OpenRows(Kind kind, const uint8_t* data, size_t size, int fd, StreamedFrame& frame) {
  switch (kind) {
    case Kind::Bmp:
      return OpenPlainBmpRows(base::UniqueFd(dup(fd)), size, SmallLimits(), frame);
    case Kind::Png:
      return OpenPngRows(base::UniqueFd(dup(fd)), size, SmallLimits(), frame);
    case Kind::Tiff:
      return OpenTiffRows(base::UniqueFd(dup(fd)), size, SmallLimits(), frame);
    case Kind::Jpeg:
      break;
  }
  return OpenJpegRows(std::make_shared<const Bytes>(data, data + size), SmallLimits(), frame);
}

// The decoded PNG's pixels against the whole decode's.
void CheckWrittenPng(Bytes png, const PixelBuffer& whole) {
  std::unique_ptr<ImageDecoder> decoder;
  DecodedFrame written;
  if (OpenPngDecoder(std::make_shared<const Bytes>(std::move(png)), SmallLimits(), decoder) != Status::Ok ||
      decoder->DecodeFrame(0, written) != Status::Ok || written.pixels.Format() != PixelFormat::RGB24bpp)
    std::abort();
  const size_t used = size_t{whole.Width()} * 3;
  for (uint32_t y = 0; y < whole.Height(); ++y)
    if (std::memcmp(written.pixels.Row(y), whole.Row(y), used) != 0) std::abort();
}

int FuzzStreamedRows(const uint8_t* data, size_t size) {
  const Kind kind = KindOf(data, size);
  base::UniqueFd fd;
  if (kind != Kind::Jpeg) {
    fd = base::UniqueFd(memfd_create("streamed-rows", MFD_CLOEXEC));
    if (!fd.Valid() || write(fd.Get(), data, size) != static_cast<ssize_t>(size)) return 0;
  }
  StreamedFrame frame;
  if (OpenRows(kind, data, size, fd.Get(), frame) != Status::Ok || !frame.rows) return 0;
  const PixelBuffer whole = DecodeWhole(kind, data, size, fd.Get());
  RowPipe pipe(*frame.rows, frame.format, frame.width, frame.height);
  if (pipe.Start() != Status::Ok) return 0;
  if (frame.format == PixelFormat::RGB24bpp) {
    MemorySink png;
    const Status encoded = StreamPngRows(PictureRows(pipe, frame.palette), {}, {}, png);
    if (pipe.Finish() != Status::Ok || whole.Empty() || encoded == Status::OutOfMemory) return 0;
    if (encoded != Status::Ok) std::abort();
    CheckWrittenPng(std::move(png.bytes), whole);
    return 0;
  }
  // Other formats are compared row by row, the bits after the last pixel too.
  const size_t used = (size_t{frame.width} * BitsPerPixel(frame.format) + 7) / 8;
  bool same = !whole.Empty() && whole.Format() == frame.format && whole.Width() == frame.width &&
              whole.Height() == frame.height;
  for (uint32_t y = 0; y < frame.height; ++y) {
    const uint8_t* row = pipe.Row(y);
    same = same && std::memcmp(row, whole.Row(y), used) == 0;
  }
  if (pipe.Finish() != Status::Ok || whole.Empty()) return 0;
  if (!same || (IsIndexed(frame.format) && frame.palette != whole.GetPalette())) std::abort();
  return 0;
}

}  // namespace
}  // namespace tavlen::gfx

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tavlen::gfx::FuzzStreamedRows(data, size);
}
