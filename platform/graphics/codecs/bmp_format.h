// Byte layouts and constants of BMP/DIB files, shared by the BMP decoder and encoder.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavlen::gfx::bmp {

// BITMAPFILEHEADER, 14 bytes, little-endian:
//   0 'B' 'M'   2 u32 file size   6 u16 reserved x2   10 u32 offset of the pixel data
inline constexpr size_t kFileHeaderSize = 14;
inline constexpr size_t kFileSizeOffset = 2;
inline constexpr size_t kPixelOffsetOffset = 10;

// Info header sizes. 12: OS/2 v1 core header (u16 width/height, 3-byte palette entries).
// 16..64 other than 40/52/56: OS/2 v2, possibly cut short (missing fields read as zero).
// 40: v3; 52/56: v3 with RGB/RGBA masks inside the header; 108: v4; 124: v5.
inline constexpr uint32_t kCoreHeaderSize = 12;
inline constexpr uint32_t kOs2MinHeaderSize = 16;
inline constexpr uint32_t kOs2MaxHeaderSize = 64;
inline constexpr uint32_t kInfoHeaderSize = 40;
inline constexpr uint32_t kRgbMasksHeaderSize = 52;
inline constexpr uint32_t kRgbaMasksHeaderSize = 56;
inline constexpr uint32_t kV4HeaderSize = 108;
inline constexpr uint32_t kV5HeaderSize = 124;

// Core header: 4 u16 width, 6 u16 height, 8 u16 planes, 10 u16 bit count.
// Later headers:
//   4 i32 width   8 i32 height (negative: top-down)   12 u16 planes   14 u16 bit count
//   16 u32 compression   20 u32 image size   24/28 i32 pixels per metre   32 u32 colours used
//   36 u32 colours important   40 u32 red mask   44 green   48 blue   52 alpha   (masks: 52+ bytes)
//   56 u32 colour space type ... (v4)   108 u32 rendering intent ... (v5)
inline constexpr size_t kInfoWidth = 4;
inline constexpr size_t kInfoHeight = 8;
inline constexpr size_t kInfoPlanes = 12;
inline constexpr size_t kInfoBitCount = 14;
inline constexpr size_t kInfoCompression = 16;
inline constexpr size_t kInfoImageSize = 20;
inline constexpr size_t kInfoXPelsPerMeter = 24;
inline constexpr size_t kInfoYPelsPerMeter = 28;
inline constexpr size_t kInfoColorsUsed = 32;
inline constexpr size_t kInfoColorsImportant = 36;
inline constexpr size_t kInfoRedMask = 40;
inline constexpr size_t kInfoGreenMask = 44;
inline constexpr size_t kInfoBlueMask = 48;
inline constexpr size_t kInfoAlphaMask = 52;
inline constexpr size_t kV4ColorSpaceType = 56;
inline constexpr size_t kV5Intent = 108;

// Compression values of the 40-byte header and its extensions.
inline constexpr uint32_t kBiRgb = 0;
inline constexpr uint32_t kBiRle8 = 1;
inline constexpr uint32_t kBiRle4 = 2;
inline constexpr uint32_t kBiBitfields = 3;
inline constexpr uint32_t kBiJpeg = 4;
inline constexpr uint32_t kBiPng = 5;
inline constexpr uint32_t kBiAlphaBitfields = 6;
// OS/2 v2 reuses 3 and 4 for other schemes.
inline constexpr uint32_t kOs2Huffman1D = 3;
inline constexpr uint32_t kOs2Rle24 = 4;

inline constexpr uint32_t kLcsSrgb = 0x73524742;  // 'sRGB'
inline constexpr uint32_t kLcsGmImages = 4;
inline constexpr int32_t kPelsPerMeter96Dpi = 3780;

inline uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline void WriteU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// Bytes of one stored row: rows are padded to a multiple of 4 bytes.
inline constexpr uint64_t RowBytes(uint64_t width, uint32_t bitCount) { return (width * bitCount + 31) / 32 * 4; }

}  // namespace tavlen::gfx::bmp
