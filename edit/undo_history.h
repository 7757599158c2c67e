// The undo history: ten slots of separate copies of the working image, slot 0 the oldest, the
// current state at Count(). States stepped back over stay as redo steps until the next push. The
// copies are dormant (see gfx::Bitmap::CloneDormant): an edit of a few rows copies only those.
#pragma once

#include <array>
#include <cstdint>

#include "image/image_object.h"

namespace tavlen {

// The pixel size of a picture when its snapshot was taken.
struct PictureSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const PictureSize&) const = default;
};

class UndoHistory {
 public:
  static constexpr int kSlots = 10;  // so at most nine steps back

  // A copy restored from the history and the size it was recorded with.
  struct Restored {
    ImageObject::Ptr image;
    PictureSize size;
  };

  // Releases every snapshot and keeps `first` (a separate copy of the installed picture, may be null)
  // with its size as the only state.
  void Restart(ImageObject::Ptr first, PictureSize size);

  // Records a copy of `current` after the newest state; with all ten slots in use the oldest state
  // is dropped first. States left above Count() by StepBack can no longer be redone. A copy that yields
  // nothing leaves its slot empty, yet the count still advances and the size is still recorded.
  void Push(ImageObject& current);

  // Steps back one state: the count goes down and a copy of that state comes back. Nothing happens
  // at count 0 (null image, count unchanged). The image is null when the state holds no picture
  // (its copy failed when it was recorded, or fails now); the count still moves back.
  Restored StepBack();

  // Steps forward again over one state that StepBack left: the count goes up and a copy of that state
  // comes back, sharing its pixels until either side writes. Nothing happens without a redo step.
  Restored StepForward();

  int32_t Count() const { return m_count; }
  // How many StepForward calls can follow.
  int32_t RedoCount() const { return m_newest - m_count; }
  // The state of a slot, its pixels woken (see gfx::Bitmap::Wake) for reading; null when it holds no
  // picture or its pixels cannot be had.
  const ImageObject* Snapshot(int slot) const;
  PictureSize SizeOf(int slot) const { return m_sizes[slot]; }

 private:
  Restored CopyOfCurrent() const;

  std::array<ImageObject::Ptr, kSlots> m_images;
  std::array<PictureSize, kSlots> m_sizes{};
  int32_t m_count = 0;
  int32_t m_newest = 0;  // the newest state recorded, Count() or above
};

}  // namespace tavlen
