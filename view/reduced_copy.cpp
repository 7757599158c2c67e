// The reduced copy: which level a view can draw from, and when the copy is made, kept or dropped.
#include "view/reduced_copy.h"

#include "platform/graphics/area_average.h"

namespace tavlen {

namespace {

// A copy costs at most a quarter of the picture's pixel memory: its pixel may take no more bytes
// than a quarter of the block of picture pixels it stands for. (Blocks cut at the far edges count
// whole, so an odd-sized picture's copy may exceed the quarter by a row and a column.)
bool WithinMemoryShare(const gfx::Bitmap& picture, uint32_t level) {
  const uint64_t copyBits = gfx::BitsPerPixel(gfx::AverageFormat(picture));
  const uint64_t blockBits = uint64_t{gfx::BitsPerPixel(picture.Format())} << (2 * level);
  return copyBits * 4 <= blockBits;
}

}  // namespace

uint32_t ReducedCopy::LevelFor(uint32_t width, uint32_t height, int64_t viewWidth, int64_t viewHeight) {
  if (viewWidth <= 0 || viewHeight <= 0) return 0;
  uint32_t level = 0;
  while (level < gfx::kMaxAverageLevel && (viewWidth << (level + 1)) <= width &&
         (viewHeight << (level + 1)) <= height) {
    ++level;
  }
  return level;
}

const gfx::Bitmap* ReducedCopy::For(const gfx::Bitmap& picture, int32_t viewWidth, int32_t viewHeight) {
  if (m_stamp != picture.ContentStamp()) Clear();  // of pixels no longer shown: never drawn again
  const uint32_t level = LevelFor(picture.Width(), picture.Height(), viewWidth, viewHeight);
  if (level == 0 || picture.IsLocked()) return nullptr;
  // A copy finer than this view needs still shrinks into it; a coarser one would be enlarged.
  const bool usable = m_stamp != 0 && (m_copy ? m_level <= level : m_level == level);
  if (!usable) Make(picture, level);
  return m_copy.get();
}

void ReducedCopy::Make(const gfx::Bitmap& picture, uint32_t level) {
  if (m_stamp == picture.ContentStamp() && m_level == level) return;
  Clear();
  if (level == 0 || picture.IsLocked()) return;  // pixels written through a lock change no stamp
  m_stamp = picture.ContentStamp();
  m_level = level;
  if (!WithinMemoryShare(picture, level)) return;
  auto made = gfx::AverageDown(picture, level);
  if (!made.Ok()) return;  // no memory: the picture itself is drawn
  m_copy = std::move(made).Value();
  const auto scale = static_cast<float>(1u << level);
  m_area = gfx::RectF{0, 0, static_cast<float>(picture.Width()) / scale, static_cast<float>(picture.Height()) / scale};
}

}  // namespace tavlen
