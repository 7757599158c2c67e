// Connection points: how a host connects sinks to an object's outgoing (event) interface, and the
// reusable source that an object embeds to accept sinks and fire events to them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/automation/com_object.h"
#include "platform/automation/dispatch.h"

namespace tavlen::ole {

class IConnectionPointContainer;

struct CONNECTDATA {
  IUnknown* pUnk = nullptr;  // a reference the receiver releases
  DWORD dwCookie = 0;
};

class IEnumConnections : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0xB196B287, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  // S_FALSE when fewer than `count` remained.
  virtual HRESULT Next(ULONG count, CONNECTDATA* items, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnections** copy) = 0;

 protected:
  ~IEnumConnections() = default;
};

class IConnectionPoint : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
  // CONNECT_E_CANNOTCONNECT when the sink implements neither the event interface nor IDispatch.
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  // CONNECT_E_NOCONNECTION for an unknown cookie.
  virtual HRESULT Unadvise(DWORD cookie) = 0;
  virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;

 protected:
  ~IConnectionPoint() = default;
};

class IEnumConnectionPoints : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0xB196B285, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  virtual HRESULT Next(ULONG count, IConnectionPoint** items, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnectionPoints** copy) = 0;

 protected:
  ~IEnumConnectionPoints() = default;
};

class IConnectionPointContainer : public IUnknown {
 public:
  using Base = IUnknown;
  static constexpr IID kIid{0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
  // CONNECT_E_NOCONNECTION when the object has no connection point for `iid`.
  virtual HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** point) = 0;

 protected:
  ~IConnectionPointContainer() = default;
};

inline constexpr IID IID_IConnectionPointContainer = IConnectionPointContainer::kIid;
inline constexpr IID IID_IConnectionPoint = IConnectionPoint::kIid;
inline constexpr IID IID_IEnumConnections = IEnumConnections::kIid;
inline constexpr IID IID_IEnumConnectionPoints = IEnumConnectionPoints::kIid;

// The event source of an object with one outgoing dispinterface. The object embeds it, answers
// QueryInterface(IID_IConnectionPointContainer) with Container(), and calls Fire. Its lifetime is the
// object's: the container and the point count their references on the outer object.
class EventSource {
 public:
  EventSource(IUnknown* outer, const IID& eventIid);
  EventSource(const EventSource&) = delete;
  EventSource& operator=(const EventSource&) = delete;
  ~EventSource();

  IConnectionPointContainer* Container() { return &m_container; }
  IConnectionPoint* Point() { return &m_point; }

  // Calls Invoke(id, DISPATCH_METHOD) on every sink connected when the call starts, with `args` in the
  // order they are written. Sink failures do not stop the others; returns how many sinks succeeded.
  size_t Fire(DISPID id, std::initializer_list<Variant> args);
  size_t SinkCount() const { return m_sinks.size(); }
  // Drops every connection (when the object closes).
  void DisconnectAll();

 private:
  struct Sink {
    DWORD cookie;
    ComPtr<IDispatch> dispatch;
  };

  class ContainerPart final : public OuterDelegating<IConnectionPointContainer> {
   public:
    explicit ContainerPart(EventSource& source);
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** point) override;

   private:
    EventSource& m_source;
  };

  // A connection point is an object of its own for QueryInterface, but lives as long as the outer object.
  class PointPart final : public IConnectionPoint {
   public:
    explicit PointPart(EventSource& source) : m_source(source) {}
    HRESULT QueryInterface(const IID& iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;
    HRESULT EnumConnections(IEnumConnections** connections) override;

   private:
    EventSource& m_source;
  };

  IUnknown* m_outer;
  IID m_eventIid;
  ContainerPart m_container;
  PointPart m_point;
  std::vector<Sink> m_sinks;
  DWORD m_nextCookie = 1;
};

}  // namespace tavlen::ole
