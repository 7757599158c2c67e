#include "platform/graphics/encode_to_file.h"

#include "platform/graphics/codec_registry.h"
#include "platform/graphics/status_file_io.h"

namespace tavlen::gfx {

Status FileSink::Open(const std::string& path) { return FromWriteErrno(m_file.Open(path)); }
Status FileSink::Write(std::span<const uint8_t> bytes) { return FromWriteErrno(m_file.Write(bytes)); }
Status FileSink::WriteAt(uint64_t offset, std::span<const uint8_t> bytes) {
  return FromWriteErrno(m_file.WriteAt(offset, bytes));
}
Status FileSink::Commit() { return FromWriteErrno(m_file.Commit()); }

RowEncoderFn FindRowEncoder(const Guid& encoderClsid) {
  if (encoderClsid == kBmpEncoderClsid) return EncodeBmpRows;
  if (encoderClsid == kJpegEncoderClsid) return EncodeJpegRows;
  if (encoderClsid == kPngEncoderClsid) return EncodePngRows;
  if (encoderClsid == kTiffEncoderClsid) return EncodeTiffRows;
  return nullptr;
}

Status EncodeRows(const PictureRows& rows, const Guid& encoderClsid, std::span<const PropertyItem> properties,
                  EncoderParameters parameters, ByteSink& out) {
  if (encoderClsid == kBmpEncoderClsid) return StreamBmpRows(rows, properties, parameters, out);
  if (encoderClsid == kPngEncoderClsid) return StreamPngRows(rows, properties, parameters, out);
  if (encoderClsid == kTiffEncoderClsid) return StreamTiffRows(rows, properties, parameters, out);
  const RowEncoderFn encode = FindRowEncoder(encoderClsid);
  if (encode == nullptr) return Status::FileNotFound;
  Bytes bytes;
  if (Status s = encode(rows, properties, parameters, bytes); s != Status::Ok) return s;
  return out.Write(bytes);
}

Status EncodePicture(const PixelBuffer& pixels, const Guid& encoderClsid, std::span<const PropertyItem> properties,
                     EncoderParameters parameters, ByteSink& out) {
  if (FindRowEncoder(encoderClsid) != nullptr)
    return EncodeRows(PictureRows(pixels), encoderClsid, properties, parameters, out);
  if (encoderClsid == kGifEncoderClsid) return StreamGif(pixels, properties, parameters, out);
  const ImageEncoderFn encode = FindEncoder(encoderClsid);
  if (encode == nullptr) return Status::FileNotFound;
  Bytes bytes;
  if (Status s = encode(pixels, properties, parameters, bytes); s != Status::Ok) return s;
  return out.Write(bytes);
}

}  // namespace tavlen::gfx
