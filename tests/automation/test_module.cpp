// A loadable module serving the sample class: the in-process server exports over the runtime.
#include "platform/automation/class_factory.h"
#include "platform/automation/registration.h"
#include "tests/automation/sample_object.h"

namespace {

using namespace tavlen;

constinit ole::ClassFactory g_sampleFactory(test::kSampleClsid, &ole::CreateInstanceOf<test::CSample>);
ole::ClassFactory* const g_factories[] = {&g_sampleFactory};

}  // namespace

TAVLEN_MODULE_EXPORT ole::HRESULT DllGetClassObject(const ole::CLSID& clsid, const ole::IID& iid, void** object) {
  return ole::GetClassObjectFrom(g_factories, clsid, iid, object);
}

TAVLEN_MODULE_EXPORT ole::HRESULT DllCanUnloadNow() { return ole::ModuleState::CanUnloadNow(); }

TAVLEN_MODULE_EXPORT ole::HRESULT DllGetTypeLib(ole::ITypeLib** lib) {
  return ole::CreateTypeLib(test::SampleTypeLib(), lib);
}

TAVLEN_MODULE_EXPORT ole::HRESULT DllRegisterServer() {
  ole::Registry registry = ole::Registry::Default();
  std::string path = ole::ThisModulePath();
  ole::ComPtr<ole::ITypeLib> lib;
  if (ole::FAILED(ole::CreateTypeLib(test::SampleTypeLib(), lib.Put())) ||
      ole::FAILED(ole::RegisterTypeLib(registry, lib.Get(), path, ""))) {
    return ole::SELFREG_E_TYPELIB;
  }
  ole::ClassRegistration info;
  info.clsid = test::kSampleClsid;
  info.progId = test::kSampleProgId;
  info.typeName = "Sample Control";
  info.modulePath = path;
  info.control = true;
  info.miscStatus = 0x30191;
  info.toolboxBitmap = 1;
  info.libid = test::kSampleLibId;
  return ole::FAILED(ole::RegisterClass(registry, info)) ? ole::SELFREG_E_CLASS : ole::S_OK;
}

TAVLEN_MODULE_EXPORT ole::HRESULT DllUnregisterServer() {
  ole::Registry registry = ole::Registry::Default();
  if (ole::FAILED(ole::UnregisterTypeLib(registry, test::kSampleLibId, 1, 0, 0))) return ole::SELFREG_E_TYPELIB;
  if (ole::FAILED(ole::UnregisterClass(registry, test::kSampleClsid, test::kSampleProgId))) return ole::SELFREG_E_CLASS;
  return ole::S_OK;
}
