// The COM object that a host gets from the control's class factories: CTavlenCtrl behind IDispatch
// (the _DTavlen table, or _DTavlen2 for version 2), connection points for the version's event
// interface, property-bag persistence, the OLE object interface with the Properties verb, property
// pages, class information, its window as a container drives it, the picture's pixels for in-process
// hosts, on version 2 the hand-over of loaded pictures between controls, and the module's services
// (the one object of the module, see control/module_services.h).
#pragma once

#include "control/tavlen_ctrl.h"
#include "include/tavlen/control_window.h"
#include "include/tavlen/desktop_window.h"
#include "include/tavlen/picture_handover.h"
#include "include/tavlen/picture_pixels.h"
#include "platform/automation/connection_point.h"
#include "platform/automation/dispatch_invoke.h"
#include "platform/automation/ole_object.h"
#include "platform/framework/headless_site.h"

namespace tavlen {

class CTavlenObject final
    : public ole::ComObject<ole::IOleObject, ole::IPersistPropertyBag, ole::ISpecifyPropertyPages,
                            ole::IProvideClassInfo, IControlWindow, IDesktopWindow, IPicturePixels> {
 public:
  explicit CTavlenObject(ControlVersion version = ControlVersion::One);

  // The control inside, for hosts linked with the module's sources.
  CTavlenCtrl& Control();

  // IOleObject
  ole::HRESULT DoVerb(int32_t verb) override;
  ole::HRESULT GetUserClassID(ole::CLSID* clsid) override;
  ole::HRESULT GetMiscStatus(uint32_t aspect, ole::DWORD* status) override;
  ole::HRESULT Close(uint32_t saveOption) override;
  ole::HRESULT IsDirty() override;
  // IPersistPropertyBag
  ole::HRESULT GetClassID(ole::CLSID* clsid) override;
  ole::HRESULT InitNew() override;
  ole::HRESULT Load(ole::IPropertyBag* bag) override;
  ole::HRESULT Save(ole::IPropertyBag* bag, ole::BOOL clearDirty, ole::BOOL saveAllProperties) override;
  // ISpecifyPropertyPages
  ole::HRESULT GetPages(std::vector<ole::CLSID>* pages) override;
  // IProvideClassInfo
  ole::HRESULT GetClassInfo(ole::ITypeInfo** info) override;
  // IControlWindow
  ole::HRESULT CreateControlWindow(int32_t width, int32_t height) override;
  int32_t Pump() override;
  ole::HRESULT GetClientSize(int32_t* width, int32_t* height) override;
  ole::HRESULT SetScrollBarThickness(int32_t pixels) override;
  ole::HRESULT GetScrollBar(int32_t bar, win::ScrollBarState* state) override;
  ole::HRESULT SaveClientPng(const std::string& path) override;
  win::COLORREF GetClientPixel(int32_t x, int32_t y) override;
  ole::HRESULT MouseMove(uint32_t keys, int32_t x, int32_t y) override;
  ole::HRESULT MouseButton(uint32_t message, uint32_t keys, int32_t x, int32_t y) override;
  ole::HRESULT MouseWheel(uint32_t keys, int16_t delta, int32_t x, int32_t y, win::BOOL* handled) override;
  ole::HRESULT Scroll(int32_t bar, uint32_t code, uint32_t thumbPosition) override;
  ole::HRESULT DestroyControlWindow() override;
  ole::HRESULT RecreateControlWindow() override;
  ole::HRESULT ResetState() override;
  // IDesktopWindow
  void* NativeWidget() override;
  // IPicturePixels (control/picture_pixels_object.cpp)
  ole::HRESULT LockPixels(PixelRows* rows) override;
  ole::HRESULT UnlockPixels() override;
  ole::HRESULT SetPixels(const PixelRows& rows) override;

 protected:
  ole::IUnknown* QueryExtraInterface(const ole::IID& iid) override;

 private:
  // The control with its stock events routed to the connected sinks.
  class EventedCtrl final : public CTavlenCtrl {
   public:
    EventedCtrl(ControlVersion version, ole::EventSource& events) : CTavlenCtrl(version), m_events(events) {}

   protected:
    void FireMouseMove(int16_t button, int16_t shift, int32_t x, int32_t y) override;
    void FireMouseDown(int16_t button, int16_t shift, int32_t x, int32_t y) override;
    void FireMouseUp(int16_t button, int16_t shift, int32_t x, int32_t y) override;
    void FireClick() override;
    void FireDblClick() override;
    void FirePictureChanged() override;

   private:
    ole::EventSource& m_events;
  };

  // IPictureHandover, answered by version 2 only (control/picture_handover_object.cpp).
  class HandoverPart final : public ole::OuterDelegating<IPictureHandover> {
   public:
    explicit HandoverPart(CTavlenObject& object) : OuterDelegating(object.ControllingUnknown()), m_object(object) {}
    ole::HRESULT DetachPicture(ole::IUnknown** picture) override;
    ole::HRESULT AdoptPicture(ole::IUnknown* picture) override;
    ole::HRESULT SetAdoptingView(int32_t width, int32_t height) override;

   private:
    CTavlenObject& m_object;
  };

  ole::EventSource m_events;  // before the control, which fires into it
  EventedCtrl m_ctrl;
  ole::TableDispatch m_dispatch;
  fw::HeadlessSite m_site{m_ctrl};         // the headless container's calls on the control's window
  gfx::Bitmap* m_lockedPicture = nullptr;  // between LockPixels and UnlockPixels
  gfx::BitmapData m_lockedRows;
  HandoverPart m_handover{*this};
};

}  // namespace tavlen
