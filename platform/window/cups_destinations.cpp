// CUPS destinations and their default media through libcups, and the system paper size through
// libpaper: where a headless print job goes and what page it is drawn on.
#include "platform/window/cups_destinations.h"

#include <paper.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/window/cups_library.h"

namespace tavlen::win {

namespace {

constexpr double kHundredthsPerPoint = 100.0 / 72.0;
// cups_size_t measures in hundredths of a millimetre.
constexpr double kHundredthsPerCupsUnit = 1.0 / 25.4;

struct CupsDestDeleter {
  void operator()(cups_dest_t* dest) const { detail::Cups()->freeDests(1, dest); }
};
struct CupsInfoDeleter {
  void operator()(cups_dinfo_t* info) const { detail::Cups()->freeDestInfo(info); }
};
using CupsDestPtr = std::unique_ptr<cups_dest_t, CupsDestDeleter>;
using CupsInfoPtr = std::unique_ptr<cups_dinfo_t, CupsInfoDeleter>;

PageGeometry WholeSheet(double width, double height) { return {width, height, 0, 0, width, height}; }

}  // namespace

namespace detail {

bool IsFileDestination(const std::string& destination) {
  return destination.compare(0, kFileDestinationPrefix.size(), kFileDestinationPrefix) == 0;
}

PageGeometry SystemPaper() {
  // libpaper keeps global state between paperinit and paperdone.
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  paperinit();
  PageGeometry page = WholeSheet(595.0 * kHundredthsPerPoint, 842.0 * kHundredthsPerPoint);  // A4
  if (char* name = systempapername()) {
    if (const struct paper* found = paperinfo(name); found && paperpswidth(found) > 0 && paperpsheight(found) > 0) {
      page = WholeSheet(paperpswidth(found) * kHundredthsPerPoint, paperpsheight(found) * kHundredthsPerPoint);
    }
    free(name);  // NOLINT: libpaper hands the name over as malloc'ed memory
  }
  paperdone();
  return page;
}

bool SubmitPdfJob(const std::string& destination, const std::string& title, std::span<const uint8_t> pdf) {
  const CupsLibrary* cups = Cups();
  if (!cups) return false;
  cups_option_t* options = nullptr;
  int count = cups->addOption("copies", "1", 0, &options);
  const int job = cups->createJob(CUPS_HTTP_DEFAULT, destination.c_str(), title.c_str(), count, options);
  cups->freeOptions(count, options);
  if (job <= 0) return false;
  bool sent = cups->startDocument(CUPS_HTTP_DEFAULT, destination.c_str(), job, title.c_str(), CUPS_FORMAT_PDF, 1) ==
              HTTP_STATUS_CONTINUE;
  if (sent) {
    sent = cups->writeRequestData(CUPS_HTTP_DEFAULT, reinterpret_cast<const char*>(pdf.data()), pdf.size()) ==
           HTTP_STATUS_CONTINUE;
    // The document must be finished even after a failed write, or the connection stays mid-request.
    sent = cups->finishDocument(CUPS_HTTP_DEFAULT, destination.c_str()) == IPP_STATUS_OK && sent;
  }
  if (!sent) cups->cancelJob(CUPS_HTTP_DEFAULT, destination.c_str(), job, 0);
  return sent;
}

}  // namespace detail

std::string DefaultPrinterName() {
  const detail::CupsLibrary* cups = detail::Cups();
  if (!cups) return {};
  CupsDestPtr dest(cups->getNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr));
  return dest && dest->name ? std::string(dest->name) : std::string();
}

bool LookUpPage(const std::string& destination, PageGeometry* page) {
  if (destination.empty()) return false;
  if (detail::IsFileDestination(destination)) {
    if (destination.size() == kFileDestinationPrefix.size()) return false;  // no path
    *page = detail::SystemPaper();
    return true;
  }
  const detail::CupsLibrary* cups = detail::Cups();
  if (!cups) return false;
  CupsDestPtr dest(cups->getNamedDest(CUPS_HTTP_DEFAULT, destination.c_str(), nullptr));
  if (!dest) return false;
  CupsInfoPtr info(cups->copyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
  cups_size_t size{};
  if (!info || !cups->getDestMediaDefault(CUPS_HTTP_DEFAULT, dest.get(), info.get(), 0, &size) || size.width <= 0 ||
      size.length <= 0) {
    // A destination that does not say its media prints on the system paper.
    *page = detail::SystemPaper();
    return true;
  }
  page->width = size.width * kHundredthsPerCupsUnit;
  page->height = size.length * kHundredthsPerCupsUnit;
  page->printableLeft = size.left * kHundredthsPerCupsUnit;
  page->printableTop = size.top * kHundredthsPerCupsUnit;
  page->printableWidth = std::max(0, size.width - size.left - size.right) * kHundredthsPerCupsUnit;
  page->printableHeight = std::max(0, size.length - size.top - size.bottom) * kHundredthsPerCupsUnit;
  return true;
}

}  // namespace tavlen::win
