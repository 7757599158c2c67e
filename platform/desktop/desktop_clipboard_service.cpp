// The desktop clipboard's service: formats gathered while the clipboard is open and handed over
// together on close, so other programs never see half a change.
#include "platform/desktop/desktop_clipboard_service.h"

#include <cstring>
#include <utility>

#include "platform/graphics/codec_registry.h"

namespace tavlen::desktop {

namespace {

// The bitmap encoded by our own encoder, for the MIME types that other programs ask for by name;
// empty when it cannot be encoded.
std::vector<uint8_t> Encode(const gfx::Bitmap& bitmap, const gfx::Guid& encoder) {
  std::vector<uint8_t> bytes;
  if (bitmap.SaveToMemory(encoder, {}, bytes) != gfx::Status::Ok) bytes.clear();
  return bytes;
}

}  // namespace

std::optional<Rgb32Image> ReadRgb32(gfx::Bitmap& bitmap) {
  gfx::BitmapData data;
  if (bitmap.LockBits(nullptr, gfx::kImageLockModeRead, gfx::PixelFormat::ARGB32bpp, data) != gfx::Status::Ok) {
    return std::nullopt;
  }
  Rgb32Image picture;
  picture.width = static_cast<int32_t>(data.width);
  picture.height = static_cast<int32_t>(data.height);
  picture.pixels.resize(size_t{data.width} * data.height);
  for (uint32_t y = 0; y < data.height; ++y) {
    const auto* row = static_cast<const uint8_t*>(data.scan0) + static_cast<ptrdiff_t>(y) * data.stride;
    std::memcpy(picture.pixels.data() + size_t{y} * data.width, row, size_t{data.width} * 4);
  }
  (void)bitmap.UnlockBits(data);
  return picture;
}

gfx::Bitmap::Ptr BitmapFromRgb32(const Rgb32Image& picture) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() != static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height)) {
    return nullptr;
  }
  auto made = gfx::Bitmap::Create(static_cast<uint32_t>(picture.width), static_cast<uint32_t>(picture.height),
                                  win::kDisplayPixelFormat);
  if (!made.Ok()) return nullptr;
  gfx::Bitmap::Ptr bitmap = std::move(made).Value();
  gfx::BitmapData data;
  if (bitmap->LockBits(nullptr, gfx::kImageLockModeWrite, gfx::PixelFormat::ARGB32bpp, data) != gfx::Status::Ok) {
    return nullptr;
  }
  for (uint32_t y = 0; y < data.height; ++y) {
    auto* row = static_cast<uint8_t*>(data.scan0) + static_cast<ptrdiff_t>(y) * data.stride;
    // Opaque, as the display format is, whatever the desktop's image carried.
    const uint32_t* source = picture.pixels.data() + size_t{y} * data.width;
    for (uint32_t x = 0; x < data.width; ++x) {
      const uint32_t word = source[x] | 0xFF000000u;
      std::memcpy(row + size_t{x} * 4, &word, 4);
    }
  }
  return bitmap->UnlockBits(data) == gfx::Status::Ok ? std::move(bitmap) : nullptr;
}

win::BOOL DesktopClipboardService::Open(const win::Window* /*owner*/) {
  // A scripting host's stand-in for another program holding the clipboard applies here too.
  if (m_open || !m_desktop.Available() || win::IsHeadlessClipboardBusy()) return win::FALSE;
  m_open = true;
  m_emptied = false;
  m_pending = ClipboardContent();
  return win::TRUE;
}

win::BOOL DesktopClipboardService::Empty() {
  if (!m_open) return win::FALSE;
  m_pending = ClipboardContent();
  m_emptied = true;
  return win::TRUE;
}

win::BOOL DesktopClipboardService::SetData(uint32_t format, win::ClipboardData& data) {
  if (!m_open) return win::FALSE;
  if (format == win::CF_BITMAP && std::holds_alternative<gfx::Bitmap::Ptr>(data) && std::get<0>(data)) {
    gfx::Bitmap& bitmap = *std::get<gfx::Bitmap::Ptr>(data);
    std::optional<Rgb32Image> image = ReadRgb32(bitmap);
    std::vector<uint8_t> png = Encode(bitmap, gfx::kPngEncoderClsid);
    std::vector<uint8_t> bmp = Encode(bitmap, gfx::kBmpEncoderClsid);
    if (!image || png.empty() || bmp.empty()) return win::FALSE;
    m_pending.image = std::move(image);
    m_pending.png = std::move(png);
    m_pending.bmp = std::move(bmp);
    data = gfx::Bitmap::Ptr();  // the clipboard holds its own copies now
    return win::TRUE;
  }
  if ((format == win::CF_TEXT || format == win::CF_UNICODETEXT) && std::holds_alternative<std::string>(data)) {
    m_pending.text = std::move(std::get<std::string>(data));
    data = std::string();
    return win::TRUE;
  }
  return win::FALSE;
}

win::BOOL DesktopClipboardService::Close() {
  if (!m_open) return win::FALSE;
  m_open = false;
  ClipboardContent content = std::exchange(m_pending, ClipboardContent());
  if (!content.text && !content.image && !m_emptied) return m_desktop.Available() ? win::TRUE : win::FALSE;
  return m_desktop.Publish(std::move(content)) ? win::TRUE : win::FALSE;
}

std::vector<uint32_t> DesktopClipboardService::Formats() const {
  std::vector<uint32_t> formats;
  if (m_desktop.HasText()) formats.push_back(win::CF_TEXT);
  if (m_desktop.HasImage()) formats.push_back(win::CF_BITMAP);
  return formats;
}

gfx::Bitmap::Ptr DesktopClipboardService::CopyBitmap() const {
  const std::optional<Rgb32Image> image = m_desktop.Image();
  return image ? BitmapFromRgb32(*image) : nullptr;
}

}  // namespace tavlen::desktop
