// Memory blocks behind pixel buffers: large ones on huge pages, and a small pool of freed large blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tavlen::gfx {

// A block of pixel memory; several buffers may share one (copy on write), the last owner frees it.
using PixelBlock = std::shared_ptr<uint8_t>;

// At least `bytes` bytes, zeroed when `zero`; null when the memory cannot be had. Blocks of at least
// kLargePixelBlock bytes are mapped on 2 MiB boundaries with huge-page advice, and a freed one is kept
// for the next allocation of about its size, whose pages are then already present.
PixelBlock AllocatePixelBlock(size_t bytes, bool zero);

inline constexpr size_t kLargePixelBlock = size_t{8} << 20;

// Freed large blocks the pool holds now, and their bytes: for tests and benchmarks.
struct PixelPoolState {
  size_t blocks = 0;
  size_t bytes = 0;
};
PixelPoolState PixelPoolStatus();
// Returns every pooled block to the system.
void DrainPixelPool();

}  // namespace tavlen::gfx
