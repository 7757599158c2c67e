// tavlen-viewer [FILE]: a desktop window around one control, created by its ProgID from the registry.
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QScreen>
#include <cstdio>

#include "hosts/common/desktop_control.h"
#include "hosts/common/sited_control.h"
#include "hosts/viewer/control_prog_id.h"
#include "hosts/viewer/main_window.h"

namespace {

QString CreationFailure(tavlen::ole::HRESULT hr, const std::string& why) {
  QString text = QObject::tr("The Tavlen control could not be created: %1.")
                     .arg(QString::fromStdString(tavlen::ole::HResultName(hr)));
  if (!why.empty()) text += ' ' + QString::fromStdString(why);
  if (tavlen::host::IsClassMissing(hr))
    text += QObject::tr(
        "\nRegister it first with \"tavlen regsvr PATH/Tavlen.ocx\" (the registry is "
        "$TAVLEN_REGISTRY, else ~/.local/share/tavlen/registry).");
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tavlen-viewer"));
  QApplication::setApplicationVersion(QStringLiteral(TAVLEN_VERSION));
  QCommandLineParser parser;
  parser.setApplicationDescription(QObject::tr("Shows and edits pictures with the Tavlen control."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("file"), QObject::tr("A picture to open."), QStringLiteral("[FILE]"));
  parser.process(app);

  tavlen::host::DesktopControl control;
  std::string why;
  const tavlen::ole::HRESULT hr =
      tavlen::host::CreateDesktopControl(tavlen::viewer::kControlProgId, "", nullptr, &control, &why);
  if (tavlen::ole::FAILED(hr) || !control.widget) {
    const QString text = CreationFailure(hr, why);
    std::fprintf(stderr, "tavlen-viewer: %s\n", text.toLocal8Bit().constData());
    QMessageBox::critical(nullptr, QObject::tr("Tavlen viewer"), text);
    return 1;
  }
  tavlen::viewer::MainWindow window(control.widget, std::move(control.dispatch));
  control = {};  // the window holds the control from here on
  window.resize(QSize(960, 720).boundedTo(window.screen()->availableSize()));
  window.show();
  if (!parser.positionalArguments().isEmpty()) window.OpenFile(parser.positionalArguments().front());
  return QApplication::exec();
}
