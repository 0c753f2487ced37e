// The skin generator's drawing functions, one per picture the control table names.
#pragma once

#include "tools/skins/SkinCanvas.h"
#include "tools/skins/TableWalk.h"

#include <memory>
#include <string>
#include <vector>

namespace skins {

using CanvasPtr = std::unique_ptr<Canvas>;

// Controls (ControlSkins.cpp).
CanvasPtr DrawKnob(double scale);
CanvasPtr DrawSliderHandle(double scale);
CanvasPtr DrawBypass(double scale);
CanvasPtr DrawEqOn(double scale);
CanvasPtr DrawTabButton(const std::string& text, double scale);
CanvasPtr DrawWebButton(double scale);
CanvasPtr DrawClip(double scale);
CanvasPtr DrawLed(double scale);
// One frame per option item (texts from the row's option list).
CanvasPtr DrawOptionStrip(const std::vector<std::string>& items, int width, int height, bool segmented, double scale);

// Meters (MeterSkins.cpp).
CanvasPtr DrawBar(bool peak, double scale);
CanvasPtr DrawBarScale(double scale);
CanvasPtr DrawNeedle(bool front, double scale);

// Panels and the window face (PanelSkins.cpp, FaceSkin.cpp); they place their
// labels and seats from the walked table.
CanvasPtr DrawMeterPanel(const std::vector<Placement>& layout, int panel, double scale);
CanvasPtr DrawInfoPanel(const std::vector<Placement>& layout, int panel, double scale);
CanvasPtr DrawMidiLearnPanel(double scale);
CanvasPtr DrawFace(const std::vector<Placement>& layout, double scale);

// Shared by the face and the panels: a label centred above a control.
void LabelAbove(cairo_t* cr, const std::string& text, double centreX, double top);

}  // namespace skins
