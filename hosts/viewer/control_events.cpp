// A sink that passes the control's MouseMove and PictureChanged events on to the viewer.
#include "hosts/viewer/control_events.h"

#include <utility>

#include "hosts/common/control_description.h"
#include "platform/automation/com_object.h"

namespace tavlen::viewer {

class ControlEvents::Sink : public host::EventSinkBase {
 public:
  void Bind(ole::DISPID mouseMove, ole::DISPID pictureChanged, Handlers handlers) {
    m_mouseMove = mouseMove;
    m_pictureChanged = pictureChanged;
    m_handlers = std::move(handlers);
  }

  ole::HRESULT Invoke(ole::DISPID id, const ole::IID&, ole::LCID, uint16_t, ole::DISPPARAMS* params, ole::Variant*,
                      ole::EXCEPINFO*, uint32_t*) override {
    if (id == m_pictureChanged && m_pictureChanged != ole::DISPID_UNKNOWN) {
      if (m_handlers.pictureChanged) m_handlers.pictureChanged();
      return ole::S_OK;
    }
    // MouseMove's arguments arrive last first: Y, X, Shift, Button.
    if (id != m_mouseMove || !params || params->cArgs < 2 || !params->rgvarg || !m_handlers.pointerMoved)
      return ole::S_OK;
    ole::Variant x;
    ole::Variant y;
    if (ole::FAILED(ole::VariantChangeType(&x, params->rgvarg[1], 0, ole::VT_I4)) ||
        ole::FAILED(ole::VariantChangeType(&y, params->rgvarg[0], 0, ole::VT_I4)))
      return ole::DISP_E_TYPEMISMATCH;
    m_handlers.pointerMoved(x.I4(), y.I4());
    return ole::S_OK;
  }

  void Forget() { m_handlers = {}; }

 private:
  ole::DISPID m_mouseMove = ole::DISPID_UNKNOWN;
  ole::DISPID m_pictureChanged = ole::DISPID_UNKNOWN;
  Handlers m_handlers;
};

ControlEvents::ControlEvents() = default;

ControlEvents::~ControlEvents() {
  m_connection.Disconnect();
  if (m_sink) m_sink->Forget();
}

ole::HRESULT ControlEvents::Connect(ole::IDispatch* control, Handlers handlers) {
  host::ControlDescription description = host::DescribeObject(control, nullptr);
  // The events are read from the type library while connecting, so the names are looked up afterwards.
  auto sink = ole::MakeObject<Sink>();
  if (!sink) return ole::E_OUTOFMEMORY;
  ole::HRESULT hr = m_connection.Connect(control, sink.Get(), &description);
  if (ole::FAILED(hr)) return hr;
  const host::EventDescription* mouseMove = description.FindEvent("MouseMove");
  if (!mouseMove) {
    m_connection.Disconnect();
    return ole::DISP_E_UNKNOWNNAME;
  }
  const host::EventDescription* pictureChanged = description.FindEvent("PictureChanged");
  m_pictureChangesReported = pictureChanged != nullptr;
  sink->Bind(mouseMove->dispid, pictureChanged ? pictureChanged->dispid : ole::DISPID_UNKNOWN, std::move(handlers));
  m_sink = std::move(sink);
  return ole::S_OK;
}

}  // namespace tavlen::viewer
