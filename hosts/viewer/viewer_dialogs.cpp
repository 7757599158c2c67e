// Questions asked before calls, and the dialogs that edit the control's properties by name.
#include "hosts/viewer/viewer_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStringList>
#include <algorithm>
#include <span>
#include <vector>

#include "hosts/viewer/automation_client.h"
#include "hosts/viewer/form_dialog.h"

namespace tavlen::viewer {
namespace {

// Picture sides offered by the resize form; the control refuses what it cannot allocate.
constexpr int kLargestSide = 65535;

constexpr const char* kBackStyleNames[] = {
    "Solid",
    "Horizontal",
    "Vertical",
    "Forward diagonal",
    "Backward diagonal",
    "Cross",
    "Diagonal cross",
    "Dots 5 %",
    "Dots 10 %",
    "Dots 20 %",
    "Dots 25 %",
    "Dots 30 %",
    "Dots 40 %",
    "Dots 50 %",
    "Dots 60 %",
    "Dots 70 %",
    "Dots 75 %",
    "Dots 80 %",
    "Dots 90 %",
    "Light downward diagonal",
    "Light upward diagonal",
    "Dark downward diagonal",
    "Dark upward diagonal",
    "Wide downward diagonal",
    "Wide upward diagonal",
    "Light vertical",
    "Light horizontal",
    "Narrow vertical",
    "Narrow horizontal",
    "Dark vertical",
    "Dark horizontal",
    "Dashed downward diagonal",
    "Dashed upward diagonal",
    "Dashed horizontal",
    "Dashed vertical",
    "Small confetti",
    "Large confetti",
    "Zig-zag",
    "Wave",
    "Diagonal brick",
    "Horizontal brick",
    "Weave",
    "Plaid",
    "Divot",
    "Dotted grid",
    "Dotted diamond",
    "Shingle",
    "Trellis",
    "Sphere",
    "Small grid",
    "Small checker board",
    "Large checker board",
    "Outlined diamond",
    "Solid diamond",
};

constexpr const char* kCompressionNames[] = {
    "LZW",
    "CCITT group 3 (turns the picture black and white)",
    "CCITT group 4 (turns the picture black and white)",
    "RLE (turns the picture black and white)",
    "None",
};

struct TextStyle {
  const char* method;
  const char* name;
  bool extraColor;  // FillColor or ShadowColor follows the text
};
constexpr TextStyle kTextStyles[] = {
    {"DrawText", "Plain", false},          {"DrawWaterMarkText", "Watermark", false},
    {"DrawOutlineText", "Outline", false}, {"DrawFillOutlineText", "Filled outline", true},
    {"DrawShadowText", "Shadow", true},
};

struct Tag {
  const char* getter;
  const char* setter;
  const char* label;
};
constexpr Tag kTags[] = {
    {"GetImageTitle", "SetImageTitle", "Title"},
    {"GetImageArtist", "SetImageArtist", "Artist"},
    {"GetImageDescription", "SetImageDescription", "Description"},
    {"GetImageCopyright", "SetImageCopyright", "Copyright"},
    {"GetImageEquipMake", "SetImageEquipMake", "Camera make"},
    {"GetImageEquipModel", "SetImageEquipModel", "Camera model"},
    {"GetImageDateTime", "SetImageDateTime", "Date and time"},
};

QStringList Names(std::span<const char* const> names) {
  QStringList list;
  for (const char* name : names) list << QString::fromUtf8(name);
  return list;
}

// Runs calls in order and keeps the first failure's message; later calls are skipped after one fails.
class CallChain {
 public:
  explicit CallChain(AutomationClient& control) : m_control(control) {}

  void Put(const char* property, ole::Variant value) { Keep(m_control.Put(property, std::move(value))); }
  void Call(const char* method, std::initializer_list<ole::Variant> args) { Keep(m_control.Call(method, args)); }
  DialogOutcome Outcome() const { return {true, m_error}; }

 private:
  void Keep(const CallOutcome& outcome) {
    if (m_error.isEmpty() && !outcome.Ok()) m_error = QString::fromStdString(outcome.error);
  }
  AutomationClient& m_control;
  QString m_error;
};

}  // namespace

std::optional<int32_t> AskJpegQuality(QWidget* parent, int32_t current) {
  bool ok = false;
  const int quality = QInputDialog::getInt(parent, QObject::tr("JPEG quality"), QObject::tr("Quality (0 to 100):"),
                                           std::clamp(current, 0, 100), 0, 100, 1, &ok);
  if (!ok) return {};
  return quality;
}

std::optional<int32_t> AskTiffCompression(QWidget* parent, int32_t current) {
  const QStringList names = Names(kCompressionNames);
  const int start = current >= 0 && current < names.size() ? current : 0;
  bool ok = false;
  const QString chosen = QInputDialog::getItem(parent, QObject::tr("TIFF compression"), QObject::tr("Compression:"),
                                               names, start, false, &ok);
  if (!ok) return {};
  return static_cast<int32_t>(names.indexOf(chosen));
}

std::optional<int32_t> AskPage(QWidget* parent, const QString& file, int32_t pageCount) {
  bool ok = false;
  const int page =
      QInputDialog::getInt(parent, QObject::tr("Open page"),
                           QObject::tr("%1 has %2 pages. Page:").arg(file).arg(pageCount), 1, 1, pageCount, 1, &ok);
  if (!ok) return {};
  return page;
}

std::optional<Extent> AskNewSize(QWidget* parent, Extent current) {
  FormDialog form(parent, QObject::tr("Resize"));
  auto* width = new QSpinBox(&form);
  auto* height = new QSpinBox(&form);
  auto* keepAspect = new QCheckBox(QObject::tr("Keep the aspect ratio"), &form);
  for (QSpinBox* side : {width, height}) side->setRange(1, kLargestSide);
  width->setValue(current.width);
  height->setValue(current.height);
  keepAspect->setChecked(current.width > 0 && current.height > 0);
  // One side follows the other while the ratio is kept; QSignalBlocker stops the echo.
  auto follow = [&](QSpinBox* from, QSpinBox* to, int fromSide, int toSide) {
    QObject::connect(from, &QSpinBox::valueChanged, &form, [=](int value) {
      if (!keepAspect->isChecked() || fromSide <= 0) return;
      const QSignalBlocker block(to);
      to->setValue(std::max(1, static_cast<int>(int64_t{value} * toSide / fromSide)));
    });
  };
  follow(width, height, current.width, current.height);
  follow(height, width, current.height, current.width);
  form.AddRow(QObject::tr("Width:"), width);
  form.AddRow(QObject::tr("Height:"), height);
  form.AddRow(keepAspect);
  if (!form.Run()) return {};
  return Extent{width->value(), height->value()};
}

DialogOutcome EditBackground(QWidget* parent, AutomationClient& control) {
  const int32_t style = control.Get("BackStyle").AsInt();
  const auto color = control.Get("BackColor").AsUInt();
  FormDialog form(parent, QObject::tr("Background"));
  auto* styles = new QComboBox(&form);
  styles->addItems(Names(kBackStyleNames));
  styles->setCurrentIndex(style >= 0 && style < styles->count() ? style : 0);
  auto* colorButton = new OleColorButton(color, &form);
  form.AddRow(QObject::tr("Pattern:"), styles);
  form.AddRow(QObject::tr("Colour:"), colorButton);
  if (!form.Run()) return {};
  CallChain calls(control);
  if (styles->currentIndex() != style)
    calls.Put("BackStyle", ole::Variant(static_cast<int16_t>(styles->currentIndex())));
  if (colorButton->OleColor() != color) calls.Put("BackColor", ole::Variant(colorButton->OleColor()));
  return calls.Outcome();
}

DialogOutcome EditBorder(QWidget* parent, AutomationClient& control) {
  const bool shown = control.Get("ShowBorder").AsBool();
  const auto color = control.Get("BorderColor").AsUInt();
  const double width = control.Get("BorderWidth").AsDouble();
  FormDialog form(parent, QObject::tr("Border"));
  auto* show = new QCheckBox(QObject::tr("Show a border"), &form);
  show->setChecked(shown);
  auto* colorButton = new OleColorButton(color, &form);
  auto* widthBox = new QDoubleSpinBox(&form);
  widthBox->setRange(0.0, 100.0);
  widthBox->setDecimals(1);
  widthBox->setValue(width);
  form.AddRow(show);
  form.AddRow(QObject::tr("Colour:"), colorButton);
  form.AddRow(QObject::tr("Width:"), widthBox);
  if (!form.Run()) return {};
  CallChain calls(control);
  if (show->isChecked() != shown) calls.Put("ShowBorder", ole::Variant(show->isChecked()));
  if (colorButton->OleColor() != color) calls.Put("BorderColor", ole::Variant(colorButton->OleColor()));
  if (widthBox->value() != width) calls.Put("BorderWidth", ole::Variant(widthBox->value()));
  return calls.Outcome();
}

DialogOutcome StampText(QWidget* parent, AutomationClient& control) {
  FormDialog form(parent, QObject::tr("Text"));
  auto* text = new QLineEdit(&form);
  auto* x = new QSpinBox(&form);
  auto* y = new QSpinBox(&form);
  for (QSpinBox* coordinate : {x, y}) coordinate->setRange(-kLargestSide, kLargestSide);
  auto* style = new QComboBox(&form);
  for (const TextStyle& entry : kTextStyles) {
    if (control.Has(entry.method)) style->addItem(QObject::tr(entry.name), QString::fromUtf8(entry.method));
  }
  auto* font = new QComboBox(&form);
  font->setEditable(true);
  const int32_t fontCount = control.Call("GetTextFontCount").AsInt();
  for (int32_t i = 0; i < fontCount && i <= INT16_MAX; ++i) {
    font->addItem(
        QString::fromStdString(control.Call("GetTextFont", {ole::Variant(static_cast<int16_t>(i))}).AsString()));
  }
  font->setCurrentText(QString::fromStdString(control.Get("TextFont").AsString()));
  auto* size = new QSpinBox(&form);
  size->setRange(1, INT16_MAX);
  size->setValue(control.Get("TextSize").AsInt());
  auto* bold = new QCheckBox(QObject::tr("Bold"), &form);
  bold->setChecked(control.Get("TextBold").AsBool());
  auto* italic = new QCheckBox(QObject::tr("Italic"), &form);
  italic->setChecked(control.Get("TextItalic").AsBool());
  auto* color = new OleColorButton(control.Get("TextColor").AsUInt(), &form);
  auto* extra = new OleColorButton(0x00FFFFFF, &form);
  auto showExtra = [=] {
    const QString method = style->currentData().toString();
    extra->setEnabled(method == "DrawFillOutlineText" || method == "DrawShadowText");
  };
  QObject::connect(style, &QComboBox::currentIndexChanged, &form, showExtra);
  showExtra();
  form.AddRow(QObject::tr("Text:"), text);
  form.AddRow(QObject::tr("Picture x:"), x);
  form.AddRow(QObject::tr("Picture y:"), y);
  form.AddRow(QObject::tr("Style:"), style);
  form.AddRow(QObject::tr("Font:"), font);
  form.AddRow(QObject::tr("Size (pixels):"), size);
  form.AddRow(bold);
  form.AddRow(italic);
  form.AddRow(QObject::tr("Colour:"), color);
  form.AddRow(QObject::tr("Fill or shadow colour:"), extra);
  if (!form.Run() || style->count() == 0) return {};

  CallChain calls(control);
  calls.Put("TextFont", ole::Variant(font->currentText().toStdString()));
  calls.Put("TextSize", ole::Variant(static_cast<int16_t>(size->value())));
  calls.Put("TextBold", ole::Variant(bold->isChecked()));
  calls.Put("TextItalic", ole::Variant(italic->isChecked()));
  calls.Put("TextColor", ole::Variant(color->OleColor()));
  const std::string method = style->currentData().toString().toStdString();
  const ole::Variant words(text->text().toStdString());
  if (extra->isEnabled()) {
    calls.Call(method.c_str(), {ole::Variant(x->value()), ole::Variant(y->value()), words,
                                ole::Variant(static_cast<int32_t>(extra->OleColor()))});
  } else {
    calls.Call(method.c_str(), {ole::Variant(x->value()), ole::Variant(y->value()), words});
  }
  return calls.Outcome();
}

DialogOutcome EditTags(QWidget* parent, AutomationClient& control) {
  FormDialog form(parent, QObject::tr("Tags"));
  struct Field {
    const Tag* tag;
    QLineEdit* edit;
    QString before;
  };
  std::vector<Field> fields;
  for (const Tag& tag : kTags) {
    if (!control.Has(tag.getter)) continue;
    auto* edit = new QLineEdit(QString::fromStdString(control.Call(tag.getter).AsString()), &form);
    edit->setEnabled(control.Has(tag.setter));
    form.AddRow(QObject::tr(tag.label) + ':', edit);
    fields.push_back({&tag, edit, edit->text()});
  }
  if (!form.Run()) return {};
  CallChain calls(control);
  for (const Field& field : fields) {
    if (field.edit->isEnabled() && field.edit->text() != field.before)
      calls.Call(field.tag->setter, {ole::Variant(field.edit->text().toStdString())});
  }
  return calls.Outcome();
}

}  // namespace tavlen::viewer
