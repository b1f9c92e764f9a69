#pragma once
#include "runtime/platform/export.h"
// Twips (1/1440 inch) are the unit of every position and size the forms layer
// hands out. They are converted with the primary screen's logical DPI, read on
// every call so a change of resolution or DPI is taken up at once (15 twips a
// pixel at 96 DPI). Without a GUI application, 96 DPI is assumed.

namespace forms {

KVQMXTMR_EXPORT float TwipsPerPixelX();
KVQMXTMR_EXPORT float TwipsPerPixelY();

// Rounded to the nearest pixel, halves away from zero.
KVQMXTMR_EXPORT int TwipsToPixelsX(float twips);
KVQMXTMR_EXPORT int TwipsToPixelsY(float twips);

KVQMXTMR_EXPORT float PixelsToTwipsX(int pixels);
KVQMXTMR_EXPORT float PixelsToTwipsY(int pixels);

}  // namespace forms
