// GIF encoding through giflib: indexed images with their palette, everything else reduced to 256 colours first.
//
// The palette is padded to a power of two. Palette entries with alpha below 128 become the one transparent index
// (a graphic control extension, and then a GIF89a header); pixels of other such entries are written with it.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/quantize.h"

namespace tavlen::gfx {
namespace {

constexpr uint32_t kMaxSide = 65535;  // the format's 16-bit sizes

// Where giflib's bytes go, and the status of the first write `out` refused.
struct Sink {
  ByteSink* out = nullptr;
  Status failure = Status::Ok;
};

int WriteBytes(GifFileType* gif, const GifByteType* data, int count) {
  auto* sink = static_cast<Sink*>(gif->UserData);
  if (sink->failure == Status::Ok) sink->failure = sink->out->Write({data, static_cast<size_t>(count)});
  return sink->failure == Status::Ok ? count : 0;  // giflib reports a short write as a write failure
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    EGifCloseFile(gif, &error);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

struct MapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using MapPtr = std::unique_ptr<ColorMapObject, MapDeleter>;

uint32_t IndexAt(const uint8_t* row, uint32_t bits, uint32_t x) {
  return bits == 8 ? row[x] : bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 15 : (row[x / 8] >> (7 - x % 8)) & 1;
}

Status StatusOfGifError(int error) {
  return error == E_GIF_ERR_NOT_ENOUGH_MEM ? Status::OutOfMemory : Status::GenericError;
}

// The palette as the file keeps it: at most 256 entries, at least `maxIndex` + 1.
std::vector<uint32_t> EntriesFor(const Palette& palette, uint32_t maxIndex) {
  std::vector<uint32_t> entries = palette.entries;
  if (entries.size() > 256) entries.resize(256);
  if (entries.size() <= maxIndex) entries.resize(maxIndex + 1, 0xFF000000u);
  return entries;
}

// The file of a picture `w` x `h` whose rows of palette indices fillLine(y, line) gives, rows 0, 1, ...
template <class FillLine>
Status WriteGif(uint32_t w, uint32_t h, const std::vector<uint32_t>& entries, FillLine fillLine, ByteSink& out) {
  // The first clear entry is the transparent index; the other clear entries are written with it.
  int transparent = -1;
  uint8_t remap[256];
  for (uint32_t i = 0; i < 256; ++i) remap[i] = static_cast<uint8_t>(i);
  for (size_t i = 0; i < entries.size(); ++i) {
    if ((entries[i] >> 24) >= 128) continue;
    if (transparent < 0) transparent = static_cast<int>(i);
    remap[i] = static_cast<uint8_t>(transparent);
  }

  int colours = 2;
  while (colours < static_cast<int>(entries.size())) colours *= 2;
  MapPtr map(GifMakeMapObject(colours, nullptr));
  if (!map) return Status::OutOfMemory;
  for (int i = 0; i < colours; ++i) {
    const uint32_t c = static_cast<size_t>(i) < entries.size() ? entries[static_cast<size_t>(i)] : 0xFF000000u;
    map->Colors[i] =
        GifColorType{static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8), static_cast<GifByteType>(c)};
  }

  Sink sink{&out};
  int error = 0;
  GifPtr gif(EGifOpen(&sink, WriteBytes, &error));
  if (!gif) return StatusOfGifError(error);
  // A refusing sink's own status, else giflib's.
  auto failed = [&sink](int gifError) {
    return sink.failure != Status::Ok ? sink.failure : StatusOfGifError(gifError);
  };
  EGifSetGifVersion(gif.get(), transparent >= 0);
  if (EGifPutScreenDesc(gif.get(), static_cast<int>(w), static_cast<int>(h), map->BitsPerPixel, 0, map.get()) ==
      GIF_ERROR)
    return failed(gif->Error);
  if (transparent >= 0) {
    GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, transparent};
    GifByteType ext[4];
    const size_t len = EGifGCBToExtension(&gcb, ext);
    if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(len), ext) == GIF_ERROR)
      return failed(gif->Error);
  }
  if (EGifPutImageDesc(gif.get(), 0, 0, static_cast<int>(w), static_cast<int>(h), false, nullptr) == GIF_ERROR)
    return failed(gif->Error);
  std::vector<GifPixelType> line(w);
  for (uint32_t y = 0; y < h; ++y) {
    fillLine(y, line.data());
    for (GifPixelType& index : line) index = remap[index];
    if (EGifPutLine(gif.get(), line.data(), static_cast<int>(w)) == GIF_ERROR) return failed(gif->Error);
  }
  if (EGifCloseFile(gif.release(), &error) == GIF_ERROR) return failed(error);
  // giflib does not look at how the trailer's write went.
  return sink.failure;
}

Status WriteIndexed(const PixelBuffer& img, ByteSink& out) {
  const uint32_t bits = BitsPerPixel(img.Format());
  uint32_t maxIndex = 0;
  for (uint32_t y = 0; y < img.Height(); ++y)
    for (uint32_t x = 0; x < img.Width(); ++x) maxIndex = std::max(maxIndex, IndexAt(img.Row(y), bits, x));
  auto fill = [&img, bits](uint32_t y, GifPixelType* line) {
    const uint8_t* row = img.Row(y);
    for (uint32_t x = 0; x < img.Width(); ++x) line[x] = static_cast<GifPixelType>(IndexAt(row, bits, x));
  };
  return WriteGif(img.Width(), img.Height(), EntriesFor(img.GetPalette(), maxIndex), fill, out);
}

// Reduced to 256 colours a row at a time, as the rows are written: no 8-bit copy of the picture.
Status WriteQuantized(const PixelBuffer& img, ByteSink& out) {
  RowQuantizer quantizer(img);
  auto fill = [&quantizer](uint32_t y, GifPixelType* line) { quantizer.Row(y, line); };
  return WriteGif(img.Width(), img.Height(), EntriesFor(quantizer.GetPalette(), 0), fill, out);
}

}  // namespace

Status EncodeGif(const PixelBuffer& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                 Bytes& out) {
  return WriteIntoMemory(out, [&](ByteSink& sink) { return StreamGif(image, properties, parameters, sink); });
}

Status StreamGif(const PixelBuffer& image, std::span<const PropertyItem>, EncoderParameters parameters, ByteSink& out) {
  if (!parameters.empty()) return Status::InvalidParameter;
  if (image.Empty() || !IsValidPixelFormat(image.Format())) return Status::InvalidParameter;
  if (image.Width() > kMaxSide || image.Height() > kMaxSide) return Status::InvalidParameter;
  try {
    return IsIndexed(image.Format()) ? WriteIndexed(image, out) : WriteQuantized(image, out);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
}

}  // namespace tavlen::gfx
