// Encoder parameters as callers pass them, and the published values they take.
#pragma once

#include <cstdint>
#include <span>

#include "platform/graphics/image_guids.h"

namespace tavlen::gfx {

enum EncoderParameterValueType : uint32_t {
  kEncoderParameterValueTypeByte = 1,
  kEncoderParameterValueTypeASCII = 2,
  kEncoderParameterValueTypeShort = 3,
  kEncoderParameterValueTypeLong = 4,
};

enum EncoderValue : uint32_t {
  kEncoderValueCompressionLZW = 2,
  kEncoderValueCompressionCCITT3 = 3,
  kEncoderValueCompressionCCITT4 = 4,
  kEncoderValueCompressionRle = 5,
  kEncoderValueCompressionNone = 6,
  // Ours, past the published values: Deflate (zlib) strips.
  kEncoderValueCompressionDeflate = 256,
};

struct EncoderParameter {
  Guid guid;
  uint32_t numberOfValues = 0;
  uint32_t type = 0;
  const void* value = nullptr;
};

using EncoderParameters = std::span<const EncoderParameter>;

}  // namespace tavlen::gfx
