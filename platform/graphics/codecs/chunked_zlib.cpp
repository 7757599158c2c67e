// ChunkedZlib: ISA-L's deflate on chunks in the manner of a parallel gzip, the Adler-32 joined with zlib's.
#include "platform/graphics/codecs/chunked_zlib.h"

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

namespace tavlen::gfx {
namespace {

// ISA-L's first level: on filtered photographs about as small as libdeflate's fastest level (a few
// per cent larger) at twice its speed; its higher levels gain little here.
constexpr uint32_t kLevel = 1;
constexpr uint32_t kLevelBufferBytes = ISAL_DEF_LVL1_DEFAULT;
constexpr size_t kWindow = size_t{32} << 10;
// The zlib header: deflate with a 32 KiB window, no dictionary, the check bits making it a multiple of 31.
constexpr uint8_t kZlibHeader[2] = {0x78, 0x01};
// Every chunk in flight or waiting to go out takes a slot: one per worker and two for the caller to fill
// and to drain meanwhile.
constexpr unsigned kSpareSlots = 2;

}  // namespace

struct ChunkedZlib::Chunk {
  std::unique_ptr<uint8_t[]> input;
  size_t size = 0;
  std::unique_ptr<uint8_t[]> history;  // the input before it, up to the window
  size_t historySize = 0;
  bool first = false;
  bool last = false;
  Bytes output;
  uint32_t adler = 1;
  Status status = Status::Ok;
  bool done = false;  // guarded by the mutex while workers run
};

class ChunkedZlib::Compressor {
 public:
  bool Allocate() {
    m_levelBuffer.reset(new (std::nothrow) uint8_t[kLevelBufferBytes]);
    return m_levelBuffer != nullptr;
  }

  // Raw deflate of the chunk, ended with a sync flush (an empty stored block, byte aligned) unless it
  // is the last, and the Adler-32 of its input.
  Status Compress(Chunk& chunk) {
    isal_zstream& s = m_stream;
    isal_deflate_init(&s);
    s.level = kLevel;
    s.level_buf = m_levelBuffer.get();
    s.level_buf_size = kLevelBufferBytes;
    s.gzip_flag = IGZIP_DEFLATE;
    s.flush = chunk.last ? NO_FLUSH : SYNC_FLUSH;
    s.end_of_stream = chunk.last ? 1 : 0;
    if (chunk.historySize > 0 &&
        isal_deflate_set_dict(&s, chunk.history.get(), static_cast<uint32_t>(chunk.historySize)) != COMP_OK)
      return Status::GenericError;
    s.next_in = chunk.input.get();
    s.avail_in = static_cast<uint32_t>(chunk.size);
    const size_t header = chunk.first ? sizeof kZlibHeader : 0;
    try {
      // Stored blocks, the worst case, add 5 bytes a 64 KiB; the trailer is added by the caller.
      chunk.output.resize(header + chunk.size + chunk.size / 64 + 64);
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory;
    }
    std::memcpy(chunk.output.data(), kZlibHeader, header);
    size_t written = header;
    for (;;) {
      s.next_out = chunk.output.data() + written;
      s.avail_out = static_cast<uint32_t>(chunk.output.size() - written);
      if (isal_deflate(&s) != COMP_OK) return Status::GenericError;
      written = chunk.output.size() - s.avail_out;
      // ISA-L stops early only when the output is full.
      if (s.avail_out > 0) break;
      try {
        chunk.output.resize(chunk.output.size() * 2);
      } catch (const std::bad_alloc&) {
        return Status::OutOfMemory;
      }
    }
    chunk.output.resize(written);
    chunk.adler = libdeflate_adler32(1, chunk.input.get(), chunk.size);
    return Status::Ok;
  }

 private:
  isal_zstream m_stream{};
  std::unique_ptr<uint8_t[]> m_levelBuffer;
};

ChunkedZlib::ChunkedZlib(size_t chunkBytes, unsigned threads, Emit emit)
    : m_chunkBytes(std::clamp<size_t>(chunkBytes, 1, UINT32_MAX / 2)), m_threads(threads), m_emit(std::move(emit)) {}

ChunkedZlib::~ChunkedZlib() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_changed.notify_all();
  for (std::thread& worker : m_workers) worker.join();
}

Status ChunkedZlib::Start() {
  try {
    m_chunks.resize(m_threads + kSpareSlots);
    m_history.reserve(kWindow);
  } catch (const std::bad_alloc&) {
    return m_status = Status::OutOfMemory;
  }
  for (Chunk& chunk : m_chunks) {
    chunk.input.reset(new (std::nothrow) uint8_t[m_chunkBytes]);
    chunk.history.reset(new (std::nothrow) uint8_t[kWindow]);
    if (!chunk.input || !chunk.history) return m_status = Status::OutOfMemory;
  }
  m_chunks[0].first = true;
  for (unsigned i = 0; i < m_threads; ++i) {
    try {
      m_workers.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // fewer workers, or none: the caller compresses
    } catch (const std::bad_alloc&) {
      break;
    }
  }
  if (m_workers.empty()) {
    m_inline = std::make_unique<Compressor>();
    if (!m_inline->Allocate()) return m_status = Status::OutOfMemory;
  }
  return Status::Ok;
}

void ChunkedZlib::Work() {
  Compressor compressor;
  const bool allocated = compressor.Allocate();
  for (;;) {
    uint64_t index = 0;
    {
      std::unique_lock lock(m_mutex);
      m_changed.wait(lock, [&] { return m_stop || m_taken < m_submitted; });
      if (m_stop) return;
      index = m_taken++;
    }
    Chunk& chunk = m_chunks[index % m_chunks.size()];
    const Status s = allocated ? compressor.Compress(chunk) : Status::OutOfMemory;
    {
      std::lock_guard lock(m_mutex);
      chunk.status = s;
      chunk.done = true;
    }
    m_changed.notify_all();
  }
}

Status ChunkedZlib::Append(std::span<const uint8_t> bytes) {
  while (m_status == Status::Ok && !bytes.empty()) {
    Chunk& chunk = m_chunks[m_submitted % m_chunks.size()];
    const size_t n = std::min(bytes.size(), m_chunkBytes - chunk.size);
    std::memcpy(chunk.input.get() + chunk.size, bytes.data(), n);
    chunk.size += n;
    bytes = bytes.subspan(n);
    if (chunk.size == m_chunkBytes) m_status = Submit(false);
  }
  return m_status;
}

Status ChunkedZlib::Finish() {
  if (m_status == Status::Ok) m_status = Submit(true);
  while (m_status == Status::Ok && m_emitted < m_submitted) m_status = EmitNext();
  return m_status;
}

// Hands the chunk being filled to the compressors, then frees the slot the next one needs.
Status ChunkedZlib::Submit(bool last) {
  Chunk& chunk = m_chunks[m_submitted % m_chunks.size()];
  chunk.last = last;
  chunk.historySize = m_history.size();
  std::memcpy(chunk.history.get(), m_history.data(), m_history.size());
  // The window before the next chunk: the end of this one, after what came before when it is short.
  const size_t fromChunk = std::min(chunk.size, kWindow);
  const size_t kept = std::min(m_history.size(), kWindow - fromChunk);
  m_history.erase(m_history.begin(), m_history.end() - static_cast<ptrdiff_t>(kept));
  m_history.insert(m_history.end(), chunk.input.get() + chunk.size - fromChunk, chunk.input.get() + chunk.size);
  if (m_inline) {
    chunk.status = m_inline->Compress(chunk);
    chunk.done = true;
    ++m_submitted;
  } else {
    {
      std::lock_guard lock(m_mutex);
      ++m_submitted;
    }
    m_changed.notify_all();
  }
  while (!last && m_submitted - m_emitted >= m_chunks.size()) {
    if (Status s = EmitNext(); s != Status::Ok) return s;
  }
  return Status::Ok;
}

// Waits for the oldest chunk not yet emitted, emits it and frees its slot.
Status ChunkedZlib::EmitNext() {
  Chunk& chunk = m_chunks[m_emitted % m_chunks.size()];
  {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return chunk.done; });
  }
  if (chunk.status != Status::Ok) return chunk.status;
  m_adler = static_cast<uint32_t>(adler32_combine(m_adler, chunk.adler, static_cast<z_off_t>(chunk.size)));
  if (chunk.last) {
    const uint8_t trailer[4] = {static_cast<uint8_t>(m_adler >> 24), static_cast<uint8_t>(m_adler >> 16),
                                static_cast<uint8_t>(m_adler >> 8), static_cast<uint8_t>(m_adler)};
    try {
      chunk.output.insert(chunk.output.end(), trailer, trailer + 4);
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory;
    }
  }
  if (Status s = m_emit(chunk.output); s != Status::Ok) return s;
  chunk.size = 0;
  chunk.first = false;
  chunk.done = false;
  ++m_emitted;
  return Status::Ok;
}

}  // namespace tavlen::gfx
