// The codec list: which decoder reads a file (by its content) and the encoders callers can pick.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/image_guids.h"

namespace tavlen::gfx {

// One encoder as callers see it. The strings are UTF-8 and, in a buffer filled by GetImageEncoders,
// stored inside that same buffer behind the records.
struct ImageCodecInfo {
  Guid clsid;
  Guid formatId;
  const char* codecName;
  const char* formatDescription;
  const char* filenameExtension;
  const char* mimeType;
  uint32_t flags;
  uint32_t version;
};

// Class identifiers of our encoders, minted for this library and fixed.
inline constexpr Guid kBmpEncoderClsid{0x9c0261fd, 0x63e1, 0x48d0, {0xac, 0x3f, 0x71, 0x07, 0xac, 0xff, 0x70, 0x91}};
inline constexpr Guid kJpegEncoderClsid{0xa6130f92, 0xfa16, 0x45d6, {0x9c, 0x65, 0x38, 0x12, 0x07, 0x13, 0x59, 0x42}};
inline constexpr Guid kGifEncoderClsid{0xe4826215, 0xb9fa, 0x4473, {0x9e, 0xcf, 0x67, 0xaf, 0x00, 0xa8, 0x33, 0x57}};
inline constexpr Guid kTiffEncoderClsid{0xf79506e1, 0x159e, 0x4ffa, {0xbc, 0x9d, 0xa3, 0xa9, 0x00, 0xfb, 0x13, 0x58}};
inline constexpr Guid kWebpEncoderClsid{0x7d1e4b30, 0x2c6a, 0x4f58, {0x9b, 0x0e, 0x5a, 0x83, 0x17, 0xc2, 0x64, 0xd9}};
inline constexpr Guid kPngEncoderClsid{0x5ef9e2fd, 0x86cb, 0x489c, {0xa7, 0x7b, 0x2d, 0xe8, 0x87, 0x4d, 0xb8, 0x14}};

enum ImageCodecFlags : uint32_t { kCodecEncoder = 1, kCodecDecoder = 2, kCodecSupportBitmap = 4, kCodecBuiltin = 0x10000 };

void GetImageEncodersSize(uint32_t& count, uint32_t& bytes);
// InsufficientBuffer when count or bytes do not match what GetImageEncodersSize gave.
Status GetImageEncoders(uint32_t count, uint32_t bytes, ImageCodecInfo* buffer);

// The encoding function of an encoder, or null for an unknown class identifier. The WebP encoder is
// found here but not listed by GetImageEncoders, whose list callers of old rely on.
ImageEncoderFn FindEncoder(const Guid& clsid);

// Chooses the decoder by the file's leading bytes. UnknownImageFormat when none recognises them, and
// for WebP, AVIF, HEIF and JPEG XL files unless the options ask for those formats. The decoder is
// given the options.
Status OpenDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& decoder,
                   Guid& rawFormat, const DecodeOptions& options = {});

}  // namespace tavlen::gfx
