// The viewer's main window: the control as its central widget, driven only through its automation
// interface by the menus of the command table, with drag and drop and a status bar that follows the pointer.
#pragma once

#include <QMainWindow>
#include <QString>
#include <map>

#include "hosts/viewer/automation_client.h"
#include "hosts/viewer/displayed_size.h"
#include "hosts/viewer/pointer_events.h"
#include "hosts/viewer/viewer_commands.h"
#include "hosts/viewer/viewer_dialogs.h"

class QAction;
class QActionGroup;
class QLabel;

namespace tavlen::viewer {

struct PictureFormat;

class MainWindow : public QMainWindow {
 public:
  // `control` is the control's widget and `object` its automation interface; the window owns the widget.
  MainWindow(QWidget* control, ole::ComPtr<ole::IDispatch> object, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Opens a picture as Open… does; failures are shown in a message box. True when it is shown.
  bool OpenFile(const QString& path);

  QAction* ActionFor(Command command) const { return m_actions.at(command); }
  QAction* AlignAction(int align) const;
  AutomationClient& Control() { return m_control; }
  QLabel* PointerLabel() const { return m_pointerLabel; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  void Run(Command command);
  void RunDirect(const CommandInfo& info);
  // Picture size, displayed size, undo and the enabled state of the actions after a command.
  void AfterCommand(ViewEffect effect, double zoomValue, Extent client);
  void RefreshState();
  Extent PictureExtent();
  Extent ClientExtent() const;
  void ShowPointer(int32_t x, int32_t y);
  void ShowError(const QString& text);
  void Report(const CallOutcome& outcome);

  // File menu (file_commands.cpp).
  void OpenDialog();
  void OpenPage();
  void SaveAs();
  void Convert();
  void Print();
  // Asks the format's option and sets the control's property; false when the user cancelled.
  bool AskFormatOption(const PictureFormat& format);
  // Edit and View menus (edit_view_commands.cpp).
  void Zoom(double factor);
  void ActualSize();
  void FlipPicture(bool vertically);
  void ResizePicture();
  void SetAlign(int align);
  void RunDialog(DialogOutcome (*dialog)(QWidget*, AutomationClient&));

  QWidget* m_controlWidget;
  AutomationClient m_control;
  PointerEvents m_pointerEvents;
  DisplayedSize m_displayed;
  Extent m_picture;
  std::map<Command, QAction*> m_actions;
  QActionGroup* m_alignGroup = nullptr;
  QLabel* m_pointerLabel;
  QLabel* m_sizeLabel;
  QString m_file;
};

}  // namespace tavlen::viewer
