// The interface identifiers of the control's dispatch and event interfaces, minted for this build.
#pragma once

#include "platform/graphics/guid.h"

namespace tavlen {

// {24FF14A3-4DAE-4824-8C3C-ECFAFD3C02CA}
inline constexpr gfx::Guid kDispatchIid{0x24ff14a3, 0x4dae, 0x4824, {0x8c, 0x3c, 0xec, 0xfa, 0xfd, 0x3c, 0x02, 0xca}};
// {FA190B6B-4160-4D67-B670-50BCCBD30572}
inline constexpr gfx::Guid kEventsIid{0xfa190b6b, 0x4160, 0x4d67, {0xb6, 0x70, 0x50, 0xbc, 0xcb, 0xd3, 0x05, 0x72}};

}  // namespace tavlen
