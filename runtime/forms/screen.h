#pragma once
#include "runtime/platform/export.h"
// The whole primary screen, in twips. Read afresh on every call, so a program
// that asks on every frame follows a change of resolution.

namespace forms {

struct KVQMXTMR_EXPORT Screen {
  static float Width();
  static float Height();
  static float TwipsPerPixelX();
  static float TwipsPerPixelY();
};

}  // namespace forms
