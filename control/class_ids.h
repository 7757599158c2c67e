// Identifiers of the module's classes and type library, minted once for this system, with the
// ProgIDs and version the module registers under.
#pragma once

#include "control/interface_ids.h"
#include "platform/base/guid.h"

namespace tavlen {

// {60EDCFD6-B808-42C8-B302-BC962BC98703}
inline constexpr base::Guid kTavlenClsid{0x60EDCFD6, 0xB808, 0x42C8, {0xB3, 0x02, 0xBC, 0x96, 0x2B, 0xC9, 0x87, 0x03}};
// {59639712-46CB-4E59-A388-F8A7B3536AD1}: version 2, served by the same object as version 1.
inline constexpr base::Guid kTavlen2Clsid{0x59639712, 0x46CB, 0x4E59, {0xA3, 0x88, 0xF8, 0xA7, 0xB3, 0x53, 0x6A, 0xD1}};
// {6348EFB7-A617-447E-A39F-5EE702FD56A1}
inline constexpr base::Guid kTavlenPropPageClsid{
    0x6348EFB7, 0xA617, 0x447E, {0xA3, 0x9F, 0x5E, 0xE7, 0x02, 0xFD, 0x56, 0xA1}};
// {6233D09D-5A5F-43C5-9525-E6CB6FE8FDB0}
inline constexpr base::Guid kTavlenLibId{0x6233D09D, 0x5A5F, 0x43C5, {0x95, 0x25, 0xE6, 0xCB, 0x6F, 0xE8, 0xFD, 0xB0}};

inline constexpr const char* kTavlenProgId = "TAVLEN.TavlenCtrl.1";
inline constexpr const char* kTavlen2ProgId = "TAVLEN.TavlenCtrl.2";
// Names the newest version, so hosts that name no version get it.
inline constexpr const char* kTavlenCurrentProgId = "TAVLEN.TavlenCtrl";
// Kept by the page's factory only: registration writes no entry for it.
inline constexpr const char* kTavlenPropPageProgId = "TAVLEN.TavlenPropPage.1";

inline constexpr uint16_t kTavlenVersionMajor = 1;
inline constexpr uint16_t kTavlenVersionMinor = 0;

}  // namespace tavlen
