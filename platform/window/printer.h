// Printers: destinations, the page a destination prints on, and the printer device context that
// turns what the painter draws into a printed document.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/graphics/drawing/surface.h"

namespace tavlen::win {

// A destination is the name of a CUPS destination, or this prefix and a path: a PDF file there.
inline constexpr std::string_view kFileDestinationPrefix = "file:";

// A sheet in hundredths of an inch: its size and the printable area on it.
struct PageGeometry {
  double width = 0;
  double height = 0;
  double printableLeft = 0;
  double printableTop = 0;
  double printableWidth = 0;
  double printableHeight = 0;
};

// The CUPS default destination; "" when CUPS has none or is not running.
std::string DefaultPrinterName();

// The page of a destination: a CUPS destination's default media with its margins, or for a file the
// system paper size (A4 when none is set) printable to the edges. False for an unknown destination.
bool LookUpPage(const std::string& destination, PageGeometry* page);

// A printer device context: one document for one destination. Each call returns a positive value
// on success and 0 on failure, as a desktop's print-job calls do. Between StartPage and EndPage the
// painter draws on Surface(), where the Display unit measures a hundredth of an inch and (0, 0) is
// the top-left corner of the printable area; what falls outside that area is cut off.
class PrinterDC {
 public:
  virtual ~PrinterDC() = default;
  virtual int32_t StartDoc(const std::string& documentName) = 0;
  virtual int32_t StartPage() = 0;
  // Empty (no pixels) outside StartPage ... EndPage.
  virtual gfx::WindowSurface Surface() = 0;
  virtual int32_t EndPage() = 0;
  // Sends the document; 0 when the destination refused it or it could not be written, in which
  // case an existing file at a file destination stays as it was.
  virtual int32_t EndDoc() = 0;
  virtual const PageGeometry& Page() const = 0;
};

// The headless printer context: the document becomes a PDF, sent to CUPS as one copy or written to
// the file. Null for an unknown destination (and for "").
std::unique_ptr<PrinterDC> CreatePrinterDC(const std::string& destination);

}  // namespace tavlen::win
