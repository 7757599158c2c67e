// JPEG encoder on libjpeg: the quality parameter, gray files for gray palettes, property items as EXIF APP1.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/jpeg_glue.h"
#include "platform/graphics/convert.h"
#include "platform/graphics/exif.h"

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
  if (!Resize(*dest->file, used * 2)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  dest->pub.next_output_byte = dest->file->data() + used;
  dest->pub.free_in_buffer = dest->file->size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  dest->file->resize(dest->file->size() - dest->pub.free_in_buffer);  // shrinking cannot throw
}

// How rows reach libjpeg.
enum class RowSource {
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

struct EncodeStep {
  Session* session;
  const PixelBuffer* image;
  RowSource source;
  J_COLOR_SPACE colorSpace;
  int components;
  int quality;
  const std::vector<uint8_t>* exif;
  std::span<const uint8_t> profile;  // written as APP2 chunks when not empty
  uint8_t* bgra;                     // width * 4 bytes of scratch
  uint8_t* gray;                     // width bytes of scratch
};

const uint8_t* PrepareRow(const EncodeStep& step, uint32_t y) {
  const PixelBuffer& image = *step.image;
  switch (step.source) {
    case RowSource::Direct:
      return image.Row(y);
    case RowSource::Gray:
      RowToArgb32(image.Row(y), image.Format(), image.GetPalette(), 0, image.Width(), step.bgra);
      for (uint32_t x = 0; x < image.Width(); ++x) step.gray[x] = step.bgra[x * 4];
      return step.gray;
    case RowSource::Converted:
      RowToArgb32(image.Row(y), image.Format(), image.GetPalette(), 0, image.Width(), step.bgra);
      return step.bgra;
  }
  return nullptr;
}

void Compress(void* arg) {
  auto* step = static_cast<EncodeStep*>(arg);
  j_compress_ptr cinfo = &step->session->cinfo;
  jpeg_create_compress(cinfo);
  step->session->dest.pub.init_destination = InitDestination;
  step->session->dest.pub.empty_output_buffer = EmptyDestination;
  step->session->dest.pub.term_destination = TermDestination;
  cinfo->dest = &step->session->dest.pub;

  cinfo->image_width = step->image->Width();
  cinfo->image_height = step->image->Height();
  cinfo->input_components = step->components;
  cinfo->in_color_space = step->colorSpace;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, step->quality, TRUE);
  cinfo->optimize_coding = TRUE;
  if (step->components > 1 && step->quality >= kFullChromaQuality) {
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
  while (cinfo->next_scanline < cinfo->image_height) {
    auto row = const_cast<JSAMPROW>(PrepareRow(*step, cinfo->next_scanline));
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
}

}  // namespace

// InvalidParameter for a bad parameter or an empty image; OutOfMemory when the file cannot be held.
// `out` is written only on success.
Status EncodeJpeg(const PixelBuffer& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                  Bytes& out) {
  int quality = kDefaultQuality;
  if (Status s = ReadQuality(parameters, quality); s != Status::Ok) return s;
  if (image.Empty() || image.Width() == 0 || image.Height() == 0 || !IsValidPixelFormat(image.Format())) {
    return Status::InvalidParameter;
  }
  if (image.Width() > JPEG_MAX_DIMENSION || image.Height() > JPEG_MAX_DIMENSION) return Status::InvalidParameter;

  EncodeStep step{};
  const PixelFormat format = image.Format();
  if (IsIndexed(format) && IsGrayPalette(image.GetPalette())) {
    step.source = RowSource::Gray;
    step.colorSpace = JCS_GRAYSCALE;
    step.components = 1;
  } else if (format == PixelFormat::RGB24bpp) {
    step.source = RowSource::Direct;
    step.colorSpace = JCS_EXT_BGR;
    step.components = 3;
  } else if (format == PixelFormat::RGB32bpp || format == PixelFormat::ARGB32bpp) {
    step.source = RowSource::Direct;  // alpha is dropped: JPEG has none
    step.colorSpace = JCS_EXT_BGRX;
    step.components = 4;
  } else {
    step.source = RowSource::Converted;
    step.colorSpace = JCS_EXT_BGRX;
    step.components = 4;
  }

  std::vector<uint8_t> bgra;
  std::vector<uint8_t> gray;
  std::vector<uint8_t> exif;
  Bytes file;
  try {
    if (step.source != RowSource::Direct) bgra.resize(static_cast<size_t>(image.Width()) * 4);
    if (step.source == RowSource::Gray) gray.resize(image.Width());
    exif = ExifSegment(properties);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }

  Session session;
  session.cinfo.err = jpeg_glue::InstallErrorManager(session.err);
  session.dest.file = &file;
  step.session = &session;
  step.image = &image;
  step.quality = quality;
  step.exif = &exif;
  step.profile = ProfileFor(properties, step.components == 1 ? "GRAY" : "RGB ");
  // A profile larger than 255 chunks cannot be written; the pixels go without it.
  if (step.profile.size() > size_t{255} * 65519) step.profile = {};
  step.bgra = bgra.data();
  step.gray = gray.data();
  if (!RunGuarded(session.err, Compress, &step)) {
    return session.err.code == JERR_OUT_OF_MEMORY ? Status::OutOfMemory : Status::GenericError;
  }
  out = std::move(file);
  return Status::Ok;
}

}  // namespace tavlen::gfx
