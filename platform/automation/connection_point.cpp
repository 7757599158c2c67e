// The event source: sinks connected through IConnectionPoint, enumerations, and firing.
#include "platform/automation/connection_point.h"

#include <algorithm>
#include <utility>

#include "platform/automation/entry_guard.h"

namespace tavlen::ole {

namespace {

// Connections as enumerated: the sink is held while the enumerator lives.
struct Connection {
  ComPtr<IUnknown> sink;
  DWORD cookie;
};

void HandOut(const Connection& from, CONNECTDATA& to) {
  to.pUnk = from.sink.Get();
  to.pUnk->AddRef();
  to.dwCookie = from.cookie;
}

void HandOut(const ComPtr<IConnectionPoint>& from, IConnectionPoint*& to) { from.CopyTo(&to); }

// Both enumerators of this file: a snapshot taken when it was made, each item handed out with a reference
// of its own (HandOut).
template <class Interface, class Item, class Out>
class SnapshotEnumerator final : public ComObject<Interface> {
 public:
  explicit SnapshotEnumerator(std::vector<Item> items, size_t position = 0)
      : m_items(std::move(items)), m_position(position) {}

  HRESULT Next(ULONG count, Out* items, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!items || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && m_position < m_items.size(); ++n, ++m_position) HandOut(m_items[m_position], items[n]);
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
  HRESULT Clone(Interface** copy) override {
    if (!copy) return E_POINTER;
    *copy = nullptr;
    return Make(m_items, m_position, copy);
  }

  // E_OUTOFMEMORY, `*out` left null, when the copy or the object cannot be made.
  static HRESULT Make(const std::vector<Item>& items, size_t position, Interface** out) {
    return GuardedEntry([&] {
      *out = MakeObject<SnapshotEnumerator>(std::vector<Item>(items), position).Detach();
      return *out ? S_OK : E_OUTOFMEMORY;
    });
  }

 private:
  std::vector<Item> m_items;
  size_t m_position;
};

using ConnectionEnumerator = SnapshotEnumerator<IEnumConnections, Connection, CONNECTDATA>;
using PointEnumerator = SnapshotEnumerator<IEnumConnectionPoints, ComPtr<IConnectionPoint>, IConnectionPoint*>;

}  // namespace

EventSource::EventSource(IUnknown* outer, const IID& eventIid)
    : m_outer(outer), m_eventIid(eventIid), m_container(*this), m_point(*this) {}

EventSource::~EventSource() = default;

EventSource::ContainerPart::ContainerPart(EventSource& source)
    : OuterDelegating<IConnectionPointContainer>(source.m_outer), m_source(source) {}

HRESULT EventSource::ContainerPart::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (!points) return E_POINTER;
  *points = nullptr;
  return GuardedEntry([&] { return PointEnumerator::Make({ComPtr<IConnectionPoint>(&m_source.m_point)}, 0, points); });
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
  // On E_OUTOFMEMORY the list and the next cookie are as they were.
  return GuardedEntry([&] {
    m_source.m_sinks.push_back(Sink{m_source.m_nextCookie, std::move(dispatch)});
    *cookie = m_source.m_nextCookie++;
    return S_OK;
  });
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
  *connections = nullptr;
  return GuardedEntry([&] {
    std::vector<Connection> items;
    for (const Sink& sink : m_source.m_sinks) {
      items.push_back({ComPtr<IUnknown>(static_cast<IUnknown*>(sink.dispatch.Get())), sink.cookie});
    }
    return ConnectionEnumerator::Make(items, 0, connections);
  });
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
