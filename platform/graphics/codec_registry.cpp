// The table of codecs: content sniffing for decoders, the encoder list and its flat copy for callers.
#include "platform/graphics/codec_registry.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "platform/graphics/codecs/png_file.h"
#include "platform/graphics/metafile/metafile_decoders.h"
#include "platform/graphics/status_file_io.h"

namespace tavlen::gfx {
namespace {

struct EncoderEntry {
  ImageCodecInfo info;
  ImageEncoderFn encode;
};

constexpr uint32_t kEncoderFlags = kCodecEncoder | kCodecDecoder | kCodecSupportBitmap | kCodecBuiltin;

constexpr EncoderEntry kEncoders[] = {
    {{kBmpEncoderClsid, kImageFormatBmp, "Built-in BMP Codec", "BMP", "*.BMP;*.DIB;*.RLE", "image/bmp",
      kEncoderFlags, 1},
     EncodeBmp},
    {{kJpegEncoderClsid, kImageFormatJpeg, "Built-in JPEG Codec", "JPEG", "*.JPG;*.JPEG;*.JPE;*.JFIF", "image/jpeg",
      kEncoderFlags, 1},
     EncodeJpeg},
    {{kGifEncoderClsid, kImageFormatGif, "Built-in GIF Codec", "GIF", "*.GIF", "image/gif", kEncoderFlags, 1},
     EncodeGif},
    {{kTiffEncoderClsid, kImageFormatTiff, "Built-in TIFF Codec", "TIFF", "*.TIF;*.TIFF", "image/tiff",
      kEncoderFlags, 1},
     EncodeTiff},
    {{kPngEncoderClsid, kImageFormatPng, "Built-in PNG Codec", "PNG", "*.PNG", "image/png", kEncoderFlags, 1},
     EncodePng},
};

// Reads a file from its descriptor, as ReadFromFile says; `read` false when this file is not one it reads so.
using FileReader = Status (*)(int fd, uint64_t fileSize, const DecodeLimits& limits, DecodedFrame& out, bool& read);

Status ReadPngFile(int fd, uint64_t fileSize, const DecodeLimits& limits, DecodedFrame& out, bool& read) {
  read = ReadStreamedPng(fd, fileSize, limits, out);
  return Status::Ok;
}

struct DecoderEntry {
  std::string_view signature;  // leading bytes; empty for the last-resort probe
  Guid format;
  DecoderOpener open;
  bool extra = false;             // read only when the options ask for the extra formats
  FileReader readFile = nullptr;  // for files worth decoding without holding them whole
};

const DecoderEntry kDecoders[] = {
    {std::string_view("\x89PNG\r\n\x1a\n", 8), kImageFormatPng, OpenPngDecoder, false, ReadPngFile},
    // Some writers put fill bytes other than 0xFF between SOI and the first marker; libjpeg reads them.
    {std::string_view("\xFF\xD8", 2), kImageFormatJpeg, OpenJpegDecoder},
    {"GIF87a", kImageFormatGif, OpenGifDecoder},
    {"GIF89a", kImageFormatGif, OpenGifDecoder},
    {std::string_view("II*\0", 4), kImageFormatTiff, OpenTiffDecoder},
    {std::string_view("MM\0*", 4), kImageFormatTiff, OpenTiffDecoder},
    {std::string_view("II+\0", 4), kImageFormatTiff, OpenTiffDecoder},  // BigTIFF
    {std::string_view("MM\0+", 4), kImageFormatTiff, OpenTiffDecoder},
    {"BM", kImageFormatBmp, OpenBmpDecoder, false, ReadPlainBmp},
    {std::string_view("\xD7\xCD\xC6\x9A", 4), kImageFormatWmf, OpenWmfDecoder},  // placeable WMF
    {"RIFF", kImageFormatWebp, OpenWebpDecoder, true},
    {std::string_view("\xFF\x0A", 2), kImageFormatJxl, OpenJxlDecoder, true},  // bare codestream
    {std::string_view("\0\0\0\x0CJXL \r\n\x87\n", 12), kImageFormatJxl, OpenJxlDecoder, true},
    // ISO base media files name their brand after "ftyp" at offset 4; each decoder checks its brands.
    {{}, kImageFormatAvif, OpenAvifDecoder, true},
    {{}, kImageFormatHeif, OpenHeifDecoder, true},
    // Metafiles without a leading signature are recognised by their headers' content.
    {{}, kImageFormatEmf, OpenEmfDecoder},
    {{}, kImageFormatWmf, OpenWmfDecoder},
    // A DIB has no signature: its info header comes first, so it is tried after everything else.
    {{}, kImageFormatBmp, OpenBmpDecoder},
};

constexpr size_t kSignatureBytes = 16;  // the longest signature fits

size_t StringBytes(const ImageCodecInfo& info) {
  return std::strlen(info.codecName) + std::strlen(info.formatDescription) + std::strlen(info.filenameExtension) +
         std::strlen(info.mimeType) + 4;
}

}  // namespace

void GetImageEncodersSize(uint32_t& count, uint32_t& bytes) {
  count = static_cast<uint32_t>(std::size(kEncoders));
  size_t total = sizeof(ImageCodecInfo) * std::size(kEncoders);
  for (const auto& e : kEncoders) total += StringBytes(e.info);
  bytes = static_cast<uint32_t>(total);
}

Status GetImageEncoders(uint32_t count, uint32_t bytes, ImageCodecInfo* buffer) {
  uint32_t wantCount = 0, wantBytes = 0;
  GetImageEncodersSize(wantCount, wantBytes);
  if (buffer == nullptr) return Status::InvalidParameter;
  if (count != wantCount || bytes != wantBytes) return Status::InsufficientBuffer;
  char* strings = reinterpret_cast<char*>(buffer + count);
  auto copy = [&strings](const char* text) {
    const size_t n = std::strlen(text) + 1;
    std::memcpy(strings, text, n);
    const char* placed = strings;
    strings += n;
    return placed;
  };
  for (uint32_t i = 0; i < count; ++i) {
    ImageCodecInfo info = kEncoders[i].info;
    info.codecName = copy(info.codecName);
    info.formatDescription = copy(info.formatDescription);
    info.filenameExtension = copy(info.filenameExtension);
    info.mimeType = copy(info.mimeType);
    buffer[i] = info;
  }
  return Status::Ok;
}

ImageEncoderFn FindEncoder(const Guid& clsid) {
  for (const auto& e : kEncoders)
    if (e.info.clsid == clsid) return e.encode;
  if (clsid == kWebpEncoderClsid) return EncodeWebp;
  return nullptr;
}

Status OpenDecoder(SharedBytes data, const DecodeLimits& limits, std::unique_ptr<ImageDecoder>& decoder,
                   Guid& rawFormat, const DecodeOptions& options) {
  if (!data || data->empty()) return Status::UnknownImageFormat;
  const std::string_view head(reinterpret_cast<const char*>(data->data()),
                              std::min<size_t>(data->size(), kSignatureBytes));
  for (const auto& entry : kDecoders) {
    if (entry.extra && !options.extraFormats) continue;
    if (!head.starts_with(entry.signature)) continue;
    std::unique_ptr<ImageDecoder> opened;
    const Status status = entry.open(data, limits, opened);
    if (status == Status::UnknownImageFormat && entry.signature.empty()) continue;
    if (status != Status::Ok) return status;
    opened->SetOptions(options);
    decoder = std::move(opened);
    rawFormat = entry.format;
    return Status::Ok;
  }
  return Status::UnknownImageFormat;
}

Status ReadFromFile(int fd, uint64_t fileSize, const DecodeLimits& limits, DecodedFrame& frame, Guid& rawFormat,
                    bool& read) {
  read = false;
  std::array<uint8_t, kSignatureBytes> bytes{};
  size_t got = 0;
  if (ReadFileAt(fd, 0, bytes, got) != Status::Ok) return Status::Ok;  // decoding the whole file says what is wrong
  const std::string_view head(reinterpret_cast<const char*>(bytes.data()), got);
  for (const auto& entry : kDecoders) {
    if (!entry.readFile || entry.signature.empty() || !head.starts_with(entry.signature)) continue;
    const Status status = entry.readFile(fd, fileSize, limits, frame, read);
    if (read && status == Status::Ok) rawFormat = entry.format;
    return status;
  }
  return Status::Ok;
}

}  // namespace tavlen::gfx
