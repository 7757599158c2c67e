// Streamed PNG image data: one thread reads and inflates the IDAT chunks with ISA-L (as fast as a
// whole-buffer inflate, and it can stop anywhere), the other unfilters the rows it has finished.
#include "platform/graphics/codecs/png_stream_rows.h"

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/graphics/codecs/file_cursor.h"
#include "platform/graphics/two_halves.h"

namespace tavlen::gfx {
namespace {

// Inflated bytes between two reports to the row thread.
constexpr uint32_t kInflateStep = uint32_t{512} << 10;
// Marks a failed inflate in the count of inflated bytes.
constexpr size_t kFailed = SIZE_MAX;
// Inflated bytes a streamed row reader holds: a few rows of any picture, a fraction of a large one.
constexpr size_t kWindowBytes = size_t{1} << 20;

}  // namespace

// The IDAT chunks from the first one on, their CRCs checked and their zlib stream inflated into the
// window given, up to the first other chunk. A window that fills keeps the rest of the compressed
// piece for the next call, after the reader has given it another window.
class IdatInflater {
 public:
  enum class Step { More, Done, Failed };

  // `expected`: the bytes the stream must inflate to.
  IdatInflater(int fd, uint64_t fileSize, uint64_t idatChunk, size_t expected)
      : m_file(fd, fileSize, idatChunk), m_expected(expected) {}

  bool Init() {
    m_state.reset(new (std::nothrow) inflate_state);
    if (!m_state || !m_file.Init()) return false;
    isal_inflate_init(m_state.get());
    m_state->crc_flag = ISAL_ZLIB;
    return true;
  }

  // Where the next inflated bytes go; Produced() counts from its start.
  void SetWindow(std::span<uint8_t> out) {
    m_out = out;
    m_produced = 0;
  }

  // At most one piece of compressed data read and inflated (or what is left of the last one).
  Step Next() {
    if (m_state->avail_in > 0) return Inflate() ? Step::More : Step::Failed;
    if (m_payloadLeft == 0) return NextChunk();
    const auto piece = m_file.Take(m_payloadLeft);
    if (piece.empty()) return Step::Failed;
    m_payloadLeft -= static_cast<uint32_t>(piece.size());
    m_crc = libdeflate_crc32(m_crc, piece.data(), piece.size());
    m_state->next_in = const_cast<uint8_t*>(piece.data());
    m_state->avail_in = static_cast<uint32_t>(piece.size());
    return Inflate() ? Step::More : Step::Failed;
  }

  size_t Produced() const { return m_produced; }
  // Where the chunks after the image data begin, once done.
  uint64_t TailChunk() const { return m_tailChunk; }

 private:
  // The CRC of the chunk just read, then the next chunk's header.
  Step NextChunk() {
    std::array<uint8_t, 8> bytes{};
    if (m_started && (!m_file.Read(std::span(bytes.data(), 4)) || PngUint32(bytes.data()) != m_crc))
      return Step::Failed;
    m_started = true;
    m_tailChunk = m_file.Position();
    const bool header = m_file.Read(bytes);
    const uint32_t length = PngUint32(bytes.data());
    if (header && std::memcmp(bytes.data() + 4, "IDAT", 4) == 0 && length <= 0x7FFFFFFFu) {
      m_crc = libdeflate_crc32(0, bytes.data() + 4, 4);
      m_payloadLeft = length;
      return Step::More;
    }
    // The image data ends at any other chunk, or where the file does; what follows is not pixels.
    return m_state->block_state == ISAL_BLOCK_FINISH && m_total == m_expected ? Step::Done : Step::Failed;
  }

  bool Inflate() {
    inflate_state& s = *m_state;
    while (s.avail_in > 0) {
      // Bytes after the end of the stream are data the image has no room for.
      if (s.block_state == ISAL_BLOCK_FINISH) return false;
      const auto room =
          static_cast<uint32_t>(std::min<size_t>({kInflateStep, m_out.size() - m_produced, m_expected - m_total}));
      s.next_out = m_out.data() + m_produced;
      s.avail_out = room;
      const uint32_t before = s.avail_in;
      if (isal_inflate(&s) != ISAL_DECOMP_OK) return false;
      const size_t made = room - s.avail_out;
      m_produced += made;
      m_total += made;
      // Stuck: a full window waits for the reader; past the image's bytes, the data is too long.
      if (s.avail_in == before && made == 0 && s.block_state != ISAL_BLOCK_FINISH)
        return room == 0 && m_total < m_expected;
    }
    return true;
  }

  FileCursor m_file;
  size_t m_expected;
  std::span<uint8_t> m_out;
  std::unique_ptr<inflate_state> m_state;
  size_t m_produced = 0;
  size_t m_total = 0;
  uint32_t m_payloadLeft = 0;
  uint32_t m_crc = 0;
  bool m_started = false;
  uint64_t m_tailChunk = 0;
};

namespace {

// Unfilters rows into the pixel buffer as their inflated bytes, which lie further on in the same
// buffer, become ready; a row's output never reaches the inflated bytes of a later row. ISA-L keeps
// the last 32 KiB of output of each call in its own state, so its later matches never read the bytes
// that rows have been written over.
class RowWriter {
 public:
  RowWriter(PixelBuffer& pixels, const PngRowShape& shape, size_t inputOffset)
      : m_pixels(pixels),
        m_shape(shape),
        m_rowBytes(size_t{shape.width} * shape.channels),
        m_input(pixels.Data() + inputOffset) {}

  bool Init() {
    try {
      m_rows.assign(2 * m_rowBytes, 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  // Writes the rows whose bytes are within the first `ready`; false on a bad filter type.
  bool WriteReady(size_t ready) {
    for (; m_next < m_shape.height && (m_next + size_t{1}) * (m_rowBytes + 1) <= ready; ++m_next) {
      uint8_t* prev = m_rows.data() + (m_next % 2) * m_rowBytes;
      uint8_t* cur = m_rows.data() + (1 - m_next % 2) * m_rowBytes;
      if (m_next == 0) std::fill_n(prev, m_rowBytes, 0);
      const uint8_t* in = m_input + m_next * (m_rowBytes + 1);
      if (!UnfilterPngRow(in[0], in + 1, prev, cur, m_rowBytes, m_shape.channels)) return false;
      StorePngRow(cur, m_pixels.Row(m_next), m_shape.width, m_shape.channels);
    }
    return true;
  }

  bool Finished() const { return m_next == m_shape.height; }

 private:
  PixelBuffer& m_pixels;
  PngRowShape m_shape;
  size_t m_rowBytes;
  const uint8_t* m_input;
  std::vector<uint8_t> m_rows;
  uint32_t m_next = 0;
};

bool RunOnOneThread(IdatInflater& inflater, RowWriter& writer) {
  while (true) {
    const IdatInflater::Step step = inflater.Next();
    if (step == IdatInflater::Step::Failed || !writer.WriteReady(inflater.Produced())) return false;
    if (step == IdatInflater::Step::Done) return writer.Finished();
  }
}

// The inflater on a second thread reports its progress through `ready`; the rows are written here.
bool RunOnTwoThreads(IdatInflater& inflater, RowWriter& writer, bool& started) {
  std::atomic<size_t> ready{0};
  std::atomic<bool> stop{false};
  bool inflated = false;
  std::thread worker;
  try {
    worker = std::thread([&] {
      IdatInflater::Step step = IdatInflater::Step::More;
      while (step == IdatInflater::Step::More && !stop.load(std::memory_order_relaxed)) {
        step = inflater.Next();
        ready.store(step == IdatInflater::Step::Failed ? kFailed : inflater.Produced(), std::memory_order_release);
        ready.notify_one();
      }
      inflated = step == IdatInflater::Step::Done;
    });
  } catch (const std::system_error&) {
    started = false;
    return false;
  }
  started = true;
  bool written = true;
  size_t seen = 0;
  while (!writer.Finished()) {
    ready.wait(seen, std::memory_order_acquire);
    seen = ready.load(std::memory_order_acquire);
    if (seen == kFailed || !writer.WriteReady(seen)) {
      written = false;
      break;
    }
  }
  // A finished writer lets the inflater go on to check the last checksums.
  if (!written) stop.store(true, std::memory_order_relaxed);
  worker.join();
  return written && inflated;
}

}  // namespace

bool DecodeStreamedPngRows(int fd, uint64_t fileSize, uint64_t idatChunk, const PngRowShape& shape,
                           const DecodeLimits& limits, PixelBuffer& out, uint64_t& tailChunk) {
  if (shape.channels != 1 && shape.channels != 3 && shape.channels != 4) return false;
  const size_t filtered = FilteredPngBytes(shape);
  // The inflater counts its output in 32 bits.
  if (filtered > UINT32_MAX) return false;
  PixelBuffer pixels;
  size_t inputOffset = 0;
  if (!AllocateForInPlaceRows(shape, limits, pixels, inputOffset)) return false;

  IdatInflater inflater(fd, fileSize, idatChunk, filtered);
  inflater.SetWindow(std::span(pixels.Data() + inputOffset, filtered));
  RowWriter writer(pixels, shape, inputOffset);
  if (!inflater.Init() || !writer.Init()) return false;
  bool started = false;
  bool decoded = filtered >= kWorthASecondThread && SecondThreadAllowed() && RunOnTwoThreads(inflater, writer, started);
  if (!started) decoded = RunOnOneThread(inflater, writer);
  if (!decoded) return false;
  out = std::move(pixels);
  tailChunk = inflater.TailChunk();
  return true;
}

PlainPngRowStream::PlainPngRowStream(int fd, uint64_t fileSize, uint64_t idatChunk, const PngRowShape& shape)
    : m_shape(shape),
      m_rowBytes(size_t{shape.width} * shape.channels),
      m_inflater(std::make_unique<IdatInflater>(fd, fileSize, idatChunk, FilteredPngBytes(shape))) {}

PlainPngRowStream::~PlainPngRowStream() = default;

bool PlainPngRowStream::Init() {
  if (m_shape.channels != 1 && m_shape.channels != 3 && m_shape.channels != 4) return false;
  if (!m_inflater->Init()) return false;
  try {
    m_window.resize(std::max(kWindowBytes, 4 * (m_rowBytes + 1)));
    m_rows.assign(2 * m_rowBytes, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool PlainPngRowStream::Next(uint8_t* out) {
  const size_t filtered = m_rowBytes + 1;
  while (m_have - m_used < filtered) {
    if (m_used > 0) {
      std::memmove(m_window.data(), m_window.data() + m_used, m_have - m_used);
      m_have -= m_used;
      m_used = 0;
    }
    m_inflater->SetWindow(std::span(m_window.data() + m_have, m_window.size() - m_have));
    const IdatInflater::Step step = m_inflater->Next();
    m_have += m_inflater->Produced();
    if (step == IdatInflater::Step::Failed) return false;
    if (step == IdatInflater::Step::Done && m_have - m_used < filtered) return false;
  }
  uint8_t* prev = m_rows.data() + (m_next % 2) * m_rowBytes;
  uint8_t* cur = m_rows.data() + (1 - m_next % 2) * m_rowBytes;
  const uint8_t* in = m_window.data() + m_used;
  if (!UnfilterPngRow(in[0], in + 1, prev, cur, m_rowBytes, m_shape.channels)) return false;
  StorePngRow(cur, out, m_shape.width, m_shape.channels);
  m_used += filtered;
  if (++m_next < m_shape.height) return true;
  // After the last row the stream must end, its checksums hold, and another chunk or the file's end follow.
  while (true) {
    m_inflater->SetWindow({});
    const IdatInflater::Step step = m_inflater->Next();
    if (step != IdatInflater::Step::More) return step == IdatInflater::Step::Done;
  }
}

}  // namespace tavlen::gfx
