#include "tools/LevelTrace.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr double kSilentDb = -60.0;  // windows quieter than this carry no reduction figure

double ToDb(double power) { return power > 1e-20 ? 10.0 * std::log10(power) : -200.0; }

}  // namespace

double PeakDb(const std::vector<float>& channel) {
    double peak = 0.0;
    for (float v : channel) peak = std::max(peak, std::fabs(static_cast<double>(v)));
    return peak > 0.0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
}

double RmsDb(const std::vector<float>& channel) {
    double sum = 0.0;
    for (float v : channel) sum += static_cast<double>(v) * v;
    if (channel.empty() || sum <= 0.0) return -std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(sum / static_cast<double>(channel.size()));
}

LevelTrace MeasureLevels(const std::vector<float>& inL, const std::vector<float>& inR,
                         const std::vector<float>& outL, const std::vector<float>& outR, int sampleRate,
                         int delayFrames, double makeupDb) {
    LevelTrace trace;
    const size_t window = std::max<size_t>(1, static_cast<size_t>(sampleRate * trace.windowSeconds));
    const size_t frames = std::min(inL.size(), outL.size());
    double reductionSum = 0.0;
    size_t reductionCount = 0;
    for (size_t start = 0; start + window <= frames; start += window) {
        double inPower = 0.0, outPower = 0.0;
        for (size_t i = start; i < start + window; ++i) {
            const long source = static_cast<long>(i) - delayFrames;
            if (source >= 0) {
                const size_t s = static_cast<size_t>(source);
                inPower += 0.5 * (static_cast<double>(inL[s]) * inL[s] + static_cast<double>(inR[s]) * inR[s]);
            }
            if (std::isfinite(outL[i]) && std::isfinite(outR[i]))
                outPower += 0.5 * (static_cast<double>(outL[i]) * outL[i] + static_cast<double>(outR[i]) * outR[i]);
        }
        const double inDb = ToDb(inPower / static_cast<double>(window));
        const double outDb = ToDb(outPower / static_cast<double>(window));
        trace.inputDb.push_back(static_cast<float>(inDb));
        trace.outputDb.push_back(static_cast<float>(outDb));
        if (inDb > kSilentDb) {
            const double reduction = inDb + makeupDb - outDb;
            trace.reductionDb.push_back(static_cast<float>(reduction));
            trace.maxReductionDb = std::max(trace.maxReductionDb, reduction);
            reductionSum += reduction;
            ++reductionCount;
        } else {
            trace.reductionDb.push_back(std::numeric_limits<float>::quiet_NaN());
        }
    }
    trace.averageReductionDb = reductionCount ? reductionSum / static_cast<double>(reductionCount) : 0.0;
    return trace;
}

bool PlotLevels(const LevelTrace& trace, const std::string& title, const std::string& path, std::string& error) {
    const int width = 1200, height = 520;
    const double left = 70, right = width - 20, top = 50, levelBottom = 330, grTop = 360, grBottom = height - 40;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.08, 0.09, 0.11);
    cairo_paint(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);

    const size_t n = trace.inputDb.size();
    const double seconds = static_cast<double>(n) * trace.windowSeconds;
    auto x = [&](size_t i) { return left + (right - left) * (n > 1 ? static_cast<double>(i) / (n - 1) : 0.0); };
    const double levelMin = -60.0, levelMax = 6.0, grMax = 24.0;
    auto yLevel = [&](double db) {
        db = std::clamp(db, levelMin, levelMax);
        return levelBottom - (levelBottom - top) * (db - levelMin) / (levelMax - levelMin);
    };
    auto yReduction = [&](double db) { return grTop + (grBottom - grTop) * std::clamp(db, 0.0, grMax) / grMax; };

    // Grid and labels.
    cairo_set_line_width(cr, 1.0);
    cairo_set_font_size(cr, 11.0);
    char label[64];
    for (double db = levelMin; db <= levelMax; db += 6.0) {
        cairo_set_source_rgb(cr, 0.22, 0.24, 0.28);
        cairo_move_to(cr, left, yLevel(db) + 0.5);
        cairo_line_to(cr, right, yLevel(db) + 0.5);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0.65, 0.67, 0.72);
        std::snprintf(label, sizeof label, "%+.0f dB", db);
        cairo_move_to(cr, 12, yLevel(db) + 4);
        cairo_show_text(cr, label);
    }
    for (double db = 0; db <= grMax; db += 6.0) {
        cairo_set_source_rgb(cr, 0.22, 0.24, 0.28);
        cairo_move_to(cr, left, yReduction(db) + 0.5);
        cairo_line_to(cr, right, yReduction(db) + 0.5);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0.65, 0.67, 0.72);
        std::snprintf(label, sizeof label, "-%.0f dB", db);
        cairo_move_to(cr, 12, yReduction(db) + 4);
        cairo_show_text(cr, label);
    }
    const double step = seconds > 30 ? 5.0 : (seconds > 8 ? 2.0 : 1.0);
    for (double s = 0; s <= seconds; s += step) {
        const double px = left + (right - left) * (seconds > 0 ? s / seconds : 0);
        cairo_set_source_rgb(cr, 0.65, 0.67, 0.72);
        std::snprintf(label, sizeof label, "%.0f s", s);
        cairo_move_to(cr, px - 8, height - 18);
        cairo_show_text(cr, label);
    }

    auto curve = [&](const std::vector<float>& values, auto y, double r, double g, double b, double lineWidth) {
        cairo_set_source_rgb(cr, r, g, b);
        cairo_set_line_width(cr, lineWidth);
        bool drawing = false;
        for (size_t i = 0; i < values.size(); ++i) {
            if (!std::isfinite(values[i])) {
                drawing = false;
                continue;
            }
            if (drawing) cairo_line_to(cr, x(i), y(values[i]));
            else cairo_move_to(cr, x(i), y(values[i]));
            drawing = true;
        }
        cairo_stroke(cr);
    };
    curve(trace.inputDb, yLevel, 0.55, 0.58, 0.64, 1.0);
    curve(trace.outputDb, yLevel, 0.30, 0.85, 0.55, 1.3);
    curve(trace.reductionDb, yReduction, 0.95, 0.42, 0.32, 1.3);

    // Title and legend.
    cairo_set_font_size(cr, 16.0);
    cairo_set_source_rgb(cr, 0.92, 0.93, 0.95);
    cairo_move_to(cr, left, 28);
    cairo_show_text(cr, title.c_str());
    cairo_set_font_size(cr, 12.0);
    const struct {
        const char* text;
        double r, g, b;
    } legend[] = {{"input", 0.55, 0.58, 0.64}, {"output", 0.30, 0.85, 0.55}, {"gain reduction", 0.95, 0.42, 0.32}};
    double lx = right - 330;
    for (const auto& item : legend) {
        cairo_set_source_rgb(cr, item.r, item.g, item.b);
        cairo_rectangle(cr, lx, 19, 18, 4);
        cairo_fill(cr);
        cairo_move_to(cr, lx + 24, 26);
        cairo_show_text(cr, item.text);
        lx += 100;
    }

    cairo_destroy(cr);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "cannot write '" + path + "': " + cairo_status_to_string(status);
        return false;
    }
    return true;
}
