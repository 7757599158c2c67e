// Printing a picture on one page of a printer chosen in the print dialog.
#pragma once

#include "platform/graphics/bitmap.h"

namespace tavlen::output {

// Shows the print dialog; once confirmed, prints the whole picture scaled to width x height
// hundredths of an inch at the top-left corner of the printable area, as one page of a document
// named "GdiplusPrint", cut off where the printable area ends. False when the dialog was cancelled or
// had no printer, when the page could not be started or ended, and when the destination refused the job
// or the file could not be written. A
// failed drawing (a zero or negative size) leaves the page empty and still prints it.
bool PrintPicture(const gfx::Bitmap& picture, float width, float height);

}  // namespace tavlen::output
