// ConvertFile: decode, make the black-and-white copy for bilevel TIFF schemes, save; or pass the rows
// straight from the decoder to the encoder when nothing needs the whole picture.
#include "files/convert_file.h"

#include <algorithm>
#include <utility>

#include "edit/black_white.h"
#include "files/save_image.h"
#include "metadata/orientation.h"

namespace tavlen::files {
namespace {

// A picture that would be turned upright, or whose tag would be rewritten, is loaded whole.
bool TurnsOrMarks(const gfx::StreamedPicture& picture) {
  const auto& items = picture.PropertyItems();
  return std::any_of(items.begin(), items.end(),
                     [](const gfx::PropertyItem& item) { return item.id == metadata::kOrientationTag; });
}

}  // namespace

std::unique_ptr<gfx::StreamedPicture> OpenStreamed(const std::string& source, FileFormat format, bool upright,
                                                   const gfx::DecodeOptions& decode) {
  gfx::Guid encoder;
  if (!EncoderFor(format, encoder) || !gfx::StreamedPicture::CanSave(encoder)) return nullptr;
  auto picture = gfx::StreamedPicture::Open(source, gfx::ProcessLimits(), decode);
  if (picture && (!picture->Streams(encoder) || (upright && TurnsOrMarks(*picture)))) return nullptr;
  return picture;
}

gfx::Status ConvertFile(const std::string& source, const std::string& destinationBase, FileFormat format,
                        const ConvertSettings& settings, const gfx::DecodeOptions& decode) {
  EncodeOptions options{.jpegQuality = settings.jpegQuality, .tiffCompression = std::nullopt};
  bool bilevel = false;
  if (format == FileFormat::Tiff) {
    const TiffCompressionChoice compression = ChooseTiffCompression(settings.tiffCompression);
    options.tiffCompression = compression.encoderValue;
    bilevel = compression.bilevel;
  }
  if (!bilevel) {
    if (auto streamed = OpenStreamed(source, format, settings.upright, decode))
      return SaveStreamed(*streamed, destinationBase, format, options);
  }

  auto opened = gfx::Bitmap::FromFile(source, gfx::ProcessLimits(), decode);
  if (!opened.Ok()) return opened.GetStatus();
  gfx::Bitmap& picture = *opened.Value();
  if (settings.upright) {
    if (gfx::Status s = metadata::TurnUpright(picture); s != gfx::Status::Ok) return s;
  }
  if (!bilevel) return SaveImage(picture, destinationBase, format, options);
  // A 1-bit source goes through the threshold too; its pixels come out as they were.
  auto blackWhite = edit::MakeBlackWhiteCopy(picture);
  if (!blackWhite.Ok()) return blackWhite.GetStatus();
  return SaveImage(*blackWhite.Value(), destinationBase, format, options);
}

}  // namespace tavlen::files
