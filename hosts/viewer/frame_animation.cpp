// Frame delays read through QImageReader and a timer that steps through the frames.
#include "hosts/viewer/frame_animation.h"

#include <QImageReader>

namespace tavlen::viewer {
namespace {

constexpr int kFastestDelayMs = 20;
constexpr int kDelayForFastestMs = 100;
// An animation is played only for files of a sane frame count: each frame is kept as a file of its own.
constexpr int kMostFrames = 1000;

}  // namespace

std::vector<int> FrameDelays(const QString& path) {
  QImageReader reader(path);
  if (!reader.supportsAnimation() || reader.imageCount() < 2 || reader.imageCount() > kMostFrames) return {};
  std::vector<int> delays;
  // The delay of a frame is known once it is read.
  while (static_cast<int>(delays.size()) < reader.imageCount()) {
    if (reader.read().isNull()) return {};
    const int delay = reader.nextImageDelay();
    delays.push_back(delay < kFastestDelayMs ? kDelayForFastestMs : delay);
  }
  return delays;
}

FrameAnimation::FrameAnimation(std::function<bool(int)> show) : m_show(std::move(show)) {
  m_timer.setSingleShot(true);
  m_timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&m_timer, &QTimer::timeout, [this] { Advance(); });
}

void FrameAnimation::Start(std::vector<int> delays) {
  Stop();
  m_delays = std::move(delays);
  if (!Animating()) return;
  m_timer.start(m_delays[0]);
}

void FrameAnimation::Stop() {
  m_timer.stop();
  m_delays.clear();
  m_frame = 0;
}

bool FrameAnimation::TogglePause() {
  if (!Animating()) return false;
  if (m_timer.isActive())
    m_timer.stop();
  else
    m_timer.start(m_delays[static_cast<size_t>(m_frame)]);
  return true;
}

void FrameAnimation::Advance() {
  const int next = (m_frame + 1) % static_cast<int>(m_delays.size());
  if (!m_show(next)) return Stop();
  m_frame = next;
  m_timer.start(m_delays[static_cast<size_t>(m_frame)]);
}

}  // namespace tavlen::viewer
