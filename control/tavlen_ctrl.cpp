// CTavlenCtrl: construction and destruction, persistence, reset, the drawing entry and the change
// notifications of the custom properties.
#include "control/tavlen_ctrl.h"

#include "control/interface_ids.h"
#include "control/property_rows.h"

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
  SetPropertyDefaults(*this);
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
  ExchangeProperties(*this, *pPX);
}

void CTavlenCtrl::OnResetState() {
  // The picture, the history and the placement are not properties and stay as they are.
  COleControl::OnResetState();
}

void CTavlenCtrl::OnDestroy() {
  COleControl::OnDestroy();
  // A re-created window starts blank, so paints fill the client area again until the next
  // load, move or zoom.
  m_placement.WindowDestroyed();
}

void CTavlenCtrl::OnDraw(win::DeviceContext* dc, const fw::RECT& bounds, const fw::RECT& /*invalid*/) {
  m_clientWidth = bounds.right - bounds.left;
  m_clientHeight = bounds.bottom - bounds.top;
  dc->SetBkMode(win::TRANSPARENT);
  const win::COLORREF back = TranslateColor(GetBackColor());
  // Without a working image nothing else paints, so the fill also clears what a failed load left.
  if (m_placement.FillsClientArea() || !m_image) dc->FillRect(bounds, back);
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
  if (m_placement.PaintsInvalidOnly() && m_image && m_image->Handle()) {
    DrawImageOn(*dc);
  } else {
    DrawImage();
  }
  m_placement.Painted();
}

void CTavlenCtrl::InvalidateClientArea() {
  const fw::RECT whole{0, 0, m_clientWidth, m_clientHeight};
  InvalidateRect(&whole, win::TRUE);
}

void CTavlenCtrl::PictureChanged() {
  if (IsVersion2()) FirePictureChanged();
}

void CTavlenCtrl::ApplyPropertyChange(PropertyChange change) {
  switch (change) {
    case PropertyChange::None:
      break;
    case PropertyChange::Repaint:
      InvalidateClientArea();
      break;
    case PropertyChange::Realign:
      m_placement.Realign();
      InvalidateClientArea();
      AlignImage();
      break;
  }
  SetModifiedFlag(win::TRUE);
}

}  // namespace tavlen
