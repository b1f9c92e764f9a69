#pragma once
// Every platform call the fast timer makes, bound by library and export name
// on first use. Going through the export table (never calling the layer
// directly) is what lets a host, or a test, stand something else behind
// "kernel32" without the control noticing. The signature is taken from the
// layer's own declaration so the binding can never disagree with what the
// layer publishes.
#include "runtime/kernel32/kernel32.h"
#include "runtime/platform/exports.h"

namespace fasttimer::imports {

inline const platform::Declared<decltype(::Sleep)> Sleep{"kernel32", "Sleep"};

}  // namespace fasttimer::imports
