// WebP encoder on libwebp: lossy at the quality asked for, lossless at quality 100, alpha kept.
#include <webp/encode.h>

#include <cstring>
#include <memory>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/convert.h"

namespace tavlen::gfx {
namespace {

constexpr int kDefaultQuality = 75;  // as for JPEG

// InvalidParameter for anything but one LONG quality, clamped to 0..100.
Status ReadWebpQuality(EncoderParameters parameters, int& quality) {
  quality = kDefaultQuality;
  for (const EncoderParameter& p : parameters) {
    if (p.guid != kEncoderQuality || p.numberOfValues != 1 || p.type != kEncoderParameterValueTypeLong ||
        p.value == nullptr)
      return Status::InvalidParameter;
    int32_t value;
    std::memcpy(&value, p.value, sizeof value);
    quality = value < 0 ? 0 : value > 100 ? 100 : value;
  }
  return Status::Ok;
}

struct PictureOwner {
  WebPPicture picture;
  ~PictureOwner() { WebPPictureFree(&picture); }
};

struct WriterOwner {
  WebPMemoryWriter writer;
  ~WriterOwner() { WebPMemoryWriterClear(&writer); }
};

// Imports the pixels; formats other than 24- and 32-bit BGR(A) go through 32bppARGB first.
bool Import(const PixelBuffer& image, WebPPicture& picture) {
  const int stride = static_cast<int>(image.Stride());
  switch (image.Format()) {
    case PixelFormat::RGB24bpp:
      return WebPPictureImportBGR(&picture, image.Data(), stride) != 0;
    case PixelFormat::RGB32bpp:
      return WebPPictureImportBGRX(&picture, image.Data(), stride) != 0;
    case PixelFormat::ARGB32bpp:
      return WebPPictureImportBGRA(&picture, image.Data(), stride) != 0;
    default: {
      auto argb = ConvertFormat(image, PixelFormat::ARGB32bpp);
      if (!argb.Ok()) return false;
      const PixelBuffer& converted = argb.Value();
      if (HasAlpha(image.Format()) || IsIndexed(image.Format()))
        return WebPPictureImportBGRA(&picture, converted.Data(), static_cast<int>(converted.Stride())) != 0;
      return WebPPictureImportBGRX(&picture, converted.Data(), static_cast<int>(converted.Stride())) != 0;
    }
  }
}

}  // namespace

// InvalidParameter for a bad parameter, an empty image or one larger than WebP's 16383 pixels a side;
// OutOfMemory when the pixels cannot be converted or encoded. `out` is written only on success.
Status EncodeWebp(const PixelBuffer& image, std::span<const PropertyItem>, EncoderParameters parameters, Bytes& out) {
  int quality = kDefaultQuality;
  if (Status s = ReadWebpQuality(parameters, quality); s != Status::Ok) return s;
  if (image.Empty() || !IsValidPixelFormat(image.Format())) return Status::InvalidParameter;
  if (image.Width() == 0 || image.Height() == 0 || image.Width() > WEBP_MAX_DIMENSION ||
      image.Height() > WEBP_MAX_DIMENSION)
    return Status::InvalidParameter;

  WebPConfig config;
  if (!WebPConfigInit(&config)) return Status::GenericError;
  if (quality == 100) {
    if (!WebPConfigLosslessPreset(&config, 6)) return Status::GenericError;
  } else {
    config.quality = static_cast<float>(quality);
  }
  config.thread_level = 1;
  // Lossless pictures keep the colour under fully transparent pixels, so a round trip is exact.
  config.exact = quality == 100;
  PictureOwner owner;
  if (!WebPPictureInit(&owner.picture)) return Status::GenericError;
  WebPPicture& picture = owner.picture;
  picture.use_argb = config.lossless;
  picture.width = static_cast<int>(image.Width());
  picture.height = static_cast<int>(image.Height());
  if (!Import(image, picture)) return Status::OutOfMemory;

  WriterOwner writer;
  WebPMemoryWriterInit(&writer.writer);
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &writer.writer;
  if (!WebPEncode(&config, &picture)) {
    return picture.error_code == VP8_ENC_ERROR_OUT_OF_MEMORY ? Status::OutOfMemory : Status::GenericError;
  }
  try {
    out.assign(writer.writer.mem, writer.writer.mem + writer.writer.size);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  return Status::Ok;
}

}  // namespace tavlen::gfx
