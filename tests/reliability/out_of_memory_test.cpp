// Memory running out at any allocation inside the module's exports, its class factory's construction and
// its connection point's Advise comes back as a failure HRESULT: std::bad_alloc never reaches the host.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "control/class_ids.h"
#include "platform/automation/connection_point.h"
#include "tests/reliability/test_guards.h"

// While armed, the allocation whose number reaches the countdown fails, once: a throwing new throws
// std::bad_alloc, a nothrow new returns null. Every operator new of the process comes here, the
// dlopened module's included.
namespace {
long g_countdown = -1;  // -1: disarmed
bool g_failed = false;

bool FailThisOne() {
  if (g_countdown < 0) return false;
  if (g_countdown-- > 0) return false;
  g_failed = true;
  return true;
}

void* Allocate(std::size_t size) {
  void* p = FailThisOne() ? nullptr : std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* AllocateNoThrow(std::size_t size) noexcept { return FailThisOne() ? nullptr : std::malloc(size ? size : 1); }
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace tavlen::reliability {
namespace {

using ole::HRESULT;

// A sink that takes the events and does nothing with them.
class QuietSink final : public ole::ComObject<ole::IDispatch> {
 public:
  HRESULT GetTypeInfoCount(uint32_t* count) override {
    *count = 0;
    return ole::S_OK;
  }
  HRESULT GetTypeInfo(uint32_t, ole::LCID, ole::ITypeInfo**) override { return ole::E_NOTIMPL; }
  HRESULT GetIDsOfNames(const ole::IID&, const char* const*, uint32_t, ole::LCID, ole::DISPID*) override {
    return ole::E_NOTIMPL;
  }
  HRESULT Invoke(ole::DISPID, const ole::IID&, ole::LCID, uint16_t, ole::DISPPARAMS*, ole::Variant*, ole::EXCEPINFO*,
                 uint32_t*) override {
    return ole::S_OK;
  }
};

// Runs `call` with the n-th allocation failing, for n = 0, 1, ... until a run no longer reaches the
// failure; `check(hr, failed)` judges every run. Returns how many allocations the full run made.
template <class Call, class Check>
long SweepAllocationFailures(Call call, Check check) {
  constexpr long kMostAllocations = 20000;
  for (long n = 0; n < kMostAllocations; ++n) {
    g_failed = false;
    g_countdown = n;
    HRESULT hr = ole::S_OK;
    try {
      hr = call();
    } catch (...) {
      g_countdown = -1;
      ADD_FAILURE() << "an exception left the module with allocation " << n << " failing";
      return n;
    }
    g_countdown = -1;
    const bool failed = g_failed;
    check(hr, failed);
    if (::testing::Test::HasFailure()) return n;
    if (!failed) return n;
  }
  ADD_FAILURE() << "the call still allocated after " << kMostAllocations << " allocations";
  return kMostAllocations;
}

class OutOfMemory : public ::testing::Test {
 protected:
  using GetClassObjectFn = HRESULT (*)(const ole::CLSID&, const ole::IID&, void**);
  using RegisterFn = HRESULT (*)();
  using CanUnloadFn = HRESULT (*)();

  void SetUp() override {
    ASSERT_FALSE(m_dir.Path().empty());
    ::setenv("TAVLEN_REGISTRY", (m_dir.Path() / "registry").c_str(), 1);
    m_module = ::dlopen(TAVLEN_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m_module, nullptr) << ::dlerror();
    getClassObject = reinterpret_cast<GetClassObjectFn>(::dlsym(m_module, "DllGetClassObject"));
    registerServer = reinterpret_cast<RegisterFn>(::dlsym(m_module, "DllRegisterServer"));
    unregisterServer = reinterpret_cast<RegisterFn>(::dlsym(m_module, "DllUnregisterServer"));
    canUnloadNow = reinterpret_cast<CanUnloadFn>(::dlsym(m_module, "DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject && registerServer && unregisterServer && canUnloadNow);
  }
  void TearDown() override {
    ::unsetenv("TAVLEN_REGISTRY");
    if (m_module) ::dlclose(m_module);
  }

  ole::ComPtr<ole::IClassFactory> Factory() {
    ole::ComPtr<ole::IClassFactory> factory;
    EXPECT_EQ(getClassObject(kTavlenClsid, ole::IID_IClassFactory, factory.PutVoid()), ole::S_OK);
    return factory;
  }

  GetClassObjectFn getClassObject = nullptr;
  RegisterFn registerServer = nullptr;
  RegisterFn unregisterServer = nullptr;
  CanUnloadFn canUnloadNow = nullptr;

 private:
  ScratchDir m_dir;
  void* m_module = nullptr;
};

TEST_F(OutOfMemory, ConstructionFailsWithOutOfMemoryAndNoObject) {
  ole::ComPtr<ole::IClassFactory> factory = Factory();
  ASSERT_TRUE(factory);
  const long allocations = SweepAllocationFailures(
      [&] {
        ole::ComPtr<ole::IUnknown> object;
        return factory->CreateInstance(nullptr, ole::IID_IUnknown, object.PutVoid());
      },
      [](HRESULT hr, bool failed) { EXPECT_EQ(hr, failed ? ole::E_OUTOFMEMORY : ole::S_OK); });
  EXPECT_GT(allocations, 0);
  // Every object a failed construction began is gone again: the module counts none alive.
  factory.Reset();
  EXPECT_EQ(canUnloadNow(), ole::S_OK);
}

TEST_F(OutOfMemory, AdviseAndEnumerationFailWithOutOfMemoryAndKeepTheSinks) {
  ole::ComPtr<ole::IUnknown> object;
  ASSERT_EQ(Factory()->CreateInstance(nullptr, ole::IID_IUnknown, object.PutVoid()), ole::S_OK);
  ole::ComPtr<ole::IConnectionPointContainer> container;
  ASSERT_EQ(object.As(&container), ole::S_OK);
  ole::ComPtr<ole::IConnectionPoint> point;
  SweepAllocationFailures(
      [&] {
        ole::ComPtr<ole::IEnumConnectionPoints> points;
        const HRESULT hr = container->EnumConnectionPoints(points.Put());
        if (hr == ole::S_OK && !point) {
          EXPECT_EQ(points->Next(1, point.Put(), nullptr), ole::S_OK);
        }
        return hr;
      },
      [](HRESULT hr, bool failed) { EXPECT_EQ(hr, failed ? ole::E_OUTOFMEMORY : ole::S_OK); });
  ASSERT_TRUE(point);

  // Each successful Advise adds one connection; a failed one none.
  const ole::ComPtr<QuietSink> sink = ole::MakeObject<QuietSink>();
  size_t advised = 0;
  SweepAllocationFailures(
      [&] {
        ole::DWORD cookie = 7;
        const HRESULT hr = point->Advise(sink.Get(), &cookie);
        if (hr == ole::S_OK) {
          ++advised;
        } else {
          EXPECT_EQ(cookie, 0u);
        }
        return hr;
      },
      [](HRESULT hr, bool failed) { EXPECT_EQ(hr, failed ? ole::E_OUTOFMEMORY : ole::S_OK); });
  SweepAllocationFailures(
      [&] {
        ole::ComPtr<ole::IEnumConnections> connections;
        const HRESULT hr = point->EnumConnections(connections.Put());
        if (hr != ole::S_OK) return hr;
        size_t count = 0;
        ole::CONNECTDATA data;
        while (connections->Next(1, &data, nullptr) == ole::S_OK) {
          data.pUnk->Release();
          ++count;
        }
        EXPECT_EQ(count, advised);
        return hr;
      },
      [](HRESULT hr, bool failed) { EXPECT_EQ(hr, failed ? ole::E_OUTOFMEMORY : ole::S_OK); });
  EXPECT_GT(advised, 0u);
}

TEST_F(OutOfMemory, RegistrationFailsWithoutThrowing) {
  // Registration maps a failed step to its own codes; what matters is that a code comes back.
  const auto anyResult = [](HRESULT, bool) {};
  EXPECT_GT(SweepAllocationFailures([&] { return registerServer(); }, anyResult), 0);
  EXPECT_GT(SweepAllocationFailures([&] { return unregisterServer(); }, anyResult), 0);
}

}  // namespace
}  // namespace tavlen::reliability
