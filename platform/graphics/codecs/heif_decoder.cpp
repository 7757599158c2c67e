// HEIF/HEIC decoder on libheif (opened on first use): every top-level image as a page, alpha, the
// file's crop, turn and mirror as libheif applies them, the ICC profile and EXIF items.
#include <algorithm>
#include <memory>

#include "platform/graphics/codecs/codec.h"
#include "platform/graphics/codecs/heif_library.h"
#include "platform/graphics/codecs/iso_media.h"
#include "platform/graphics/exif.h"
#include "platform/graphics/limit_refusal.h"

namespace tavlen::gfx {
namespace {

// A file with more top-level images than this is refused; real ones hold a few dozen at most.
constexpr int kMaxImages = 4096;
constexpr uint32_t kOrientationTag = 0x0112;

Status StatusOf(const heif_error& error) {
  switch (error.code) {
    case heif_error_Ok:
      return Status::Ok;
    case heif_error_Memory_allocation_error:
      return Status::OutOfMemory;
    case heif_error_Unsupported_feature:
    case heif_error_Unsupported_filetype:
      return Status::NotImplemented;
    default:
      return Status::GenericError;
  }
}

class HeifDecoder final : public ImageDecoder {
 public:
  HeifDecoder(const HeifLibrary& heif, SharedBytes data, const DecodeLimits& limits)
      : m_heif(heif), m_data(std::move(data)), m_limits(limits), m_context(heif.contextAlloc(), heif.contextFree) {}

  Status Open() {
    if (!m_context) return Status::OutOfMemory;
    // libheif refuses pictures wider or taller than this before it allocates them.
    m_heif.setMaximumImageSizeLimit(m_context.get(), static_cast<int>(std::min<uint32_t>(m_limits.maxSide, INT32_MAX)));
    if (Status s = StatusOf(m_heif.readFromMemory(m_context.get(), m_data->data(), m_data->size(), nullptr));
        s != Status::Ok)
      return s == Status::NotImplemented ? Status::GenericError : s;
    const int count = m_heif.topLevelImageCount(m_context.get());
    if (count < 1 || count > kMaxImages) return Status::GenericError;
    m_ids.resize(static_cast<size_t>(count));
    if (m_heif.topLevelImageIds(m_context.get(), m_ids.data(), count) != count) return Status::GenericError;
    return Status::Ok;
  }

  const Guid& FrameDimension() const override { return kFrameDimensionPage; }
  uint32_t FrameCount() const override { return static_cast<uint32_t>(m_ids.size()); }

  Status DecodeFrame(uint32_t index, DecodedFrame& out) override {
    if (index >= m_ids.size()) return Status::InvalidParameter;
    heif_image_handle* rawHandle = nullptr;
    if (Status s = StatusOf(m_heif.imageHandle(m_context.get(), m_ids[index], &rawHandle)); s != Status::Ok) return s;
    std::unique_ptr<heif_image_handle, decltype(m_heif.handleRelease)> handle(rawHandle, m_heif.handleRelease);
    const bool alpha = m_heif.handleHasAlpha(handle.get()) != 0;
    const PixelFormat format = alpha ? PixelFormat::ARGB32bpp : PixelFormat::RGB24bpp;
    const int width = m_heif.handleWidth(handle.get()), height = m_heif.handleHeight(handle.get());
    if (width <= 0 || height <= 0) return Status::GenericError;
    // The handle's size is the displayed one (after crop and turn); the coded one is no larger.
    if (Status s = CheckImageSize(format, static_cast<uint32_t>(width), static_cast<uint32_t>(height), m_limits);
        s != Status::Ok)
      return s;
    DecodedFrame frame;
    if (Status s = ReadTags(handle.get(), frame); s != Status::Ok) return s;

    heif_image* rawImage = nullptr;
    const heif_chroma chroma = alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    if (Status s = StatusOf(m_heif.decodeImage(handle.get(), &rawImage, heif_colorspace_RGB, chroma, nullptr));
        s != Status::Ok)
      return s == Status::NotImplemented ? Status::GenericError : s;
    std::unique_ptr<heif_image, decltype(m_heif.imageRelease)> image(rawImage, m_heif.imageRelease);
    const int w = m_heif.imageWidth(image.get()), h = m_heif.imageHeight(image.get());
    int stride = 0;
    const uint8_t* plane = m_heif.planeReadonly(image.get(), heif_channel_interleaved, &stride);
    if (plane == nullptr || w <= 0 || h <= 0 || stride <= 0) return Status::GenericError;
    auto pixels = PixelBuffer::Allocate(format, static_cast<uint32_t>(w), static_cast<uint32_t>(h),
                                        PixelBuffer::Init::Uninitialized, m_limits);
    if (!pixels.Ok()) return pixels.GetStatus();
    PixelBuffer& buffer = pixels.Value();
    const uint32_t channels = alpha ? 4 : 3;
    if (static_cast<uint64_t>(stride) < uint64_t{channels} * static_cast<uint32_t>(w)) return Status::GenericError;
    for (uint32_t y = 0; y < buffer.Height(); ++y) {
      const uint8_t* in = plane + size_t{y} * static_cast<size_t>(stride);
      uint8_t* row = buffer.Row(y);
      for (uint32_t x = 0; x < buffer.Width(); ++x, in += channels, row += channels) {
        row[0] = in[2], row[1] = in[1], row[2] = in[0];
        if (alpha) row[3] = in[3];
      }
    }
    frame.pixels = std::move(buffer);
    out = std::move(frame);
    return Status::Ok;
  }

 private:
  // The profile and the first readable EXIF block. libheif has already turned the picture as the file
  // says, so an EXIF orientation beside it is left out rather than applied a second time.
  Status ReadTags(const heif_image_handle* handle, DecodedFrame& frame) {
    try {
      if (const size_t size = m_heif.rawProfileSize(handle); size > 0 && size <= m_data->size()) {
        frame.color.iccProfile.resize(size);
        if (m_heif.rawProfile(handle, frame.color.iccProfile.data()).code != heif_error_Ok)
          frame.color.iccProfile.clear();
      }
      heif_item_id exifId = 0;
      if (m_heif.metadataIds(handle, "Exif", &exifId, 1) == 1) {
        const size_t size = m_heif.metadataSize(handle, exifId);
        if (size > 0 && size <= m_data->size()) {
          Bytes exif(size);
          if (m_heif.metadata(handle, exifId, exif.data()).code == heif_error_Ok &&
              !ParseEmbeddedExif(exif, frame.properties))
            frame.properties.clear();
        }
      }
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory;
    }
    std::erase_if(frame.properties, [](const PropertyItem& item) { return item.id == kOrientationTag; });
    return Status::Ok;
  }

  const HeifLibrary& m_heif;
  SharedBytes m_data;  // libheif reads from it without a copy
  DecodeLimits m_limits;
  std::unique_ptr<heif_context, decltype(&heif_context_free)> m_context;
  std::vector<heif_item_id> m_ids;
};

}  // namespace

Status OpenHeifDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& out) {
  if (!data || !HasIsoBrand(*data, {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"}))
    return Status::UnknownImageFormat;
  if (data->size() > limits.maxFileBytes) return Status::OutOfMemory;
  const HeifLibrary* heif = Heif();
  if (heif == nullptr) {
    // The caller's error text says why, as for a picture a decode limit refused.
    NoteMissingLibrary(HeifUnavailableReason());
    return Status::NotImplemented;
  }
  auto decoder = std::make_unique<HeifDecoder>(*heif, std::move(data), limits);
  if (Status s = decoder->Open(); s != Status::Ok) return s;
  out = std::move(decoder);
  return Status::Ok;
}

}  // namespace tavlen::gfx
