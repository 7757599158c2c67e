// Encoder of BMP files: bottom-up, uncompressed, in the bitmap's own format wherever a BMP can hold it.
//
// Indexed 1/4/8, RGB555, RGB565 (bit fields), RGB24 and RGB32 are written as they are with a 40-byte header;
// ARGB32 (and PARGB32, un-premultiplied) with a v5 header whose alpha mask keeps alpha; every other format is
// converted to ARGB32 when it has alpha, else to RGB24, a row at a time straight into the file.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/graphics/codecs/bmp_format.h"
#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/picture_rows.h"
#include "platform/graphics/convert.h"

namespace tavlen::gfx {
namespace {

using namespace bmp;

PixelFormat StoredFormat(PixelFormat format) {
  switch (format) {
    case PixelFormat::Indexed1bpp:
    case PixelFormat::Indexed4bpp:
    case PixelFormat::Indexed8bpp:
    case PixelFormat::RGB555_16bpp:
    case PixelFormat::RGB565_16bpp:
    case PixelFormat::RGB24bpp:
    case PixelFormat::RGB32bpp:
    case PixelFormat::ARGB32bpp:
      return format;
    default:
      return HasAlpha(format) ? PixelFormat::ARGB32bpp : PixelFormat::RGB24bpp;
  }
}

// Rows held at once: a band of a few hundred kilobytes, written in place as a piece of the file.
constexpr uint64_t kBandBytes = 256 * 1024;

// Row y of the picture as the file keeps it, at `dst`, whose bytes past the pixels stay as they are (zero).
Status PutRow(const PictureRows& image, PixelFormat format, uint32_t y, uint8_t* dst) {
  const uint32_t width = image.Width();
  const uint64_t bits = uint64_t{width} * BitsPerPixel(format);
  const size_t used = static_cast<size_t>((bits + 7) / 8);
  // Bits of the last byte beyond the row's pixels are written as zero.
  const auto tailMask = static_cast<uint8_t>(bits % 8 == 0 ? 0xFF : 0xFF << (8 - bits % 8));
  const uint8_t* src = image.Row(y);
  if (format == image.Format()) {
    std::memcpy(dst, src, used);
  } else {
    const ConstPixelView from{{image.Format(), width, 1, image.Stride()}, src};
    if (Status s = ConvertPixels(from, image.GetPalette(), PixelView{{format, width, 1, used}, dst}, {});
        s != Status::Ok) {
      return s;
    }
  }
  dst[used - 1] &= tailMask;
  if (format == PixelFormat::RGB32bpp) {
    for (uint32_t x = 0; x < width; ++x) dst[4 * x + 3] = 0;  // reserved byte of BI_RGB 32
  }
  return Status::Ok;
}

// Writes the headers, palette and rows of `image` in `format`, StoredFormat(image.Format()), to `out`:
// the headers in order, then the rows a band at a time, each band in its place in the bottom-up file.
Status Write(const PictureRows& image, PixelFormat format, ByteSink& out) {
  const uint32_t bits = BitsPerPixel(format);
  const uint32_t width = image.Width();
  const uint32_t height = image.Height();
  if (width > INT32_MAX || height > INT32_MAX) return Status::ValueOverflow;

  std::vector<uint32_t> palette;
  if (IsIndexed(format)) {
    palette = image.GetPalette().entries;
    if (palette.empty()) palette = DefaultPalette(format).entries;
    palette.resize(std::min<size_t>(palette.size(), size_t{1} << bits));
  }
  const bool alpha = format == PixelFormat::ARGB32bpp;
  const bool masks565 = format == PixelFormat::RGB565_16bpp;
  const uint32_t headerSize = alpha ? kV5HeaderSize : kInfoHeaderSize;
  const uint64_t pixelOffset = kFileHeaderSize + headerSize + (masks565 ? 12 : 0) + 4 * palette.size();
  const uint64_t rowBytes = RowBytes(width, bits);
  const uint64_t imageBytes = rowBytes * height;
  const uint64_t fileSize = pixelOffset + imageBytes;
  if (fileSize > UINT32_MAX) return Status::ValueOverflow;
  const uint32_t bandRows = static_cast<uint32_t>(std::clamp<uint64_t>(kBandBytes / rowBytes, 1, height));
  Bytes head, band;
  try {
    head.assign(static_cast<size_t>(pixelOffset), 0);
    band.assign(static_cast<size_t>(rowBytes * bandRows), 0);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }

  uint8_t* p = head.data();
  p[0] = 'B';
  p[1] = 'M';
  WriteU32(p + kFileSizeOffset, static_cast<uint32_t>(fileSize));
  WriteU32(p + kPixelOffsetOffset, static_cast<uint32_t>(pixelOffset));

  uint8_t* info = p + kFileHeaderSize;
  WriteU32(info, headerSize);
  WriteU32(info + kInfoWidth, width);
  WriteU32(info + kInfoHeight, height);  // positive: bottom-up
  WriteU16(info + kInfoPlanes, 1);
  WriteU16(info + kInfoBitCount, static_cast<uint16_t>(bits));
  WriteU32(info + kInfoCompression, alpha || masks565 ? kBiBitfields : kBiRgb);
  WriteU32(info + kInfoImageSize, static_cast<uint32_t>(imageBytes));
  WriteU32(info + kInfoXPelsPerMeter, kPelsPerMeter96Dpi);
  WriteU32(info + kInfoYPelsPerMeter, kPelsPerMeter96Dpi);
  WriteU32(info + kInfoColorsUsed, static_cast<uint32_t>(palette.size()));
  if (alpha) {
    WriteU32(info + kInfoRedMask, 0x00FF0000);
    WriteU32(info + kInfoGreenMask, 0x0000FF00);
    WriteU32(info + kInfoBlueMask, 0x000000FF);
    WriteU32(info + kInfoAlphaMask, 0xFF000000);
    WriteU32(info + kV4ColorSpaceType, kLcsSrgb);
    WriteU32(info + kV5Intent, kLcsGmImages);
  } else if (masks565) {
    WriteU32(info + kInfoHeaderSize, 0xF800);
    WriteU32(info + kInfoHeaderSize + 4, 0x07E0);
    WriteU32(info + kInfoHeaderSize + 8, 0x001F);
  }
  uint8_t* entry = p + pixelOffset - 4 * palette.size();
  for (uint32_t argb : palette) {  // RGBQUAD: blue, green, red, reserved
    entry[0] = static_cast<uint8_t>(argb);
    entry[1] = static_cast<uint8_t>(argb >> 8);
    entry[2] = static_cast<uint8_t>(argb >> 16);
    entry += 4;
  }

  if (Status s = out.Write(head); s != Status::Ok) return s;
  // Top to bottom, as streamed rows come; the file keeps them bottom-up.
  for (uint32_t top = 0; top < height; top += bandRows) {
    const uint32_t rows = std::min(bandRows, height - top);
    for (uint32_t y = top; y < top + rows; ++y) {
      if (Status s = PutRow(image, format, y, band.data() + (top + rows - 1 - y) * rowBytes); s != Status::Ok) return s;
    }
    const uint64_t at = pixelOffset + uint64_t{height - top - rows} * rowBytes;
    if (Status s = out.WriteAt(at, {band.data(), static_cast<size_t>(rows * rowBytes)}); s != Status::Ok) return s;
  }
  return Status::Ok;
}

}  // namespace

Status EncodeBmp(const PixelBuffer& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                 Bytes& out) {
  if (image.Empty()) return Status::InvalidParameter;
  return EncodeBmpRows(PictureRows(image), properties, parameters, out);
}

Status EncodeBmpRows(const PictureRows& image, std::span<const PropertyItem> properties, EncoderParameters parameters,
                     Bytes& out) {
  return WriteIntoMemory(out, [&](ByteSink& sink) { return StreamBmpRows(image, properties, parameters, sink); });
}

Status StreamBmpRows(const PictureRows& image, std::span<const PropertyItem>, EncoderParameters parameters,
                     ByteSink& out) {
  if (!parameters.empty()) return Status::InvalidParameter;
  if (!IsValidPixelFormat(image.Format()) || image.Width() == 0 || image.Height() == 0) return Status::InvalidParameter;
  return Write(image, StoredFormat(image.Format()), out);
}

}  // namespace tavlen::gfx
