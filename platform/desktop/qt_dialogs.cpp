// The Qt dialogs built from templates, and the modal run that a scripted host answers itself.
#include "platform/desktop/qt_dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <memory>
#include <optional>

namespace tavlen::desktop {

namespace {

// The pixel size of a dialog unit for a template's font.
struct DialogUnits {
  double x = 1.5;    // a quarter of the font's average character width
  double y = 1.625;  // an eighth of its height
};

QFont TemplateFont(const fw::DialogTemplate& dialog) {
  QFont font = QApplication::font();
  // Where the template's face is not installed, fontconfig's substitute keeps the point size.
  if (dialog.fontName && *dialog.fontName) font.setFamilies({QString::fromUtf8(dialog.fontName), font.family()});
  if (dialog.fontPoints > 0) font.setPointSize(dialog.fontPoints);
  return font;
}

QRect ToPixels(const fw::DialogRect& rect, DialogUnits units) {
  return QRect(static_cast<int>(std::lround(rect.x * units.x)), static_cast<int>(std::lround(rect.y * units.y)),
               static_cast<int>(std::lround(rect.cx * units.x)), static_cast<int>(std::lround(rect.cy * units.y)));
}

QString ButtonName(int32_t id) { return QStringLiteral("id%1").arg(id); }

// The icon image nearest the item's size, scaled to it.
QLabel* MakeIconLabel(const fw::DialogItem& item, IconLookup icons, QSize size, QWidget& parent) {
  auto* label = new QLabel(&parent);
  const std::span<const DialogIcon> images = icons ? icons(item.resource) : std::span<const DialogIcon>{};
  const DialogIcon* best = nullptr;
  for (const DialogIcon& image : images) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
      continue;
    }
    if (!best || std::abs(image.width - size.width()) < std::abs(best->width - size.width())) best = &image;
  }
  if (best) {
    const QImage view(reinterpret_cast<const uchar*>(best->pixels.data()), best->width, best->height, best->width * 4,
                      QImage::Format_ARGB32);
    label->setPixmap(QPixmap::fromImage(view.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  }
  return label;
}

void Answer(QDialog& dialog, fw::DialogAnswer answer) {
  if (answer == fw::DialogAnswer::Escape) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &escape);
    return;
  }
  const int32_t id = answer == fw::DialogAnswer::Ok ? fw::IDOK : fw::IDCANCEL;
  if (auto* button = dialog.findChild<QPushButton*>(ButtonName(id))) {
    button->click();
  } else if (answer == fw::DialogAnswer::Ok) {
    dialog.accept();
  } else {
    dialog.reject();
  }
}

DialogUnits DialogUnitsOf(const fw::DialogTemplate& dialog) {
  const QFontMetricsF metrics(TemplateFont(dialog));
  const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  DialogUnits units;
  units.x = metrics.horizontalAdvance(alphabet) / alphabet.size() / 4.0;
  units.y = metrics.height() / 8.0;
  return units;
}

// Places a template's items as child widgets of `parent`: icons as labels with the icon, texts as
// labels (centred where the template says), buttons as push buttons whose objectName is "id<N>".
void BuildDialogItems(const fw::DialogTemplate& dialog, IconLookup icons, QWidget& parent) {
  const DialogUnits units = DialogUnitsOf(dialog);
  for (const fw::DialogItem& item : dialog.items) {
    const QRect rect = ToPixels(item.rect, units);
    const QString text = QString::fromUtf8(item.text ? item.text : "");
    QWidget* widget = nullptr;
    switch (item.kind) {
      case fw::DialogItemKind::Icon:
        widget = MakeIconLabel(item, icons, rect.size(), parent);
        break;
      case fw::DialogItemKind::Text:
      case fw::DialogItemKind::CenteredText: {
        auto* label = new QLabel(text, &parent);
        label->setWordWrap(true);
        label->setAlignment(item.kind == fw::DialogItemKind::CenteredText ? Qt::AlignHCenter | Qt::AlignTop
                                                                          : Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
      }
      case fw::DialogItemKind::DefaultButton:
      case fw::DialogItemKind::Button: {
        auto* button = new QPushButton(text, &parent);
        button->setDefault(item.kind == fw::DialogItemKind::DefaultButton);
        button->setObjectName(ButtonName(item.id));
        if (auto* owner = qobject_cast<QDialog*>(&parent)) {
          if (item.id == fw::IDOK) QObject::connect(button, &QPushButton::clicked, owner, &QDialog::accept);
          if (item.id == fw::IDCANCEL) QObject::connect(button, &QPushButton::clicked, owner, &QDialog::reject);
        }
        widget = button;
        break;
      }
    }
    widget->setFont(TemplateFont(dialog));
    widget->setGeometry(rect);
  }
}

// A modal dialog on a template. OK (IDOK) accepts it, Cancel (IDCANCEL) and Escape reject it.
std::unique_ptr<QDialog> MakeTemplateDialog(const fw::DialogTemplate& dialog, IconLookup icons) {
  auto window = std::make_unique<QDialog>(
      nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  window->setWindowTitle(QString::fromUtf8(dialog.caption ? dialog.caption : ""));
  window->setFont(TemplateFont(dialog));
  BuildDialogItems(dialog, icons, *window);
  window->setFixedSize(ToPixels(dialog.rect, DialogUnitsOf(dialog)).size());
  return window;
}

// The property frame: "<object> Properties", a tab per page, OK, Cancel and Apply. Apply stays
// disabled, as no page binds a property that could change.
std::unique_ptr<QDialog> MakePropertyFrame(const std::string& caption,
                                           std::span<const fw::COlePropertyPage* const> pages, IconLookup icons) {
  auto frame = std::make_unique<QDialog>();
  frame->setWindowTitle(QString::fromStdString(caption));
  auto* layout = new QVBoxLayout(frame.get());
  auto* tabs = new QTabWidget(frame.get());
  for (const fw::COlePropertyPage* page : pages) {
    auto* tab = new QWidget(tabs);
    BuildDialogItems(page->Template(), icons, *tab);
    tab->setMinimumSize(ToPixels(page->Template().rect, DialogUnitsOf(page->Template())).size());
    tabs->addTab(tab, QString::fromStdString(page->Caption()));
  }
  layout->addWidget(tabs);
  auto* buttons =
      new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, frame.get());
  buttons->button(QDialogButtonBox::Ok)->setObjectName(ButtonName(fw::IDOK));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(ButtonName(fw::IDCANCEL));
  buttons->button(QDialogButtonBox::Apply)->setEnabled(false);
  QObject::connect(buttons, &QDialogButtonBox::accepted, frame.get(), &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, frame.get(), &QDialog::reject);
  layout->addWidget(buttons);
  return frame;
}

}  // namespace

int32_t RunRecorded(DesktopHost& host, QDialog& dialog, std::vector<std::string> texts) {
  const std::optional<fw::DialogAnswer> scripted = host.ScriptedAnswer();
  const fw::DialogAnswer scriptedAnswer = scripted.value_or(fw::DialogAnswer::Ok);
  // Queued, so the dialog is shown (and painted once) before it is answered.
  if (scripted) QTimer::singleShot(0, &dialog, [&dialog, scriptedAnswer] { Answer(dialog, scriptedAnswer); });
  const bool accepted = dialog.exec() == QDialog::Accepted;
  const fw::DialogAnswer answer =
      scripted && !accepted ? scriptedAnswer : (accepted ? fw::DialogAnswer::Ok : fw::DialogAnswer::Cancel);
  host.RecordShownDialog(dialog.windowTitle().toStdString(), std::move(texts), answer);
  return accepted ? fw::IDOK : fw::IDCANCEL;
}

int32_t QtDialogService::RunModal(const fw::DialogTemplate& dialog) {
  std::unique_ptr<QDialog> window = MakeTemplateDialog(dialog, m_icons);
  return RunRecorded(m_host, *window, m_host.DialogTexts(dialog));
}

int32_t QtDialogService::RunPropertyFrame(const std::string& caption,
                                          std::span<const fw::COlePropertyPage* const> pages) {
  std::unique_ptr<QDialog> frame = MakePropertyFrame(caption, pages, m_icons);
  return RunRecorded(m_host, *frame, m_host.PropertyFrameTexts(pages));
}

}  // namespace tavlen::desktop
