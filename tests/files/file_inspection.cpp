// libtiff and libjpeg readers for the tests: what a written file says about itself.
#include "tests/files/file_inspection.h"

#include <tiffio.h>

#include <cstdio>
#include <memory>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace tavlen::files::test {

TiffTags ReadTiffTags(const std::string& path) {
  TiffTags tags;
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), "r"), TIFFClose);
  if (!tif) return tags;
  tags.readable = true;
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &tags.compression);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &tags.bitsPerSample);
  TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &tags.width);
  TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &tags.height);
  return tags;
}

int32_t JpegFirstQuantValue(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return -1;
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file.get());
  int32_t value = -1;
  // Our own encoder wrote the file: a well-formed header is expected, so no error recovery here.
  if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK && info.quant_tbl_ptrs[0] != nullptr)
    value = info.quant_tbl_ptrs[0]->quantval[0];
  jpeg_destroy_decompress(&info);
  return value;
}

}  // namespace tavlen::files::test
