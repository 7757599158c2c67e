// The control's events the viewer follows, received as any host receives events: a sink advised on its
// connection point, each event looked up by its name in the control's type description. MouseMove feeds
// the status bar; PictureChanged, where the control fires it, tells that the picture changed by any path.
#pragma once

#include <cstdint>
#include <functional>

#include "hosts/common/event_connection.h"
#include "platform/automation/com_ptr.h"

namespace tavlen::viewer {

class ControlEvents {
 public:
  struct Handlers {
    std::function<void(int32_t x, int32_t y)> pointerMoved;  // client pixels
    std::function<void()> pictureChanged;
  };

  ControlEvents();
  ControlEvents(const ControlEvents&) = delete;
  ControlEvents& operator=(const ControlEvents&) = delete;
  ~ControlEvents();

  // E_NOINTERFACE when the control has no events, DISP_E_UNKNOWNNAME when it has no MouseMove; its
  // failure otherwise. A missing PictureChanged is no failure: PictureChangesReported() tells.
  ole::HRESULT Connect(ole::IDispatch* control, Handlers handlers);
  bool PictureChangesReported() const { return m_pictureChangesReported; }

 private:
  class Sink;
  ole::ComPtr<Sink> m_sink;
  host::EventConnection m_connection;
  bool m_pictureChangesReported = false;
};

}  // namespace tavlen::viewer
