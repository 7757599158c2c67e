// StreamedPicture: the streaming decoders, the encoders that take rows in order, and a pipe between.
#include "platform/graphics/streamed_picture.h"

#include <array>
#include <string_view>

#include "platform/base/file_io.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/color_management.h"
#include "platform/graphics/encode_to_file.h"
#include "platform/graphics/status_file_io.h"

namespace tavlen::gfx {
namespace {

// The frame's rows as a decoder that streams gives them; a frame without rows when none does.
Status OpenFrame(const std::string& path, const DecodeLimits& limits, StreamedFrame& frame) {
  base::UniqueFd fd;
  uint64_t size = 0;
  if (Status s = OpenFileForReading(path, limits, fd, size); s != Status::Ok) return s;
  std::array<uint8_t, 8> magic{};
  size_t got = 0;
  if (Status s = ReadFileAt(fd.Get(), 0, magic, got); s != Status::Ok || got < 2) return s;
  const std::string_view head(reinterpret_cast<const char*>(magic.data()), got);
  if (head.starts_with("BM")) return OpenPlainBmpRows(std::move(fd), size, limits, frame);
  if (head.starts_with("\x89PNG\r\n\x1a\n")) return OpenPngRows(std::move(fd), size, limits, frame);
  if (head.starts_with(std::string_view("II*\0", 4)) || head.starts_with(std::string_view("MM\0*", 4)) ||
      head.starts_with(std::string_view("II+\0", 4)) || head.starts_with(std::string_view("MM\0+", 4)))
    return OpenTiffRows(std::move(fd), size, limits, frame);
  if (!head.starts_with("\xFF\xD8")) return Status::Ok;
  fd.Reset();
  auto bytes = std::make_shared<Bytes>();
  if (Status s = ReadWholeFile(path, *bytes, limits); s != Status::Ok) return s;
  return OpenJpegRows(std::move(bytes), limits, frame);
}

// Decodes every row and drops it: a damaged source then says so first, as it does when loading.
void DrainRows(RowPipe& pipe, uint32_t height) {
  for (uint32_t y = 0; y < height; ++y) (void)pipe.Row(y);
}

}  // namespace

StreamedPicture::StreamedPicture(std::unique_ptr<StreamedFrame> frame) : m_frame(std::move(frame)) {}
StreamedPicture::~StreamedPicture() = default;

std::unique_ptr<StreamedPicture> StreamedPicture::Open(const std::string& path, const DecodeLimits& limits,
                                                       const DecodeOptions& options) {
  auto frame = std::make_unique<StreamedFrame>();
  if (OpenFrame(path, limits, *frame) != Status::Ok || !frame->rows) return nullptr;
  // Colour management would convert the pixels; otherwise it only settles which profile the items keep.
  const ColorSource& color = frame->color;
  if (options.colorManaged &&
      (!color.iccProfile.empty() || color.srgbChunk || color.hasChromaticities || color.gamma > 0))
    return nullptr;
  DecodedFrame items;
  items.properties = std::move(frame->properties);
  items.color = std::move(frame->color);
  ApplyColorOptions(items, options);
  frame->properties = std::move(items.properties);
  return std::unique_ptr<StreamedPicture>(new StreamedPicture(std::move(frame)));
}

std::unique_ptr<StreamedPicture> StreamedPicture::FromFrame(std::unique_ptr<StreamedFrame> frame) {
  if (!frame || !frame->rows) return nullptr;
  return std::unique_ptr<StreamedPicture>(new StreamedPicture(std::move(frame)));
}

bool StreamedPicture::CanSave(const Guid& encoderClsid) { return FindRowEncoder(encoderClsid) != nullptr; }

bool StreamedPicture::Streams(const Guid& encoderClsid) const {
  return CanSave(encoderClsid) && !(encoderClsid == kPngEncoderClsid && IsIndexed(m_frame->format));
}

const std::vector<PropertyItem>& StreamedPicture::PropertyItems() const { return m_frame->properties; }

Status StreamedPicture::Save(const std::string& path, const Guid& encoderClsid, EncoderParameters parameters) {
  if (!base::IsUsablePath(path)) return Status::InvalidParameter;
  if (!CanSave(encoderClsid)) return Status::FileNotFound;
  if (!Streams(encoderClsid)) return Status::InvalidParameter;
  if (!m_frame->rows) return Status::WrongState;
  const std::unique_ptr<RowSource> source = std::move(m_frame->rows);
  RowPipe pipe(*source, m_frame->format, m_frame->width, m_frame->height);
  if (Status s = pipe.Start(); s != Status::Ok) return s;
  FileSink file;
  const Status opened = file.Open(path);
  if (opened != Status::Ok) DrainRows(pipe, m_frame->height);
  const Status encoded = opened != Status::Ok ? opened
                                              : EncodeRows(PictureRows(pipe, m_frame->palette), encoderClsid,
                                                           m_frame->properties, parameters, file);
  // A decoder that failed has given the encoder zeros: its status wins, as it does when loading. The
  // temporary goes with `file`, leaving the destination as it was.
  if (Status decoded = pipe.Finish(); decoded != Status::Ok) return decoded;
  if (encoded != Status::Ok) return encoded;
  return file.Commit();
}

}  // namespace tavlen::gfx
