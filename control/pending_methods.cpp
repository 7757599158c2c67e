// Automation methods whose topics are not built yet: each answers with its "nothing to report"
// result (FALSE, 0, an empty string or nothing) until its topic lands.
#include "control/tavlen_ctrl.h"

namespace tavlen {

// FIXME: printing is not built yet.
BOOL CTavlenCtrl::PrintImage() { return win::FALSE; }
// FIXME: printing is not built yet.
BOOL CTavlenCtrl::PrintImageBySize(int32_t, int32_t) { return win::FALSE; }

// FIXME: clipboard copy is not built yet.
void CTavlenCtrl::CopyToClipboard() {}

}  // namespace tavlen
