// EMF files: the header, the picture's frame and size at 96 dpi, the reference device, and the record loop.
#include "platform/graphics/metafile/emf_player.h"

#include <array>
#include <cmath>

#include "platform/graphics/metafile/emf_records.h"
#include "platform/graphics/metafile/emfplus_records.h"

namespace tavlen::gfx::metafile {
namespace {

constexpr uint32_t kSignature = 0x464D4520;  // " EMF"

struct EmfHeader {
  RectD bounds;  // reference-device pixels, inclusive
  RectD frame;   // hundredths of a millimetre, inclusive
  DeviceMetrics metrics;
  size_t size = 0;
};

// Offsets: type u32, size u32, bounds 4 x s32 (8), frame 4 x s32 (24), signature u32 (40), version u32,
// bytes u32, records u32, handles u16, reserved u16, description count/offset u32 x 2, palette entries u32,
// device size 2 x s32 (72), millimetres 2 x s32 (80). The frame goes to device pixels through the whole
// millimetres: the optional micrometre field after them disagrees with them often enough (rounded
// differently by writers) to shift pictures against their own clip rectangles.
bool ReadHeader(std::span<const uint8_t> bytes, EmfHeader& h) {
  ByteReader r(bytes);
  const uint32_t type = r.U32(), size = r.U32();
  auto rect = [&r]() {
    const double l = r.S32(), t = r.S32(), rr = r.S32(), b = r.S32();
    return RectD{l, t, rr, b};
  };
  h.bounds = rect();
  h.frame = rect();
  const uint32_t signature = r.U32();
  if (!r.Ok() || type != kEmrHeader || signature != kSignature) return false;
  if (size < 88 || size > bytes.size()) return false;
  h.size = size;
  r.Seek(72);
  const double devX = r.S32(), devY = r.S32(), mmX = r.S32(), mmY = r.S32();
  if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0) h.metrics = {devX / mmX, devY / mmY};
  return true;
}

// Whether the file's EMF+ records draw something and every one of them is of a kind the player draws. A file
// whose EMF+ records only set state draws with its EMF records.
bool EmfPlusDrawable(std::span<const uint8_t> bytes, size_t offset) {
  ByteReader r(bytes);
  r.Seek(offset);
  bool drawing = false;
  while (r.Remaining() >= 8) {
    const size_t at = r.Position();
    const uint32_t type = r.U32(), size = r.U32();
    if (size < 8 || size > r.Size() - at || type == kEmrEof) break;
    if (type == kEmrComment) {
      ByteReader plus(EmfPlusRecords(ByteReader(r.Slice(at, size))));
      while (plus.Remaining() >= 12) {
        const size_t start = plus.Position();
        const uint16_t plusType = plus.U16();
        plus.U16();
        const uint32_t plusSize = plus.U32();
        if (plusSize < 12 || plusSize > plus.Size() - start) break;
        if (!EmfPlusDrawsRecordType(plusType)) return false;
        drawing |=
            (plusType >= kEmfPlusClear && plusType <= kEmfPlusDrawString) || plusType == kEmfPlusDrawDriverString;
        plus.Seek(start + plusSize);
      }
    }
    r.Seek(at + size);
  }
  return drawing;
}

}  // namespace

std::span<const uint8_t> EmfPlusRecords(const ByteReader& rec) {
  const auto head = rec.Slice(8, 8);
  if (head.size() < 8) return {};
  const uint32_t bytes = head[0] | head[1] << 8 | head[2] << 16 | uint32_t{head[3]} << 24;
  const uint32_t id = head[4] | head[5] << 8 | head[6] << 16 | uint32_t{head[7]} << 24;
  if (id != 0x2B464D45 || bytes < 4 || bytes - 4 > rec.Size() - 16) return {};
  return rec.Slice(16, bytes - 4);
}

EmfPlayer::~EmfPlayer() = default;

void EmfPlayer::PlayEmfPlus(std::span<const uint8_t> records) {
  m_sawEmfPlus = true;
  if (m_plus) m_plus->PlayComment(records);
}

bool LooksLikeEmf(std::span<const uint8_t> bytes) {
  ByteReader r(bytes);
  const uint32_t type = r.U32();
  r.Seek(40);
  return r.U32() == kSignature && type == kEmrHeader && r.Ok();
}

ObjectPtr EmfPlayer::Object(uint32_t index) const {
  if (index & 0x80000000u) return StockObject(index & 0x7FFFFFFFu);
  return m_r.Objects().Get(index);
}

bool EmfPlayer::ReadDibAt(const ByteReader& rec, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits,
                          uint32_t usage, DibImage& out) {
  const auto info = rec.Slice(offBmi, cbBmi);
  const auto bits = rec.Slice(offBits, cbBits);
  if (info.empty() || bits.empty()) return false;
  const auto* palette = m_r.Dc().palette ? std::get_if<PaletteObject>(m_r.Dc().palette.get()) : nullptr;
  std::span<const ColorRef> colours;
  if (palette) colours = palette->colors;
  return ReadDib(info, bits, usage == 1 ? DibColors::Palette : DibColors::Rgb, colours, m_limits, out) == Status::Ok;
}

bool EmfPlayer::Dispatch(uint32_t type, ByteReader& rec) {
  static const RecordIndex<EmrType, EmfHandler, kEmrCreateColorSpaceW + 1> kByType(
      0, {EmfStateHandlers(), EmfDrawingHandlers(), EmfBitmapHandlers()});
  const EmfHandler handle = kByType.Find(type);
  if (!handle) return false;
  rec.Seek(8);
  return handle(*this, rec);
}

Status EmfPlayer::Play(std::span<const uint8_t> bytes, size_t offset, PlayStats& stats) {
  if (EmfPlusDrawable(bytes, offset)) m_plus = std::make_unique<EmfPlusPlayer>(m_r, m_limits);
  ByteReader r(bytes);
  r.Seek(offset);
  bool first = true;
  while (r.Remaining() >= 8) {
    const size_t at = r.Position();
    const uint32_t type = r.U32(), size = r.U32();
    if (size < 8 || size > r.Size() - at) {
      if (first) return Status::InvalidParameter;
      break;
    }
    first = false;
    ++stats.records;
    if (type == kEmrEof) break;
    ByteReader rec(r.Slice(at, size));
    // With EMF+ drawing, EMF records outside GetDC brackets are the fallback of what EMF+ drew.
    const bool fallback = m_plus && m_plus->SawHeader() && !m_plus->EmfRecordsDrawn() && type != kEmrComment;
    if (!fallback && !Dispatch(type, rec)) ++stats.skipped;
    // Records are 4-byte aligned; a size that is not still moves on by its exact count.
    r.Seek(at + size);
  }
  return Status::Ok;
}

Status PlayEmf(std::span<const uint8_t> bytes, const DecodeLimits& limits, PixelBuffer& out, PlayStats* stats) {
  if (!LooksLikeEmf(bytes)) return Status::UnknownImageFormat;
  if (bytes.size() > limits.maxFileBytes) return Status::OutOfMemory;
  EmfHeader h;
  if (!ReadHeader(bytes, h)) return Status::InvalidParameter;
  PlayStats local;
  PlayStats& st = stats ? *stats : local;

  // The frame is the picture; when it is missing, the bounds (in reference pixels) stand in.
  RectD frameMm = h.frame.Normalized();
  if (frameMm.Width() <= 0 || frameMm.Height() <= 0) {
    const RectD b = h.bounds.Normalized();
    frameMm = {b.left / h.metrics.pixelsPerMmX * 100, b.top / h.metrics.pixelsPerMmY * 100,
               (b.right + 1) / h.metrics.pixelsPerMmX * 100, (b.bottom + 1) / h.metrics.pixelsPerMmY * 100};
  }
  double width = std::round(frameMm.Width() * 96 / 2540), height = std::round(frameMm.Height() * 96 / 2540);
  if (!std::isfinite(width) || !std::isfinite(height) || width < 1 || height < 1) return Status::InvalidParameter;
  Canvas canvas;
  if (const Status s = InitMetafileCanvas(canvas, width, height, limits); s != Status::Ok) return s;
  width = canvas.Width(), height = canvas.Height();

  // Reference-device pixels to canvas pixels: the frame, converted to reference pixels, fills the canvas.
  const double left = frameMm.left / 100 * h.metrics.pixelsPerMmX, top = frameMm.top / 100 * h.metrics.pixelsPerMmY;
  const double sx = width / (frameMm.Width() / 100 * h.metrics.pixelsPerMmX);
  const double sy = height / (frameMm.Height() / 100 * h.metrics.pixelsPerMmY);
  const Affine deviceToCanvas{sx, 0, 0, sy, -left * sx, -top * sy};
  if (!deviceToCanvas.Finite()) return Status::InvalidParameter;

  if (st.maxWork > 0) canvas.Budget().SetLimit(std::min(canvas.Budget().Limit(), st.maxWork));
  st.unitsToPixels = deviceToCanvas;
  Renderer renderer(canvas, deviceToCanvas, h.metrics);
  EmfPlayer player(renderer, limits);
  if (const Status s = player.Play(bytes, h.size, st); s != Status::Ok) return s;
  // A picture with EMF+ records and nothing drawn (by either kind of record) has nothing to show.
  if (player.SawEmfPlus() && !canvas.DrewSomething()) return Status::GenericError;
  st.work = canvas.Budget().Spent();
  return CanvasToPixels(canvas, limits, out);
}

}  // namespace tavlen::gfx::metafile
