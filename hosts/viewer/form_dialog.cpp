// Modal forms and the colour button of the viewer's dialogs.
#include "hosts/viewer/form_dialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

namespace tavlen::viewer {

namespace {
constexpr uint32_t kSystemColorFlag = 0x80000000u;
}

FormDialog::FormDialog(QWidget* parent, const QString& title) : QDialog(parent), m_form(new QFormLayout) {
  setWindowTitle(title);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(m_form);
  layout->addWidget(buttons);
}

void FormDialog::AddRow(const QString& label, QWidget* field) { m_form->addRow(label, field); }

void FormDialog::AddRow(QWidget* field) { m_form->addRow(field); }

bool FormDialog::Run() { return exec() == QDialog::Accepted; }

QColor ColorFromOle(uint32_t oleColor) {
  return QColor(static_cast<int>(oleColor & 0xFF), static_cast<int>((oleColor >> 8) & 0xFF),
                static_cast<int>((oleColor >> 16) & 0xFF));
}

uint32_t OleFromColor(const QColor& color) {
  return static_cast<uint32_t>(color.red()) | static_cast<uint32_t>(color.green()) << 8 |
         static_cast<uint32_t>(color.blue()) << 16;
}

OleColorButton::OleColorButton(uint32_t oleColor, QWidget* parent) : QPushButton(parent), m_value(oleColor) {
  SetOleColor(oleColor);
  connect(this, &QPushButton::clicked, this, [this] { Pick(); });
}

void OleColorButton::SetOleColor(uint32_t oleColor) {
  m_value = oleColor;
  if (oleColor & kSystemColorFlag) {
    setText(tr("System colour %1").arg(oleColor & ~kSystemColorFlag));
    setStyleSheet({});
    return;
  }
  const QColor color = ColorFromOle(oleColor);
  setText(color.name(QColor::HexRgb).toUpper());
  setStyleSheet(QStringLiteral("background-color: %1; color: %2")
                    .arg(color.name(), color.lightness() < 128 ? QStringLiteral("white") : QStringLiteral("black")));
}

void OleColorButton::Pick() {
  const QColor start = (m_value & kSystemColorFlag) ? QColor(Qt::white) : ColorFromOle(m_value);
  const QColor chosen = QColorDialog::getColor(start, this, tr("Colour"), QColorDialog::DontUseNativeDialog);
  if (chosen.isValid()) SetOleColor(OleFromColor(chosen));
}

}  // namespace tavlen::viewer
