// Tests of the JPEG decoder and encoder: round trips, quality, gray and CMYK files, EXIF items, damaged input.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/jpeg_glue.h"
#include "platform/graphics/convert.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

Status Decode(const Bytes& bytes, DecodedFrame& frame, const DecodeLimits& limits = kDefaultLimits) {
  std::unique_ptr<ImageDecoder> decoder;
  if (Status s = OpenJpegDecoder(std::make_shared<const Bytes>(bytes), limits, decoder); s != Status::Ok) return s;
  return decoder->DecodeFrame(0, frame);
}

Status EncodeWithQuality(const PixelBuffer& pixels, int32_t quality, Bytes& out,
                         std::span<const PropertyItem> items = {}) {
  const EncoderParameter p{kEncoderQuality, 1, kEncoderParameterValueTypeLong, &quality};
  return EncodeJpeg(pixels, items, EncoderParameters(&p, 1), out);
}

// A smooth colour picture: what JPEG keeps well, so differences measure the codec, not the content.
PixelBuffer Gradient(uint32_t w, uint32_t h) {
  PixelBuffer p = std::move(PixelBuffer::Allocate(PixelFormat::RGB24bpp, w, h, PixelBuffer::Init::Zero).Value());
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* px = p.Row(y) + 3 * x;
      px[0] = static_cast<uint8_t>(x * 255 / w);
      px[1] = static_cast<uint8_t>(y * 255 / h);
      px[2] = static_cast<uint8_t>(128 + (x + y) % 64);
    }
  }
  return p;
}

// The largest channel difference between two pictures of the same size, seen as 32bppARGB.
int MaxDifference(const PixelBuffer& a, const PixelBuffer& b) {
  std::vector<uint8_t> ra(a.Width() * 4), rb(b.Width() * 4);
  int worst = 0;
  for (uint32_t y = 0; y < a.Height(); ++y) {
    RowToArgb32(a.Row(y), a.Format(), a.GetPalette(), 0, a.Width(), ra.data());
    RowToArgb32(b.Row(y), b.Format(), b.GetPalette(), 0, b.Width(), rb.data());
    for (size_t i = 0; i < ra.size(); ++i) worst = std::max(worst, std::abs(ra[i] - rb[i]));
  }
  return worst;
}

// Sampling factors (h << 4 | v) of each component in the file's SOF marker.
std::vector<uint8_t> SamplingFactors(const Bytes& file) {
  for (size_t i = 2; i + 9 < file.size(); ++i) {
    if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
      const size_t components = file[i + 9];
      std::vector<uint8_t> out;
      for (size_t c = 0; c < components && i + 11 + 3 * c < file.size(); ++c) out.push_back(file[i + 11 + 3 * c]);
      return out;
    }
  }
  return {};
}

// --- Round trips and the encoder's choices ---------------------------------------------------

TEST(JpegRoundTrip, ColourPictureComesBackClose) {
  const PixelBuffer source = Gradient(67, 45);
  Bytes file;
  ASSERT_EQ(EncodeWithQuality(source, 95, file), Status::Ok);
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  ASSERT_EQ(frame.pixels.Format(), PixelFormat::RGB24bpp);
  ASSERT_EQ(frame.pixels.Width(), 67u);
  ASSERT_EQ(frame.pixels.Height(), 45u);
  EXPECT_LE(MaxDifference(source, frame.pixels), 12);
}

TEST(JpegRoundTrip, EveryPixelFormatEncodes) {
  const PixelFormat formats[] = {PixelFormat::Indexed1bpp,  PixelFormat::Indexed4bpp,   PixelFormat::Indexed8bpp,
                                 PixelFormat::RGB555_16bpp, PixelFormat::RGB565_16bpp,  PixelFormat::ARGB1555_16bpp,
                                 PixelFormat::RGB24bpp,     PixelFormat::RGB32bpp,      PixelFormat::ARGB32bpp,
                                 PixelFormat::PARGB32bpp,   PixelFormat::RGB48bpp,      PixelFormat::ARGB64bpp,
                                 PixelFormat::PARGB64bpp,   PixelFormat::GrayScale16bpp};
  for (PixelFormat format : formats) {
    SCOPED_TRACE(static_cast<uint32_t>(format));
    auto source = test::MakePatternBitmap(16, 16, format);
    Bytes file;
    ASSERT_EQ(EncodeWithQuality(source->Pixels(), 100, file), Status::Ok);
    DecodedFrame frame;
    ASSERT_EQ(Decode(file, frame), Status::Ok);
    EXPECT_EQ(frame.pixels.Width(), 16u);
  }
}

TEST(JpegEncoder, GrayPaletteGivesGrayFile) {
  PixelBuffer gray = std::move(PixelBuffer::Allocate(PixelFormat::Indexed8bpp, 32, 8, PixelBuffer::Init::Zero).Value());
  gray.GetPalette() = GrayPalette(8);
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 32; ++x) gray.Row(y)[x] = static_cast<uint8_t>(x * 8);
  Bytes file;
  ASSERT_EQ(EncodeWithQuality(gray, 100, file), Status::Ok);
  EXPECT_EQ(SamplingFactors(file).size(), 1u);
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  ASSERT_EQ(frame.pixels.Format(), PixelFormat::Indexed8bpp);
  EXPECT_EQ(frame.pixels.GetPalette().entries, GrayPalette(8).entries);
  EXPECT_LE(MaxDifference(gray, frame.pixels), 4);
}

TEST(JpegEncoder, ColourPaletteGivesColourFile) {
  auto source = test::MakePatternBitmap(16, 16, PixelFormat::Indexed8bpp);
  Bytes file;
  ASSERT_EQ(EncodeWithQuality(source->Pixels(), 90, file), Status::Ok);
  EXPECT_EQ(SamplingFactors(file).size(), 3u);
}

TEST(JpegEncoder, HigherQualityGivesLargerFile) {
  const PixelBuffer source = Gradient(128, 96);
  Bytes high, low;
  ASSERT_EQ(EncodeWithQuality(source, 100, high), Status::Ok);
  ASSERT_EQ(EncodeWithQuality(source, 10, low), Status::Ok);
  EXPECT_GT(high.size(), low.size());
}

TEST(JpegEncoder, QualityOutsideRangeIsClamped) {
  const PixelBuffer source = Gradient(40, 40);
  Bytes q150, q100, qMinus5, q0, q1;
  ASSERT_EQ(EncodeWithQuality(source, 150, q150), Status::Ok);
  ASSERT_EQ(EncodeWithQuality(source, 100, q100), Status::Ok);
  ASSERT_EQ(EncodeWithQuality(source, -5, qMinus5), Status::Ok);
  ASSERT_EQ(EncodeWithQuality(source, 0, q0), Status::Ok);
  ASSERT_EQ(EncodeWithQuality(source, 1, q1), Status::Ok);
  EXPECT_EQ(q150, q100);
  EXPECT_EQ(qMinus5, q0);
  EXPECT_EQ(q0, q1);  // libjpeg's lowest quality is 1
  EXPECT_NE(q0, q100);
}

TEST(JpegEncoder, DefaultQualityIs75) {
  const PixelBuffer source = Gradient(40, 40);
  Bytes plain, q75, q76;
  ASSERT_EQ(EncodeJpeg(source, {}, {}, plain), Status::Ok);
  ASSERT_EQ(EncodeWithQuality(source, 75, q75), Status::Ok);
  ASSERT_EQ(EncodeWithQuality(source, 76, q76), Status::Ok);
  EXPECT_EQ(plain, q75);
  EXPECT_NE(plain, q76);
}

TEST(JpegEncoder, ChromaIsHalvedBelowQuality90) {
  const PixelBuffer source = Gradient(32, 32);
  Bytes file;
  ASSERT_EQ(EncodeWithQuality(source, 89, file), Status::Ok);
  EXPECT_EQ(SamplingFactors(file), (std::vector<uint8_t>{0x22, 0x11, 0x11}));
  ASSERT_EQ(EncodeWithQuality(source, 90, file), Status::Ok);
  EXPECT_EQ(SamplingFactors(file), (std::vector<uint8_t>{0x11, 0x11, 0x11}));
}

TEST(JpegEncoder, MalformedParametersAreRefusedAndLeaveOutputAlone) {
  const PixelBuffer source = Gradient(8, 8);
  const int32_t quality = 50;
  const int32_t two[2] = {50, 60};
  const EncoderParameter bad[] = {
      {kEncoderQuality, 1, kEncoderParameterValueTypeShort, &quality},
      {kEncoderQuality, 2, kEncoderParameterValueTypeLong, two},
      {kEncoderQuality, 0, kEncoderParameterValueTypeLong, &quality},
      {kEncoderQuality, 1, kEncoderParameterValueTypeLong, nullptr},
      {kEncoderCompression, 1, kEncoderParameterValueTypeLong, &quality},
  };
  for (const EncoderParameter& p : bad) {
    Bytes file = {9, 9};
    EXPECT_EQ(EncodeJpeg(source, {}, EncoderParameters(&p, 1), file), Status::InvalidParameter);
    EXPECT_EQ(file, (Bytes{9, 9}));
  }
}

// --- Metadata --------------------------------------------------------------------------------

PropertyItem Text(uint32_t id, const std::string& text) {
  PropertyItem item{id, kPropertyTagTypeASCII, std::vector<uint8_t>(text.begin(), text.end())};
  item.value.push_back(0);
  return item;
}

bool Has(const std::vector<PropertyItem>& items, const PropertyItem& wanted) {
  return std::find(items.begin(), items.end(), wanted) != items.end();
}

TEST(JpegMetadata, SevenTextTagsSurvive) {
  const std::vector<PropertyItem> items = {
      Text(kPropertyTagArtist, "A. Painter"),
      Text(kPropertyTagCopyright, "(c) nobody"),
      Text(kPropertyTagDateTime, "2024:01:02 03:04:05"),
      Text(kPropertyTagImageDescription, "a test picture"),
      Text(kPropertyTagEquipMake, "Maker"),
      Text(kPropertyTagEquipModel, "Model 7"),
      Text(kPropertyTagImageTitle, "The Title"),
  };
  Bytes file;
  ASSERT_EQ(EncodeWithQuality(Gradient(16, 16), 80, file, items), Status::Ok);
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  for (const PropertyItem& item : items) EXPECT_TRUE(Has(frame.properties, item)) << "tag " << item.id;
}

TEST(JpegMetadata, NoItemsWritesNoExifSegment) {
  Bytes file;
  ASSERT_EQ(EncodeWithQuality(Gradient(16, 16), 80, file), Status::Ok);
  const std::string text(file.begin(), file.end());
  EXPECT_EQ(text.find(std::string("Exif\0\0", 6)), std::string::npos);
}

TEST(JpegMetadata, ItemsTooLargeForTheSegmentAreDropped) {
  const PropertyItem huge = Text(kPropertyTagImageDescription, std::string(70000, 'x'));
  const PropertyItem artist = Text(kPropertyTagArtist, "kept");
  const std::vector<PropertyItem> items = {huge, artist};
  Bytes file;
  ASSERT_EQ(EncodeWithQuality(Gradient(16, 16), 80, file, items), Status::Ok);
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame), Status::Ok);
  EXPECT_TRUE(Has(frame.properties, artist));
  EXPECT_FALSE(Has(frame.properties, huge));
}

TEST(JpegMetadata, CameraFileExifIsRead) {
  const auto dir = test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared test data";
  DecodedFrame frame;
  ASSERT_EQ(Decode(test::ReadFileBytes(dir / "jpeg" / "Canon_40D.jpg"), frame), Status::Ok);
  const auto make = std::find_if(frame.properties.begin(), frame.properties.end(),
                                 [](const PropertyItem& i) { return i.id == kPropertyTagEquipMake; });
  ASSERT_NE(make, frame.properties.end());
  EXPECT_EQ(std::string(make->value.begin(), make->value.end()), std::string("Canon\0", 6));
}

// --- Files made with libjpeg here ------------------------------------------------------------

struct Written {
  jpeg_compress_struct cinfo{};
  jpeg_glue::ErrorManager err;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  J_COLOR_SPACE in = JCS_RGB, out = JCS_YCbCr;
  int components = 3;
  bool progressive = false, arithmetic = false, optimize = false;
  int hSamp = 0, vSamp = 0;  // of the first component when set; the others are then 1x1
  int quality = 95;
  const std::vector<uint8_t>* pixels = nullptr;  // rows of `components` samples
  uint32_t width = 0, height = 0;
  ~Written() {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
  }
};

void CompressStep(void* arg) {
  auto* w = static_cast<Written*>(arg);
  jpeg_create_compress(&w->cinfo);
  jpeg_mem_dest(&w->cinfo, &w->buffer, &w->size);
  w->cinfo.image_width = w->width;
  w->cinfo.image_height = w->height;
  w->cinfo.input_components = w->components;
  w->cinfo.in_color_space = w->in;
  jpeg_set_defaults(&w->cinfo);
  jpeg_set_colorspace(&w->cinfo, w->out);
  jpeg_set_quality(&w->cinfo, w->quality, TRUE);
  if (w->progressive) jpeg_simple_progression(&w->cinfo);
  for (int c = 0; w->hSamp > 0 && c < w->components; ++c) {
    w->cinfo.comp_info[c].h_samp_factor = c == 0 ? w->hSamp : 1;
    w->cinfo.comp_info[c].v_samp_factor = c == 0 ? w->vSamp : 1;
  }
  w->cinfo.arith_code = w->arithmetic ? TRUE : FALSE;
  w->cinfo.optimize_coding = w->optimize ? TRUE : FALSE;
  jpeg_start_compress(&w->cinfo, TRUE);
  while (w->cinfo.next_scanline < w->height) {
    auto row = const_cast<JSAMPROW>(w->pixels->data() + w->cinfo.next_scanline * w->width * w->components);
    jpeg_write_scanlines(&w->cinfo, &row, 1);
  }
  jpeg_finish_compress(&w->cinfo);
}

Bytes WriteWithLibjpeg(Written& w) {
  w.cinfo.err = jpeg_glue::InstallErrorManager(w.err);
  if (!jpeg_glue::RunGuarded(w.err, CompressStep, &w)) return {};
  return Bytes(w.buffer, w.buffer + w.size);
}

// Adobe CMYK files store 255 - ink; libjpeg writes the Adobe marker for CMYK and YCCK.
TEST(JpegDecoder, AdobeCmykAndYcckBecomeRgb) {
  struct Ink {
    uint8_t c, m, y, k;
    uint32_t rgb;
  };
  const Ink inks[] = {{255, 0, 0, 0, 0x00FFFF}, {0, 255, 0, 0, 0xFF00FF}, {0, 0, 255, 0, 0xFFFF00},
                      {0, 0, 0, 255, 0x000000}, {0, 0, 0, 0, 0xFFFFFF},   {0, 0, 0, 128, 0x7F7F7F}};
  std::vector<uint8_t> pixels;
  for (uint32_t y = 0; y < 16; ++y)
    for (const Ink& ink : inks)
      for (int x = 0; x < 16; ++x)
        pixels.insert(pixels.end(),
                      {uint8_t(255 - ink.c), uint8_t(255 - ink.m), uint8_t(255 - ink.y), uint8_t(255 - ink.k)});
  for (J_COLOR_SPACE space : {JCS_CMYK, JCS_YCCK}) {
    SCOPED_TRACE(space);
    Written w;
    w.in = JCS_CMYK, w.out = space, w.components = 4, w.pixels = &pixels, w.width = 16 * 6, w.height = 16;
    const Bytes file = WriteWithLibjpeg(w);
    ASSERT_FALSE(file.empty());
    DecodedFrame frame;
    ASSERT_EQ(Decode(file, frame), Status::Ok);
    ASSERT_EQ(frame.pixels.Format(), PixelFormat::RGB24bpp);
    for (size_t i = 0; i < std::size(inks); ++i) {
      const uint8_t* px = frame.pixels.Row(8) + (i * 16 + 8) * 3;
      const uint32_t rgb = inks[i].rgb;
      EXPECT_NEAR(px[2], (rgb >> 16) & 0xFF, 6) << i;
      EXPECT_NEAR(px[1], (rgb >> 8) & 0xFF, 6) << i;
      EXPECT_NEAR(px[0], rgb & 0xFF, 6) << i;
    }
  }
}

TEST(JpegDecoder, ProgressiveAndArithmeticFilesMatchBaseline) {
  const uint32_t w = 48, h = 40;
  std::vector<uint8_t> pixels;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) pixels.insert(pixels.end(), {uint8_t(x * 5), uint8_t(y * 6), uint8_t(x + y)});
  Written base;
  base.pixels = &pixels, base.width = w, base.height = h;
  DecodedFrame reference;
  ASSERT_EQ(Decode(WriteWithLibjpeg(base), reference), Status::Ok);
  for (int variant = 0; variant < 3; ++variant) {
    Written other;
    other.pixels = &pixels, other.width = w, other.height = h;
    other.progressive = variant != 1;
    other.arithmetic = variant != 0;
    DecodedFrame frame;
    ASSERT_EQ(Decode(WriteWithLibjpeg(other), frame), Status::Ok) << variant;
    EXPECT_LE(MaxDifference(reference.pixels, frame.pixels), 1) << variant;
  }
}

// A progressive file whose last scan repeats far beyond any real encoder's scan count.
TEST(JpegDecoder, EndlessProgressiveScansAreCut) {
  std::vector<uint8_t> pixels(32 * 32 * 3, 100);
  Written w;
  w.pixels = &pixels, w.width = 32, w.height = 32, w.progressive = true;
  const Bytes file = WriteWithLibjpeg(w);
  ASSERT_GE(file.size(), 4u);
  size_t lastScan = 0;
  for (size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == 0xDA) lastScan = i;
  ASSERT_GT(lastScan, 0u);
  const Bytes scan(file.begin() + lastScan, file.end() - 2);
  Bytes hostile(file.begin(), file.end() - 2);
  for (int i = 0; i < 600; ++i) hostile.insert(hostile.end(), scan.begin(), scan.end());
  hostile.insert(hostile.end(), {0xFF, 0xD9});
  DecodedFrame frame;
  EXPECT_EQ(Decode(hostile, frame), Status::GenericError);
  EXPECT_TRUE(frame.pixels.Empty());
  // A handful of repeats is still within the limit and decodes.
  Bytes mild(file.begin(), file.end() - 2);
  for (int i = 0; i < 5; ++i) mild.insert(mild.end(), scan.begin(), scan.end());
  mild.insert(mild.end(), {0xFF, 0xD9});
  EXPECT_EQ(Decode(mild, frame), Status::Ok);
}

// --- Damaged and refused input ---------------------------------------------------------------

TEST(JpegDecoder, TruncatedFileYieldsThePartThatIsThere) {
  const PixelBuffer source = Gradient(64, 64);
  Bytes file;
  ASSERT_EQ(EncodeWithQuality(source, 90, file), Status::Ok);
  DecodedFrame whole;
  ASSERT_EQ(Decode(file, whole), Status::Ok);
  const Bytes half(file.begin(), file.begin() + file.size() * 2 / 3);
  DecodedFrame frame;
  ASSERT_EQ(Decode(half, frame), Status::Ok);
  ASSERT_EQ(frame.pixels.Height(), 64u);
  EXPECT_EQ(std::memcmp(frame.pixels.Row(0), whole.pixels.Row(0), 64 * 3), 0);
}

TEST(JpegDecoder, RefusesWhatIsNotJpegAndWhatIsTooLarge) {
  std::unique_ptr<ImageDecoder> decoder;
  EXPECT_EQ(OpenJpegDecoder(std::make_shared<const Bytes>(Bytes{'I', 'I', 42, 0}), kDefaultLimits, decoder),
            Status::UnknownImageFormat);
  Bytes file;
  ASSERT_EQ(EncodeWithQuality(Gradient(64, 16), 50, file), Status::Ok);
  const Bytes headerOnly(file.begin(), file.begin() + 20);
  EXPECT_NE(OpenJpegDecoder(std::make_shared<const Bytes>(headerOnly), kDefaultLimits, decoder), Status::Ok);
  EXPECT_FALSE(decoder);
  DecodeLimits narrow;
  narrow.maxSide = 32;
  EXPECT_EQ(OpenJpegDecoder(std::make_shared<const Bytes>(file), narrow, decoder), Status::OutOfMemory);
  EXPECT_FALSE(decoder);
}

TEST(JpegDecoder, TwelveBitFileFails) {
  const auto dir = test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared test data";
  DecodedFrame frame;
  EXPECT_EQ(Decode(test::ReadFileBytes(dir / "jpeg" / "monkey12.jpg"), frame), Status::GenericError);
}

TEST(JpegDecoder, HostileFilesFailCleanly) {
  const auto dir = test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared test data";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "bad")) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("jpeg-", 0) != 0) continue;
    ++files;
    SCOPED_TRACE(name);
    DecodedFrame frame;
    if (Decode(test::ReadFileBytes(entry.path()), frame) == Status::Ok) {
      EXPECT_GT(frame.pixels.Width(), 0u);
    } else {
      EXPECT_TRUE(frame.pixels.Empty());
    }
  }
  EXPECT_GT(files, 5);
}

// --- Against an independent decoder -----------------------------------------------------------

TEST(JpegDecoder, SampleFilesMatchImageMagick) {
  const auto dir = test::TestDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared test data";
  if (!test::HasImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
  const char* files[] = {"testorig.jpg",
                         "peacock.progressive.jpeg",
                         "peacock.s1x3.jpeg",
                         "peacock.grayscale.jpeg",
                         "weird_sampling_2.jpeg",
                         "down_sampled_grayscale_prog.jpg",
                         "sampling_factors.jpg",
                         "rebuilt_relax_fill_bytes_before_marker.jpg",
                         "app13.jpg",
                         "hippopotamus-sof-dht-swap.jpeg"};
  int compared = 0;
  for (const char* name : files) {
    const auto path = dir / "jpeg" / name;
    if (!std::filesystem::exists(path)) continue;
    SCOPED_TRACE(name);
    DecodedFrame frame;
    ASSERT_EQ(Decode(test::ReadFileBytes(path), frame), Status::Ok);
    const uint32_t w = frame.pixels.Width(), h = frame.pixels.Height();
    const std::optional<test::MagickPicture> reference = test::ReadWithImageMagick(path);
    ASSERT_TRUE(reference);
    ASSERT_EQ(reference->width, w);
    ASSERT_EQ(reference->height, h);
    ++compared;
    int worst = 0;
    std::vector<uint8_t> bgra(size_t{w} * 4);
    for (uint32_t y = 0; y < h; ++y) {
      RowToArgb32(frame.pixels.Row(y), frame.pixels.Format(), frame.pixels.GetPalette(), 0, w, bgra.data());
      for (uint32_t x = 0; x < w; ++x) {
        const uint32_t ref = reference->Argb(0, x, y);
        for (int c = 0; c < 3; ++c) {
          worst = std::max(worst, std::abs(bgra[x * 4 + 2 - c] - static_cast<int>(ref >> (16 - 8 * c) & 0xFF)));
        }
      }
    }
    EXPECT_LE(worst, 2);
  }
  EXPECT_GT(compared, 5);
}

// --- Large files decoded in two parts at once ------------------------------------------------

// One whole decode straight through libjpeg, in the decoder's output order (B, G, R or gray).
struct WholeDecode {
  jpeg_decompress_struct cinfo{};
  jpeg_glue::ErrorManager err;
  const Bytes* file = nullptr;
  std::vector<uint8_t> pixels;
  ~WholeDecode() { jpeg_destroy_decompress(&cinfo); }
};

void WholeDecodeStep(void* arg) {
  auto* d = static_cast<WholeDecode*>(arg);
  jpeg_create_decompress(&d->cinfo);
  jpeg_mem_src(&d->cinfo, d->file->data(), static_cast<unsigned long>(d->file->size()));
  jpeg_read_header(&d->cinfo, TRUE);
  d->cinfo.out_color_space = d->cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_start_decompress(&d->cinfo);
  const size_t stride = size_t{d->cinfo.output_width} * d->cinfo.output_components;
  d->pixels.resize(stride * d->cinfo.output_height);
  while (d->cinfo.output_scanline < d->cinfo.output_height) {
    JSAMPROW row = d->pixels.data() + stride * d->cinfo.output_scanline;
    jpeg_read_scanlines(&d->cinfo, &row, 1);
  }
  jpeg_finish_decompress(&d->cinfo);
}

// The codec's pixels must be those of one whole decode, and it must fail where that fails.
void ExpectSameAsWholeDecode(const Bytes& file) {
  WholeDecode whole;
  whole.file = &file;
  whole.cinfo.err = jpeg_glue::InstallErrorManager(whole.err);
  const bool wholeOk = jpeg_glue::RunGuarded(whole.err, WholeDecodeStep, &whole);
  DecodedFrame frame;
  ASSERT_EQ(Decode(file, frame) == Status::Ok, wholeOk);
  if (!wholeOk) return;
  const size_t stride = whole.pixels.size() / frame.pixels.Height();
  for (uint32_t y = 0; y < frame.pixels.Height(); ++y) {
    ASSERT_EQ(std::memcmp(frame.pixels.Row(y), whole.pixels.data() + stride * y, stride), 0) << "row " << y;
  }
}

// Noise over a gradient: entropy-coded data of realistic density, different in every band of blocks.
Bytes LargeFile(uint32_t w, uint32_t h, int components, int hSamp, int vSamp, std::vector<uint8_t>& pixels) {
  pixels.resize(size_t{w} * h * components);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i / 7 + (i * 2654435761u >> 28));
  Written file;
  file.pixels = &pixels, file.width = w, file.height = h, file.components = components;
  file.in = components == 1 ? JCS_GRAYSCALE : JCS_RGB, file.out = components == 1 ? JCS_GRAYSCALE : JCS_YCbCr;
  file.hSamp = hSamp, file.vSamp = vSamp;
  return WriteWithLibjpeg(file);
}

// 4 MiB of output and more is split; the heights leave the last band of blocks whole or partial.
TEST(JpegSplit, EverySamplingMatchesAWholeDecode) {
  struct Shape {
    uint32_t w, h;
    int components, hSamp, vSamp;
  };
  for (const Shape& s : {Shape{1536, 1000, 3, 1, 1}, Shape{1536, 1001, 3, 2, 2}, Shape{1544, 1040, 3, 2, 1},
                         Shape{1530, 1003, 3, 1, 2}, Shape{2400, 1900, 1, 1, 1}}) {
    SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << " sampled " << s.hSamp << "x" << s.vSamp);
    std::vector<uint8_t> pixels;
    ExpectSameAsWholeDecode(LargeFile(s.w, s.h, s.components, s.hSamp, s.vSamp, pixels));
  }
}

TEST(JpegSplit, DamagedAndTruncatedFilesMatchAWholeDecode) {
  std::vector<uint8_t> pixels;
  const Bytes file = LargeFile(1536, 1024, 3, 2, 2, pixels);
  ASSERT_GT(file.size(), 1000u);
  for (size_t keep : {file.size() / 4, file.size() * 3 / 4, file.size() - 3}) {
    SCOPED_TRACE(testing::Message() << "kept " << keep << " of " << file.size());
    ExpectSameAsWholeDecode(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(keep)));
  }
  // Garbled entropy-coded data in either part, and a stray end marker.
  for (size_t at : {file.size() / 3, file.size() * 2 / 3}) {
    SCOPED_TRACE(testing::Message() << "garbled at " << at);
    Bytes garbled = file;
    for (size_t i = at; i < at + 64; ++i) garbled[i] = static_cast<uint8_t>(garbled[i] * 31 + 7);
    ExpectSameAsWholeDecode(garbled);
    garbled[at] = 0xFF, garbled[at + 1] = 0xD9;
    ExpectSameAsWholeDecode(garbled);
  }
}

}  // namespace
}  // namespace tavlen::gfx

// --- Large pictures coded in two bands at once -----------------------------------------------

namespace tavlen::gfx {
namespace {

// The segments of every marker `code` before the scan, each from its FF on.
std::vector<Bytes> HeaderSegments(const Bytes& file, uint8_t code) {
  std::vector<Bytes> out;
  for (size_t at = 2; at + 4 <= file.size() && file[at] == 0xFF && file[at + 1] != 0xDA;) {
    const size_t end = at + 2 + (size_t{file[at + 2]} << 8 | file[at + 3]);
    if (end > file.size()) break;
    if (file[at + 1] == code) out.emplace_back(file.begin() + at, file.begin() + end);
    at = end;
  }
  return out;
}

// The picture's rows without padding (24bppRGB and 32bppARGB as they are, indices as gray levels).
std::vector<uint8_t> PackedRows(const PixelBuffer& image, int components) {
  std::vector<uint8_t> out;
  for (uint32_t y = 0; y < image.Height(); ++y) {
    out.insert(out.end(), image.Row(y), image.Row(y) + size_t{image.Width()} * components);
  }
  return out;
}

struct BandCase {
  PixelFormat format;
  uint32_t w, h;
  int quality;
};

// Over 4 MiB of pixels, so that the encoder codes two bands; heights end in a partial MCU row.
constexpr BandCase kBandCases[] = {{PixelFormat::RGB24bpp, 1400, 1003, 90},
                                   {PixelFormat::RGB24bpp, 1400, 1011, 75},
                                   {PixelFormat::ARGB32bpp, 1100, 1001, 100},
                                   {PixelFormat::Indexed8bpp, 2100, 2050, 90},
                                   {PixelFormat::RGB24bpp, 1400, 1003, 5}};

PixelBuffer BandPicture(const BandCase& c) {
  PixelBuffer p = std::move(PixelBuffer::Allocate(c.format, c.w, c.h, PixelBuffer::Init::Zero).Value());
  if (c.format == PixelFormat::Indexed8bpp) p.GetPalette() = GrayPalette(8);
  for (uint32_t y = 0; y < c.h; ++y) {
    uint8_t* row = p.Row(y);
    for (size_t i = 0; i < p.Stride(); ++i)
      row[i] = static_cast<uint8_t>(i / 5 + y / 3 + ((i * y * 2654435761u) >> 29));
  }
  return p;
}

// The same pixels through one libjpeg compressor with no restarts and optimised Huffman tables, as
// saves were written before they were coded in bands: a reference file.
Bytes OneCompressorFile(const PixelBuffer& image, int quality, std::vector<uint8_t>& pixels) {
  const bool gray = image.Format() == PixelFormat::Indexed8bpp;
  Written w;
  w.optimize = true;
  w.components = gray ? 1 : image.Format() == PixelFormat::RGB24bpp ? 3 : 4;
  w.in = gray ? JCS_GRAYSCALE : w.components == 3 ? JCS_EXT_BGR : JCS_EXT_BGRX;
  w.out = gray ? JCS_GRAYSCALE : JCS_YCbCr;
  w.quality = quality;
  if (!gray) w.hSamp = w.vSamp = quality >= 90 ? 1 : 2;
  pixels = PackedRows(image, w.components);
  w.pixels = &pixels, w.width = image.Width(), w.height = image.Height();
  return WriteWithLibjpeg(w);
}

std::vector<uint8_t> LibjpegPixels(const Bytes& file) {
  WholeDecode whole;
  whole.file = &file;
  whole.cinfo.err = jpeg_glue::InstallErrorManager(whole.err);
  if (!jpeg_glue::RunGuarded(whole.err, WholeDecodeStep, &whole)) return {};
  return std::move(whole.pixels);
}

TEST(JpegBands, DecodeAsOneCompressorsFileWithItsTables) {
  for (const BandCase& c : kBandCases) {
    SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(c.format) << " q" << c.quality);
    const PixelBuffer image = BandPicture(c);
    Bytes banded;
    ASSERT_EQ(EncodeWithQuality(image, c.quality, banded), Status::Ok);
    std::vector<uint8_t> packed;
    const Bytes reference = OneCompressorFile(image, c.quality, packed);
    ASSERT_FALSE(reference.empty());
    EXPECT_EQ(HeaderSegments(banded, 0xDB), HeaderSegments(reference, 0xDB));  // quantisation tables
    EXPECT_EQ(SamplingFactors(banded), SamplingFactors(reference));
    const std::vector<uint8_t> expected = LibjpegPixels(reference);
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(LibjpegPixels(banded) == expected);
    DecodedFrame ours;
    ASSERT_EQ(Decode(banded, ours), Status::Ok);
    const size_t stride = expected.size() / c.h;
    for (uint32_t y = 0; y < c.h; ++y) {
      ASSERT_EQ(std::memcmp(ours.pixels.Row(y), expected.data() + stride * y, stride), 0) << "row " << y;
    }
  }
}

// DRI names one MCU row; RST0..7 follow in turn after every MCU row but the last; nothing else
// interrupts the scan, which ends at EOI.
void ExpectRestartAfterEveryMcuRow(const Bytes& file, uint32_t mcuWidth, uint32_t mcuHeight) {
  const std::vector<Bytes> dri = HeaderSegments(file, 0xDD);
  ASSERT_EQ(dri.size(), 1u);
  const std::vector<Bytes> sof = HeaderSegments(file, 0xC0);
  ASSERT_EQ(sof.size(), 1u);
  const uint32_t height = sof[0][5] << 8 | sof[0][6], width = sof[0][7] << 8 | sof[0][8];
  EXPECT_EQ(uint32_t(dri[0][4] << 8 | dri[0][5]), (width + mcuWidth - 1) / mcuWidth);
  size_t scan = 2;
  while (scan + 4 <= file.size() && file[scan + 1] != 0xDA) scan += 2 + (file[scan + 2] << 8 | file[scan + 3]);
  scan += 2 + (file[scan + 2] << 8 | file[scan + 3]);
  uint32_t restarts = 0;
  size_t i = scan;
  for (; i + 1 < file.size(); ++i) {
    if (file[i] != 0xFF || file[i + 1] == 0x00) continue;
    if (file[i + 1] == 0xD9) break;
    ASSERT_EQ(file[i + 1], 0xD0 + restarts % 8) << "at " << i;
    ++restarts, ++i;
  }
  EXPECT_EQ(i + 2, file.size());
  EXPECT_EQ(restarts, (height + mcuHeight - 1) / mcuHeight - 1);
}

TEST(JpegBands, RestartMarkersAreWellFormed) {
  for (const BandCase& c : kBandCases) {
    SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(c.format) << " q" << c.quality);
    Bytes file;
    ASSERT_EQ(EncodeWithQuality(BandPicture(c), c.quality, file), Status::Ok);
    const bool halved = c.format != PixelFormat::Indexed8bpp && c.quality < 90;
    ExpectRestartAfterEveryMcuRow(file, halved ? 16 : 8, halved ? 16 : 8);
  }
  // Items are written once, before the first band's scan, and the join reads past them.
  const std::vector<PropertyItem> items = {Text(kPropertyTagArtist, "A. Painter"),
                                           Text(kPropertyTagImageDescription, std::string(60000, 'd'))};
  Bytes tagged;
  ASSERT_EQ(EncodeWithQuality(BandPicture(kBandCases[0]), 90, tagged, items), Status::Ok);
  ExpectRestartAfterEveryMcuRow(tagged, 8, 8);
  DecodedFrame frame;
  ASSERT_EQ(Decode(tagged, frame), Status::Ok);
  EXPECT_EQ(frame.pixels.Height(), kBandCases[0].h);
  for (const PropertyItem& item : items) EXPECT_TRUE(Has(frame.properties, item)) << "tag " << item.id;

  Bytes small;  // one compressor: the same layout
  ASSERT_EQ(EncodeWithQuality(Gradient(100, 70), 80, small), Status::Ok);
  ExpectRestartAfterEveryMcuRow(small, 16, 16);
}

TEST(JpegBands, DjpegAndImageMagickReadWhatLibjpegReads) {
  if (::access("/usr/bin/djpeg", X_OK) != 0) GTEST_SKIP() << "djpeg is not installed";
  const BandCase c = kBandCases[0];
  const PixelBuffer image = BandPicture(c);
  Bytes file;
  ASSERT_EQ(EncodeWithQuality(image, c.quality, file), Status::Ok);
  const std::vector<uint8_t> expected = LibjpegPixels(file);  // B, G, R
  test::TempDir dir;
  {
    std::ofstream(dir.File("banded.jpg"), std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  }
  const std::string command = "/usr/bin/djpeg -outfile " + dir.File("banded.ppm") + " " + dir.File("banded.jpg");
  ASSERT_EQ(std::system(command.c_str()), 0);
  const Bytes ppm = test::ReadFileBytes(dir.File("banded.ppm"));
  const std::string header = "P6\n" + std::to_string(c.w) + " " + std::to_string(c.h) + "\n255\n";
  ASSERT_EQ(ppm.size(), header.size() + expected.size());
  ASSERT_TRUE(std::equal(header.begin(), header.end(), ppm.begin()));
  for (size_t i = 0; i < expected.size(); i += 3) {
    ASSERT_TRUE(ppm[header.size() + i] == expected[i + 2] && ppm[header.size() + i + 2] == expected[i]) << i;
  }
  if (!test::HasImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
  const std::optional<test::MagickPicture> magick = test::ReadWithImageMagick(dir.File("banded.jpg"));
  ASSERT_TRUE(magick);
  ASSERT_EQ(magick->width, c.w);
  for (uint32_t y = 0; y < c.h; ++y) {
    for (uint32_t x = 0; x < c.w; ++x) {
      const uint8_t* bgr = expected.data() + (size_t{y} * c.w + x) * 3;
      ASSERT_EQ(magick->Argb(0, x, y), 0xFF000000u | bgr[2] << 16 | bgr[1] << 8 | bgr[0]) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace tavlen::gfx
