// Reading region objects: scan lists of the old format, rectangle lists of the new.
#include "platform/graphics/metafile/region_data.h"

namespace tavlen::gfx::metafile {

// Offsets: next u16, type s16, object count u32, size s16, scan count s16, max scan s16,
// bounds (left, top, right, bottom) s16; then per scan: count u16, top u16, bottom u16,
// count/2 pairs of (left, right) u16, count u16 again.
bool ReadWmfRegion(ByteReader& p, RegionObject& out) {
  p.Skip(10);
  const int16_t scans = p.S16();
  p.S16();
  const int16_t l = p.S16(), t = p.S16(), r = p.S16(), b = p.S16();
  if (!p.Ok()) return false;
  for (int16_t s = 0; s < scans; ++s) {
    const uint16_t count = p.U16();
    const int16_t top = p.S16(), bottom = p.S16();
    if (!p.Ok() || count / 2 > p.Remaining() / 4) return false;
    for (uint16_t i = 0; i < count / 2; ++i) {
      const int16_t left = p.S16(), right = p.S16();
      out.rects.push_back({static_cast<double>(left), static_cast<double>(top), static_cast<double>(right),
                           static_cast<double>(bottom)});
    }
    p.U16();
  }
  if (scans <= 0 && r > l && b > t)
    out.rects.push_back(
        {static_cast<double>(l), static_cast<double>(t), static_cast<double>(r), static_cast<double>(b)});
  return p.Ok();
}

// Offsets: header size u32 (32), type u32 (1), count u32, size u32, bounds 4 x s32; then count rectangles.
bool ReadRegionData(std::span<const uint8_t> data, std::vector<RectD>& out) {
  ByteReader p(data);
  const uint32_t headerSize = p.U32();
  p.U32();
  const uint32_t count = p.U32();
  if (!p.Ok() || headerSize < 32) return false;
  p.Seek(headerSize);
  if (count > p.Remaining() / 16) return false;
  out.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const int32_t l = p.S32(), t = p.S32(), r = p.S32(), b = p.S32();
    out.push_back({static_cast<double>(l), static_cast<double>(t), static_cast<double>(r), static_cast<double>(b)});
  }
  return p.Ok();
}

}  // namespace tavlen::gfx::metafile
