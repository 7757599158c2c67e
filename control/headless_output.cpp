// The headless container's view of the process's printer choice and clipboard, on the control's site.
#include "control/tavlen_object.h"
#include "platform/framework/print_dlg.h"
#include "platform/graphics/codec_registry.h"
#include "platform/window/clipboard.h"

namespace tavlen {

ole::HRESULT CTavlenObject::SetPrinter(const std::string& destination) {
  fw::SetHeadlessPrinter(destination);
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::GetPrinter(std::string* destination) {
  if (!destination) return ole::E_POINTER;
  *destination = fw::HeadlessPrinter();
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::GetClipboardFormats(std::vector<uint32_t>* formats) {
  if (!formats) return ole::E_POINTER;
  *formats = win::Clipboard().Formats();
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::SaveClipboardPng(const std::string& path) {
  gfx::Bitmap::Ptr bitmap = win::Clipboard().CopyBitmap();
  if (!bitmap) return ole::S_FALSE;
  return bitmap->Save(path, gfx::kPngEncoderClsid) == gfx::Status::Ok ? ole::S_OK : ole::E_FAIL;
}

ole::HRESULT CTavlenObject::SetClipboardText(const std::string& text) {
  // Another program opens with a window of its own, which this process does not have.
  win::ClipboardSession session(nullptr);
  if (!session.IsOpen()) return ole::S_FALSE;
  win::ClipboardService& clipboard = session.Service();
  win::ClipboardData data = text;
  if (!clipboard.Empty() || !clipboard.SetData(win::CF_TEXT, data)) return ole::E_FAIL;
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::SetClipboardBusy(win::BOOL busy) {
  win::SetHeadlessClipboardBusy(busy != win::FALSE);
  return ole::S_OK;
}

}  // namespace tavlen
