// Turns and mirrors of every pixel format against a straightforward per-pixel reference.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/convert.h"
#include "platform/graphics/rotate_flip.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

// The raw value of pixel (x, y) in the bitmap's own format, as an integer.
uint64_t RawPixel(const PixelBuffer& p, uint32_t x, uint32_t y) {
  const uint32_t bits = BitsPerPixel(p.Format());
  if (bits < 8) return GetIndex(p.Row(y), bits, x);
  uint64_t v = 0;
  for (uint32_t b = 0; b < bits / 8; ++b) v |= uint64_t{p.Row(y)[x * bits / 8 + b]} << (8 * b);
  return v;
}

// Where the reference finds the source of destination pixel (x, y), for source size w x h.
void SourceOf(int type, uint32_t x, uint32_t y, uint32_t w, uint32_t h, uint32_t& sx, uint32_t& sy) {
  switch (type) {
    case 0: sx = x; sy = y; break;
    case 1: sx = y; sy = h - 1 - x; break;
    case 2: sx = w - 1 - x; sy = h - 1 - y; break;
    case 3: sx = w - 1 - y; sy = x; break;
    case 4: sx = w - 1 - x; sy = y; break;
    case 5: sx = y; sy = x; break;
    case 6: sx = x; sy = h - 1 - y; break;
    default: sx = w - 1 - y; sy = h - 1 - x; break;
  }
}

class RotateFlipAllFormats : public ::testing::TestWithParam<PixelFormat> {};

TEST_P(RotateFlipAllFormats, EveryTypeMatchesTheReference) {
  // Odd sizes and widths that are not byte multiples for 1 and 4 bpp, and more than one tile.
  for (auto [w, h] : {std::pair{37u, 70u}, std::pair{1u, 5u}, std::pair{67u, 1u}}) {
    auto original = test::MakePatternBitmap(w, h, GetParam());
    ASSERT_NE(original, nullptr);
    for (int type = 0; type < 8; ++type) {
      auto turned = original->Clone();
      ASSERT_TRUE(turned.Ok());
      ASSERT_EQ(turned.Value()->RotateFlip(static_cast<RotateFlipType>(type)), Status::Ok);
      const PixelBuffer& out = turned.Value()->Pixels();
      const bool quarter = type & 1;
      ASSERT_EQ(out.Width(), quarter ? h : w);
      ASSERT_EQ(out.Height(), quarter ? w : h);
      EXPECT_EQ(out.GetPalette(), original->GetPalette());
      for (uint32_t y = 0; y < out.Height(); ++y) {
        for (uint32_t x = 0; x < out.Width(); ++x) {
          uint32_t sx = 0, sy = 0;
          SourceOf(type, x, y, w, h, sx, sy);
          ASSERT_EQ(RawPixel(out, x, y), RawPixel(original->Pixels(), sx, sy))
              << "type " << type << " at (" << x << ", " << y << ") size " << w << "x" << h;
        }
      }
    }
  }
}

TEST(RotateFlip, LargeQuarterTurnsSplitOverTwoThreadsMatchTheReference) {
  // Over the size where the turn runs in two halves; a height that is not a multiple of the tile.
  const uint32_t w = 1203, h = 1301;
  auto original = test::MakePatternBitmap(w, h, PixelFormat::RGB24bpp);
  for (int type : {1, 3, 5, 7}) {
    auto turned = original->Clone();
    ASSERT_TRUE(turned.Ok());
    ASSERT_EQ(turned.Value()->RotateFlip(static_cast<RotateFlipType>(type)), Status::Ok);
    const PixelBuffer& out = std::as_const(*turned.Value()).Pixels();
    const PixelBuffer& in = std::as_const(*original).Pixels();
    uint32_t wrong = 0;
    for (uint32_t y = 0; y < out.Height(); ++y) {
      for (uint32_t x = 0; x < out.Width(); ++x) {
        uint32_t sx = 0, sy = 0;
        SourceOf(type, x, y, w, h, sx, sy);
        wrong += std::memcmp(out.Row(y) + 3 * x, in.Row(sy) + 3 * sx, 3) != 0;
      }
    }
    EXPECT_EQ(wrong, 0u) << "type " << type;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, RotateFlipAllFormats,
                         ::testing::Values(PixelFormat::Indexed1bpp, PixelFormat::Indexed4bpp,
                                           PixelFormat::Indexed8bpp, PixelFormat::RGB565_16bpp,
                                           PixelFormat::RGB24bpp, PixelFormat::ARGB32bpp, PixelFormat::RGB48bpp,
                                           PixelFormat::ARGB64bpp));

TEST(RotateFlip, FourQuarterTurnsAndOppositeTurnsRestoreThePixels) {
  auto original = test::MakePatternBitmap(129, 65, PixelFormat::RGB24bpp);
  auto copy = original->Clone();
  ASSERT_TRUE(copy.Ok());
  Bitmap& b = *copy.Value();
  for (int i = 0; i < 4; ++i) ASSERT_EQ(b.RotateFlip(RotateFlipType::Rotate90FlipNone), Status::Ok);
  EXPECT_TRUE(test::SamePixels(b, *original));
  ASSERT_EQ(b.RotateFlip(RotateFlipType::Rotate90FlipNone), Status::Ok);
  ASSERT_EQ(b.RotateFlip(RotateFlipType::Rotate270FlipNone), Status::Ok);
  EXPECT_TRUE(test::SamePixels(b, *original));
  ASSERT_EQ(b.RotateFlip(RotateFlipType::RotateNoneFlipY), Status::Ok);
  ASSERT_EQ(b.RotateFlip(RotateFlipType::RotateNoneFlipY), Status::Ok);
  EXPECT_TRUE(test::SamePixels(b, *original));
}

TEST(RotateFlip, SequencesEqualTurningStepByStep) {
  // Half turns and mirrors are deferred and combined; every sequence must still land where the
  // same steps applied one by one to the pixels land.
  auto original = test::MakePatternBitmap(13, 7, PixelFormat::RGB24bpp);
  const int sequences[][4] = {{2, 2, 0, 0}, {4, 6, 2, 0}, {4, 1, 6, 3}, {6, 5, 2, 7}, {2, 4, 4, 1}, {7, 7, 4, 6}};
  for (const auto& sequence : sequences) {
    auto lazy = original->Clone();
    auto eager = original->Pixels().Copy();
    ASSERT_TRUE(lazy.Ok() && eager.Ok());
    for (int type : sequence) {
      ASSERT_EQ(lazy.Value()->RotateFlip(static_cast<RotateFlipType>(type)), Status::Ok);
      ASSERT_EQ(RotateFlipPixels(eager.Value(), type), Status::Ok);
    }
    EXPECT_EQ(lazy.Value()->Width(), eager.Value().Width());
    auto expected = Bitmap::FromPixels(std::move(eager.Value()));
    EXPECT_EQ(test::OwnFormatBytes(*lazy.Value()), test::OwnFormatBytes(*expected))
        << sequence[0] << sequence[1] << sequence[2] << sequence[3];
  }
}

TEST(RotateFlip, RefusesUnknownTypesAndLockedBitmaps) {
  auto b = test::MakePatternBitmap(4, 3, PixelFormat::RGB24bpp);
  EXPECT_EQ(b->RotateFlip(static_cast<RotateFlipType>(8)), Status::InvalidParameter);
  EXPECT_EQ(b->RotateFlip(static_cast<RotateFlipType>(-1)), Status::InvalidParameter);
  BitmapData data;
  ASSERT_EQ(b->LockBits(nullptr, kImageLockModeRead, PixelFormat::RGB24bpp, data), Status::Ok);
  EXPECT_EQ(b->RotateFlip(RotateFlipType::Rotate90FlipNone), Status::WrongState);
  ASSERT_EQ(b->UnlockBits(data), Status::Ok);
  EXPECT_EQ(b->Width(), 4u);
}

}  // namespace
}  // namespace tavlen::gfx
