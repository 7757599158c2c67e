// The published TiffCompression values (the TiffCompression property), which SaveAsTif turns into
// the TIFF encoder's compression parameter. One list gives the enumeration and the type library's rows.
#pragma once

#include <cstdint>

namespace tavlen {

// X(name, published value), in the published order.
#define TAVLEN_TIFF_COMPRESSIONS(X) \
  X(CompressionLZW, 0)              \
  X(CompressionCCITT3, 1)           \
  X(CompressionCCITT4, 2)           \
  X(CompressionRle, 3)              \
  X(CompressionNone, 4)

// Version 2's values after them. Version 1 saves these with LZW, as it does any value it does not know.
#define TAVLEN_TIFF_COMPRESSIONS_2(X) X(CompressionDeflate, 5)

enum class TiffCompression : int32_t {
#define TAVLEN_TIFF_COMPRESSION_ENUMERATOR(name, value) name = value,
  TAVLEN_TIFF_COMPRESSIONS(TAVLEN_TIFF_COMPRESSION_ENUMERATOR)
      TAVLEN_TIFF_COMPRESSIONS_2(TAVLEN_TIFF_COMPRESSION_ENUMERATOR)
#undef TAVLEN_TIFF_COMPRESSION_ENUMERATOR
};
inline constexpr int32_t kTiffCompressionCount = 5;   // version 1's values
inline constexpr int32_t kTiffCompressionCount2 = 6;  // with version 2's

}  // namespace tavlen
