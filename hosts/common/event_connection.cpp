// Connecting a host's event sink to a control's (only) connection point, and what every sink answers.
#include "hosts/common/event_connection.h"

namespace tavlen::host {

ole::HRESULT EventSinkBase::GetTypeInfoCount(uint32_t* count) {
  if (!count) return ole::E_POINTER;
  *count = 0;
  return ole::S_OK;
}

ole::HRESULT EventSinkBase::GetTypeInfo(uint32_t, ole::LCID, ole::ITypeInfo** info) {
  if (info) *info = nullptr;
  return ole::DISP_E_BADINDEX;
}

ole::HRESULT EventSinkBase::GetIDsOfNames(const ole::IID&, const char* const*, uint32_t count, ole::LCID,
                                          ole::DISPID* ids) {
  for (uint32_t i = 0; ids && i < count; ++i) ids[i] = ole::DISPID_UNKNOWN;
  return ole::DISP_E_UNKNOWNNAME;
}

ole::HRESULT EventConnection::Connect(ole::IDispatch* object, ole::IDispatch* sink, ControlDescription* description) {
  if (!object || !sink) return ole::E_POINTER;
  if (m_point) return ole::E_UNEXPECTED;
  ole::ComPtr<ole::IConnectionPointContainer> container;
  ole::HRESULT hr = object->QueryInterface(ole::IID_IConnectionPointContainer, container.PutVoid());
  if (ole::FAILED(hr)) return hr;
  ole::ComPtr<ole::IEnumConnectionPoints> points;
  ole::ComPtr<ole::IConnectionPoint> point;
  ole::ULONG fetched = 0;
  hr = container->EnumConnectionPoints(points.Put());
  if (ole::SUCCEEDED(hr)) hr = points->Next(1, point.Put(), &fetched);
  if (ole::FAILED(hr)) return hr;
  if (fetched != 1 || !point) return ole::CONNECT_E_NOCONNECTION;
  ole::IID eventIid;
  if (description && description->events.empty() && description->typeLib &&
      ole::SUCCEEDED(point->GetConnectionInterface(&eventIid))) {
    ole::ComPtr<ole::ITypeInfo> info;
    if (ole::SUCCEEDED(description->typeLib->GetTypeInfoOfGuid(eventIid, info.Put()))) {
      description->events = DescribeEvents(info.Get());
    }
  }
  ole::DWORD cookie = 0;
  hr = point->Advise(sink, &cookie);
  if (ole::FAILED(hr)) return hr;
  m_point = point;
  m_cookie = cookie;
  return ole::S_OK;
}

void EventConnection::Disconnect() {
  if (!m_point) return;
  ole::ComPtr<ole::IConnectionPoint> point = std::move(m_point);
  (void)point->Unadvise(m_cookie);
  m_cookie = 0;
}

}  // namespace tavlen::host
