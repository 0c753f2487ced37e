// The meters' dB-to-picture laws, as the meters apply them to a level, so that the
// printed scales sit where the bars and needles will point.
#pragma once

#include <algorithm>
#include <cmath>

namespace skins {

// Below -30 dB the meters halve the scale: shown = (dB + 30) / 2 - 30, so the
// floor of -50 on the scale is -70 dBFS. The result is held to the floor .. 0.
inline double ShownDb(double dbfs) {
    double shown = dbfs < -30.0 ? (dbfs + 30.0) / 2.0 - 30.0 : dbfs;
    return std::clamp(shown, -50.0, 0.0);
}

// Bars: pixels per dB = travel / floor = 180 / -50 = -3.6, so a level lights the bar
// from shown x -3.6 pixels below its top down to its foot.
inline double BarRowsFromTop(double dbfs) { return ShownDb(dbfs) * (180.0 / -50.0); }

// The real level shown at a row of the bar (the inverse of the law above).
inline double DbfsAtBarRow(double row) {
    const double shown = row / (180.0 / -50.0);
    return shown < -30.0 ? (shown + 30.0) * 2.0 - 30.0 : shown;
}

// Needles: angle = slope x shown + offset with the needle style numbers -65 and 65:
// slope = (-65 - 65) / -50 = 2.6 degrees per dB, offset 65. 0 dBFS at +65 degrees,
// -30 dBFS at -13, -70 dBFS at -65 (clockwise from upright).
inline double NeedleDegrees(double dbfs) { return 2.6 * ShownDb(dbfs) + 65.0; }

// K-system offsets of the meter types Std, K12, K14, K20: a reading of u on the
// K scale is the level u - offset dBFS.
inline int KOffset(int meterType) {
    static const int offsets[4] = {0, 12, 14, 20};
    return offsets[std::clamp(meterType, 0, 3)];
}

}  // namespace skins
