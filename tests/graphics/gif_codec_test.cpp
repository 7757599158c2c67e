// GIF codec: frame composition with disposal and transparency, damaged files, and encoding through the quantiser.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/convert.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

constexpr uint32_t kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
constexpr uint32_t kYellow = 0xFFFFFF00, kCyan = 0xFF00FFFF;

struct FrameSpec {
  FrameSpec() = default;
  FrameSpec(int l, int t, int w, int h, std::vector<uint8_t> px, int disp = 0, int trans = -1, int delayCs = 0,
            std::vector<uint32_t> local = {})
      : left(l),
        top(t),
        width(w),
        height(h),
        pixels(std::move(px)),
        disposal(disp),
        transparent(trans),
        delay(delayCs),
        localPalette(std::move(local)) {}
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> pixels;  // width * height indices
  int disposal = 0;
  int transparent = -1;
  int delay = 0;
  std::vector<uint32_t> localPalette;
  bool interlace = false;
};

// A file written with giflib's own encoder, independently of the codec under test.
class GifWriter {
 public:
  static Bytes Write(int width, int height, const std::vector<uint32_t>& global, const std::vector<FrameSpec>& frames,
                     int loopCount = -1) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, Append, &error);
    EXPECT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = MakeMap(global);
    EXPECT_EQ(EGifPutScreenDesc(gif, width, height, 8, 0, map), GIF_OK);
    GifFreeMapObject(map);
    if (loopCount >= 0) {
      const GifByteType loop[3] = {1, static_cast<GifByteType>(loopCount & 255),
                                   static_cast<GifByteType>(loopCount >> 8)};
      EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
      EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
      EGifPutExtensionBlock(gif, 3, loop);
      EGifPutExtensionTrailer(gif);
    }
    for (const FrameSpec& f : frames) {
      GraphicsControlBlock gcb{f.disposal, false, f.delay, f.transparent};
      GifByteType ext[4];
      EGifGCBToExtension(&gcb, ext);
      EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext), GIF_OK);
      ColorMapObject* local = f.localPalette.empty() ? nullptr : MakeMap(f.localPalette);
      EXPECT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local), GIF_OK);
      if (local != nullptr) GifFreeMapObject(local);
      std::vector<GifPixelType> line(static_cast<size_t>(f.width));
      std::vector<int> order;
      if (f.interlace) {
        static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
          for (int r = kStart[pass]; r < f.height; r += kStep[pass]) order.push_back(r);
      } else {
        for (int r = 0; r < f.height; ++r) order.push_back(r);
      }
      for (int r : order) {
        std::copy_n(&f.pixels[static_cast<size_t>(r * f.width)], f.width, line.begin());
        EXPECT_EQ(EGifPutLine(gif, line.data(), f.width), GIF_OK);
      }
    }
    EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    return out;
  }

 private:
  static int Append(GifFileType* gif, const GifByteType* data, int len) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + len);
    return len;
  }
  static ColorMapObject* MakeMap(std::vector<uint32_t> colours) {
    size_t n = 2;
    while (n < colours.size()) n *= 2;
    colours.resize(n, kBlack);
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(n), nullptr);
    for (size_t i = 0; i < n; ++i)
      map->Colors[i] = {GifByteType(colours[i] >> 16), GifByteType(colours[i] >> 8), GifByteType(colours[i])};
    return map;
  }
};

std::unique_ptr<ImageDecoder> Open(const Bytes& file, Status expected = Status::Ok) {
  std::unique_ptr<ImageDecoder> decoder;
  EXPECT_EQ(OpenGifDecoder(std::make_shared<const Bytes>(file), kDefaultLimits, decoder), expected);
  return decoder;
}

uint32_t Argb(const PixelBuffer& img, uint32_t x, uint32_t y) {
  uint8_t p[4];
  RowToArgb32(img.Row(y), img.Format(), img.GetPalette(), x, 1, p);
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

// The frame as rows of colours, for readable comparisons.
std::vector<std::vector<uint32_t>> Colours(const PixelBuffer& img) {
  std::vector<std::vector<uint32_t>> rows(img.Height());
  for (uint32_t y = 0; y < img.Height(); ++y)
    for (uint32_t x = 0; x < img.Width(); ++x) rows[y].push_back(Argb(img, x, y));
  return rows;
}

PixelBuffer Frame(ImageDecoder& decoder, uint32_t index) {
  DecodedFrame frame;
  EXPECT_EQ(decoder.DecodeFrame(index, frame), Status::Ok) << "frame " << index;
  return std::move(frame.pixels);
}

const std::vector<uint32_t> kGlobal = {kBlack, kRed, kGreen, kBlue};

// Four frames on a 4x4 screen, one per disposal behaviour.
Bytes DisposalAnimation() {
  std::vector<FrameSpec> frames(4);
  frames[0] = {0, 0, 4, 4, std::vector<uint8_t>(16, 1), 1, -1, 10};  // red, kept
  frames[1] = {1, 1, 2, 2, std::vector<uint8_t>(4, 2), 3, -1, 20};   // green, restored to previous
  frames[2] = {0, 0, 2, 2, {0, 3, 3, 3}, 2, 0, 30};                  // blue, index 0 clear, to background
  frames[3] = {2, 2, 2, 2, std::vector<uint8_t>(4, 2), 0, -1, 40};   // green, unspecified
  return GifWriter::Write(4, 4, kGlobal, frames, 0);
}

TEST(GifComposition, EachDisposalMethodAsAViewerShowsIt) {
  auto decoder = Open(DisposalAnimation());
  ASSERT_NE(decoder, nullptr);
  EXPECT_EQ(decoder->FrameDimension(), kFrameDimensionTime);
  ASSERT_EQ(decoder->FrameCount(), 4u);
  using Rows = std::vector<std::vector<uint32_t>>;
  const uint32_t R = kRed, G = kGreen, B = kBlue, K = kBlack;
  EXPECT_EQ(Colours(Frame(*decoder, 0)), (Rows{{R, R, R, R}, {R, R, R, R}, {R, R, R, R}, {R, R, R, R}}));
  EXPECT_EQ(Colours(Frame(*decoder, 1)), (Rows{{R, R, R, R}, {R, G, G, R}, {R, G, G, R}, {R, R, R, R}}));
  // Frame 1 was restored; frame 2's clear pixel shows the red beneath.
  EXPECT_EQ(Colours(Frame(*decoder, 2)), (Rows{{R, B, R, R}, {B, B, R, R}, {R, R, R, R}, {R, R, R, R}}));
  // Frame 2's area went back to the background colour (frame 3 has no transparent index).
  EXPECT_EQ(Colours(Frame(*decoder, 3)), (Rows{{K, K, R, R}, {K, K, R, R}, {R, R, G, G}, {R, R, G, G}}));
}

TEST(GifComposition, FramesKeepTheGlobalPaletteAndMarkTheClearIndex) {
  auto decoder = Open(DisposalAnimation());
  ASSERT_NE(decoder, nullptr);
  PixelBuffer f1 = Frame(*decoder, 1);
  EXPECT_EQ(f1.Format(), PixelFormat::Indexed8bpp);
  EXPECT_EQ(f1.GetPalette().entries, kGlobal);
  PixelBuffer f2 = Frame(*decoder, 2);
  ASSERT_EQ(f2.Format(), PixelFormat::Indexed8bpp);
  EXPECT_EQ(f2.GetPalette().entries[0] >> 24, 0u);
  EXPECT_NE(f2.GetPalette().flags & kPaletteHasAlpha, 0u);
  EXPECT_EQ(f2.Row(0)[1], 3);
}

TEST(GifComposition, RandomAccessMatchesSequentialDecoding) {
  auto sequential = Open(DisposalAnimation());
  auto random = Open(DisposalAnimation());
  ASSERT_TRUE(sequential && random);
  std::vector<std::vector<std::vector<uint32_t>>> expected;
  for (uint32_t i = 0; i < 4; ++i) expected.push_back(Colours(Frame(*sequential, i)));
  for (uint32_t i : {3u, 1u, 2u, 0u, 3u, 2u}) EXPECT_EQ(Colours(Frame(*random, i)), expected[i]) << "frame " << i;
}

TEST(GifComposition, UncoveredPixelsAreClearWhenTheFrameHasATransparentIndex) {
  std::vector<FrameSpec> frames = {{1, 1, 2, 2, {1, 2, 3, 1}, 0, 0}};
  auto decoder = Open(GifWriter::Write(4, 3, kGlobal, frames));
  ASSERT_NE(decoder, nullptr);
  PixelBuffer img = Frame(*decoder, 0);
  ASSERT_EQ(img.Format(), PixelFormat::Indexed8bpp);
  EXPECT_EQ(Argb(img, 0, 0) >> 24, 0u);
  EXPECT_EQ(Argb(img, 3, 2) >> 24, 0u);
  EXPECT_EQ(Argb(img, 1, 1), kRed);
  EXPECT_EQ(Argb(img, 1, 2), kBlue);
}

TEST(GifComposition, ColoursFromTwoPalettesFallBackToArgb) {
  std::vector<FrameSpec> frames(2);
  frames[0] = {0, 0, 2, 2, std::vector<uint8_t>(4, 1), 1};
  frames[1] = {1, 0, 1, 2, {0, 1}, 1, -1, 0, {kYellow, kCyan}};
  auto decoder = Open(GifWriter::Write(2, 2, kGlobal, frames));
  ASSERT_NE(decoder, nullptr);
  PixelBuffer img = Frame(*decoder, 1);
  EXPECT_EQ(img.Format(), PixelFormat::ARGB32bpp);
  EXPECT_EQ(Colours(img), (std::vector<std::vector<uint32_t>>{{kRed, kYellow}, {kRed, kCyan}}));
}

TEST(GifComposition, FramesAreClippedToTheScreen) {
  std::vector<FrameSpec> frames = {{2, 1, 4, 4, std::vector<uint8_t>(16, 3)}};
  auto decoder = Open(GifWriter::Write(4, 3, kGlobal, frames));
  ASSERT_NE(decoder, nullptr);
  PixelBuffer img = Frame(*decoder, 0);
  ASSERT_EQ(img.Width(), 4u);
  ASSERT_EQ(img.Height(), 3u);
  EXPECT_EQ(Argb(img, 1, 1), kBlack);  // background
  EXPECT_EQ(Argb(img, 2, 1), kBlue);
  EXPECT_EQ(Argb(img, 3, 2), kBlue);
}

// A screen over 8 megapixels ends where the rows the frames hold end: past them is only background.
TEST(GifComposition, LargeScreenIsCutToTheRowsTheFramesHold) {
  auto decoder = Open(GifWriter::Write(5000, 4000, kGlobal, {{10, 20, 30, 40, std::vector<uint8_t>(1200, 3)}}));
  ASSERT_NE(decoder, nullptr);
  PixelBuffer whole = Frame(*decoder, 0);
  EXPECT_EQ(whole.Width(), 40u);
  EXPECT_EQ(whole.Height(), 60u);
  EXPECT_EQ(Argb(whole, 9, 59), kBlack);
  EXPECT_EQ(Argb(whole, 39, 59), kBlue);

  // A frame of 100 red rows whose descriptor (and screen) claims 4000: the rows read are all there is.
  Bytes cut = GifWriter::Write(5000, 100, kGlobal, {{0, 0, 5000, 100, std::vector<uint8_t>(500000, 1)}});
  cut[8] = 4000 & 0xFF, cut[9] = 4000 >> 8;
  size_t at = 13;
  while (at + 9 < cut.size() && !(cut[at] == 0x2C && cut[at + 5] == (5000 & 0xFF) && cut[at + 6] == (5000 >> 8))) ++at;
  ASSERT_LT(at + 9, cut.size());
  cut[at + 7] = 4000 & 0xFF, cut[at + 8] = 4000 >> 8;
  decoder = Open(cut);
  ASSERT_NE(decoder, nullptr);
  PixelBuffer rows = Frame(*decoder, 0);
  EXPECT_EQ(rows.Width(), 5000u);
  EXPECT_EQ(rows.Height(), 100u);
  EXPECT_EQ(Argb(rows, 4999, 99), kRed);

  // Smaller screens keep their size however little the frames cover.
  decoder = Open(GifWriter::Write(300, 200, kGlobal, {{0, 0, 2, 2, std::vector<uint8_t>(4, 1)}}));
  ASSERT_NE(decoder, nullptr);
  EXPECT_EQ(Frame(*decoder, 0).Height(), 200u);
}

TEST(GifComposition, InterlacedFrameEqualsProgressiveOne) {
  std::vector<uint8_t> pixels(5 * 11);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 7) % 4);
  FrameSpec frame{0, 0, 5, 11, pixels};
  auto plain = Open(GifWriter::Write(5, 11, kGlobal, {frame}));
  frame.interlace = true;
  auto interlaced = Open(GifWriter::Write(5, 11, kGlobal, {frame}));
  ASSERT_TRUE(plain && interlaced);
  PixelBuffer a = Frame(*plain, 0);
  EXPECT_EQ(Colours(a), Colours(Frame(*interlaced, 0)));
  EXPECT_EQ(a.Row(10)[4], pixels[54]);
}

TEST(GifProperties, DelaysAndLoopCount) {
  auto decoder = Open(DisposalAnimation());
  ASSERT_NE(decoder, nullptr);
  DecodedFrame frame;
  ASSERT_EQ(decoder->DecodeFrame(0, frame), Status::Ok);
  auto find = [&](uint32_t id) {
    return std::find_if(frame.properties.begin(), frame.properties.end(),
                        [&](const PropertyItem& p) { return p.id == id; });
  };
  auto delay = find(0x5100);
  ASSERT_NE(delay, frame.properties.end());
  EXPECT_EQ(delay->type, kPropertyTagTypeLong);
  EXPECT_EQ(delay->value, (std::vector<uint8_t>{10, 0, 0, 0, 20, 0, 0, 0, 30, 0, 0, 0, 40, 0, 0, 0}));
  auto loop = find(0x5101);
  ASSERT_NE(loop, frame.properties.end());
  EXPECT_EQ(loop->value, (std::vector<uint8_t>{0, 0}));
}

TEST(GifDecoderErrors, OutOfRangeFrameIsInvalidAndLeavesOutputAlone) {
  auto decoder = Open(DisposalAnimation());
  ASSERT_NE(decoder, nullptr);
  DecodedFrame frame;
  EXPECT_EQ(decoder->DecodeFrame(4, frame), Status::InvalidParameter);
  EXPECT_TRUE(frame.pixels.Empty());
}

TEST(GifDecoderErrors, TruncatedFileKeepsTheFramesItHas) {
  const Bytes file = DisposalAnimation();
  size_t lastComplete = 0;
  for (size_t len = 0; len < file.size(); ++len) {
    Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(len));
    std::unique_ptr<ImageDecoder> decoder;
    const Status s = OpenGifDecoder(std::make_shared<const Bytes>(cut), kDefaultLimits, decoder);
    if (s != Status::Ok) {
      EXPECT_EQ(lastComplete, 0u) << "a longer prefix failed after a shorter one opened, length " << len;
      continue;
    }
    ASSERT_GE(decoder->FrameCount(), 1u);
    EXPECT_GE(decoder->FrameCount(), lastComplete);
    lastComplete = decoder->FrameCount();
    for (uint32_t i = 0; i < decoder->FrameCount(); ++i) {
      DecodedFrame frame;
      ASSERT_EQ(decoder->DecodeFrame(i, frame), Status::Ok);
      EXPECT_EQ(frame.pixels.Width(), 4u);
    }
  }
  EXPECT_EQ(lastComplete, 4u);
}

TEST(GifDecoderErrors, ScreenOverTheLimitsIsRefused) {
  Bytes file = GifWriter::Write(300, 2, kGlobal, {{0, 0, 1, 1, {1}}});
  DecodeLimits limits;
  limits.maxSide = 256;
  std::unique_ptr<ImageDecoder> decoder;
  EXPECT_EQ(OpenGifDecoder(std::make_shared<const Bytes>(file), limits, decoder), Status::OutOfMemory);
}

TEST(GifDecoderErrors, NotAGif) {
  Open(Bytes{0x89, 'P', 'N', 'G', 0, 0, 0, 0}, Status::UnknownImageFormat);
  Open(Bytes{'G', 'I', 'F', '8', '9', 'a', 1}, Status::GenericError);
}

// Encoding.
PixelBuffer DecodeOnly(const Bytes& file) {
  auto decoder = Open(file);
  if (!decoder) return {};
  EXPECT_EQ(decoder->FrameCount(), 1u);
  return Frame(*decoder, 0);
}

Bytes EncodeOk(const PixelBuffer& img) {
  Bytes file;
  EXPECT_EQ(EncodeGif(img, {}, {}, file), Status::Ok);
  return file;
}

PixelBuffer Make(PixelFormat format, uint32_t w, uint32_t h) {
  auto r = PixelBuffer::Allocate(format, w, h, PixelBuffer::Init::Zero);
  EXPECT_TRUE(r.Ok());
  return std::move(r).Value();
}

TEST(GifEncoder, IndexedImagesKeepIndicesAndPalette) {
  for (PixelFormat f : {PixelFormat::Indexed1bpp, PixelFormat::Indexed4bpp, PixelFormat::Indexed8bpp}) {
    PixelBuffer img = Make(f, 23, 7);
    const uint32_t n = 1u << BitsPerPixel(f);
    img.GetPalette().entries.clear();
    for (uint32_t i = 0; i < n; ++i) img.GetPalette().entries.push_back(0xFF000000u | (i * 0x10305u));
    for (uint32_t y = 0; y < 7; ++y)
      for (size_t i = 0; i < img.Stride(); ++i) img.Row(y)[i] = static_cast<uint8_t>(y * 31 + i * 17);
    PixelBuffer back = DecodeOnly(EncodeOk(img));
    ASSERT_EQ(back.Format(), PixelFormat::Indexed8bpp);
    EXPECT_EQ(back.GetPalette().entries, img.GetPalette().entries);
    EXPECT_EQ(Colours(back), Colours(img));
  }
}

TEST(GifEncoder, ShortPaletteIsPaddedToAPowerOfTwo) {
  PixelBuffer img = Make(PixelFormat::Indexed8bpp, 4, 1);
  img.GetPalette().entries = {kRed, kGreen, kBlue};
  img.Row(0)[0] = 0, img.Row(0)[1] = 1, img.Row(0)[2] = 2, img.Row(0)[3] = 1;
  PixelBuffer back = DecodeOnly(EncodeOk(img));
  ASSERT_EQ(back.GetPalette().entries.size(), 4u);
  EXPECT_EQ(Colours(back), Colours(img));
}

TEST(GifEncoder, TrueColourWithFewColoursSurvivesExactly) {
  PixelBuffer img = Make(PixelFormat::RGB24bpp, 40, 30);
  for (uint32_t y = 0; y < 30; ++y)
    for (uint32_t x = 0; x < 40; ++x) {
      const uint32_t k = (x / 3 + y / 2 * 14) % 250;  // 250 distinct colours
      uint8_t* p = img.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(k), p[1] = static_cast<uint8_t>(k * 7), p[2] = static_cast<uint8_t>(255 - k);
    }
  PixelBuffer back = DecodeOnly(EncodeOk(img));
  EXPECT_EQ(Colours(back), Colours(img));
}

TEST(GifEncoder, PhotoLikeGradientStaysClose) {
  PixelBuffer img = Make(PixelFormat::RGB24bpp, 128, 96);
  for (uint32_t y = 0; y < 96; ++y)
    for (uint32_t x = 0; x < 128; ++x) {
      uint8_t* p = img.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x * 2), p[1] = static_cast<uint8_t>(y * 255 / 95),
      p[2] = static_cast<uint8_t>((x + y) % 256);
    }
  PixelBuffer back = DecodeOnly(EncodeOk(img));
  ASSERT_EQ(back.Format(), PixelFormat::Indexed8bpp);
  EXPECT_LE(back.GetPalette().entries.size(), 256u);
  double error = 0;
  for (uint32_t y = 0; y < 96; ++y)
    for (uint32_t x = 0; x < 128; ++x) {
      const uint32_t a = Argb(img, x, y), b = Argb(back, x, y);
      for (int s = 0; s < 24; s += 8) error += std::abs(int(a >> s & 255) - int(b >> s & 255));
    }
  EXPECT_LT(error / (128 * 96 * 3), 10.0);
}

TEST(GifEncoder, TransparencySurvivesAsOneIndex) {
  PixelBuffer img = Make(PixelFormat::ARGB32bpp, 8, 8);
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 8; ++x) {
      uint8_t* p = img.Row(y) + 4 * x;
      p[0] = static_cast<uint8_t>(x * 30), p[1] = static_cast<uint8_t>(y * 30), p[2] = 200;
      p[3] = (x + y) % 3 == 0 ? (x % 2 ? 0 : 100) : 255;
    }
  const Bytes file = EncodeOk(img);
  ASSERT_GE(file.size(), 6u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
  PixelBuffer back = DecodeOnly(file);
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 8; ++x) {
      const uint32_t want = Argb(img, x, y);
      if ((want >> 24) < 128) {
        EXPECT_EQ(Argb(back, x, y) >> 24, 0u) << x << "," << y;
      } else {
        EXPECT_EQ(Argb(back, x, y), want) << x << "," << y;
      }
    }
}

TEST(GifEncoder, OpaqueImageIsWrittenAsGif87a) {
  PixelBuffer img = Make(PixelFormat::RGB24bpp, 3, 3);
  const Bytes file = EncodeOk(img);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF87a");
}

TEST(GifEncoder, RefusesParametersAndOversizedImages) {
  PixelBuffer img = Make(PixelFormat::Indexed8bpp, 2, 2);
  uint32_t value = kEncoderValueCompressionLZW;
  EncoderParameter param{kEncoderCompression, 1, kEncoderParameterValueTypeLong, &value};
  Bytes file;
  EXPECT_EQ(EncodeGif(img, {}, EncoderParameters(&param, 1), file), Status::InvalidParameter);
  EXPECT_EQ(EncodeGif(Make(PixelFormat::Indexed8bpp, 70000, 1), {}, {}, file), Status::InvalidParameter);
  EXPECT_EQ(EncodeGif(PixelBuffer(), {}, {}, file), Status::InvalidParameter);
  EXPECT_TRUE(file.empty());
}

// Files of the shared collection.
TEST(GifFiles, EveryFrameOfEveryFileDecodes) {
  auto dir = test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared test data";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "gif")) {
    auto decoder = Open(test::ReadFileBytes(entry.path()));
    ASSERT_NE(decoder, nullptr) << entry.path();
    for (uint32_t i = 0; i < decoder->FrameCount(); ++i) {
      DecodedFrame frame;
      ASSERT_EQ(decoder->DecodeFrame(i, frame), Status::Ok) << entry.path() << " frame " << i;
    }
    ++files;
  }
  EXPECT_GT(files, 0);
}

TEST(GifFiles, OpaquePixelsMatchAnIndependentDecoder) {
  auto dir = test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared test data";
  if (!test::HasImageMagick()) GTEST_SKIP() << "no ImageMagick";
  for (const char* name : {"animated_loop.gif", "animated-red-blue.gif", "dispose_none.gif", "dispose_bgnd.gif",
                           "dispose_prev.gif", "static_nontransparent.gif", "static_transparent.gif", "cogs.gif",
                           "mixed-disposal.gif", "hippopotamus.interlaced.gif"}) {
    const auto path = dir / "gif" / name;
    if (!std::filesystem::exists(path)) continue;
    auto decoder = Open(test::ReadFileBytes(path));
    ASSERT_NE(decoder, nullptr) << name;
    // The composed frames as an independent decoder coalesces them.
    const std::optional<test::MagickPicture> ref = test::ReadWithImageMagick(path, {.coalesce = true});
    ASSERT_TRUE(ref) << name;
    PixelBuffer first = Frame(*decoder, 0);
    ASSERT_EQ(ref->width, first.Width()) << name;
    ASSERT_EQ(ref->height, first.Height()) << name;
    ASSERT_EQ(ref->Frames(), decoder->FrameCount()) << name;
    for (uint32_t i = 0; i < decoder->FrameCount(); ++i) {
      PixelBuffer img = Frame(*decoder, i);
      size_t mismatches = 0;
      for (uint32_t y = 0; y < img.Height(); ++y)
        for (uint32_t x = 0; x < img.Width(); ++x) {
          const uint32_t theirs = ref->Argb(i, x, y);
          const uint32_t ours = Argb(img, x, y);
          if ((theirs >> 24) != 255 || (ours >> 24) != 255) continue;
          if (ours != theirs) ++mismatches;
        }
      EXPECT_EQ(mismatches, 0u) << name << " frame " << i;
    }
  }
}

TEST(GifFiles, HostileFilesNeverCrash) {
  auto dir = test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared test data";
  DecodeLimits limits;
  limits.maxPixelBytes = 64u << 20;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "bad")) {
    if (entry.path().filename().string().rfind("gif-", 0) != 0) continue;
    std::unique_ptr<ImageDecoder> decoder;
    if (OpenGifDecoder(std::make_shared<const Bytes>(test::ReadFileBytes(entry.path())), limits, decoder) != Status::Ok)
      continue;
    for (uint32_t i = 0; i < decoder->FrameCount() && i < 50; ++i) {
      DecodedFrame frame;
      Ignore(decoder->DecodeFrame(i, frame));
    }
  }
}

}  // namespace
}  // namespace tavlen::gfx
