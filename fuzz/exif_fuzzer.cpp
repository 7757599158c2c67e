// Fuzzes the EXIF reader, and the writer on whatever the reader accepted.
#include <cstddef>
#include <cstdint>

#include "platform/graphics/exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<tavlen::gfx::PropertyItem> items;
  if (tavlen::gfx::ParseExif(std::span(data, size), items)) {
    const std::vector<uint8_t> rebuilt = tavlen::gfx::BuildExif(items);
    std::vector<tavlen::gfx::PropertyItem> again;
    tavlen::gfx::ParseExif(rebuilt, again);
    if (again.size() > items.size()) __builtin_trap();  // building must never invent items
  }
  return 0;
}
