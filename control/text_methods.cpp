// The text overlay members and the installed font list: each stamps through text/ and records a snapshot.
#include "control/tavlen_ctrl.h"
#include "text/text_overlay.h"
#include "view/ole_color.h"

namespace tavlen {

void CTavlenCtrl::StampText(text::TextStyle style, int32_t x, int32_t y, const std::string& text,
                            fw::OLE_COLOR extraColor) {
  if (!m_image) return;
  const text::TextFont font{m_textFont, static_cast<float>(m_textSize), m_textBold != 0, m_textItalic != 0};
  const text::TextColors colors{OleColorToArgb(m_textColor), OleColorToArgb(extraColor)};
  // A failed pass (unknown family, indexed picture) is not held against the picture: it stays
  // copyable, so the snapshot below and later ones keep working.
  if (gfx::Bitmap* picture = m_image->Handle()) gfx::Ignore(text::StampText(*picture, style, x, y, text, font, colors));
  RecordSnapshot();
}

void CTavlenCtrl::DrawText(int16_t X, int16_t Y, const std::string& Text) {
  StampText(text::TextStyle::Plain, X, Y, Text, m_textColor);
}

void CTavlenCtrl::DrawWaterMarkText(int32_t X, int32_t Y, const std::string& Text) {
  StampText(text::TextStyle::WaterMark, X, Y, Text, m_textColor);
}

void CTavlenCtrl::DrawOutlineText(int32_t X, int32_t Y, const std::string& Text) {
  StampText(text::TextStyle::Outline, X, Y, Text, m_textColor);
}

void CTavlenCtrl::DrawFillOutlineText(int32_t X, int32_t Y, const std::string& Text, int32_t FillColor) {
  StampText(text::TextStyle::FillOutline, X, Y, Text, static_cast<fw::OLE_COLOR>(FillColor));
}

void CTavlenCtrl::DrawShadowText(int32_t X, int32_t Y, const std::string& Text, int32_t ShadowColor) {
  StampText(text::TextStyle::Shadow, X, Y, Text, static_cast<fw::OLE_COLOR>(ShadowColor));
}

void CTavlenCtrl::LoadFontFamilies() { m_fontFamilies.Load(); }

void CTavlenCtrl::FreeFontFamilies() { m_fontFamilies.Free(); }

int32_t CTavlenCtrl::GetTextFontCount() {
  if (!m_fontFamilies.Loaded()) LoadFontFamilies();
  return m_fontFamilies.Count();
}

std::string CTavlenCtrl::GetTextFont(int16_t Index) {
  if (!m_fontFamilies.Loaded()) LoadFontFamilies();
  return m_fontFamilies.NameAt(Index);
}

}  // namespace tavlen
