// The colour edits, the conversion back from 1-bit and the pixel queries: thin steps around the
// operations of edit/ and the window's device context.
#include <utility>

#include "control/tavlen_ctrl.h"
#include "edit/black_white.h"
#include "edit/from_1bpp.h"
#include "edit/gray_scale.h"
#include "files/file_formats.h"

namespace tavlen {

namespace {

bool IsOneBit(const ImageObject& image) { return image.Handle()->Format() == gfx::PixelFormat::Indexed1bpp; }

}  // namespace

void CTavlenCtrl::ConvertImageToGrayScaled() {
  if (!m_image || !m_image->Handle() || IsOneBit(*m_image)) return;
  // Formats the painter cannot draw into (indexed) keep their pixels; the snapshot is recorded all
  // the same. The refusal is not held against the picture, which stays copyable for the history.
  gfx::Ignore(edit::ConvertToGrayScale(*m_image->Handle()));
  RecordSnapshot();
}

void CTavlenCtrl::ConvertImageToBlackWhite() {
  if (!m_image || !m_image->Handle() || IsOneBit(*m_image)) return;
  auto blackWhite = edit::MakeBlackWhiteCopy(*m_image->Handle());
  // Without a copy (out of memory) the picture stays as it was, with nothing recorded.
  if (!blackWhite.Ok()) return;
  m_image = ImageObject::Adopt(std::move(blackWhite).Value());
  RecordSnapshot();
}

void CTavlenCtrl::ConvertFrom1bpp() {
  if (!m_image || !m_image->Handle()) return;
  gfx::Guid gifEncoder;
  if (files::LookupEncoder("image/gif", gifEncoder) < 0) return;
  auto reopened = edit::RoundTripThroughGif(*m_image->Handle(), gifEncoder);
  // A failed round trip keeps the picture, its placement and its history.
  if (!reopened.Ok()) return;
  // Centred at its pixel size, any zoom dropped; the realignment flags stay as they are.
  m_viewport = Viewport::CenteredAtPixelSize(Client(), reopened.Value()->Width(), reopened.Value()->Height());
  m_image = ImageObject::Adopt(std::move(reopened).Value());
  // Two half turns: two snapshots, the second of the upright picture, and the scroll bars refreshed. They
  // make one edit, announced once.
  TurnImage(edit::Turn::Half, false);
  TurnImage(edit::Turn::Half, false);
  InvalidateClientArea();
  PictureChanged();
}

int32_t CTavlenCtrl::GetPixelColor(int32_t X, int32_t Y) {
  const auto dc = GetDC();  // released when it goes out of scope
  const win::COLORREF color = dc ? dc->GetPixel(X, Y) : win::CLR_INVALID;
  return static_cast<int32_t>(color);
}

int32_t CTavlenCtrl::GetPixelRed(int32_t X, int32_t Y) { return GetPixelColor(X, Y) & 0xFF; }

int32_t CTavlenCtrl::GetPixelGreen(int32_t X, int32_t Y) { return (GetPixelColor(X, Y) >> 8) & 0xFF; }

int32_t CTavlenCtrl::GetPixelBlue(int32_t X, int32_t Y) { return (GetPixelColor(X, Y) >> 16) & 0xFF; }

}  // namespace tavlen
