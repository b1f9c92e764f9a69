#pragma once
// Every platform call the meter makes, bound by library and export name on
// first use. Going through the export table (never calling the layers
// directly) is what lets a host, or a test, stand something else behind
// "winmm.dll" or "kernel32" without the control noticing. The signatures are
// taken from the layers' own declarations so a binding can never disagree
// with what the layer publishes.
#include "runtime/kernel32/kernel32.h"
#include "runtime/platform/exports.h"
#include "runtime/winmm/mmsystem.h"

namespace meter::imports {

inline const platform::Declared<decltype(::mixerOpen)> mixerOpen{"winmm.dll", "mixerOpen"};
inline const platform::Declared<decltype(::mixerClose)> mixerClose{"winmm.dll", "mixerClose"};
inline const platform::Declared<decltype(::mixerGetLineInfoA)> mixerGetLineInfoA{
    "winmm.dll", "mixerGetLineInfoA"};
inline const platform::Declared<decltype(::mixerGetLineControlsA)> mixerGetLineControlsA{
    "winmm.dll", "mixerGetLineControlsA"};
inline const platform::Declared<decltype(::mixerGetControlDetailsA)> mixerGetControlDetailsA{
    "winmm.dll", "mixerGetControlDetailsA"};

inline const platform::Declared<decltype(::GlobalAlloc)> GlobalAlloc{"kernel32", "GlobalAlloc"};
inline const platform::Declared<decltype(::GlobalLock)> GlobalLock{"kernel32", "GlobalLock"};
inline const platform::Declared<decltype(::GlobalFree)> GlobalFree{"kernel32", "GlobalFree"};
inline const platform::Declared<decltype(::RtlMoveMemory)> RtlMoveMemory{"kernel32",
                                                                         "RtlMoveMemory"};
inline const platform::Declared<decltype(::Sleep)> Sleep{"kernel32", "Sleep"};

}  // namespace meter::imports
