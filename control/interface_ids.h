// The interface identifiers of the control's dispatch and event interfaces, minted for this build.
#pragma once

#include "platform/base/guid.h"

namespace tavlen {

// {24FF14A3-4DAE-4824-8C3C-ECFAFD3C02CA}
inline constexpr base::Guid kDispatchIid{0x24ff14a3, 0x4dae, 0x4824, {0x8c, 0x3c, 0xec, 0xfa, 0xfd, 0x3c, 0x02, 0xca}};
// {FA190B6B-4160-4D67-B670-50BCCBD30572}
inline constexpr base::Guid kEventsIid{0xfa190b6b, 0x4160, 0x4d67, {0xb6, 0x70, 0x50, 0xbc, 0xcb, 0xd3, 0x05, 0x72}};
// {64F6A231-F3E9-462E-ADD3-8FB8AFEEC030}: version 2's dispatch interface.
inline constexpr base::Guid kDispatch2Iid{0x64F6A231, 0xF3E9, 0x462E, {0xAD, 0xD3, 0x8F, 0xB8, 0xAF, 0xEE, 0xC0, 0x30}};
// {3BF46C22-F6E1-488F-B5B8-DEDF3D051ACD}: version 2's event interface.
inline constexpr base::Guid kEvents2Iid{0x3BF46C22, 0xF6E1, 0x488F, {0xB5, 0xB8, 0xDE, 0xDF, 0x3D, 0x05, 0x1A, 0xCD}};

}  // namespace tavlen
