// JPEG XL decoder on libjxl: still pictures and animations, alpha, the orientation the file gives
// (applied by libjxl), the colour profile of the decoded pixels and EXIF items.
#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <algorithm>
#include <memory>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/frame_timing.h"
#include "platform/graphics/exif.h"

namespace tavlen::gfx {
namespace {

struct JxlDeleter {
  void operator()(JxlDecoder* d) const { JxlDecoderDestroy(d); }
};
using JxlPtr = std::unique_ptr<JxlDecoder, JxlDeleter>;
struct RunnerDeleter {
  void operator()(void* r) const { JxlThreadParallelRunnerDestroy(r); }
};
using RunnerPtr = std::unique_ptr<void, RunnerDeleter>;

// Pixels are decoded on both cores, as the other whole-picture operations run.
constexpr size_t kDecodeThreads = 2;

// An animation with more frames than this is refused, and an EXIF box larger than this is skipped.
constexpr uint32_t kMaxFrames = 10000;
constexpr size_t kMaxExifBytes = 16u << 20;
constexpr uint32_t kOrientationTag = 0x0112;

// What the whole file says before any pixel is decoded.
struct Header {
  JxlBasicInfo info{};
  Bytes profile;
  Bytes exif;
  std::vector<uint32_t> delaysMs;
};

JxlPtr Start(const Bytes& data, int events) {
  JxlPtr dec(JxlDecoderCreate(nullptr));
  if (!dec || JxlDecoderSubscribeEvents(dec.get(), events) != JXL_DEC_SUCCESS ||
      JxlDecoderSetInput(dec.get(), data.data(), data.size()) != JXL_DEC_SUCCESS)
    return nullptr;
  JxlDecoderCloseInput(dec.get());
  return dec;
}

PixelFormat FormatOf(const JxlBasicInfo& info) {
  return info.alpha_bits > 0 ? PixelFormat::ARGB32bpp : PixelFormat::RGB24bpp;
}

// Reads the header, the profile, the frame headers and the EXIF box; no pixels are decoded.
Status ReadHeader(const Bytes& data, const DecodeLimits& limits, Header& out) {
  JxlPtr dec = Start(data, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FRAME | JXL_DEC_BOX);
  if (!dec) return Status::OutOfMemory;
  if (JxlDecoderSetDecompressBoxes(dec.get(), JXL_TRUE) != JXL_DEC_SUCCESS) return Status::GenericError;
  Header h;
  bool inExif = false;
  auto finishExif = [&] {
    if (!inExif) return;
    h.exif.resize(h.exif.size() - JxlDecoderReleaseBoxBuffer(dec.get()));
    inExif = false;
  };
  while (true) {
    const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
    switch (status) {
      case JXL_DEC_BASIC_INFO: {
        if (JxlDecoderGetBasicInfo(dec.get(), &h.info) != JXL_DEC_SUCCESS) return Status::GenericError;
        if (Status s = CheckImageSize(FormatOf(h.info), h.info.xsize, h.info.ysize, limits); s != Status::Ok) return s;
        break;
      }
      case JXL_DEC_COLOR_ENCODING: {
        size_t size = 0;
        if (JxlDecoderGetICCProfileSize(dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) == JXL_DEC_SUCCESS &&
            size > 0 && size <= data.size() + 4096) {
          h.profile.resize(size);
          if (JxlDecoderGetColorAsICCProfile(dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA, h.profile.data(),
                                             size) != JXL_DEC_SUCCESS)
            h.profile.clear();
        }
        break;
      }
      case JXL_DEC_FRAME: {
        JxlFrameHeader frame;
        if (JxlDecoderGetFrameHeader(dec.get(), &frame) != JXL_DEC_SUCCESS) return Status::GenericError;
        if (h.delaysMs.size() >= kMaxFrames) return Status::OutOfMemory;
        const JxlAnimationHeader& a = h.info.animation;
        const double ms = a.tps_numerator > 0 ? 1000.0 * frame.duration * a.tps_denominator / a.tps_numerator : 0;
        h.delaysMs.push_back(static_cast<uint32_t>(std::clamp(ms, 0.0, 1e9)));
        break;
      }
      case JXL_DEC_BOX: {
        finishExif();
        JxlBoxType type;
        if (JxlDecoderGetBoxType(dec.get(), type, JXL_TRUE) != JXL_DEC_SUCCESS) return Status::GenericError;
        if (h.exif.empty() && std::string_view(type, 4) == "Exif") {
          h.exif.resize(64 * 1024);
          if (JxlDecoderSetBoxBuffer(dec.get(), h.exif.data(), h.exif.size()) != JXL_DEC_SUCCESS)
            return Status::GenericError;
          inExif = true;
        }
        break;
      }
      case JXL_DEC_BOX_NEED_MORE_OUTPUT: {
        const size_t left = JxlDecoderReleaseBoxBuffer(dec.get());
        const size_t used = h.exif.size() - left;
        if (h.exif.size() * 2 > kMaxExifBytes) {
          h.exif.clear();
          inExif = false;
          break;
        }
        h.exif.resize(h.exif.size() * 2);
        if (JxlDecoderSetBoxBuffer(dec.get(), h.exif.data() + used, h.exif.size() - used) != JXL_DEC_SUCCESS)
          return Status::GenericError;
        break;
      }
      case JXL_DEC_SUCCESS:
        finishExif();
        if (h.delaysMs.empty()) return Status::GenericError;
        out = std::move(h);
        return Status::Ok;
      default:
        return Status::GenericError;  // damaged or truncated
    }
  }
}

class JxlImageDecoder final : public ImageDecoder {
 public:
  JxlImageDecoder(SharedBytes data, const DecodeLimits& limits, Header header)
      : m_data(std::move(data)), m_limits(limits), m_header(std::move(header)) {}

  Status ReadTags() {
    try {
      if (!m_header.exif.empty() && !ParseEmbeddedExif(m_header.exif, m_properties)) m_properties.clear();
      // libjxl turns the picture as the file says; an EXIF orientation beside it would turn it twice.
      std::erase_if(m_properties, [](const PropertyItem& item) { return item.id == kOrientationTag; });
      if (m_header.info.have_animation)
        AddFrameTiming(m_header.delaysMs, m_header.info.animation.num_loops, m_properties);
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory;
    }
    return Status::Ok;
  }

  const Guid& FrameDimension() const override {
    return m_header.info.have_animation ? kFrameDimensionTime : kFrameDimensionPage;
  }
  uint32_t FrameCount() const override { return static_cast<uint32_t>(m_header.delaysMs.size()); }

  Status DecodeFrame(uint32_t index, DecodedFrame& out) override {
    if (index >= FrameCount()) return Status::InvalidParameter;
    // Made first, so that it outlives the decoder using it. Without a runner (no thread to be had)
    // libjxl decodes on this thread.
    RunnerPtr runner(JxlThreadParallelRunnerCreate(nullptr, kDecodeThreads));
    JxlPtr dec = Start(*m_data, JXL_DEC_FULL_IMAGE);
    if (!dec) return Status::OutOfMemory;
    if (runner) JxlDecoderSetParallelRunner(dec.get(), JxlThreadParallelRunner, runner.get());
    JxlDecoderSkipFrames(dec.get(), index);
    const bool alpha = m_header.info.alpha_bits > 0;
    const JxlPixelFormat format{alpha ? 4u : 3u, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 4};
    PixelBuffer buffer;
    while (true) {
      const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
      if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
        // The displayed size: sides exchanged when the orientation turns the picture a quarter.
        const bool turned = m_header.info.orientation > 4;
        const uint32_t width = turned ? m_header.info.ysize : m_header.info.xsize;
        const uint32_t height = turned ? m_header.info.xsize : m_header.info.ysize;
        auto pixels =
            PixelBuffer::Allocate(FormatOf(m_header.info), width, height, PixelBuffer::Init::Uninitialized, m_limits);
        if (!pixels.Ok()) return pixels.GetStatus();
        buffer = std::move(pixels).Value();
        size_t needed = 0;
        if (JxlDecoderImageOutBufferSize(dec.get(), &format, &needed) != JXL_DEC_SUCCESS ||
            needed > buffer.Layout().Bytes() ||
            JxlDecoderSetImageOutBuffer(dec.get(), &format, buffer.Data(), buffer.Layout().Bytes()) != JXL_DEC_SUCCESS)
          return Status::GenericError;
      } else if (status == JXL_DEC_FULL_IMAGE) {
        break;
      } else {
        return Status::GenericError;  // damaged, truncated, or no frame of that number
      }
    }
    if (buffer.Empty()) return Status::GenericError;
    const uint32_t channels = alpha ? 4 : 3;
    for (uint32_t y = 0; y < buffer.Height(); ++y) {
      uint8_t* p = buffer.Row(y);
      for (uint32_t x = 0; x < buffer.Width(); ++x, p += channels) std::swap(p[0], p[2]);  // RGB(A) to BGR(A)
    }
    return MakeFrame(std::move(buffer), m_properties, m_header.profile, out);
  }

 private:
  SharedBytes m_data;
  DecodeLimits m_limits;
  Header m_header;
  std::vector<PropertyItem> m_properties;
};

}  // namespace

Status OpenJxlDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data) return Status::InvalidParameter;
  const JxlSignature signature = JxlSignatureCheck(data->data(), data->size());
  if (signature != JXL_SIG_CODESTREAM && signature != JXL_SIG_CONTAINER) return Status::UnknownImageFormat;
  if (data->size() > limits.maxFileBytes) return Status::OutOfMemory;
  Header header;
  try {
    if (Status s = ReadHeader(*data, limits, header); s != Status::Ok) return s;
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  auto decoder = std::make_unique<JxlImageDecoder>(std::move(data), limits, std::move(header));
  if (Status s = decoder->ReadTags(); s != Status::Ok) return s;
  out = std::move(decoder);
  return Status::Ok;
}

}  // namespace tavlen::gfx
