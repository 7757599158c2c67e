// The main window's frame: menus built from the command table, the enabled state of each command, the
// status bar, drag and drop, and how failed calls are shown.
#include "hosts/viewer/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollBar>
#include <QStatusBar>
#include <QUrl>
#include <algorithm>

#include "hosts/viewer/info_panel.h"

namespace tavlen::viewer {
namespace {

constexpr int kAlignCentre = 4;

QString ColorText(int32_t colorRef) {
  if (colorRef == -1) return QObject::tr("no colour");
  const auto value = static_cast<uint32_t>(colorRef);
  return QStringLiteral("#%1%2%3")
      .arg(value & 0xFF, 2, 16, QLatin1Char('0'))
      .arg((value >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
      .arg((value >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
      .toUpper();
}

}  // namespace

MainWindow::MainWindow(QWidget* control, ole::ComPtr<ole::IDispatch> object, QWidget* parent)
    : QMainWindow(parent),
      m_controlWidget(control),
      m_control(std::move(object)),
      m_pointerLabel(new QLabel(this)),
      m_sizeLabel(new QLabel(this)),
      m_infoDock(new QDockWidget(tr("Information"), this)),
      m_infoPanel(new InfoPanel(m_infoDock)),
      m_folder([this] { ShowTitle(); }),
      m_animation([this](int index) { return ShowFrame(index); }) {
  setWindowTitle(tr("Tavlen viewer"));
  setAcceptDrops(true);
  setCentralWidget(m_controlWidget);
  statusBar()->addPermanentWidget(m_pointerLabel);
  statusBar()->addPermanentWidget(m_sizeLabel);
  m_infoDock->setObjectName(QStringLiteral("information"));
  m_infoDock->setWidget(m_infoPanel);
  addDockWidget(Qt::RightDockWidgetArea, m_infoDock);
  m_infoDock->hide();
  BuildMenus();
  ControlEvents::Handlers handlers;
  handlers.pointerMoved = [this](int32_t x, int32_t y) { ShowPointer(x, y); };
  // Fired while the control is inside a call of ours: read back once that call has returned.
  handlers.pictureChanged = [this] { QTimer::singleShot(0, this, [this] { RefreshState(); }); };
  if (ole::FAILED(m_events.Connect(m_control.Object(), std::move(handlers))))
    m_pointerLabel->setText(tr("(the control reports no pointer moves)"));
  // The client area is the control widget's one child that is no scroll bar.
  for (QWidget* child : m_controlWidget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->inherits("QScrollBar")) m_clientWidget = child;
  }
  if (m_clientWidget) m_clientWidget->installEventFilter(this);
  m_controlWidget->installEventFilter(this);
  m_leaveFullScreen = new QAction(tr("Leave full screen"), this);
  m_leaveFullScreen->setShortcut(QKeySequence(Qt::Key_Escape));
  m_leaveFullScreen->setEnabled(false);  // Esc belongs to the control outside full screen
  addAction(m_leaveFullScreen);
  connect(m_leaveFullScreen, &QAction::triggered, this, [this] {
    if (isFullScreen()) ToggleFullScreen();
  });
  m_refit.setSingleShot(true);
  m_refit.setInterval(0);
  connect(&m_refit, &QTimer::timeout, this, [this] { ApplyFitting(); });
  // Photos upright as taken and colours as meant, where the control can do either.
  for (const char* property : {"AutoOrient", "ColorManaged"}) {
    if (m_control.Has(property)) (void)m_control.Put(property, ole::Variant(true));
  }
  // Centred on a neutral background, as a viewer shows pictures.
  if (m_control.Has("Align")) SetAlign(kAlignCentre);
  FollowPalette();
  RefreshState();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
  std::map<Menu, QMenu*> menus;
  for (const CommandInfo& info : Commands()) {
    QMenu*& menu = menus[info.menu];
    if (!menu) menu = menuBar()->addMenu(tr(MenuTitle(info.menu)));
    if (info.startsGroup) menu->addSeparator();
    QAction* action = nullptr;
    if (!info.choices.empty()) {
      QMenu* submenu = menu->addMenu(tr(info.text));
      auto* group = new QActionGroup(this);
      for (int index = 0; index < static_cast<int>(info.choices.size()); ++index) {
        QAction* choice = submenu->addAction(tr(info.choices[index]));
        choice->setCheckable(true);
        group->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, &info, index] { info.choose(*this, index); });
      }
      m_choices[info.command] = group;
      action = submenu->menuAction();
    } else {
      action = menu->addAction(tr(info.text));
      action->setShortcuts(QKeySequence::listFromString(QString::fromUtf8(info.shortcut)));
      // Also on the window, so that the shortcuts work in full screen with the menu bar hidden.
      addAction(action);
      connect(action, &QAction::triggered, this, [this, &info] { Run(info); });
    }
    m_actions[info.command] = action;
  }
  if (m_control.Has("Align")) {
    if (QAction* current = AlignAction(m_control.Get("Align").AsInt())) current->setChecked(true);
  }
}

QAction* MainWindow::AlignAction(int align) const {
  const auto actions = m_choices.at(Command::Align)->actions();
  return align >= 0 && align < actions.size() ? actions[align] : nullptr;
}

void MainWindow::RefreshState() {
  m_picture = PictureExtent();
  const bool hasPicture = m_picture.width > 0 && m_picture.height > 0;
  const bool canUndo = m_control.Has("GetUndo") && m_control.Call("GetUndo").AsInt() > 0;
  const bool canRedo = m_control.Has("GetRedo") && m_control.Call("GetRedo").AsInt() > 0;
  const WindowState state{.picture = hasPicture,
                          .canUndo = canUndo,
                          .canRedo = canRedo,
                          .browsing = !m_folder.Current().isEmpty(),
                          .animating = m_animation.Animating()};
  for (const CommandInfo& info : Commands()) {
    QAction* action = m_actions.at(info.command);
    action->setEnabled(IsAvailable(info, m_control) && IsAllowed(info.enabledWhen, state));
    if (info.textWhilePaused) action->setText(tr(m_animation.Paused() ? info.textWhilePaused : info.text));
  }
  if (m_infoDock->isVisible()) m_infoPanel->Show(m_file, m_control);
  const Extent shown = m_displayed.Displayed();
  if (!hasPicture) {
    m_sizeLabel->setText(tr("No picture"));
  } else if (shown.width > 0) {
    m_sizeLabel->setText(tr("%1 × %2 pixels, %3 %")
                             .arg(m_picture.width)
                             .arg(m_picture.height)
                             .arg(100.0 * shown.width / m_picture.width, 0, 'f', 0));
  } else {
    m_sizeLabel->setText(tr("%1 × %2 pixels").arg(m_picture.width).arg(m_picture.height));
  }
}

Extent MainWindow::PictureExtent() { return {m_control.Call("GetWidth").AsInt(), m_control.Call("GetHeight").AsInt()}; }

Extent MainWindow::ClientExtent() const {
  // The control's client area is its widget less the scroll bars that are shown.
  QSize client = m_controlWidget->contentsRect().size();
  for (const QScrollBar* bar : m_controlWidget->findChildren<QScrollBar*>()) {
    if (!bar->isVisible()) continue;
    if (bar->orientation() == Qt::Vertical)
      client.rwidth() -= bar->width();
    else
      client.rheight() -= bar->height();
  }
  return {std::max(client.width(), 0), std::max(client.height(), 0)};
}

void MainWindow::AfterCommand(ViewEffect effect, double zoomValue, Extent client) {
  m_displayed.Apply(effect, PictureExtent(), zoomValue, client);
  // A new size of the picture (load, turn, undo, resize) is fitted again as the fitting asks.
  if (effect == ViewEffect::PixelSize || effect == ViewEffect::SwapSides) ApplyFitting();
  RefreshState();
}

void MainWindow::Run(const CommandInfo& info) {
  const auto handle = [&] { info.run ? info.run(*this, info) : RunDirect(info); };
  if (!info.edits) return handle();
  const int32_t depthBefore = m_control.Call("GetUndo").AsInt();
  m_editAccepted = false;
  handle();
  if (m_editAccepted) m_changes.Edited(depthBefore, m_control.Call("GetUndo").AsInt());
  // The frames of a file are shown from the file: an edited frame stays.
  if (m_editAccepted) m_animation.Stop();
  RefreshState();
}

void MainWindow::RunDirect(const CommandInfo& info) {
  if (info.effect == ViewEffect::Fit || info.effect == ViewEffect::FitWidth || info.effect == ViewEffect::FitHeight) {
    ZoomSettled(info.effect, info.directCall);
    return RefreshState();
  }
  const Extent client = ClientExtent();
  const CallOutcome outcome = m_control.Call(info.directCall);
  Report(outcome);
  m_editAccepted = outcome.Ok();
  AfterCommand(outcome.Ok() ? info.effect : ViewEffect::None, 1.0, client);
}

void MainWindow::ShowPointer(int32_t x, int32_t y) {
  const PixelPoint corner{static_cast<int32_t>(m_control.Call("GetImageXpos").AsDouble()),
                          static_cast<int32_t>(m_control.Call("GetImageYpos").AsDouble())};
  const auto pixel = m_displayed.PicturePixel({x, y}, corner, m_picture);
  const QString colour = ColorText(m_control.Call("GetPixelColor", {ole::Variant(x), ole::Variant(y)}).AsInt());
  if (pixel)
    m_pointerLabel->setText(tr("x %1, y %2  %3").arg(pixel->x).arg(pixel->y).arg(colour));
  else
    m_pointerLabel->setText(tr("off the picture  %1").arg(colour));
}

void MainWindow::ShowError(const QString& text) { QMessageBox::warning(this, tr("Tavlen viewer"), text); }

void MainWindow::Report(const CallOutcome& outcome) {
  if (!outcome.Ok()) ShowError(QString::fromStdString(outcome.error));
}

void MainWindow::ShowTitle() {
  const int count = m_folder.Count();
  const int position = m_folder.Position();
  const QString name = QFileInfo(m_file).fileName();
  if (m_file.isEmpty())
    setWindowTitle(tr("Tavlen viewer"));
  else if (position > 0)
    setWindowTitle(tr("%1 — %2 of %3").arg(name).arg(position).arg(count));
  else
    setWindowTitle(tr("%1 — Tavlen viewer").arg(name));
  RefreshState();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!ConfirmDiscard()) return event->ignore();
  m_animation.Stop();
  event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  OpenFile(urls.front().toLocalFile());
}

}  // namespace tavlen::viewer
