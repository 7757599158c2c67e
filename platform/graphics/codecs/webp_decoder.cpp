// WebP decoder on libwebp: still pictures (lossy, lossless, with alpha) and animations, their ICC
// profile and EXIF items.
#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/frame_timing.h"
#include "platform/graphics/exif.h"

namespace tavlen::gfx {
namespace {

struct DemuxDeleter {
  void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
using DemuxPtr = std::unique_ptr<WebPDemuxer, DemuxDeleter>;
struct AnimDeleter {
  void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};
using AnimPtr = std::unique_ptr<WebPAnimDecoder, AnimDeleter>;

Status StatusOf(VP8StatusCode code) {
  return code == VP8_STATUS_OUT_OF_MEMORY ? Status::OutOfMemory : Status::GenericError;
}

// The payload of the first chunk with that four-character code, or empty.
Bytes ChunkOf(WebPDemuxer* demux, const char fourcc[4]) {
  WebPChunkIterator chunk;
  Bytes out;
  if (WebPDemuxGetChunk(demux, fourcc, 1, &chunk)) {
    out.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
  }
  return out;
}

class WebpDecoder final : public ImageDecoder {
 public:
  WebpDecoder(SharedBytes data, const DecodeLimits& limits, DemuxPtr demux)
      : m_data(std::move(data)), m_limits(limits), m_demux(std::move(demux)) {
    const uint32_t flags = WebPDemuxGetI(m_demux.get(), WEBP_FF_FORMAT_FLAGS);
    m_animated = (flags & ANIMATION_FLAG) != 0;
    m_frames = m_animated ? WebPDemuxGetI(m_demux.get(), WEBP_FF_FRAME_COUNT) : 1;
  }

  Status ReadTags() {
    try {
      m_profile = ChunkOf(m_demux.get(), "ICCP");
      const Bytes exif = ChunkOf(m_demux.get(), "EXIF");
      if (!exif.empty() && !ParseEmbeddedExif(exif, m_properties)) m_properties.clear();
      if (m_animated) {
        std::vector<uint32_t> delays;
        WebPIterator frame;
        if (WebPDemuxGetFrame(m_demux.get(), 1, &frame)) {
          do delays.push_back(static_cast<uint32_t>(frame.duration));
          while (WebPDemuxNextFrame(&frame));
          WebPDemuxReleaseIterator(&frame);
        }
        AddFrameTiming(delays, WebPDemuxGetI(m_demux.get(), WEBP_FF_LOOP_COUNT), m_properties);
      }
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory;
    }
    return Status::Ok;
  }

  const Guid& FrameDimension() const override { return m_animated ? kFrameDimensionTime : kFrameDimensionPage; }
  uint32_t FrameCount() const override { return m_frames; }

  Status DecodeFrame(uint32_t index, DecodedFrame& out) override {
    if (index >= m_frames) return Status::InvalidParameter;
    PixelBuffer pixels;
    const Status s = m_animated ? DecodeAnimated(index, pixels) : DecodeStill(pixels);
    if (s != Status::Ok) return s;
    return MakeFrame(std::move(pixels), m_properties, m_profile, out);
  }

 private:
  Status DecodeStill(PixelBuffer& out) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return Status::GenericError;
    if (WebPGetFeatures(m_data->data(), m_data->size(), &config.input) != VP8_STATUS_OK) return Status::GenericError;
    const PixelFormat format = config.input.has_alpha ? PixelFormat::ARGB32bpp : PixelFormat::RGB24bpp;
    auto pixels = PixelBuffer::Allocate(format, static_cast<uint32_t>(config.input.width),
                                        static_cast<uint32_t>(config.input.height), PixelBuffer::Init::Zero, m_limits);
    if (!pixels.Ok()) return pixels.GetStatus();
    PixelBuffer& buffer = pixels.Value();
    config.output.colorspace = config.input.has_alpha ? MODE_BGRA : MODE_BGR;
    config.options.use_threads = 1;  // filtering beside decoding, on the second core
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = buffer.Data();
    config.output.u.RGBA.stride = static_cast<int>(buffer.Stride());
    config.output.u.RGBA.size = buffer.Layout().Bytes();
    const VP8StatusCode code = WebPDecode(m_data->data(), m_data->size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (code != VP8_STATUS_OK) return StatusOf(code);
    out = std::move(buffer);
    return Status::Ok;
  }

  // Frames are composed one after another on the canvas, so frame n is reached by going past those
  // before it; going forward continues where the last call stopped.
  Status DecodeAnimated(uint32_t index, PixelBuffer& out) {
    const uint32_t width = WebPDemuxGetI(m_demux.get(), WEBP_FF_CANVAS_WIDTH);
    const uint32_t height = WebPDemuxGetI(m_demux.get(), WEBP_FF_CANVAS_HEIGHT);
    auto pixels =
        PixelBuffer::Allocate(PixelFormat::ARGB32bpp, width, height, PixelBuffer::Init::Uninitialized, m_limits);
    if (!pixels.Ok()) return pixels.GetStatus();
    if (!m_anim || index < m_next) {
      WebPAnimDecoderOptions options;
      if (!WebPAnimDecoderOptionsInit(&options)) return Status::GenericError;
      options.color_mode = MODE_BGRA;
      options.use_threads = 0;
      const WebPData data{m_data->data(), m_data->size()};
      m_anim.reset(WebPAnimDecoderNew(&data, &options));
      if (!m_anim) return Status::GenericError;
      m_next = 0;
    }
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    while (m_next <= index) {
      if (!WebPAnimDecoderHasMoreFrames(m_anim.get()) || !WebPAnimDecoderGetNext(m_anim.get(), &canvas, &timestamp)) {
        m_anim.reset();
        return Status::GenericError;
      }
      ++m_next;
    }
    PixelBuffer& buffer = pixels.Value();
    for (uint32_t y = 0; y < height; ++y) std::memcpy(buffer.Row(y), canvas + size_t{y} * width * 4, size_t{width} * 4);
    out = std::move(buffer);
    return Status::Ok;
  }

  SharedBytes m_data;
  DecodeLimits m_limits;
  DemuxPtr m_demux;
  bool m_animated = false;
  uint32_t m_frames = 1;
  Bytes m_profile;
  std::vector<PropertyItem> m_properties;
  AnimPtr m_anim;
  uint32_t m_next = 0;  // the frame m_anim gives next
};

}  // namespace

Status OpenWebpDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data || data->size() < 12 || std::memcmp(data->data(), "RIFF", 4) != 0 ||
      std::memcmp(data->data() + 8, "WEBP", 4) != 0)
    return Status::UnknownImageFormat;
  if (data->size() > limits.maxFileBytes) return Status::OutOfMemory;
  const WebPData bytes{data->data(), data->size()};
  DemuxPtr demux(WebPDemux(&bytes));
  if (!demux) return Status::GenericError;
  const uint32_t width = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
  const uint32_t height = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
  if (Status s = CheckImageSize(PixelFormat::ARGB32bpp, width, height, limits); s != Status::Ok) return s;
  if (WebPDemuxGetI(demux.get(), WEBP_FF_FRAME_COUNT) == 0) return Status::GenericError;
  auto decoder = std::make_unique<WebpDecoder>(std::move(data), limits, std::move(demux));
  if (Status s = decoder->ReadTags(); s != Status::Ok) return s;
  out = std::move(decoder);
  return Status::Ok;
}

}  // namespace tavlen::gfx
