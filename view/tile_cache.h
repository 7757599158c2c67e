// Rendered tiles of the displayed picture, so that a repaint after a move, scroll or expose copies
// pixels instead of resampling the picture again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/drawing/graphics.h"

namespace tavlen {

// The displayed picture (the image scaled to the view size) is cut into square tiles anchored at its
// top-left corner, so a tile stays valid however the picture moves. Each tile is the painter's own
// bicubic draw of the whole picture clipped to the tile; the painter's resampler gives a destination
// pixel the same value whichever part of the destination is computed, so a tile drawn 1:1 shows
// exactly what a direct draw would.
class TileCache {
 public:
  static constexpr int32_t kTileSide = 256;
  // The budget keeps about four client areas of tiles: what is shown plus room to scroll back and
  // forth without rendering again. Small windows still keep at least 64 tiles (16 MiB), and huge
  // ones no more than 1024 (256 MiB), past which a paint renders what the budget cannot hold again.
  static constexpr int64_t kClientAreasKept = 4;
  static constexpr int64_t kTileBytes = int64_t{kTileSide} * kTileSide * 4;
  static constexpr int64_t kMinBudgetBytes = 64 * kTileBytes;
  static constexpr int64_t kMaxBudgetBytes = 1024 * kTileBytes;

  TileCache() = default;
  TileCache(const TileCache&) = delete;
  TileCache& operator=(const TileCache&) = delete;

  // Draws `image` scaled into `dest` (device pixels of `target`) with HighQualityBicubic, the same
  // pixels as target.DrawImage(image, dest) with that mode, touching only `visible` (the window
  // pixels that can be seen; the target's own clip still applies). Tiles of another image, content
  // or view size are dropped first. InvalidParameter for a negative size or an empty image.
  // The target's interpolation mode is left as it was.
  [[nodiscard]] gfx::Status Draw(gfx::Graphics& target, const gfx::Bitmap& image, const gfx::Rect& dest,
                                 const gfx::Rect& visible) {
    return Draw(target, image, WholeOf(image), dest, visible);
  }
  // The same with only `area` of the image (in its pixels, fractions allowed) scaled into `dest`.
  [[nodiscard]] gfx::Status Draw(gfx::Graphics& target, const gfx::Bitmap& image, const gfx::RectF& area,
                                 const gfx::Rect& dest, const gfx::Rect& visible);

  // Whether the picture's tiles cover what lies under them (no alpha, no translucent palette entry).
  static bool Opaque(const gfx::Bitmap& image);

  // Drops every tile and frees its memory.
  void Clear();

  size_t TileCount() const { return m_tiles.size(); }
  int64_t Bytes() const { return m_bytes; }
  // Tiles rendered since construction: a paint that finds all it needs renders none.
  uint64_t Renders() const { return m_renders; }

 private:
  struct Key {
    const gfx::Bitmap* image = nullptr;
    uint64_t stamp = 0;
    float areaX = 0, areaY = 0, areaWidth = 0, areaHeight = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const Key&) const = default;
  };

  static gfx::RectF WholeOf(const gfx::Bitmap& image) {
    return {0, 0, static_cast<float>(image.Width()), static_cast<float>(image.Height())};
  }
  gfx::RectF Area() const { return {m_key.areaX, m_key.areaY, m_key.areaWidth, m_key.areaHeight}; }
  struct Tile {
    gfx::Bitmap::Ptr pixels;
    std::list<uint64_t>::iterator use;  // its place in m_recent
  };

  // The tile at column `col`, row `row`, rendered now when it is not kept; null when it cannot be.
  const gfx::Bitmap* Fetch(const gfx::Bitmap& image, int64_t col, int64_t row, int64_t budget);
  void EvictBeyond(int64_t budget);

  Key m_key;
  std::unordered_map<uint64_t, Tile> m_tiles;  // by row << 32 | column
  std::list<uint64_t> m_recent;                // most recently drawn first
  int64_t m_bytes = 0;
  uint64_t m_renders = 0;
};

}  // namespace tavlen
