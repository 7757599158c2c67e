// Playing the frames of an animated picture with their own delays. The delays come from Qt's image
// readers, which know them for every animated format they read (GIF here, WebP where its plugin is
// installed); the frames themselves are shown by the control.
#pragma once

#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

namespace tavlen::viewer {

// The delay before each frame is replaced, in milliseconds; empty for a still picture or an unreadable
// file. Delays under 20 ms, which many files carry as "as fast as you can", become 100 ms.
std::vector<int> FrameDelays(const QString& path);

class FrameAnimation {
 public:
  // `show` shows frame `index` (0-based) and tells whether that worked; a failure stops the animation.
  explicit FrameAnimation(std::function<bool(int index)> show);

  // Starts at frame 0 (already shown) when there are two frames or more; stops otherwise.
  void Start(std::vector<int> delays);
  void Stop();
  // Pauses a running animation or resumes a paused one; false when there is none.
  bool TogglePause();

  bool Animating() const { return m_delays.size() > 1; }
  bool Paused() const { return Animating() && !m_timer.isActive(); }
  int Frame() const { return m_frame; }

 private:
  void Advance();

  std::function<bool(int)> m_show;
  std::vector<int> m_delays;
  int m_frame = 0;
  QTimer m_timer;
};

}  // namespace tavlen::viewer
