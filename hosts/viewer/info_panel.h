// The information side panel: the file's size, the picture's dimensions and format, its colour profile,
// the descriptive tags the control reads from it and the exposure data its camera wrote.
#pragma once

#include <QString>
#include <QWidget>

class QFormLayout;

namespace tavlen::viewer {

class AutomationClient;

// The exposure values as photographers read them, from the control's text of the EXIF tag (a rational
// "n/d" or a number); empty for text that is neither or a value that cannot be.
QString ExposureTimeText(const QString& tag);  // "1/160 s", "2.5 s"
QString FNumberText(const QString& tag);       // "f/7.1"
QString FocalLengthText(const QString& tag);   // "135 mm"

class InfoPanel : public QWidget {
  Q_OBJECT

 public:
  explicit InfoPanel(QWidget* parent);

  // Shows the facts of the picture shown from `path` (empty: nothing shown).
  void Show(const QString& path, AutomationClient& control);
  // The text shown for a row, by its label; empty when there is no such row.
  QString Value(const QString& label) const;

 private:
  // What the control can tell of the picture's colour profile.
  static QString ColourProfileText(AutomationClient& control);
  void ShowExposure(AutomationClient& control);
  void AddRow(const QString& label, const QString& value);

  QFormLayout* m_form;
};

}  // namespace tavlen::viewer
