// Scales the editor is drawn at (device pixels per logical pixel) and what goes
// with them: the scale a screen's Xft.dpi asks for, the file name of a skin drawn
// for a scale, and a logical size in device pixels. Pure functions, no X11.
#pragma once

#include <cstdint>
#include <string>

namespace orva::platform {

// The scales every skin is drawn at, smallest first.
constexpr double kEditorScales[] = {1.0, 1.5, 2.0};

// The scale for the X resource Xft.dpi as the resource database gives it (text
// such as "192" or "144.0", spaces around allowed): the nearest of 1, 1.5 and 2
// to dpi / 96, a tie going to the smaller. Unset (null), empty, not a number,
// zero, negative or not finite: 1. Independent of the C locale.
double scaleForXftDpi(const char* value);

// The resource name of a picture drawn for a scale: "Knob.png" at 2 is
// "Knob@2x.png", at 1.5 "Knob@1.5x.png"; at 1 the name itself.
std::string scaledResourceName(const char* name, double scale);

// Device pixels of a logical length at a scale, rounded to the nearest (halves
// up, so a picture always covers its whole logical area): 31 at 1.5 is 47.
int32_t scaledPixels(int32_t logical, double scale);

}  // namespace orva::platform
