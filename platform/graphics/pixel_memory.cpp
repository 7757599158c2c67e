// Large pixel blocks: mapped directly, faulted in on a second thread, and reused through a small pool.
//
// A freshly mapped page costs a fault on first touch, and on a virtual machine 4 KiB faults cost more
// than the decoding they interrupt: 72 MB are 17,500 of them. Huge pages cut that work, but in some
// runs every huge-page fault takes many times as long, and whole loads of a 6000x4000 JPEG fell into
// two groups a third apart (spread 1.7-2.5). So a second thread faults a fresh block in
// (MADV_POPULATE_WRITE, which leaves the contents alone) from both ends on, ahead of the decoder or
// turn that fills it, asking for huge pages one step at a time and falling back to small pages for the
// rest of the block after the first slow step. Measured on such loads: small pages alone 1.29x djpeg
// (spread 1.2), this 1.15x (spread 1.3, its slow runs no slower than small pages). A block that comes
// back from the pool has no faults left at all.
#include "platform/graphics/pixel_memory.h"

#include <sys/mman.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/graphics/two_halves.h"

namespace tavlen::gfx {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// The prefault thread checks for a stop between steps of this many bytes, one huge page each.
constexpr size_t kPrefaultStep = kHugePage;
// Steps at either end of a block that stay on small pages: a writer is there before the thread.
constexpr size_t kWriterHeadStartSteps = 2;
// A huge-page fault takes well under a millisecond, or in some runs many times that for every page.
constexpr double kSlowHugeFault = 0.003;
// The pool keeps at most this many blocks and bytes: enough for a picture, its turned copy and a reload.
constexpr size_t kPoolBlocks = 2;
constexpr size_t kPoolBytes = size_t{512} << 20;

size_t RoundUp(size_t bytes, size_t to) { return (bytes + to - 1) / to * to; }

// A mapping of `bytes` (a multiple of kHugePage) that starts on a huge-page boundary, so that each
// prefault step can be one huge page.
uint8_t* MapAligned(size_t bytes) {
  const size_t padded = bytes + kHugePage;
  void* raw = ::mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = RoundUp(start, kHugePage);
  if (aligned > start) ::munmap(raw, aligned - start);
  const uintptr_t tail = aligned + bytes;
  const uintptr_t end = start + padded;
  if (end > tail) ::munmap(reinterpret_cast<void*>(tail), end - tail);
  return reinterpret_cast<uint8_t*>(aligned);
}

// Faults the pages of a fresh block in, step by step from both ends, on a thread of its own. It only
// asks the kernel for the pages and never reads or writes the bytes, so the owner may write the block
// meanwhile. Stop() (or destruction) returns once the thread is gone; the block must outlive it.
class Prefault {
 public:
  // Null when no thread can be started: the owner's writes then fault the pages in themselves.
  static std::shared_ptr<Prefault> Start(uint8_t* data, size_t bytes) {
    try {
      auto prefault = std::make_shared<Prefault>();
      prefault->m_thread = std::thread([p = prefault.get(), data, bytes] { p->Run(data, bytes); });
      return prefault;
    } catch (const std::system_error&) {
      return nullptr;
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }

  Prefault() = default;
  Prefault(const Prefault&) = delete;
  Prefault& operator=(const Prefault&) = delete;
  ~Prefault() { Stop(); }

  void Stop() {
    m_stop.store(true, std::memory_order_relaxed);
    if (m_thread.joinable()) m_thread.join();
  }

 private:
  // Steps alternate between the two ends, for writers that start at the first row and for those that
  // start at the last (bottom-up files, the lower part of a split decode).
  void Run(uint8_t* data, size_t bytes) {
    const size_t steps = (bytes + kPrefaultStep - 1) / kPrefaultStep;
    bool huge = true;
    for (size_t i = 0; i < steps && !m_stop.load(std::memory_order_relaxed); ++i) {
      const size_t fromEnd = i / 2;  // steps done at this end so far
      const size_t index = i % 2 == 0 ? fromEnd : steps - 1 - fromEnd;
      const size_t at = index * kPrefaultStep;
      const size_t step = std::min(kPrefaultStep, bytes - at);
      // Writers start at an end at once and must not meet a slow huge-page fault there.
      const bool advise = huge && fromEnd >= kWriterHeadStartSteps && step == kHugePage;
      const double start = ThreadSeconds();
      if (advise) ::madvise(data + at, step, MADV_HUGEPAGE);
      // A kernel without MADV_POPULATE_WRITE refuses it: the writer faults the pages in as before.
      if (::madvise(data + at, step, MADV_POPULATE_WRITE) != 0) return;
      if (advise && ThreadSeconds() - start > kSlowHugeFault) huge = false;
    }
  }

  // Time this thread has run: a preempted step does not count as slow.
  static double ThreadSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }

  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

struct PooledBlock {
  uint8_t* data;
  size_t capacity;
};

class BlockPool {
 public:
  // A pooled block of at least `bytes` and not wastefully larger, or null.
  uint8_t* Take(size_t bytes, size_t& capacity) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_blocks.begin(); it != m_blocks.end(); ++it) {
      if (it->capacity < bytes || it->capacity - bytes > bytes / 4) continue;
      uint8_t* data = it->data;
      capacity = it->capacity;
      m_bytes -= capacity;
      m_blocks.erase(it);
      return data;
    }
    return nullptr;
  }

  // Keeps the block, pushing out the oldest one when full; unmaps what it does not keep.
  void Give(uint8_t* data, size_t capacity) {
    std::vector<PooledBlock> evicted;
    {
      std::lock_guard lock(m_mutex);
      if (capacity > kPoolBytes) {
        evicted.push_back({data, capacity});
      } else {
        m_blocks.push_back({data, capacity});
        m_bytes += capacity;
        while (m_blocks.size() > kPoolBlocks || m_bytes > kPoolBytes) {
          evicted.push_back(m_blocks.front());
          m_bytes -= m_blocks.front().capacity;
          m_blocks.erase(m_blocks.begin());
        }
      }
    }
    for (const PooledBlock& b : evicted) ::munmap(b.data, b.capacity);
  }

  PixelPoolState State() {
    std::lock_guard lock(m_mutex);
    return {m_blocks.size(), m_bytes};
  }

  void Drain() {
    std::vector<PooledBlock> all;
    {
      std::lock_guard lock(m_mutex);
      all.swap(m_blocks);
      m_bytes = 0;
    }
    for (const PooledBlock& b : all) ::munmap(b.data, b.capacity);
  }

 private:
  std::mutex m_mutex;
  std::vector<PooledBlock> m_blocks;
  size_t m_bytes = 0;
};

// Never destroyed: blocks may be freed by static objects after the end of main.
BlockPool& Pool() {
  static auto* pool = new BlockPool;
  return *pool;
}

// Stops the block's prefault thread before anyone else may map or reuse its pages.
struct ReturnToPool {
  size_t capacity;
  std::shared_ptr<Prefault> prefault;
  void operator()(uint8_t* data) const {
    if (prefault) prefault->Stop();
    Pool().Give(data, capacity);
  }
};

struct FreeSmall {
  void operator()(uint8_t* data) const { std::free(data); }
};

}  // namespace

PixelBlock AllocatePixelBlock(size_t bytes, BlockUse use) {
  const bool zero = use == BlockUse::Zeroed;
  if (bytes < kLargePixelBlock) {
    void* p = zero ? std::calloc(bytes == 0 ? 1 : bytes, 1) : std::malloc(bytes == 0 ? 1 : bytes);
    if (p == nullptr) return nullptr;
    // A failing control block allocation hands the memory to the deleter itself.
    try {
      return PixelBlock(static_cast<uint8_t*>(p), FreeSmall{});
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  size_t capacity = 0;
  std::shared_ptr<Prefault> prefault;
  uint8_t* data = Pool().Take(bytes, capacity);
  if (data != nullptr) {
    if (zero) std::memset(data, 0, bytes);
  } else {
    capacity = RoundUp(bytes, kHugePage);
    data = MapAligned(capacity);  // fresh mappings read as zero
    if (data == nullptr) return nullptr;
    if (use != BlockUse::Reserved && SecondThreadAllowed()) prefault = Prefault::Start(data, bytes);
  }
  try {
    // A failure here runs the deleter, which stops the prefault and pools the block.
    return PixelBlock(data, ReturnToPool{capacity, std::move(prefault)});
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

PixelPoolState PixelPoolStatus() { return Pool().State(); }

void DrainPixelPool() { Pool().Drain(); }

}  // namespace tavlen::gfx
