// The event source: sinks connected through IConnectionPoint, enumerations, and firing.
#include "platform/automation/connection_point.h"

#include <algorithm>
#include <utility>

namespace tavlen::ole {

namespace {

// Enumerators hand out snapshots taken when they were made.
class ConnectionEnumerator final : public ComObject<IEnumConnections> {
 public:
  struct Item {
    ComPtr<IUnknown> sink;
    DWORD cookie;
  };
  explicit ConnectionEnumerator(std::vector<Item> items, size_t position = 0)
      : m_items(std::move(items)), m_position(position) {}

  HRESULT Next(ULONG count, CONNECTDATA* items, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!items || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && m_position < m_items.size(); ++n, ++m_position) {
      items[n].pUnk = m_items[m_position].sink.Get();
      items[n].pUnk->AddRef();
      items[n].dwCookie = m_items[m_position].cookie;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    size_t left = m_items.size() - m_position;
    m_position += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    m_position = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumConnections** copy) override {
    if (!copy) return E_POINTER;
    *copy = MakeObject<ConnectionEnumerator>(m_items, m_position).Detach();
    return *copy ? S_OK : E_OUTOFMEMORY;
  }

 private:
  std::vector<Item> m_items;
  size_t m_position;
};

class PointEnumerator final : public ComObject<IEnumConnectionPoints> {
 public:
  explicit PointEnumerator(std::vector<ComPtr<IConnectionPoint>> items, size_t position = 0)
      : m_items(std::move(items)), m_position(position) {}

  HRESULT Next(ULONG count, IConnectionPoint** items, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!items || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && m_position < m_items.size(); ++n, ++m_position) m_items[m_position].CopyTo(&items[n]);
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    size_t left = m_items.size() - m_position;
    m_position += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    m_position = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumConnectionPoints** copy) override {
    if (!copy) return E_POINTER;
    *copy = MakeObject<PointEnumerator>(m_items, m_position).Detach();
    return *copy ? S_OK : E_OUTOFMEMORY;
  }

 private:
  std::vector<ComPtr<IConnectionPoint>> m_items;
  size_t m_position;
};

}  // namespace

EventSource::EventSource(IUnknown* outer, const IID& eventIid)
    : m_outer(outer), m_eventIid(eventIid), m_container(*this), m_point(*this) {}

EventSource::~EventSource() = default;

EventSource::ContainerPart::ContainerPart(EventSource& source)
    : OuterDelegating<IConnectionPointContainer>(source.m_outer), m_source(source) {}

HRESULT EventSource::ContainerPart::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (!points) return E_POINTER;
  *points =
      MakeObject<PointEnumerator>(std::vector<ComPtr<IConnectionPoint>>{ComPtr<IConnectionPoint>(&m_source.m_point)})
          .Detach();
  return *points ? S_OK : E_OUTOFMEMORY;
}

HRESULT EventSource::ContainerPart::FindConnectionPoint(const IID& iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != m_source.m_eventIid) return CONNECT_E_NOCONNECTION;
  *point = &m_source.m_point;
  (*point)->AddRef();
  return S_OK;
}

HRESULT EventSource::PointPart::QueryInterface(const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
  *object = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

ULONG EventSource::PointPart::AddRef() { return m_source.m_outer->AddRef(); }
ULONG EventSource::PointPart::Release() { return m_source.m_outer->Release(); }

HRESULT EventSource::PointPart::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = m_source.m_eventIid;
  return S_OK;
}

HRESULT EventSource::PointPart::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = &m_source.m_container;
  (*container)->AddRef();
  return S_OK;
}

HRESULT EventSource::PointPart::Advise(IUnknown* sink, DWORD* cookie) {
  if (cookie) *cookie = 0;
  if (!sink || !cookie) return E_POINTER;
  ComPtr<IDispatch> dispatch;
  // A sink of a dispinterface answers either to that interface's identifier or to IDispatch.
  if (FAILED(sink->QueryInterface(m_source.m_eventIid, dispatch.PutVoid())) &&
      FAILED(sink->QueryInterface(IID_IDispatch, dispatch.PutVoid()))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  *cookie = m_source.m_nextCookie++;
  m_source.m_sinks.push_back(Sink{*cookie, std::move(dispatch)});
  return S_OK;
}

HRESULT EventSource::PointPart::Unadvise(DWORD cookie) {
  auto& sinks = m_source.m_sinks;
  auto it = std::find_if(sinks.begin(), sinks.end(), [cookie](const Sink& s) { return s.cookie == cookie; });
  if (it == sinks.end()) return CONNECT_E_NOCONNECTION;
  // Release after the list is consistent: the sink's Release may call back into this source.
  ComPtr<IDispatch> released = std::move(it->dispatch);
  sinks.erase(it);
  return S_OK;
}

HRESULT EventSource::PointPart::EnumConnections(IEnumConnections** connections) {
  if (!connections) return E_POINTER;
  std::vector<ConnectionEnumerator::Item> items;
  for (const Sink& sink : m_source.m_sinks) {
    items.push_back({ComPtr<IUnknown>(static_cast<IUnknown*>(sink.dispatch.Get())), sink.cookie});
  }
  *connections = MakeObject<ConnectionEnumerator>(std::move(items)).Detach();
  return *connections ? S_OK : E_OUTOFMEMORY;
}

size_t EventSource::Fire(DISPID id, std::initializer_list<Variant> args) {
  if (m_sinks.empty()) return 0;
  // Sinks may advise or unadvise while being called: fire to a snapshot.
  std::vector<ComPtr<IDispatch>> sinks;
  sinks.reserve(m_sinks.size());
  for (const Sink& sink : m_sinks) sinks.push_back(sink.dispatch);
  size_t delivered = 0;
  for (const ComPtr<IDispatch>& sink : sinks) {
    DispArgs block(args);  // a fresh block per sink: a sink may change its arguments
    if (SUCCEEDED(sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, block.Params(), nullptr, nullptr,
                               nullptr))) {
      ++delivered;
    }
  }
  return delivered;
}

void EventSource::DisconnectAll() {
  std::vector<Sink> sinks = std::move(m_sinks);
  m_sinks.clear();
}

}  // namespace tavlen::ole
