// The viewer's main window: the control as its central widget, driven only through its automation
// interface by the menus of the command table, with the pictures of the open picture's folder, fitting
// that follows the window, an information panel, drag and drop and a status bar that follows the pointer.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <map>
#include <memory>

#include "hosts/viewer/automation_client.h"
#include "hosts/viewer/control_events.h"
#include "hosts/viewer/displayed_size.h"
#include "hosts/viewer/frame_animation.h"
#include "hosts/viewer/picture_folder.h"
#include "hosts/viewer/unsaved_changes.h"
#include "hosts/viewer/viewer_commands.h"
#include "hosts/viewer/viewer_dialogs.h"

class QAction;
class QActionGroup;
class QLabel;
class QDockWidget;

namespace tavlen::viewer {

struct PictureFormat;
class InfoPanel;

// How the picture's displayed size follows the window.
enum class Fitting {
  WholeIfLarger,  // a picture larger than the window is fitted, others are shown at 100 %
  Fit,            // always fitted, also enlarged
  Free,           // the user zoomed: left as it is
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The command table (viewer_commands.cpp), in the window's scope so that its handlers reach the window.
  static const CommandInfo kCommandTable[];

  // `control` is the control's widget and `object` its automation interface; the window owns the widget.
  MainWindow(QWidget* control, ole::ComPtr<ole::IDispatch> object, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Opens a picture as Open… does, after asking about unsaved changes; failures are shown in a message
  // box. True when it is shown.
  bool OpenFile(const QString& path);

  QAction* ActionFor(Command command) const { return m_actions.at(command); }
  QAction* AlignAction(int align) const;
  AutomationClient& Control() { return m_control; }
  QLabel* PointerLabel() const { return m_pointerLabel; }
  QWidget* ClientWidget() const { return m_clientWidget; }
  const PictureFolder& Folder() const { return m_folder; }
  Fitting CurrentFitting() const { return m_fitting; }
  const FrameAnimation& Animation() const { return m_animation; }
  QDockWidget* InformationDock() const { return m_infoDock; }
  // Whether the picture has edits that were not saved.
  bool HasUnsavedChanges() const { return m_changes.Changed(); }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildMenus();
  void Run(const CommandInfo& info);
  // Calls the row's direct call and follows what it does to the displayed size.
  void RunDirect(const CommandInfo& info);
  // Picture size, displayed size, undo and the enabled state of the actions after a command.
  void AfterCommand(ViewEffect effect, double zoomValue, Extent client);
  // The one place that reads the picture's state back: after every command, and whenever the control
  // reports that its picture changed.
  void RefreshState();
  Extent PictureExtent();
  Extent ClientExtent() const;
  void ShowPointer(int32_t x, int32_t y);
  void ShowError(const QString& text);
  void Report(const CallOutcome& outcome);
  void ShowTitle();

  // File menu (file_commands.cpp).
  // Loads `path` with the frame count asked where it matters; false with the failure shown.
  bool LoadPicture(const QString& path);
  void OpenDialog();
  void OpenPage();
  // Saves through the Save as dialog; true when the picture was written.
  bool SaveAs();
  void Convert();
  void Print();
  void ExportShownFrame();
  // Asks the format's option and sets the control's property; false when the user cancelled.
  bool AskFormatOption(const PictureFormat& format);
  // Asks whether to save unsaved edits first: true when the caller may go on (saved or discarded).
  bool ConfirmDiscard();

  // Edit and View menus (edit_view_commands.cpp).
  void Zoom(double factor);
  void ActualSize();
  void FlipPicture(bool vertically);
  void ResizePicture();
  void SetAlign(int align);
  void RunDialog(DialogOutcome (*dialog)(QWidget*, AutomationClient&));

  // Fitting, zoom about the pointer, panning and full screen (view_interaction.cpp).
  void ApplyFitting();
  void DeliverPendingPaints();
  // Calls `method`, a zoom without arguments, until the scroll bars it brings settle.
  void ZoomSettled(ViewEffect effect, const char* method);
  void ZoomAbout(QPoint pointer, double factor);
  bool FilterClientEvent(QEvent* event);
  void ToggleFullScreen();
  void FollowPalette();

  // Go menu (folder_navigation.cpp).
  void GoTo(const QString& path);
  void StartAnimation();
  bool ShowFrame(int index);

  QWidget* m_controlWidget;
  QWidget* m_clientWidget = nullptr;
  AutomationClient m_control;
  ControlEvents m_events;
  DisplayedSize m_displayed;
  Extent m_picture;
  std::map<Command, QAction*> m_actions;
  std::map<Command, QActionGroup*> m_choices;  // of the commands that are a submenu of choices
  QAction* m_leaveFullScreen = nullptr;
  QLabel* m_pointerLabel;
  QLabel* m_sizeLabel;
  QDockWidget* m_infoDock;
  InfoPanel* m_infoPanel;
  QString m_file;
  PictureFolder m_folder;
  Fitting m_fitting = Fitting::WholeIfLarger;
  QTimer m_refit;  // coalesces the window's resizes into one fit
  FrameAnimation m_animation;
  std::unique_ptr<QTemporaryDir> m_frameFiles;  // the frames of the animated picture, as the control loads them
  UnsavedChanges m_changes;
  bool m_editAccepted = false;  // set by the handler of an edit that reached the control
  // Panning with a button held.
  bool m_panning = false;
  QPoint m_panStart;
  QPoint m_panScrollStart;
};

}  // namespace tavlen::viewer
