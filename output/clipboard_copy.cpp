// The clipboard copy: the picture flattened onto white in a bitmap compatible with the window, handed
// to the clipboard, which owns it from then on.
#include "output/clipboard_copy.h"

#include "platform/graphics/drawing/graphics.h"
#include "platform/window/clipboard.h"

namespace tavlen::output {

namespace {
constexpr gfx::Argb kOpaqueWhite = 0xFFFFFFFF;
}  // namespace

bool CopyPictureToClipboard(const gfx::Bitmap& picture, const win::Window* owner) {
  const uint32_t width = picture.Width();
  const uint32_t height = picture.Height();
  auto copy = gfx::Bitmap::Create(width, height, win::kDisplayPixelFormat);
  if (!copy.Ok()) return false;
  {
    auto graphics = gfx::Graphics::FromImage(*copy.Value());
    if (!graphics.Ok()) return false;
    const gfx::Rect whole{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
    if (graphics.Value()->Clear(kOpaqueWhite) != gfx::Status::Ok ||
        graphics.Value()->DrawImage(picture, whole) != gfx::Status::Ok) {
      return false;
    }
  }
  win::ClipboardSession session(owner);
  if (!session.IsOpen()) return false;
  win::ClipboardService& clipboard = session.Service();
  if (!clipboard.Empty()) return false;
  win::ClipboardData data = std::move(copy).Value();
  return clipboard.SetData(win::CF_BITMAP, data) != win::FALSE;
}

}  // namespace tavlen::output
