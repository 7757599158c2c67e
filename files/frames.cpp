// Frames of multi-page TIFF and animated GIF files, counted, opened and exported one at a time.
#include "files/frames.h"

#include <array>

#include "files/convert_file.h"
#include "files/file_formats.h"
#include "files/save_image.h"
#include "metadata/orientation.h"

namespace tavlen::files {
namespace {

// The file's first frame dimension with the number of frames along it; count 0 when unknown.
struct FrameAxis {
  gfx::Guid dimension;
  uint32_t count = 0;
};

FrameAxis FirstAxis(const gfx::Bitmap& bitmap) {
  FrameAxis axis;
  if (bitmap.FrameDimensionsCount() == 0) return axis;
  std::array<gfx::Guid, 1> dimensions;
  if (bitmap.GetFrameDimensionsList(dimensions) != gfx::Status::Ok) return axis;
  uint32_t count = 0;
  if (bitmap.GetFrameCount(dimensions[0], count) != gfx::Status::Ok) return axis;
  axis.dimension = dimensions[0];
  axis.count = count;
  return axis;
}

}  // namespace

uint32_t CountFrames(const std::string& path, const gfx::DecodeOptions& options) {
  if (path.empty()) return 0;
  auto opened = gfx::Bitmap::FromFile(path, gfx::ProcessLimits(), options);
  return opened.Ok() ? FirstAxis(*opened.Value()).count : 0;
}

gfx::Result<gfx::Bitmap::Ptr> OpenFrame(const std::string& path, int32_t page, const gfx::DecodeOptions& options) {
  auto opened = gfx::Bitmap::FromFile(path, gfx::ProcessLimits(), options);
  if (!opened.Ok()) return opened.GetStatus();
  gfx::Bitmap::Ptr bitmap = std::move(opened).Value();
  const FrameAxis axis = FirstAxis(*bitmap);
  if (page < 1 || static_cast<uint32_t>(page) > axis.count) return gfx::Status::InvalidParameter;
  // The pages of a TIFF, and the frames in time of a GIF, which has no pages.
  if (gfx::Status s = bitmap->SelectActiveFrame(axis.dimension, static_cast<uint32_t>(page - 1)); s != gfx::Status::Ok)
    return s;
  return bitmap;
}

gfx::Status ExportFrame(const std::string& source, const std::string& destinationBase, std::string_view type,
                        int32_t page, int32_t jpegQuality, bool upright, const gfx::DecodeOptions& options) {
  const auto format = FormatOfExportType(type);
  if (!format) return gfx::Status::InvalidParameter;
  const EncodeOptions encode{.jpegQuality = jpegQuality, .tiffCompression = std::nullopt};
  // The first frame is what a conversion writes; it may pass from the decoder to the encoder in bands.
  if (page == 1) {
    if (auto streamed = OpenStreamed(source, *format, upright, options))
      return SaveStreamed(*streamed, destinationBase, *format, encode);
  }
  auto frame = OpenFrame(source, page, options);
  if (!frame.Ok()) return frame.GetStatus();
  if (upright) {
    if (gfx::Status s = metadata::TurnUpright(*frame.Value()); s != gfx::Status::Ok) return s;
  }
  return SaveImage(*frame.Value(), destinationBase, *format, encode);
}

}  // namespace tavlen::files
