// The Edit and View commands that take arguments or ask first: flips, resize, zoom steps, alignment and
// the property dialogs.
#include <QAction>
#include <QActionGroup>

#include "hosts/viewer/main_window.h"

namespace tavlen::viewer {

void MainWindow::Zoom(double factor) {
  // Zoom multiplies the displayed size by ZoomValue; the steps are symmetric, 1.25 in and 0.8 out.
  m_fitting = Fitting::Free;
  const Extent client = ClientExtent();
  CallOutcome outcome = m_control.Put("ZoomValue", ole::Variant(factor));
  if (outcome.Ok()) outcome = m_control.Call("Zoom");
  Report(outcome);
  AfterCommand(outcome.Ok() ? ViewEffect::Zoom : ViewEffect::None, factor, client);
}

void MainWindow::ActualSize() {
  m_fitting = Fitting::Free;
  const CallOutcome outcome = m_control.Put("ZoomValue", ole::Variant(1.0));
  Report(outcome);
  if (outcome.Ok()) ZoomSettled(ViewEffect::ZoomByOriginal, "ZoomByOriginal");
  RefreshState();
}

void MainWindow::FlipPicture(bool vertically) {
  const CallOutcome outcome = m_control.Call("Flip", {ole::Variant(vertically)});
  Report(outcome);
  m_editAccepted = outcome.Ok();
  AfterCommand(ViewEffect::None, 1.0, ClientExtent());
}

void MainWindow::ResizePicture() {
  const auto size = AskNewSize(this, m_picture);
  if (!size) return;
  const CallOutcome outcome = m_control.Call("Resize", {ole::Variant(size->width), ole::Variant(size->height)});
  Report(outcome);
  m_editAccepted = outcome.Ok();
  AfterCommand(outcome.Ok() ? ViewEffect::PixelSize : ViewEffect::None, 1.0, ClientExtent());
}

void MainWindow::SetAlign(int align) {
  const CallOutcome outcome = m_control.Put("Align", ole::Variant(static_cast<int16_t>(align)));
  Report(outcome);
  if (QAction* current = AlignAction(m_control.Get("Align").AsInt())) current->setChecked(true);
}

void MainWindow::RunDialog(DialogOutcome (*dialog)(QWidget*, AutomationClient&)) {
  const DialogOutcome outcome = dialog(this, m_control);
  if (!outcome.error.isEmpty()) ShowError(outcome.error);
  m_editAccepted = outcome.accepted;
  if (outcome.accepted) AfterCommand(ViewEffect::None, 1.0, ClientExtent());
}

}  // namespace tavlen::viewer
