// PNG encoding through libpng: every pixel format written losslessly, palettes, gray ramps and 16-bit depth kept.
//
//   Indexed1/4/8 -> palette PNG of the same depth (tRNS when an entry's alpha is below 255); the gray ramps
//                   the decoder makes of gray PNGs (1 bit, 4 bit, 2 bit in 8bpp, 8 bit) go back to gray PNGs
//   GrayScale16 -> gray 16; RGB48 -> RGB 16; ARGB64/PARGB64 -> RGBA 16 (un-premultiplied)
//   RGB24/RGB32/RGB555/RGB565 -> RGB 8; ARGB32/PARGB32/ARGB1555 -> RGBA 8
// Property items go into an eXIf chunk. Streamed rows of whole-byte samples are written as they come, the
// image data deflated by chunks.
#include <libdeflate.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/codecs/png_deflate.h"
#include "platform/graphics/codecs/png_glue.h"
#include "platform/graphics/convert.h"
#include "platform/graphics/exif.h"
#include "platform/graphics/two_halves.h"

namespace tavlen::gfx {
namespace {

using png_glue::ErrorContext;

enum class RowMode { Indices, Gray16, Rgb48, Rgba64, Rgb8, Rgba8 };

struct Sink {
  Bytes* out = nullptr;
  bool failed = false;
};

void WriteCallback(png_structp png, png_bytep data, size_t count) {
  auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
  try {
    sink->out->insert(sink->out->end(), data, data + count);
  } catch (const std::bad_alloc&) {
    sink->failed = true;
  }
  // Outside the catch block: longjmp must not leave a handler.
  if (sink->failed) png_error(png, "Out of memory writing the file");
}

void FlushCallback(png_structp) {}

// Everything the guarded writer needs, prepared beforehand so that it creates no objects of its own.
struct WriteJob {
  const PictureRows* image = nullptr;
  RowMode mode = RowMode::Rgb8;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  const png_color* plte = nullptr;
  int plteCount = 0;
  const png_byte* trns = nullptr;
  int trnsCount = 0;
  const uint8_t* exif = nullptr;
  png_uint_32 exifSize = 0;
  std::span<const uint8_t> profile;  // written as iCCP when not empty
  png_bytep row = nullptr;           // one PNG row (one byte per sample for packed depths)
  uint8_t* argb = nullptr;           // one row of 32bppARGB
  const Bytes* idat = nullptr;       // the image data compressed beforehand, or null to let libpng write the rows
  bool infoOnly = false;             // stop before the image data, which the caller writes
};

inline void PutBe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

inline uint32_t Le16(const uint8_t* p) { return p[0] | uint32_t{p[1]} << 8; }

inline uint32_t Unpremultiply16(uint32_t c, uint32_t a) {
  if (a == 0) return 0;
  const uint32_t v = (c * 65535u + a / 2) / a;
  return v > 65535u ? 65535u : v;
}

// Rows of 24 and 32 bits a pixel as PNG's R, G, B (and A): straight byte moves, without the
// general conversion through ARGB.
void BgrToRgb(const uint8_t* src, uint32_t w, size_t srcBytes, uint8_t* dst) {
  for (uint32_t x = 0; x < w; ++x, src += srcBytes, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

void BgraToRgba(const uint8_t* src, uint32_t w, uint8_t* dst) {
  for (uint32_t x = 0; x < w; ++x, src += 4, dst += 4) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
    dst[3] = src[3];
  }
}

void FillRow(const WriteJob& job, uint32_t y, uint8_t* dst) {
  const PictureRows& img = *job.image;
  const uint8_t* src = img.Row(y);
  const uint32_t w = img.Width();
  switch (job.mode) {
    case RowMode::Indices: {
      const uint32_t bits = BitsPerPixel(img.Format());
      for (uint32_t x = 0; x < w; ++x) {
        dst[x] = bits == 8   ? src[x]
                 : bits == 4 ? (src[x / 2] >> (x % 2 ? 0 : 4)) & 15
                             : (src[x / 8] >> (7 - x % 8)) & 1;
      }
      break;
    }
    case RowMode::Gray16:
      for (uint32_t x = 0; x < w; ++x) PutBe16(dst + 2 * x, Le16(src + 2 * x));
      break;
    case RowMode::Rgb48:
      for (uint32_t x = 0; x < w; ++x) {
        const uint8_t* s = src + 6 * x;
        PutBe16(dst + 6 * x, Le16(s + 4));
        PutBe16(dst + 6 * x + 2, Le16(s + 2));
        PutBe16(dst + 6 * x + 4, Le16(s));
      }
      break;
    case RowMode::Rgba64: {
      const bool pre = IsPremultiplied(img.Format());
      for (uint32_t x = 0; x < w; ++x) {
        const uint8_t* s = src + 8 * x;
        const uint32_t a = Le16(s + 6);
        uint32_t b = Le16(s), g = Le16(s + 2), r = Le16(s + 4);
        if (pre) r = Unpremultiply16(r, a), g = Unpremultiply16(g, a), b = Unpremultiply16(b, a);
        PutBe16(dst + 8 * x, r);
        PutBe16(dst + 8 * x + 2, g);
        PutBe16(dst + 8 * x + 4, b);
        PutBe16(dst + 8 * x + 6, a);
      }
      break;
    }
    case RowMode::Rgb8:
      if (img.Format() == PixelFormat::RGB24bpp) return BgrToRgb(src, w, 3, dst);
      if (img.Format() == PixelFormat::RGB32bpp) return BgrToRgb(src, w, 4, dst);
      RowToArgb32(src, img.Format(), img.GetPalette(), 0, w, job.argb);
      for (uint32_t x = 0; x < w; ++x) {
        dst[3 * x] = job.argb[4 * x + 2];
        dst[3 * x + 1] = job.argb[4 * x + 1];
        dst[3 * x + 2] = job.argb[4 * x];
      }
      break;
    case RowMode::Rgba8:
      if (img.Format() == PixelFormat::ARGB32bpp) return BgraToRgba(src, w, dst);
      RowToArgb32(src, img.Format(), img.GetPalette(), 0, w, job.argb);
      for (uint32_t x = 0; x < w; ++x) {
        dst[4 * x] = job.argb[4 * x + 2];
        dst[4 * x + 1] = job.argb[4 * x + 1];
        dst[4 * x + 2] = job.argb[4 * x];
        dst[4 * x + 3] = job.argb[4 * x + 3];
      }
      break;
  }
}

// The image data as IDAT chunks of at most 1 MiB, then IEND: what png_write_row and png_write_end
// would have written, with the compression done elsewhere.
void WritePrecompressed(png_structp png, const Bytes& idat) {
  constexpr size_t kChunk = size_t{1} << 20;
  static const png_byte kIdat[5] = "IDAT";
  static const png_byte kIend[5] = "IEND";
  for (size_t at = 0; at < idat.size(); at += kChunk)
    png_write_chunk(png, kIdat, idat.data() + at, std::min(kChunk, idat.size() - at));
  png_write_chunk(png, kIend, nullptr, 0);
}

void WriteAll(png_structp png, png_infop info, const WriteJob& job) {
  png_set_IHDR(png, info, job.image->Width(), job.image->Height(), job.bitDepth, job.colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (job.plteCount > 0) png_set_PLTE(png, info, job.plte, job.plteCount);
  if (job.trnsCount > 0) png_set_tRNS(png, info, job.trns, job.trnsCount, nullptr);
  if (job.exifSize > 0) png_set_eXIf_1(png, info, job.exifSize, const_cast<png_bytep>(job.exif));
  if (!job.profile.empty()) {
    png_set_iCCP(png, info, "ICC Profile", PNG_COMPRESSION_TYPE_BASE, job.profile.data(),
                 static_cast<png_uint_32>(job.profile.size()));
  }
  png_write_info(png, info);
  if (job.infoOnly) return;
  if (job.idat != nullptr) {
    WritePrecompressed(png, *job.idat);
    return;
  }
  if (job.bitDepth < 8) png_set_packing(png);
  for (uint32_t y = 0; y < job.image->Height(); ++y) {
    FillRow(job, y, job.row);
    png_write_row(png, job.row);
  }
  png_write_end(png, info);
}

// The one setjmp of an encode; nothing with a destructor lives between here and libpng's longjmp.
bool WriteGuarded(png_structp png, png_infop info, const WriteJob& job) {
  if (setjmp(png_jmpbuf(png))) return false;
  WriteAll(png, info, job);
  return true;
}

uint32_t MaxIndex(const PixelBuffer& img) {
  const uint32_t bits = BitsPerPixel(img.Format());
  uint32_t maxIndex = 0;
  for (uint32_t y = 0; y < img.Height(); ++y) {
    const uint8_t* row = img.Row(y);
    for (uint32_t x = 0; x < img.Width(); ++x) {
      const uint32_t v = bits == 8   ? row[x]
                         : bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 15
                                     : (row[x / 8] >> (7 - x % 8)) & 1;
      if (v > maxIndex) maxIndex = v;
    }
  }
  return maxIndex;
}

// The gray bit depth when the palette is exactly the ramp the decoder gives a gray PNG of that format; else 0.
int GrayDepthOf(const PixelBuffer& img, uint32_t maxIndex) {
  const auto& entries = img.GetPalette().entries;
  int depth = 0;
  switch (img.Format()) {
    case PixelFormat::Indexed1bpp:
      depth = 1;
      break;
    case PixelFormat::Indexed4bpp:
      depth = 4;
      break;
    default:
      depth = entries.size() == 4 ? 2 : 8;
      break;
  }
  const uint32_t n = 1u << depth;
  if (entries.size() != n || maxIndex >= n) return 0;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t v = i * 255 / (n - 1);
    if (entries[i] != (0xFF000000u | v << 16 | v << 8 | v)) return 0;
  }
  return depth;
}

// A job with what it points into: the palette, transparency, Exif block and row buffers.
struct PreparedJob {
  WriteJob job;
  size_t rowBytes = 0;
  std::vector<png_color> plte;
  std::vector<png_byte> trns;
  std::vector<uint8_t> exif;
  std::unique_ptr<uint8_t[]> row;
  std::unique_ptr<uint8_t[]> argb;
};

Status Prepare(const PictureRows& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
               PreparedJob& prepared) {
  if (!parameters.empty()) return Status::InvalidParameter;
  if (image.Width() == 0 || image.Height() == 0 || !IsValidPixelFormat(image.Format())) return Status::InvalidParameter;

  const PixelFormat format = image.Format();
  const uint32_t w = image.Width();
  WriteJob& job = prepared.job;
  job.image = &image;
  std::vector<png_color>& plte = prepared.plte;
  std::vector<png_byte>& trns = prepared.trns;
  size_t& rowBytes = prepared.rowBytes;
  bool needArgb = false;
  try {
    if (IsIndexed(format)) {
      // The palette is cut to the indices used, which takes a pass of its own.
      if (image.Whole() == nullptr) return Status::InvalidParameter;
      job.mode = RowMode::Indices;
      const uint32_t maxIndex = MaxIndex(*image.Whole());
      if (int gray = GrayDepthOf(*image.Whole(), maxIndex); gray != 0) {
        job.colorType = PNG_COLOR_TYPE_GRAY;
        job.bitDepth = gray;
      } else {
        job.colorType = PNG_COLOR_TYPE_PALETTE;
        job.bitDepth = static_cast<int>(BitsPerPixel(format));
        const auto& entries = image.GetPalette().entries;
        size_t count = std::min<size_t>(entries.size(), size_t{1} << job.bitDepth);
        count = std::max<size_t>(count, maxIndex + 1);
        plte.resize(count, png_color{0, 0, 0});
        trns.resize(count, 255);
        size_t trnsCount = 0;
        for (size_t i = 0; i < count && i < entries.size(); ++i) {
          plte[i] = png_color{static_cast<png_byte>(entries[i] >> 16), static_cast<png_byte>(entries[i] >> 8),
                              static_cast<png_byte>(entries[i])};
          trns[i] = static_cast<png_byte>(entries[i] >> 24);
          if (trns[i] != 255) trnsCount = i + 1;
        }
        job.plte = plte.data();
        job.plteCount = static_cast<int>(count);
        job.trns = trns.data();
        job.trnsCount = static_cast<int>(trnsCount);
      }
      rowBytes = w;
    } else {
      switch (format) {
        case PixelFormat::GrayScale16bpp:
          job.mode = RowMode::Gray16, job.colorType = PNG_COLOR_TYPE_GRAY, job.bitDepth = 16, rowBytes = 2 * size_t{w};
          break;
        case PixelFormat::RGB48bpp:
          job.mode = RowMode::Rgb48, job.colorType = PNG_COLOR_TYPE_RGB, job.bitDepth = 16, rowBytes = 6 * size_t{w};
          break;
        case PixelFormat::ARGB64bpp:
        case PixelFormat::PARGB64bpp:
          job.mode = RowMode::Rgba64, job.colorType = PNG_COLOR_TYPE_RGBA, job.bitDepth = 16, rowBytes = 8 * size_t{w};
          break;
        case PixelFormat::ARGB32bpp:
        case PixelFormat::PARGB32bpp:
        case PixelFormat::ARGB1555_16bpp:
          job.mode = RowMode::Rgba8, job.colorType = PNG_COLOR_TYPE_RGBA, rowBytes = 4 * size_t{w};
          needArgb = true;
          break;
        default:
          job.mode = RowMode::Rgb8, job.colorType = PNG_COLOR_TYPE_RGB, rowBytes = 3 * size_t{w};
          needArgb = true;
          break;
      }
    }
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }

  prepared.row.reset(new (std::nothrow) uint8_t[rowBytes]);
  prepared.argb.reset(needArgb ? new (std::nothrow) uint8_t[4 * size_t{w}] : nullptr);
  if (!prepared.row || (needArgb && !prepared.argb)) return Status::OutOfMemory;
  job.row = prepared.row.get();
  job.argb = prepared.argb.get();

  std::vector<uint8_t>& exif = prepared.exif;
  if (!properties.empty()) {
    exif = BuildExif(properties);
    if (exif.size() > PNG_UINT_31_MAX) return Status::InvalidParameter;
    job.exif = exif.data();
    job.exifSize = static_cast<png_uint_32>(exif.size());
    const bool gray = job.colorType == PNG_COLOR_TYPE_GRAY || job.colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
    job.profile = ProfileFor(properties, gray ? "GRAY" : "RGB ");
    if (job.profile.size() > PNG_UINT_31_MAX) job.profile = {};
  }
  return Status::Ok;
}

// The file as libpng writes it for the job; with job.infoOnly the chunks before the image data only.
Status WritePng(const WriteJob& job, size_t reserve, Bytes& out) {
  ErrorContext errors;
  png_glue::WriteStructs structs;
  structs.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors, png_glue::OnError, png_glue::OnWarning);
  if (structs.png == nullptr) return Status::OutOfMemory;
  structs.info = png_create_info_struct(structs.png);
  if (structs.info == nullptr) return Status::OutOfMemory;
  Bytes file;
  try {
    // The file grows in place instead of doubling past its size.
    file.reserve(reserve + job.exifSize + job.profile.size() + 4096);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  Sink sink{&file};
  png_set_write_fn(structs.png, &sink, WriteCallback, FlushCallback);
  if (!WriteGuarded(structs.png, structs.info, job)) return png_glue::StatusOf(errors);
  out = std::move(file);
  return Status::Ok;
}

uint32_t PixelBytesOf(const WriteJob& job) {
  const uint32_t channels = job.colorType == PNG_COLOR_TYPE_RGBA ? 4 : job.colorType == PNG_COLOR_TYPE_RGB ? 3 : 1;
  return channels * static_cast<uint32_t>(job.bitDepth) / 8;
}

void PutBe32(uint8_t* p, uint32_t v) {
  PutBe16(p, v >> 16);
  PutBe16(p + 2, v & 0xFFFF);
}

// One chunk of `type` around `data`, written piece by piece.
Status WriteChunk(ByteSink& out, const char (&type)[5], std::span<const uint8_t> data) {
  uint8_t head[8];
  PutBe32(head, static_cast<uint32_t>(data.size()));
  std::memcpy(head + 4, type, 4);
  uint8_t crc[4];
  // libdeflate_crc32 of a null buffer gives the initial value, not the CRC so far.
  uint32_t sum = libdeflate_crc32(0, head + 4, 4);
  if (!data.empty()) sum = libdeflate_crc32(sum, data.data(), data.size());
  PutBe32(crc, sum);
  if (Status s = out.Write(head); s != Status::Ok) return s;
  if (Status s = out.Write(data); s != Status::Ok) return s;
  return out.Write(crc);
}

}  // namespace

Status EncodePng(const PixelBuffer& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                 Bytes& out) {
  if (image.Empty()) return Status::InvalidParameter;
  return EncodePngRows(PictureRows(image), properties, parameters, out);
}

Status EncodePngRows(const PictureRows& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                     Bytes& out) {
  PreparedJob prepared;
  if (Status s = Prepare(image, properties, parameters, prepared); s != Status::Ok) return s;
  WriteJob& job = prepared.job;
  // Whole-byte samples are filtered and deflated here, much faster than through libpng's zlib.
  Bytes idat;
  if (job.bitDepth >= 8) {
    auto fill = [&job](uint32_t y, uint8_t* row) { FillRow(job, y, row); };
    if (Status s = DeflatePngRows(image.Height(), prepared.rowBytes, PixelBytesOf(job), fill, idat); s != Status::Ok)
      return s;
    job.idat = &idat;
  }
  return WritePng(job, idat.size(), out);
}

Status StreamPngRows(const PictureRows& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                     ByteSink& out) {
  PreparedJob prepared;
  if (Status s = Prepare(image, properties, parameters, prepared); s != Status::Ok) return s;
  WriteJob& job = prepared.job;
  if (job.bitDepth < 8) {
    // Packed samples come only from indexed pictures, which are whole in memory: written as EncodePngRows does.
    Bytes file;
    if (Status s = EncodePngRows(image, properties, parameters, file); s != Status::Ok) return s;
    return out.Write(file);
  }
  job.infoOnly = true;
  Bytes info;
  if (Status s = WritePng(job, 0, info); s != Status::Ok) return s;
  if (Status s = out.Write(info); s != Status::Ok) return s;
  auto fill = [&job](uint32_t y, uint8_t* row) { FillRow(job, y, row); };
  // Each piece of the stream, some hundreds of kilobytes, is an IDAT chunk of its own.
  auto emit = [&out](std::span<const uint8_t> piece) { return WriteChunk(out, "IDAT", piece); };
  const ChunkShape shape{.threads = SecondThreadAllowed() ? 2u : 0u};
  if (Status s = DeflatePngRowsInChunks(image.Height(), prepared.rowBytes, PixelBytesOf(job), fill, shape, emit);
      s != Status::Ok)
    return s;
  return WriteChunk(out, "IEND", {});
}

}  // namespace tavlen::gfx
