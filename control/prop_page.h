// CTavlenPropPage, the control's one property page: a "General" tab that tells the user where the
// properties are edited. It binds no control to any property.
#pragma once

#include "platform/framework/dialog.h"

namespace tavlen {

class CTavlenPropPage : public fw::COlePropertyPage {
 public:
  CTavlenPropPage();
};

}  // namespace tavlen
