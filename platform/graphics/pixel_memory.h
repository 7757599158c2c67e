// Memory blocks behind pixel buffers: large ones mapped directly and faulted in ahead of their writer,
// and a small pool of freed large blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tavlen::gfx {

// A block of pixel memory; several buffers may share one (copy on write), the last owner frees it.
using PixelBlock = std::shared_ptr<uint8_t>;

// What the first owner of a block does with it.
enum class BlockUse {
  Zeroed,   // reads it as zero, then writes into it
  Written,  // writes every byte before reading any
  Reserved  // holds it for a write that may never come
};

// At least `bytes` bytes, zero for BlockUse::Zeroed; null when the memory cannot be had. A freshly
// mapped large block (kLargePixelBlock bytes or more) that is to be written has its pages faulted in
// on a second thread, from both ends on, until it is complete or freed. A freed large block is kept
// for the next allocation of about its size, whose pages are then already present.
PixelBlock AllocatePixelBlock(size_t bytes, BlockUse use);

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
