// The Go menu: moving through the pictures of the open picture's folder, and playing animated pictures.
#include <QFile>
#include <QStatusBar>

#include "hosts/viewer/main_window.h"
#include "hosts/viewer/picture_formats.h"

namespace tavlen::viewer {

void MainWindow::GoTo(const QString& path) {
  // The listing does not wrap: past either end nothing moves.
  if (path.isEmpty()) {
    statusBar()->showMessage(tr("No more pictures in this direction"), 2000);
    return;
  }
  OpenFile(path);
}

void MainWindow::StartAnimation() {
  m_animation.Start(FrameDelays(m_file));
  RefreshState();
}

bool MainWindow::ShowFrame(int index) {
  const CallOutcome loaded = m_control.Call("LoadFrame", {ole::Variant(QFile::encodeName(m_file).toStdString()),
                                                          ole::Variant(index + 1)});
  if (!loaded.Ok()) return false;
  m_displayed.Apply(ViewEffect::PixelSize, PictureExtent(), 1.0, ClientExtent());
  ApplyFitting();
  return true;
}

}  // namespace tavlen::viewer
