// Encoders writing straight into the destination's temporary file, so that a save or a conversion
// holds no more of the file than the encoder does.
#pragma once

#include <span>
#include <string>

#include "platform/base/file_io.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/encoder_parameters.h"
#include "platform/graphics/image_guids.h"
#include "platform/graphics/property_item.h"

namespace tavlen::gfx {

// The destination's temporary, filled as the encoder goes and put in place by Commit; dropped before
// that, it leaves whatever was at the path byte for byte.
class FileSink final : public ByteSink {
 public:
  Status Open(const std::string& path);
  Status Write(std::span<const uint8_t> bytes) override;
  Status WriteAt(uint64_t offset, std::span<const uint8_t> bytes) override;
  Status Commit();

 private:
  base::AtomicFileWriter m_file;
};

// The encoder that takes rows in order, or null: BMP, JPEG, PNG and TIFF.
RowEncoderFn FindRowEncoder(const Guid& encoderClsid);

// Rows encoded into `out` by the encoder FindRowEncoder gives: BMP, PNG and TIFF as they come, JPEG
// (a small file) through its file in memory.
Status EncodeRows(const PictureRows& rows, const Guid& encoderClsid, std::span<const PropertyItem> properties,
                  EncoderParameters parameters, ByteSink& out);

// A whole picture encoded into `out`: as EncodeRows for its encoders, GIF as it is written, the others
// (WebP) through their file in memory. FileNotFound for an unknown encoder.
Status EncodePicture(const PixelBuffer& pixels, const Guid& encoderClsid, std::span<const PropertyItem> properties,
                     EncoderParameters parameters, ByteSink& out);

}  // namespace tavlen::gfx
