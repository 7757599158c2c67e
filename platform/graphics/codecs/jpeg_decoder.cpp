// JPEG decoder on libjpeg: baseline, progressive and arithmetic-coded files, gray, colour and CMYK, EXIF items.

#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/jpeg_glue.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/exif.h"
#include "platform/graphics/two_halves.h"

namespace tavlen::gfx {
namespace {

using jpeg_glue::ErrorManager;
using jpeg_glue::RunGuarded;

// A progressive file may repeat scans without end; real encoders write a dozen or so.
constexpr int kMaxScans = 500;

constexpr uint8_t kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};

// One libjpeg decompressor with its error and progress managers; destroyed with the object.
struct Session {
  jpeg_decompress_struct cinfo{};
  ErrorManager err;
  jpeg_progress_mgr progress{};

  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() { jpeg_destroy_decompress(&cinfo); }
};

void LimitScans(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    cinfo->err->msg_code = jpeg_glue::kScanLimitCode;
    cinfo->err->error_exit(cinfo);
  }
}

// Everything a guarded step needs, as plain data.
struct HeaderStep {
  Session* session;
  const uint8_t* data;
  unsigned long size;
  long maxMemory;
};

void ReadHeader(void* arg) {
  auto* step = static_cast<HeaderStep*>(arg);
  j_decompress_ptr cinfo = &step->session->cinfo;
  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = step->maxMemory;
  step->session->progress.progress_monitor = LimitScans;
  cinfo->progress = &step->session->progress;
  jpeg_mem_src(cinfo, step->data, step->size);
  jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);  // ICC profile chunks
  jpeg_read_header(cinfo, TRUE);
}

struct ProfileStep {
  j_decompress_ptr cinfo;
  JOCTET* profile;  // malloc'd by libjpeg, or null
  unsigned int size;
};

// Joins the profile's APP2 chunks by their sequence numbers; incomplete sets give nothing.
void ReadProfile(void* arg) {
  auto* step = static_cast<ProfileStep*>(arg);
  if (!jpeg_read_icc_profile(step->cinfo, &step->profile, &step->size)) step->profile = nullptr;
}

struct PixelStep {
  j_decompress_ptr cinfo;
  uint8_t** rows;     // one pointer per output row
  uint8_t* cmykRow;   // scratch of width * 4 bytes for CMYK output, else null
  bool invertedCmyk;  // Adobe files store 255 - ink
  PixelBuffer* inks;  // where CMYK rows are kept as they are for colour management, or null
  uint32_t begin;     // the rows [begin, end) are decoded; those above are only read past
  uint32_t end;
};

// Four inks to B, G, R: each channel is what its ink and black leave of white.
void CmykRowToBgr(const uint8_t* cmyk, uint32_t width, bool inverted, uint8_t* bgr) {
  for (uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    uint32_t c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    bgr[0] = static_cast<uint8_t>((y * k + 127) / 255);
    bgr[1] = static_cast<uint8_t>((m * k + 127) / 255);
    bgr[2] = static_cast<uint8_t>((c * k + 127) / 255);
  }
}

void ReadPixels(void* arg) {
  auto* step = static_cast<PixelStep*>(arg);
  j_decompress_ptr cinfo = step->cinfo;
  jpeg_start_decompress(cinfo);
  // Skipped rows are entropy-decoded only, and the rows after them come out as a full decode makes them.
  if (step->begin > 0) jpeg_skip_scanlines(cinfo, step->begin);
  while (cinfo->output_scanline < step->end) {
    if (step->cmykRow != nullptr) {
      JSAMPROW row = step->cmykRow;
      uint8_t* target = step->rows[cinfo->output_scanline];
      if (jpeg_read_scanlines(cinfo, &row, 1) != 1) break;
      CmykRowToBgr(step->cmykRow, cinfo->output_width, step->invertedCmyk, target);
      if (step->inks != nullptr)
        std::memcpy(step->inks->Row(cinfo->output_scanline - 1), step->cmykRow, size_t{cinfo->output_width} * 4);
    } else {
      // Several rows per call: libjpeg writes straight into the bitmap.
      if (jpeg_read_scanlines(cinfo, step->rows + cinfo->output_scanline, step->end - cinfo->output_scanline) == 0) {
        break;
      }
    }
  }
  if (step->end < cinfo->output_height) {
    jpeg_abort_decompress(cinfo);
  } else {
    jpeg_finish_decompress(cinfo);
  }
}

struct RowsStep {
  j_decompress_ptr cinfo;
  uint8_t* const* rows;
  uint32_t count;
  bool start;  // the first call
};

// The next rows of a decompression that ReadPixels would make in one go: started at the first call,
// finished at the last row.
void ReadNextRows(void* arg) {
  auto* step = static_cast<RowsStep*>(arg);
  j_decompress_ptr cinfo = step->cinfo;
  if (step->start) jpeg_start_decompress(cinfo);
  const JDIMENSION end = cinfo->output_scanline + step->count;
  while (cinfo->output_scanline < end) {
    auto* const* rows = step->rows + (step->count - (end - cinfo->output_scanline));
    if (jpeg_read_scanlines(cinfo, const_cast<JSAMPARRAY>(rows), end - cinfo->output_scanline) == 0) break;
  }
  if (cinfo->output_scanline >= cinfo->output_height) jpeg_finish_decompress(cinfo);
}

Status StatusOfError(int code) {
  switch (code) {
    case JERR_NO_SOI:
      return Status::UnknownImageFormat;
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:
    case JERR_IMAGE_TOO_BIG:
      return Status::OutOfMemory;
    default:
      return Status::GenericError;  // damaged data, 12-bit samples, too many scans
  }
}

PixelFormat OutputFormat(const jpeg_decompress_struct& cinfo) {
  return cinfo.jpeg_color_space == JCS_GRAYSCALE ? PixelFormat::Indexed8bpp : PixelFormat::RGB24bpp;
}

// Starts a session over the bytes and reads the header; the sizes are checked against the limits.
Status OpenSession(const Bytes& data, const DecodeLimits& limits, Session& session) {
  // Room for a progressive file's coefficients (2 bytes a sample) next to the decoded pixels.
  constexpr uint64_t kCeiling = uint64_t{1} << 46;
  const uint64_t maxMemory = limits.maxPixelBytes >= kCeiling ? kCeiling : limits.maxPixelBytes * 2 + (16u << 20);
  HeaderStep step{&session, data.data(), static_cast<unsigned long>(data.size()), static_cast<long>(maxMemory)};
  session.cinfo.err = jpeg_glue::InstallErrorManager(session.err);
  if (!RunGuarded(session.err, ReadHeader, &step)) return StatusOfError(session.err.code);
  return CheckImageSize(OutputFormat(session.cinfo), session.cinfo.image_width, session.cinfo.image_height, limits);
}

// Whether the rows can be decoded in two parts at once: the lower part by a second decoder that reads
// past the upper one. Progressive files decode all their coefficients before the first row and would
// gain nothing; arithmetic-coded and CMYK ones are rare and stay whole.
bool SplitsInTwo(const jpeg_decompress_struct& cinfo, bool cmyk) {
  return !cmyk && !cinfo.progressive_mode && !cinfo.arith_code;
}

// The first row of the lower part, on a band of blocks. Reading past a row costs about two fifths of
// decoding it (entropy decoding only; measured on a 6000x4000 photo), so the upper part gets 5/8 of
// the rows and both parts then take about as long. Zero when the picture is too small to split.
uint32_t SplitRow(const jpeg_decompress_struct& cinfo, size_t bytes) {
  const uint32_t band = static_cast<uint32_t>(cinfo.max_v_samp_factor) * DCTSIZE;
  if (bytes < kWorthASecondThread || band == 0) return 0;
  return static_cast<uint32_t>(uint64_t{cinfo.image_height} * 5 / 8 / band * band);
}

void CollectExif(const jpeg_decompress_struct& cinfo, std::vector<PropertyItem>& out) {
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker != JPEG_APP0 + 1 || m->data_length < sizeof(kExifSignature)) continue;
    if (std::memcmp(m->data, kExifSignature, sizeof(kExifSignature)) != 0) continue;
    std::span<const uint8_t> block(m->data + sizeof(kExifSignature), m->data_length - sizeof(kExifSignature));
    if (ParseExif(block, out)) return;  // the first readable EXIF segment wins
    out.clear();
  }
}

class JpegDecoder final : public ImageDecoder {
 public:
  JpegDecoder(SharedBytes data, const DecodeLimits& limits) : m_data(std::move(data)), m_limits(limits) {}

  const Guid& FrameDimension() const override { return kFrameDimensionPage; }
  uint32_t FrameCount() const override { return 1; }

  Status DecodeFrame(uint32_t index, DecodedFrame& out) override {
    if (index != 0) return Status::InvalidParameter;
    Session session;
    if (Status s = OpenSession(*m_data, m_limits, session); s != Status::Ok) return s;
    jpeg_decompress_struct& cinfo = session.cinfo;

    const PixelFormat format = OutputFormat(cinfo);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (format == PixelFormat::Indexed8bpp) {
      cinfo.out_color_space = JCS_GRAYSCALE;
    } else if (cmyk) {
      cinfo.out_color_space = JCS_CMYK;  // libjpeg turns YCCK into CMYK
    } else {
      cinfo.out_color_space = JCS_EXT_BGR;  // the 24bppRGB byte order
    }

    auto pixels = PixelBuffer::Allocate(format, cinfo.image_width, cinfo.image_height, PixelBuffer::Init::Uninitialized,
                                        m_limits);
    if (!pixels.Ok()) return pixels.GetStatus();
    PixelBuffer& buffer = pixels.Value();
    std::vector<uint8_t*> rows(buffer.Height());
    for (uint32_t y = 0; y < buffer.Height(); ++y) rows[y] = buffer.Row(y);
    std::vector<uint8_t> cmykRow(cmyk ? static_cast<size_t>(buffer.Width()) * 4 : 0);

    // Saved markers live in libjpeg's per-image pool, which finishing the decompression frees.
    DecodedFrame frame;
    CollectExif(cinfo, frame.properties);
    if (Status s = CollectProfile(session, frame.color); s != Status::Ok) return s;
    // The inks are kept only where a profile can say what they mean.
    if (cmyk && m_options.colorManaged && !frame.color.iccProfile.empty()) {
      auto inks = PixelBuffer::Allocate(PixelFormat::RGB32bpp, cinfo.image_width, cinfo.image_height,
                                        PixelBuffer::Init::Uninitialized, m_limits);
      if (!inks.Ok()) return inks.GetStatus();
      frame.color.inks = std::move(inks).Value();
      frame.color.invertedInks = cinfo.saw_Adobe_marker != 0;
    }

    if (SplitsInTwo(cinfo, cmyk)) {
      if (Status s = ReadInTwo(session, rows, buffer.Layout().Bytes()); s != Status::Ok) return s;
    } else {
      PixelBuffer* inks = frame.color.inks.Empty() ? nullptr : &frame.color.inks;
      PixelStep step{&cinfo, rows.data(),    cmyk ? cmykRow.data() : nullptr, cinfo.saw_Adobe_marker != 0, inks,
                     0,      buffer.Height()};
      if (!RunGuarded(session.err, ReadPixels, &step)) return StatusOfError(session.err.code);
    }
    if (format == PixelFormat::Indexed8bpp) buffer.GetPalette() = GrayPalette(8);
    frame.pixels = std::move(buffer);
    out = std::move(frame);
    return Status::Ok;
  }

  static Status CollectProfile(Session& session, ColorSource& color) {
    ProfileStep step{&session.cinfo, nullptr, 0};
    if (!RunGuarded(session.err, ReadProfile, &step)) return StatusOfError(session.err.code);
    std::unique_ptr<JOCTET, decltype(&std::free)> owned(step.profile, &std::free);
    if (owned) {
      try {
        color.iccProfile.assign(owned.get(), owned.get() + step.size);
      } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
      }
    }
    return Status::Ok;
  }

 private:
  // The upper part through `session` on a second thread, the lower one through a session of its own
  // here; the whole through `session` when the picture is small or no thread can be had. A failure of
  // either part fails both.
  Status ReadInTwo(Session& session, std::vector<uint8_t*>& rows, size_t bytes) {
    const uint32_t height = static_cast<uint32_t>(rows.size());
    const uint32_t split = SplitRow(session.cinfo, bytes);
    Status upper = Status::Ok;
    auto readUpper = [&session, &rows, &upper](uint32_t end) {
      PixelStep step{&session.cinfo, rows.data(), nullptr, false, nullptr, 0, end};
      if (!RunGuarded(session.err, ReadPixels, &step)) upper = StatusOfError(session.err.code);
    };
    if (split == 0 || !SecondThreadAllowed()) {
      readUpper(height);
      return upper;
    }
    std::thread upperThread;
    try {
      upperThread = std::thread(readUpper, split);
    } catch (const std::system_error&) {
      readUpper(height);
      return upper;
    }
    Status lower = ReadLower(session.cinfo.out_color_space, rows, split);
    upperThread.join();
    return upper != Status::Ok ? upper : lower;
  }

  Status ReadLower(J_COLOR_SPACE colorSpace, std::vector<uint8_t*>& rows, uint32_t begin) {
    Session own;
    if (Status s = OpenSession(*m_data, m_limits, own); s != Status::Ok) return s;
    own.cinfo.out_color_space = colorSpace;
    PixelStep step{&own.cinfo, rows.data(), nullptr, false, nullptr, begin, static_cast<uint32_t>(rows.size())};
    return RunGuarded(own.err, ReadPixels, &step) ? Status::Ok : StatusOfError(own.err.code);
  }

  SharedBytes m_data;
  DecodeLimits m_limits;
};

// The rows of one decompression, in order.
class JpegRows final : public RowSource {
 public:
  JpegRows(SharedBytes data, std::unique_ptr<Session> session)
      : m_data(std::move(data)), m_session(std::move(session)) {}

  Status ReadRows(std::span<uint8_t* const> rows) override {
    RowsStep step{&m_session->cinfo, rows.data(), static_cast<uint32_t>(rows.size()), !m_started};
    m_started = true;
    if (!RunGuarded(m_session->err, ReadNextRows, &step)) return StatusOfError(m_session->err.code);
    return Status::Ok;
  }

 private:
  SharedBytes m_data;  // the decompressor reads from it
  std::unique_ptr<Session> m_session;
  bool m_started = false;
};

}  // namespace

Status OpenJpegRows(SharedBytes data, const DecodeLimits& limits, StreamedFrame& out) {
  if (!data || data->size() < 3 || (*data)[0] != 0xFF || (*data)[1] != 0xD8) return Status::UnknownImageFormat;
  if (data->size() > limits.maxFileBytes) return Status::OutOfMemory;
  auto session = std::make_unique<Session>();
  if (Status s = OpenSession(*data, limits, *session); s != Status::Ok) return s;
  jpeg_decompress_struct& cinfo = session->cinfo;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (OutputFormat(cinfo) != PixelFormat::RGB24bpp || !SplitsInTwo(cinfo, cmyk)) return Status::Ok;
  cinfo.out_color_space = JCS_EXT_BGR;
  StreamedFrame frame;
  frame.format = PixelFormat::RGB24bpp;
  frame.width = cinfo.image_width;
  frame.height = cinfo.image_height;
  CollectExif(cinfo, frame.properties);
  if (Status s = JpegDecoder::CollectProfile(*session, frame.color); s != Status::Ok) return s;
  frame.rows = std::make_unique<JpegRows>(std::move(data), std::move(session));
  out = std::move(frame);
  return Status::Ok;
}

Status OpenJpegDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data || data->size() < 3) return Status::UnknownImageFormat;
  if ((*data)[0] != 0xFF || (*data)[1] != 0xD8) return Status::UnknownImageFormat;
  if (data->size() > limits.maxFileBytes) return Status::OutOfMemory;
  {
    Session session;
    if (Status s = OpenSession(*data, limits, session); s != Status::Ok) return s;
  }
  out = std::make_unique<JpegDecoder>(std::move(data), limits);
  return Status::Ok;
}

}  // namespace tavlen::gfx
