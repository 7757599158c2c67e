// WMF files: headers (placeable and standard), the picture's frame and size, and the record loop.
#include "platform/graphics/metafile/wmf_player.h"

#include <cmath>

#include "platform/graphics/metafile/wmf_records.h"

namespace tavlen::gfx::metafile {
namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableBytes = 22;
constexpr size_t kHeaderBytes = 18;

struct WmfHeader {
  bool placeable = false;
  RectD bbox;  // logical units, placeable only
  double unitsPerInch = 1440;
  size_t recordsAt = 0;
};

// Offsets: placeable header (22 bytes) = key u32, handle u16, left/top/right/bottom s16, units per inch u16,
// reserved u32, checksum u16; standard header (18 bytes) = type u16, header words u16, version u16,
// size u32, objects u16, largest record u32, unused u16.
bool ReadHeader(std::span<const uint8_t> bytes, WmfHeader& h) {
  ByteReader r(bytes);
  if (r.U32() == kPlaceableKey) {
    h.placeable = true;
    r.U16();
    const int16_t left = r.S16(), top = r.S16(), right = r.S16(), bottom = r.S16();
    h.bbox = {static_cast<double>(left), static_cast<double>(top), static_cast<double>(right),
              static_cast<double>(bottom)};
    const uint16_t inch = r.U16();
    h.unitsPerInch = inch == 0 ? 1440 : inch;
    r.Seek(kPlaceableBytes);
  } else {
    r.Seek(0);
  }
  const uint16_t type = r.U16(), headerWords = r.U16(), version = r.U16();
  if (!r.Ok() || (type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300)) return false;
  h.recordsAt = r.Position() - 6 + kHeaderBytes;
  return h.recordsAt <= bytes.size();
}

// The first window origin and extent a standard file sets: its frame.
bool FindWindow(std::span<const uint8_t> bytes, size_t offset, RectD& window) {
  ByteReader r(bytes);
  r.Seek(offset);
  bool haveOrg = false, haveExt = false;
  PointD org{}, ext{};
  while (r.Remaining() >= 6 && !(haveOrg && haveExt)) {
    const size_t at = r.Position();
    const uint32_t words = r.U32();
    const uint16_t function = r.U16();
    if (words < 3 || words > (r.Size() - at) / 2 || function == kWmfEof) break;
    if (function == kWmfSetWindowOrg && !haveOrg) {
      org.y = r.S16(), org.x = r.S16();
      haveOrg = true;
    } else if (function == kWmfSetWindowExt && !haveExt) {
      ext.y = r.S16(), ext.x = r.S16();
      haveExt = ext.x != 0 && ext.y != 0;
    }
    r.Seek(at + size_t{words} * 2);
  }
  if (!haveExt) return false;
  window = {org.x, org.y, org.x + ext.x, org.y + ext.y};
  return true;
}

Status PrepareCanvas(Canvas& canvas, double width, double height, const DecodeLimits& limits) {
  if (!std::isfinite(width) || !std::isfinite(height)) return Status::InvalidParameter;
  return InitMetafileCanvas(canvas, std::max(1.0, std::round(std::fabs(width))),
                            std::max(1.0, std::round(std::fabs(height))), limits);
}

// The window (logical frame) drawn onto the whole canvas.
void MapWindow(Renderer& r, const RectD& window, const Canvas& canvas) {
  DcState& dc = r.Dc();
  dc.mapMode = kMmAnisotropic;
  dc.windowOrg = {window.left, window.top};
  dc.windowExt = {window.Width() == 0 ? 1 : window.Width(), window.Height() == 0 ? 1 : window.Height()};
  dc.viewportOrg = {0, 0};
  dc.viewportExt = {static_cast<double>(canvas.Width()), static_cast<double>(canvas.Height())};
  r.MappingChanged();
}

}  // namespace

bool LooksLikeWmf(std::span<const uint8_t> bytes) {
  WmfHeader h;
  return ReadHeader(bytes, h);
}

bool WmfPlayer::ReadPackedDib(ByteReader& p, DibColors colors, DibImage& out) {
  const auto rest = p.Take(p.Remaining(), nullptr);
  const size_t headerBytes = PackedDibHeaderBytes(rest, colors);
  if (headerBytes == 0) return false;
  const auto* palette = m_r.Dc().palette ? std::get_if<PaletteObject>(m_r.Dc().palette.get()) : nullptr;
  std::span<const ColorRef> colours;
  if (palette) colours = palette->colors;
  return ReadDib(rest.first(headerBytes), rest.subspan(headerBytes), colors, colours, m_limits, out) == Status::Ok;
}

Status WmfPlayer::Play(std::span<const uint8_t> bytes, size_t offset, PlayStats& stats) {
  ByteReader r(bytes);
  r.Seek(offset);
  bool first = true;
  while (r.Remaining() >= 6) {
    const size_t at = r.Position();
    const uint32_t words = r.U32();
    const uint16_t function = r.U16();
    // A record must hold its own header and fit in the file; anything else ends the picture.
    if (words < 3 || words > (r.Size() - at) / 2) {
      if (first) return Status::InvalidParameter;
      break;
    }
    first = false;
    ++stats.records;
    if (function == kWmfEof) break;
    ByteReader params(r.Slice(at + 6, size_t{words} * 2 - 6));
    if (!Dispatch(function, params)) ++stats.skipped;
    r.Seek(at + size_t{words} * 2);
  }
  return Status::Ok;
}

Status PlayWmf(std::span<const uint8_t> bytes, const DecodeLimits& limits, PixelBuffer& out, PlayStats* stats) {
  WmfHeader header;
  if (!ReadHeader(bytes, header)) return Status::UnknownImageFormat;
  if (bytes.size() > limits.maxFileBytes) return Status::OutOfMemory;
  PlayStats local;
  PlayStats& st = stats ? *stats : local;

  RectD window;
  double width = 0, height = 0;
  if (header.placeable) {
    window = header.bbox;
    width = window.Width() * 96.0 / header.unitsPerInch;
    height = window.Height() * 96.0 / header.unitsPerInch;
  } else if (FindWindow(bytes, header.recordsAt, window)) {
    width = window.Width();
    height = window.Height();
  } else {
    // No frame at all: measure what the records draw in their own units.
    Canvas measure;
    Ignore(measure.Init(1 << 20, 1 << 20, true));
    Renderer renderer(measure, Affine{}, DeviceMetrics{});
    WmfPlayer player(renderer, limits);
    PlayStats ignored;
    if (const Status s = player.Play(bytes, header.recordsAt, ignored); s != Status::Ok) return s;
    if (!measure.Measured(window)) return Status::InvalidParameter;
    width = window.Width();
    height = window.Height();
  }
  if (width == 0 || height == 0) return Status::InvalidParameter;

  Canvas canvas;
  if (const Status s = PrepareCanvas(canvas, width, height, limits); s != Status::Ok) return s;
  if (st.maxWork > 0) canvas.Budget().SetLimit(std::min(canvas.Budget().Limit(), st.maxWork));
  Renderer renderer(canvas, Affine{}, DeviceMetrics{});
  MapWindow(renderer, window, canvas);
  const double sx = canvas.Width() / window.Width(), sy = canvas.Height() / window.Height();
  st.unitsToPixels = {sx, 0, 0, sy, -window.left * sx, -window.top * sy};
  WmfPlayer player(renderer, limits);
  player.SetFixedViewport(true);
  if (const Status s = player.Play(bytes, header.recordsAt, st); s != Status::Ok) return s;
  st.work = canvas.Budget().Spent();
  return CanvasToPixels(canvas, limits, out);
}

}  // namespace tavlen::gfx::metafile
