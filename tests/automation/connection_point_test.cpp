// Connection points: advising sinks, firing to them, unadvising, enumerating, and object identity.
#include <gtest/gtest.h>

#include <vector>

#include "tests/automation/sample_object.h"

namespace tavlen::ole {
namespace {

using test::CSample;

// A sink that records every event it receives; it may unadvise itself from inside an event.
class RecordingSink final : public ComObject<IDispatch> {
 public:
  struct Call {
    DISPID id;
    std::vector<Variant> args;  // in written order
  };
  std::vector<Call> calls;
  IConnectionPoint* unadviseFrom = nullptr;
  DWORD cookie = 0;

  HRESULT GetTypeInfoCount(uint32_t* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(const IID&, const char* const*, uint32_t, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, const IID&, LCID, uint16_t flags, DISPPARAMS* params, Variant*, EXCEPINFO*,
                 uint32_t*) override {
    if (flags != DISPATCH_METHOD) return DISP_E_MEMBERNOTFOUND;
    Call call{id, {}};
    for (uint32_t i = params->cArgs; i-- > 0;) call.args.push_back(params->rgvarg[i]);
    calls.push_back(call);
    if (unadviseFrom) unadviseFrom->Unadvise(cookie);
    return S_OK;
  }
};

// An object that is no dispatch sink at all.
class PlainObject final : public ComObject<IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown*, const IID&, void**) override { return E_NOTIMPL; }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

ComPtr<IConnectionPoint> EventPoint(CSample* sample) {
  ComPtr<IConnectionPointContainer> container;
  EXPECT_EQ(ComPtr<CSample>(sample).As(&container), S_OK);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(test::kSampleEventsIid, point.Put()), S_OK);
  return point;
}

TEST(ConnectionPoints, FiresToAdvisedSinksUntilUnadvised) {
  ComPtr<CSample> sample = MakeObject<CSample>();
  ComPtr<IConnectionPoint> point = EventPoint(sample.Get());
  ComPtr<RecordingSink> first = MakeObject<RecordingSink>();
  ComPtr<RecordingSink> second = MakeObject<RecordingSink>();
  DWORD firstCookie = 0, secondCookie = 0;
  ASSERT_EQ(point->Advise(first.Get(), &firstCookie), S_OK);
  ASSERT_EQ(point->Advise(second.Get(), &secondCookie), S_OK);
  EXPECT_NE(firstCookie, secondCookie);

  ASSERT_EQ(CallMethod(sample.Get(), "Ping", {Variant(7)}), S_OK);
  ASSERT_EQ(first->calls.size(), 1u);
  EXPECT_EQ(first->calls[0].id, 1);
  ASSERT_EQ(first->calls[0].args.size(), 1u);
  EXPECT_EQ(first->calls[0].args[0], Variant(7));
  EXPECT_EQ(second->calls.size(), 1u);

  ASSERT_EQ(point->Unadvise(firstCookie), S_OK);
  EXPECT_EQ(point->Unadvise(firstCookie), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(CallMethod(sample.Get(), "Ping", {Variant(8)}), S_OK);
  EXPECT_EQ(first->calls.size(), 1u);
  EXPECT_EQ(second->calls.size(), 2u);
  EXPECT_EQ(point->Unadvise(0), CONNECT_E_NOCONNECTION);
}

TEST(ConnectionPoints, UnknownInterfaceAndUnfitSinksAreRefused) {
  ComPtr<CSample> sample = MakeObject<CSample>();
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(sample.As(&container), S_OK);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(test::kSampleIid, point.Put()), CONNECT_E_NOCONNECTION);
  EXPECT_FALSE(point);
  point = EventPoint(sample.Get());
  ComPtr<PlainObject> plain = MakeObject<PlainObject>();
  DWORD cookie = 99;
  EXPECT_EQ(point->Advise(plain.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
}

TEST(ConnectionPoints, SinkMayUnadviseWhileBeingCalled) {
  ComPtr<CSample> sample = MakeObject<CSample>();
  ComPtr<IConnectionPoint> point = EventPoint(sample.Get());
  ComPtr<RecordingSink> leaving = MakeObject<RecordingSink>();
  ComPtr<RecordingSink> staying = MakeObject<RecordingSink>();
  ASSERT_EQ(point->Advise(leaving.Get(), &leaving->cookie), S_OK);
  ASSERT_EQ(point->Advise(staying.Get(), &staying->cookie), S_OK);
  leaving->unadviseFrom = point.Get();
  ASSERT_EQ(CallMethod(sample.Get(), "Ping", {Variant(1)}), S_OK);
  ASSERT_EQ(CallMethod(sample.Get(), "Ping", {Variant(2)}), S_OK);
  EXPECT_EQ(leaving->calls.size(), 1u);
  EXPECT_EQ(staying->calls.size(), 2u);
}

TEST(ConnectionPoints, EnumerationsListPointsAndConnections) {
  ComPtr<CSample> sample = MakeObject<CSample>();
  ComPtr<IConnectionPoint> point = EventPoint(sample.Get());
  ComPtr<RecordingSink> sink = MakeObject<RecordingSink>();
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);

  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(connections.Put()), S_OK);
  CONNECTDATA data[2];
  ULONG fetched = 0;
  EXPECT_EQ(connections->Next(2, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(data[0].dwCookie, cookie);
  ComPtr<IUnknown> connected = ComPtr<IUnknown>::Attach(data[0].pUnk);
  ComPtr<IUnknown> sinkIdentity;
  ASSERT_EQ(sink.As(&sinkIdentity), S_OK);
  ComPtr<IUnknown> connectedIdentity;
  ASSERT_EQ(connected.As(&connectedIdentity), S_OK);
  EXPECT_EQ(connectedIdentity, sinkIdentity);

  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(sample.As(&container), S_OK);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.Put()), S_OK);
  ComPtr<IConnectionPoint> listed;
  EXPECT_EQ(points->Next(1, listed.Put(), nullptr), S_OK);
  EXPECT_EQ(listed, point);
  EXPECT_EQ(points->Next(1, listed.Put(), nullptr), S_FALSE);
}

TEST(ConnectionPoints, PointKeepsItsObjectAlive) {
  ComPtr<CSample> sample = MakeObject<CSample>();
  int before = CSample::Instances();
  ComPtr<IConnectionPoint> point = EventPoint(sample.Get());
  sample.Reset();
  EXPECT_EQ(CSample::Instances(), before);  // the point holds the object
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(point->GetConnectionPointContainer(container.Put()), S_OK);
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(container.As(&dispatch), S_OK);  // the container is the object itself
  IID iid;
  ASSERT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, test::kSampleEventsIid);
  // The point is an object of its own for QueryInterface: it answers IUnknown with itself.
  ComPtr<IUnknown> pointIdentity;
  ASSERT_EQ(point.As(&pointIdentity), S_OK);
  EXPECT_EQ(static_cast<void*>(pointIdentity.Get()), static_cast<void*>(point.Get()));
  ComPtr<IDispatch> notFromPoint;
  EXPECT_EQ(point.As(&notFromPoint), E_NOINTERFACE);
  pointIdentity.Reset();
  point.Reset();
  container.Reset();
  dispatch.Reset();
  EXPECT_EQ(CSample::Instances(), before - 1);
}

}  // namespace
}  // namespace tavlen::ole
