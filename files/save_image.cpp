// SaveImage: encoder lookup, the one-entry parameter list, and the platform's atomic save.
#include "files/save_image.h"

#include "platform/graphics/encoder_parameters.h"

namespace tavlen::files {

std::string OutputPath(const std::string& base, FileFormat format) {
  return base + std::string(InfoFor(format).extension);
}

gfx::Status SaveImage(const gfx::Bitmap& image, const std::string& base, FileFormat format,
                      const EncodeOptions& options) {
  gfx::Guid encoder;
  if (!EncoderFor(format, encoder)) return gfx::Status::FileNotFound;

  // The value must live until the save returns; the parameter points at it.
  uint32_t value = 0;
  gfx::EncoderParameter parameter;
  gfx::EncoderParameters parameters;
  if (format == FileFormat::Jpeg || format == FileFormat::Webp) {
    value = static_cast<uint32_t>(options.jpegQuality);
    parameter = {gfx::kEncoderQuality, 1, gfx::kEncoderParameterValueTypeLong, &value};
    parameters = {&parameter, 1};
  } else if (format == FileFormat::Tiff && options.tiffCompression) {
    value = *options.tiffCompression;
    parameter = {gfx::kEncoderCompression, 1, gfx::kEncoderParameterValueTypeLong, &value};
    parameters = {&parameter, 1};
  }
  return image.Save(OutputPath(base, format), encoder, parameters);
}

}  // namespace tavlen::files
