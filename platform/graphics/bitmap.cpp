// The image object: decoding, copies, turns, locks, thumbnails, frames, property items and saving.
#include "platform/graphics/bitmap.h"

#include <atomic>
#include <cmath>
#include <cstring>

#include "platform/base/file_io.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/color_management.h"
#include "platform/graphics/convert.h"
#include "platform/graphics/encode_to_file.h"
#include "platform/graphics/limit_refusal.h"
#include "platform/graphics/resample.h"
#include "platform/graphics/rotate_flip.h"
#include "platform/graphics/status_file_io.h"

namespace tavlen::gfx {

struct Bitmap::LockState {
  Rect rect;
  uint32_t mode = 0;
  PixelFormat format = PixelFormat::DontCare;
  PixelBuffer converted;  // empty when the caller works on the bitmap's own rows
  void* scan0 = nullptr;
};

namespace {

// Copies and conversions of a bitmap that exists already are not held to the decoding limits.
DecodeLimits NoLimits() {
  DecodeLimits limits;
  limits.maxSide = UINT32_MAX;
  limits.maxPixelBytes = UINT64_MAX;
  return limits;
}

bool InsideBitmap(const Rect& r, uint32_t width, uint32_t height) {
  return r.x >= 0 && r.y >= 0 && r.width > 0 && r.height > 0 && static_cast<uint64_t>(r.x) + r.width <= width &&
         static_cast<uint64_t>(r.y) + r.height <= height;
}

// The pixels of an area in the bitmap's own format.
Result<PixelBuffer> ExtractArea(const PixelBuffer& pixels, const Rect& r) {
  auto area = PixelBuffer::Allocate(pixels.Format(), static_cast<uint32_t>(r.width), static_cast<uint32_t>(r.height),
                                    PixelBuffer::Init::Zero, NoLimits());
  if (!area.Ok()) return area;
  CopyArea(pixels.View(), static_cast<uint32_t>(r.x), static_cast<uint32_t>(r.y), area.Value().View(), 0, 0,
           area.Value().Width(), area.Value().Height());
  area.Value().GetPalette() = pixels.GetPalette();
  return area;
}

// The RotateFlipType that does `first`, then `second`. Each type is a quarter-turn count q and a
// mirror bit m acting as (mirror after rotation); composing in the dihedral group gives:
int ComposeRotateFlip(int first, int second) {
  const int q1 = first & 3, m1 = first >> 2 & 1;
  const int q2 = second & 3, m2 = second >> 2 & 1;
  // A mirror reverses the direction of later turns: R^q2 after M equals M after R^-q2.
  const int q = (m1 ? q1 - q2 : q1 + q2) & 3;
  return q | (m1 ^ m2) << 2;
}

}  // namespace

Bitmap::~Bitmap() = default;

uint64_t Bitmap::NextStamp() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

void Bitmap::ApplyPendingMirror() const {
  if (m_pendingMirror != 0) {
    if ((m_pixels.Shared() || m_pixels.Dormant()) && !m_reserve.Empty()) {
      m_pixels.CopyPixelsTo(m_reserve);
      m_reserve.GetPalette() = m_pixels.GetPalette();
      m_pixels = std::move(m_reserve);
    }
    // Half turns and mirrors work in place and cannot fail.
    Ignore(RotateFlipPixels(m_pixels, m_pendingMirror));
    m_pendingMirror = 0;
  }
  m_reserve = PixelBuffer{};
}

Status Bitmap::PrepareWrite() {
  if (Status s = Wake(); s != Status::Ok) return s;
  ApplyPendingMirror();
  return m_pixels.MakeUnique();
}

Status Bitmap::PrepareWriteArea(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
  if (Status s = Wake(); s != Status::Ok) return s;
  ApplyPendingMirror();
  return m_pixels.MakeAreaUnique(x0, y0, x1, y1);
}

Status Bitmap::Wake() const {
  if (!m_pixels.Dormant()) return Status::Ok;
  auto awake = m_pixels.ShareAwake();
  if (!awake.Ok()) return awake.GetStatus();
  m_pixels = std::move(awake).Value();
  return Status::Ok;
}

Result<PixelBuffer> Bitmap::SharedPixels() const {
  if (m_pixels.Dormant()) {
    ApplyPendingMirror();
    return m_pixels.ShareAwake();
  }
  return Pixels().Share();
}

Status Bitmap::ReserveForPendingMirror() {
  // A dormant copy's bytes are not its own to turn in place, even when nothing else holds them.
  if (m_pendingMirror == 0 || (!m_pixels.Shared() && !m_pixels.Dormant())) {
    m_reserve = PixelBuffer{};
    return Status::Ok;
  }
  if (!m_reserve.Empty()) return Status::Ok;
  auto reserve = PixelBuffer::Allocate(Format(), Width(), Height(), PixelBuffer::Init::Reserved, NoLimits());
  if (!reserve.Ok()) return reserve.GetStatus();
  m_reserve = std::move(reserve).Value();
  return Status::Ok;
}

Result<Bitmap::Ptr> Bitmap::Decode(SharedBytes bytes, const DecodeLimits& limits, const DecodeOptions& options) {
  std::unique_ptr<ImageDecoder> decoder;
  Guid format;
  if (Status s = OpenDecoder(bytes, limits, decoder, format, options); s != Status::Ok) return s;
  return FromDecoder(std::move(decoder), format, options);
}

Result<Bitmap::Ptr> Bitmap::FromDecoder(std::unique_ptr<ImageDecoder> decoder, const Guid& format,
                                        const DecodeOptions& options) {
  decoder->SetOptions(options);
  DecodedFrame frame;
  if (Status s = decoder->DecodeFrame(0, frame); s != Status::Ok) return s;
  ApplyColorOptions(frame, options);
  Ptr bitmap(new Bitmap);
  bitmap->m_decodeOptions = options;
  bitmap->m_pixels = std::move(frame.pixels);
  bitmap->m_properties = std::move(frame.properties);
  bitmap->m_rawFormat = format;
  bitmap->m_decoder = std::move(decoder);
  return bitmap;
}

Result<Bitmap::Ptr> Bitmap::FromFile(const std::string& path, const DecodeLimits& limits,
                                     const DecodeOptions& options) {
  {
    base::UniqueFd fd;
    uint64_t size = 0;
    if (Status s = OpenFileForReading(path, limits, fd, size); s != Status::Ok) return s;
    DecodedFrame frame;
    Guid format;
    bool read = false;
    const Status s = ReadFromFile(fd.Get(), size, limits, frame, format, read);
    if (read && s != Status::Ok) return s;
    if (read) return FromDecoder(std::make_unique<SingleFrameDecoder>(std::move(frame)), format, options);
  }
  auto bytes = std::make_shared<Bytes>();
  if (Status s = ReadWholeFile(path, *bytes, limits); s != Status::Ok) return s;
  return Decode(std::move(bytes), limits, options);
}

Result<Bitmap::Ptr> Bitmap::FromMemory(std::span<const uint8_t> bytes, const DecodeLimits& limits,
                                       const DecodeOptions& options) {
  if (bytes.size() > limits.maxFileBytes) {
    NoteRefusal(Refusal::File);
    return Status::OutOfMemory;
  }
  return Decode(std::make_shared<Bytes>(bytes.begin(), bytes.end()), limits, options);
}

Result<Bitmap::Ptr> Bitmap::Create(uint32_t width, uint32_t height, PixelFormat format) {
  auto pixels = PixelBuffer::Allocate(format, width, height, PixelBuffer::Init::Zero);
  if (!pixels.Ok()) return pixels.GetStatus();
  return FromPixels(std::move(pixels.Value()));
}

Bitmap::Ptr Bitmap::FromPixels(PixelBuffer pixels, std::vector<PropertyItem> properties) {
  Ptr bitmap(new Bitmap);
  bitmap->m_pixels = std::move(pixels);
  bitmap->m_properties = std::move(properties);
  return bitmap;
}

Status Bitmap::SetPalette(const Palette& palette) {
  if (IsIndexed(Format()) && palette.entries.size() > (1u << BitsPerPixel(Format()))) return Status::InvalidParameter;
  m_pixels.GetPalette() = palette;
  m_stamp = NextStamp();
  return Status::Ok;
}

Result<Bitmap::Ptr> Bitmap::Clone() const {
  if (m_lock) return Status::WrongState;
  auto pixels = SharedPixels();
  if (!pixels.Ok()) return pixels.GetStatus();
  Ptr copy = FromPixels(std::move(pixels).Value(), m_properties);
  copy->m_rawFormat = m_rawFormat;
  copy->m_decoder = m_decoder;
  copy->m_activeFrame = m_activeFrame;
  return copy;
}

Result<Bitmap::Ptr> Bitmap::CloneDormant() const {
  if (m_lock) return Status::WrongState;
  if (m_pixels.Dormant()) return Clone();
  auto pixels = Pixels().ShareDormant();
  if (!pixels.Ok()) return pixels.GetStatus();
  Ptr copy = FromPixels(std::move(pixels).Value(), m_properties);
  copy->m_rawFormat = m_rawFormat;
  return copy;
}

Result<Bitmap::Ptr> Bitmap::CloneArea(float x, float y, float width, float height, PixelFormat format) const {
  if (m_lock) return Status::WrongState;
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) || !std::isfinite(height))
    return Status::InvalidParameter;
  if (format != PixelFormat::DontCare && !IsValidPixelFormat(format)) return Status::InvalidParameter;
  const double limit = 2147483647.0;
  if (std::fabs(x) > limit || std::fabs(y) > limit || std::fabs(width) > limit || std::fabs(height) > limit)
    return Status::InvalidParameter;
  const Rect area{static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y)),
                  static_cast<int32_t>(std::lround(width)), static_cast<int32_t>(std::lround(height))};
  if (!InsideBitmap(area, Width(), Height())) return Status::InvalidParameter;
  const bool whole = area.x == 0 && area.y == 0 && static_cast<uint32_t>(area.width) == Width() &&
                     static_cast<uint32_t>(area.height) == Height();
  auto source = SharedPixels();
  if (!source.Ok()) return source.GetStatus();
  if (whole && (format == PixelFormat::DontCare || format == Format())) {
    Ptr copy = FromPixels(std::move(source).Value(), m_properties);
    copy->m_rawFormat = m_rawFormat;
    return copy;
  }
  auto pixels = ExtractArea(source.Value(), area);
  if (!pixels.Ok()) return pixels.GetStatus();
  if (format != PixelFormat::DontCare && format != Format()) {
    pixels = ConvertFormat(pixels.Value(), format, NoLimits());
    if (!pixels.Ok()) return pixels.GetStatus();
  }
  Ptr copy = FromPixels(std::move(pixels.Value()), m_properties);
  copy->m_rawFormat = m_rawFormat;
  return copy;
}

Status Bitmap::RotateFlip(RotateFlipType type) {
  if (m_lock) return Status::WrongState;
  const int value = static_cast<int>(type);
  if (value < 0 || value > 7) return Status::InvalidParameter;
  const int combined = ComposeRotateFlip(m_pendingMirror, value);
  if ((combined & 1) == 0) {
    const int before = m_pendingMirror;
    m_pendingMirror = combined;
    if (Status s = ReserveForPendingMirror(); s != Status::Ok) {
      m_pendingMirror = before;
      return s;
    }
    m_stamp = NextStamp();
    return Status::Ok;
  }
  // A quarter turn needs a new buffer anyway: one pass does the pending mirror and the turn. It only
  // reads the old pixels, so shared ones stay as they are.
  if (Status s = Wake(); s != Status::Ok) return s;
  if (Status s = RotateFlipPixels(m_pixels, combined); s != Status::Ok) return s;
  m_pendingMirror = 0;
  m_reserve = PixelBuffer{};
  m_stamp = NextStamp();
  return Status::Ok;
}

Status Bitmap::LockBits(const Rect* rect, uint32_t mode, PixelFormat format, BitmapData& data) {
  if (m_lock) return Status::WrongState;
  const Rect area = rect ? *rect : Rect{0, 0, static_cast<int32_t>(Width()), static_cast<int32_t>(Height())};
  if (!InsideBitmap(area, Width(), Height()) || !IsValidPixelFormat(format) ||
      (mode & (kImageLockModeRead | kImageLockModeWrite)) == 0 ||
      (mode & ~(kImageLockModeRead | kImageLockModeWrite)) != 0)
    return Status::InvalidParameter;

  if (Status s = Wake(); s != Status::Ok) return s;
  ApplyPendingMirror();
  if (mode & kImageLockModeWrite) {
    // The caller may write anywhere in the locked rows, and an unlock writes back no more than them.
    const auto top = static_cast<uint32_t>(area.y);
    const uint32_t bottom = top + static_cast<uint32_t>(area.height);
    if (Status s = m_pixels.MakeAreaUnique(0, top, Width(), bottom); s != Status::Ok) return s;
    m_stamp = NextStamp();
  }
  auto lock = std::make_unique<LockState>();
  lock->rect = area;
  lock->mode = mode;
  lock->format = format;
  const uint32_t bits = BitsPerPixel(Format());
  if (format == Format() && (static_cast<uint64_t>(area.x) * bits) % 8 == 0) {
    lock->scan0 = m_pixels.Row(static_cast<uint32_t>(area.y)) + static_cast<size_t>(area.x) * bits / 8;
    data.stride = static_cast<int32_t>(m_pixels.Stride());
  } else {
    auto own = ExtractArea(m_pixels, area);
    if (!own.Ok()) return own.GetStatus();
    auto converted = ConvertFormat(own.Value(), format, NoLimits());
    if (!converted.Ok()) return converted.GetStatus();
    lock->converted = std::move(converted.Value());
    lock->scan0 = lock->converted.Data();
    data.stride = static_cast<int32_t>(lock->converted.Stride());
  }
  data.width = static_cast<uint32_t>(area.width);
  data.height = static_cast<uint32_t>(area.height);
  data.format = format;
  data.scan0 = lock->scan0;
  m_lock = std::move(lock);
  return Status::Ok;
}

Status Bitmap::UnlockBits(BitmapData& data) {
  if (!m_lock) return Status::WrongState;
  if (data.scan0 != m_lock->scan0) return Status::InvalidParameter;
  std::unique_ptr<LockState> lock = std::move(m_lock);
  if ((lock->mode & kImageLockModeWrite) == 0 || lock->converted.Empty()) return Status::Ok;
  // Back into the bitmap's own format, then into place.
  auto own = PixelBuffer::Allocate(Format(), lock->converted.Width(), lock->converted.Height(), PixelBuffer::Init::Zero,
                                   NoLimits());
  if (!own.Ok()) return own.GetStatus();
  own.Value().GetPalette() = m_pixels.GetPalette();
  if (Status s = ConvertPixels(lock->converted.View(), lock->converted.GetPalette(), own.Value().View(),
                               own.Value().GetPalette());
      s != Status::Ok)
    return s;
  CopyArea(own.Value().View(), 0, 0, m_pixels.View(), static_cast<uint32_t>(lock->rect.x),
           static_cast<uint32_t>(lock->rect.y), own.Value().Width(), own.Value().Height());
  return Status::Ok;
}

Result<Bitmap::Ptr> Bitmap::GetThumbnail(uint32_t width, uint32_t height) const {
  if (m_lock) return Status::WrongState;
  if (width == 0 || height == 0) return Status::InvalidParameter;
  if (Status s = Wake(); s != Status::Ok) return s;
  // Translucent pixels are filtered premultiplied so that hidden colours do not bleed into visible ones.
  const bool alpha = HasAlpha(Format()) || (IsIndexed(Format()) && (GetPalette().flags & kPaletteHasAlpha));
  const PixelFormat work = alpha ? PixelFormat::PARGB32bpp : PixelFormat::RGB32bpp;
  Result<PixelBuffer> source = PixelBuffer{};
  const PixelBuffer* from = &Pixels();
  // The resampler reads 24-bit photos as they are: converting 24 megapixels first would cost more than the filter.
  if (Format() != work && Format() != PixelFormat::RGB24bpp) {
    source = ConvertFormat(Pixels(), work, NoLimits());
    if (!source.Ok()) return source.GetStatus();
    from = &source.Value();
  }
  // Opaque pictures are resampled straight into their 24-bit result.
  auto scaled =
      PixelBuffer::Allocate(alpha ? work : PixelFormat::RGB24bpp, width, height, PixelBuffer::Init::Uninitialized);
  if (!scaled.Ok()) return scaled.GetStatus();
  if (Status s = ResampleAll(from->View(), scaled.Value().View(), ResampleFilter::Bicubic); s != Status::Ok) return s;
  if (!alpha) return FromPixels(std::move(scaled.Value()), m_properties);
  auto result = ConvertFormat(scaled.Value(), PixelFormat::ARGB32bpp);
  if (!result.Ok()) return result.GetStatus();
  return FromPixels(std::move(result.Value()), m_properties);
}

Status Bitmap::GetFrameDimensionsList(std::span<Guid> dimensions) const {
  if (dimensions.size() != FrameDimensionsCount()) return Status::InvalidParameter;
  dimensions[0] = m_decoder ? m_decoder->FrameDimension() : kFrameDimensionPage;
  return Status::Ok;
}

Status Bitmap::GetFrameCount(const Guid& dimension, uint32_t& count) const {
  const Guid& own = m_decoder ? m_decoder->FrameDimension() : kFrameDimensionPage;
  if (dimension != own) return Status::InvalidParameter;
  count = m_decoder ? m_decoder->FrameCount() : 1;
  return Status::Ok;
}

Status Bitmap::SelectActiveFrame(const Guid& dimension, uint32_t index) {
  if (m_lock) return Status::WrongState;
  uint32_t count = 0;
  if (Status s = GetFrameCount(dimension, count); s != Status::Ok) return s;
  if (index >= count) return Status::InvalidParameter;
  if (index == m_activeFrame) return Status::Ok;
  DecodedFrame frame;
  if (Status s = m_decoder->DecodeFrame(index, frame); s != Status::Ok) return s;
  ApplyColorOptions(frame, m_decodeOptions);
  m_pixels = std::move(frame.pixels);
  m_pendingMirror = 0;
  m_reserve = PixelBuffer{};
  m_stamp = NextStamp();
  m_properties = std::move(frame.properties);
  m_activeFrame = index;
  return Status::Ok;
}

void Bitmap::GetPropertySize(uint32_t& totalBytes, uint32_t& count) const {
  size_t total = m_properties.size() * sizeof(PropertyItemRecord);
  for (const auto& item : m_properties) total += item.value.size();
  totalBytes = static_cast<uint32_t>(total);
  count = static_cast<uint32_t>(m_properties.size());
}

Status Bitmap::GetAllPropertyItems(uint32_t totalBytes, uint32_t count, PropertyItemRecord* buffer) const {
  uint32_t wantBytes = 0, wantCount = 0;
  GetPropertySize(wantBytes, wantCount);
  if (buffer == nullptr || totalBytes != wantBytes || count != wantCount) return Status::InvalidParameter;
  auto* values = reinterpret_cast<uint8_t*>(buffer + count);
  for (uint32_t i = 0; i < count; ++i) {
    const PropertyItem& item = m_properties[i];
    buffer[i] = {item.id, static_cast<uint32_t>(item.value.size()), item.type, values};
    if (!item.value.empty()) std::memcpy(values, item.value.data(), item.value.size());
    values += item.value.size();
  }
  return Status::Ok;
}

Status Bitmap::GetPropertyItemSize(uint32_t id, uint32_t& size) const {
  for (const auto& item : m_properties) {
    if (item.id != id) continue;
    size = static_cast<uint32_t>(sizeof(PropertyItemRecord) + item.value.size());
    return Status::Ok;
  }
  return Status::PropertyNotFound;
}

Status Bitmap::GetPropertyItem(uint32_t id, uint32_t size, PropertyItemRecord* buffer) const {
  if (buffer == nullptr) return Status::InvalidParameter;
  for (const auto& item : m_properties) {
    if (item.id != id) continue;
    if (size != sizeof(PropertyItemRecord) + item.value.size()) return Status::InvalidParameter;
    auto* value = reinterpret_cast<uint8_t*>(buffer + 1);
    *buffer = {item.id, static_cast<uint32_t>(item.value.size()), item.type, value};
    if (!item.value.empty()) std::memcpy(value, item.value.data(), item.value.size());
    return Status::Ok;
  }
  return Status::PropertyNotFound;
}

Status Bitmap::SetPropertyItem(const PropertyItemRecord& record) {
  if (record.length > 0 && record.value == nullptr) return Status::InvalidParameter;
  const auto* bytes = static_cast<const uint8_t*>(record.value);
  PropertyItem item{record.id, record.type, std::vector<uint8_t>(bytes, bytes + record.length)};
  for (auto& existing : m_properties) {
    if (existing.id == record.id) {
      existing = std::move(item);
      return Status::Ok;
    }
  }
  m_properties.push_back(std::move(item));
  return Status::Ok;
}

Status Bitmap::RemovePropertyItem(uint32_t id) {
  for (auto it = m_properties.begin(); it != m_properties.end(); ++it) {
    if (it->id == id) {
      m_properties.erase(it);
      return Status::Ok;
    }
  }
  return Status::PropertyNotFound;
}

Status Bitmap::SaveToMemory(const Guid& encoderClsid, EncoderParameters parameters, std::vector<uint8_t>& out) const {
  if (m_lock) return Status::WrongState;
  const ImageEncoderFn encode = FindEncoder(encoderClsid);
  if (encode == nullptr) return Status::FileNotFound;
  if (Status s = Wake(); s != Status::Ok) return s;
  Bytes bytes;
  if (Status s = encode(Pixels(), m_properties, parameters, bytes); s != Status::Ok) return s;
  out = std::move(bytes);
  return Status::Ok;
}

Status Bitmap::Save(const std::string& path, const Guid& encoderClsid, EncoderParameters parameters) const {
  if (!base::IsUsablePath(path)) return Status::InvalidParameter;
  if (m_lock) return Status::WrongState;
  if (FindEncoder(encoderClsid) == nullptr) return Status::FileNotFound;
  if (Status s = Wake(); s != Status::Ok) return s;
  // Straight into the file: only WebP's file is held whole beside the picture.
  FileSink file;
  if (Status s = file.Open(path); s != Status::Ok) return s;
  if (Status s = EncodePicture(Pixels(), encoderClsid, m_properties, parameters, file); s != Status::Ok) return s;
  return file.Commit();
}

}  // namespace tavlen::gfx
