// EMF records that transfer bitmaps: blits with raster operations, DIB stretches, masks and alpha blends.
#include <cmath>
#include <vector>

#include "platform/graphics/metafile/emf_records.h"

namespace tavlen::gfx::metafile {
namespace {

using P = EmfPlayer;
using R = ByteReader;

constexpr uint32_t kSrcCopy = 0x00CC0020;

struct BlitFields {
  RectD dest;  // logical
  uint32_t rop = kSrcCopy;
  double xSrc = 0, ySrc = 0, cxSrc = 0, cySrc = 0;
  Affine xformSrc;
  uint32_t usage = 0, offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0;
};

// Offsets after the bounds: destination x, y, width, height (24), raster operation (40), source x, y (44),
// source transform (52), background colour (76), usage (80), DIB offsets and sizes (84-103); the stretching
// forms add the source width and height (104).
bool ReadBlit(R& r, bool stretch, BlitFields& f) {
  r.Seek(24);
  const double x = r.S32(), y = r.S32(), w = r.S32(), h = r.S32();
  f.dest = {x, y, x + w, y + h};
  f.rop = r.U32();
  f.xSrc = r.S32(), f.ySrc = r.S32();
  const double a = r.F32(), b = r.F32(), c = r.F32(), d = r.F32(), e = r.F32(), ff = r.F32();
  f.xformSrc = {a, b, c, d, e, ff};
  r.U32();
  f.usage = r.U32(), f.offBmi = r.U32(), f.cbBmi = r.U32(), f.offBits = r.U32(), f.cbBits = r.U32();
  f.cxSrc = w, f.cySrc = h;
  if (stretch) f.cxSrc = r.S32(), f.cySrc = r.S32();
  if (!f.xformSrc.Finite() || f.xformSrc.Determinant() == 0) f.xformSrc = Affine{};
  return r.Ok();
}

RectD SourceRect(const BlitFields& f) {
  const PointD a = f.xformSrc.Apply({f.xSrc, f.ySrc}), b = f.xformSrc.Apply({f.xSrc + f.cxSrc, f.ySrc + f.cySrc});
  return {a.x, a.y, b.x, b.y};
}

bool Blit(P& p, R& r, bool stretch) {
  BlitFields f;
  if (!ReadBlit(r, stretch, f)) return false;
  if (f.cbBmi == 0) {
    p.R().StretchBlt(nullptr, {}, f.dest, f.rop);
    return true;
  }
  DibImage img;
  if (!p.ReadDibAt(r, f.offBmi, f.cbBmi, f.offBits, f.cbBits, f.usage, img)) return false;
  p.R().StretchBlt(&img, SourceRect(f), f.dest, f.rop);
  return true;
}

// The mask's 0 bits keep the destination when the background operation leaves it alone; elsewhere
// only the foreground operation is drawn.
bool MaskBlit(P& p, R& r) {
  BlitFields f;
  if (!ReadBlit(r, false, f)) return false;
  const double xMask = r.S32(), yMask = r.S32();
  const uint32_t maskUsage = r.U32(), offMask = r.U32(), cbMask = r.U32(), offMaskBits = r.U32(), cbMaskBits = r.U32();
  if (!r.Ok()) return false;
  DibImage img;
  if (f.cbBmi == 0 || !p.ReadDibAt(r, f.offBmi, f.cbBmi, f.offBits, f.cbBits, f.usage, img)) return false;
  DibImage mask;
  const bool keepsBackground = ((f.rop >> 24) & 0xFF) == 0xAA;
  if (keepsBackground && cbMask && p.ReadDibAt(r, offMask, cbMask, offMaskBits, cbMaskBits, maskUsage, mask)) {
    const RectD src = SourceRect(f);
    for (uint32_t y = 0; y < img.height; ++y) {
      for (uint32_t x = 0; x < img.width; ++x) {
        const double mx = x - src.left + xMask, my = y - src.top + yMask;
        if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height) continue;
        const size_t mi = static_cast<size_t>(my) * mask.width + static_cast<size_t>(mx);
        if ((mask.pixels[mi] & 0xFFFFFF) == 0) img.pixels[size_t{y} * img.width + x] = 0;
      }
    }
    img.alpha = DibAlpha::Gaps;
  }
  p.R().StretchBlt(&img, SourceRect(f), f.dest, (f.rop & 0x00FF0000) | 0x0020);
  return true;
}

// Offsets after the bounds: destination x, y (24), source x, y, width, height (32), DIB offsets and sizes (48),
// usage (64); then SetDIBitsToDevice has the first scan and scan count (68), StretchDIBits the raster operation
// and destination width and height (68).
bool DibBits(P& p, R& r, bool stretch) {
  r.Seek(24);
  const double x = r.S32(), y = r.S32();
  const double xSrc = r.S32(), ySrc = r.S32(), cxSrc = r.S32(), cySrc = r.S32();
  const uint32_t offBmi = r.U32(), cbBmi = r.U32(), offBits = r.U32(), cbBits = r.U32(), usage = r.U32();
  uint32_t rop = kSrcCopy, startScan = 0, scans = 0;
  double cx = cxSrc, cy = cySrc;
  if (stretch) {
    rop = r.U32();
    cx = r.S32(), cy = r.S32();
  } else {
    startScan = r.U32(), scans = r.U32();
  }
  if (!r.Ok()) return false;
  const RectD dest{x, y, x + cx, y + cy};
  if (cbBmi == 0) {
    p.R().StretchBlt(nullptr, {}, dest, rop);
    return true;
  }
  DibImage img;
  double srcY = ySrc;
  if (!stretch) {
    // Only `scans` rows from `startScan` are stored: read them as a DIB of that height.
    const auto info = r.Slice(offBmi, cbBmi);
    if (info.size() < 12) return false;
    std::vector<uint8_t> patched(info.begin(), info.end());
    ByteReader h(info);
    const uint32_t headerSize = h.U32();
    if (headerSize >= 40 && scans > 0) {
      int32_t height =
          static_cast<int32_t>(patched[8] | (patched[9] << 8) | (patched[10] << 16) | (uint32_t{patched[11]} << 24));
      const int64_t full = height < 0 ? -int64_t{height} : height;
      if (scans < full) {
        const int32_t newHeight = height < 0 ? -static_cast<int32_t>(scans) : static_cast<int32_t>(scans);
        for (int k = 0; k < 4; ++k) patched[8 + k] = static_cast<uint8_t>(static_cast<uint32_t>(newHeight) >> (8 * k));
        srcY -= startScan;
      }
    }
    const auto* palette = p.R().Dc().palette ? std::get_if<PaletteObject>(p.R().Dc().palette.get()) : nullptr;
    std::span<const ColorRef> colours;
    if (palette) colours = palette->colors;
    const auto bits = r.Slice(offBits, cbBits);
    if (bits.empty() || ReadDib(patched, bits, usage == 1 ? DibColors::Palette : DibColors::Rgb, colours, p.Limits(),
                                img) != Status::Ok) {
      return false;
    }
  } else if (!p.ReadDibAt(r, offBmi, cbBmi, offBits, cbBits, usage, img)) {
    return false;
  }
  if (img.bottomUp) srcY = img.height - (srcY + cySrc);
  p.R().StretchBlt(&img, {xSrc, srcY, xSrc + cxSrc, srcY + cySrc}, dest, rop);
  return true;
}

bool Blend(P& p, R& r, bool transparent) {
  BlitFields f;
  if (!ReadBlit(r, true, f) || f.cbBmi == 0) return false;
  DibImage img;
  if (!p.ReadDibAt(r, f.offBmi, f.cbBmi, f.offBits, f.cbBits, f.usage, img)) return false;
  if (transparent) {
    // The raster-operation field holds the colour that is not drawn.
    const uint32_t key = f.rop & 0xFFFFFF;
    const uint32_t keyArgb = ((key & 0xFF) << 16) | (key & 0xFF00) | ((key >> 16) & 0xFF);
    for (uint32_t& px : img.pixels) px = (px & 0xFFFFFF) == keyArgb ? 0 : (px | 0xFF000000u);
    img.alpha = DibAlpha::Gaps;
    p.R().AlphaBlend(img, SourceRect(f), f.dest, 255, true);
    return true;
  }
  const uint8_t constant = static_cast<uint8_t>(f.rop >> 16);
  const bool useAlpha = ((f.rop >> 24) & 1) != 0 && img.alpha == DibAlpha::Alpha;
  p.R().AlphaBlend(img, SourceRect(f), f.dest, constant, useAlpha);
  return true;
}

constexpr EmfEntry kHandlers[] = {
    {kEmrBitBlt, [](P& p, R& r) { return Blit(p, r, false); }},
    {kEmrStretchBlt, [](P& p, R& r) { return Blit(p, r, true); }},
    {kEmrMaskBlt, MaskBlit},
    {kEmrSetDiBitsToDevice, [](P& p, R& r) { return DibBits(p, r, false); }},
    {kEmrStretchDiBits, [](P& p, R& r) { return DibBits(p, r, true); }},
    {kEmrAlphaBlend, [](P& p, R& r) { return Blend(p, r, false); }},
    {kEmrTransparentBlt, [](P& p, R& r) { return Blend(p, r, true); }},
};

}  // namespace

std::span<const EmfEntry> EmfBitmapHandlers() { return kHandlers; }

}  // namespace tavlen::gfx::metafile
