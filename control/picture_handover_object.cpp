// IPictureHandover of a version-2 CTavlenObject: the control's loaded picture into a detached-picture
// object and back into a control.
#include "control/detached_picture.h"
#include "control/tavlen_object.h"

namespace tavlen {

ole::HRESULT CTavlenObject::HandoverPart::DetachPicture(ole::IUnknown** picture) {
  if (!picture) return ole::E_POINTER;
  *picture = nullptr;
  if (m_object.m_lockedPicture) return ole::E_UNEXPECTED;
  auto detached = ole::MakeObject<DetachedPicture>();
  if (!detached) return ole::E_OUTOFMEMORY;
  switch (m_object.m_ctrl.DetachLoaded(detached->Contents())) {
    case CTavlenCtrl::Handover::Done:
      break;
    case CTavlenCtrl::Handover::NoPicture:
      return ole::S_FALSE;
    default:
      return ole::E_UNEXPECTED;
  }
  *picture = static_cast<IDetachedPicture*>(detached.Detach());
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::HandoverPart::AdoptPicture(ole::IUnknown* picture) {
  if (!picture) return ole::E_POINTER;
  ole::ComPtr<IDetachedPicture> detached;
  if (ole::FAILED(picture->QueryInterface(IDetachedPicture::kIid, detached.PutVoid()))) return ole::E_INVALIDARG;
  if (m_object.m_lockedPicture) return ole::E_UNEXPECTED;
  switch (m_object.m_ctrl.AdoptLoaded(detached->Contents())) {
    case CTavlenCtrl::Handover::Done:
      return ole::S_OK;
    case CTavlenCtrl::Handover::NoPicture:
      return ole::E_UNEXPECTED;
    default:
      return ole::E_INVALIDARG;
  }
}

ole::HRESULT CTavlenObject::HandoverPart::SetAdoptingView(int32_t width, int32_t height) {
  if (width < 1 || height < 1) return ole::E_INVALIDARG;
  m_object.m_ctrl.SetAdoptingView(ClientSize{width, height});
  return ole::S_OK;
}

}  // namespace tavlen
