// Large baseline JPEG files decode in two parts at once: the pixels must be those of one whole decode,
// whatever the chroma sampling, the split row or damage in the data.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/jpeg_glue.h"

namespace tavlen::gfx {
namespace {

struct Shape {
  uint32_t width, height;
  int components;    // 1 gray, 3 colour
  int hSamp, vSamp;  // of the first component; the others are 1x1
};

struct Compress {
  jpeg_compress_struct cinfo{};
  jpeg_glue::ErrorManager err;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  Shape shape{};
  ~Compress() {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
  }
};

// Noise over a gradient: entropy-coded data of realistic density, different in every band.
uint8_t Sample(uint32_t x, uint32_t y, int c) {
  const uint32_t noise = (x * 2654435761u ^ y * 40503u ^ static_cast<uint32_t>(c) * 977u) >> 27;
  return static_cast<uint8_t>((x / 8 + y / 5 + static_cast<uint32_t>(c) * 60 + noise) & 0xFF);
}

void CompressStep(void* arg) {
  auto* w = static_cast<Compress*>(arg);
  const Shape& s = w->shape;
  jpeg_create_compress(&w->cinfo);
  jpeg_mem_dest(&w->cinfo, &w->buffer, &w->size);
  w->cinfo.image_width = s.width;
  w->cinfo.image_height = s.height;
  w->cinfo.input_components = s.components;
  w->cinfo.in_color_space = s.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&w->cinfo);
  jpeg_set_quality(&w->cinfo, 90, TRUE);
  w->cinfo.comp_info[0].h_samp_factor = s.hSamp;
  w->cinfo.comp_info[0].v_samp_factor = s.vSamp;
  for (int c = 1; c < s.components; ++c) w->cinfo.comp_info[c].h_samp_factor = w->cinfo.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&w->cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(s.width) * s.components);
  while (w->cinfo.next_scanline < s.height) {
    for (uint32_t x = 0; x < s.width; ++x)
      for (int c = 0; c < s.components; ++c) row[x * s.components + c] = Sample(x, w->cinfo.next_scanline, c);
    JSAMPROW rowPointer = row.data();
    jpeg_write_scanlines(&w->cinfo, &rowPointer, 1);
  }
  jpeg_finish_compress(&w->cinfo);
}

Bytes Encode(const Shape& shape) {
  Compress w;
  w.shape = shape;
  w.cinfo.err = jpeg_glue::InstallErrorManager(w.err);
  if (!jpeg_glue::RunGuarded(w.err, CompressStep, &w)) return {};
  return Bytes(w.buffer, w.buffer + w.size);
}

// One whole decode straight through libjpeg, in the decoder's output order (B, G, R or gray).
struct Reference {
  jpeg_decompress_struct cinfo{};
  jpeg_glue::ErrorManager err;
  const Bytes* file = nullptr;
  std::vector<uint8_t> pixels;
  size_t stride = 0;
  ~Reference() { jpeg_destroy_decompress(&cinfo); }
};

void DecodeStep(void* arg) {
  auto* r = static_cast<Reference*>(arg);
  jpeg_create_decompress(&r->cinfo);
  jpeg_mem_src(&r->cinfo, r->file->data(), static_cast<unsigned long>(r->file->size()));
  jpeg_read_header(&r->cinfo, TRUE);
  r->cinfo.out_color_space = r->cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_start_decompress(&r->cinfo);
  r->stride = static_cast<size_t>(r->cinfo.output_width) * r->cinfo.output_components;
  r->pixels.assign(r->stride * r->cinfo.output_height, 0);
  while (r->cinfo.output_scanline < r->cinfo.output_height) {
    JSAMPROW row = r->pixels.data() + r->stride * r->cinfo.output_scanline;
    jpeg_read_scanlines(&r->cinfo, &row, 1);
  }
  jpeg_finish_decompress(&r->cinfo);
}

// Decodes through the codec and expects every row to equal the whole reference decode.
void ExpectSameAsWholeDecode(const Bytes& file) {
  Reference reference;
  reference.file = &file;
  reference.cinfo.err = jpeg_glue::InstallErrorManager(reference.err);
  const bool referenceOk = jpeg_glue::RunGuarded(reference.err, DecodeStep, &reference);

  std::unique_ptr<ImageDecoder> decoder;
  DecodedFrame frame;
  Status status = OpenJpegDecoder(std::make_shared<const Bytes>(file), kDefaultLimits, decoder);
  if (status == Status::Ok) status = decoder->DecodeFrame(0, frame);
  ASSERT_EQ(status == Status::Ok, referenceOk);
  if (!referenceOk) return;
  const PixelBuffer& pixels = frame.pixels;
  ASSERT_EQ(pixels.Width() * (pixels.Format() == PixelFormat::Indexed8bpp ? 1u : 3u), reference.stride);
  for (uint32_t y = 0; y < pixels.Height(); ++y) {
    ASSERT_EQ(std::memcmp(pixels.Row(y), reference.pixels.data() + reference.stride * y, reference.stride), 0)
        << "row " << y << " of " << pixels.Height();
  }
}

// Big enough to split (4 MiB of output and more); the heights leave the last band of blocks whole or
// partial.
TEST(JpegSplit, EverySamplingMatchesAWholeDecode) {
  const Shape shapes[] = {
      {1536, 1000, 3, 1, 1},  // 4:4:4
      {1536, 1001, 3, 2, 2},  // 4:2:0, last band partial
      {1544, 1040, 3, 2, 1},  // 4:2:2
      {1530, 1003, 3, 1, 2},  // 4:4:0, width not a block multiple
      {2400, 1900, 1, 1, 1},  // gray
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(testing::Message() << shape.width << "x" << shape.height << " " << shape.hSamp << "x" << shape.vSamp);
    const Bytes file = Encode(shape);
    ASSERT_FALSE(file.empty());
    ExpectSameAsWholeDecode(file);
  }
}

TEST(JpegSplit, DamagedAndTruncatedFilesMatchAWholeDecode) {
  const Bytes file = Encode({1536, 1024, 3, 2, 2});
  ASSERT_GT(file.size(), 1000u);
  // Cut in the upper half, in the lower half and just before the end.
  for (size_t keep : {file.size() / 4, file.size() * 3 / 4, file.size() - 3}) {
    SCOPED_TRACE(testing::Message() << "kept " << keep << " of " << file.size());
    ExpectSameAsWholeDecode(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(keep)));
  }
  // Garbled entropy-coded data in either part, and a stray marker.
  for (size_t at : {file.size() / 3, file.size() * 2 / 3}) {
    SCOPED_TRACE(testing::Message() << "garbled at " << at);
    Bytes garbled = file;
    for (size_t i = at; i < at + 64; ++i) garbled[i] = static_cast<uint8_t>(garbled[i] * 31 + 7);
    ExpectSameAsWholeDecode(garbled);
    garbled[at] = 0xFF;
    garbled[at + 1] = 0xD9;
    ExpectSameAsWholeDecode(garbled);
  }
}

}  // namespace
}  // namespace tavlen::gfx
