// Decompression bombs: tiny files whose headers claim enormous pictures or a million frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavlen::reliability {

struct BombFile {
  std::string name;       // what the header claims, for messages
  std::string extension;  // with the dot
  std::vector<uint8_t> bytes;
};

// PNG, TIFF, GIF, BMP, JPEG, WMF and EMF files claiming 2^31 x 2^31 (or the largest size the format
// can state), 65,535 x 65,535 (1-bit where the format has it, so the claim is inside the pixel limits),
// or a million frames, each with a few bytes of picture data.
std::vector<BombFile> MakeBombFiles();

// GIF, TIFF, BMP, WMF and EMF files whose headers claim a picture inside the limits (up to 1 GiB of pixels)
// with a few bytes of data that cannot fill it.
std::vector<BombFile> MakeUnbackedFiles();

}  // namespace tavlen::reliability
