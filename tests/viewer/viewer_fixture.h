// A viewer window on a real control under a private Xvfb, pictures made for the test, and answers to
// the modal dialogs a command opens.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QFileDialog>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "hosts/viewer/main_window.h"
#include "platform/automation/com_object.h"

// Readable failure messages for Qt's strings.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace tavlen::test {

// Why the desktop tests cannot run here (Xvfb or the control missing); empty when they can.
const std::string& DesktopUnavailable();

// Calls `ready` while the event loop runs until it is true or about ten seconds have passed.
bool WaitUntil(const std::function<bool()>& ready);

// Replaces the text of a field by typing, as a user does: select all, type, press Enter.
void TypeOver(QWidget* field, const QString& text);

// Waits until a file dialog shows its folder's files, as a user sees them before typing a name.
void WaitForListing(QFileDialog* dialog);

// Answers the modal dialogs that appear, in order: each answer gets the dialog and closes it.
class ModalAnswers {
 public:
  using Answer = std::function<void(QWidget* dialog)>;
  ModalAnswers();
  void Add(Answer answer) { m_answers.push_back(std::move(answer)); }
  bool AllGiven() const { return m_answers.empty(); }

 private:
  void Poll();
  std::deque<Answer> m_answers;
  QPointer<QWidget> m_last;
  QTimer m_timer;
};

// Counts the calls made through it by name and passes them on. Other interfaces than IDispatch are
// hidden, as behind any object a host puts in front of a control, or the control's own.
class CountingDispatch final : public ole::ComObject<ole::IDispatch> {
 public:
  enum class OtherInterfaces { Hidden, Forwarded };
  CountingDispatch(ole::ComPtr<ole::IDispatch> inner, std::map<std::string, int>& calls,
                   OtherInterfaces others = OtherInterfaces::Hidden)
      : m_inner(std::move(inner)), m_calls(calls), m_others(others) {}
  ole::HRESULT GetTypeInfoCount(uint32_t* count) override { return m_inner->GetTypeInfoCount(count); }
  ole::HRESULT GetTypeInfo(uint32_t index, ole::LCID lcid, ole::ITypeInfo** info) override {
    return m_inner->GetTypeInfo(index, lcid, info);
  }
  ole::HRESULT GetIDsOfNames(const ole::IID& iid, const char* const* names, uint32_t count, ole::LCID lcid,
                             ole::DISPID* ids) override;
  ole::HRESULT Invoke(ole::DISPID id, const ole::IID& iid, ole::LCID lcid, uint16_t flags, ole::DISPPARAMS* params,
                      ole::Variant* result, ole::EXCEPINFO* info, uint32_t* argErr) override;

 protected:
  ole::IUnknown* QueryExtraInterface(const ole::IID& iid) override;

 private:
  ole::ComPtr<ole::IDispatch> m_inner;
  std::map<std::string, int>& m_calls;
  const OtherInterfaces m_others;
  std::map<ole::DISPID, std::string> m_names;
};

class ViewerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A PNG of `width` x `height`: the left half red, the right half blue.
  QString MakePicture(const QString& name, int width, int height);
  // Creates the window around a control; `wrap` may put another IDispatch in front of the control.
  void OpenWindow(const std::function<ole::ComPtr<ole::IDispatch>(ole::ComPtr<ole::IDispatch>)>& wrap = {});
  viewer::AutomationClient& Control() { return m_window->Control(); }
  // As main() does: sized to 960 x 720 within the screen and shown, without waiting for its events.
  void OpenWindowAsTheApplicationDoes();
  void Trigger(viewer::Command command);
  // The colour shown at a client point, read through the control's pixel query.
  QColor ShownAt(int x, int y);
  QWidget* ClientArea() const;
  // The client point of the picture's top-left corner.
  QPoint PictureCorner();

  QTemporaryDir m_dir;
  std::unique_ptr<viewer::MainWindow> m_window;
};

}  // namespace tavlen::test
