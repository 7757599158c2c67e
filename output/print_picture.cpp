// Printing a picture: dialog, document, one page, the picture drawn by the painter, end of document.
#include "output/print_picture.h"

#include "platform/framework/print_dlg.h"
#include "platform/graphics/drawing/graphics.h"

namespace tavlen::output {

namespace {
constexpr char kDocumentName[] = "GdiplusPrint";
}  // namespace

bool PrintPicture(const gfx::Bitmap& picture, float width, float height) {
  std::unique_ptr<win::PrinterDC> dc = fw::PrintDlg(win::PrintDialogRequest{});
  if (!dc) return false;
  const bool started = dc->StartDoc(kDocumentName) > 0;
  bool pagePrinted = false;
  if (started && dc->StartPage() > 0) {
    auto graphics = gfx::Graphics::FromSurface(dc->Surface());
    // The page's default unit is a hundredth of an inch; a picture that cannot be drawn leaves the
    // page empty, and the page is printed all the same.
    if (graphics.Ok()) gfx::Ignore(graphics.Value()->DrawImage(picture, gfx::RectF{0.0f, 0.0f, width, height}));
    pagePrinted = dc->EndPage() > 0;
  }
  // The document is ended in any case; only its end says whether the page reached the printer or the file.
  const bool delivered = dc->EndDoc() > 0;
  return started && pagePrinted && delivered;
}

}  // namespace tavlen::output
