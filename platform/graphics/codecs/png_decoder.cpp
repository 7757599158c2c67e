// PNG decoding through libpng: every colour type and bit depth into the library's pixel formats.
//
// Formats chosen so that no sample value is lost and palettes survive:
//   palette 1/4 bit -> Indexed1bpp/Indexed4bpp, palette 2/8 bit -> Indexed8bpp (PLTE + tRNS alpha)
//   gray 1 bit -> Indexed1bpp, gray 4 bit -> Indexed4bpp, gray 2/8 bit -> Indexed8bpp, all with a gray ramp
//   gray 16 -> RGB48bpp; gray/RGB with tRNS and gray+alpha/RGBA -> ARGB32bpp (ARGB64bpp at 16 bits)
//   RGB 8 -> RGB24bpp, RGB 16 -> RGB48bpp
// Gamma and colour chunks are not applied: samples are returned as stored. APNG files give their default image.
#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string_view>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/file_cursor.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/codecs/png_fast_rows.h"
#include "platform/graphics/codecs/png_file.h"
#include "platform/graphics/codecs/png_glue.h"
#include "platform/graphics/codecs/png_stream_rows.h"
#include "platform/graphics/exif.h"
#include "platform/graphics/status_file_io.h"

namespace tavlen::gfx {
namespace {

using png_glue::ErrorContext;

// Ancillary chunks (text, profiles, EXIF) are refused above this size after decompression.
constexpr size_t kMaxChunkBytes = 8u << 20;
constexpr png_uint_32 kMaxCachedChunks = 1000;
// Deflate turns one byte into at most about this many: image data that could not fill the picture
// even at that rate is refused before the pixels are allocated.
constexpr uint64_t kMaxInflateRatio = 1032;
// The chunks before the image data of a streamed file are read whole up to this size.
constexpr size_t kMaxStreamedHead = size_t{16} << 20;

struct Source {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
};

void ReadCallback(png_structp png, png_bytep out, size_t count) {
  auto* src = static_cast<Source*>(png_get_io_ptr(png));
  if (count > src->size - src->pos) png_error(png, "Read past the end of the data");
  std::memcpy(out, src->data + src->pos, count);
  src->pos += count;
}

struct Header {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colorType = 0;
  int interlace = 0;
  bool hasTrns = false;
};

// Which libpng transforms turn the stored rows into rows of `format`.
struct Plan {
  PixelFormat format = PixelFormat::DontCare;
  bool pack = false;        // 2-bit samples to one byte each
  bool expandGray = false;  // gray 1/2/4 with tRNS: to 8 bits first
  bool trnsToAlpha = false;
  bool grayToRgb = false;
  bool bgr = false;
  bool swap16 = false;  // big-endian 16-bit samples to little-endian words
  size_t rowBytes = 0;  // filled by the transform step
};

struct ReadStep {
  void (*run)(png_structp, png_infop, void*);
  void* arg;
};

// The one setjmp of a decode: runs a step and turns a libpng error into false.
// Nothing with a destructor lives between here and the libpng call that may longjmp.
bool RunGuarded(png_structp png, png_infop info, ReadStep step) {
  if (setjmp(png_jmpbuf(png))) return false;
  step.run(png, info, step.arg);
  return true;
}

void StepReadInfo(png_structp png, png_infop info, void* arg) {
  auto* h = static_cast<Header*>(arg);
  png_read_info(png, info);
  png_get_IHDR(png, info, &h->width, &h->height, &h->bitDepth, &h->colorType, &h->interlace, nullptr, nullptr);
  h->hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
}

void StepTransforms(png_structp png, png_infop info, void* arg) {
  auto* plan = static_cast<Plan*>(arg);
  if (plan->pack) png_set_packing(png);
  if (plan->expandGray) png_set_expand_gray_1_2_4_to_8(png);
  if (plan->trnsToAlpha) png_set_tRNS_to_alpha(png);
  if (plan->grayToRgb) png_set_gray_to_rgb(png);
  if (plan->bgr) png_set_bgr(png);
  if (plan->swap16) png_set_swap(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  plan->rowBytes = png_get_rowbytes(png, info);
}

void StepReadImage(png_structp png, png_infop, void* arg) { png_read_image(png, static_cast<png_bytepp>(arg)); }

void StepReadEnd(png_structp png, png_infop info, void*) { png_read_end(png, info); }

Plan PlanFor(const Header& h) {
  Plan p;
  const bool wide = h.bitDepth == 16;
  switch (h.colorType) {
    case PNG_COLOR_TYPE_PALETTE:
      p.format = h.bitDepth == 1   ? PixelFormat::Indexed1bpp
                 : h.bitDepth == 4 ? PixelFormat::Indexed4bpp
                                   : PixelFormat::Indexed8bpp;
      p.pack = h.bitDepth == 2;
      break;
    case PNG_COLOR_TYPE_GRAY:
      if (h.hasTrns) {
        p.format = wide ? PixelFormat::ARGB64bpp : PixelFormat::ARGB32bpp;
        p.expandGray = h.bitDepth < 8;
        p.trnsToAlpha = p.grayToRgb = p.bgr = true;
        p.swap16 = wide;
      } else if (wide) {
        p.format = PixelFormat::RGB48bpp;
        p.grayToRgb = p.swap16 = true;
      } else {
        p.format = h.bitDepth == 1   ? PixelFormat::Indexed1bpp
                   : h.bitDepth == 4 ? PixelFormat::Indexed4bpp
                                     : PixelFormat::Indexed8bpp;
        p.pack = h.bitDepth == 2;
      }
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      p.format = wide ? PixelFormat::ARGB64bpp : PixelFormat::ARGB32bpp;
      p.grayToRgb = p.bgr = true;
      p.swap16 = wide;
      break;
    case PNG_COLOR_TYPE_RGB:
      if (h.hasTrns) {
        p.format = wide ? PixelFormat::ARGB64bpp : PixelFormat::ARGB32bpp;
        p.trnsToAlpha = true;
      } else {
        p.format = wide ? PixelFormat::RGB48bpp : PixelFormat::RGB24bpp;
      }
      p.bgr = true;
      p.swap16 = wide;
      break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      p.format = wide ? PixelFormat::ARGB64bpp : PixelFormat::ARGB32bpp;
      p.bgr = true;
      p.swap16 = wide;
      break;
    default:
      break;
  }
  return p;
}

uint32_t GrayEntry(uint32_t level) { return 0xFF000000u | level << 16 | level << 8 | level; }

Palette GrayRamp(uint32_t bits) {
  Palette pal;
  pal.flags = kPaletteGrayScale;
  const uint32_t n = 1u << bits;
  for (uint32_t i = 0; i < n; ++i) pal.entries.push_back(GrayEntry(i * 255 / (n - 1)));
  return pal;
}

Palette PaletteOf(png_structp png, png_infop info) {
  Palette pal;
  png_colorp colors = nullptr;
  int count = 0;
  png_bytep alpha = nullptr;
  int alphaCount = 0;
  if (png_get_PLTE(png, info, &colors, &count) == 0) count = 0;
  if (png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) == 0) alphaCount = 0;
  for (int i = 0; i < count; ++i) {
    const uint32_t a = i < alphaCount && alpha != nullptr ? alpha[i] : 255u;
    if (a != 255) pal.flags |= kPaletteHasAlpha;
    pal.entries.push_back(a << 24 | uint32_t{colors[i].red} << 16 | uint32_t{colors[i].green} << 8 | colors[i].blue);
  }
  return pal;
}

uint32_t MaxIndexIn(const uint8_t* row, uint32_t width, uint32_t bits) {
  uint32_t maxIndex = 0;
  for (uint32_t x = 0; x < width; ++x) {
    uint32_t v = bits == 8   ? row[x]
                 : bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 15
                             : (row[x / 8] >> (7 - x % 8)) & 1;
    if (v > maxIndex) maxIndex = v;
  }
  return maxIndex;
}

// Indices past the end of PLTE are legal to store; give them opaque black so that every index has a colour.
void CoverIndices(Palette& palette, uint32_t maxIndex) {
  while (palette.entries.size() <= maxIndex) palette.entries.push_back(0xFF000000u);
}

void CoverAllIndices(PixelBuffer& pixels) {
  const uint32_t bits = BitsPerPixel(pixels.Format());
  uint32_t maxIndex = 0;
  for (uint32_t y = 0; y < pixels.Height(); ++y)
    maxIndex = std::max(maxIndex, MaxIndexIn(pixels.Row(y), pixels.Width(), bits));
  CoverIndices(pixels.GetPalette(), maxIndex);
}

struct TextKey {
  std::string_view key;
  uint32_t tag;
};
constexpr TextKey kTextKeys[] = {
    {"Title", kPropertyTagImageTitle},    {"Author", kPropertyTagArtist}, {"Description", kPropertyTagImageDescription},
    {"Copyright", kPropertyTagCopyright}, {"Software", 0x0131},
};

bool HasTag(const std::vector<PropertyItem>& items, uint32_t id) {
  for (const auto& item : items)
    if (item.id == id) return true;
  return false;
}

std::vector<PropertyItem> ExifItemsOf(png_structp png, png_infop info) {
  std::vector<PropertyItem> items;
  png_bytep exif = nullptr;
  png_uint_32 exifSize = 0;
  if (png_get_eXIf_1(png, info, &exifSize, &exif) != 0 && exif != nullptr) {
    std::span<const uint8_t> block(exif, exifSize);
    // Some writers keep the JPEG APP1 prefix in the chunk.
    if (block.size() >= 6 && std::memcmp(block.data(), "Exif\0\0", 6) == 0) block = block.subspan(6);
    if (!ParseExif(block, items)) items.clear();
  }
  return items;
}

// The text chunks of known keys whose tags are not yet there.
void AddTextItems(png_structp png, png_infop info, std::vector<PropertyItem>& items) {
  png_textp texts = nullptr;
  int textCount = 0;
  if (png_get_text(png, info, &texts, &textCount) > 0 && texts != nullptr) {
    for (int i = 0; i < textCount; ++i) {
      if (texts[i].key == nullptr || texts[i].text == nullptr) continue;
      for (const auto& k : kTextKeys) {
        if (k.key != texts[i].key || HasTag(items, k.tag)) continue;
        PropertyItem item{k.tag, kPropertyTagTypeASCII, {}};
        const size_t len = std::strlen(texts[i].text);
        item.value.assign(texts[i].text, texts[i].text + len);
        item.value.push_back(0);
        items.push_back(std::move(item));
      }
    }
  }
}

// The chunks that say what the colours mean: iCCP, sRGB, cHRM and gAMA (all before the image data).
ColorSource ColorOf(png_structp png, png_infop info) {
  ColorSource color;
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 profileSize = 0;
  if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) != 0 && profile != nullptr)
    color.iccProfile.assign(profile, profile + profileSize);
  color.srgbChunk = png_get_valid(png, info, PNG_INFO_sRGB) != 0;
  double* c = color.chromaticities;
  color.hasChromaticities = png_get_valid(png, info, PNG_INFO_cHRM) != 0 &&
                            png_get_cHRM(png, info, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7]) != 0;
  if (png_get_valid(png, info, PNG_INFO_gAMA) == 0 || png_get_gAMA(png, info, &color.gamma) == 0) color.gamma = 0;
  return color;
}

bool CreateReadStructs(png_glue::ReadStructs& structs, ErrorContext& errors, void* io, png_rw_ptr read) {
  structs.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &errors, png_glue::OnError, png_glue::OnWarning,
                                         nullptr, png_glue::CappedMalloc, png_glue::CappedFree);
  if (structs.png == nullptr) return false;
  structs.info = png_create_info_struct(structs.png);
  if (structs.info == nullptr) return false;
  png_set_read_fn(structs.png, io, read);
  // Sides are checked against our own limits, with a status of our own.
  png_set_user_limits(structs.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_set_chunk_malloc_max(structs.png, kMaxChunkBytes);
  png_set_chunk_cache_max(structs.png, kMaxCachedChunks);
  return true;
}

void AppendChunk(Bytes& out, const char* type, std::initializer_list<uint8_t> data) {
  const auto length = static_cast<uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(length >> shift));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data);
  const uint32_t crc = libdeflate_crc32(0, out.data() + start, out.size() - start);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(crc >> shift));
}

// The chunks after the image data of a streamed file (text, EXIF), read by libpng behind a stand-in
// picture of one gray pixel, since libpng reads them only after an image.
class TailChunks {
 public:
  // false when not even the stand-in could be read; damage in the tail only costs what follows it.
  bool Read(std::span<const uint8_t> tail) {
    m_bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendChunk(m_bytes, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0});
    // Its one row, a filter byte and a sample, as a stored deflate block.
    AppendChunk(m_bytes, "IDAT", {0x78, 0x01, 0x01, 0x02, 0x00, 0xFD, 0xFF, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
    m_bytes.insert(m_bytes.end(), tail.begin(), tail.end());
    m_source.data = m_bytes.data();
    m_source.size = m_bytes.size();
    if (!CreateReadStructs(m_structs, m_errors, &m_source, ReadCallback)) return false;
    Header header;
    uint8_t pixel[8] = {};
    png_bytep row = pixel;
    if (!RunGuarded(m_structs.png, m_structs.info, {StepReadInfo, &header}) ||
        !RunGuarded(m_structs.png, m_structs.info, {StepReadImage, &row}))
      return false;
    RunGuarded(m_structs.png, m_structs.info, {StepReadEnd, nullptr});
    return true;
  }

  png_structp Png() const { return m_structs.png; }
  png_infop Info() const { return m_structs.info; }

 private:
  Bytes m_bytes;
  Source m_source;
  ErrorContext m_errors;
  png_glue::ReadStructs m_structs;
};

// The chunks from `tailChunk` to the end of the file: a tail of more than IEND goes to libpng; a large
// one is left to the whole-file decoder (NotImplemented).
Status ReadTailChunks(int fd, uint64_t fileSize, uint64_t tailChunk, TailChunks& tail, bool& read) {
  if (tailChunk >= fileSize) return Status::Ok;
  const uint64_t size = fileSize - tailChunk;
  if (size > kMaxStreamedHead) return Status::NotImplemented;
  try {
    Bytes bytes(static_cast<size_t>(size));
    size_t got = 0;
    if (ReadFileAt(fd, tailChunk, bytes, got) != Status::Ok) return Status::NotImplemented;
    bytes.resize(got);
    const bool iendOnly = got >= 8 && std::memcmp(bytes.data(), "\0\0\0\0IEND", 8) == 0;
    if (!iendOnly) read = tail.Read(bytes);
  } catch (const std::bad_alloc&) {
    return Status::NotImplemented;
  }
  return Status::Ok;
}

// The items of a file from its chunks before the image data and those after it (when read apart).
std::vector<PropertyItem> ItemsOf(png_structp png, png_infop info, const TailChunks* tail) {
  std::vector<PropertyItem> items = ExifItemsOf(png, info);
  if (items.empty() && tail) items = ExifItemsOf(tail->Png(), tail->Info());
  AddTextItems(png, info, items);
  if (tail) AddTextItems(tail->Png(), tail->Info(), items);
  return items;
}

// The least number of bytes the image data inflates to, whatever its filters and interlacing.
uint64_t LeastInflatedBytes(const Header& h) {
  const uint64_t samples = h.colorType == PNG_COLOR_TYPE_RGB          ? 3
                           : h.colorType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                           : h.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                      : 1;
  return uint64_t{h.width} * h.height * samples * static_cast<uint64_t>(h.bitDepth) / 8;
}

// Where the file is read from: all of it in memory, or only the chunks before the image data with
// the rest left in the file to be streamed.
struct StreamedFile {
  int fd = -1;
  uint64_t size = 0;
};

class PngReader {
 public:
  PngReader(std::span<const uint8_t> bytes, const DecodeLimits& limits, const StreamedFile* file = nullptr)
      : m_limits(limits), m_file(file) {
    m_source.data = bytes.data();
    m_source.size = bytes.size();
  }

  Status Decode(DecodedFrame& out) {
    if (!CreateReadStructs(m_structs, m_errors, &m_source, ReadCallback)) return Status::OutOfMemory;
    png_structp png = m_structs.png;
    png_infop info = m_structs.info;

    Header header;
    if (!RunGuarded(png, info, {StepReadInfo, &header})) return png_glue::StatusOf(m_errors);
    Plan plan = PlanFor(header);
    if (plan.format == PixelFormat::DontCare) return Status::GenericError;
    if (Status s = CheckImageSize(plan.format, header.width, header.height, m_limits); s != Status::Ok) return s;
    // libpng stops reading the header right after the first IDAT chunk's length and type.
    const uint64_t imageData = (m_file ? m_file->size : m_source.size) - (m_source.pos - 8);
    if (LeastInflatedBytes(header) / kMaxInflateRatio > imageData) return Status::GenericError;
    PixelBuffer pixels;
    if (!DecodeFast(header, plan, pixels)) {
      // A streamed file's image data is not in memory for libpng to read.
      if (m_file) return Status::NotImplemented;
      if (Status s = DecodeWithLibpng(header, plan, pixels); s != Status::Ok) return s;
    }

    if (IsIndexed(plan.format)) {
      if (header.colorType == PNG_COLOR_TYPE_PALETTE) {
        pixels.GetPalette() = PaletteOf(png, info);
      } else {
        pixels.GetPalette() = GrayRamp(static_cast<uint32_t>(header.bitDepth));
      }
      CoverAllIndices(pixels);
    }
    // The chunks after a streamed file's image data are read now; in memory libpng has read them.
    TailChunks tail;
    bool tailRead = false;
    if (m_file) {
      if (Status s = ReadTailChunks(m_file->fd, m_file->size, m_tailChunk, tail, tailRead); s != Status::Ok) return s;
    }
    std::vector<PropertyItem> items = ItemsOf(png, info, tailRead ? &tail : nullptr);
    ColorSource color;
    try {
      color = ColorOf(png, info);
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory;
    }
    out.pixels = std::move(pixels);
    out.properties = std::move(items);
    out.color = std::move(color);
    return Status::Ok;
  }

 private:
  // Plain 8-bit files skip libpng's row machinery; anything unusual or damaged goes the libpng way.
  bool DecodeFast(const Header& header, const Plan& plan, PixelBuffer& pixels) {
    const bool plain = header.bitDepth == 8 && header.interlace == PNG_INTERLACE_NONE && !plan.pack &&
                       !plan.expandGray && !plan.trnsToAlpha && !plan.grayToRgb && !plan.swap16;
    // libpng stops reading the header right after the first IDAT chunk's length and type.
    if (!plain || m_source.pos < 8 || std::memcmp(m_source.data + m_source.pos - 4, "IDAT", 4) != 0) return false;
    PngRowShape shape{header.width, header.height, 0, plan.format};
    switch (header.colorType) {
      case PNG_COLOR_TYPE_PALETTE:
      case PNG_COLOR_TYPE_GRAY:
        shape.channels = 1;
        break;
      case PNG_COLOR_TYPE_RGB:
        shape.channels = 3;
        break;
      case PNG_COLOR_TYPE_RGB_ALPHA:
        shape.channels = 4;
        break;
      default:
        return false;
    }
    if (m_file)
      return DecodeStreamedPngRows(m_file->fd, m_file->size, m_source.pos - 8, shape, m_limits, pixels, m_tailChunk);
    return DecodePlainPngRows({m_source.data, m_source.size}, m_source.pos - 8, shape, m_limits, pixels);
  }

  Status DecodeWithLibpng(const Header& header, Plan& plan, PixelBuffer& pixels) {
    png_structp png = m_structs.png;
    png_infop info = m_structs.info;
    if (!RunGuarded(png, info, {StepTransforms, &plan})) return png_glue::StatusOf(m_errors);
    // Packed rows keep the bits after their last pixel as they were: zeros, so that saving copies no garbage.
    const auto init = BitsPerPixel(plan.format) < 8 ? PixelBuffer::Init::Zero : PixelBuffer::Init::Uninitialized;
    auto allocated = PixelBuffer::Allocate(plan.format, header.width, header.height, init, m_limits);
    if (!allocated.Ok()) return allocated.GetStatus();
    pixels = std::move(allocated).Value();
    if (plan.rowBytes > pixels.Stride()) return Status::GenericError;
    std::vector<png_bytep> rows(header.height);
    for (uint32_t y = 0; y < header.height; ++y) rows[y] = pixels.Row(y);
    if (!RunGuarded(png, info, {StepReadImage, rows.data()})) return png_glue::StatusOf(m_errors);
    // The pixels are complete; damage after the image data only costs the chunks that follow it.
    RunGuarded(png, info, {StepReadEnd, nullptr});
    return Status::Ok;
  }

  const DecodeLimits& m_limits;
  const StreamedFile* m_file;
  uint64_t m_tailChunk = 0;
  Source m_source;
  ErrorContext m_errors;
  png_glue::ReadStructs m_structs;
};

// The file's signature and chunks up to and including the first IDAT chunk's length and type, or
// false when they are not there or too large.
bool ReadHead(int fd, uint64_t fileSize, Bytes& head) {
  uint64_t chunk = 8;
  while (true) {
    if (chunk + 8 > fileSize || chunk + 8 > kMaxStreamedHead) return false;
    const size_t wanted = static_cast<size_t>(chunk) + 8;
    if (head.size() < wanted) {
      const size_t have = head.size();
      // Small chunks come in one read with those around them.
      const auto grown = static_cast<size_t>(std::min<uint64_t>({fileSize, kMaxStreamedHead, wanted + 4096}));
      try {
        head.resize(grown);
      } catch (const std::bad_alloc&) {
        return false;
      }
      size_t got = 0;
      if (ReadFileAt(fd, have, std::span(head.data() + have, grown - have), got) != Status::Ok || got != grown - have)
        return false;
    }
    if (chunk == 8 && png_sig_cmp(head.data(), 0, 8) != 0) return false;
    const uint8_t* p = head.data() + chunk;
    if (std::memcmp(p + 4, "IDAT", 4) == 0) {
      head.resize(wanted);
      return true;
    }
    chunk += uint64_t{PngUint32(p)} + 12;
  }
}

// --- Rows streamed to an encoder ---------------------------------------------------------------

void FileReadCallback(png_structp png, png_bytep out, size_t count) {
  auto* file = static_cast<FileCursor*>(png_get_io_ptr(png));
  if (!file->Read(std::span(out, count))) png_error(png, "Read past the end of the data");
}

void StepReadRows(png_structp png, png_infop, void* arg) {
  for (uint8_t* row : *static_cast<std::span<uint8_t* const>*>(arg)) png_read_row(png, row, nullptr);
}

// Where the chunks after the image data begin, and whether an animation control comes before it.
struct ChunkMap {
  uint64_t tail = 0;
  bool animated = false;
};

// Walks the chunk headers; false when the file has no image data.
bool MapChunks(int fd, uint64_t fileSize, ChunkMap& map) {
  uint64_t chunk = 8;
  bool inData = false;
  std::array<uint8_t, 8> head{};
  while (chunk <= fileSize - std::min<uint64_t>(fileSize, 8)) {
    size_t got = 0;
    if (ReadFileAt(fd, chunk, head, got) != Status::Ok || got != head.size()) break;
    const bool idat = std::memcmp(head.data() + 4, "IDAT", 4) == 0;
    if (inData && !idat) break;
    map.animated |= std::memcmp(head.data() + 4, "acTL", 4) == 0;
    inData |= idat;
    chunk += uint64_t{PngUint32(head.data())} + 12;
  }
  map.tail = std::min(chunk, fileSize);
  return inData;
}

// libpng reading a non-interlaced file row by row from its descriptor, with the load's transforms.
class PngRows final : public RowSource {
 public:
  PngRows(int fd, uint64_t fileSize, base::UniqueFd owned = {}) : m_owned(std::move(owned)), m_file(fd, fileSize, 0) {}

  // The chunks before the image data; false when libpng fails on them.
  bool ReadInfo(Header& header) {
    if (!m_file.Init() || !CreateReadStructs(m_structs, m_errors, &m_file, FileReadCallback)) return false;
    return RunGuarded(m_structs.png, m_structs.info, {StepReadInfo, &header});
  }
  bool SetTransforms(Plan& plan) {
    if (!RunGuarded(m_structs.png, m_structs.info, {StepTransforms, &plan})) return false;
    // libpng keeps the bits after the last pixel of a packed row; they are cleared for the encoders.
    m_clearBytes = BitsPerPixel(plan.format) < 8 ? plan.rowBytes : 0;
    return true;
  }
  // The bytes read so far.
  uint64_t Position() const { return m_file.Position(); }
  png_structp Png() const { return m_structs.png; }
  png_infop Info() const { return m_structs.info; }

  Status ReadRows(std::span<uint8_t* const> rows) override {
    for (uint8_t* row : rows) std::memset(row, 0, m_clearBytes);
    if (!RunGuarded(m_structs.png, m_structs.info, {StepReadRows, &rows})) return png_glue::StatusOf(m_errors);
    return Status::Ok;
  }

 private:
  base::UniqueFd m_owned;
  FileCursor m_file;
  size_t m_clearBytes = 0;
  ErrorContext m_errors;
  png_glue::ReadStructs m_structs;
};

// Plain 8-bit rows inflated by ISA-L, as the load reads them; where that fails, libpng takes over at
// the same row, as the load then reads the whole file through libpng: the load's rows and failures.
class PlainPngRows final : public RowSource {
 public:
  PlainPngRows(std::unique_ptr<PngRows> libpng, int fd, uint64_t fileSize, uint64_t idatChunk, const PngRowShape& shape)
      : m_libpng(std::move(libpng)), m_fast(fd, fileSize, idatChunk, shape), m_rowBytes(shape.width * shape.channels) {}

  bool Init() { return m_fast.Init(); }

  Status ReadRows(std::span<uint8_t* const> rows) override {
    size_t i = 0;
    if (!m_tookOver) {
      for (; i < rows.size() && m_fast.Next(rows[i]); ++i) ++m_read;
      if (i == rows.size()) return Status::Ok;
      if (Status s = TakeOver(); s != Status::Ok) return s;
    }
    return m_libpng->ReadRows(rows.subspan(i));
  }

 private:
  // libpng reads the rows already given again, and drops them.
  Status TakeOver() {
    m_tookOver = true;
    std::vector<uint8_t> row;
    try {
      row.resize(m_rowBytes);
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory;
    }
    uint8_t* const one[] = {row.data()};
    for (uint32_t y = 0; y < m_read; ++y)
      if (Status s = m_libpng->ReadRows(one); s != Status::Ok) return s;
    return Status::Ok;
  }

  std::unique_ptr<PngRows> m_libpng;
  PlainPngRowStream m_fast;
  size_t m_rowBytes;
  uint32_t m_read = 0;
  bool m_tookOver = false;
};

// The shape of a file whose rows the load inflates itself (see PngReader::DecodeFast); channels 0 when none.
PngRowShape PlainShape(const Header& header, const Plan& plan) {
  PngRowShape shape{header.width, header.height, 0, plan.format};
  const bool plain = header.bitDepth == 8 && header.interlace == PNG_INTERLACE_NONE && !plan.pack && !plan.expandGray &&
                     !plan.trnsToAlpha && !plan.grayToRgb && !plan.swap16;
  if (!plain) return shape;
  if (header.colorType == PNG_COLOR_TYPE_PALETTE || header.colorType == PNG_COLOR_TYPE_GRAY) shape.channels = 1;
  if (header.colorType == PNG_COLOR_TYPE_RGB) shape.channels = 3;
  if (header.colorType == PNG_COLOR_TYPE_RGB_ALPHA) shape.channels = 4;
  // The inflater counts its output in 32 bits.
  if (FilteredPngBytes(shape) > UINT32_MAX) shape.channels = 0;
  return shape;
}

// The largest index in the file's rows, read by a reader of its own; false when they cannot be read.
bool ScanMaxIndex(int fd, uint64_t fileSize, PixelFormat format, uint32_t& maxIndex) {
  PngRows scan(fd, fileSize);
  Header header;
  if (!scan.ReadInfo(header)) return false;
  Plan plan = PlanFor(header);
  if (plan.format != format || !scan.SetTransforms(plan)) return false;
  try {
    std::vector<uint8_t> row(plan.rowBytes);
    uint8_t* const rows[] = {row.data()};
    for (uint32_t y = 0; y < header.height; ++y) {
      if (scan.ReadRows(rows) != Status::Ok) return false;
      maxIndex = std::max(maxIndex, MaxIndexIn(row.data(), header.width, BitsPerPixel(format)));
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

bool ReadStreamedPng(int fd, uint64_t fileSize, const DecodeLimits& limits, DecodedFrame& out) {
  Bytes head;
  if (!ReadHead(fd, fileSize, head)) return false;
  const StreamedFile file{fd, fileSize};
  DecodedFrame frame;
  PngReader reader(head, limits, &file);
  if (reader.Decode(frame) != Status::Ok) return false;
  out = std::move(frame);
  return true;
}

Status OpenPngRows(base::UniqueFd fd, uint64_t fileSize, const DecodeLimits& limits, StreamedFrame& out) {
  ChunkMap chunks;
  if (fileSize > limits.maxFileBytes || !MapChunks(fd.Get(), fileSize, chunks) || chunks.animated) return Status::Ok;
  const int file = fd.Get();
  auto rows = std::make_unique<PngRows>(file, fileSize, std::move(fd));
  // Every refusal below is the load's too, which then says why.
  Header header;
  if (!rows->ReadInfo(header) || header.interlace != PNG_INTERLACE_NONE) return Status::Ok;
  Plan plan = PlanFor(header);
  if (plan.format == PixelFormat::DontCare) return Status::Ok;
  if (CheckImageSize(plan.format, header.width, header.height, limits) != Status::Ok) return Status::Ok;
  // libpng stops reading the header right after the first IDAT chunk's length and type.
  const uint64_t idatChunk = rows->Position() - 8;
  if (LeastInflatedBytes(header) / kMaxInflateRatio > fileSize - idatChunk) return Status::Ok;
  if (!rows->SetTransforms(plan) || plan.rowBytes > StrideFor(plan.format, header.width)) return Status::Ok;
  try {
    StreamedFrame frame;
    if (IsIndexed(plan.format)) {
      frame.palette = header.colorType == PNG_COLOR_TYPE_PALETTE ? PaletteOf(rows->Png(), rows->Info())
                                                                 : GrayRamp(static_cast<uint32_t>(header.bitDepth));
      // A short PLTE is lengthened as the load does, to cover the largest index the rows use.
      if (frame.palette.entries.size() < (size_t{1} << header.bitDepth)) {
        uint32_t maxIndex = 0;
        if (!ScanMaxIndex(file, fileSize, plan.format, maxIndex)) return Status::Ok;
        CoverIndices(frame.palette, maxIndex);
      }
    }
    TailChunks tail;
    bool tailRead = false;
    if (ReadTailChunks(file, fileSize, chunks.tail, tail, tailRead) != Status::Ok) return Status::Ok;
    frame.properties = ItemsOf(rows->Png(), rows->Info(), tailRead ? &tail : nullptr);
    frame.color = ColorOf(rows->Png(), rows->Info());
    frame.format = plan.format;
    frame.width = header.width;
    frame.height = header.height;
    if (const PngRowShape shape = PlainShape(header, plan); shape.channels != 0) {
      auto plain = std::make_unique<PlainPngRows>(std::move(rows), file, fileSize, idatChunk, shape);
      if (!plain->Init()) return Status::OutOfMemory;
      frame.rows = std::move(plain);
    } else {
      frame.rows = std::move(rows);
    }
    out = std::move(frame);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  return Status::Ok;
}

Status OpenPngDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data) return Status::InvalidParameter;
  if (data->size() < 8 || png_sig_cmp(data->data(), 0, 8) != 0) return Status::UnknownImageFormat;
  if (data->size() > limits.maxFileBytes) return Status::OutOfMemory;
  DecodedFrame frame;
  PngReader reader(*data, limits);
  if (Status s = reader.Decode(frame); s != Status::Ok) return s;
  out = std::make_unique<SingleFrameDecoder>(std::move(frame));
  return Status::Ok;
}

}  // namespace tavlen::gfx
