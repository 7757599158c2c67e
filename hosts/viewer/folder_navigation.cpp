// The Go menu: moving through the pictures of the open picture's folder, and playing animated pictures.
#include <QFile>
#include <QFileInfo>
#include <QStatusBar>
#include <QTemporaryDir>

#include "hosts/viewer/main_window.h"
#include "hosts/viewer/picture_formats.h"
#include "hosts/viewer/read_ahead.h"

namespace tavlen::viewer {

void MainWindow::GoTo(const QString& path) {
  // The listing does not wrap: past either end nothing moves.
  if (path.isEmpty()) {
    statusBar()->showMessage(tr("No more pictures in this direction"), 2000);
    return;
  }
  OpenFile(path);
}

void MainWindow::ReadNeighboursAhead() {
  m_readAheadAfterPaint = false;
  if (!m_readAhead) return;
  QStringList neighbours;
  for (int step : {1, -1}) {
    const QString path = m_folder.Neighbour(step);
    if (!path.isEmpty() && IsOpenablePicture(path)) neighbours << path;
  }
  const Extent client = ClientExtent();
  m_readAhead->ShownAt(QSize(client.width, client.height));
  m_readAhead->Keep(neighbours);
}

void MainWindow::ReadNeighboursAheadAfterPaint() {
  // The control has invalidated its client area, so a paint follows where the window shows.
  m_readAheadAfterPaint = m_readAhead && m_clientWidget && m_clientWidget->isVisible();
  if (!m_readAheadAfterPaint) ReadNeighboursAhead();
}

bool MainWindow::ReadingAhead() const { return m_readAheadAfterPaint || (m_readAhead && m_readAhead->Busy()); }

void MainWindow::StartAnimation() {
  m_frameFiles.reset();
  std::vector<int> delays = FrameDelays(m_file);
  if (delays.size() > 1) m_frameFiles = std::make_unique<QTemporaryDir>();
  if (m_frameFiles && !m_frameFiles->isValid()) return m_frameFiles.reset();
  m_animation.Start(std::move(delays));
  RefreshState();
}

bool MainWindow::ShowFrame(int index) {
  // The control loads single frames of TIFF files only, but exports a frame of any file: each frame is
  // written once, as BMP (nothing to compress), and loaded from there.
  if (!m_frameFiles) return false;
  const QString base = m_frameFiles->filePath(QStringLiteral("frame-%1").arg(index + 1));
  const QString frame = base + QStringLiteral(".bmp");
  const auto narrow = [](const QString& path) { return ole::Variant(QFile::encodeName(path).toStdString()); };
  if (!QFileInfo::exists(frame)) {
    const CallOutcome exported = m_control.Call(
        "ExportFrame", {narrow(m_file), narrow(base), ole::Variant(std::string("BMP")), ole::Variant(index + 1)});
    if (!exported.Ok() || !exported.AsBool()) return false;
  }
  if (!m_control.Call("LoadImage", {narrow(frame)}).Ok()) return false;
  m_displayed.Apply(ViewEffect::PixelSize, PictureExtent(), 1.0, ClientExtent());
  ApplyFitting();
  return true;
}

}  // namespace tavlen::viewer
