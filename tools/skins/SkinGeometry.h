// Sizes of the skins. The editor takes every control's size and frame count from
// its skin, so these numbers are layout, derived here from the control table's
// positions and the controls' drawing laws.
#pragma once

namespace skins::geometry {

// Window background: the editor is as large as this picture.
constexpr int kFaceWidth = 1090, kFaceHeight = 420;

// Knob: square frames stacked vertically (the table's knob-frame rows say 0 =
// square), 128 of them so that one frame is under 1/127 of the travel. 38 pixels:
// the knob rows stand 62-64 pixels apart sideways, and the number field under a
// knob starts 46 pixels below its top (175 -> 221, 305 -> 351), leaving 8 pixels.
constexpr int kKnobSize = 38, kKnobFrames = 128;

// Slider handle: the slider view is 36 x 214 (the slider-geometry row); with a
// 54-pixel handle the travel is 214 - 54 = 160 pixels, and the handle's centre line
// runs from 27 to 187 pixels below the view's top (value 1 at the top).
constexpr int kSliderWidth = 36, kSliderViewHeight = 214, kHandleHeight = 54;
constexpr int kSliderTravel = kSliderViewHeight - kHandleHeight;

// Bar meters: four sections (Std, K12, K14, K20; the meter's style byte n = 4), each
// an unlit and a lit state of `travel` rows. The bar meters' style row puts the top
// of the scale 180 pixels above its foot, so travel = 180 and the strip is
// 4 x 2 x 180 = 1440 rows; the view is one state high (bitmap height / 4 / 2).
// Widths fit the x positions 982 (RMS), 995 (peak), 1018 (scale), 1049 (peak), 1068 (RMS).
constexpr int kBarTravel = 180, kBarSections = 4;
constexpr int kPeakBarWidth = 14, kRmsBarWidth = 12;
// The scale image stands 10 rows above the bars (177 against 187): its frame is
// 200 rows, the scale's 0 dB at row 10 and its floor at row 190.
constexpr int kScaleWidth = 31, kScaleFrameHeight = 200, kScaleTop = 10;

// Needles: the view is the needle bitmap; it turns about a pivot 40 pixels below the
// bitmap's centre (the needle rows' aux low byte). 112 pixels wide (the needles sit at
// x 701 and 838, the lamps at 814 and 951), 124 high: pivot at (56, 102). A needle of
// length 54 at +-65 degrees reaches 54 sin 65 = 48.9 pixels sideways (< 56) and
// 102 - 54 cos 65 = 79 pixels down; upright its tip is at row 48: inside at every angle.
constexpr int kNeedleWidth = 112, kNeedleHeight = 124, kNeedlePivotBelowCentre = 40;
constexpr int kNeedleLength = 54;

// Sliding panels: closed, a panel lies at its alternate position and 17 rows of it
// show at the top edge (meter panel: 125 - 108; information panel: 365 - 348).
// Their buttons are 20 rows high and end on the panel's bottom edge (105 + 20 = 125,
// 345 + 20 = 365), so 17 rows of each button show.
constexpr int kMeterPanelWidth = 386, kMeterPanelHeight = 125;
constexpr int kInfoPanelWidth = 306, kInfoPanelHeight = 365;
constexpr int kTabButtonWidth = 76, kTabButtonHeight = 20;
// The tab of a closed panel: its button with a 2-pixel margin; the rest of the strip
// is transparent so presses reach the views behind it.
constexpr int kTabWidth = 80, kTabTop = 3;  // rows above the button that belong to the tab

// MIDI-learn panel with its three boxes (relative to the panel).
constexpr int kMidiPanelWidth = 160, kMidiPanelHeight = 108;
struct Box {
    int left, top, right, bottom;
};
constexpr Box kMidiNameBox{6, 28, 154, 52};
constexpr Box kMidiControllerBox{99, 57, 138, 71};
constexpr Box kMidiOkBox{42, 80, 116, 101};

// Buttons and lamps.
constexpr int kBypassWidth = 100, kBypassHeight = 24, kBypassFrames = 8;
constexpr int kEqOnWidth = 17, kEqOnHeight = 56;  // between the EQ window (ends 315) and the curve (333)
constexpr int kWebButtonWidth = 150, kWebButtonHeight = 24;
constexpr int kClipWidth = 34, kClipHeight = 16;
constexpr int kLedSize = 18;

// Option pictures, one frame per item. The scope-input pictures stand 87 pixels
// apart in the 386-pixel meter panel, the second column at 310: at most 74 wide.
constexpr int kModeWidth = 100, kModeHeight = 24;        // Stereo Mode, Lev Detect
constexpr int kMeterSelectWidth = 108, kMeterSelectHeight = 18;
constexpr int kPeakInputWidth = 90, kPeakInputHeight = 24;
constexpr int kScopeInputWidth = 74, kScopeInputHeight = 24;

}  // namespace skins::geometry
