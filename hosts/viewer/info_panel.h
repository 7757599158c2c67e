// The information side panel: the file's size, the picture's dimensions and format, its colour profile and
// the descriptive tags the control reads from it.
#pragma once

#include <QString>
#include <QWidget>

class QFormLayout;

namespace tavlen::viewer {

class AutomationClient;

// What the control can tell of the picture's colour profile. A control that does not report it says
// nothing here; this is the one place to read a profile member once the control has one.
QString ColourProfileText(AutomationClient& control);

class InfoPanel : public QWidget {
  Q_OBJECT

 public:
  explicit InfoPanel(QWidget* parent);

  // Shows the facts of the picture shown from `path` (empty: nothing shown).
  void Show(const QString& path, AutomationClient& control);
  // The text shown for a row, by its label; empty when there is no such row.
  QString Value(const QString& label) const;

 private:
  QFormLayout* m_form;
};

}  // namespace tavlen::viewer
