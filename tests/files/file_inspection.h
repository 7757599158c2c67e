// Reads back what the encoders wrote, with the reference libraries: TIFF tags and JPEG quantisation.
#pragma once

#include <cstdint>
#include <string>

namespace tavlen::files::test {

struct TiffTags {
  bool readable = false;
  uint16_t compression = 0;
  uint16_t bitsPerSample = 0;
  uint32_t width = 0;
  uint32_t height = 0;
};
TiffTags ReadTiffTags(const std::string& path);

// The first entry of the first quantisation table (1 at quality 100), or -1 when unreadable.
int32_t JpegFirstQuantValue(const std::string& path);

}  // namespace tavlen::files::test
