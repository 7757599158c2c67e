// SaveImage: encoder lookup, the one-entry parameter list, and the platform's atomic save.
#include "files/save_image.h"

#include "platform/graphics/encoder_parameters.h"

namespace tavlen::files {

std::string OutputPath(const std::string& base, FileFormat format) {
  return base + std::string(InfoFor(format).extension);
}

bool EncoderCall::Prepare(FileFormat format, const EncodeOptions& options) {
  if (!EncoderFor(format, m_clsid)) return false;
  m_count = 0;
  if (format == FileFormat::Jpeg || format == FileFormat::Webp) {
    m_value = static_cast<uint32_t>(options.jpegQuality);
    m_parameter = {gfx::kEncoderQuality, 1, gfx::kEncoderParameterValueTypeLong, &m_value};
    m_count = 1;
  } else if (format == FileFormat::Tiff && options.tiffCompression) {
    m_value = *options.tiffCompression;
    m_parameter = {gfx::kEncoderCompression, 1, gfx::kEncoderParameterValueTypeLong, &m_value};
    m_count = 1;
  }
  return true;
}

gfx::Status SaveImage(const gfx::Bitmap& image, const std::string& base, FileFormat format,
                      const EncodeOptions& options) {
  EncoderCall call;
  if (!call.Prepare(format, options)) return gfx::Status::FileNotFound;
  return image.Save(OutputPath(base, format), call.Clsid(), call.Parameters());
}

gfx::Status SaveStreamed(gfx::StreamedPicture& picture, const std::string& base, FileFormat format,
                         const EncodeOptions& options) {
  EncoderCall call;
  if (!call.Prepare(format, options)) return gfx::Status::FileNotFound;
  return picture.Save(OutputPath(base, format), call.Clsid(), call.Parameters());
}

}  // namespace tavlen::files
