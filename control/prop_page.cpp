// The property page on dialog 200 with the caption of string 200.
#include "control/prop_page.h"

#include <string>

#include "control/resources.h"

namespace tavlen {

CTavlenPropPage::CTavlenPropPage()
    : fw::COlePropertyPage(*res::FindDialog(res::IDD_PROPPAGE_TAVLEN),
                           std::string(res::LoadString(res::IDS_TAVLEN_PPG_CAPTION))) {}

}  // namespace tavlen
