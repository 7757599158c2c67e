// Calls by name into an automation object, with the GIL released while the object works, and the
// sink that turns its events into Python calls.
#include "hosts/python/py_control.h"

#include <mutex>

#include "hosts/common/member_call.h"
#include "hosts/common/sited_control.h"
#include "hosts/python/com_error.h"
#include "hosts/python/py_variant.h"
#include "platform/automation/com_object.h"
#include "platform/automation/loader.h"

namespace tavlen::python {

namespace py = pybind11;

namespace {

std::mutex g_liveMutex;
std::vector<std::weak_ptr<PyControl>> g_live;

void Register(const std::shared_ptr<PyControl>& control) {
  std::lock_guard<std::mutex> lock(g_liveMutex);
  std::erase_if(g_live, [](const std::weak_ptr<PyControl>& entry) { return entry.expired(); });
  g_live.push_back(control);
}

// The interface behind a Python argument that stands for an automation object.
ole::IDispatch* DispatchOfArgument(py::handle value) {
  py::object object = py::reinterpret_borrow<py::object>(value);
  if (!py::isinstance<PyControl>(object)) {
    if (!py::hasattr(object, "_tavlen_object")) return nullptr;
    object = object.attr("_tavlen_object");
    if (!py::isinstance<PyControl>(object)) return nullptr;
  }
  return object.cast<PyControl&>().Dispatch();
}

}  // namespace

// Receives the object's events while Python code waits in a call into it; takes the GIL back to call
// the dispatcher.
class PyControl::EventSink final : public host::EventSinkBase {
 public:
  explicit EventSink(std::weak_ptr<PyControl> owner) : m_owner(std::move(owner)) {}

  ole::HRESULT Invoke(ole::DISPID id, const ole::IID&, ole::LCID, uint16_t, ole::DISPPARAMS* params,
                      ole::Variant* result, ole::EXCEPINFO*, uint32_t*) override {
    if (result) result->Clear();
    py::gil_scoped_acquire gil;
    std::shared_ptr<PyControl> owner = m_owner.lock();
    if (!owner || !owner->m_dispatcher || owner->m_pendingError) return ole::S_OK;
    const host::EventDescription* event = owner->m_description.FindEvent(id);
    std::string name = event ? event->name : "Event" + std::to_string(id);
    try {
      // rgvarg holds the last argument first; named arguments (the first cNamedArgs) are not passed on.
      uint32_t positional = params ? params->cArgs - params->cNamedArgs : 0;
      py::tuple args(positional);
      for (uint32_t i = 0; i < positional; ++i) {
        args[i] = FromVariant(params->rgvarg[params->cArgs - 1 - i],
                              [&owner, &name](ole::IDispatch* object) { return owner->WrapResult(name, object); });
      }
      py::object dispatcher = owner->m_dispatcher;
      dispatcher(py::str(name), args);
    } catch (py::error_already_set& error) {
      owner->m_pendingError = std::make_unique<py::error_already_set>(std::move(error));
    } catch (const std::exception& error) {
      // Nothing may unwind into the module that fired the event: it comes out of the call instead.
      PyErr_SetString(PyExc_RuntimeError, error.what());
      owner->m_pendingError = std::make_unique<py::error_already_set>();
    }
    return ole::S_OK;
  }

 private:
  std::weak_ptr<PyControl> m_owner;
};

std::shared_ptr<PyControl> PyControl::Create(const std::string& progIdOrClsid, int32_t width, int32_t height,
                                             const std::string& properties, const std::string& dialogAnswer) {
  const std::string what = "Dispatch(\"" + progIdOrClsid + "\")";
  host::SitedControl created;
  std::string why;
  ole::HRESULT hr;
  {
    py::gil_scoped_release unlocked;
    hr = host::CreateSitedControl(progIdOrClsid, width, height, properties, dialogAnswer, &created, &why);
  }
  if (host::IsClassMissing(hr)) ThrowCreationError(what, hr, why);
  if (ole::FAILED(hr)) ThrowComError(what, hr, why);
  host::ControlDescription description = host::DescribeObject(created.dispatch.Get(), &created.clsid);
  bool linked = false;
  if (created.site) hr = Services().Link(created.dispatch.Get(), &linked);
  if (ole::FAILED(hr)) ThrowComError(what, hr);
  auto control = std::make_shared<PyControl>(progIdOrClsid, std::move(created.dispatch), std::move(created.site),
                                             std::move(description));
  control->m_linked = linked;
  Register(control);
  return control;
}

std::shared_ptr<PyControl> PyControl::Wrap(std::string name, ole::ComPtr<ole::IDispatch> dispatch) {
  host::ControlDescription description = host::DescribeObject(dispatch.Get(), nullptr);
  auto control = std::make_shared<PyControl>(std::move(name), std::move(dispatch), nullptr, std::move(description));
  Register(control);
  return control;
}

host::ModuleServicesLink& PyControl::Services() {
  // Never destroyed: a control may be released by the last reference at interpreter exit.
  static auto* link = new host::ModuleServicesLink();
  return *link;
}

std::vector<std::shared_ptr<PyControl>> PyControl::LiveOnThisThread() {
  std::vector<std::shared_ptr<PyControl>> live;
  std::lock_guard<std::mutex> lock(g_liveMutex);
  for (const std::weak_ptr<PyControl>& entry : g_live) {
    std::shared_ptr<PyControl> control = entry.lock();
    if (control && !control->Released() && control->m_thread == std::this_thread::get_id()) live.push_back(control);
  }
  return live;
}

PyControl::PyControl(std::string name, ole::ComPtr<ole::IDispatch> dispatch, ole::ComPtr<IControlWindow> site,
                     host::ControlDescription description)
    : m_name(std::move(name)),
      m_dispatch(std::move(dispatch)),
      m_site(std::move(site)),
      m_description(std::move(description)) {}

// Whichever thread drops the last reference: no other thread can be inside a call then.
PyControl::~PyControl() { Drop(); }

void PyControl::Release() {
  if (!m_dispatch) return;
  CheckUsable("release");
  Drop();
}

void PyControl::Drop() {
  if (!m_dispatch) return;
  m_events.Disconnect();
  m_dispatcher = py::object();
  m_pendingError.reset();
  m_description.typeLib.Reset();
  m_site.Reset();
  if (m_linked) Services().Unlink();
  m_linked = false;
  m_dispatch.Reset();
  ole::CoFreeUnusedLibraries();
}

void PyControl::CheckUsable(const std::string& member) const {
  if (!m_dispatch) ThrowComError(member, RPC_E_DISCONNECTED, "the object was released");
  if (m_thread != std::this_thread::get_id()) {
    ThrowComError(member, RPC_E_WRONG_THREAD, "the object belongs to the thread that created it");
  }
}

ole::DISPID PyControl::DispIdOf(const std::string& name) {
  CheckUsable(name);
  if (const host::MemberDescription* member = m_description.FindMember(name)) return member->dispid;
  ole::DISPID id = ole::DISPID_UNKNOWN;
  if (ole::FAILED(ole::GetDispId(m_dispatch.Get(), name, &id))) {
    throw py::attribute_error("'" + m_name + "' object has no attribute '" + name + "'");
  }
  return id;
}

py::tuple PyControl::Resolve(const std::string& name) {
  CheckUsable(name);
  if (const host::MemberDescription* member = m_description.FindMember(name)) {
    return py::make_tuple(member->kind == host::MemberKind::Method ? "method" : "property", member->name);
  }
  (void)DispIdOf(name);
  return py::make_tuple("unknown", name);
}

py::object PyControl::Get(const std::string& name) {
  ole::DispArgs none;
  return Invoke(name, DispIdOf(name), ole::DISPATCH_PROPERTYGET, none);
}

void PyControl::Set(const std::string& name, py::handle value) {
  ole::DISPID id = DispIdOf(name);
  ole::Variant variant;
  std::string why;
  ole::HRESULT hr = ToVariant(value, DispatchOfArgument, &variant, &why);
  if (ole::FAILED(hr)) ThrowComError(name, hr, "the value is " + why);
  uint16_t flags = variant.Type() == ole::VT_DISPATCH ? ole::DISPATCH_PROPERTYPUTREF : ole::DISPATCH_PROPERTYPUT;
  ole::DispArgs args = ole::DispArgs::ForPut(std::move(variant));
  (void)Invoke(name, id, flags, args);
}

py::object PyControl::Call(const std::string& name, const py::args& args) {
  ole::DISPID id = DispIdOf(name);
  ole::DispArgs dispArgs;
  for (size_t i = 0; i < args.size(); ++i) {
    ole::Variant variant;
    std::string why;
    ole::HRESULT hr = ToVariant(args[i], DispatchOfArgument, &variant, &why);
    if (ole::FAILED(hr)) ThrowComError(name, hr, "argument " + std::to_string(i + 1) + " is " + why);
    dispArgs.Append(std::move(variant));
  }
  return Invoke(name, id, ole::DISPATCH_METHOD, dispArgs);
}

py::object PyControl::Invoke(const std::string& name, ole::DISPID id, uint16_t flags, ole::DispArgs& args) {
  ole::ComPtr<ole::IDispatch> keep = m_dispatch;  // an event handler may release the object meanwhile
  host::MemberCall call;
  {
    py::gil_scoped_release unlocked;
    call = host::InvokeMember(keep.Get(), id, flags, args);
  }
  Finish(name, call.hr, call.detail);
  if (call.hr == ole::S_OK && !call.note.empty()) WarnOfRefusal(name, call.note);
  return FromVariant(call.result, [this, &name](ole::IDispatch* object) { return WrapResult(name, object); });
}

py::object PyControl::WrapResult(const std::string& name, ole::IDispatch* dispatch) {
  return py::cast(Wrap(name, ole::ComPtr<ole::IDispatch>(dispatch)));
}

void PyControl::ConnectEvents(py::object dispatcher) {
  CheckUsable("on");
  if (!m_events.Connected()) {
    auto sink = ole::MakeObject<EventSink>(weak_from_this());
    if (!sink) ThrowComError("on", ole::E_OUTOFMEMORY);
    ole::HRESULT hr = m_events.Connect(m_dispatch.Get(), sink.Get(), &m_description);
    if (ole::FAILED(hr)) ThrowComError("on", hr, "the object has no events");
  }
  m_dispatcher = std::move(dispatcher);
}

IControlWindow& PyControl::Site(const std::string& function) {
  CheckUsable(function);
  if (!m_site) ThrowComError(function, ole::E_NOINTERFACE, "the object is not a control in a headless window");
  return *m_site.Get();
}

ole::ComPtr<IPicturePixels> PyControl::PicturePixels(const std::string& function) {
  CheckUsable(function);
  ole::ComPtr<IPicturePixels> pixels;
  if (ole::FAILED(m_dispatch.As(&pixels))) {
    ThrowComError(function, ole::E_NOINTERFACE, "the object does not hand out its picture's pixels");
  }
  return pixels;
}

int32_t PyControl::Pump() {
  if (!m_site || m_thread != std::this_thread::get_id()) return 0;
  ole::ComPtr<IControlWindow> site = m_site;
  py::gil_scoped_release unlocked;
  return site->Pump();
}

void PyControl::Finish(const std::string& function, ole::HRESULT hr, const std::string& detail) {
  (void)Pump();
  if (ole::FAILED(hr)) {
    // The call's failure says more than a handler's exception raised on the way.
    m_pendingError.reset();
    ThrowComError(function, hr, detail);
  }
  RaisePending();
}

void PyControl::RaisePending() {
  if (!m_pendingError) return;
  py::error_already_set error = std::move(*m_pendingError);
  m_pendingError.reset();
  throw error;
}

}  // namespace tavlen::python
