// The undo history's slots: restart, push with the oldest state dropped when full, step back and
// forward.
#include "edit/undo_history.h"

#include <utility>

namespace tavlen {

void UndoHistory::Restart(ImageObject::Ptr first, PictureSize size) {
  for (auto& snapshot : m_images) snapshot.reset();
  m_sizes.fill(PictureSize{});
  m_count = 0;
  m_newest = 0;
  m_images[0] = std::move(first);
  m_sizes[0] = size;
}

void UndoHistory::Push(ImageObject& current) {
  if (m_count >= kSlots - 1) {
    // All slots in use: drop the oldest state and move the others down.
    for (int i = 0; i + 1 < kSlots; ++i) {
      m_images[i] = std::move(m_images[i + 1]);
      m_sizes[i] = m_sizes[i + 1];
    }
    m_images[kSlots - 1].reset();
    m_sizes[kSlots - 1] = PictureSize{};
    m_count = kSlots - 2;
  }
  const uint32_t width = current.Width();
  const uint32_t height = current.Height();
  ++m_count;
  // A slot left behind by StepBack is released here, before the new copy is made.
  m_images[m_count].reset();
  m_images[m_count] = current.SnapshotCopy(width, height);
  m_sizes[m_count] = PictureSize{static_cast<int32_t>(width), static_cast<int32_t>(height)};
  m_newest = m_count;
}

UndoHistory::Restored UndoHistory::StepBack() {
  if (m_count == 0) return {};
  --m_count;
  return CopyOfCurrent();
}

UndoHistory::Restored UndoHistory::StepForward() {
  if (m_count >= m_newest) return {};
  ++m_count;
  return CopyOfCurrent();
}

const ImageObject* UndoHistory::Snapshot(int slot) const {
  const ImageObject* snapshot = m_images[slot].get();
  if (!snapshot || !snapshot->Handle()) return snapshot;
  return snapshot->Handle()->Wake() == gfx::Status::Ok ? snapshot : nullptr;
}

UndoHistory::Restored UndoHistory::CopyOfCurrent() const {
  const PictureSize size = m_sizes[m_count];
  ImageObject* snapshot = m_images[m_count].get();
  if (!snapshot) return {nullptr, size};
  return {snapshot->CopyWhole(static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height)), size};
}

}  // namespace tavlen
