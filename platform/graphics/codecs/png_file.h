// PNG files decoded from their descriptor, so that a large picture's file is never held whole.
#pragma once

#include <cstdint>

#include "platform/graphics/codecs/codec.h"

namespace tavlen::gfx {

// The file (`fd`, `fileSize` bytes) decoded when it is a PNG whose image data is plain 8-bit rows:
// the chunks before and after the image data are read and parsed as in memory, the image data
// streamed. false, `out` untouched, for any other, damaged or refused file: decoding the whole file
// then gives its pixels or says what is wrong.
bool ReadStreamedPng(int fd, uint64_t fileSize, const DecodeLimits& limits, DecodedFrame& out);

}  // namespace tavlen::gfx
