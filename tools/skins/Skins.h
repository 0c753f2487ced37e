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
CanvasPtr DrawKnob();
CanvasPtr DrawSliderHandle();
CanvasPtr DrawBypass();
CanvasPtr DrawEqOn();
CanvasPtr DrawTabButton(const std::string& text);
CanvasPtr DrawWebButton();
CanvasPtr DrawClip();
CanvasPtr DrawLed();
// One frame per option item (texts from the row's option list).
CanvasPtr DrawOptionStrip(const std::vector<std::string>& items, int width, int height, bool segmented);

// Meters (MeterSkins.cpp).
CanvasPtr DrawBar(bool peak);
CanvasPtr DrawBarScale();
CanvasPtr DrawNeedle(bool front);

// Panels and the window face (PanelSkins.cpp, FaceSkin.cpp); they place their
// labels and seats from the walked table.
CanvasPtr DrawMeterPanel(const std::vector<Placement>& layout, int panel);
CanvasPtr DrawInfoPanel(const std::vector<Placement>& layout, int panel);
CanvasPtr DrawMidiLearnPanel();
CanvasPtr DrawFace(const std::vector<Placement>& layout);

// Shared by the face and the panels: a label centred above a control.
void LabelAbove(cairo_t* cr, const std::string& text, double centreX, double top);

}  // namespace skins
