// EMF+ objects (brushes, pens, paths, fonts, string formats, images) and the record walk of a comment.
#include <glib.h>

#include <algorithm>
#include <cmath>

#include "platform/graphics/codec_registry.h"
#include "platform/graphics/convert.h"
#include "platform/graphics/metafile/emfplus_records.h"
#include "platform/graphics/metafile/player.h"

namespace tavlen::gfx::metafile {
namespace {

enum : uint32_t { kBrush = 1, kPen = 2, kPath = 3, kRegion = 4, kImage = 5, kFont = 6, kStringFormat = 7 };
constexpr uint16_t kContinued = 0x8000;
// Embedded metafiles may embed metafiles in turn; beyond this depth they are not drawn.
constexpr int kMaxImageDepth = 2;
thread_local int t_imageDepth = 0;

Affine Matrix(ByteReader& r) {
  const double a = r.F32(), b = r.F32(), c = r.F32(), d = r.F32(), e = r.F32(), f = r.F32();
  return {a, b, c, d, e, f};
}

bool ReadImage(ByteReader& r, const DecodeLimits& limits, WorkBudget& budget, PlusImage& image);

// A texture: flags, wrap mode, the optional transform, then the image.
bool ReadTexture(ByteReader& r, PlusBrush& b, const DecodeLimits& limits, WorkBudget& budget) {
  const uint32_t flags = r.U32();
  b.kind = PlusBrush::Kind::Texture;
  b.wrap = r.S32();
  if (flags & 0x02) b.xform = Matrix(r);
  if (!b.xform.Finite() || b.xform.Determinant() == 0) b.xform = Affine{};
  PlusImage image;
  if (!r.Ok() || !ReadImage(r, limits, budget, image) || image.pixels.pixels.empty()) return false;
  b.texture = std::make_shared<const DibImage>(std::move(image.pixels));
  return true;
}

bool ReadBrush(ByteReader& r, PlusBrush& b, const DecodeLimits& limits, WorkBudget& budget) {
  r.U32();  // version
  const uint32_t type = r.U32();
  switch (type) {
    case 0:
      b.kind = PlusBrush::Kind::Solid;
      b.color = r.U32();
      return r.Ok();
    case 1:
      b.kind = PlusBrush::Kind::Hatch;
      b.hatch = r.S32();
      b.color = r.U32();
      b.back = r.U32();
      return r.Ok();
    case 3:
      return ReadPathGradient(r, b);
    case 4:
      return ReadLinearGradient(r, b);
    case 2:
      return ReadTexture(r, b, limits, budget);
    default:
      return false;
  }
}

bool ReadPen(ByteReader& r, PlusPen& p, const DecodeLimits& limits, WorkBudget& budget) {
  r.U32();
  r.U32();
  const uint32_t flags = r.U32();
  p.unit = r.U32();
  p.width = r.F32();
  if (flags & 0x01) Matrix(r);
  if (flags & 0x02) p.startCap = r.S32();
  if (flags & 0x04) p.endCap = r.S32();
  if (flags & 0x08) p.join = r.U32();
  if (flags & 0x10) p.miterLimit = r.F32();
  if (flags & 0x20) p.lineStyle = r.S32();
  if (flags & 0x40) r.S32();
  if (flags & 0x80) r.F32();
  if (flags & 0x100) {
    const uint32_t n = r.U32();
    if (n > 64 || !r.Ok()) return false;
    for (uint32_t i = 0; i < n; ++i) p.dashes.push_back(r.F32());
  }
  if (flags & 0x200) r.S32();
  if (flags & 0x400) r.Skip(4 * size_t{r.U32()});
  if (flags & 0x800) r.Skip(r.U32());
  if (flags & 0x1000) r.Skip(r.U32());
  if (!r.Ok() || !std::isfinite(p.width)) return false;
  return ReadBrush(r, p.brush, limits, budget);
}

bool ReadFont(ByteReader& r, PlusFont& f) {
  r.U32();
  f.emSize = r.F32();
  f.unit = r.U32();
  f.style = r.S32();
  r.U32();
  const uint32_t length = r.U32();
  if (!r.Ok() || length > 64) return false;
  std::u16string name;
  for (uint32_t i = 0; i < length; ++i) name.push_back(r.U16());
  if (!r.Ok() || !std::isfinite(f.emSize) || f.emSize <= 0) return false;
  if (gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(name.data()), static_cast<glong>(name.size()),
                                    nullptr, nullptr, nullptr)) {
    f.family = utf8;
    g_free(utf8);
  }
  return true;
}

// Decoded pixels to the player's image: top-down premultiplied 0xAARRGGBB words.
bool FromPixels(const PixelBuffer& px, const Palette& palette, DibImage& out) {
  out = {};
  out.width = px.Width(), out.height = px.Height(), out.bottomUp = false, out.alpha = DibAlpha::Alpha;
  out.pixels.resize(size_t{out.width} * out.height);
  std::vector<uint8_t> row(size_t{out.width} * 4);
  for (uint32_t y = 0; y < out.height; ++y) {
    RowToArgb32(px.Row(y), px.Format(), palette, 0, out.width, row.data());
    for (uint32_t x = 0; x < out.width; ++x) {
      const uint8_t* p = row.data() + 4 * size_t{x};
      const uint32_t a = p[3];
      auto pm = [a](uint32_t v) { return (v * a + 127) / 255; };
      out.pixels[size_t{y} * out.width + x] = (a << 24) | (pm(p[2]) << 16) | (pm(p[1]) << 8) | pm(p[0]);
    }
  }
  return true;
}

bool DecodeCompressed(std::span<const uint8_t> bytes, const DecodeLimits& limits, DibImage& out) {
  auto shared = std::make_shared<const Bytes>(bytes.begin(), bytes.end());
  std::unique_ptr<ImageDecoder> decoder;
  Guid format;
  if (OpenDecoder(shared, limits, decoder, format) != Status::Ok || decoder->FrameCount() == 0) return false;
  DecodedFrame frame;
  if (decoder->DecodeFrame(0, frame) != Status::Ok) return false;
  return FromPixels(frame.pixels, {}, out);
}

// An embedded metafile is played at its own size. Embedded pictures together may spend half the host's budget,
// so the host's own records always keep the other half; the picture's pixels count against that share too.
bool PlayNested(uint32_t kind, std::span<const uint8_t> bytes, const DecodeLimits& limits, WorkBudget& budget,
                PlusImage& image) {
  const double share = budget.Remaining() - budget.Limit() / 2;
  if (t_imageDepth >= kMaxImageDepth || share <= 0) return false;
  DecodeLimits nested = limits;
  nested.maxPixelBytes = std::min<uint64_t>(limits.maxPixelBytes, static_cast<uint64_t>(share / 2) * 4);
  ++t_imageDepth;
  PixelBuffer px;
  PlayStats stats;
  stats.maxWork = share / 2;
  const Status s = kind <= 2 ? PlayWmf(bytes, nested, px, &stats) : PlayEmf(bytes, nested, px, &stats);
  --t_imageDepth;
  budget.Charge(std::min(share, stats.work + double(px.Width()) * double(px.Height())));
  image.sourceToPixels = stats.unitsToPixels;
  return s == Status::Ok && FromPixels(px, {}, image.pixels);
}

bool ReadImage(ByteReader& r, const DecodeLimits& limits, WorkBudget& budget, PlusImage& image) {
  r.U32();
  const uint32_t type = r.U32();
  if (type == 2) {
    const uint32_t kind = r.U32(), size = r.U32();
    const auto bytes = r.Take(size, nullptr);
    return r.Ok() && PlayNested(kind, bytes, limits, budget, image);
  }
  if (type != 1) return false;
  const int32_t width = r.S32(), height = r.S32(), stride = r.S32();
  const uint32_t format = r.U32(), compressed = r.U32();
  if (!r.Ok()) return false;
  if (compressed == 1) return DecodeCompressed(r.Take(r.Remaining(), nullptr), limits, image.pixels);
  const auto pf = static_cast<PixelFormat>(format);
  if (width <= 0 || height <= 0 ||
      CheckImageSize(pf, static_cast<uint32_t>(width), static_cast<uint32_t>(height), limits) != Status::Ok) {
    return false;
  }
  Palette palette;
  if (format & 0x00010000) {  // indexed formats carry their palette first
    palette.flags = r.U32();
    const uint32_t n = r.U32();
    if (!r.Ok() || n > 256) return false;
    for (uint32_t i = 0; i < n; ++i) palette.entries.push_back(r.U32());
  }
  auto buffer =
      PixelBuffer::Allocate(pf, static_cast<uint32_t>(width), static_cast<uint32_t>(height), PixelBuffer::Init::Zero);
  if (!buffer.Ok()) return false;
  PixelBuffer px = std::move(buffer.Value());
  const size_t rowBytes = std::min<size_t>(px.Stride(), stride > 0 ? static_cast<size_t>(stride) : 0);
  if (rowBytes == 0 || size_t(stride) * size_t(height) > r.Remaining()) return false;
  for (int32_t y = 0; y < height; ++y) {
    const auto row = r.Take(static_cast<size_t>(stride), nullptr);
    std::copy_n(row.data(), rowBytes, px.Row(static_cast<uint32_t>(y)));
  }
  return FromPixels(px, palette, image.pixels);
}

}  // namespace

bool ReadPlusPath(ByteReader& r, PlusPath& path) {
  r.U32();  // version
  const uint32_t count = r.U32(), flags = r.U32();
  if (!r.Ok()) return false;
  path.points = PlusPoints(r, count, static_cast<uint16_t>(flags));
  if (path.points.size() != count) return false;
  if (!(flags & 0x1000)) {
    const auto types = r.Take(count, nullptr);
    path.types.assign(types.begin(), types.end());
    return r.Ok();
  }
  // Run-length encoded types: a run length (low six bits; the top bit marks Bézier runs) and the type.
  path.types.clear();
  while (path.types.size() < count && r.Remaining() >= 2) {
    const uint8_t run = r.U8() & 0x3F, type = r.U8();
    path.types.insert(path.types.end(), std::min<size_t>(run, count - path.types.size()), type);
  }
  return path.types.size() == count;
}

void EmfPlusPlayer::SetHeader(double dpiX, double dpiY) {
  if (dpiX > 0 && dpiY > 0 && dpiX < 1e5 && dpiY < 1e5) m_dpiX = dpiX, m_dpiY = dpiY;
  m_sawHeader = true;
  m_state.clip = m_r.Dc().clip;
}

const PlusObject& EmfPlusPlayer::Object(uint32_t id) const {
  static const PlusObject kNone;
  return id < m_objects.size() ? m_objects[id] : kNone;
}

double EmfPlusPlayer::UnitToDevice(uint32_t unit) const {
  switch (unit) {
    case 3:
      return m_dpiX / 72;
    case 4:
      return m_dpiX;
    case 5:
      return m_dpiX / 300;
    case 6:
      return m_dpiX / 25.4;
    default:
      return 1;  // world, display and pixel units
  }
}

Affine EmfPlusPlayer::WorldToCanvas() const {
  const double page = m_state.pageUnit == 1 ? 1 : UnitToDevice(m_state.pageUnit) * m_state.pageScale;
  const Affine m = m_state.world.Then(Affine::Scale(page, page * m_dpiY / m_dpiX)).Then(m_r.DeviceToCanvas());
  return m.Finite() ? m : m_r.DeviceToCanvas();
}

bool EmfPlusPlayer::BrushFrom(uint16_t flags, ByteReader& data, PlusBrush& out) const {
  const uint32_t value = data.U32();
  if (!data.Ok()) return false;
  if (flags & 0x8000) {
    out = PlusBrush{};
    out.color = value;
    return true;
  }
  if (const auto* b = std::get_if<PlusBrush>(&Object(value))) {
    out = *b;
    return true;
  }
  return false;
}

void EmfPlusPlayer::ReadObject(uint16_t flags, ByteReader& data) {
  const uint32_t id = flags & 0xFF, type = (flags >> 8) & 0x7F;
  std::span<const uint8_t> bytes;
  std::vector<uint8_t> whole;
  if (flags & kContinued) {
    // Parts of a large object: the first word is the whole object's size. Writers mark every part, the last
    // included, or all but the last; the object is whole once its size is gathered (a part's padding dropped).
    const uint32_t total = data.U32();
    if (m_pending.empty()) m_pendingTotal = total;
    auto part = data.Take(data.Remaining(), nullptr);
    if (total != m_pendingTotal || m_pending.size() >= total || total > m_limits.maxFileBytes) {
      m_pending.clear();
      return;
    }
    part = part.first(std::min<size_t>(part.size(), total - m_pending.size()));
    m_pending.insert(m_pending.end(), part.begin(), part.end());
    if (m_pending.size() < total) return;
    whole = std::move(m_pending);
    m_pending.clear();
    bytes = whole;
  } else if (!m_pending.empty()) {
    whole = std::move(m_pending);
    m_pending.clear();
    const auto last = data.Take(data.Remaining(), nullptr);
    whole.insert(whole.end(), last.begin(), last.end());
    bytes = whole;
  } else {
    bytes = data.Take(data.Remaining(), nullptr);
  }
  if (id >= m_objects.size()) return;
  ByteReader r(bytes);
  PlusObject object;
  bool ok = false;
  switch (type) {
    case kBrush:
      ok = ReadBrush(r, object.emplace<PlusBrush>(), m_limits, m_r.GetCanvas().Budget());
      break;
    case kPen:
      ok = ReadPen(r, object.emplace<PlusPen>(), m_limits, m_r.GetCanvas().Budget());
      break;
    case kPath:
      ok = ReadPlusPath(r, object.emplace<PlusPath>());
      break;
    case kRegion:
      ok = ReadPlusRegion(r, object.emplace<PlusRegion>());
      break;
    case kFont:
      ok = ReadFont(r, object.emplace<PlusFont>());
      break;
    case kStringFormat: {
      auto& f = object.emplace<PlusStringFormat>();
      r.U32();
      f.flags = r.U32();
      r.U32();
      f.align = r.U32();
      f.lineAlign = r.U32();
      ok = r.Ok();
      break;
    }
    case kImage:
      ok = ReadImage(r, m_limits, m_r.GetCanvas().Budget(), object.emplace<PlusImage>());
      break;
    default:
      break;  // image attributes and custom line caps are not used
  }
  m_objects[id] = ok ? std::move(object) : PlusObject{};
}

void EmfPlusPlayer::PlayComment(std::span<const uint8_t> payload) {
  ByteReader r(payload);
  while (r.Remaining() >= 12) {
    const size_t at = r.Position();
    const uint16_t type = r.U16(), flags = r.U16();
    const uint32_t size = r.U32(), dataSize = r.U32();
    if (size < 12 || size > r.Size() - at || dataSize > size - 12) return;
    ByteReader data(r.Slice(at + 12, dataSize));
    m_inGetDc = type == kEmfPlusGetDc;
    PlayEmfPlusRecord(*this, type, flags, data);
    r.Seek(at + size);
  }
}

}  // namespace tavlen::gfx::metafile
