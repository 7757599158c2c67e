// The headless printer context: each page is painted at a fixed resolution, the painted part is
// placed on a cairo PDF page whose unit is a hundredth of an inch, and the finished document goes to
// CUPS or to a file.
#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "platform/graphics/status_file_io.h"
#include "platform/window/cups_destinations.h"
#include "platform/window/printer.h"

namespace tavlen::win {

namespace {

constexpr double kPointsPerHundredth = 0.72;
// Pages are painted at 300 dpi, or less where a large sheet would need more than this many bytes.
constexpr double kPageDpi = 300.0;
constexpr double kMaxPageBytes = 256.0 * 1024 * 1024;
constexpr int32_t kMaxPageSide = 32767;  // cairo's largest image side

struct CairoDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using CairoPtr = std::unique_ptr<cairo_t, CairoDeleter>;
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoDeleter>;

cairo_status_t AppendToVector(void* closure, const unsigned char* data, unsigned int length) {
  auto* bytes = static_cast<std::vector<uint8_t>*>(closure);
  try {
    bytes->insert(bytes->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    return CAIRO_STATUS_NO_MEMORY;
  }
  return CAIRO_STATUS_SUCCESS;
}

// The smallest box holding every pixel that was painted (the page starts fully transparent).
struct PaintedBox {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

PaintedBox FindPainted(const std::vector<uint32_t>& pixels, int32_t width, int32_t height) {
  PaintedBox box{width, height, 0, 0};
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* row = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
    int32_t first = 0;
    while (first < width && row[first] == 0) ++first;
    if (first == width) continue;
    int32_t last = width - 1;
    while (row[last] == 0) --last;
    box.x0 = std::min(box.x0, first);
    box.x1 = std::max(box.x1, last + 1);
    box.y0 = std::min(box.y0, y);
    box.y1 = y + 1;
  }
  return box;
}

class PdfPrinterDC final : public PrinterDC {
 public:
  PdfPrinterDC(std::string destination, const PageGeometry& page)
      : m_destination(std::move(destination)), m_page(page) {
    const double area = page.printableWidth * page.printableHeight / 1e4;  // square inches
    m_dpi = std::min(kPageDpi, std::sqrt(kMaxPageBytes / 4.0 / std::max(area, 1e-6)));
    m_width = std::clamp(static_cast<int32_t>(std::ceil(page.printableWidth * m_dpi / 100.0 - 1e-6)), 0, kMaxPageSide);
    m_height =
        std::clamp(static_cast<int32_t>(std::ceil(page.printableHeight * m_dpi / 100.0 - 1e-6)), 0, kMaxPageSide);
  }

  int32_t StartDoc(const std::string& documentName) override {
    if (m_document) return 0;
    m_title = documentName;
    m_bytes.clear();
    m_document.reset(cairo_pdf_surface_create_for_stream(AppendToVector, &m_bytes, m_page.width * kPointsPerHundredth,
                                                         m_page.height * kPointsPerHundredth));
    if (cairo_surface_status(m_document.get()) != CAIRO_STATUS_SUCCESS) {
      m_document.reset();
      return 0;
    }
    cairo_pdf_surface_set_metadata(m_document.get(), CAIRO_PDF_METADATA_TITLE, m_title.c_str());
    return 1;
  }

  int32_t StartPage() override {
    if (!m_document || m_pageOpen) return 0;
    try {
      m_pixels.assign(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), 0u);
    } catch (const std::bad_alloc&) {
      return 0;
    }
    m_pageOpen = true;
    return 1;
  }

  gfx::WindowSurface Surface() override {
    gfx::WindowSurface surface;
    if (!m_pageOpen || m_pixels.empty()) return surface;
    surface.pixels = m_pixels.data();
    surface.stride = static_cast<size_t>(m_width) * sizeof(uint32_t);
    surface.width = static_cast<uint32_t>(m_width);
    surface.height = static_cast<uint32_t>(m_height);
    surface.clip = {0, 0, m_width, m_height};
    surface.dpiX = surface.dpiY = static_cast<float>(m_dpi);
    surface.printer = true;
    return surface;
  }

  int32_t EndPage() override {
    if (!m_pageOpen) return 0;
    m_pageOpen = false;
    const bool placed = PlacePainted();
    cairo_surface_show_page(m_document.get());
    m_pixels = {};
    return placed && cairo_surface_status(m_document.get()) == CAIRO_STATUS_SUCCESS ? 1 : 0;
  }

  int32_t EndDoc() override {
    if (!m_document) return 0;
    if (m_pageOpen) (void)EndPage();
    cairo_surface_finish(m_document.get());
    const bool written = cairo_surface_status(m_document.get()) == CAIRO_STATUS_SUCCESS;
    m_document.reset();
    if (!written) return 0;
    bool delivered = false;
    if (detail::IsFileDestination(m_destination)) {
      const std::string path = m_destination.substr(kFileDestinationPrefix.size());
      delivered = gfx::WriteFileAtomically(path, m_bytes) == gfx::Status::Ok;
    } else {
      delivered = detail::SubmitPdfJob(m_destination, m_title, m_bytes);
    }
    m_bytes = {};
    return delivered ? 1 : 0;
  }

  const PageGeometry& Page() const override { return m_page; }

 private:
  // Puts the painted part of the page raster on the PDF page, in hundredths of an inch from the
  // top-left corner of the printable area.
  bool PlacePainted() {
    const PaintedBox box = FindPainted(m_pixels, m_width, m_height);
    if (box.Empty()) return true;
    // The PDF surface keeps the image until the document is finished, so it gets pixels of its own.
    const int32_t w = box.x1 - box.x0, h = box.y1 - box.y0;
    CairoSurfacePtr image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return false;
    unsigned char* data = cairo_image_surface_get_data(image.get());
    const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(image.get()));
    for (int32_t y = 0; y < h; ++y) {
      const uint32_t* from = m_pixels.data() + static_cast<size_t>(box.y0 + y) * static_cast<size_t>(m_width) + box.x0;
      std::memcpy(data + static_cast<size_t>(y) * stride, from, static_cast<size_t>(w) * sizeof(uint32_t));
    }
    cairo_surface_mark_dirty(image.get());
    CairoPtr cr(cairo_create(m_document.get()));
    cairo_scale(cr.get(), kPointsPerHundredth, kPointsPerHundredth);
    cairo_translate(cr.get(), m_page.printableLeft, m_page.printableTop);
    cairo_rectangle(cr.get(), 0, 0, m_page.printableWidth, m_page.printableHeight);
    cairo_clip(cr.get());
    cairo_scale(cr.get(), 100.0 / m_dpi, 100.0 / m_dpi);
    cairo_set_source_surface(cr.get(), image.get(), box.x0, box.y0);
    // Device pixels of the page map one to one onto the embedded image: nothing to smooth.
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
    cairo_paint(cr.get());
    return cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS;
  }

  std::string m_destination;
  PageGeometry m_page;
  double m_dpi = kPageDpi;
  int32_t m_width = 0;
  int32_t m_height = 0;
  std::string m_title;
  CairoSurfacePtr m_document;
  std::vector<uint8_t> m_bytes;
  std::vector<uint32_t> m_pixels;  // the printable area, premultiplied 0xAARRGGBB, transparent until painted
  bool m_pageOpen = false;
};

}  // namespace

std::unique_ptr<PrinterDC> CreatePrinterDC(const std::string& destination) {
  PageGeometry page;
  if (!LookUpPage(destination, &page)) return nullptr;
  return std::make_unique<PdfPrinterDC>(destination, page);
}

}  // namespace tavlen::win
