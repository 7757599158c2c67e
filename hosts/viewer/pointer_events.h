// The control's MouseMove event, received as any host receives events: a sink advised on its connection
// point, looked up by the event's name in the control's type description.
#pragma once

#include <cstdint>
#include <functional>

#include "hosts/common/event_connection.h"
#include "platform/automation/com_ptr.h"

namespace tavlen::viewer {

class PointerEvents {
 public:
  using Handler = std::function<void(int32_t x, int32_t y)>;  // client pixels

  PointerEvents();
  PointerEvents(const PointerEvents&) = delete;
  PointerEvents& operator=(const PointerEvents&) = delete;
  ~PointerEvents();

  // E_NOINTERFACE or DISP_E_UNKNOWNNAME when the control offers no MouseMove event; its failure otherwise.
  ole::HRESULT Connect(ole::IDispatch* control, Handler handler);

 private:
  class Sink;
  ole::ComPtr<Sink> m_sink;
  host::EventConnection m_connection;
};

}  // namespace tavlen::viewer
