// Large pixel blocks: fresh ones are faulted in on a second thread while their owner writes them, and a
// block may be freed at any point of that.
#include "platform/graphics/pixel_memory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace tavlen::gfx {
namespace {

constexpr size_t kBlock = size_t{48} << 20;

size_t PageSize() { return static_cast<size_t>(::sysconf(_SC_PAGESIZE)); }

// How many pages of [data, data + bytes) are resident; data is page-aligned.
size_t ResidentPages(const uint8_t* data, size_t bytes) {
  std::vector<unsigned char> state((bytes + PageSize() - 1) / PageSize());
  if (::mincore(const_cast<uint8_t*>(data), bytes, state.data()) != 0) return 0;
  size_t resident = 0;
  for (unsigned char s : state) resident += s & 1;
  return resident;
}

// Whether this kernel can fault pages in on request; without it blocks are faulted in by their writers.
bool KernelPopulatesOnRequest() {
  const size_t page = PageSize();
  void* probe = ::mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (probe == MAP_FAILED) return false;
  const bool ok = ::madvise(probe, page, MADV_POPULATE_WRITE) == 0;
  ::munmap(probe, page);
  return ok;
}

TEST(FreshPixelBlock, WritingWhileItIsFaultedInKeepsEveryByte) {
  DrainPixelPool();
  PixelBlock block = AllocatePixelBlock(kBlock, BlockUse::Written);
  ASSERT_TRUE(block);
  uint8_t* data = block.get();
  // Row by row from the start, as a decoder writes, racing the prefault thread.
  constexpr size_t kRow = 24000;
  for (size_t at = 0; at < kBlock; at += kRow)
    std::memset(data + at, static_cast<int>(at / kRow % 251 + 1), std::min(kRow, kBlock - at));
  for (size_t at = 0; at < kBlock; at += PageSize() / 2) {
    ASSERT_EQ(data[at], static_cast<uint8_t>(at / kRow % 251 + 1)) << "byte " << at;
  }
  EXPECT_EQ(data[kBlock - 1], static_cast<uint8_t>((kBlock - 1) / kRow % 251 + 1));
  block.reset();
  EXPECT_EQ(PixelPoolStatus().blocks, 1u);
  DrainPixelPool();
}

TEST(FreshPixelBlock, ZeroedBlockReadsZeroOnEveryPage) {
  DrainPixelPool();
  PixelBlock block = AllocatePixelBlock(kBlock, BlockUse::Zeroed);
  ASSERT_TRUE(block);
  for (size_t at = 0; at < kBlock; at += PageSize()) ASSERT_EQ(block.get()[at], 0) << "byte " << at;
  EXPECT_EQ(block.get()[kBlock - 1], 0);
  block.reset();
  DrainPixelPool();
}

TEST(FreshPixelBlock, FreeingWhileFaultingInIsSafe) {
  DrainPixelPool();
  // Blocks of different sizes so that none comes from the pool: each one starts its own thread, which
  // the free must stop before the block is pooled or unmapped.
  for (size_t i = 0; i < 12; ++i) {
    PixelBlock block = AllocatePixelBlock(kBlock + i * (size_t{24} << 20), BlockUse::Written);
    ASSERT_TRUE(block);
    if (i % 3 == 1) block.get()[0] = 1;
    if (i % 3 == 2) std::this_thread::yield();
    block.reset();
    DrainPixelPool();
  }
  // A block freed by another thread than the one that made it.
  PixelBlock block = AllocatePixelBlock(kBlock, BlockUse::Written);
  ASSERT_TRUE(block);
  std::thread([moved = std::move(block)]() mutable { moved.reset(); }).join();
  EXPECT_EQ(PixelPoolStatus().blocks, 1u);
  DrainPixelPool();
}

TEST(FreshPixelBlock, WrittenBlocksAreFaultedInAheadAndReservedOnesAreNot) {
  if (!KernelPopulatesOnRequest()) GTEST_SKIP() << "the kernel does not fault pages in on request";
  DrainPixelPool();
  PixelBlock reserved = AllocatePixelBlock(kBlock, BlockUse::Reserved);
  PixelBlock written = AllocatePixelBlock(kBlock, BlockUse::Written);
  ASSERT_TRUE(reserved && written);
  const size_t pages = kBlock / PageSize();
  // Nothing here touches the written block: its pages can only come from the prefault thread.
  for (int wait = 0; wait < 600 && ResidentPages(written.get(), kBlock) < pages; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(ResidentPages(written.get(), kBlock), pages);
  EXPECT_EQ(ResidentPages(reserved.get(), kBlock), 0u);
  // The reserved block is ordinary memory all the same.
  std::memset(reserved.get(), 0x77, kBlock);
  EXPECT_EQ(reserved.get()[kBlock - 1], 0x77);
  reserved.reset();
  written.reset();
  DrainPixelPool();
}

}  // namespace
}  // namespace tavlen::gfx
