// AVIF decoder on libavif: still pictures, grids and sequences, alpha, 10- and 12-bit pictures (reduced
// to 8 bits), the clap/irot/imir transforms, the ICC profile and EXIF items.
#include <avif/avif.h>

#include <algorithm>
#include <memory>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/frame_timing.h"
#include "platform/graphics/codecs/iso_media.h"
#include "platform/graphics/exif.h"

namespace tavlen::gfx {
namespace {

struct AvifDeleter {
  void operator()(avifDecoder* d) const { avifDecoderDestroy(d); }
};
using AvifPtr = std::unique_ptr<avifDecoder, AvifDeleter>;

// A sequence longer than this is refused: every frame is a full picture to the limits.
constexpr int kMaxFrames = 10000;
constexpr uint32_t kOrientationTag = 0x0112;

Status StatusOf(avifResult result) {
  switch (result) {
    case AVIF_RESULT_OUT_OF_MEMORY:
      return Status::OutOfMemory;
    case AVIF_RESULT_INVALID_FTYP:
      return Status::UnknownImageFormat;
    default:
      return Status::GenericError;
  }
}

// Without an ICC profile, the colour description (nclx) names the primaries and the tone curve. sRGB's
// primaries need no conversion; others with an sRGB-like curve get a profile built from them. HDR
// curves (PQ, HLG) are left alone: they need tone mapping, not a profile.
void DescribeColors(const avifImage& image, ColorSource& color) {
  if (image.icc.size > 0) return;
  const avifColorPrimaries primaries = image.colorPrimaries;
  if (primaries == AVIF_COLOR_PRIMARIES_BT709 || primaries == AVIF_COLOR_PRIMARIES_UNSPECIFIED) return;
  const avifTransferCharacteristics curve = image.transferCharacteristics;
  const bool srgbLike = curve == AVIF_TRANSFER_CHARACTERISTICS_SRGB || curve == AVIF_TRANSFER_CHARACTERISTICS_BT709 ||
                        curve == AVIF_TRANSFER_CHARACTERISTICS_BT601 ||
                        curve == AVIF_TRANSFER_CHARACTERISTICS_UNSPECIFIED;
  if (!srgbLike && curve != AVIF_TRANSFER_CHARACTERISTICS_BT470M) return;
  float values[8];  // red, green, blue, white as x, y pairs
  avifColorPrimariesGetValues(primaries, values);
  const int order[8] = {6, 7, 0, 1, 2, 3, 4, 5};  // to white, red, green, blue
  for (int i = 0; i < 8; ++i) color.chromaticities[i] = values[order[i]];
  color.hasChromaticities = true;
  color.srgbCurve = srgbLike;
  color.gamma = srgbLike ? 0 : 1 / 2.2;
}

IsoTransforms TransformsOf(const avifImage& image, avifDecoder* decoder) {
  IsoTransforms t;
  if (image.transformFlags & AVIF_TRANSFORM_CLAP) {
    avifCropRect rect;
    if (avifCropRectConvertCleanApertureBox(&rect, &image.clap, image.width, image.height, image.yuvFormat,
                                            &decoder->diag)) {
      t.crop = true;
      t.cropX = rect.x, t.cropY = rect.y, t.cropWidth = rect.width, t.cropHeight = rect.height;
    }
  }
  if (image.transformFlags & AVIF_TRANSFORM_IROT) t.anticlockwiseQuarters = image.irot.angle & 3;
  if (image.transformFlags & AVIF_TRANSFORM_IMIR) t.mirror = image.imir.mode & 1;
  return t;
}

class AvifDecoder final : public ImageDecoder {
 public:
  AvifDecoder(SharedBytes data, const DecodeLimits& limits, AvifPtr decoder)
      : m_data(std::move(data)), m_limits(limits), m_decoder(std::move(decoder)) {}

  Status ReadTags() {
    const avifImage& image = *m_decoder->image;
    try {
      if (image.icc.size > 0) m_profile.assign(image.icc.data, image.icc.data + image.icc.size);
      if (image.exif.size > 0 && !ParseEmbeddedExif({image.exif.data, image.exif.size}, m_properties))
        m_properties.clear();
      // The file's own turn and mirror are applied here; an EXIF orientation beside them would turn the
      // picture a second time.
      std::erase_if(m_properties, [](const PropertyItem& item) { return item.id == kOrientationTag; });
      if (m_decoder->imageCount > 1) {
        std::vector<uint32_t> delays;
        for (int i = 0; i < m_decoder->imageCount; ++i) {
          avifImageTiming timing;
          const bool known =
              avifDecoderNthImageTiming(m_decoder.get(), static_cast<uint32_t>(i), &timing) == AVIF_RESULT_OK;
          delays.push_back(known ? static_cast<uint32_t>(std::clamp(timing.duration * 1000, 0.0, 1e9)) : 0);
        }
        // libavif reads no repetition count before 1.0: sequences play for ever.
        AddFrameTiming(delays, 0, m_properties);
      }
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory;
    }
    return Status::Ok;
  }

  const Guid& FrameDimension() const override {
    return m_decoder->imageCount > 1 ? kFrameDimensionTime : kFrameDimensionPage;
  }
  uint32_t FrameCount() const override { return static_cast<uint32_t>(m_decoder->imageCount); }

  Status DecodeFrame(uint32_t index, DecodedFrame& out) override {
    if (index >= FrameCount()) return Status::InvalidParameter;
    if (avifResult r = avifDecoderNthImage(m_decoder.get(), index); r != AVIF_RESULT_OK) return StatusOf(r);
    const avifImage& image = *m_decoder->image;
    const bool alpha = image.alphaPlane != nullptr;
    const PixelFormat format = alpha ? PixelFormat::ARGB32bpp : PixelFormat::RGB24bpp;
    auto pixels = PixelBuffer::Allocate(format, image.width, image.height, PixelBuffer::Init::Uninitialized, m_limits);
    if (!pixels.Ok()) return pixels.GetStatus();
    PixelBuffer& buffer = pixels.Value();
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, &image);
    rgb.format = alpha ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_BGR;
    rgb.depth = 8;
    rgb.pixels = buffer.Data();
    rgb.rowBytes = static_cast<uint32_t>(buffer.Stride());
    if (avifResult r = avifImageYUVToRGB(&image, &rgb); r != AVIF_RESULT_OK) return StatusOf(r);
    if (Status s = ApplyIsoTransforms(TransformsOf(image, m_decoder.get()), buffer); s != Status::Ok) return s;
    DecodedFrame frame;
    if (Status s = MakeFrame(std::move(buffer), m_properties, m_profile, frame); s != Status::Ok) return s;
    DescribeColors(image, frame.color);
    out = std::move(frame);
    return Status::Ok;
  }

 private:
  SharedBytes m_data;  // libavif reads from it without a copy
  DecodeLimits m_limits;
  AvifPtr m_decoder;
  Bytes m_profile;
  std::vector<PropertyItem> m_properties;
};

}  // namespace

Status OpenAvifDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data || !HasIsoBrand(*data, {"avif", "avis"})) return Status::UnknownImageFormat;
  if (data->size() > limits.maxFileBytes) return Status::OutOfMemory;
  AvifPtr decoder(avifDecoderCreate());
  if (!decoder) return Status::OutOfMemory;
  decoder->maxThreads = 2;  // both cores, as the other whole-picture operations use
  // Parsing allocates no planes; the picture's size is checked against the limits below, before any
  // frame is decoded. libavif's own size limits stay, for the tiles of a grid.
  decoder->imageCountLimit = kMaxFrames;
  // Files with a clap box that is not quite right are common and still show a picture.
  decoder->strictFlags = AVIF_STRICT_DISABLED;
  if (avifDecoderSetIOMemory(decoder.get(), data->data(), data->size()) != AVIF_RESULT_OK) return Status::GenericError;
  if (avifResult r = avifDecoderParse(decoder.get()); r != AVIF_RESULT_OK) {
    return r == AVIF_RESULT_NOT_IMPLEMENTED ? Status::GenericError : StatusOf(r);
  }
  const avifImage& image = *decoder->image;
  if (Status s = CheckImageSize(PixelFormat::ARGB32bpp, image.width, image.height, limits); s != Status::Ok) return s;
  if (decoder->imageCount < 1) return Status::GenericError;
  auto opened = std::make_unique<AvifDecoder>(std::move(data), limits, std::move(decoder));
  if (Status s = opened->ReadTags(); s != Status::Ok) return s;
  out = std::move(opened);
  return Status::Ok;
}

}  // namespace tavlen::gfx
