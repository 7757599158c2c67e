// The image object of the imaging library: pixels of the active frame, its frames and its property items.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/graphics/decode_options.h"
#include "platform/graphics/encoder_parameters.h"
#include "platform/graphics/image_guids.h"
#include "platform/graphics/limit_policy.h"
#include "platform/graphics/pixel_buffer.h"
#include "platform/graphics/property_item.h"

namespace tavlen::gfx {

class ImageDecoder;

enum class RotateFlipType : int32_t {
  RotateNoneFlipNone = 0,
  Rotate90FlipNone = 1,
  Rotate180FlipNone = 2,
  Rotate270FlipNone = 3,
  RotateNoneFlipX = 4,
  Rotate90FlipX = 5,
  Rotate180FlipX = 6,
  Rotate270FlipX = 7,
  RotateNoneFlipY = 6,
  Rotate90FlipY = 7,
  Rotate180FlipY = 4,
  Rotate270FlipY = 5,
};

enum ImageLockMode : uint32_t { kImageLockModeRead = 1, kImageLockModeWrite = 2 };

struct Rect {
  int32_t x = 0, y = 0, width = 0, height = 0;
};

// What LockBits hands out: row y of the locked area starts at scan0 + y * stride.
struct BitmapData {
  uint32_t width = 0;
  uint32_t height = 0;
  int32_t stride = 0;
  PixelFormat format = PixelFormat::DontCare;
  void* scan0 = nullptr;
};

class Bitmap {
 public:
  using Ptr = std::unique_ptr<Bitmap>;

  // Decodes a file chosen by its content. FileNotFound, AccessDenied (directory, unreadable),
  // UnknownImageFormat (empty or unrecognised), OutOfMemory (over the limits), or the decoder's status.
  // The options hold for every frame of the file.
  static Result<Ptr> FromFile(const std::string& path, const DecodeLimits& limits = ProcessLimits(),
                              const DecodeOptions& options = {});
  static Result<Ptr> FromMemory(std::span<const uint8_t> bytes, const DecodeLimits& limits = ProcessLimits(),
                                const DecodeOptions& options = {});
  // Library-owned pixels, all zero, with the format's default palette.
  static Result<Ptr> Create(uint32_t width, uint32_t height, PixelFormat format);
  // Takes pixels made elsewhere in the library (painter, metafile renderer).
  static Ptr FromPixels(PixelBuffer pixels, std::vector<PropertyItem> properties = {});

  ~Bitmap();

  uint32_t Width() const { return m_pixels.Width(); }
  uint32_t Height() const { return m_pixels.Height(); }
  PixelFormat Format() const { return m_pixels.Format(); }
  // The file format it was decoded from; kImageFormatMemoryBmp for bitmaps made in memory.
  const Guid& RawFormat() const { return m_rawFormat; }
  const Palette& GetPalette() const { return m_pixels.GetPalette(); }
  // InvalidParameter when the palette has more entries than the format can index.
  Status SetPalette(const Palette& palette);

  // Independent copies: the pixels are shared until either side writes, so a copy costs no pixel
  // memory until then. CloneArea takes the area in pixels as floats (rounded to whole pixels) and a
  // target format, DontCare keeping the source's. InvalidParameter for an area outside the bitmap.
  // A Clone keeps every frame; a CloneArea holds the active frame only.
  Result<Ptr> Clone() const;
  Result<Ptr> CloneArea(float x, float y, float width, float height, PixelFormat format) const;
  // A copy of the active frame for a holder that does not look at it until much later (an undo
  // snapshot): its pixels stay shared while the original writes a few rows in place, and become
  // ordinary ones the first time anything looks at them (Wake). Copies made of it are ordinary.
  // WrongState while locked.
  Result<Ptr> CloneDormant() const;
  // Makes a dormant copy an ordinary one with its pixels as they were when it was made: still shared
  // when no row of them has changed since, else a copy of its own. Nothing for other bitmaps;
  // OutOfMemory leaves it dormant. Every member that reads or writes pixels wakes it first, except
  // the const Pixels(), whose caller must have woken it.
  Status Wake() const;

  Status RotateFlip(RotateFlipType type);

  // Lock a rectangle (null: the whole bitmap) for reading and/or writing in 1bppIndexed, 24bppRGB,
  // 32bppARGB or any other valid format; converted on lock and, after a write lock, back on unlock.
  // WrongState when already locked; InvalidParameter for a rectangle outside the bitmap.
  Status LockBits(const Rect* rect, uint32_t mode, PixelFormat format, BitmapData& data);
  Status UnlockBits(BitmapData& data);
  bool IsLocked() const { return m_lock != nullptr; }

  // Exactly width x height pixels, resampled with a prefiltered bicubic filter; 32bppARGB when the
  // source has alpha, else 24bppRGB. InvalidParameter for a zero side.
  Result<Ptr> GetThumbnail(uint32_t width, uint32_t height) const;

  // Frames. A bitmap made in memory has one page.
  uint32_t FrameDimensionsCount() const { return 1; }
  Status GetFrameDimensionsList(std::span<Guid> dimensions) const;
  Status GetFrameCount(const Guid& dimension, uint32_t& count) const;
  // Decodes frame `index` into the bitmap, replacing its pixels and property items.
  // InvalidParameter for another dimension or an index out of range; nothing changes then.
  Status SelectActiveFrame(const Guid& dimension, uint32_t index);

  // Property items, in the flat layout callers allocate for.
  void GetPropertySize(uint32_t& totalBytes, uint32_t& count) const;
  Status GetAllPropertyItems(uint32_t totalBytes, uint32_t count, PropertyItemRecord* buffer) const;
  Status GetPropertyItemSize(uint32_t id, uint32_t& size) const;
  Status GetPropertyItem(uint32_t id, uint32_t size, PropertyItemRecord* buffer) const;
  // Replaces the item with the same id or adds one; the value bytes are copied.
  Status SetPropertyItem(const PropertyItemRecord& item);
  Status RemovePropertyItem(uint32_t id);
  const std::vector<PropertyItem>& PropertyItems() const { return m_properties; }

  // Encodes the active frame with the encoder of that class identifier and writes it atomically.
  // FileNotFound for an unknown encoder; the encoder's status otherwise. A failed save writes nothing.
  Status Save(const std::string& path, const Guid& encoderClsid, EncoderParameters parameters = {}) const;
  Status SaveToMemory(const Guid& encoderClsid, EncoderParameters parameters, std::vector<uint8_t>& out) const;

  // Changes whenever the pixels may change (writable access, write locks, turns, palettes, frames) and
  // differs between any two bitmaps of the process: what a cache of rendered pixels is keyed on.
  uint64_t ContentStamp() const { return m_stamp; }

  // Gives the bitmap pixels of its own when they are shared with a copy. Writers call it before
  // Pixels(); OutOfMemory when the copy cannot be had (the pixels are then still shared).
  Status PrepareWrite();
  // As PrepareWrite for a writer that changes the pixels [x0, x1) of rows [y0, y1) only: when the
  // pixels are shared with dormant copies alone, they keep sharing everything else.
  Status PrepareWriteArea(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1);

  // Direct access for the library's own drawing code. Writable access takes pixels of its own (see
  // PrepareWrite, whose failure a writer must have seen first).
  PixelBuffer& Pixels() {
    Ignore(PrepareWrite());
    m_stamp = NextStamp();
    return m_pixels;
  }
  // Writable access to that area only, for a writer that has seen PrepareWriteArea succeed.
  PixelBuffer& PixelsForArea(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
    Ignore(PrepareWriteArea(x0, y0, x1, y1));
    m_stamp = NextStamp();
    return m_pixels;
  }
  const PixelBuffer& Pixels() const {
    ApplyPendingMirror();
    return m_pixels;
  }

 private:
  struct LockState;

  Bitmap() = default;
  static uint64_t NextStamp();
  static Result<Ptr> Decode(std::shared_ptr<const std::vector<uint8_t>> bytes, const DecodeLimits& limits,
                            const DecodeOptions& options);
  // The bitmap of a decoder's first frame; the decoder stays for the other frames.
  static Result<Ptr> FromDecoder(std::unique_ptr<ImageDecoder> decoder, const Guid& format,
                                 const DecodeOptions& options);
  void ApplyPendingMirror() const;
  // The active frame's pixels to copy from: shared, or for a dormant copy a copy of their own.
  Result<PixelBuffer> SharedPixels() const;
  Status ReserveForPendingMirror();

  // Half turns and mirrors are recorded and applied when the pixels are next looked at, so that
  // turns that cancel out (two half turns) cost nothing. The pending one is 0, 2, 4 or 6. Pixels
  // shared with a copy cannot be turned in place: a buffer for the turned copy is reserved when the
  // turn is asked for (where it can still fail), so that looking at them later cannot.
  mutable PixelBuffer m_pixels;
  mutable int m_pendingMirror = 0;
  mutable PixelBuffer m_reserve;
  std::vector<PropertyItem> m_properties;
  Guid m_rawFormat = kImageFormatMemoryBmp;
  std::shared_ptr<ImageDecoder> m_decoder;  // set for decoded files; frames are decoded on demand
  DecodeOptions m_decodeOptions;            // what the frames are decoded with
  uint32_t m_activeFrame = 0;
  std::unique_ptr<LockState> m_lock;
  uint64_t m_stamp = NextStamp();
};

}  // namespace tavlen::gfx
