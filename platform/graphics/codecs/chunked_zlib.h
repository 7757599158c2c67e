// One zlib stream compressed a chunk at a time on up to two more threads while its input is still being
// made, holding only a few chunks: each chunk is deflated on its own, primed with the 32 KiB of input
// before it and ended on a byte boundary, so that the pieces join into one stream.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/graphics/codecs/codec.h"

namespace tavlen::gfx {

class ChunkedZlib {
 public:
  // Takes each piece of the stream, in order; a status other than Ok stops the stream with it.
  using Emit = std::function<Status(std::span<const uint8_t> piece)>;

  // Chunks of `chunkBytes` of input (at least 1), compressed by `threads` workers, or by the caller
  // as each chunk fills when `threads` is 0 or no thread can be had. The stream's bytes depend only on
  // the input and `chunkBytes`, never on the threads.
  ChunkedZlib(size_t chunkBytes, unsigned threads, Emit emit);
  ChunkedZlib(const ChunkedZlib&) = delete;
  ChunkedZlib& operator=(const ChunkedZlib&) = delete;
  ~ChunkedZlib();  // stops the workers; a stream not finished is dropped

  // Allocates the chunks and starts the workers: OutOfMemory when the chunks cannot be had.
  Status Start();
  // Adds input; pieces of earlier chunks may be emitted meanwhile. The first failure (OutOfMemory,
  // GenericError from the compressor, or the emitter's) comes back here and from every later call.
  Status Append(std::span<const uint8_t> bytes);
  // Compresses what is left, emits every piece and the Adler-32 trailer.
  Status Finish();

 private:
  struct Chunk;
  class Compressor;

  Status Submit(bool last);
  Status EmitNext();
  void Work();

  const size_t m_chunkBytes;
  const unsigned m_threads;
  const Emit m_emit;
  std::vector<Chunk> m_chunks;
  std::unique_ptr<Compressor> m_inline;  // the caller's compressor when there are no workers
  std::vector<uint8_t> m_history;        // the last input bytes, up to the deflate window
  uint64_t m_submitted = 0;              // chunks handed to the compressors
  uint64_t m_emitted = 0;                // chunks whose pieces went out
  uint32_t m_adler = 1;                  // of the input of the chunks emitted
  Status m_status = Status::Ok;          // the first failure
  // Shared with the workers.
  std::mutex m_mutex;
  std::condition_variable m_changed;
  uint64_t m_taken = 0;  // chunks a worker has begun
  bool m_stop = false;
  std::vector<std::thread> m_workers;
};

}  // namespace tavlen::gfx
