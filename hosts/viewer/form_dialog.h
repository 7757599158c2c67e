// The small modal forms the viewer asks its questions with: labelled fields over OK and Cancel, and a
// button that shows and picks an OLE colour.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <cstdint>

class QFormLayout;

namespace tavlen::viewer {

class FormDialog : public QDialog {
 public:
  FormDialog(QWidget* parent, const QString& title);

  void AddRow(const QString& label, QWidget* field);
  void AddRow(QWidget* field);
  // Shows the form modally; true when it was confirmed.
  bool Run();

 private:
  QFormLayout* m_form;
};

// Holds an OLE colour (0x00BBGGRR). A value the dialog cannot show as such (a system colour, with the
// top bit set) is kept unchanged until the user picks another.
class OleColorButton : public QPushButton {
  Q_OBJECT

 public:
  OleColorButton(uint32_t oleColor, QWidget* parent);
  uint32_t OleColor() const { return m_value; }
  void SetOleColor(uint32_t oleColor);

 private:
  void Pick();
  uint32_t m_value;
};

QColor ColorFromOle(uint32_t oleColor);
uint32_t OleFromColor(const QColor& color);

}  // namespace tavlen::viewer
