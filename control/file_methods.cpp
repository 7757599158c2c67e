// Saving the working image, converting files and the frames of multi-page files: thin steps
// around the operations of files/.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "control/tavlen_ctrl.h"
#include "files/convert_file.h"
#include "files/file_formats.h"
#include "files/frames.h"
#include "files/picture_extensions.h"
#include "files/save_image.h"
#include "files/tiff_compression.h"

namespace tavlen {

namespace {

BOOL Succeeded(gfx::Status status) { return status == gfx::Status::Ok ? win::TRUE : win::FALSE; }

}  // namespace

int32_t CTavlenCtrl::TiffCompressionSetting() const {
  // Version 1 saves the values it does not know with LZW, version 2's included.
  if (!IsVersion2() && m_tiffCompression >= kTiffCompressionCount)
    return static_cast<int32_t>(TiffCompression::CompressionLZW);
  return m_tiffCompression;
}

BOOL CTavlenCtrl::SaveWorkingImage(const std::string& FilePath, files::FileFormat format) {
  if (!m_image || !m_image->Handle() || FilePath.empty()) return win::FALSE;
  files::EncodeOptions options{.jpegQuality = m_jpgQuality, .tiffCompression = std::nullopt};
  if (format == files::FileFormat::Tiff) {
    const files::TiffCompressionChoice compression = files::ChooseTiffCompression(TiffCompressionSetting());
    options.tiffCompression = compression.encoderValue;
    // Bilevel schemes turn the shown picture black and white first, with its snapshot.
    if (compression.bilevel) ConvertImageToBlackWhite();
  }
  // A refused save is not recorded in the picture: the picture is fine and must stay copyable.
  return Succeeded(files::SaveImage(*m_image->Handle(), FilePath, format, options));
}

BOOL CTavlenCtrl::SaveAsBmp(const std::string& FilePath) { return SaveWorkingImage(FilePath, files::FileFormat::Bmp); }
BOOL CTavlenCtrl::SaveAsGif(const std::string& FilePath) { return SaveWorkingImage(FilePath, files::FileFormat::Gif); }
BOOL CTavlenCtrl::SaveAsJpg(const std::string& FilePath) { return SaveWorkingImage(FilePath, files::FileFormat::Jpeg); }
BOOL CTavlenCtrl::SaveAsPng(const std::string& FilePath) { return SaveWorkingImage(FilePath, files::FileFormat::Png); }
BOOL CTavlenCtrl::SaveAsTif(const std::string& FilePath) { return SaveWorkingImage(FilePath, files::FileFormat::Tiff); }
BOOL CTavlenCtrl::SaveAsWebp(const std::string& FilePath) {
  return SaveWorkingImage(FilePath, files::FileFormat::Webp);
}

BOOL CTavlenCtrl::ConvertFileTo(const std::string& SourcePath, const std::string& DestinationPath,
                                files::FileFormat format) {
  if (SourcePath.empty() || DestinationPath.empty()) return win::FALSE;
  if (!IsSupportedImageFile(SourcePath) || !FileExists(SourcePath)) return win::FALSE;
  // Version 2 writes the picture upright, as it shows it.
  return Succeeded(files::ConvertFile(SourcePath, DestinationPath, format,
                                      {m_jpgQuality, TiffCompressionSetting(), IsVersion2() && m_autoOrient},
                                      DecodeOptions()));
}

BOOL CTavlenCtrl::ConvertToBmp(const std::string& SourcePath, const std::string& DestinationPath) {
  return ConvertFileTo(SourcePath, DestinationPath, files::FileFormat::Bmp);
}
BOOL CTavlenCtrl::ConvertToGif(const std::string& SourcePath, const std::string& DestinationPath) {
  return ConvertFileTo(SourcePath, DestinationPath, files::FileFormat::Gif);
}
BOOL CTavlenCtrl::ConvertToJpg(const std::string& SourcePath, const std::string& DestinationPath) {
  return ConvertFileTo(SourcePath, DestinationPath, files::FileFormat::Jpeg);
}
BOOL CTavlenCtrl::ConvertToPng(const std::string& SourcePath, const std::string& DestinationPath) {
  return ConvertFileTo(SourcePath, DestinationPath, files::FileFormat::Png);
}
BOOL CTavlenCtrl::ConvertToTif(const std::string& SourcePath, const std::string& DestinationPath) {
  return ConvertFileTo(SourcePath, DestinationPath, files::FileFormat::Tiff);
}
BOOL CTavlenCtrl::ConvertToWebp(const std::string& SourcePath, const std::string& DestinationPath) {
  return ConvertFileTo(SourcePath, DestinationPath, files::FileFormat::Webp);
}

int32_t CTavlenCtrl::GetFrameCount(const std::string& FilePath) {
  const uint32_t count = files::CountFrames(FilePath, DecodeOptions());
  return static_cast<int32_t>(std::min<uint32_t>(count, std::numeric_limits<int32_t>::max()));
}

void CTavlenCtrl::LoadFrame(const std::string& FilePath, int32_t Page) {
  const gfx::DecodeOptions options = DecodeOptions();
  // Pages of a TIFF; version 2 also the frames of animations and the images of a HEIF file.
  const bool framed =
      files::IsTiffPath(FilePath) || (options.extraFormats && files::HasExtraPictureExtension(FilePath));
  if (FilePath.empty() || !framed || !FileExists(FilePath) || Page < 1) return;
  // One decode serves both the page count and the page; a page beyond the count changes nothing.
  auto frame = files::OpenFrame(FilePath, Page, options);
  if (!frame.Ok()) return;
  ImageObject::Ptr decoded = ImageObject::Adopt(std::move(frame).Value());
  OrientDecoded(*decoded);
  const uint32_t width = decoded->Width();
  const uint32_t height = decoded->Height();
  InstallImage(*decoded, width, height);
}

BOOL CTavlenCtrl::ExportFrame(const std::string& SourcePath, const std::string& DestinationPath,
                              const std::string& Type, int32_t Page) {
  return Succeeded(files::ExportFrame(SourcePath, DestinationPath, Type, Page, m_jpgQuality,
                                      IsVersion2() && m_autoOrient, DecodeOptions()));
}

}  // namespace tavlen
