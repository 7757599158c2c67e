// Helpers shared by the imaging-library tests: generated images, pixel comparison, temporary folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/graphics/bitmap.h"

namespace tavlen::gfx::test {

// ../shared/testdata beside the checkout, or empty when it is absent.
std::filesystem::path TestDataDir();

// A fresh empty folder, removed with its contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return m_path; }
  std::string File(const std::string& name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

// A bitmap of the format filled with a deterministic pattern that uses every bit of every pixel
// (indexed formats get a palette of distinct colours).
Bitmap::Ptr MakePatternBitmap(uint32_t width, uint32_t height, PixelFormat format, uint32_t seed = 1);

// The pixel at (x, y) as 0xAARRGGBB through the 32bppARGB lock.
uint32_t PixelAt(Bitmap& bitmap, uint32_t x, uint32_t y);

// Same size, and the same colour at every pixel as seen through a 32bppARGB lock, or a message
// naming the first difference. Wide formats are compared through a 64bppARGB lock.
::testing::AssertionResult SamePixels(Bitmap& a, Bitmap& b);

// The whole file, or nothing when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);

// ImageMagick's decoding of `input` (a path, optionally with a "[frame]" suffix) as 8-bit samples in
// `map` order ("rgb", "rgba"), after `options` (e.g. "-coalesce"); nothing when ImageMagick is
// missing or cannot read it.
std::vector<uint8_t> ImageMagickPixels(const std::string& input, const std::string& map,
                                       const std::string& options = "");
bool HasImageMagick();

// Raw bytes of the locked pixels of the bitmap in its own format (rows without padding).
std::string OwnFormatBytes(Bitmap& bitmap);

}  // namespace tavlen::gfx::test
