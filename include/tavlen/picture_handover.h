// Handing a loaded picture from one version-2 control to another of the same module in this process:
// a control on a worker thread loads a file, detaches what it loaded, and the control a host shows
// adopts it on its own thread, as if it had loaded the file itself. Hosts reach it with QueryInterface
// on version 2 only; it is no automation member and crosses no process.
#pragma once

#include "platform/automation/unknown.h"

namespace tavlen {

class IPictureHandover : public ole::IUnknown {
 public:
  using Base = ole::IUnknown;
  // A new identifier since SetAdoptingView joined, so that no host that calls it gets a module without it.
  // {B0CA4643-4F0D-4401-89B2-6D66AF02DBBC}
  static constexpr ole::IID kIid{0xB0CA4643, 0x4F0D, 0x4401, {0x89, 0xB2, 0x6D, 0x66, 0xAF, 0x02, 0xDB, 0xBC}};

  // Moves the picture this control loaded out into a new object: its pixels, tags and colour profile,
  // the file's orientation, the history's first state and the load settings (AutoOrient, ColorManaged,
  // ExtraFormats) it was decoded with, and a reduced copy for display made here, on the detaching
  // thread, so that the adopting control's first paint only draws: it suits the picture fitted to the
  // view SetAdoptingView gave (a full-HD screen without one).
  // The control is then left without a picture, as a failed load leaves it. S_FALSE (*picture null) without a picture;
  // E_UNEXPECTED, with nothing moved, once the picture has an undo or redo step (it is no longer as loaded) or while
  // its pixels are locked. The object may be passed to another thread; one thread uses it at a time.
  virtual ole::HRESULT DetachPicture(ole::IUnknown** picture) = 0;
  // Makes a detached picture this control's working image exactly as loading its file here would have:
  // the history restarts from it, it is placed by Align and repainted, and PictureChanged fires. The
  // object is left empty. E_INVALIDARG, with this control's picture kept, for an object that is no
  // detached picture of this module or was decoded with other load settings than this control has now;
  // E_UNEXPECTED for one already adopted, or while this control's pixels are locked.
  virtual ole::HRESULT AdoptPicture(ole::IUnknown* picture) = 0;
  // The client size (in the adopting control's pixels) at which this control's detached pictures will
  // be shown, for the reduced copy DetachPicture makes: a finer one than that view needs costs the
  // adopting control's paints time, a coarser one is made again there. E_INVALIDARG, with the size
  // kept, for a side below 1.
  virtual ole::HRESULT SetAdoptingView(int32_t width, int32_t height) = 0;

 protected:
  ~IPictureHandover() = default;
};

}  // namespace tavlen
