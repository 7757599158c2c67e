// GIF decoding through giflib: every frame composed on the logical screen as a viewer shows it.
//
// Frame i is the screen after drawing frames 0..i with their disposal methods and transparency. A frame comes out
// as Indexed8bpp with its own palette (local map, else global map), the transparent index at alpha 0; a frame that
// shows colours its palette does not hold (left over from frames with other palettes) comes out as ARGB32bpp.
// Screen pixels no frame has covered take the transparent index when the frame has one, else the background index.
// Frames are clipped to the logical screen; a screen with a zero side takes the first frame's extent.
// A damaged file keeps the frames read before the damage; the rows of a cut-off frame that were read are shown.
// Memory follows the data: a frame keeps only the rows read, and a screen over 8 megapixels is cut to the
// extent of those rows, beyond which it would show only background that a few header bytes can claim.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/frame_timing.h"
#include "platform/graphics/limit_refusal.h"

namespace tavlen::gfx {
namespace {

constexpr uint32_t kUncovered = 0xFFFFFFFFu;  // canvas cell no frame has drawn
// Frames beyond this many are dropped: giflib's own bookkeeping grows with every frame.
constexpr size_t kMaxFrames = 1u << 16;
// An LZW code of s bits stands for at most 2^s pixels (the table then holds fewer than 2^s strings, each one
// longer than the one before), so a byte of image data gives at most 8 * 4096 / 12 pixels.
constexpr uint64_t kMaxPixelsPerByte = 2731;
// Screens up to this many pixels are kept whole even where no frame reaches: their canvas and output
// (5 bytes a pixel) stay within about 40 MB whatever the file holds.
constexpr uint64_t kLargeScreenPixels = 1u << 23;
constexpr int kGraphicsControl = 0xF9;
constexpr int kApplication = 0xFF;

struct Source {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
};

int ReadBytes(GifFileType* gif, GifByteType* out, int count) {
  auto* src = static_cast<Source*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(std::max(count, 0)), src->size - src->pos);
  std::memcpy(out, src->data + src->pos, n);
  src->pos += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

Status StatusOfGifError(int error) {
  switch (error) {
    case D_GIF_ERR_NOT_GIF_FILE:
      return Status::UnknownImageFormat;
    case D_GIF_ERR_NOT_ENOUGH_MEM:
      return Status::OutOfMemory;
    default:
      return Status::GenericError;
  }
}

// One image descriptor's pixels, clipped to the screen.
struct RawFrame {
  uint32_t left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> indices;  // the rows read, in the order read, width bytes each
  std::vector<uint32_t> rows;    // the frame row of each row in `indices`
  uint32_t paletteId = 0;        // 0: the global map, else 1 + the frame's number in m_palettes
  int transparent = -1;
  int disposal = 0;
  uint16_t delay = 0;
};

struct ControlBlock {
  int transparent = -1;
  int disposal = 0;
  uint16_t delay = 0;
};

std::vector<uint32_t> EntriesOf(const ColorMapObject* map) {
  std::vector<uint32_t> entries;
  if (map == nullptr || map->Colors == nullptr) return entries;
  for (int i = 0; i < map->ColorCount; ++i) {
    const GifColorType& c = map->Colors[i];
    entries.push_back(0xFF000000u | uint32_t{c.Red} << 16 | uint32_t{c.Green} << 8 | c.Blue);
  }
  return entries;
}

class GifDecoder final : public ImageDecoder {
 public:
  explicit GifDecoder(const DecodeLimits& limits) : m_limits(limits) {}

  const Guid& FrameDimension() const override { return kFrameDimensionTime; }
  uint32_t FrameCount() const override { return static_cast<uint32_t>(m_frames.size()); }

  Status Parse(const Bytes& bytes);
  Status DecodeFrame(uint32_t index, DecodedFrame& out) override;

 private:
  Status ReadFrame(GifFileType* gif, const ControlBlock& control, bool& complete);
  void ReadExtension(GifFileType* gif, ControlBlock& control, bool& ok);
  void BuildProperties();
  void CutScreenToFrames();
  void Draw(const RawFrame& f);
  void SaveRect(const RawFrame& f);
  void RestoreRect(const RawFrame& f);
  uint32_t ColourOf(uint32_t cell) const;
  Status Render(const RawFrame& f, PixelBuffer& out) const;

  DecodeLimits m_limits;
  uint32_t m_width = 0;
  uint32_t m_height = 0;
  bool m_hasGlobal = false;
  uint32_t m_background = 0;
  int m_loopCount = -1;
  uint64_t m_pixelsRead = 0;
  std::vector<std::vector<uint32_t>> m_palettes;
  std::vector<RawFrame> m_frames;
  std::vector<PropertyItem> m_properties;

  // The screen as it is before frame m_canvasFrame is drawn; cells are paletteId << 8 | index.
  std::vector<uint32_t> m_canvas;
  std::vector<uint32_t> m_saved;
  uint32_t m_canvasFrame = 0;
};

Status GifDecoder::Parse(const Bytes& bytes) {
  Source src{bytes.data(), bytes.size(), 0};
  int error = 0;
  GifPtr gif(DGifOpen(&src, ReadBytes, &error));
  if (!gif) return StatusOfGifError(error);
  m_width = static_cast<uint32_t>(std::max(gif->SWidth, 0));
  m_height = static_cast<uint32_t>(std::max(gif->SHeight, 0));
  m_hasGlobal = gif->SColorMap != nullptr;
  m_background = static_cast<uint32_t>(std::max(gif->SBackGroundColor, 0));
  m_palettes.push_back(m_hasGlobal ? EntriesOf(gif->SColorMap) : DefaultPalette(PixelFormat::Indexed8bpp).entries);

  ControlBlock control;
  bool more = true;
  while (more && m_frames.size() < kMaxFrames) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) break;
    switch (type) {
      case IMAGE_DESC_RECORD_TYPE: {
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
          more = false;
          break;
        }
        bool complete = false;
        if (Status s = ReadFrame(gif.get(), control, complete); s != Status::Ok) {
          if (m_frames.empty()) return s;
          more = false;
        }
        more = more && complete;
        control = ControlBlock{};
        // giflib keeps a record of every descriptor it reads, growing its array by one entry each time
        // and copying each local colour table into it. We keep frames of our own: dropping its records
        // keeps a file of many frames linear in time and memory.
        GifFreeSavedImages(gif.get());
        gif->ImageCount = 0;
        break;
      }
      case EXTENSION_RECORD_TYPE:
        ReadExtension(gif.get(), control, more);
        break;
      default:  // the trailer, or a record type that cannot be read past
        more = false;
        break;
    }
  }
  if (m_frames.empty()) return Status::GenericError;
  CutScreenToFrames();
  BuildProperties();
  return Status::Ok;
}

void GifDecoder::ReadExtension(GifFileType* gif, ControlBlock& control, bool& ok) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
    ok = false;
    return;
  }
  bool looping = false;
  if (block != nullptr && code == kGraphicsControl && block[0] >= 4) {
    control.disposal = (block[1] >> 2) & 7;
    control.transparent = (block[1] & 1) != 0 ? block[4] : -1;
    control.delay = static_cast<uint16_t>(block[2] | block[3] << 8);
  }
  if (block != nullptr && code == kApplication && block[0] == 11 &&
      (std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 || std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0)) {
    looping = true;
  }
  while (block != nullptr) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
      ok = false;
      return;
    }
    if (looping && block != nullptr && block[0] >= 3 && block[1] == 1 && m_loopCount < 0)
      m_loopCount = block[2] | block[3] << 8;
  }
}

Status GifDecoder::ReadFrame(GifFileType* gif, const ControlBlock& control, bool& complete) {
  const GifImageDesc& desc = gif->Image;
  const uint32_t fx = static_cast<uint32_t>(std::max(desc.Left, 0));
  const uint32_t fy = static_cast<uint32_t>(std::max(desc.Top, 0));
  const uint32_t fw = static_cast<uint32_t>(std::max(desc.Width, 0));
  const uint32_t fh = static_cast<uint32_t>(std::max(desc.Height, 0));
  if (m_frames.empty()) {
    if (m_width == 0 || m_height == 0) m_width = fx + fw, m_height = fy + fh;
    // Room for a frame that has to fall back to 32 bits per pixel.
    if (Status s = CheckImageSize(PixelFormat::ARGB32bpp, m_width, m_height, m_limits); s != Status::Ok) return s;
  }
  // Every pixel a frame declares has to be decompressed, even off screen: bound the work and the memory.
  m_pixelsRead += uint64_t{fw} * fh;
  if (m_pixelsRead > m_limits.maxPixelBytes) {
    NoteRefusal(Refusal::Memory);
    return Status::OutOfMemory;
  }

  RawFrame f;
  f.left = std::min(fx, m_width);
  f.top = std::min(fy, m_height);
  f.width = std::min<uint64_t>(uint64_t{fx} + fw, m_width) - f.left;
  f.height = std::min<uint64_t>(uint64_t{fy} + fh, m_height) - f.top;
  f.transparent = control.transparent;
  f.disposal = control.disposal;
  f.delay = control.delay;
  try {
    // Rows the data left in the file can fill at most: a cut-off frame costs what it holds.
    const auto* src = static_cast<const Source*>(gif->UserData);
    const uint64_t backedRows = fw == 0 ? 0 : (src->size - src->pos) * kMaxPixelsPerByte / fw + 1;
    f.indices.reserve(static_cast<size_t>(std::min<uint64_t>(f.height, backedRows) * f.width));
    if (desc.ColorMap != nullptr) {
      m_palettes.push_back(EntriesOf(desc.ColorMap));
      f.paletteId = static_cast<uint32_t>(m_palettes.size() - 1);
    }
    complete = true;
    if (fw == 0 || fh == 0) {
      // No rows to read, but the image data blocks still have to be skipped.
      int codeSize = 0;
      GifByteType* block = nullptr;
      if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) complete = false;
      while (complete && block != nullptr)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) complete = false;
    } else {
      std::vector<GifPixelType> line(fw);
      static constexpr uint32_t kStart[] = {0, 4, 2, 1};
      static constexpr uint32_t kStep[] = {8, 8, 4, 2};
      const int passes = desc.Interlace ? 4 : 1;
      for (int pass = 0; pass < passes && complete; ++pass) {
        const uint32_t start = desc.Interlace ? kStart[pass] : 0;
        const uint32_t step = desc.Interlace ? kStep[pass] : 1;
        for (uint32_t r = start; r < fh; r += step) {
          if (DGifGetLine(gif, line.data(), static_cast<int>(fw)) == GIF_ERROR) {
            complete = false;
            break;
          }
          const uint64_t y = uint64_t{fy} + r;
          if (y < f.top || y >= uint64_t{f.top} + f.height || f.width == 0) continue;
          const uint32_t row = static_cast<uint32_t>(y - f.top);
          f.indices.insert(f.indices.end(), line.begin() + (f.left - fx), line.begin() + (f.left - fx + f.width));
          f.rows.push_back(row);
        }
      }
    }
    if (complete || !f.rows.empty()) m_frames.push_back(std::move(f));
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  return Status::Ok;
}

void GifDecoder::BuildProperties() {
  std::vector<uint32_t> delays;
  for (const auto& f : m_frames) delays.push_back(f.delay);
  m_properties.push_back({0x5100, kPropertyTagTypeLong, LittleEndianBytes(delays)});
  if (m_loopCount >= 0) {
    m_properties.push_back(
        {0x5101, kPropertyTagTypeShort, LittleEndianBytes(std::vector<uint16_t>{static_cast<uint16_t>(m_loopCount)})});
  }
  if (m_hasGlobal) {
    std::vector<uint8_t> rgb;
    for (uint32_t c : m_palettes[0]) rgb.insert(rgb.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    m_properties.push_back({0x5102, kPropertyTagTypeByte, std::move(rgb)});
    m_properties.push_back({0x5103, kPropertyTagTypeByte, {static_cast<uint8_t>(m_background)}});
  }
}

void GifDecoder::CutScreenToFrames() {
  if (uint64_t{m_width} * m_height <= kLargeScreenPixels) return;
  uint32_t right = 1, bottom = 1;
  for (const RawFrame& f : m_frames) {
    if (f.rows.empty() || f.width == 0) continue;
    right = std::max(right, f.left + f.width);
    bottom = std::max(bottom, f.top + *std::max_element(f.rows.begin(), f.rows.end()) + 1);
  }
  m_width = std::min(m_width, right), m_height = std::min(m_height, bottom);
  for (RawFrame& f : m_frames) {
    f.left = std::min(f.left, m_width), f.top = std::min(f.top, m_height);
    f.width = std::min(f.width, m_width - f.left), f.height = std::min(f.height, m_height - f.top);
  }
}

void GifDecoder::Draw(const RawFrame& f) {
  if (f.width == 0) return;
  for (size_t i = 0; i < f.rows.size(); ++i) {
    const uint8_t* src = &f.indices[i * f.width];
    uint32_t* dst = &m_canvas[size_t{f.top + f.rows[i]} * m_width + f.left];
    const uint32_t base = f.paletteId << 8;
    for (uint32_t x = 0; x < f.width; ++x)
      if (src[x] != f.transparent) dst[x] = base | src[x];
  }
}

void GifDecoder::SaveRect(const RawFrame& f) {
  m_saved.resize(size_t{f.width} * f.height);
  if (m_saved.empty()) return;  // a frame clipped away to nothing covers no pixel
  for (uint32_t r = 0; r < f.height; ++r)
    std::copy_n(&m_canvas[size_t{f.top + r} * m_width + f.left], f.width, &m_saved[size_t{r} * f.width]);
}

void GifDecoder::RestoreRect(const RawFrame& f) {
  if (size_t{f.width} * f.height == 0) return;
  for (uint32_t r = 0; r < f.height; ++r)
    std::copy_n(&m_saved[size_t{r} * f.width], f.width, &m_canvas[size_t{f.top + r} * m_width + f.left]);
}

uint32_t GifDecoder::ColourOf(uint32_t cell) const {
  const auto& pal = m_palettes[cell >> 8];
  const uint32_t index = cell & 0xFF;
  return index < pal.size() ? pal[index] : 0xFF000000u;
}

Status GifDecoder::Render(const RawFrame& f, PixelBuffer& out) const {
  Palette pal;
  pal.entries = m_palettes[f.paletteId];
  const int t = f.transparent;
  if (t >= 0) {
    if (pal.entries.size() <= static_cast<size_t>(t)) pal.entries.resize(static_cast<size_t>(t) + 1, 0xFF000000u);
    pal.entries[static_cast<size_t>(t)] &= 0x00FFFFFFu;
    pal.flags |= kPaletteHasAlpha;
  }
  const uint32_t background = m_hasGlobal ? m_background : f.paletteId << 8;
  const size_t count = size_t{m_width} * m_height;

  auto indexed = PixelBuffer::Allocate(PixelFormat::Indexed8bpp, m_width, m_height, PixelBuffer::Init::Zero, m_limits);
  if (!indexed.Ok()) return indexed.GetStatus();
  PixelBuffer img = std::move(indexed).Value();
  std::unordered_map<uint32_t, uint8_t> lookup;
  for (size_t i = pal.entries.size(); i-- > 0;)
    if (static_cast<int>(i) != t) lookup[pal.entries[i]] = static_cast<uint8_t>(i);
  bool fits = true;
  for (size_t p = 0; p < count && fits; ++p) {
    uint32_t cell = m_canvas[p];
    uint8_t* dst = img.Row(static_cast<uint32_t>(p / m_width)) + p % m_width;
    if (cell == kUncovered) {
      if (t >= 0) {
        *dst = static_cast<uint8_t>(t);
        continue;
      }
      cell = background;
    }
    const uint32_t index = cell & 0xFF;
    if ((cell >> 8) == f.paletteId && static_cast<int>(index) != t && index < pal.entries.size()) {
      *dst = static_cast<uint8_t>(index);
      continue;
    }
    auto it = lookup.find(ColourOf(cell));
    if (it == lookup.end()) {
      fits = false;
    } else {
      *dst = it->second;
    }
  }
  if (fits) {
    img.GetPalette() = std::move(pal);
    out = std::move(img);
    return Status::Ok;
  }

  auto wide = PixelBuffer::Allocate(PixelFormat::ARGB32bpp, m_width, m_height, PixelBuffer::Init::Zero, m_limits);
  if (!wide.Ok()) return wide.GetStatus();
  img = std::move(wide).Value();
  for (size_t p = 0; p < count; ++p) {
    const uint32_t cell = m_canvas[p];
    const uint32_t argb = cell != kUncovered ? ColourOf(cell) : t >= 0 ? 0u : ColourOf(background);
    uint8_t* dst = img.Row(static_cast<uint32_t>(p / m_width)) + 4 * (p % m_width);
    dst[0] = static_cast<uint8_t>(argb);
    dst[1] = static_cast<uint8_t>(argb >> 8);
    dst[2] = static_cast<uint8_t>(argb >> 16);
    dst[3] = static_cast<uint8_t>(argb >> 24);
  }
  out = std::move(img);
  return Status::Ok;
}

Status GifDecoder::DecodeFrame(uint32_t index, DecodedFrame& out) {
  if (index >= m_frames.size()) return Status::InvalidParameter;
  try {
    if (m_canvas.empty() || m_canvasFrame > index) {
      m_canvas.assign(size_t{m_width} * m_height, kUncovered);
      m_canvasFrame = 0;
    }
    for (; m_canvasFrame < index; ++m_canvasFrame) {
      const RawFrame& f = m_frames[m_canvasFrame];
      if (f.disposal == 3) SaveRect(f);
      Draw(f);
      if (f.disposal == 2 && f.width != 0) {
        for (uint32_t r = 0; r < f.height; ++r)
          std::fill_n(&m_canvas[size_t{f.top + r} * m_width + f.left], f.width, kUncovered);
      } else if (f.disposal == 3) {
        RestoreRect(f);
      }
    }
    // Draw the frame, render, and undo the drawing so the canvas stays the state before it.
    const RawFrame& f = m_frames[index];
    SaveRect(f);
    Draw(f);
    PixelBuffer pixels;
    const Status s = Render(f, pixels);
    RestoreRect(f);
    if (s != Status::Ok) return s;
    out.pixels = std::move(pixels);
    out.properties = m_properties;
  } catch (const std::bad_alloc&) {
    m_canvas.clear();
    return Status::OutOfMemory;
  }
  return Status::Ok;
}

}  // namespace

Status OpenGifDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data) return Status::InvalidParameter;
  if (data->size() < 6 || std::memcmp(data->data(), "GIF8", 4) != 0) return Status::UnknownImageFormat;
  if (data->size() > limits.maxFileBytes) return Status::OutOfMemory;
  auto decoder = std::unique_ptr<GifDecoder>(new (std::nothrow) GifDecoder(limits));
  if (!decoder) return Status::OutOfMemory;
  try {
    if (Status s = decoder->Parse(*data); s != Status::Ok) return s;
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  out = std::move(decoder);
  return Status::Ok;
}

}  // namespace tavlen::gfx
