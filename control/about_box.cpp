// The About box (the stock AboutBox method) and the Properties verb: both only show a dialog and
// change no property of the control.
#include "control/prop_page.h"
#include "control/resources.h"
#include "control/tavlen_ctrl.h"
#include "platform/framework/dialog.h"

namespace tavlen {

void CTavlenCtrl::AboutBox() {
  fw::CDialog about(*res::FindDialog(res::IDD_ABOUTBOX_TAVLEN));
  // OK, close and Escape all just return.
  (void)about.DoModal();
}

void CTavlenCtrl::OnProperties() {
  const CTavlenPropPage page;
  const fw::COlePropertyPage* const pages[] = {&page};
  (void)fw::ShowPropertyFrame(res::LoadString(res::IDS_TAVLEN), pages);
}

}  // namespace tavlen
