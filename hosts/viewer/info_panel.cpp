// The rows of the information panel, read through the control's automation interface and the file.
#include "hosts/viewer/info_panel.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QImageReader>
#include <QLabel>
#include <QLocale>

#include "hosts/viewer/automation_client.h"

namespace tavlen::viewer {
namespace {

// The control's tag getters and the labels they are shown with.
struct TagRow {
  const char* label;
  const char* getter;
};
constexpr TagRow kTagRows[] = {
    {"Title", "GetImageTitle"},
    {"Description", "GetImageDescription"},
    {"Artist", "GetImageArtist"},
    {"Copyright", "GetImageCopyright"},
    {"Taken", "GetImageDateTime"},
    {"Camera make", "GetImageEquipMake"},
    {"Camera model", "GetImageEquipModel"},
};

}  // namespace

QString ColourProfileText(AutomationClient& control) {
  // Colour-managed controls tell whether the picture carried a profile; others cannot say.
  if (!control.Has("ColorManaged")) return QObject::tr("not reported by this control");
  return control.Get("ColorManaged").AsBool() ? QObject::tr("managed (embedded profile or sRGB)")
                                              : QObject::tr("not managed");
}

InfoPanel::InfoPanel(QWidget* parent) : QWidget(parent), m_form(new QFormLayout(this)) {}

void InfoPanel::Show(const QString& path, AutomationClient& control) {
  while (m_form->rowCount() > 0) m_form->removeRow(0);
  auto add = [this](const QString& label, const QString& value) {
    auto* text = new QLabel(value, this);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setWordWrap(true);
    m_form->addRow(label, text);
  };
  if (path.isEmpty()) return add(tr("Picture"), tr("none"));
  const QFileInfo file(path);
  add(tr("File"), file.fileName());
  add(tr("Size"), QLocale().formattedDataSize(file.size()));
  add(tr("Dimensions"),
      tr("%1 × %2 pixels").arg(control.Call("GetWidth").AsInt()).arg(control.Call("GetHeight").AsInt()));
  // The reader names the format from the file's first bytes, without decoding it.
  const QByteArray format = QImageReader(path).format();
  add(tr("Format"), format.isEmpty() ? file.suffix().toUpper() : QString::fromLatin1(format).toUpper());
  add(tr("Colour profile"), ColourProfileText(control));
  for (const TagRow& row : kTagRows) {
    if (!control.Has(row.getter)) continue;
    const std::string value = control.Call(row.getter).AsString();
    if (!value.empty()) add(tr(row.label), QString::fromStdString(value));
  }
}

QString InfoPanel::Value(const QString& label) const {
  for (int row = 0; row < m_form->rowCount(); ++row) {
    auto* name = qobject_cast<QLabel*>(m_form->itemAt(row, QFormLayout::LabelRole)->widget());
    auto* value = qobject_cast<QLabel*>(m_form->itemAt(row, QFormLayout::FieldRole)->widget());
    if (name && value && name->text() == label) return value->text();
  }
  return {};
}

}  // namespace tavlen::viewer
