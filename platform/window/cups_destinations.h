// What the headless printer context needs from CUPS and libpaper, kept apart from the page drawing.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/window/printer.h"

namespace tavlen::win::detail {

bool IsFileDestination(const std::string& destination);

// The system paper size (libpaper: PAPERSIZE, PAPERCONF, /etc/papersize), A4 when none is set, with
// the whole sheet printable.
PageGeometry SystemPaper();

// Submits a PDF document to a CUPS destination as one copy of a job with this title. False when
// CUPS refused the job or the document did not reach it; a job already created is cancelled then.
bool SubmitPdfJob(const std::string& destination, const std::string& title, std::span<const uint8_t> pdf);

}  // namespace tavlen::win::detail
