// A file converted without holding its picture: rows pass from the decoder to the encoder a band at a
// time, each on its own core, and the written file is byte for byte what loading and saving gives, but
// for PNG, whose image data is deflated by chunks as the rows come: the same pixels.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/decode_options.h"
#include "platform/graphics/encoder_parameters.h"
#include "platform/graphics/image_guids.h"
#include "platform/graphics/limits.h"
#include "platform/graphics/property_item.h"
#include "platform/graphics/status.h"

namespace tavlen::gfx {

struct StreamedFrame;

class StreamedPicture {
 public:
  // The picture in `path` opened for streaming, or null when it must be loaded whole: a format or
  // kind of file that does not stream (streaming ones: plain 24-bit BMP, baseline colour JPEG,
  // non-interlaced PNG, TIFF pages the load reads row by row),
  // pixels that colour management would change, or a file that cannot be read (loading then says why).
  static std::unique_ptr<StreamedPicture> Open(const std::string& path, const DecodeLimits& limits,
                                               const DecodeOptions& options);
  // A frame whose rows come from another source than a file's decoder, such as a test's that fails
  // where it is told to; null when the frame has no rows.
  static std::unique_ptr<StreamedPicture> FromFrame(std::unique_ptr<StreamedFrame> frame);
  // Whether the encoder takes streamed rows (BMP, JPEG, PNG, TIFF).
  static bool CanSave(const Guid& encoderClsid);

  ~StreamedPicture();
  StreamedPicture(const StreamedPicture&) = delete;
  StreamedPicture& operator=(const StreamedPicture&) = delete;

  // Whether this picture's rows stream to the encoder: any that CanSave, but PNG for indexed pixels,
  // whose palette is cut to the indices the whole picture uses.
  bool Streams(const Guid& encoderClsid) const;

  // The items a loaded picture would have.
  const std::vector<PropertyItem>& PropertyItems() const;

  // Decodes and encodes at once, writing `path` as Bitmap::Save does; once only. The decoder's status
  // when the rows cannot be read, else the encoder's or the file system's. On failure nothing is
  // written and a file already at `path` keeps its bytes.
  Status Save(const std::string& path, const Guid& encoderClsid, EncoderParameters parameters);

 private:
  explicit StreamedPicture(std::unique_ptr<StreamedFrame> frame);
  std::unique_ptr<StreamedFrame> m_frame;
};

}  // namespace tavlen::gfx
