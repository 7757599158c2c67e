// One automation object as Python holds it: its IDispatch, its headless site when it is a control,
// its type description, its event sink, and calls by name that raise ComError on failure.
// An object belongs to the thread that created it; calls from other threads are refused.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hosts/common/control_description.h"
#include "hosts/common/event_connection.h"
#include "hosts/common/module_services_link.h"
#include "include/tavlen/control_window.h"
#include "include/tavlen/picture_pixels.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"

namespace tavlen::python {

class PyControl : public std::enable_shared_from_this<PyControl> {
 public:
  // Through the registry, sited in a headless window and told the dialog answer (see
  // host::CreateSitedControl). Raises
  // CreationError when the class or its module is missing, ComError for other failures.
  static std::shared_ptr<PyControl> Create(const std::string& progIdOrClsid, int32_t width, int32_t height,
                                           const std::string& properties, const std::string& dialogAnswer);
  // An object a call returned: no window, described by its own type information.
  static std::shared_ptr<PyControl> Wrap(std::string name, ole::ComPtr<ole::IDispatch> dispatch);
  // Live objects of the calling thread.
  static std::vector<std::shared_ptr<PyControl>> LiveOnThisThread();
  // The module's services, linked by every control of the process and let go with the last.
  static host::ModuleServicesLink& Services();

  PyControl(std::string name, ole::ComPtr<ole::IDispatch> dispatch, ole::ComPtr<IControlWindow> site,
            host::ControlDescription description);
  PyControl(const PyControl&) = delete;
  PyControl& operator=(const PyControl&) = delete;
  ~PyControl();

  const std::string& Name() const { return m_name; }
  bool Released() const { return !m_dispatch; }
  bool Sited() const { return static_cast<bool>(m_site); }
  ole::IDispatch* Dispatch() const { return m_dispatch.Get(); }
  const host::ControlDescription& Description() const { return m_description; }

  // "method" or "property" from the type description, "unknown" for a name only IDispatch knows;
  // with the member's own spelling. AttributeError for a name nobody knows.
  pybind11::tuple Resolve(const std::string& name);
  pybind11::object Get(const std::string& name);
  void Set(const std::string& name, pybind11::handle value);
  pybind11::object Call(const std::string& name, const pybind11::args& args);

  // Calls dispatcher(event_name, args_tuple) for every event; a dispatcher's exception is raised from
  // the call that fired the event. Connecting again replaces the dispatcher.
  void ConnectEvents(pybind11::object dispatcher);
  // Disconnects events and drops the object; later calls raise ComError RPC_E_DISCONNECTED. Only the
  // object's thread may release it while it lives (another could be inside a call); again is harmless.
  void Release();

  // The headless site for a host function: raises ComError when released, on another thread, or
  // E_NOINTERFACE for an object that is not a control in a headless window.
  IControlWindow& Site(const std::string& function);
  // The working image's pixels of a control made by this process's module: raises as Site does, and
  // E_NOINTERFACE for an object that does not offer them.
  ole::ComPtr<IPicturePixels> PicturePixels(const std::string& function);
  // The end of every call into the object: pumps its window, then raises the call's failure, else
  // an event handler's exception. `hr` is the call's result.
  void Finish(const std::string& function, ole::HRESULT hr, const std::string& detail = {});
  // Delivers pending paints without raising; how many happened.
  int32_t Pump();

 private:
  void CheckUsable(const std::string& member) const;
  void Drop();
  ole::DISPID DispIdOf(const std::string& name);
  pybind11::object Invoke(const std::string& name, ole::DISPID id, uint16_t flags, ole::DispArgs& args);
  pybind11::object WrapResult(const std::string& name, ole::IDispatch* dispatch);
  void RaisePending();

  class EventSink;
  friend class EventSink;

  std::string m_name;
  ole::ComPtr<ole::IDispatch> m_dispatch;
  ole::ComPtr<IControlWindow> m_site;
  bool m_linked = false;  // to Services()
  host::ControlDescription m_description;
  std::thread::id m_thread = std::this_thread::get_id();
  host::EventConnection m_events;
  pybind11::object m_dispatcher;
  std::unique_ptr<pybind11::error_already_set> m_pendingError;  // raised by an event handler
};

}  // namespace tavlen::python
