// The interface between the image model and the format codecs.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include "platform/graphics/decode_options.h"
#include "platform/graphics/encoder_parameters.h"
#include "platform/graphics/image_guids.h"
#include "platform/graphics/limits.h"
#include "platform/graphics/pixel_buffer.h"
#include "platform/graphics/property_item.h"

namespace tavlen::gfx {

using Bytes = std::vector<uint8_t>;
using SharedBytes = std::shared_ptr<const Bytes>;

// What a decoder found out about the colours of a frame. Colour management reads it after decoding;
// without it the pixels stay as decoded.
struct ColorSource {
  Bytes iccProfile;        // the embedded profile, its chunks joined in order; empty when none
  bool srgbChunk = false;  // a PNG sRGB chunk
  // PNG cHRM: white point, red, green and blue as x, y pairs; gAMA: the file's gamma (0.45455 for 2.2).
  bool hasChromaticities = false;
  double chromaticities[8] = {};
  double gamma = 0;
  bool srgbCurve = false;  // with chromaticities from AVIF's colour description: sRGB's tone curve
  // CMYK pixels, kept when the decoder was asked to manage colour: C, M, Y, K bytes per pixel in a
  // 32-bit buffer of the frame's size. `pixels` then hold the plain conversion the format always had.
  PixelBuffer inks;
  bool invertedInks = false;  // Adobe's writers store 255 - ink
};

struct DecodedFrame {
  PixelBuffer pixels;
  std::vector<PropertyItem> properties;
  ColorSource color;
};

// A decoded frame: the pixels with copies of the file's items and profile, which every frame of the
// newer formats shares. OutOfMemory, `out` untouched, when they cannot be copied.
inline Status MakeFrame(PixelBuffer pixels, const std::vector<PropertyItem>& properties, const Bytes& profile,
                        DecodedFrame& out) {
  DecodedFrame frame;
  try {
    frame.properties = properties;
    frame.color.iccProfile = profile;
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  frame.pixels = std::move(pixels);
  out = std::move(frame);
  return Status::Ok;
}

// A file opened for decoding. It keeps the file's bytes so that frames can be decoded on demand.
class ImageDecoder {
 public:
  virtual ~ImageDecoder() = default;
  // kFrameDimensionPage for every format but GIF (kFrameDimensionTime).
  virtual const Guid& FrameDimension() const = 0;
  virtual uint32_t FrameCount() const = 0;
  // Decodes frame `index` (0-based); `out` is written only when the result is Ok.
  virtual Status DecodeFrame(uint32_t index, DecodedFrame& out) = 0;

  // Set once, before the first frame is decoded.
  void SetOptions(const DecodeOptions& options) { m_options = options; }

 protected:
  DecodeOptions m_options;
};

// Opens a decoder on the whole file. The header is validated here; pixels are decoded later.
// UnknownImageFormat / InvalidParameter / OutOfMemory / GenericError on failure.
using DecoderOpener = Status (*)(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);

// Writes one image. `out` receives the whole file; nothing is written anywhere else.
// InvalidParameter for an unsupported or malformed parameter or a pixel format the scheme cannot take.
using ImageEncoderFn = Status (*)(const PixelBuffer& image, std::span<const PropertyItem> properties,
                                  EncoderParameters parameters, Bytes& out);

// The decoders, one function each (defined in codecs/<format>_decoder.cpp).
Status OpenBmpDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);
Status OpenGifDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);
Status OpenPngDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);
Status OpenJpegDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);
Status OpenTiffDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);
Status OpenWebpDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);
Status OpenAvifDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);
Status OpenJxlDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);
Status OpenHeifDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out);

// A plain 24-bit BMP file (`fd`, `fileSize` bytes) read straight into its pixels, so that the file is
// never held in memory whole. `read` is false, and `out` untouched, for any other file, which then
// goes through OpenDecoder; when true, the status is what decoding the whole file would give.
Status ReadPlainBmp(int fd, uint64_t fileSize, const DecodeLimits& limits, DecodedFrame& out, bool& read);

// The encoders (codecs/<format>_encoder.cpp).
Status EncodeBmp(const PixelBuffer&, std::span<const PropertyItem>, EncoderParameters, Bytes& out);
Status EncodeGif(const PixelBuffer&, std::span<const PropertyItem>, EncoderParameters, Bytes& out);
Status EncodePng(const PixelBuffer&, std::span<const PropertyItem>, EncoderParameters, Bytes& out);
Status EncodeJpeg(const PixelBuffer&, std::span<const PropertyItem>, EncoderParameters, Bytes& out);
Status EncodeTiff(const PixelBuffer&, std::span<const PropertyItem>, EncoderParameters, Bytes& out);
Status EncodeWebp(const PixelBuffer&, std::span<const PropertyItem>, EncoderParameters, Bytes& out);

// A decoder of exactly one frame that is already decoded: formats whose pixels are read at open time.
class SingleFrameDecoder final : public ImageDecoder {
 public:
  explicit SingleFrameDecoder(DecodedFrame frame) : m_frame(std::move(frame)) {}
  const Guid& FrameDimension() const override { return kFrameDimensionPage; }
  uint32_t FrameCount() const override { return 1; }
  // Hands the frame over once; WrongState after that.
  Status DecodeFrame(uint32_t index, DecodedFrame& out) override;

 private:
  DecodedFrame m_frame;
  bool m_handedOver = false;
};

}  // namespace tavlen::gfx
