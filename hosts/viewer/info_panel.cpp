// The rows of the information panel, read through the control's automation interface and the file.
// Exposure data comes from the control's own EXIF reader (version 2's GetImageTagText), which already
// reads the EXIF of every format the control opens within its decode limits; a second reader in the
// viewer would only read it again, and for fewer formats.
#include "hosts/viewer/info_panel.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <cmath>
#include <optional>

#include "hosts/viewer/automation_client.h"

namespace tavlen::viewer {
namespace {

// The control's tag getters and the labels they are shown with.
struct TagRow {
  const char* label;
  const char* getter;
};
constexpr TagRow kTagRows[] = {
    {QT_TRANSLATE_NOOP("tavlen::viewer::InfoPanel", "Title"), "GetImageTitle"},
    {QT_TRANSLATE_NOOP("tavlen::viewer::InfoPanel", "Description"), "GetImageDescription"},
    {QT_TRANSLATE_NOOP("tavlen::viewer::InfoPanel", "Artist"), "GetImageArtist"},
    {QT_TRANSLATE_NOOP("tavlen::viewer::InfoPanel", "Copyright"), "GetImageCopyright"},
    {QT_TRANSLATE_NOOP("tavlen::viewer::InfoPanel", "Camera make"), "GetImageEquipMake"},
    {QT_TRANSLATE_NOOP("tavlen::viewer::InfoPanel", "Camera model"), "GetImageEquipModel"},
};

// EXIF tags of the camera's exposure, and how each is shown.
struct ExposureRow {
  const char* label;
  int32_t tag;
  QString (*format)(const QString& tag);
};
QString AsItIs(const QString& tag) { return tag; }
constexpr ExposureRow kExposureRows[] = {
    {QT_TRANSLATE_NOOP("tavlen::viewer::InfoPanel", "Lens"), 0xA434, &AsItIs},
    {QT_TRANSLATE_NOOP("tavlen::viewer::InfoPanel", "Exposure time"), 0x829A, &ExposureTimeText},
    {QT_TRANSLATE_NOOP("tavlen::viewer::InfoPanel", "F-number"), 0x829D, &FNumberText},
    {QT_TRANSLATE_NOOP("tavlen::viewer::InfoPanel", "ISO"), 0x8827, &AsItIs},
    {QT_TRANSLATE_NOOP("tavlen::viewer::InfoPanel", "Focal length"), 0x920A, &FocalLengthText},
};
constexpr int32_t kDateTimeOriginalTag = 0x9003;

std::optional<double> ValueOf(const QString& tag) {
  const QStringList parts = tag.split(QLatin1Char('/'));
  bool ok = false;
  const double numerator = parts[0].toDouble(&ok);
  if (!ok || parts.size() > 2) return std::nullopt;
  double denominator = 1;
  if (parts.size() == 2) denominator = parts[1].toDouble(&ok);
  if (!ok || denominator == 0 || !std::isfinite(numerator / denominator)) return std::nullopt;
  return numerator / denominator;
}

}  // namespace

QString ExposureTimeText(const QString& tag) {
  const auto seconds = ValueOf(tag);
  if (!seconds || *seconds <= 0) return {};
  // Shutter speeds below a second are named by their fraction, as cameras show them.
  if (*seconds < 1) return QStringLiteral("1/%1 s").arg(std::round(1 / *seconds));
  return QStringLiteral("%1 s").arg(*seconds, 0, 'g', 3);
}

QString FNumberText(const QString& tag) {
  const auto ratio = ValueOf(tag);
  return ratio && *ratio > 0 ? QStringLiteral("f/%1").arg(*ratio, 0, 'g', 3) : QString();
}

QString FocalLengthText(const QString& tag) {
  const auto millimetres = ValueOf(tag);
  return millimetres && *millimetres > 0 ? QStringLiteral("%1 mm").arg(*millimetres, 0, 'g', 4) : QString();
}

QString InfoPanel::ColourProfileText(AutomationClient& control) {
  if (!control.Has("HasColorProfile")) return tr("not reported by this control");
  if (!control.Call("HasColorProfile").AsBool()) return tr("none (shown as sRGB)");
  const bool managed = control.Has("ColorManaged") && control.Get("ColorManaged").AsBool();
  return managed ? tr("embedded, converted to sRGB") : tr("embedded, not applied");
}

InfoPanel::InfoPanel(QWidget* parent) : QWidget(parent), m_form(new QFormLayout(this)) {}

void InfoPanel::AddRow(const QString& label, const QString& value) {
  auto* text = new QLabel(value, this);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text->setWordWrap(true);
  m_form->addRow(label, text);
}

void InfoPanel::Show(const QString& path, AutomationClient& control) {
  while (m_form->rowCount() > 0) m_form->removeRow(0);
  if (path.isEmpty()) return AddRow(tr("Picture"), tr("none"));
  const QFileInfo file(path);
  AddRow(tr("File"), file.fileName());
  AddRow(tr("Size"), QLocale().formattedDataSize(file.size()));
  AddRow(tr("Dimensions"),
         tr("%1 × %2 pixels").arg(control.Call("GetWidth").AsInt()).arg(control.Call("GetHeight").AsInt()));
  // The reader names the format from the file's first bytes, without decoding it.
  const QByteArray format = QImageReader(path).format();
  AddRow(tr("Format"), format.isEmpty() ? file.suffix().toUpper() : QString::fromLatin1(format).toUpper());
  AddRow(tr("Colour profile"), ColourProfileText(control));
  for (const TagRow& row : kTagRows) {
    if (!control.Has(row.getter)) continue;
    const std::string value = control.Call(row.getter).AsString();
    if (!value.empty()) AddRow(tr(row.label), QString::fromStdString(value));
  }
  ShowExposure(control);
}

void InfoPanel::ShowExposure(AutomationClient& control) {
  const bool anyTag = control.Has("GetImageTagText");
  const auto tagText = [&](int32_t tag) {
    return anyTag ? QString::fromStdString(control.Call("GetImageTagText", {ole::Variant(tag)}).AsString()) : QString();
  };
  // When it was taken; a control that reads only the text tags has the file's own date and time.
  QString taken = tagText(kDateTimeOriginalTag);
  if (taken.isEmpty() && control.Has("GetImageDateTime"))
    taken = QString::fromStdString(control.Call("GetImageDateTime").AsString());
  if (!taken.isEmpty()) AddRow(tr("Taken"), taken);
  for (const ExposureRow& row : kExposureRows) {
    const QString value = row.format(tagText(row.tag));
    if (!value.isEmpty()) AddRow(tr(row.label), value);
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
