// The File menu: opening pictures and pages, saving and converting by format with the format's option
// asked first, and printing.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStatusBar>
#include <algorithm>
#include <vector>

#include "hosts/viewer/main_window.h"
#include "hosts/viewer/picture_formats.h"
#include "hosts/viewer/read_ahead.h"

namespace tavlen::viewer {
namespace {

// The control is bound to the thread that made it, so a long load or save cannot run beside the event
// loop and no progress can move during it. Instead the pointer turns busy and the status bar says what
// is going on before the call starts; afterwards it tells how long a call of over a second took.
class BusyScope {
 public:
  BusyScope(QStatusBar* bar, const QString& message) : m_bar(bar) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_bar->showMessage(message);
    m_bar->repaint();
    m_clock.start();
  }
  ~BusyScope() { End(); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

  // Restores the pointer before a message box, or at the end.
  void End() {
    if (m_ended) return;
    m_ended = true;
    m_seconds = m_clock.elapsed() / 1000.0;
    QApplication::restoreOverrideCursor();
    m_bar->clearMessage();
  }
  void Done(const QString& message) {
    End();
    constexpr double kSlowSeconds = 1.0;
    m_bar->showMessage(m_seconds > kSlowSeconds ? QObject::tr("%1 (%2 s)").arg(message).arg(m_seconds, 0, 'f', 1)
                                                : message);
  }

 private:
  QStatusBar* m_bar;
  QElapsedTimer m_clock;
  bool m_ended = false;
  double m_seconds = 0.0;
};

// Paths cross the automation boundary as narrow strings, which are UTF-8 here.
ole::Variant Narrow(const QString& path) { return ole::Variant(QFile::encodeName(path).toStdString()); }

struct OutputChoice {
  const PictureFormat* format = nullptr;
  QString base;  // without the extension the control appends
};

// Asks for an output file among the formats whose method (`method` of each) the control offers. The
// format is the one the typed name's extension names, else the chosen filter's.
// `start` is the path offered (its folder and name), `preferred` the format offered first when the control has it.
OutputChoice ChooseOutput(QWidget* parent, AutomationClient& control, const QString& title, const QString& start,
                          const char* PictureFormat::*method, const PictureFormat* preferred = nullptr) {
  std::vector<const PictureFormat*> formats;
  QStringList filters;
  for (const PictureFormat& format : PictureFormats()) {
    if (!control.Has(format.*method)) continue;
    formats.push_back(&format);
    filters << FilterOf(format);
  }
  if (formats.empty()) return {};
  QFileDialog dialog(parent, title);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilters(filters);
  const auto offered = std::find(formats.begin(), formats.end(), preferred);
  if (offered != formats.end()) dialog.selectNameFilter(filters[offered - formats.begin()]);
  // The name is offered without its extension, which the filter stands for: an existing file selected in
  // the list would be selected again when the folder's listing arrives, and overrule a name typed before.
  if (!start.isEmpty()) {
    dialog.setDirectory(QFileInfo(start).absolutePath());
    dialog.selectFile(QFileInfo(start).completeBaseName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString chosen = dialog.selectedFiles().front();
  const PictureFormat* format = formats[std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter()))];
  if (const PictureFormat* named = FormatOfName(chosen); named && control.Has(named->*method)) format = named;
  const QString base = BaseNameFor(chosen, *format);
  // The dialog asks before replacing the name as typed; the control writes that name plus its extension.
  const QString written = base + QString::fromUtf8(format->extension);
  if (written != chosen && QFileInfo::exists(written) &&
      QMessageBox::question(parent, title, QObject::tr("%1 already exists. Replace it?").arg(written)) !=
          QMessageBox::Yes)
    return {};
  return {format, base};
}

}  // namespace

bool MainWindow::OpenFile(const QString& path) { return ConfirmDiscard() && LoadPicture(path); }

bool MainWindow::LoadPicture(const QString& path) {
  const QFileInfo file(path);
  if (!file.isFile() || !file.isReadable()) {
    ShowError(tr("%1 is not a file that can be read.").arg(path));
    return false;
  }
  if (!IsOpenablePicture(path)) {
    ShowError(tr("%1 is not a picture the viewer opens: BMP, DIB, GIF, PNG, JPEG, TIFF, WMF, EMF, WebP, AVIF, HEIF or "
                 "JPEG XL.")
                  .arg(path));
    return false;
  }
  BusyScope busy(statusBar(), tr("Opening %1…").arg(file.fileName()));
  const ole::Variant name = Narrow(path);
  const QString damaged = tr("%1 is damaged or is not a picture; the picture shown is kept.").arg(path);
  // A neighbour decoded ahead is shown as it is, with its frames counted on the worker.
  const Extent client = ClientExtent();
  const std::optional<int32_t> adoptedFrames = m_readAhead ? m_readAhead->ShowIn(path) : std::nullopt;
  // Counting the frames decodes the whole file, as loading does again. It comes first only where it is
  // needed: for the frames of a format that can hold several, and to keep a picture that is shown, as the
  // control drops its picture when a file cannot be decoded. Otherwise the load alone tells.
  const bool countFirst = !adoptedFrames && (MayHoldSeveralFrames(path) || m_picture.width > 0);
  int32_t frames = adoptedFrames.value_or(1);
  if (countFirst) {
    const CallOutcome counted = m_control.Call("GetFrameCount", {name});
    if (!counted.Ok() || counted.AsInt() < 1) {
      busy.End();
      if (counted.Ok())
        ShowError(damaged);
      else
        Report(counted);
      return false;
    }
    frames = counted.AsInt();
  }
  m_animation.Stop();
  const Fitting kept = m_fitting;
  m_fitting = Fitting::WholeIfLarger;  // each picture opens whole
  const CallOutcome loaded = adoptedFrames ? CallOutcome{} : m_control.Call("LoadImage", {name});
  AfterCommand(loaded.Ok() ? ViewEffect::PixelSize : ViewEffect::None, 1.0, client);
  busy.End();
  if (!loaded.Ok() || m_picture.width <= 0) {
    m_fitting = kept;
    if (!loaded.Ok())
      Report(loaded);
    else
      ShowError(countFirst ? tr("%1 could not be shown.").arg(path) : damaged);
    return false;
  }
  m_file = path;
  m_changes.Saved();
  m_folder.SetCurrent(path);
  ShowTitle();
  ReadNeighboursAheadAfterPaint();
  if (frames > 1) StartAnimation();
  busy.Done(frames > 1 ? tr("Opened %1, page 1 of %2").arg(file.fileName()).arg(frames)
                       : tr("Opened %1").arg(file.fileName()));
  return true;
}

void MainWindow::OpenDialog() {
  const QString path = QFileDialog::getOpenFileName(this, tr("Open"), QFileInfo(m_file).path(), OpenFilter(), nullptr,
                                                    QFileDialog::DontUseNativeDialog);
  if (!path.isEmpty()) OpenFile(path);
}

void MainWindow::OpenPage() {
  // The files whose pages or frames the control loads one at a time: pages of TIFF, and on version 2 the
  // frames of animations and the images of a HEIF file.
  const QString path =
      QFileDialog::getOpenFileName(this, tr("Open page"), QFileInfo(m_file).path(),
                                   tr("Pictures with pages or frames (*.tif *.tiff *.webp *.avif *.avifs *.heic *.heif "
                                      "*.hif *.jxl)"),
                                   nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty() || !ConfirmDiscard()) return;
  const ole::Variant name = Narrow(path);
  const CallOutcome count = m_control.Call("GetFrameCount", {name});
  if (!count.Ok()) return Report(count);
  if (count.AsInt() < 1) return ShowError(tr("%1 is damaged or is not a picture.").arg(path));
  const auto page = AskPage(this, QFileInfo(path).fileName(), count.AsInt());
  if (!page) return;
  BusyScope busy(statusBar(), tr("Opening page %1 of %2…").arg(*page).arg(QFileInfo(path).fileName()));
  const Extent client = ClientExtent();
  m_animation.Stop();
  m_fitting = Fitting::WholeIfLarger;
  const CallOutcome loaded = m_control.Call("LoadFrame", {name, ole::Variant(*page)});
  AfterCommand(loaded.Ok() ? ViewEffect::PixelSize : ViewEffect::None, 1.0, client);
  busy.End();
  if (!loaded.Ok()) return Report(loaded);
  m_file = path;
  m_changes.Saved();
  setWindowTitle(tr("%1, page %2 — Tavlen viewer").arg(QFileInfo(path).fileName()).arg(*page));
  busy.Done(tr("Opened page %1 of %2").arg(*page).arg(count.AsInt()));
}

bool MainWindow::AskFormatOption(const PictureFormat& format) {
  const char* property = nullptr;
  std::optional<int32_t> value;
  if (format.option == FormatOption::JpegQuality) {
    property = "JpgQuality";
    // The control's own default is the highest quality; a viewer offers what photos are saved with.
    constexpr int32_t kOfferedJpegQuality = 90;
    value = AskJpegQuality(this, kOfferedJpegQuality);
  } else if (format.option == FormatOption::TiffCompression) {
    property = "TiffCompression";
    value = AskTiffCompression(this, m_control.Get(property).AsInt());
  } else {
    return true;
  }
  if (!value) return false;
  const CallOutcome put = m_control.Put(property, ole::Variant(*value));
  Report(put);
  return put.Ok();
}

bool MainWindow::SaveAs() {
  // The picture's own folder, name and format are offered.
  const OutputChoice output =
      ChooseOutput(this, m_control, tr("Save as"), m_file, &PictureFormat::saveMethod, FormatOfName(m_file));
  if (!output.format || !AskFormatOption(*output.format)) return false;
  const QString written = output.base + QString::fromUtf8(output.format->extension);
  BusyScope busy(statusBar(), tr("Saving %1…").arg(written));
  const CallOutcome saved = m_control.Call(output.format->saveMethod, {Narrow(output.base)});
  // A bilevel TIFF scheme turns the picture itself black and white first.
  AfterCommand(ViewEffect::None, 1.0, ClientExtent());
  busy.End();
  if (!saved.Ok()) {
    Report(saved);
    return false;
  }
  if (!saved.AsBool()) {
    ShowError(tr("The picture could not be saved as %1.").arg(written));
    return false;
  }
  m_changes.Saved();
  busy.Done(tr("Saved %1").arg(written));
  return true;
}

bool MainWindow::ConfirmDiscard() {
  if (!HasUnsavedChanges()) return true;
  const auto answer = QMessageBox::question(
      this, tr("Save changes?"),
      tr("%1 has changes that were not saved. Save them first?").arg(QFileInfo(m_file).fileName()),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  if (answer == QMessageBox::Save) return SaveAs();
  return answer == QMessageBox::Discard;
}

void MainWindow::ExportShownFrame() {
  if (m_file.isEmpty()) return;
  const QString start = QFileInfo(m_file).absolutePath() + '/' + QFileInfo(m_file).completeBaseName() +
                        tr("-frame%1").arg(m_animation.Frame() + 1);
  const OutputChoice output = ChooseOutput(this, m_control, tr("Export shown frame"), start, &PictureFormat::saveMethod,
                                           FormatOfName(QStringLiteral("a.png")));
  if (!output.format || !AskFormatOption(*output.format)) return;
  const QString written = output.base + QString::fromUtf8(output.format->extension);
  const CallOutcome exported = m_control.Call(
      "ExportFrame", {Narrow(m_file), Narrow(output.base), ole::Variant(std::string(output.format->name)),
                      ole::Variant(m_animation.Frame() + 1)});
  if (!exported.Ok()) return Report(exported);
  if (!exported.AsBool()) return ShowError(tr("The frame could not be written to %1.").arg(written));
  statusBar()->showMessage(tr("Exported frame %1 to %2").arg(m_animation.Frame() + 1).arg(written));
}

void MainWindow::Convert() {
  const QString source =
      QFileDialog::getOpenFileName(this, tr("Convert: the file to convert"), QFileInfo(m_file).path(), OpenFilter(),
                                   nullptr, QFileDialog::DontUseNativeDialog);
  if (source.isEmpty()) return;
  const OutputChoice output = ChooseOutput(this, m_control, tr("Convert: the new file"),
                                           QFileInfo(source).completeBaseName(), &PictureFormat::convertMethod);
  if (!output.format || !AskFormatOption(*output.format)) return;
  const QString written = output.base + QString::fromUtf8(output.format->extension);
  BusyScope busy(statusBar(), tr("Converting %1…").arg(QFileInfo(source).fileName()));
  const CallOutcome converted = m_control.Call(output.format->convertMethod, {Narrow(source), Narrow(output.base)});
  busy.End();
  if (!converted.Ok()) return Report(converted);
  if (!converted.AsBool()) return ShowError(tr("%1 could not be converted to %2.").arg(source, written));
  busy.Done(tr("Converted to %1").arg(written));
}

void MainWindow::Print() {
  const CallOutcome printed = m_control.Call("PrintImage");
  if (!printed.Ok()) return Report(printed);
  statusBar()->showMessage(printed.AsBool() ? tr("Printed") : tr("Nothing was printed"));
}

}  // namespace tavlen::viewer
