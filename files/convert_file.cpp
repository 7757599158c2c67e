// ConvertFile: decode, make the black-and-white copy for bilevel TIFF schemes, save.
#include "files/convert_file.h"

#include <utility>

#include "edit/black_white.h"
#include "files/save_image.h"
#include "metadata/orientation.h"

namespace tavlen::files {

gfx::Status ConvertFile(const std::string& source, const std::string& destinationBase, FileFormat format,
                        const ConvertSettings& settings, const gfx::DecodeOptions& decode) {
  auto opened = gfx::Bitmap::FromFile(source, gfx::ProcessLimits(), decode);
  if (!opened.Ok()) return opened.GetStatus();
  gfx::Bitmap& picture = *opened.Value();
  if (settings.upright) {
    if (gfx::Status s = metadata::TurnUpright(picture); s != gfx::Status::Ok) return s;
  }

  EncodeOptions options{.jpegQuality = settings.jpegQuality, .tiffCompression = std::nullopt};
  if (format != FileFormat::Tiff) return SaveImage(picture, destinationBase, format, options);

  const TiffCompressionChoice compression = ChooseTiffCompression(settings.tiffCompression);
  options.tiffCompression = compression.encoderValue;
  if (!compression.bilevel) return SaveImage(picture, destinationBase, format, options);
  // A 1-bit source goes through the threshold too; its pixels come out as they were.
  auto blackWhite = edit::MakeBlackWhiteCopy(picture);
  if (!blackWhite.Ok()) return blackWhite.GetStatus();
  return SaveImage(*blackWhite.Value(), destinationBase, format, options);
}

}  // namespace tavlen::files
