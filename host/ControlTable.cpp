// The control table: one row per host parameter and per editor element, in the
// order in which the editor lays out its window, plus the index maps over it.

#include "host/ControlTable.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>

// Tooltip texts ("\n" breaks a tooltip into lines).

// Host parameters.
static const char kTipAutoRelease[] = "Auto Release Scale %\n0 = Off";
static const char kTipParallel[] = "Parallel Compression\nWet/Dry Mix (%)\n0= Wet   100= Dry";
static const char kTipAttack[] = "Compressor Attack Time (ms)";
static const char kTipHold[] = "Compressor Hold Time (ms)";
static const char kTipRelease[] = "Compressor Release Time (ms)";
static const char kTipCompThreshold[] = "Compressor Threshold (dBFS): The level above which compression applies";
static const char kTipCompRatio[] = "Compression Ratio";
static const char kTipCompKnee[] = "Compressor Knee";
static const char kTipExpThreshold[] = "Expander Threshold (dBFS): The level below which expansion applies";
static const char kTipExpRatio[] = "Expansion Ratio";
static const char kTipExpKnee[] = "Expander Knee";
static const char kTipGain[] = "Make up Gain (dB)";
static const char kTipLookAhead[] = "Look Ahead (ms)\nLook Ahead adds latency(delay)\nto the output signal";
static const char kTipStereoMode[] = "Detector Source\nStereo: Left + Right\nM/S Mono: Mid + Side\nSidechain: L/R Sidechain In";
static const char kTipSensitivity[] = "Compressor Sensitivity (Hz)\n2Hz=500(ms) : 1000Hz=1(ms)\nFrequencies below this setting\nmay have modulation distortion";
static const char kTipLevelDetect[] = "Level Detection";
static const char kTipEqFreq1[] = "Freq 1";
static const char kTipEqGain1[] = "Gain 1";
static const char kTipEqWidth1[] = "BandWidth 1";
static const char kTipEqFreq2[] = "Freq 2";
static const char kTipEqGain2[] = "Gain 2";
static const char kTipEqWidth2[] = "BandWidth 2";
static const char kTipEqFreq3[] = "Freq 3";
static const char kTipEqGain3[] = "Gain 3";
static const char kTipEqWidth3[] = "BandWidth 3";
static const char kTipEqActive[] = "3 Band Parametric EQ Active On/OFF";
static const char kTipMeterType[] = "Bar Meter Display Scale";
static const char kTipContour[] = "Contour";
static const char kTipPeakDisplay[] = "Peak Meter Display";
static const char kTipScope1[] = "Scope 1 Display";
static const char kTipScope2[] = "Scope 2 Display";
static const char kTipScope3[] = "Scope 3 Display";
static const char kTipScope4[] = "Scope 4 Display";

// Editor elements.
static const char kTipBypass[] = "Bypass the process\nAllows you to do A/B comparison";
static const char kTipInformation[] = "Information";
static const char kTipMeterSettings[] = "Meter Display Settings";
static const char kTipWebsite[] = "Visit Our Website";
static const char kTipScope[] = "4 Channel Scope (Peak)";
static const char kTipDbScale[] = "dB Scale";
static const char kTipPeakMeterL[] = "Left Peak Meter";
static const char kTipPeakMeterR[] = "Right Peak Meter";
static const char kTipRmsMeterL[] = "Left RMS Meter";
static const char kTipRmsMeterR[] = "Right RMS Meter";
static const char kTipPeakOverloadL[] = "Peak Overload Indicator L";
static const char kTipPeakOverloadR[] = "Peak Overload Indicator R";
static const char kTipPeakLevelL[] = "Left Peak dB level";
static const char kTipPeakLevelR[] = "Right Peak dB level";
static const char kTipVoltMeterL[] = "Left Peak Volt Meter: 0dBFS";
static const char kTipVoltMeterR[] = "Right Peak Volt Meter: 0dBFS";
static const char kTipOverloadL[] = "Overload Indicator L";
static const char kTipOverloadR[] = "Overload Indicator R";
static const char kTipMidiLearn[] = "Midi Learn:\nMove External Controller";

// Fields: tag, flags, type, aux, x, y, bitmap, low, high, label, options, tooltip.
// Row 0 is the header (the window background); the rows up to the end row follow
// in layout order. Number fields carry no tooltip of their own: the editor gives
// them the tooltip of the knob or slider they are linked to.
// Auto.Rel (row 36) spans 0..100 % so the automatic release can be set at all;
// Stereo Mode (row 51) offers the sidechain detector source as a third item.
const ControlDescriptor controlTable[kControlTableRows] = {
    /*   0 */ {0, 0, 0, 1, 0, 0, "BGD.png", 0.0f, 0.0f, "BGD.png", "", ""},
    /*   1 */ {0, 0, kTypeFont, -1, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*   2 */ {0, 0, kTypeControlStyle, 0, 0, 0, "", 0.1f, 0.0f, "", "", ""},
    /*   3 */ {0, 0, kTypeKnobFrames, -1, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*   4 */ {0, 0, kTypeTextStyle, 0, 160, 14, "", 0.0f, 0.0f, "", "", ""},
    /*   5 */ {30, 0, 0, -1, -800, -700, "Knob.png", 0.0f, 1000.0f, "AtkConstA", "", ""},
    /*   6 */ {31, 0, 0, -1, -840, -700, "Knob.png", 0.0f, 500.0f, "AtkConstB", "", ""},
    /*   7 */ {32, 0, 19, -1, -900, -700, "", 0.0f, 6.0f, "AtkContour", "Lin,Exp,Exp2,IExp,SCrv,SCrv2,ISCrv,", kTipContour},
    /*   8 */ {33, 0, 0, -1, -800, -600, "Knob.png", 0.0f, 1000.0f, "HoldConstA", "", ""},
    /*   9 */ {34, 0, 0, -1, -840, -600, "Knob.png", 0.0f, 500.0f, "HoldConstB", "", ""},
    /*  10 */ {35, 0, 19, -1, -900, -600, "", 0.0f, 6.0f, "HoldContour", "Lin,Exp,Exp2,IExp,SCrv,SCrv2,ISCrv,", kTipContour},
    /*  11 */ {36, 0, 0, -1, -800, -500, "Knob.png", 0.0f, 4000.0f, "RelConstA", "", ""},
    /*  12 */ {37, 0, 0, -1, -840, -500, "Knob.png", 0.0f, 2000.0f, "RelConstB", "", ""},
    /*  13 */ {38, 0, 19, -1, -900, -500, "", 0.0f, 6.0f, "RelContour", "Lin,Exp,Exp2,IExp,SCrv,SCrv2,ISCrv,", kTipContour},
    /*  14 */ {39, 0, 0, -1, -800, -800, "Knob.png", 0.0f, 48.0f, "GainConstA", "", ""},
    /*  15 */ {40, 0, 0, -1, -840, -800, "Knob.png", -24.0f, 24.0f, "GainConstB", "", ""},
    /*  16 */ {41, 0, 19, -1, -900, -800, "", 0.0f, 6.0f, "GainContour", "Lin,Exp,Exp2,IExp,SCrv,SCrv2,ISCrv,", kTipContour},
    /*  17 */ {0, 0, kTypeTextStyle, 15, 34, 14, "", 0.0f, 0.0f, "", "", ""},
    /*  18 */ {9, 0, 2, -1, 215, 175, "Knob.png", 0.1f, 20.0f, "Comp Ratio", "", kTipCompRatio},
    /*  19 */ {59, 0, 30, -1, 215, 221, "", 1.0f, 20.0f, "", "", ""},
    /*  20 */ {59, 0, kTypeLinkNumber, 9, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  21 */ {12, 0, 2, -1, 279, 175, "Knob.png", 0.1f, 4.0f, "Exp Ratio", "", kTipExpRatio},
    /*  22 */ {62, 0, 30, -1, 279, 221, "", 1.0f, 4.0f, "", "", ""},
    /*  23 */ {62, 0, kTypeLinkNumber, 12, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  24 */ {15, 0, 0, -1, 246, 347, "Knob.png", 0.0f, 50.0f, "LookAhead", "", kTipLookAhead},
    /*  25 */ {51, 0, 29, -1, 244, 393, "", 0.0f, 50.0f, "", "", ""},
    /*  26 */ {51, 0, kTypeLinkNumber, 15, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  27 */ {4, 0, 2, -1, 715, 305, "Knob.png", 0.0f, 500.0f, "Attack", "", kTipAttack},
    /*  28 */ {53, 0, 29, -1, 711, 351, "", 0.0f, 500.0f, "", "", ""},
    /*  29 */ {53, 0, kTypeLinkNumber, 4, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  30 */ {5, 0, 2, -1, 778, 305, "Knob.png", 0.0f, 500.0f, "Hold", "", kTipHold},
    /*  31 */ {54, 0, 29, -1, 775, 351, "", 0.0f, 500.0f, "", "", ""},
    /*  32 */ {54, 0, kTypeLinkNumber, 5, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  33 */ {6, 0, 2, -1, 840, 305, "Knob.png", 0.0f, 2000.0f, "Release", "", kTipRelease},
    /*  34 */ {55, 0, 28, -1, 838, 351, "", 0.0f, 2000.0f, "", "", ""},
    /*  35 */ {55, 0, kTypeLinkNumber, 6, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  36 */ {2, 0, 0, -1, 1905, 305, "Knob.png", 0.0f, 100.0f, "Auto.Rel", "", kTipAutoRelease},
    /*  37 */ {17, 0, 2, -1, 715, 369, "Knob.png", 2.0f, 1000.0f, "Sensitivity", "", kTipSensitivity},
    /*  38 */ {57, 0, 28, -1, 774, 395, "", 2.0f, 1000.0f, "", "", ""},
    /*  39 */ {57, 0, kTypeLinkNumber, 17, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  40 */ {3, 0, 0, -1, 840, 369, "Knob.png", 0.0f, 100.0f, "Parallel", "", kTipParallel},
    /*  41 */ {52, 0, 29, -1, 903, 395, "", 0.0f, 100.0f, "", "", ""},
    /*  42 */ {52, 0, kTypeLinkNumber, 3, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  43 */ {0, 0, kTypeTextStyle, 15, 44, 14, "", 0.0f, 0.0f, "", "", ""},
    /*  44 */ {10, 0, 0, -1, 215, 264, "Knob.png", 0.0f, 100.0f, "Comp.Knee", "", kTipCompKnee},
    /*  45 */ {60, 0, 29, -1, 213, 310, "", 0.0f, 100.0f, "", "", ""},
    /*  46 */ {60, 0, kTypeLinkNumber, 10, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  47 */ {13, 0, 0, -1, 279, 264, "Knob.png", 0.0f, 100.0f, "Exp.Knee", "", kTipExpKnee},
    /*  48 */ {63, 0, 29, -1, 278, 310, "", 0.0f, 100.0f, "", "", ""},
    /*  49 */ {63, 0, kTypeLinkNumber, 13, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  50 */ {0, 0, kTypeControlStyle, 0, 0, 0, "", 0.1f, 0.0f, "", "", ""},
    /*  51 */ {16, 0, 21, -1, 329, 387, "ST_ModeD.png", 0.0f, 2.0f, "Stereo Mode", "Stereo,M/S Mono,Sidechain,", kTipStereoMode},
    /*  52 */ {18, 0, 21, -1, 584, 386, "LevelDetection.png", 0.0f, 1.0f, "Lev Detect", "Peak,RMS,", kTipLevelDetect},
    /*  53 */ {0, 0, kTypeControlStyle, 8, 0, 0, "", 0.5f, 0.0f, "", "", ""},
    /*  54 */ {65, 0, 11, -1, 456, 387, "Bypass.png", 0.0f, 1.0f, "Bypass", "", kTipBypass},
    /*  55 */ {0, 0, kTypeTextStyle, 15, 36, 14, "", 0.0f, 0.0f, "", "", ""},
    /*  56 */ {0, 0, kTypeSliderGeometry, 1, 36, 214, "", 0.0f, 0.0f, "", "", ""},
    /*  57 */ {8, 0, 5, -1, 15, 177, "sliderhead.png", -80.0f, 0.0f, "Comp Thresh", "", kTipCompThreshold},
    /*  58 */ {58, 0, 29, -1, 5, 393, "", -80.0f, 0.0f, "", "", ""},
    /*  59 */ {58, 0, kTypeLinkNumber, 8, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  60 */ {11, 0, 5, -1, 84, 177, "sliderhead.png", -80.0f, 0.0f, "Exp Thresh", "", kTipExpThreshold},
    /*  61 */ {61, 0, 29, -1, 74, 393, "", -80.0f, 0.0f, "", "", ""},
    /*  62 */ {61, 0, kTypeLinkNumber, 11, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  63 */ {14, 0, 5, -1, 151, 177, "sliderhead.png", -24.0f, 24.0f, "Gain", "", kTipGain},
    /*  64 */ {64, 0, 29, -1, 142, 393, "", -24.0f, 24.0f, "", "", ""},
    /*  65 */ {64, 0, kTypeLinkNumber, 14, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  66 */ {72, 0, 63, 3, 333, 8, "", 354.0f, 354.0f, "", "", ""},
    /*  67 */ {72, 0, kTypeLinkWindow, 0, 8, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  68 */ {72, 0, kTypeLinkWindow, 1, 9, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  69 */ {72, 0, kTypeLinkWindow, 2, 10, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  70 */ {72, 0, kTypeLinkWindow, 3, 14, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  71 */ {72, 0, kTypeLinkWindow, 5, 11, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  72 */ {72, 0, kTypeLinkWindow, 6, 12, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  73 */ {72, 0, kTypeLinkWindow, 7, 13, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  74 */ {0, 0, kTypeKnobFrames, -1, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  75 */ {19, 0, 0, -1, -200, -200, "Knob.png", 20.0f, 20480.0f, "Eq Freq 1", "", kTipEqFreq1},
    /*  76 */ {20, 0, 0, -1, -240, -200, "Knob.png", -15.0f, 15.0f, "Eq Gain 1", "", kTipEqGain1},
    /*  77 */ {21, 0, 0, -1, -280, -200, "Knob.png", 0.0f, 10.0f, "Eq BWidth 1", "", kTipEqWidth1},
    /*  78 */ {22, 0, 0, -1, -200, -300, "Knob.png", 20.0f, 20480.0f, "Eq Freq 2", "", kTipEqFreq2},
    /*  79 */ {23, 0, 0, -1, -240, -300, "Knob.png", -15.0f, 15.0f, "Eq Gain 2", "", kTipEqGain2},
    /*  80 */ {24, 0, 0, -1, -280, -300, "Knob.png", 0.0f, 10.0f, "Eq BWidth 2", "", kTipEqWidth2},
    /*  81 */ {25, 0, 0, -1, -200, -400, "Knob.png", 20.0f, 20480.0f, "Eq Freq 3", "", kTipEqFreq3},
    /*  82 */ {26, 0, 0, -1, -240, -400, "Knob.png", -15.0f, 15.0f, "Eq Gain 3", "", kTipEqGain3},
    /*  83 */ {27, 0, 0, -1, -280, -400, "Knob.png", 0.0f, 10.0f, "Eq BWidth 3", "", kTipEqWidth3},
    /*  84 */ {73, 0, 83, 3, 9, 8, "", 306.0f, 133.0f, "", "", ""},
    /*  85 */ {73, 0, kTypeLinkWindow, 0, 19, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  86 */ {73, 0, kTypeLinkWindow, 1, 22, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  87 */ {73, 0, kTypeLinkWindow, 2, 25, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  88 */ {73, 0, kTypeLinkWindow, 5, 20, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  89 */ {73, 0, kTypeLinkWindow, 6, 23, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  90 */ {73, 0, kTypeLinkWindow, 7, 26, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  91 */ {73, 0, kTypeLinkWindow, 10, 21, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  92 */ {73, 0, kTypeLinkWindow, 11, 24, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  93 */ {73, 0, kTypeLinkWindow, 12, 27, 0, "", 0.0f, 0.0f, "", "", ""},
    /*  94 */ {0, 0, kTypeControlStyle, 0, 0, 0, "", 0.1f, 0.0f, "", "", ""},
    /*  95 */ {28, 0, 13, -1, 315, 8, "eqon.png", 0.0f, 10.0f, "EQ Active", "", kTipEqActive},
    /*  96 */ {0, 0, kTypeControlStyle, 2, 0, 0, "", 1.0f, 0.0f, "", "", ""},
    /*  97 */ {80, kDisplayOnly, 7, -1, 979, 168, "clip.png", 0.0f, 1.0f, "", "", kTipPeakOverloadL},
    /*  98 */ {81, kDisplayOnly, 7, -1, 1045, 168, "clip.png", 0.0f, 1.0f, "", "", kTipPeakOverloadR},
    /*  99 */ {1, 0, kTypeControlStyle, 0, 0, 180, "", 0.15f, 0.0f, "", "", ""},
    /* 100 */ {29, 0, 21, -1, 976, 147, "meterselect.png", 0.0f, 3.0f, "Meter Type", "Std,K12,K14,K20,", kTipMeterType},
    /* 101 */ {75, 0, 55, 4, 1018, 177, "BarScale.png", 1.0f, 0.0f, "", "", kTipDbScale},
    /* 102 */ {76, 0, 71, 255, 995, 187, "PkBar.png", -50.0f, 0.0f, "", "", kTipPeakMeterL},
    /* 103 */ {77, 0, 71, 255, 1049, 187, "PkBar.png", -50.0f, 0.0f, "", "", kTipPeakMeterR},
    /* 104 */ {78, 0, 71, 255, 982, 187, "RmsBar.png", -50.0f, 0.0f, "", "", kTipRmsMeterL},
    /* 105 */ {79, 0, 71, 255, 1068, 187, "RmsBar.png", -50.0f, 0.0f, "", "", kTipRmsMeterR},
    /* 106 */ {0, 0, kTypeFont, -1, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 107 */ {0, 0, kTypeTextStyle, 15, 30, 14, "", 0.0f, 0.0f, "", "", ""},
    /* 108 */ {82, 0, 34, -1, 980, 395, "", 0.0f, 1.0f, "", "", kTipPeakLevelL},
    /* 109 */ {83, 0, 34, -1, 1038, 395, "", 0.0f, 1.0f, "", "", kTipPeakLevelR},
    /* 110 */ {76, 0, kTypeLinkIndicator, 0, 80, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 111 */ {76, 0, kTypeLinkIndicator, 1, 82, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 112 */ {77, 0, kTypeLinkIndicator, 0, 81, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 113 */ {77, 0, kTypeLinkIndicator, 1, 83, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 114 */ {0, 0, kTypeControlStyle, 0, -65, 65, "", 0.1f, 0.0f, "", "", ""},
    /* 115 */ {86, 0, 67, 40, 701, 155, "dB_Needle2.png", -50.0f, 0.0f, "", "", ""},
    /* 116 */ {87, 0, 67, 40, 838, 155, "dB_Needle2.png", -50.0f, 0.0f, "", "", ""},
    /* 117 */ {84, 0, 67, 40, 701, 155, "dB_Needle1.png", -50.0f, 0.0f, "", "", kTipVoltMeterL},
    /* 118 */ {85, 0, 67, 40, 838, 155, "dB_Needle1.png", -50.0f, 0.0f, "", "", kTipVoltMeterR},
    /* 119 */ {0, 0, kTypeControlStyle, 2, 0, 0, "", 1.0f, 0.0f, "", "", ""},
    /* 120 */ {88, kDisplayOnly, 7, -1, 814, 160, "led.png", 0.0f, 1.0f, "", "", kTipOverloadL},
    /* 121 */ {89, kDisplayOnly, 7, -1, 951, 160, "led.png", 0.0f, 1.0f, "", "", kTipOverloadR},
    /* 122 */ {84, 0, kTypeLinkIndicator, 0, 88, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 123 */ {85, 0, kTypeLinkIndicator, 0, 89, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 124 */ {86, 0, kTypeLinkIndicator, 0, 88, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 125 */ {87, 0, kTypeLinkIndicator, 0, 89, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 126 */ {74, 0, 62, -1, 698, 8, "", 384.0f, 133.0f, "", "", kTipScope},
    /* 127 */ {0, 0, kTypePanelGeometry, 0, 774, -348, "", 0.1f, 1.0f, "", "", ""},
    /* 128 */ {0, 0, kTypeBeginPanel, -1, 774, -3, "InfoPanelD.png", 0.0f, 0.0f, "", "", ""},
    /* 129 */ {70, kGlobalValue, 14, -1, 38, 108, "DSD.png", 0.0f, 1.0f, "", "", kTipWebsite},
    /* 130 */ {67, kGlobalValue, 17, -1, 2, 345, "InfoBut.png", 0.0f, 1.0f, "", "", kTipInformation},
    /* 131 */ {0, 0, kTypeEndPanel, 0, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 132 */ {0, 0, kTypePanelGeometry, 0, 694, -108, "", 0.1f, 1.0f, "", "", ""},
    /* 133 */ {1, 0, kTypeBeginPanel, -1, 694, 0, "MeterPanel.png", 0.0f, 0.0f, "", "", ""},
    /* 134 */ {0, 0, kTypeControlStyle, 0, 0, 0, "", 0.1f, 0.0f, "", "", ""},
    /* 135 */ {42, 0, 21, -1, 121, 44, "input.png", 0.0f, 2.0f, "Peak Display", "Input,Output,", kTipPeakDisplay},
    /* 136 */ {43, 0, 21, -1, 223, 44, "scopeinput.png", 0.0f, 5.0f, "scope 1In", "OutputL,OutputR,InputL,InputR,Side L,Side R,", kTipScope1},
    /* 137 */ {44, 0, 21, -1, 310, 44, "scopeinput.png", 0.0f, 5.0f, "scope 2In", "OutputL,OutputR,InputL,InputR,Side L,Side R,", kTipScope2},
    /* 138 */ {45, 0, 21, -1, 223, 81, "scopeinput.png", 0.0f, 5.0f, "scope 3In", "OutputL,OutputR,InputL,InputR,Side L,Side R,", kTipScope3},
    /* 139 */ {46, 0, 21, -1, 310, 81, "scopeinput.png", 0.0f, 5.0f, "scope 4In", "OutputL,OutputR,InputL,InputR,Side L,Side R,", kTipScope4},
    /* 140 */ {68, kGlobalValue, 17, -1, 2, 105, "MeterBut.png", 0.0f, 1.0f, "", "", kTipMeterSettings},
    /* 141 */ {0, 0, kTypeEndPanel, 0, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 142 */ {67, 0, kTypeLinkAttachPanel, 0, -1, -1, "", 0.0f, 0.0f, "", "", ""},
    /* 143 */ {68, 0, kTypeLinkAttachPanel, 1, -1, -1, "", 0.0f, 0.0f, "", "", ""},
    /* 144 */ {0, 0, kTypePanelGeometry, 1, 204, 100, "", 0.1f, 0.0f, "", "", ""},
    /* 145 */ {40, 0, kTypeBeginPanel, -1, 204, 100, "AsnMidiCC.png", 0.0f, 0.0f, "", "", ""},
    /* 146 */ {91, 0, 54, -1, 0, 0, "AsnMidiCC.png", 0.0f, 0.0f, "", "", kTipMidiLearn},
    /* 147 */ {0, 0, kTypeEndPanel, 0, 0, 0, "", 0.0f, 0.0f, "", "", ""},
    /* 148 */ {0, 0, kTypeEndOfTable, 0, 0, 0, "", 0.0f, 0.0f, "", "", ""},
};

int32_t descriptorOfIndex[kParameterIndexCount] = {};
uint8_t ordinalOfIndex[kParameterIndexCount] = {};  // set to 0xFF by the build
int16_t optionCountOfIndex[kParameterIndexCount] = {};

namespace {

std::once_flag indexMapsBuilt;

// Type codes of the option elements (menus and image selectors).
bool IsOptionElement(int type) { return type == 16 || (type >= 19 && type <= 27); }

void BuildIndexMapsOnce()
{
    std::fill(std::begin(ordinalOfIndex), std::end(ordinalOfIndex), uint8_t{0xFF});

    int textEntryCount = 0;          // codes 41..45 share one count
    int singleCodeCount[5] = {};     // codes 46..50 count separately

    for (int row = 1; row < kControlTableRows; ++row) {
        const ControlDescriptor& d = controlTable[row];
        if (d.type == kTypeEndOfTable)
            break;
        if (d.tag >= kParameterIndexCount)
            continue;

        if (d.type < 99)
            descriptorOfIndex[d.tag] = row;

        if (d.type >= 41 && d.type <= 45)
            ordinalOfIndex[d.tag] = static_cast<uint8_t>(std::min(textEntryCount++, 0xFE));
        else if (d.type >= 46 && d.type <= 50)
            ordinalOfIndex[d.tag] =
                static_cast<uint8_t>(std::min(singleCodeCount[d.type - 46]++, 0xFE));

        // Counted now so the host can show option texts before any editor is opened.
        if (IsOptionElement(d.type))
            optionCountOfIndex[d.tag] = static_cast<int16_t>(CountOptionItems(d.options));
    }
}

}  // namespace

void BuildControlIndexMaps()
{
    std::call_once(indexMapsBuilt, BuildIndexMapsOnce);
}

const ControlDescriptor& DescriptorOf(int index)
{
    BuildControlIndexMaps();
    if (index < 0 || index >= kParameterIndexCount)
        return controlTable[0];
    const int32_t row = descriptorOfIndex[index];
    if (row <= 0 || row >= kControlTableRows)
        return controlTable[0];
    return controlTable[row];
}

int CountOptionItems(const char* options)
{
    if (options == nullptr)
        return 0;
    int count = 0;
    for (const char* p = options; *p != '\0'; ++p) {
        if (*p == ',')
            ++count;
    }
    return count;
}

bool CopyOptionItem(const char* options, int k, char* text, int maxChars)
{
    if (options == nullptr || text == nullptr || k < 0)
        return false;

    const char* item = options;
    for (int i = 0; i < k; ++i) {
        const char* comma = std::strchr(item, ',');
        if (comma == nullptr)
            return false;
        item = comma + 1;
    }
    // Text after the last comma is not an item.
    const char* end = std::strchr(item, ',');
    if (end == nullptr)
        return false;

    const size_t limit = maxChars > 0 ? static_cast<size_t>(maxChars) : 0;
    const size_t length = std::min(static_cast<size_t>(end - item), limit);
    std::memcpy(text, item, length);
    text[length] = '\0';
    return true;
}
