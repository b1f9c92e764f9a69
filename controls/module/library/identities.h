#pragma once
// The fixed identities of the control library, shared by the module, its type
// library and resources, and every host that creates the controls or calls
// them by DISPID. Change nothing here once a build has been registered: hosts
// and registries keep these values.
#include <cstdint>

#include "controls/meter/display_mode.h"
#include "controls/module/library/members.h"
#include "runtime/automation/guid.h"

namespace dialfen {

using com::MakeGuid;

// {14992C75-C53D-44A8-B97A-BFDC10552B86}
inline constexpr com::GUID LIBID_Dialfen =
    MakeGuid(0x14992C75, 0xC53D, 0x44A8, {0xB9, 0x7A, 0xBF, 0xDC, 0x10, 0x55, 0x2B, 0x86});
// {57C5E3A7-A274-43C4-A827-474AEEA12D7E}
inline constexpr com::GUID CLSID_KvDispVU =
    MakeGuid(0x57C5E3A7, 0xA274, 0x43C4, {0xA8, 0x27, 0x47, 0x4A, 0xEE, 0xA1, 0x2D, 0x7E});
// {1AA10265-93D5-45D2-BC3A-6070251FA3F1}
inline constexpr com::GUID CLSID_KvQmxFasTmr =
    MakeGuid(0x1AA10265, 0x93D5, 0x45D2, {0xBC, 0x3A, 0x60, 0x70, 0x25, 0x1F, 0xA3, 0xF1});
// {912F11D9-30A7-4507-B742-1BD823A92EC4}
inline constexpr com::GUID IID__KvDispVU =
    MakeGuid(0x912F11D9, 0x30A7, 0x4507, {0xB7, 0x42, 0x1B, 0xD8, 0x23, 0xA9, 0x2E, 0xC4});
// {A77DC7F4-7516-4649-A881-BC052B3AB062}
inline constexpr com::GUID DIID___KvDispVU =
    MakeGuid(0xA77DC7F4, 0x7516, 0x4649, {0xA8, 0x81, 0xBC, 0x05, 0x2B, 0x3A, 0xB0, 0x62});
// {5619F30C-583B-4BE7-90C9-EAAB1D6E2BBD}
inline constexpr com::GUID IID__KvQmxFasTmr =
    MakeGuid(0x5619F30C, 0x583B, 0x4BE7, {0x90, 0xC9, 0xEA, 0xAB, 0x1D, 0x6E, 0x2B, 0xBD});
// {5602BE21-EEDE-4FB7-9551-B90B07985FDE}
inline constexpr com::GUID DIID___KvQmxFasTmr =
    MakeGuid(0x5602BE21, 0xEEDE, 0x4FB7, {0x95, 0x51, 0xB9, 0x0B, 0x07, 0x98, 0x5F, 0xDE});

inline constexpr const char* kLibraryName = "Dialfen";
inline constexpr uint16_t kLibraryMajorVersion = 12;
inline constexpr uint16_t kLibraryMinorVersion = 0;
// Locale inside the library; registration files it under the neutral locale 0.
inline constexpr uint32_t kLibraryLcid = 0x409;
inline constexpr uint32_t kRegistrationLcid = 0;

inline constexpr const char* kModuleFileName = "KvQmxTmr.ocx";
inline constexpr const char* kProgID_KvDispVU = "Dialfen.KvDispVU";
inline constexpr const char* kProgID_KvQmxFasTmr = "Dialfen.KvQmxFasTmr";
inline constexpr const char* kClassName_KvDispVU = "KvDispVU";
inline constexpr const char* kClassName_KvQmxFasTmr = "KvQmxFasTmr";

// OLEMISC bit sets: recompose-on-resize | can't-link-inside | inside-out |
// activate-when-visible | set-client-site-first; the timer is also invisible
// at run time.
inline constexpr uint32_t kMiscStatus_KvDispVU = 0x00020191;
inline constexpr uint32_t kMiscStatus_KvQmxFasTmr = 0x00020591;
// Bitmap resource numbers of the toolbox pictures.
inline constexpr uint16_t kToolboxBitmap_KvQmxFasTmr = 30000;
inline constexpr uint16_t kToolboxBitmap_KvDispVU = 30001;

// DISPIDs of the default interfaces (a property's get and put share one) and
// of the fast timer's event on __KvQmxFasTmr, from the member tables.
#define KV_DISPID_CONSTANT(Name, Dispid, ...) inline constexpr int32_t DISPID_##Name = Dispid;
KV_DISPVU_PROPERTIES(KV_DISPID_CONSTANT)
KV_QMXFASTMR_PROPERTIES(KV_DISPID_CONSTANT)
KV_QMXFASTMR_EVENTS(KV_DISPID_CONSTANT)
#undef KV_DISPID_CONSTANT

// The library's enumeration is the meter's own.
using meter::DisplayModeEnum;
using enum meter::DisplayModeEnum;

// Positions of the types in the library, in the order they are stored.
enum TypeIndex : int {
  kType__KvDispVU = 0,
  kType_KvDispVU = 1,
  kType__KvQmxFasTmr = 2,
  kType_KvQmxFasTmr = 3,
  kType___KvDispVU = 4,
  kType___KvQmxFasTmr = 5,
  kType_DisplayModeEnum = 6,
};

}  // namespace dialfen
