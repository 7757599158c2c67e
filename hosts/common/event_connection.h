// A host's sink connected to a control's event source: connected once, disconnected on destruction.
#pragma once

#include "hosts/common/control_description.h"
#include "platform/automation/com_object.h"
#include "platform/automation/connection_point.h"

namespace tavlen::host {

// The part of an event sink that is the same for every host: it is reached only through Invoke, so it
// offers no type information and knows no names.
class EventSinkBase : public ole::ComObject<ole::IDispatch> {
 public:
  ole::HRESULT GetTypeInfoCount(uint32_t* count) override;
  ole::HRESULT GetTypeInfo(uint32_t index, ole::LCID lcid, ole::ITypeInfo** info) override;
  ole::HRESULT GetIDsOfNames(const ole::IID& iid, const char* const* names, uint32_t count, ole::LCID lcid,
                             ole::DISPID* ids) override;
};

class EventConnection {
 public:
  EventConnection() = default;
  EventConnection(const EventConnection&) = delete;
  EventConnection& operator=(const EventConnection&) = delete;
  ~EventConnection() { Disconnect(); }

  // Advises `sink` on the object's first connection point. When `description` lists no events yet,
  // they are read from its type library by the connection point's interface. E_NOINTERFACE when the
  // object has no events; the connection point's failure otherwise. Connecting twice is E_UNEXPECTED.
  ole::HRESULT Connect(ole::IDispatch* object, ole::IDispatch* sink, ControlDescription* description);
  void Disconnect();
  bool Connected() const { return static_cast<bool>(m_point); }

 private:
  ole::ComPtr<ole::IConnectionPoint> m_point;
  ole::DWORD m_cookie = 0;
};

}  // namespace tavlen::host
