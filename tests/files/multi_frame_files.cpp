// Multi-page TIFF through libtiff and animated GIF through giflib, written directly so that the
// frame tests do not depend on our own encoders, which write single pages.
#include "tests/files/multi_frame_files.h"

#include <gif_lib.h>
#include <tiffio.h>

#include <memory>

namespace tavlen::test {

bool WriteMultiPageTiff(const std::string& path, const std::vector<FrameSpec>& pages) {
  std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), "w"), TIFFClose);
  if (!tif) return false;
  for (const FrameSpec& page : pages) {
    TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, page.height);
    TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif.get(), TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, page.height);
    std::vector<uint8_t> row(page.width * 3);
    for (uint32_t x = 0; x < page.width; ++x) {
      row[3 * x] = static_cast<uint8_t>(page.rgb >> 16);
      row[3 * x + 1] = static_cast<uint8_t>(page.rgb >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(page.rgb);
    }
    for (uint32_t y = 0; y < page.height; ++y)
      if (TIFFWriteScanline(tif.get(), row.data(), y, 0) < 0) return false;
    if (!TIFFWriteDirectory(tif.get())) return false;
  }
  return true;
}

bool WriteAnimatedGif(const std::string& path, uint32_t width, uint32_t height, const std::vector<uint32_t>& colors) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (!gif) return false;
  std::vector<GifColorType> entries(256, GifColorType{0, 0, 0});
  for (size_t i = 0; i < colors.size() && i < 256; ++i)
    entries[i] = GifColorType{static_cast<GifByteType>(colors[i] >> 16), static_cast<GifByteType>(colors[i] >> 8),
                              static_cast<GifByteType>(colors[i])};
  ColorMapObject* map = GifMakeMapObject(256, entries.data());
  bool ok = map && EGifPutScreenDesc(gif, static_cast<int>(width), static_cast<int>(height), 8, 0, map) == GIF_OK;
  std::vector<GifPixelType> line(width);
  for (size_t frame = 0; ok && frame < colors.size(); ++frame) {
    // A graphic control block with a delay, as animations carry.
    const GifByteType control[4] = {0, 10, 0, 0};
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK &&
         EGifPutImageDesc(gif, 0, 0, static_cast<int>(width), static_cast<int>(height), false, nullptr) == GIF_OK;
    for (uint32_t x = 0; x < width; ++x) line[x] = static_cast<GifPixelType>(frame);
    for (uint32_t y = 0; ok && y < height; ++y) ok = EGifPutLine(gif, line.data(), static_cast<int>(width)) == GIF_OK;
  }
  GifFreeMapObject(map);
  return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

}  // namespace tavlen::test
