// WebP encoder on libwebp: lossy at the quality asked for, lossless at quality 100, alpha kept.
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstring>
#include <memory>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/convert.h"
#include "platform/graphics/exif.h"

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

struct MuxDeleter {
  void operator()(WebPMux* m) const { WebPMuxDelete(m); }
};
using MuxPtr = std::unique_ptr<WebPMux, MuxDeleter>;

// The encoded picture with the profile (ICCP) and the items (EXIF) beside it; the bare picture when
// there are neither. false when libwebp cannot assemble the file.
bool AddChunks(const WebPMemoryWriter& picture, std::span<const PropertyItem> properties, Bytes& out) {
  const std::span<const uint8_t> profile = ProfileFor(properties, "RGB ");
  const std::vector<uint8_t> exif = BuildExif(properties);
  if (profile.empty() && exif.empty()) {
    out.assign(picture.mem, picture.mem + picture.size);
    return true;
  }
  MuxPtr mux(WebPMuxNew());
  const WebPData image{picture.mem, picture.size};
  if (!mux || WebPMuxSetImage(mux.get(), &image, 0) != WEBP_MUX_OK) return false;
  const WebPData icc{profile.data(), profile.size()}, tags{exif.data(), exif.size()};
  if (!profile.empty() && WebPMuxSetChunk(mux.get(), "ICCP", &icc, 1) != WEBP_MUX_OK) return false;
  if (!exif.empty() && WebPMuxSetChunk(mux.get(), "EXIF", &tags, 1) != WEBP_MUX_OK) return false;
  WebPData assembled{nullptr, 0};
  if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK) return false;
  std::unique_ptr<const uint8_t, void (*)(const uint8_t*)> owned(
      assembled.bytes, [](const uint8_t* p) { WebPFree(const_cast<uint8_t*>(p)); });
  out.assign(assembled.bytes, assembled.bytes + assembled.size);
  return true;
}

}  // namespace

// InvalidParameter for a bad parameter, an empty image or one larger than WebP's 16383 pixels a side;
// OutOfMemory when the pixels cannot be converted or encoded. `out` is written only on success.
// The colour profile and the EXIF items go beside the picture.
Status EncodeWebp(const PixelBuffer& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                  Bytes& out) {
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
  Bytes file;
  try {
    if (!AddChunks(writer.writer, properties, file)) return Status::GenericError;
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  out = std::move(file);
  return Status::Ok;
}

}  // namespace tavlen::gfx
