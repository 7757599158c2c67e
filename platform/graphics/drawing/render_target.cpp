// Opening a bitmap's or a window's pixels to cairo: in place when they are premultiplied 32-bit words,
// else through a premultiplied copy whose changed pixels are written back.
#include "platform/graphics/drawing/render_target.h"

#include <bit>
#include <cstring>

#include "platform/graphics/convert.h"

namespace tavlen::gfx::detail {

static_assert(std::endian::native == std::endian::little, "32-bit pixel words are stored B, G, R, A");

namespace {

bool DrawableFormat(PixelFormat f) {
  switch (f) {
    case PixelFormat::RGB24bpp:
    case PixelFormat::RGB32bpp:
    case PixelFormat::ARGB32bpp:
    case PixelFormat::PARGB32bpp:
    case PixelFormat::RGB48bpp:
    case PixelFormat::ARGB64bpp:
    case PixelFormat::PARGB64bpp:
      return true;
    default:
      return false;
  }
}

inline uint32_t Div255(uint32_t v) {
  v += 128;
  return (v + (v >> 8)) >> 8;
}

}  // namespace

void PremultiplyRow(const uint8_t* bgra, uint32_t count, uint32_t* out) {
  for (uint32_t i = 0; i < count; ++i, bgra += 4) {
    const uint32_t a = bgra[3];
    if (a == 255) {
      out[i] = 0xFF000000u | (uint32_t{bgra[2]} << 16) | (uint32_t{bgra[1]} << 8) | bgra[0];
    } else if (a == 0) {
      out[i] = 0;
    } else {
      out[i] = (a << 24) | (Div255(bgra[2] * a) << 16) | (Div255(bgra[1] * a) << 8) | Div255(bgra[0] * a);
    }
  }
}

void UnpremultiplyRow(const uint32_t* in, uint32_t count, uint8_t* bgra) {
  for (uint32_t i = 0; i < count; ++i, bgra += 4) {
    const uint32_t p = in[i];
    const uint32_t a = p >> 24;
    if (a == 255 || a == 0) {
      bgra[0] = static_cast<uint8_t>(p);
      bgra[1] = static_cast<uint8_t>(p >> 8);
      bgra[2] = static_cast<uint8_t>(p >> 16);
      bgra[3] = static_cast<uint8_t>(a);
      continue;
    }
    auto un = [a](uint32_t c) { return static_cast<uint8_t>(std::min<uint32_t>(255, (c * 255 + a / 2) / a)); };
    bgra[0] = un(p & 0xFF);
    bgra[1] = un((p >> 8) & 0xFF);
    bgra[2] = un((p >> 16) & 0xFF);
    bgra[3] = static_cast<uint8_t>(a);
  }
}

RenderTarget::~RenderTarget() = default;

Result<std::unique_ptr<RenderTarget>> RenderTarget::ForBitmap(Bitmap& bitmap) {
  const PixelFormat f = bitmap.Format();
  if (!DrawableFormat(f) || bitmap.Width() == 0) return Status::InvalidParameter;
  if (bitmap.IsLocked()) return Status::ObjectBusy;
  std::unique_ptr<RenderTarget> t(new RenderTarget());
  t->m_bitmap = &bitmap;
  t->m_bounds = {0, 0, bitmap.Width(), bitmap.Height()};
  if (f == PixelFormat::PARGB32bpp) {
    t->m_mode = Mode::Direct;
  } else if (f == PixelFormat::RGB32bpp) {
    t->m_mode = Mode::DirectOpaque;
  } else {
    t->m_mode = Mode::Converted;
  }
  return t;
}

Result<std::unique_ptr<RenderTarget>> RenderTarget::ForSurface(const WindowSurface& surface) {
  if (!surface.pixels || surface.width == 0 || surface.height == 0 || surface.stride % 4 != 0 ||
      surface.stride < size_t{surface.width} * 4) {
    return Status::InvalidParameter;
  }
  std::unique_ptr<RenderTarget> t(new RenderTarget());
  t->m_mode = Mode::Direct;
  t->m_bounds = IntBox{0, 0, surface.width, surface.height}.Intersect(IntBox::FromRect(surface.clip));
  t->m_windowPixels = reinterpret_cast<uint8_t*>(surface.pixels);
  t->m_windowStride = surface.stride;
  return t;
}

Status RenderTarget::Begin(const IntBox& requested, CairoPtr& cr) {
  const IntBox box = requested.Intersect(m_bounds);
  if (box.Empty() || box.Width() > 32767 || box.Height() > 32767) return Status::InvalidParameter;
  // Only the box is written: pixels shared with copies of the bitmap get pieces of their own for it,
  // checked at every area since the bitmap may have been copied meanwhile.
  const auto left = static_cast<uint32_t>(box.x0);
  const auto top = static_cast<uint32_t>(box.y0);
  const auto right = static_cast<uint32_t>(box.x1);
  const auto bottom = static_cast<uint32_t>(box.y1);
  if (m_bitmap) {
    if (Status s = m_bitmap->PrepareWriteArea(left, top, right, bottom); s != Status::Ok) return s;
  }
  m_open = box;
  const int w = static_cast<int>(box.Width());
  const int h = static_cast<int>(box.Height());
  SurfacePtr surface;
  if (m_mode == Mode::Converted) {
    surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (!Good(surface.get())) return Status::OutOfMemory;
    PixelBuffer& px = m_bitmap->PixelsForArea(left, top, right, bottom);
    uint8_t* data = cairo_image_surface_get_data(surface.get());
    const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface.get()));
    m_rowBuffer.resize(static_cast<size_t>(w) * 4);
    for (int y = 0; y < h; ++y) {
      RowToArgb32(px.Row(static_cast<uint32_t>(box.y0 + y)), px.Format(), px.GetPalette(),
                  static_cast<uint32_t>(box.x0), static_cast<uint32_t>(w), m_rowBuffer.data());
      PremultiplyRow(m_rowBuffer.data(), static_cast<uint32_t>(w), reinterpret_cast<uint32_t*>(data + y * stride));
    }
    m_before.resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) std::memcpy(&m_before[static_cast<size_t>(y) * w], data + y * stride, size_t(w) * 4);
    cairo_surface_mark_dirty(surface.get());
  } else {
    uint8_t* base = m_bitmap ? m_bitmap->PixelsForArea(left, top, right, bottom).Data() : m_windowPixels;
    const size_t stride = m_bitmap ? std::as_const(*m_bitmap).Pixels().Stride() : m_windowStride;
    uint8_t* origin = base + static_cast<size_t>(box.y0) * stride + static_cast<size_t>(box.x0) * 4;
    surface.reset(cairo_image_surface_create_for_data(origin, CAIRO_FORMAT_ARGB32, w, h, static_cast<int>(stride)));
    if (!Good(surface.get())) return Status::OutOfMemory;
  }
  cairo_surface_set_device_offset(surface.get(), static_cast<double>(-box.x0), static_cast<double>(-box.y0));
  cr.reset(cairo_create(surface.get()));
  if (!Good(cr.get())) {
    cr.reset();
    return Status::OutOfMemory;
  }
  m_temp = std::move(surface);
  return Status::Ok;
}

void RenderTarget::End(CairoPtr& cr) {
  cr.reset();
  if (!m_temp) return;
  cairo_surface_flush(m_temp.get());
  const int w = static_cast<int>(m_open.Width());
  const int h = static_cast<int>(m_open.Height());
  uint8_t* data = cairo_image_surface_get_data(m_temp.get());
  const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(m_temp.get()));
  if (m_mode == Mode::DirectOpaque) {
    // The fourth byte of 32bppRGB is padding that the library keeps at 0xFF.
    for (int y = 0; y < h; ++y) {
      uint8_t* row = data + y * stride;
      for (int x = 0; x < w; ++x) row[x * 4 + 3] = 0xFF;
    }
  } else if (m_mode == Mode::Converted) {
    PixelBuffer& px = m_bitmap->PixelsForArea(static_cast<uint32_t>(m_open.x0), static_cast<uint32_t>(m_open.y0),
                                              static_cast<uint32_t>(m_open.x1), static_cast<uint32_t>(m_open.y1));
    for (int y = 0; y < h; ++y) {
      const auto* now = reinterpret_cast<const uint32_t*>(data + y * stride);
      const uint32_t* before = &m_before[static_cast<size_t>(y) * w];
      uint8_t* dstRow = px.Row(static_cast<uint32_t>(m_open.y0 + y));
      int x = 0;
      while (x < w) {
        if (now[x] == before[x]) {
          ++x;
          continue;
        }
        int end = x + 1;
        while (end < w && now[end] != before[end]) ++end;
        const auto count = static_cast<uint32_t>(end - x);
        UnpremultiplyRow(now + x, count, m_rowBuffer.data());
        RowFromArgb32(m_rowBuffer.data(), count, px.Format(), px.GetPalette(), static_cast<uint32_t>(m_open.x0 + x),
                      dstRow);
        x = end;
      }
    }
  }
  m_temp.reset();
}

}  // namespace tavlen::gfx::detail
