// Helpers shared by the imaging-library tests: generated images, pixel comparison, temporary folders.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
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

// A picture as ImageMagick decodes it, the independent reader the codec tests compare with: every frame
// as 16-bit R, G, B, A samples (gray and bilevel sources expanded, no alpha read as opaque).
struct MagickPicture {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<std::array<uint16_t, 4>> rgba;  // frame after frame, row after row

  size_t Frames() const { return width && height ? rgba.size() / (size_t{width} * height) : 0; }
  const std::array<uint16_t, 4>& Rgba16(size_t frame, uint32_t x, uint32_t y) const {
    return rgba[(frame * height + y) * width + x];
  }
  // The pixel as 0xAARRGGBB, each sample rounded to 8 bits as ImageMagick's own 8-bit output does.
  uint32_t Argb(size_t frame, uint32_t x, uint32_t y) const;
  // Every pixel of every frame as 0xAARRGGBB.
  std::vector<uint32_t> Argbs() const;
};

struct MagickOptions {
  int frame = -1;         // only this frame ("file[2]"); -1 for all of them
  bool coalesce = false;  // frames composed as an animation shows them
};

bool HasImageMagick();

// Whether /usr/bin has that program; running one of them (argv[0] names it) without a shell, its
// output dropped: true when it exits with 0.
bool HasTool(const std::string& name);
bool RunTool(std::vector<std::string> argv);
// ImageMagick's reading of `path`, or nothing when ImageMagick is missing, cannot read the file or gives
// output of another shape than its header says.
std::optional<MagickPicture> ReadWithImageMagick(const std::filesystem::path& path, const MagickOptions& options = {});

// What PNG's filter type `filter` (0-4) predicts from the left, upper and upper-left bytes, as the
// format's definition writes it: the reference for the fast filters.
int PngPredictor(int filter, int a, int b, int c);

// Raw bytes of the locked pixels of the bitmap in its own format (rows without padding).
std::string OwnFormatBytes(Bitmap& bitmap);
// The rows, in order, that differ between two OwnFormatBytes of pictures `height` rows tall.
std::vector<uint32_t> ChangedRows(const std::string& before, const std::string& after, uint32_t height);

}  // namespace tavlen::gfx::test
