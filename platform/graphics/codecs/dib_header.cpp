// Reading the info header of a DIB: core, OS/2 v2 and v3-v5 headers with the masks that may follow them.
#include "platform/graphics/codecs/dib_header.h"

#include <cstring>

namespace tavlen::gfx::bmp {
namespace {

HeaderKind KindForSize(uint32_t size) {
  if (size == kCoreHeaderSize) return HeaderKind::Core;
  if (size >= kOs2MinHeaderSize && size <= kOs2MaxHeaderSize && size != kInfoHeaderSize &&
      size != kRgbMasksHeaderSize && size != kRgbaMasksHeaderSize)
    return HeaderKind::Os2;
  return HeaderKind::Info;
}

}  // namespace

bool IsKnownBitCount(uint32_t bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

Status ParseDibHeader(std::span<const uint8_t> data, size_t infoStart, DibHeader& h) {
  if (data.size() - infoStart < 4) return Status::GenericError;
  h.headerSize = ReadU32(data.data() + infoStart);
  if (h.headerSize < kCoreHeaderSize || (h.headerSize > kCoreHeaderSize && h.headerSize < kOs2MinHeaderSize))
    return Status::UnknownImageFormat;
  if (h.headerSize > data.size() - infoStart) return Status::GenericError;
  h.kind = KindForSize(h.headerSize);

  // Fields a short OS/2 v2 header leaves out read as zero.
  std::array<uint8_t, kV5HeaderSize> f{};
  std::memcpy(f.data(), data.data() + infoStart, std::min<size_t>(h.headerSize, f.size()));
  if (h.kind == HeaderKind::Core) {
    h.width = ReadU16(&f[4]);
    h.height = ReadU16(&f[6]);
    h.bitCount = ReadU16(&f[10]);
  } else {
    const auto width = static_cast<int32_t>(ReadU32(&f[kInfoWidth]));
    const auto height = static_cast<int32_t>(ReadU32(&f[kInfoHeight]));
    if (width <= 0) return Status::GenericError;
    h.width = static_cast<uint32_t>(width);
    h.topDown = height < 0;
    // 0u - height keeps INT_MIN representable: it becomes 2^31 and fails the size check.
    h.height = h.topDown ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height);
    h.bitCount = ReadU16(&f[kInfoBitCount]);
    h.compression = ReadU32(&f[kInfoCompression]);
    h.colorsUsed = ReadU32(&f[kInfoColorsUsed]);
  }
  if (h.width == 0 || h.height == 0) return Status::GenericError;

  uint64_t afterHeader = infoStart + static_cast<uint64_t>(h.headerSize);
  if (h.kind == HeaderKind::Os2) {
    if (h.compression == kOs2Huffman1D || h.compression == kOs2Rle24) return Status::NotImplemented;
    if (h.compression > kBiRle4) return Status::GenericError;
  } else if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
    h.bitfields = true;
    const size_t maskCount = h.compression == kBiAlphaBitfields ? 4 : 3;
    if (h.headerSize >= kRgbMasksHeaderSize) {
      for (size_t i = 0; i < 4; ++i)
        if (h.headerSize >= kInfoRedMask + 4 * (i + 1)) h.masks[i] = ReadU32(&f[kInfoRedMask + 4 * i]);
    } else {
      // The 40-byte header keeps its masks right behind it.
      if (data.size() - afterHeader < 4 * maskCount) return Status::GenericError;
      for (size_t i = 0; i < maskCount; ++i) h.masks[i] = ReadU32(data.data() + afterHeader + 4 * i);
      afterHeader += 4 * maskCount;
    }
  } else if (h.compression > kBiAlphaBitfields) {
    return Status::GenericError;
  }
  h.paletteStart = afterHeader;

  const bool embedded = h.kind == HeaderKind::Info && (h.compression == kBiJpeg || h.compression == kBiPng);
  if (!embedded && !IsKnownBitCount(h.bitCount)) return Status::GenericError;
  if (h.compression == kBiRle8 && h.bitCount != 8) return Status::GenericError;
  if (h.compression == kBiRle4 && h.bitCount != 4) return Status::GenericError;
  if (h.bitfields && h.bitCount < 16) return Status::GenericError;
  // BI_RGB has fixed masks; some writers also leave the bit-field masks zero and mean the same.
  const bool noColourMasks = h.masks[0] == 0 && h.masks[1] == 0 && h.masks[2] == 0;
  if (h.bitCount == 16 && (!h.bitfields || noColourMasks)) h.masks = {0x7C00, 0x03E0, 0x001F, h.masks[3]};
  if (h.bitCount == 32 && (!h.bitfields || noColourMasks)) h.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, h.masks[3]};
  return Status::Ok;
}

}  // namespace tavlen::gfx::bmp
