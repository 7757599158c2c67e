// The rows an encoder reads: a whole picture in memory, or rows that a decoder hands over top to
// bottom a band at a time, so that a conversion never holds the whole frame.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "platform/base/unique_fd.h"
#include "platform/graphics/codecs/codec.h"

namespace tavlen::gfx {

// A decoder that gives its rows in order, the next ones at each call.
class RowSource {
 public:
  virtual ~RowSource() = default;
  // Decodes the next rows.size() rows into the rows given. Calls come from one thread at a time,
  // which need not be the one that opened the source.
  virtual Status ReadRows(std::span<uint8_t* const> rows) = 0;
};

// A frame opened for streaming: its shape and items, with the source of its rows.
struct StreamedFrame {
  PixelFormat format = PixelFormat::DontCare;
  uint32_t width = 0;
  uint32_t height = 0;
  Palette palette;  // of indexed formats, complete before the rows come
  std::vector<PropertyItem> properties;
  ColorSource color;
  std::unique_ptr<RowSource> rows;
};

// Runs a RowSource on a second thread into a few bands that wait for the reader, so that decoding and
// encoding overlap while only those bands are held.
class RowPipe {
 public:
  RowPipe(RowSource& source, PixelFormat format, uint32_t width, uint32_t height);
  RowPipe(const RowPipe&) = delete;
  RowPipe& operator=(const RowPipe&) = delete;
  ~RowPipe();  // stops the decoder where it is

  // Allocates the bands and starts decoding; without a second thread the reader decodes each band itself.
  Status Start();
  // Row y, for y that never go back to an earlier band; the pointer lasts until a row two bands later
  // is asked for, so that a batch of rows may cross into the next band. Rows after a decoding failure
  // read as zeros.
  const uint8_t* Row(uint32_t y);
  // Stops the decoder where it is: its status (Ok when it has not failed).
  Status Finish();

  const PixelLayout& Layout() const { return m_layout; }

 private:
  void Produce();
  Status DecodeBand(uint32_t band);

  RowSource& m_source;
  PixelLayout m_layout;
  uint32_t m_bandCount = 0;
  std::vector<PixelBuffer> m_slots;
  std::vector<uint8_t> m_zeros;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  uint32_t m_decoded = 0;  // bands complete
  uint32_t m_reading = 0;  // the band before the reader's; those before it may be overwritten
  bool m_stop = false;
  Status m_status = Status::Ok;
  std::thread m_thread;
};

// What an encoder reads rows through.
class PictureRows {
 public:
  explicit PictureRows(const PixelBuffer& whole)
      : m_whole(&whole), m_layout(whole.Layout()), m_palette(&whole.GetPalette()) {}
  PictureRows(RowPipe& pipe, const Palette& palette) : m_pipe(&pipe), m_layout(pipe.Layout()), m_palette(&palette) {}

  PixelFormat Format() const { return m_layout.format; }
  uint32_t Width() const { return m_layout.width; }
  uint32_t Height() const { return m_layout.height; }
  size_t Stride() const { return m_layout.stride; }
  const Palette& GetPalette() const { return *m_palette; }
  // Streamed rows come in order only (see RowPipe::Row).
  const uint8_t* Row(uint32_t y) const { return m_whole != nullptr ? m_whole->Row(y) : m_pipe->Row(y); }
  // The picture when it is all in memory, for passes that read rows out of order; else null.
  const PixelBuffer* Whole() const { return m_whole; }

 private:
  const PixelBuffer* m_whole = nullptr;
  RowPipe* m_pipe = nullptr;
  PixelLayout m_layout;
  const Palette* m_palette;
};

// Encoders that take their rows in order and so can write a streamed frame: the same bytes as their
// ImageEncoderFn gives for the same pixels.
using RowEncoderFn = Status (*)(const PictureRows& image, std::span<const PropertyItem> properties,
                                EncoderParameters parameters, Bytes& out);
Status EncodeBmpRows(const PictureRows&, std::span<const PropertyItem>, EncoderParameters, Bytes& out);
Status EncodeJpegRows(const PictureRows&, std::span<const PropertyItem>, EncoderParameters, Bytes& out);
Status EncodePngRows(const PictureRows&, std::span<const PropertyItem>, EncoderParameters, Bytes& out);
Status EncodeTiffRows(const PictureRows&, std::span<const PropertyItem>, EncoderParameters, Bytes& out);

// Where an encoder that writes as it goes puts the file's bytes, in order.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // A status other than Ok stops the encoder with it.
  virtual Status Write(std::span<const uint8_t> bytes) = 0;
  // Writes at `offset`, over bytes written before (a header that points at what follows it) or past
  // them (a bottom-up file's rows); Write goes on where it was.
  virtual Status WriteAt(uint64_t offset, std::span<const uint8_t> bytes) = 0;
};

// The file in memory, grown to each write's end: a streaming encoder's bytes for a caller that wants
// them whole.
class MemoryFile final : public ByteSink {
 public:
  explicit MemoryFile(Bytes& file) : m_file(file) {}
  Status Write(std::span<const uint8_t> bytes) override;
  Status WriteAt(uint64_t offset, std::span<const uint8_t> bytes) override;

 private:
  Bytes& m_file;
  uint64_t m_end = 0;
};

// What stream(sink) writes, into `out` whole when it succeeds.
template <class Stream>
Status WriteIntoMemory(Bytes& out, Stream stream) {
  Bytes file;
  MemoryFile sink(file);
  if (Status s = stream(sink); s != Status::Ok) return s;
  out = std::move(file);
  return Status::Ok;
}

// A PNG file written to `out` as it is encoded, holding only a few bands of rows: the pixels of
// EncodePngRows's file, with the image data deflated by chunks (on two more threads when a second one is
// allowed). EncodePngRows's failures, or the sink's; bytes already written stay written.
Status StreamPngRows(const PictureRows&, std::span<const PropertyItem>, EncoderParameters, ByteSink& out);

// A BMP file written to `out` a band of rows at a time, each band in its place: EncodeBmpRows's bytes.
Status StreamBmpRows(const PictureRows&, std::span<const PropertyItem>, EncoderParameters, ByteSink& out);

// A GIF file of the whole picture written to `out` as it is encoded: EncodeGif's bytes, a true-colour
// picture reduced to 256 colours a row at a time after a first pass that chooses the palette.
Status StreamGif(const PixelBuffer&, std::span<const PropertyItem>, EncoderParameters, ByteSink& out);

// A TIFF file written to `out` as it is encoded: EncodeTiffRows's bytes, with LZW and Deflate strips
// compressed two units at a time. EncodeTiffRows's failures, or the sink's; bytes already written stay.
Status StreamTiffRows(const PictureRows&, std::span<const PropertyItem>, EncoderParameters, ByteSink& out);

// Decoders that can stream. `out.rows` stays null for files they would rather decode whole; the
// status is not Ok only for files that fail to open at all.
// A baseline colour JPEG (not gray, CMYK, progressive or arithmetic-coded), read by one decompressor.
Status OpenJpegRows(SharedBytes data, const DecodeLimits& limits, StreamedFrame& out);
// A plain 24-bit BMP file as ReadPlainBmp reads it, row by row from `fd`, which the source keeps.
Status OpenPlainBmpRows(base::UniqueFd fd, uint64_t fileSize, const DecodeLimits& limits, StreamedFrame& out);
// A non-interlaced, unanimated PNG file of any colour type and depth, row by row from `fd` (kept) through
// libpng with the load's transforms; a file whose PLTE is short is read once more first for its indices.
Status OpenPngRows(base::UniqueFd fd, uint64_t fileSize, const DecodeLimits& limits, StreamedFrame& out);
// A TIFF file's first page strip by strip (or tile row by tile row) from `fd` (kept), when the load
// copies or converts its samples row by row and does not turn it: not through libtiff's RGBA reader.
Status OpenTiffRows(base::UniqueFd fd, uint64_t fileSize, const DecodeLimits& limits, StreamedFrame& out);

}  // namespace tavlen::gfx
