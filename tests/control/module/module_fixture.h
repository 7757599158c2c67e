// Shared set-up for the module tests: a private registry per test, the built Tavlen.ocx, an event
// sink that records what it receives, and a property bag kept in memory.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/automation/com_object.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/loader.h"
#include "platform/automation/ole_object.h"

namespace tavlen::test {

// Each test registers into its own registry file through TAVLEN_REGISTRY.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavlen-module-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    if (const char* saved = std::getenv("TAVLEN_REGISTRY")) m_saved = saved;
    UseRegistry(m_dir + "/registry");
  }
  void TearDown() override {
    ole::CoFreeUnusedLibraries();
    if (m_saved)
      ::setenv("TAVLEN_REGISTRY", m_saved->c_str(), 1);
    else
      ::unsetenv("TAVLEN_REGISTRY");
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }
  void UseRegistry(const std::string& path) {
    m_registryPath = path;
    ::setenv("TAVLEN_REGISTRY", path.c_str(), 1);
  }
  ole::Registry CurrentRegistry() const { return ole::Registry(m_registryPath); }

  std::string m_dir;
  std::string m_registryPath;
  std::optional<std::string> m_saved;
  const std::string m_module = TAVLEN_MODULE_PATH;
};

// The built module registered in the test's registry, and controls made from it by ProgID.
class RegisteredModuleTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK) << ole::LastLoadError();
  }

  // A control initialised as a new one, with no window.
  static ole::ComPtr<ole::IDispatch> Create(const char* progId) {
    ole::ComPtr<ole::IDispatch> object;
    EXPECT_EQ(ole::CreateObject(progId, &object), ole::S_OK) << progId << ": " << ole::LastLoadError();
    ole::ComPtr<ole::IPersistPropertyBag> persist;
    if (object && ole::SUCCEEDED(object.As(&persist))) {
      EXPECT_EQ(persist->InitNew(), ole::S_OK);
    }
    return object;
  }
  static ole::Variant Call(ole::IDispatch* object, const char* name, std::initializer_list<ole::Variant> args = {}) {
    ole::Variant result;
    EXPECT_EQ(ole::CallMethod(object, name, args, &result), ole::S_OK) << name;
    return result;
  }
};

// An event sink: remembers every call with its arguments in the order the source wrote them.
class RecordingSink final : public ole::ComObject<ole::IDispatch> {
 public:
  struct Call {
    ole::DISPID id;
    std::vector<ole::Variant> args;
  };

  ole::HRESULT GetTypeInfoCount(uint32_t* count) override {
    *count = 0;
    return ole::S_OK;
  }
  ole::HRESULT GetTypeInfo(uint32_t, ole::LCID, ole::ITypeInfo** info) override {
    *info = nullptr;
    return ole::E_NOTIMPL;
  }
  ole::HRESULT GetIDsOfNames(const ole::IID&, const char* const*, uint32_t, ole::LCID, ole::DISPID*) override {
    return ole::E_NOTIMPL;
  }
  ole::HRESULT Invoke(ole::DISPID id, const ole::IID&, ole::LCID, uint16_t, ole::DISPPARAMS* params, ole::Variant*,
                      ole::EXCEPINFO*, uint32_t*) override {
    Call call{id, {}};
    for (uint32_t i = params->cArgs; i > 0; --i) call.args.push_back(params->rgvarg[i - 1]);
    calls.push_back(std::move(call));
    return ole::S_OK;
  }

  std::vector<Call> calls;
};

// A host's property bag: named values in memory.
class MemoryPropertyBag final : public ole::ComObject<ole::IPropertyBag> {
 public:
  ole::HRESULT Read(const char* name, ole::Variant* value) override {
    auto found = values.find(name);
    if (found == values.end()) return ole::E_INVALIDARG;
    *value = found->second;
    return ole::S_OK;
  }
  ole::HRESULT Write(const char* name, const ole::Variant& value) override {
    values[name] = value;
    return ole::S_OK;
  }

  std::map<std::string, ole::Variant> values;
};

}  // namespace tavlen::test
