// A sink that passes the control's MouseMove events on to the viewer's status bar.
#include "hosts/viewer/pointer_events.h"

#include <utility>

#include "hosts/common/control_description.h"
#include "platform/automation/com_object.h"

namespace tavlen::viewer {

class PointerEvents::Sink : public host::EventSinkBase {
 public:
  void Bind(ole::DISPID mouseMove, Handler handler) {
    m_mouseMove = mouseMove;
    m_handler = std::move(handler);
  }

  // Arguments arrive last first: Y, X, Shift, Button.
  ole::HRESULT Invoke(ole::DISPID id, const ole::IID&, ole::LCID, uint16_t, ole::DISPPARAMS* params, ole::Variant*,
                      ole::EXCEPINFO*, uint32_t*) override {
    if (id != m_mouseMove || !params || params->cArgs < 2 || !params->rgvarg || !m_handler) return ole::S_OK;
    ole::Variant x;
    ole::Variant y;
    if (ole::FAILED(ole::VariantChangeType(&x, params->rgvarg[1], 0, ole::VT_I4)) ||
        ole::FAILED(ole::VariantChangeType(&y, params->rgvarg[0], 0, ole::VT_I4)))
      return ole::DISP_E_TYPEMISMATCH;
    m_handler(x.I4(), y.I4());
    return ole::S_OK;
  }

  void Forget() { m_handler = nullptr; }

 private:
  ole::DISPID m_mouseMove = ole::DISPID_UNKNOWN;
  Handler m_handler;
};

PointerEvents::PointerEvents() = default;

PointerEvents::~PointerEvents() {
  m_connection.Disconnect();
  if (m_sink) m_sink->Forget();
}

ole::HRESULT PointerEvents::Connect(ole::IDispatch* control, Handler handler) {
  host::ControlDescription description = host::DescribeObject(control, nullptr);
  // The events are read from the type library while connecting, so the name is looked up afterwards.
  auto sink = ole::MakeObject<Sink>();
  if (!sink) return ole::E_OUTOFMEMORY;
  ole::HRESULT hr = m_connection.Connect(control, sink.Get(), &description);
  if (ole::FAILED(hr)) return hr;
  const host::EventDescription* mouseMove = description.FindEvent("MouseMove");
  if (!mouseMove) {
    m_connection.Disconnect();
    return ole::DISP_E_UNKNOWNNAME;
  }
  sink->Bind(mouseMove->dispid, std::move(handler));
  m_sink = std::move(sink);
  return ole::S_OK;
}

}  // namespace tavlen::viewer
