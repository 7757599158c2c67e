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
#include "hosts/viewer/read_ahead.h"

namespace tavlen::viewer {
namespace {

constexpr const char* kMenuTitles[] = {"&File", "&Edit", "&View", "&Go", "&Help"};

// Commands that act without a picture; every other one is disabled until a picture is shown.
constexpr Command kWithoutPicture[] = {Command::Open,       Command::OpenPage,   Command::Convert, Command::Quit,
                                       Command::Align,      Command::Background, Command::Border,  Command::About,
                                       Command::FullScreen, Command::Information};

// Commands that need a folder being browsed.
constexpr Command kFolderCommands[] = {Command::Next, Command::Previous, Command::First, Command::Last};

// Commands that change the picture (Undo and Redo move between its states instead).
constexpr Command kEdits[] = {Command::RotateLeft, Command::RotateRight, Command::Rotate180, Command::Flip,
                              Command::Mirror,     Command::Resize,      Command::Gray,      Command::BlackWhite,
                              Command::FromOneBit, Command::Text,        Command::Tags};

// Commands that open a group of their menu.
constexpr Command kGroupStarts[] = {
    Command::Print, Command::Quit,       Command::Copy,  Command::RotateLeft,  Command::Resize,
    Command::Text,  Command::ActualSize, Command::Align, Command::Information, Command::PauseAnimation};

constexpr int kAlignCentre = 4;

template <size_t N>
bool IsIn(const Command (&list)[N], Command command) {
  return std::find(std::begin(list), std::end(list), command) != std::end(list);
}

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
      m_folder([this] {
        ShowTitle();
        ReadNeighboursAhead();
      }),
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
  m_readAhead = ReadAhead::For(m_control);  // made alike: after the settings above
  FollowPalette();
  RefreshState();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
  QMenu* menus[std::size(kMenuTitles)];
  for (size_t i = 0; i < std::size(kMenuTitles); ++i) menus[i] = menuBar()->addMenu(tr(kMenuTitles[i]));
  for (const CommandInfo& info : Commands()) {
    QMenu* menu = menus[static_cast<size_t>(info.menu)];
    if (IsIn(kGroupStarts, info.command)) menu->addSeparator();
    QAction* action = nullptr;
    if (info.command == Command::Align) {
      QMenu* alignMenu = menu->addMenu(tr(info.text));
      m_alignGroup = new QActionGroup(this);
      for (int align = 0; align < static_cast<int>(std::size(kAlignNames)); ++align) {
        QAction* choice = alignMenu->addAction(tr(kAlignNames[align]));
        choice->setCheckable(true);
        m_alignGroup->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, align] { SetAlign(align); });
      }
      action = alignMenu->menuAction();
    } else {
      action = menu->addAction(tr(info.text));
      action->setShortcuts(QKeySequence::listFromString(QString::fromUtf8(info.shortcut)));
      // Also on the window, so that the shortcuts work in full screen with the menu bar hidden.
      addAction(action);
      connect(action, &QAction::triggered, this, [this, command = info.command] { Run(command); });
    }
    m_actions[info.command] = action;
  }
  if (m_control.Has("Align")) {
    if (QAction* current = AlignAction(m_control.Get("Align").AsInt())) current->setChecked(true);
  }
}

QAction* MainWindow::AlignAction(int align) const {
  const auto actions = m_alignGroup->actions();
  return align >= 0 && align < actions.size() ? actions[align] : nullptr;
}

void MainWindow::RefreshState() {
  m_picture = PictureExtent();
  const bool hasPicture = m_picture.width > 0 && m_picture.height > 0;
  const bool canUndo = m_control.Has("GetUndo") && m_control.Call("GetUndo").AsInt() > 0;
  const bool canRedo = m_control.Has("GetRedo") && m_control.Call("GetRedo").AsInt() > 0;
  const bool browsing = !m_folder.Current().isEmpty();
  for (const CommandInfo& info : Commands()) {
    bool enabled = IsAvailable(info, m_control) && (hasPicture || IsIn(kWithoutPicture, info.command));
    if (info.command == Command::Undo) enabled = enabled && canUndo;
    if (info.command == Command::Redo) enabled = enabled && canRedo;
    if (IsIn(kFolderCommands, info.command)) enabled = enabled && browsing;
    if (info.command == Command::PauseAnimation) enabled = enabled && m_animation.Animating();
    m_actions.at(info.command)->setEnabled(enabled);
  }
  m_actions.at(Command::PauseAnimation)
      ->setText(m_animation.Paused() ? tr("Res&ume animation") : tr(InfoOf(Command::PauseAnimation).text));
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

void MainWindow::Run(Command command) {
  const CommandInfo& info = InfoOf(command);
  if (IsIn(kEdits, command)) {
    const int32_t depthBefore = m_control.Call("GetUndo").AsInt();
    m_editAccepted = false;
    Dispatch(info);
    if (m_editAccepted) m_changes.Edited(depthBefore, m_control.Call("GetUndo").AsInt());
    // The frames of a file are shown from the file: an edited frame stays.
    if (m_editAccepted) m_animation.Stop();
    RefreshState();
    return;
  }
  if (command == Command::Fit) m_fitting = Fitting::Fit;
  if (command == Command::FitWidth || command == Command::FitHeight) m_fitting = Fitting::Free;
  if (command == Command::Undo) m_changes.SteppedBack();
  if (command == Command::Redo) m_changes.SteppedForward();
  Dispatch(info);
}

void MainWindow::Dispatch(const CommandInfo& info) {
  if (info.directCall) return RunDirect(info);
  switch (info.command) {
    case Command::Open:
      return OpenDialog();
    case Command::OpenPage:
      return OpenPage();
    case Command::SaveAs:
      SaveAs();
      return;
    case Command::Convert:
      return Convert();
    case Command::Print:
      return Print();
    case Command::Quit:
      close();
      return;
    case Command::Flip:
      return FlipPicture(true);
    case Command::Mirror:
      return FlipPicture(false);
    case Command::Resize:
      return ResizePicture();
    case Command::Text:
      return RunDialog(&StampText);
    case Command::Tags:
      return RunDialog(&EditTags);
    case Command::ZoomIn:
      return Zoom(1.25);
    case Command::ZoomOut:
      return Zoom(0.8);
    case Command::ActualSize:
      return ActualSize();
    case Command::Background:
      return RunDialog(&EditBackground);
    case Command::Border:
      return RunDialog(&EditBorder);
    case Command::Information:
      m_infoDock->setVisible(!m_infoDock->isVisible());
      return RefreshState();
    case Command::FullScreen:
      return ToggleFullScreen();
    case Command::Next:
      return GoTo(m_folder.Neighbour(1));
    case Command::Previous:
      return GoTo(m_folder.Neighbour(-1));
    case Command::First:
      return GoTo(m_folder.First());
    case Command::Last:
      return GoTo(m_folder.Last());
    case Command::PauseAnimation:
      m_animation.TogglePause();
      return RefreshState();
    case Command::ExportFrame:
      return ExportShownFrame();
    default:
      return;  // the rest are direct calls or submenus
  }
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
