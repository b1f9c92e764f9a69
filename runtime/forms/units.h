#pragma once
// Twips (1/1440 inch) are the unit of every position and size the forms layer
// hands out. They are converted with the primary screen's logical DPI, read on
// every call so a change of resolution or DPI is taken up at once (15 twips a
// pixel at 96 DPI). Without a GUI application, 96 DPI is assumed.

namespace forms {

float TwipsPerPixelX();
float TwipsPerPixelY();

// Rounded to the nearest pixel, halves away from zero.
int TwipsToPixelsX(float twips);
int TwipsToPixelsY(float twips);

float PixelsToTwipsX(int pixels);
float PixelsToTwipsY(int pixels);

}  // namespace forms
