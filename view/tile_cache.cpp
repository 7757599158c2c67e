// Rendered tiles of the displayed picture: rendering on demand, 1:1 drawing and the memory budget.
#include "view/tile_cache.h"

#include <algorithm>

namespace tavlen {

namespace {

// Restores a graphics object's interpolation mode on every way out.
class InterpolationGuard {
 public:
  explicit InterpolationGuard(gfx::Graphics& graphics)
      : m_graphics(graphics), m_mode(graphics.GetInterpolationMode()) {}
  ~InterpolationGuard() { gfx::Ignore(m_graphics.SetInterpolationMode(m_mode)); }
  InterpolationGuard(const InterpolationGuard&) = delete;
  InterpolationGuard& operator=(const InterpolationGuard&) = delete;

 private:
  gfx::Graphics& m_graphics;
  gfx::InterpolationMode m_mode;
};

// Destinations are handed to the painter as floats; beyond 2^24 those are no longer whole numbers,
// and a tile's offset would round differently from the direct draw's.
constexpr int64_t kExactFloat = int64_t{1} << 24;

bool ExactInFloat(int64_t v) { return v > -kExactFloat && v < kExactFloat; }

gfx::Status DrawDirect(gfx::Graphics& target, const gfx::Bitmap& image, const gfx::RectF& area, const gfx::Rect& dest) {
  gfx::Ignore(target.SetInterpolationMode(gfx::InterpolationMode::HighQualityBicubic));
  return target.DrawImage(image, gfx::RectF::From(dest), area, gfx::Unit::Pixel, nullptr);
}

}  // namespace

gfx::Status TileCache::Draw(gfx::Graphics& target, const gfx::Bitmap& image, const gfx::RectF& area,
                            const gfx::Rect& dest, const gfx::Rect& visible) {
  InterpolationGuard keepMode(target);
  if (dest.width < 0 || dest.height < 0 || image.Width() == 0 || image.Height() == 0) {
    return gfx::Status::InvalidParameter;
  }
  const int64_t right = int64_t{dest.x} + dest.width, bottom = int64_t{dest.y} + dest.height;
  if (!ExactInFloat(dest.x) || !ExactInFloat(dest.y) || !ExactInFloat(right) || !ExactInFloat(bottom)) {
    return DrawDirect(target, image, area, dest);
  }
  if (image.IsLocked()) {
    // Pixels written through an open lock change no stamp when it closes, so nothing rendered now
    // may be kept.
    Clear();
    return DrawDirect(target, image, area, dest);
  }
  const Key key{&image, image.ContentStamp(), area.x, area.y, area.width, area.height, dest.width, dest.height};
  if (!(key == m_key)) {
    Clear();
    m_key = key;
  }

  // The part of the displayed picture that can be seen, in picture coordinates.
  const int64_t vx0 = std::max<int64_t>(0, int64_t{visible.x} - dest.x);
  const int64_t vy0 = std::max<int64_t>(0, int64_t{visible.y} - dest.y);
  const int64_t vx1 = std::min<int64_t>(dest.width, int64_t{visible.x} + visible.width - dest.x);
  const int64_t vy1 = std::min<int64_t>(dest.height, int64_t{visible.y} + visible.height - dest.y);
  if (vx0 >= vx1 || vy0 >= vy1) return gfx::Status::Ok;

  const int64_t visibleArea = int64_t{std::max(visible.width, 0)} * std::max(visible.height, 0);
  const int64_t budget = std::clamp(kClientAreasKept * visibleArea * 4, kMinBudgetBytes, kMaxBudgetBytes);

  gfx::Ignore(target.SetInterpolationMode(gfx::InterpolationMode::NearestNeighbor));
  gfx::Status result = gfx::Status::Ok;
  for (int64_t row = vy0 / kTileSide; row <= (vy1 - 1) / kTileSide; ++row) {
    for (int64_t col = vx0 / kTileSide; col <= (vx1 - 1) / kTileSide; ++col) {
      // The part of this tile that can be seen, in tile coordinates.
      const int64_t tx = col * kTileSide, ty = row * kTileSide;
      const int64_t sx0 = std::max(vx0, tx) - tx, sy0 = std::max(vy0, ty) - ty;
      const int64_t sx1 = std::min(vx1, tx + kTileSide) - tx, sy1 = std::min(vy1, ty + kTileSide) - ty;
      const gfx::RectF screen{static_cast<float>(dest.x + tx + sx0), static_cast<float>(dest.y + ty + sy0),
                              static_cast<float>(sx1 - sx0), static_cast<float>(sy1 - sy0)};
      gfx::Status s = gfx::Status::Ok;
      if (const gfx::Bitmap* tile = Fetch(image, col, row, budget)) {
        const gfx::RectF source{static_cast<float>(sx0), static_cast<float>(sy0), static_cast<float>(sx1 - sx0),
                                static_cast<float>(sy1 - sy0)};
        s = target.DrawImage(*tile, screen, source, gfx::Unit::Pixel, nullptr);
      } else {
        // No memory for the tile: the painter draws this part straight into the window instead.
        gfx::Ignore(target.SetClip(screen));
        s = DrawDirect(target, image, area, dest);
        target.ResetClip();
        gfx::Ignore(target.SetInterpolationMode(gfx::InterpolationMode::NearestNeighbor));
      }
      if (result == gfx::Status::Ok) result = s;
    }
  }
  return result;
}

bool TileCache::Opaque(const gfx::Bitmap& image) {
  if (gfx::IsIndexed(image.Format())) {
    const auto& entries = image.GetPalette().entries;
    return std::all_of(entries.begin(), entries.end(), [](uint32_t c) { return c >> 24 == 0xFF; });
  }
  return !gfx::HasAlpha(image.Format());
}

const gfx::Bitmap* TileCache::Fetch(const gfx::Bitmap& image, int64_t col, int64_t row, int64_t budget) {
  const uint64_t id = static_cast<uint64_t>(row) << 32 | static_cast<uint64_t>(col);
  if (auto it = m_tiles.find(id); it != m_tiles.end()) {
    m_recent.splice(m_recent.begin(), m_recent, it->second.use);
    return it->second.pixels.get();
  }
  const int64_t tx = col * kTileSide, ty = row * kTileSide;
  const auto width = static_cast<uint32_t>(std::min<int64_t>(kTileSide, m_key.width - tx));
  const auto height = static_cast<uint32_t>(std::min<int64_t>(kTileSide, m_key.height - ty));
  // Opaque pictures keep opaque tiles, which reach the window as plain copies; others blend.
  auto created =
      gfx::Bitmap::Create(width, height, Opaque(image) ? gfx::PixelFormat::RGB32bpp : gfx::PixelFormat::PARGB32bpp);
  if (!created.Ok()) return nullptr;
  gfx::Bitmap::Ptr pixels = std::move(created).Value();
  {
    // Rendered in place: the painter computes only the tile's part of the whole picture.
    auto graphics = gfx::Graphics::FromImage(*pixels);
    if (!graphics.Ok()) return nullptr;
    gfx::Ignore(graphics.Value()->SetInterpolationMode(gfx::InterpolationMode::HighQualityBicubic));
    const gfx::RectF whole{static_cast<float>(-tx), static_cast<float>(-ty), static_cast<float>(m_key.width),
                           static_cast<float>(m_key.height)};
    if (graphics.Value()->DrawImage(image, whole, Area(), gfx::Unit::Pixel, nullptr) != gfx::Status::Ok) return nullptr;
  }
  m_recent.push_front(id);
  const gfx::Bitmap* tile = pixels.get();
  m_tiles.emplace(id, Tile{std::move(pixels), m_recent.begin()});
  m_bytes += int64_t{width} * height * 4;
  ++m_renders;
  EvictBeyond(budget);
  return tile;
}

void TileCache::EvictBeyond(int64_t budget) {
  // The newest tile stays even alone over the budget: it is about to be drawn.
  while (m_bytes > budget && m_recent.size() > 1) {
    auto it = m_tiles.find(m_recent.back());
    m_bytes -= int64_t{it->second.pixels->Width()} * it->second.pixels->Height() * 4;
    m_tiles.erase(it);
    m_recent.pop_back();
  }
}

void TileCache::Clear() {
  m_tiles.clear();
  m_recent.clear();
  m_bytes = 0;
  m_key = Key{};
}

}  // namespace tavlen
