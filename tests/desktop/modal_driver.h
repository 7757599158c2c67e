// Acting on the next modal dialog as a user would, from inside its event loop.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace tavlen::desktop::test {

// Once a modal dialog is up, calls `act` with it (which should close it). A dialog that never
// closes is rejected after a while so that a failing test ends instead of hanging.
inline void WhenModalShown(std::function<void(QDialog&)> act) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act, polls = 0]() mutable {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog && dialog->isVisible()) {
      timer->deleteLater();
      timer->stop();
      act(*dialog);
      if (dialog->isVisible()) QTimer::singleShot(5000, dialog, &QDialog::reject);
    } else if (++polls > 1000) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

}  // namespace tavlen::desktop::test
