// JPEG encoder on libjpeg: the quality parameter, gray files for gray palettes, property items as EXIF APP1,
// large pictures coded in two bands at once and joined at a restart marker.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/jpeg_glue.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/convert.h"
#include "platform/graphics/exif.h"
#include "platform/graphics/two_halves.h"

namespace tavlen::gfx {
namespace {

using jpeg_glue::ErrorManager;
using jpeg_glue::RunGuarded;

constexpr int kDefaultQuality = 75;
// From this quality on the colour planes keep full resolution (4:4:4); below it they are halved both ways (4:2:0).
constexpr int kFullChromaQuality = 90;
// An APP1 segment's length field counts itself: 65535 - 2 bytes of payload at most.
constexpr size_t kMaxApp1Payload = 65533;
constexpr uint8_t kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr size_t kFirstChunk = 64 * 1024;
// Within reserved capacity the file grows by at most this much at a time: bytes handed to libjpeg are
// zeroed, so they count as used memory until the file is freed.
constexpr size_t kLargestStep = size_t{1} << 20;

// The single quality parameter, clamped to 0..100; every other parameter is refused.
Status ReadQuality(EncoderParameters parameters, int& quality) {
  quality = kDefaultQuality;
  for (const EncoderParameter& p : parameters) {
    if (p.guid != kEncoderQuality || p.numberOfValues != 1 || p.type != kEncoderParameterValueTypeLong ||
        p.value == nullptr) {
      return Status::InvalidParameter;
    }
    int32_t value;
    std::memcpy(&value, p.value, sizeof value);
    quality = std::clamp<int32_t>(value, 0, 100);
  }
  return Status::Ok;
}

bool IsGrayPalette(const Palette& palette) {
  if (palette.entries.empty()) return false;
  return std::all_of(palette.entries.begin(), palette.entries.end(), [](uint32_t c) {
    const uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    return r == g && g == b;
  });
}

// "Exif\0\0" and the TIFF block. When all items do not fit in one segment, the items are taken in order
// and each one that would overflow it is left out.
std::vector<uint8_t> ExifSegment(std::span<const PropertyItem> items) {
  std::vector<uint8_t> block = BuildExif(items);
  if (block.size() + sizeof(kExifSignature) > kMaxApp1Payload) {
    block.clear();
    std::vector<PropertyItem> kept;
    for (const PropertyItem& item : items) {
      if (item.value.size() >= kMaxApp1Payload) continue;
      kept.push_back(item);
      std::vector<uint8_t> candidate = BuildExif(kept);
      if (candidate.size() + sizeof(kExifSignature) > kMaxApp1Payload) {
        kept.pop_back();
      } else {
        block = std::move(candidate);
      }
    }
  }
  if (block.empty()) return {};
  std::vector<uint8_t> segment(kExifSignature, kExifSignature + sizeof(kExifSignature));
  segment.insert(segment.end(), block.begin(), block.end());
  return segment;
}

// Destination manager that grows a byte vector; an allocation failure becomes a libjpeg error.
struct Destination {
  jpeg_destination_mgr pub;  // first member: libjpeg hands back a pointer to it
  Bytes* file;
};

bool Resize(Bytes& bytes, size_t size) noexcept {
  try {
    bytes.resize(size);
    return true;
  } catch (...) {
    return false;
  }
}

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  if (!Resize(*dest->file, kFirstChunk)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  dest->pub.next_output_byte = dest->file->data();
  dest->pub.free_in_buffer = dest->file->size();
}

boolean EmptyDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  const size_t used = dest->file->size();  // libjpeg only calls this once the buffer is full
  const size_t room = dest->file->capacity() - used;
  const size_t step = room > 0 ? std::min(room, std::min(used, kLargestStep)) : used;  // doubles when it moves
  if (!Resize(*dest->file, used + step)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  dest->pub.next_output_byte = dest->file->data() + used;
  dest->pub.free_in_buffer = dest->file->size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  dest->file->resize(dest->file->size() - dest->pub.free_in_buffer);  // shrinking cannot throw
}

// How rows reach libjpeg.
enum class RowKind {
  Direct,     // the bitmap's own rows in a layout libjpeg reads (24bppRGB, 32bppRGB, 32bppARGB)
  Gray,       // palette indices mapped to their gray level
  Converted,  // any other format through 32bppARGB
};

struct Session {
  jpeg_compress_struct cinfo{};
  ErrorManager err;
  Destination dest{};

  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() { jpeg_destroy_compress(&cinfo); }
};

// Rows handed to libjpeg per call when they are the bitmap's own.
constexpr uint32_t kDirectBatch = 16;

// One band of whole MCU rows, compressed as a file of its own: [firstRow, firstRow + rows).
struct EncodeStep {
  Session* session;
  const PictureRows* image;
  RowKind source;
  J_COLOR_SPACE colorSpace;
  int components;
  int quality;
  const std::vector<uint8_t>* exif;  // written by the first band only
  std::span<const uint8_t> profile;  // written as APP2 chunks by the first band only, when not empty
  uint32_t firstRow;
  uint32_t rows;
  uint8_t* bgra;  // width * 4 bytes of scratch
  uint8_t* gray;  // width bytes of scratch
};

const uint8_t* PrepareRow(const EncodeStep& step, uint32_t y) {
  const PictureRows& image = *step.image;
  switch (step.source) {
    case RowKind::Direct:
      return image.Row(y);
    case RowKind::Gray:
      RowToArgb32(image.Row(y), image.Format(), image.GetPalette(), 0, image.Width(), step.bgra);
      for (uint32_t x = 0; x < image.Width(); ++x) step.gray[x] = step.bgra[x * 4];
      return step.gray;
    case RowKind::Converted:
      RowToArgb32(image.Row(y), image.Format(), image.GetPalette(), 0, image.Width(), step.bgra);
      return step.bgra;
  }
  return nullptr;
}

bool FullChroma(int components, int quality) { return components == 1 || quality >= kFullChromaQuality; }

// Pixel rows in one MCU row: 8, or 16 when the colour planes are halved.
uint32_t McuHeight(int components, int quality) { return FullChroma(components, quality) ? 8 : 16; }

void Compress(void* arg) {
  auto* step = static_cast<EncodeStep*>(arg);
  j_compress_ptr cinfo = &step->session->cinfo;
  jpeg_create_compress(cinfo);
  step->session->dest.pub.init_destination = InitDestination;
  step->session->dest.pub.empty_output_buffer = EmptyDestination;
  step->session->dest.pub.term_destination = TermDestination;
  cinfo->dest = &step->session->dest.pub;

  cinfo->image_width = step->image->Width();
  cinfo->image_height = step->rows;
  cinfo->input_components = step->components;
  cinfo->in_color_space = step->colorSpace;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, step->quality, TRUE);
  // Fixed Huffman tables, so that bands coded apart join into one scan; optimised ones would also keep
  // the whole picture's coefficients in memory. A restart after every MCU row lets bands start anywhere.
  cinfo->optimize_coding = FALSE;
  cinfo->restart_in_rows = 1;
  if (step->components > 1 && FullChroma(step->components, step->quality)) {
    cinfo->comp_info[0].h_samp_factor = 1;
    cinfo->comp_info[0].v_samp_factor = 1;
  }

  jpeg_start_compress(cinfo, TRUE);
  if (!step->exif->empty()) {
    jpeg_write_marker(cinfo, JPEG_APP0 + 1, step->exif->data(), static_cast<unsigned>(step->exif->size()));
  }
  if (!step->profile.empty()) {
    jpeg_write_icc_profile(cinfo, step->profile.data(), static_cast<unsigned>(step->profile.size()));
  }
  JSAMPROW rows[kDirectBatch];
  while (cinfo->next_scanline < cinfo->image_height) {
    const uint32_t y = step->firstRow + cinfo->next_scanline;
    uint32_t count = 1;
    if (step->source == RowKind::Direct) {
      count = std::min(kDirectBatch, cinfo->image_height - cinfo->next_scanline);
      for (uint32_t i = 0; i < count; ++i) rows[i] = const_cast<JSAMPROW>(step->image->Row(y + i));
    } else {
      rows[0] = const_cast<JSAMPROW>(PrepareRow(*step, y));
    }
    jpeg_write_scanlines(cinfo, rows, count);
  }
  jpeg_finish_compress(cinfo);
}

// Offset just past the segment of marker `code` (FF code) among the header segments libjpeg wrote, 0
// when it is not there. Each header segment is FF, code, a two-byte big-endian length counting itself.
size_t SegmentEnd(const Bytes& file, uint8_t code, size_t& start) {
  size_t at = 2;  // past SOI
  while (at + 4 <= file.size() && file[at] == 0xFF) {
    const size_t end = at + 2 + (size_t{file[at + 2]} << 8 | file[at + 3]);
    if (file[at + 1] == code) {
      start = at;
      return end;
    }
    if (file[at + 1] == 0xDA) break;  // entropy-coded data follows
    at = end;
  }
  return 0;
}

// Appends the second band's scan to the first band's file. Both were coded with the same tables and a
// restart after every MCU row, and the first band holds a multiple of eight MCU rows, so the second
// band's restart markers already count on from the marker that joins the two. The joined file is what
// one compressor gives for the whole picture. False when a band's headers are not as expected.
bool JoinBands(Bytes& first, const Bytes& second, uint32_t firstMcuRows, uint32_t height) {
  size_t sof = 0, sos = 0;
  const size_t scan = SegmentEnd(second, 0xDA, sos);
  if (SegmentEnd(first, 0xC0, sof) == 0 || scan == 0 || first.size() < 2 || first.back() != 0xD9) return false;
  first[sof + 5] = static_cast<uint8_t>(height >> 8);  // FF C0, length, precision, then the height
  first[sof + 6] = static_cast<uint8_t>(height);
  first.back() = static_cast<uint8_t>(0xD0 + (firstMcuRows - 1) % 8);  // EOI becomes the joining RSTn
  first.insert(first.end(), second.begin() + static_cast<ptrdiff_t>(scan), second.end());
  return true;
}

Status SessionStatus(const Session& session) {
  return session.err.code == JERR_OUT_OF_MEMORY ? Status::OutOfMemory : Status::GenericError;
}

}  // namespace

// InvalidParameter for a bad parameter or an empty image; OutOfMemory when the file cannot be held.
// `out` is written only on success.
Status EncodeJpeg(const PixelBuffer& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                  Bytes& out) {
  if (image.Empty()) return Status::InvalidParameter;
  return EncodeJpegRows(PictureRows(image), properties, parameters, out);
}

Status EncodeJpegRows(const PictureRows& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                      Bytes& out) {
  int quality = kDefaultQuality;
  if (Status s = ReadQuality(parameters, quality); s != Status::Ok) return s;
  if (image.Width() == 0 || image.Height() == 0 || !IsValidPixelFormat(image.Format())) return Status::InvalidParameter;
  if (image.Width() > JPEG_MAX_DIMENSION || image.Height() > JPEG_MAX_DIMENSION) return Status::InvalidParameter;

  EncodeStep step{};
  const PixelFormat format = image.Format();
  if (IsIndexed(format) && IsGrayPalette(image.GetPalette())) {
    step.source = RowKind::Gray;
    step.colorSpace = JCS_GRAYSCALE;
    step.components = 1;
  } else if (format == PixelFormat::RGB24bpp) {
    step.source = RowKind::Direct;
    step.colorSpace = JCS_EXT_BGR;
    step.components = 3;
  } else if (format == PixelFormat::RGB32bpp || format == PixelFormat::ARGB32bpp) {
    step.source = RowKind::Direct;  // alpha is dropped: JPEG has none
    step.colorSpace = JCS_EXT_BGRX;
    step.components = 4;
  } else {
    step.source = RowKind::Converted;
    step.colorSpace = JCS_EXT_BGRX;
    step.components = 4;
  }

  // Two bands, each on its own core, the first of a multiple of eight MCU rows (see JoinBands). Streamed
  // rows come in order as one band, the same bytes, while their decoder has the second core.
  const uint32_t bandAlign = image.Whole() != nullptr ? 8 * McuHeight(step.components, quality) : 0;
  const size_t scratchRow = step.source == RowKind::Direct ? 0 : static_cast<size_t>(image.Width()) * 5;
  std::vector<uint8_t> scratch;
  std::vector<uint8_t> exif;
  Bytes files[2];
  try {
    scratch.resize(2 * scratchRow);
    exif = ExifSegment(properties);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  // Room for the whole file in the first band's bytes, so that neither band's file moves while it grows
  // and the second one joins without a third copy. Only pages written to are taken from the system.
  const size_t bandBytes = size_t{image.Width()} * image.Height() * 3 / 2 + kFirstChunk;
  for (size_t band = 0; band < 2; ++band) {
    try {
      files[band].reserve(band == 0 ? 2 * bandBytes : bandBytes);
    } catch (const std::bad_alloc&) {
      // Then the file grows by moving.
    }
  }
  const std::vector<uint8_t> noExif;
  Session sessions[2];
  bool ok[2] = {true, true};
  bool split = false;
  step.image = &image;
  step.quality = quality;
  step.profile = ProfileFor(properties, step.components == 1 ? "GRAY" : "RGB ");
  // A profile larger than 255 chunks cannot be written; the pixels go without it.
  if (step.profile.size() > size_t{255} * 65519) step.profile = {};
  RunInTwoHalves(image.Height(), image.Stride() * size_t{image.Height()}, bandAlign, [&](uint32_t begin, uint32_t end) {
    const int band = begin == 0 ? 0 : 1;
    if (band == 1) split = true;
    EncodeStep mine = step;
    Session& session = sessions[band];
    session.cinfo.err = jpeg_glue::InstallErrorManager(session.err);
    session.dest.file = &files[band];
    mine.session = &session;
    mine.exif = band == 0 ? &exif : &noExif;
    if (band == 1) mine.profile = {};
    mine.firstRow = begin;
    mine.rows = end - begin;
    mine.bgra = scratch.data() + band * scratchRow;
    mine.gray = mine.bgra + (scratchRow == 0 ? 0 : size_t{image.Width()} * 4);
    ok[band] = RunGuarded(session.err, Compress, &mine);
  });
  for (int band = 0; band < 2; ++band) {
    if (!ok[band]) return SessionStatus(sessions[band]);
  }
  if (split) {
    const uint32_t firstRows = sessions[0].cinfo.image_height;
    try {
      if (!JoinBands(files[0], files[1], firstRows / McuHeight(step.components, quality), image.Height())) {
        return Status::GenericError;
      }
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory;
    }
  }
  out = std::move(files[0]);
  return Status::Ok;
}

}  // namespace tavlen::gfx
