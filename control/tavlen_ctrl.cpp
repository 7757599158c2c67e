// CTavlenCtrl: construction and destruction, persistence, reset, the drawing entry and the change
// notifications of the custom properties.
#include "control/tavlen_ctrl.h"

#include "control/interface_ids.h"

namespace tavlen {

namespace {
constexpr char kHotKeyAtomName[] = "FileType2App1";
constexpr uint32_t kPropertyVersion = 0x00010000;  // major 1, minor 0
}  // namespace

CTavlenCtrl::CTavlenCtrl(ControlVersion version) : m_version(version) {
  if (IsVersion2()) {
    InitializeIIDs(&kDispatch2Iid, &kEvents2Iid);
  } else {
    InitializeIIDs(&kDispatchIid, &kEventsIid);
  }
  EnableSimpleFrame();
  m_image = nullptr;
  m_paintBackground = win::TRUE;
  // The window does not exist yet, so the hot key belongs to the calling thread. Nothing handles
  // it; it is registered because hosts may look for it, and released again at destruction.
  m_hotKeyAtom = win::GlobalAddAtom(kHotKeyAtomName);
  m_hotKeyRegistered = win::RegisterHotKey(nullptr, static_cast<int32_t>(m_hotKeyAtom), 0, win::VK_F1);
  // The font list is taken when first asked for (control/text_methods.cpp): reading the font
  // configuration costs a few milliseconds that a process which only loads and saves never needs.
}

CTavlenCtrl::~CTavlenCtrl() {
  // The working image first, then (as members go) the snapshots.
  m_image.reset();
  FreeFontFamilies();
  if (m_hotKeyRegistered) win::UnregisterHotKey(nullptr, static_cast<int32_t>(m_hotKeyAtom));
  if (m_hotKeyAtom != 0) win::GlobalDeleteAtom(static_cast<uint16_t>(m_hotKeyAtom));
}

void CTavlenCtrl::DoPropExchange(fw::CPropExchange* pPX) {
  uint32_t version = kPropertyVersion;
  pPX->ExchangeVersion(version, kPropertyVersion, win::TRUE);
  COleControl::DoPropExchange(pPX);

  fw::PX_Short(pPX, "Align", m_align, 2);
  fw::PX_Short(pPX, "BackStyle", m_backStyle, 0);
  fw::PX_Bool(pPX, "ShowBorder", m_showBorder, win::TRUE);
  fw::PX_Double(pPX, "BorderWidth", m_borderWidth, 1.0);
  fw::PX_Color(pPX, "BorderColor", m_borderColor, 0x00FFFFFF);
  fw::PX_Long(pPX, "JpgQuality", m_jpgQuality, 100);
  fw::PX_Bool(pPX, "TextBold", m_textBold, win::FALSE);
  fw::PX_String(pPX, "TextFont", m_textFont, "Arial");
  fw::PX_Bool(pPX, "TextItalic", m_textItalic, win::FALSE);
  fw::PX_Short(pPX, "TextSize", m_textSize, 10);
  fw::PX_Double(pPX, "ZoomValue", m_zoomValue, 1.0);
  // Version 1 saves exactly the eleven properties above.
  if (!IsVersion2()) return;
  fw::PX_Bool(pPX, "AutoOrient", m_autoOrient, win::TRUE);
  fw::PX_Bool(pPX, "ColorManaged", m_colorManaged, win::TRUE);
  fw::PX_Bool(pPX, "ExtraFormats", m_extraFormats, win::TRUE);
}

void CTavlenCtrl::OnResetState() {
  // The picture, the history and the placement are not properties and stay as they are.
  COleControl::OnResetState();
}

void CTavlenCtrl::OnDestroy() {
  COleControl::OnDestroy();
  // A re-created window starts blank, so paints fill the client area again until the next
  // load, move or zoom.
  m_paintBackground = win::TRUE;
}

void CTavlenCtrl::OnDraw(win::DeviceContext* dc, const fw::RECT& bounds, const fw::RECT& /*invalid*/) {
  m_clientWidth = bounds.right - bounds.left;
  m_clientHeight = bounds.bottom - bounds.top;
  dc->SetBkMode(win::TRANSPARENT);
  const win::COLORREF back = TranslateColor(GetBackColor());
  // Without a working image nothing else paints, so the fill also clears what a failed load left.
  if (m_paintBackground || !m_image) dc->FillRect(bounds, back);
  if (!m_scrollBarsCreated) {
    SetScrollRange(win::SB_HORZ, 0, 0, win::TRUE);
    SetScrollRange(win::SB_VERT, 0, 0, win::TRUE);
    SetScrollPos(win::SB_HORZ, 0, win::TRUE);
    SetScrollPos(win::SB_VERT, 0, win::TRUE);
    ShowScrollBar(win::SB_HORZ, win::FALSE);
    ShowScrollBar(win::SB_VERT, win::FALSE);
    m_scrollBarsCreated = win::TRUE;
  }
  // The picture goes to the window's client area through a context of its own, except after a
  // scroll that moved the window's pixels: then only the invalid part is painted.
  if (m_paintInvalidOnly && !m_realignPending && m_image && m_image->Handle()) {
    DrawImageOn(*dc);
  } else {
    DrawImage();
  }
  m_paintInvalidOnly = win::FALSE;
}

void CTavlenCtrl::InvalidateClientArea() {
  const fw::RECT whole{0, 0, m_clientWidth, m_clientHeight};
  InvalidateRect(&whole, win::TRUE);
}

void CTavlenCtrl::PictureChanged() {
  if (IsVersion2()) FirePictureChanged();
}

// The shown picture stays as it is: these settings apply from the next load.
void CTavlenCtrl::OnAutoOrientChanged() { SetModifiedFlag(win::TRUE); }
void CTavlenCtrl::OnColorManagedChanged() { SetModifiedFlag(win::TRUE); }
void CTavlenCtrl::OnExtraFormatsChanged() { SetModifiedFlag(win::TRUE); }

void CTavlenCtrl::OnAlignChanged() {
  m_realignPending = win::TRUE;
  InvalidateClientArea();
  AlignImage();
  SetModifiedFlag(win::TRUE);
}

void CTavlenCtrl::OnBackStyleChanged() {
  InvalidateClientArea();
  SetModifiedFlag(win::TRUE);
}

void CTavlenCtrl::OnBorderColorChanged() {
  InvalidateClientArea();
  SetModifiedFlag(win::TRUE);
}

void CTavlenCtrl::OnBorderWidthChanged() {
  InvalidateClientArea();
  SetModifiedFlag(win::TRUE);
}

void CTavlenCtrl::OnShowBorderChanged() {
  InvalidateClientArea();
  SetModifiedFlag(win::TRUE);
}

// These properties take effect at the next operation that reads them; nothing is repainted.
void CTavlenCtrl::OnJpgQualityChanged() { SetModifiedFlag(win::TRUE); }
void CTavlenCtrl::OnTextBoldChanged() { SetModifiedFlag(win::TRUE); }
void CTavlenCtrl::OnTextColorChanged() { SetModifiedFlag(win::TRUE); }
void CTavlenCtrl::OnTextFontChanged() { SetModifiedFlag(win::TRUE); }
void CTavlenCtrl::OnTextItalicChanged() { SetModifiedFlag(win::TRUE); }
void CTavlenCtrl::OnTextSizeChanged() { SetModifiedFlag(win::TRUE); }
void CTavlenCtrl::OnZoomValueChanged() { SetModifiedFlag(win::TRUE); }
void CTavlenCtrl::OnTiffCompressionChanged() { SetModifiedFlag(win::TRUE); }

}  // namespace tavlen
