// TIFF decoder on libtiff: every page of a file, in the bitmap format closest to its samples.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/codecs/tiff_glue.h"
#include "platform/graphics/codecs/tiff_page.h"
#include "platform/graphics/status_file_io.h"

namespace tavlen::gfx {
namespace {

using tiff_glue::ErrorContext;
using tiff_glue::TiffPtr;
using tiff_page::ChoosePlan;
using tiff_page::DecodeDirect;
using tiff_page::DirectPage;
using tiff_page::Directory;
using tiff_page::Plan;
using tiff_page::PrepareDirect;
using tiff_page::ReadDirectory;
using tiff_page::Route;
using tiff_page::SampleBands;

// More pages than any real document has; a file claiming more is read up to here.
constexpr uint32_t kMaxPages = 10000;

// --- Client procedures ----------------------------------------------------------------

// The file's bytes in memory, or its descriptor when it is streamed.
struct ReadSource {
  const uint8_t* data = nullptr;
  int fd = -1;
  uint64_t size = 0;
  uint64_t pos = 0;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  auto* src = static_cast<ReadSource*>(handle);
  if (size <= 0 || src->pos >= src->size) return 0;
  const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(size), src->size - src->pos);
  if (src->data == nullptr) {
    size_t got = 0;
    if (ReadFileAt(src->fd, src->pos, std::span(static_cast<uint8_t*>(buffer), static_cast<size_t>(n)), got) !=
        Status::Ok)
      return -1;
    src->pos += got;
    return static_cast<tmsize_t>(got);
  }
  std::memcpy(buffer, src->data + src->pos, n);
  src->pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t RefuseWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* src = static_cast<ReadSource*>(handle);
  constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  const auto delta = static_cast<int64_t>(offset);  // relative seeks arrive as two's complement
  uint64_t base = 0;
  if (whence == SEEK_CUR) {
    base = src->pos;
  } else if (whence == SEEK_END) {
    base = src->size;
  } else if (whence == SEEK_SET) {
    if (offset > kMax) return static_cast<toff_t>(-1);
    src->pos = offset;
    return src->pos;
  } else {
    return static_cast<toff_t>(-1);
  }
  if (delta < 0 ? static_cast<uint64_t>(-(delta + 1)) + 1 > base : static_cast<uint64_t>(delta) > kMax - base) {
    return static_cast<toff_t>(-1);
  }
  src->pos = delta < 0 ? base - (static_cast<uint64_t>(-(delta + 1)) + 1) : base + static_cast<uint64_t>(delta);
  return src->pos;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) { return static_cast<ReadSource*>(handle)->size; }

// The bytes are already in memory: libtiff reads uncompressed strips straight from them (it never
// writes to a mapping of a file opened for reading).
int MapProc(thandle_t handle, void** base, toff_t* size) {
  auto* src = static_cast<ReadSource*>(handle);
  if (src->data == nullptr) return 0;
  *base = const_cast<uint8_t*>(src->data);
  *size = src->size;
  return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// One open handle over the file's bytes with its own message context. Members are destroyed in
// reverse order, so the handle goes before the source and context it points to.
struct Reader {
  ReadSource source;
  ErrorContext errors;
  TiffPtr tif;
};

Status OpenReader(const ReadSource& source, const DecodeLimits& limits, std::unique_ptr<Reader>& out) {
  auto reader = std::make_unique<Reader>();
  reader->source = source;
  tiff_glue::OptionsPtr options = tiff_glue::MakeOptions(reader->errors, limits.maxPixelBytes);
  if (!options) return Status::OutOfMemory;
  reader->tif.reset(TIFFClientOpenExt("memory", "r", &reader->source, ReadProc, RefuseWrite, SeekProc, CloseProc,
                                      SizeProc, MapProc, UnmapProc, options.get()));
  if (!reader->tif) return Status::GenericError;
  out = std::move(reader);
  return Status::Ok;
}

bool HasTiffSignature(const Bytes& b) {
  if (b.size() < 8) return false;
  const bool little = b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0;
  const bool big = b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43);
  return little || big;
}

// Colour spaces, layouts and depths of every other kind, through libtiff's RGBA reader: 8 bits a
// channel, the orientation applied. Alpha comes out premultiplied where libtiff premultiplies it.
Status DecodeRgba(TIFF* tif, const Directory& d, const DecodeLimits& limits, PixelBuffer& out) {
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tif, message)) return Status::GenericError;
  if (Status s = CheckImageSize(PixelFormat::ARGB32bpp, d.width, d.height, limits); s != Status::Ok) return s;
  TIFFRGBAImage image{};
  if (!TIFFRGBAImageBegin(&image, tif, 1, message)) return Status::GenericError;
  struct EndImage {
    TIFFRGBAImage* image;
    ~EndImage() { TIFFRGBAImageEnd(image); }
  } end{&image};
  image.req_orientation = ORIENTATION_TOPLEFT;

  auto raster = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, d.width, d.height, PixelBuffer::Init::Zero, limits);
  if (!raster.Ok()) return raster.GetStatus();
  PixelBuffer& argb = raster.Value();
  if (argb.Stride() != static_cast<size_t>(d.width) * 4) return Status::GenericError;
  auto* words = reinterpret_cast<uint32_t*>(argb.Data());
  if (!TIFFRGBAImageGet(&image, words, d.width, d.height)) return Status::GenericError;

  // libtiff packs R in the low byte; the bitmap wants B, G, R, A in memory.
  const size_t count = static_cast<size_t>(d.width) * d.height;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t v = words[i];
    uint8_t* p = argb.Data() + i * 4;
    p[0] = static_cast<uint8_t>(TIFFGetB(v));
    p[1] = static_cast<uint8_t>(TIFFGetG(v));
    p[2] = static_cast<uint8_t>(TIFFGetR(v));
    p[3] = static_cast<uint8_t>(TIFFGetA(v));
  }
  if (image.alpha != 0) {
    const bool premultiplied = image.alpha == EXTRASAMPLE_ASSOCALPHA ||
                               (image.alpha == EXTRASAMPLE_UNASSALPHA && d.photometric == PHOTOMETRIC_RGB);
    if (!premultiplied) {
      out = std::move(argb);
      return Status::Ok;
    }
    auto pargb = PixelBuffer::Allocate(PixelFormat::PARGB32bpp, d.width, d.height, PixelBuffer::Init::Zero, limits);
    if (!pargb.Ok()) return pargb.GetStatus();
    for (uint32_t y = 0; y < d.height; ++y) std::memcpy(pargb.Value().Row(y), argb.Row(y), argb.Stride());
    out = std::move(pargb.Value());
    return Status::Ok;
  }
  auto rgb = PixelBuffer::Allocate(PixelFormat::RGB24bpp, d.width, d.height, PixelBuffer::Init::Zero, limits);
  if (!rgb.Ok()) return rgb.GetStatus();
  for (uint32_t y = 0; y < d.height; ++y) {
    const uint8_t* src = argb.Row(y);
    uint8_t* dst = rgb.Value().Row(y);
    for (uint32_t x = 0; x < d.width; ++x, src += 4, dst += 3) dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
  }
  out = std::move(rgb.Value());
  return Status::Ok;
}

// --- Orientation -----------------------------------------------------------------------------

void FlipVertically(PixelBuffer& p) {
  std::vector<uint8_t> row(p.Stride());
  for (uint32_t top = 0, bottom = p.Height() - 1; top < bottom; ++top, --bottom) {
    std::memcpy(row.data(), p.Row(top), p.Stride());
    std::memcpy(p.Row(top), p.Row(bottom), p.Stride());
    std::memcpy(p.Row(bottom), row.data(), p.Stride());
  }
}

void FlipHorizontally(PixelBuffer& p) {
  const uint32_t bits = BitsPerPixel(p.Format());
  const uint32_t width = p.Width();
  if (bits >= 8) {
    const uint32_t bytes = bits / 8;
    for (uint32_t y = 0; y < p.Height(); ++y) {
      uint8_t* row = p.Row(y);
      for (uint32_t l = 0, r = width - 1; l < r; ++l, --r) {
        std::swap_ranges(row + l * bytes, row + (l + 1) * bytes, row + r * bytes);
      }
    }
    return;
  }
  const uint32_t perByte = 8 / bits;
  const uint32_t mask = (1u << bits) - 1;
  std::vector<uint8_t> indices(width);
  for (uint32_t y = 0; y < p.Height(); ++y) {
    uint8_t* row = p.Row(y);
    for (uint32_t x = 0; x < width; ++x) {
      indices[x] = (row[x / perByte] >> (8 - bits * (x % perByte + 1))) & mask;
    }
    std::fill(row, row + (static_cast<size_t>(width) * bits + 7) / 8, 0);
    for (uint32_t x = 0; x < width; ++x) {
      row[x / perByte] |= static_cast<uint8_t>(indices[width - 1 - x] << (8 - bits * (x % perByte + 1)));
    }
  }
}

// The flips libtiff's RGBA reader applies; it leaves the transposing orientations (5-8) untransposed
// and so do we, treating each as its flip.
void ApplyOrientation(uint16_t orientation, PixelBuffer& p) {
  switch (orientation) {
    case ORIENTATION_TOPRIGHT:
    case ORIENTATION_RIGHTTOP:
      FlipHorizontally(p);
      break;
    case ORIENTATION_BOTRIGHT:
    case ORIENTATION_RIGHTBOT:
      FlipHorizontally(p);
      FlipVertically(p);
      break;
    case ORIENTATION_BOTLEFT:
    case ORIENTATION_LEFTBOT:
      FlipVertically(p);
      break;
    default:
      break;
  }
}

// --- Text tags -------------------------------------------------------------------------------

// The text tags of the current directory as ASCII items whose value ends with its NUL. The title tag
// is unknown to libtiff, which keeps it as an anonymous field with a count.
void ReadTextTags(TIFF* tif, std::vector<PropertyItem>& out) {
  for (uint32_t tag : tiff_glue::kTextTags) {
    const TIFFField* field = TIFFFindField(tif, tag, TIFF_ANY);
    if (field == nullptr || TIFFFieldDataType(field) != TIFF_ASCII) continue;
    const char* text = nullptr;
    size_t length = 0;
    if (TIFFFieldPassCount(field)) {
      void* data = nullptr;
      uint32_t count = 0;
      if (TIFFFieldReadCount(field) == TIFF_VARIABLE2) {
        if (!TIFFGetField(tif, tag, &count, &data)) continue;
      } else {
        uint16_t count16 = 0;
        if (!TIFFGetField(tif, tag, &count16, &data)) continue;
        count = count16;
      }
      if (data == nullptr) continue;
      text = static_cast<const char*>(data);
      length = strnlen(text, count);
    } else {
      if (!TIFFGetField(tif, tag, &text) || text == nullptr) continue;
      length = std::strlen(text);
    }
    PropertyItem item{tag, kPropertyTagTypeASCII, std::vector<uint8_t>(text, text + length)};
    item.value.push_back(0);
    out.push_back(std::move(item));
  }
}

// The page's text tags and colour profile.
template <typename Frame>
void ReadPageItems(TIFF* tif, Frame& frame) {
  ReadTextTags(tif, frame.properties);
  uint32_t profileSize = 0;
  const uint8_t* profile = nullptr;
  if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile != nullptr)
    frame.color.iccProfile.assign(profile, profile + profileSize);
}

// --- The decoder -----------------------------------------------------------------------------

// The bytes of the page's strips or tiles that lie inside the file, at most the file's size (strips
// may share their data). A page states each one's size in a few bytes; only these can back it.
uint64_t PageDataBytes(TIFF* tif, const Directory& d, uint64_t fileBytes) {
  const uint32_t count = d.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  uint64_t total = 0;
  for (uint32_t i = 0; i < count && total < fileBytes; ++i) {
    int error = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &error);
    const uint64_t size = TIFFGetStrileByteCountWithErr(tif, i, &error);
    if (error == 0 && offset < fileBytes) total += std::min(size, fileBytes - offset);
  }
  return std::min(total, fileBytes);
}

// Whether every strip or tile lies inside the file and, uncompressed, holds all its samples. Only then
// does libtiff read them from a descriptor exactly as from the bytes in memory, which it maps: there it
// refuses a strip that runs past the end, and reads no more than the strip's count of bytes.
bool StripsReadAsInMemory(TIFF* tif, const Directory& d, uint64_t fileBytes) {
  const uint32_t count = d.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  const uint32_t rowsPerStrip = std::clamp<uint32_t>(d.rowsPerStrip, 1, d.height);
  const uint32_t stripsPerPlane = (d.height - 1) / rowsPerStrip + 1;
  for (uint32_t i = 0; i < count; ++i) {
    int error = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &error);
    const uint64_t size = TIFFGetStrileByteCountWithErr(tif, i, &error);
    if (error != 0 || offset > fileBytes || size > fileBytes - offset) return false;
    if (d.compression != COMPRESSION_NONE) continue;
    // The last strip of a plane may have fewer rows.
    const uint32_t firstRow = i % stripsPerPlane * rowsPerStrip;
    const uint64_t unpacked =
        d.tiled ? TIFFTileSize64(tif) : TIFFVStripSize64(tif, std::min(rowsPerStrip, d.height - firstRow));
    if (size < unpacked) return false;
  }
  return true;
}

// Whether `dataBytes` bytes of strips or tiles can hold the page's samples: no codec expands its data more than
// the factors below (LZW and JPEG with room to spare; a fax row takes at least one bit). Pages of up to
// 64 MiB of samples always pass, so small damaged files still give what can be read of them; larger
// claims beyond that are bombs, refused before any buffer is made for them.
bool DataCanHoldPage(const Directory& d, uint64_t dataBytes) {
  constexpr uint64_t kAlwaysAllowed = uint64_t{64} << 20;
  uint64_t rowBits = 0, claimed = 0;
  if (__builtin_mul_overflow(uint64_t{d.width}, uint64_t{d.samples} * d.bits, &rowBits) ||
      __builtin_mul_overflow((rowBits + 7) / 8, uint64_t{d.height}, &claimed)) {
    return false;  // more than any file could hold
  }
  if (claimed <= kAlwaysAllowed) return true;
  switch (d.compression) {
    case COMPRESSION_NONE:
      return claimed <= dataBytes;
    case COMPRESSION_PACKBITS:
      return claimed / 128 <= dataBytes;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return claimed / 1032 <= dataBytes;
    case COMPRESSION_LZW:
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG:
      return claimed / 4096 <= dataBytes;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
      return d.height / 8 <= dataBytes;
    default:
      return true;  // codecs without a known bound are left to the pixel limits
  }
}

// The inks of a CMYK page as they are stored, for colour management: plain 8-bit contiguous strips
// in the usual top-left order. Any other page, or one that fails to read, keeps no inks and shows the
// plain conversion.
Status ReadInks(TIFF* tif, const Directory& d, const DecodeLimits& limits, PixelBuffer& out) {
  uint16_t inkSet = INKSET_CMYK;
  TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkSet);
  if (d.photometric != PHOTOMETRIC_SEPARATED || inkSet != INKSET_CMYK || d.samples != 4 || d.bits != 8 ||
      d.planar != PLANARCONFIG_CONTIG || d.tiled || d.orientation != ORIENTATION_TOPLEFT ||
      d.sampleFormat != SAMPLEFORMAT_UINT || d.compression == COMPRESSION_JPEG || d.compression == COMPRESSION_OJPEG)
    return Status::Ok;
  if (TIFFScanlineSize64(tif) != uint64_t{d.width} * 4) return Status::Ok;
  auto inks = PixelBuffer::Allocate(PixelFormat::RGB32bpp, d.width, d.height, PixelBuffer::Init::Uninitialized, limits);
  if (!inks.Ok()) return inks.GetStatus();
  // Whole strips: after the RGBA reader has been through the page, only they can be read again.
  const uint64_t rowBytes = uint64_t{d.width} * 4;
  const uint32_t rowsPerStrip = std::clamp<uint32_t>(d.rowsPerStrip, 1, d.height);
  std::vector<uint8_t> strip;
  try {
    strip.resize(static_cast<size_t>(rowBytes * rowsPerStrip));
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  for (uint32_t first = 0; first < d.height; first += rowsPerStrip) {
    const uint32_t rows = std::min(rowsPerStrip, d.height - first);
    const tmsize_t wanted = static_cast<tmsize_t>(rowBytes * rows);
    if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, first, 0), strip.data(), wanted) != wanted) return Status::Ok;
    for (uint32_t r = 0; r < rows; ++r)
      std::memcpy(inks.Value().Row(first + r), strip.data() + rowBytes * r, static_cast<size_t>(rowBytes));
  }
  out = std::move(inks).Value();
  return Status::Ok;
}

Status DecodePage(TIFF* tif, uint64_t fileBytes, const DecodeLimits& limits, bool wantInks, DecodedFrame& out) {
  Directory d;
  if (!ReadDirectory(tif, d)) return Status::GenericError;
  if (!TIFFIsCODECConfigured(d.compression)) return Status::GenericError;
  if (!DataCanHoldPage(d, PageDataBytes(tif, d, fileBytes))) return Status::OutOfMemory;
  const Plan plan = ChoosePlan(d);
  DecodedFrame frame;
  if (plan.route == Route::RgbaImage) {
    if (Status s = DecodeRgba(tif, d, limits, frame.pixels); s != Status::Ok) return s;
  } else {
    if (Status s = DecodeDirect(tif, d, plan, limits, frame.pixels); s != Status::Ok) return s;
    ApplyOrientation(d.orientation, frame.pixels);
  }
  ReadPageItems(tif, frame);
  if (wantInks && !frame.color.iccProfile.empty()) {
    if (Status s = ReadInks(tif, d, limits, frame.color.inks); s != Status::Ok) return s;
  }
  out = std::move(frame);
  return Status::Ok;
}

class TiffDecoder final : public ImageDecoder {
 public:
  TiffDecoder(SharedBytes data, const DecodeLimits& limits, uint32_t pages)
      : m_data(std::move(data)), m_limits(limits), m_pages(pages) {}

  const Guid& FrameDimension() const override { return kFrameDimensionPage; }
  uint32_t FrameCount() const override { return m_pages; }

  // Each page is read through a handle of its own, so a damaged page leaves no state behind.
  Status DecodeFrame(uint32_t index, DecodedFrame& out) override {
    if (index >= m_pages) return Status::InvalidParameter;
    std::unique_ptr<Reader> reader;
    if (Status s = OpenReader({.data = m_data->data(), .size = m_data->size()}, m_limits, reader); s != Status::Ok)
      return s;
    if (index != 0 && !TIFFSetDirectory(reader->tif.get(), static_cast<tdir_t>(index))) return Status::GenericError;
    try {
      return DecodePage(reader->tif.get(), m_data->size(), m_limits, m_options.colorManaged, out);
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory;
    }
  }

 private:
  SharedBytes m_data;
  DecodeLimits m_limits;
  uint32_t m_pages;
};

// The first page's rows as DecodeDirect gives them, a band of strips or tiles at a time.
class TiffRows final : public RowSource {
 public:
  TiffRows(base::UniqueFd fd, uint64_t fileSize) : m_fd(std::move(fd)), m_fileSize(fileSize) {}

  // The page opened as the load opens it; Ok only when its rows need no whole-page step.
  Status Open(const DecodeLimits& limits) {
    if (Status s = OpenReader({.fd = m_fd.Get(), .size = m_fileSize}, limits, m_reader); s != Status::Ok) return s;
    TIFF* tif = m_reader->tif.get();
    if (!ReadDirectory(tif, m_d) || !TIFFIsCODECConfigured(m_d.compression)) return Status::GenericError;
    if (!DataCanHoldPage(m_d, PageDataBytes(tif, m_d, m_fileSize))) return Status::OutOfMemory;
    m_plan = ChoosePlan(m_d);
    if (m_plan.route == Route::RgbaImage || m_d.orientation != ORIENTATION_TOPLEFT ||
        !StripsReadAsInMemory(tif, m_d, m_fileSize))
      return Status::NotImplemented;
    if (Status s = PrepareDirect(tif, m_d, m_plan, limits, m_page); s != Status::Ok) return s;
    m_bands = std::make_unique<SampleBands>(tif, m_d, m_page.rowBytes);
    return m_bands->Init(limits);
  }

  Status ReadRows(std::span<uint8_t* const> rows) override {
    for (uint8_t* row : rows) {
      if (m_inBand == m_bandRows) {
        m_bandStart += m_bandRows;
        m_bandRows = m_bands->Read(m_bandStart);
        m_inBand = 0;
      }
      m_page.convert(m_bands->Planes(m_inBand++), row);
      if (m_bandStart + m_inBand == m_d.height) return m_bands->Outcome();
    }
    return Status::Ok;
  }

  TIFF* Tiff() const { return m_reader->tif.get(); }
  const Directory& Page() const { return m_d; }
  const Plan& PagePlan() const { return m_plan; }
  Palette& PagePalette() { return m_page.palette; }

 private:
  base::UniqueFd m_fd;
  uint64_t m_fileSize;
  std::unique_ptr<Reader> m_reader;
  Directory m_d;
  Plan m_plan;
  DirectPage m_page;
  std::unique_ptr<SampleBands> m_bands;
  uint32_t m_bandStart = 0;
  uint32_t m_bandRows = 0;
  uint32_t m_inBand = 0;
};

}  // namespace

Status OpenTiffDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data || !HasTiffSignature(*data)) return Status::UnknownImageFormat;
  if (data->size() > limits.maxFileBytes) return Status::OutOfMemory;
  std::unique_ptr<Reader> reader;
  if (Status s = OpenReader({.data = data->data(), .size = data->size()}, limits, reader); s != Status::Ok) return s;
  Directory first;
  if (!ReadDirectory(reader->tif.get(), first)) return Status::GenericError;
  const uint32_t pages = std::min<uint32_t>(TIFFNumberOfDirectories(reader->tif.get()), kMaxPages);
  if (pages == 0) return Status::GenericError;
  out = std::make_unique<TiffDecoder>(std::move(data), limits, pages);
  return Status::Ok;
}

Status OpenTiffRows(base::UniqueFd fd, uint64_t fileSize, const DecodeLimits& limits, StreamedFrame& out) {
  if (fileSize > limits.maxFileBytes) return Status::Ok;
  try {
    auto rows = std::make_unique<TiffRows>(std::move(fd), fileSize);
    // A page that fails or is refused here is left to the load, which says why.
    if (rows->Open(limits) != Status::Ok) return Status::Ok;
    StreamedFrame frame;
    frame.format = rows->PagePlan().format;
    frame.width = rows->Page().width;
    frame.height = rows->Page().height;
    if (IsIndexed(frame.format)) frame.palette = std::move(rows->PagePalette());
    ReadPageItems(rows->Tiff(), frame);
    frame.rows = std::move(rows);
    out = std::move(frame);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  return Status::Ok;
}

}  // namespace tavlen::gfx
