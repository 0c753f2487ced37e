// Build tool: draws every skin the control table names, at each editor scale.
//   orva-make-skins --out DIR                 write them all into DIR (stale PNGs removed)
//   orva-make-skins --check DIR               fail when DIR differs from what is drawn now
//   orva-make-skins --compose FILE [--bank BANK] [--open] [--scale S]
//                                             the window as the editor lays it out, with
//                                             program 0's values (panels closed, or open),
//                                             from the skins for scale S (1, 1.5 or 2)
// Positions, sizes, labels and option texts come from the control table, so a row
// that moves moves its seat and label. Every picture is drawn in logical pixels at
// scales 1, 1.5 and 2 ("Knob.png", "Knob@1.5x.png", "Knob@2x.png"): the same
// geometry, rasterised for each scale rather than resampled. The output is the
// same on every run.
#include "host/ControlTable.h"
#include "host/PresetBank.h"
#include "platform/DisplayScale.h"
#include "tools/skins/MeterLaw.h"
#include "tools/skins/SkinGeometry.h"
#include "tools/skins/Skins.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace skins;

namespace {

std::vector<std::string> OptionItems(const char* options) {
    std::vector<std::string> items;
    for (int k = 0; k < CountOptionItems(options); ++k) {
        char text[64];
        if (CopyOptionItem(options, k, text, sizeof text - 1)) items.push_back(text);
    }
    return items;
}

const ControlDescriptor* FirstRowNaming(const std::string& name) {
    for (int row = 1; row < kControlTableRows; ++row)
        if (controlTable[row].bitmap && name == controlTable[row].bitmap) return &controlTable[row];
    return nullptr;
}

// The pictures that do not depend on the layout, by name; null for an unknown name.
CanvasPtr DrawControlSkin(const std::string& name, double scale) {
    using namespace geometry;
    const ControlDescriptor* row = FirstRowNaming(name);
    auto options = [&] { return OptionItems(row ? row->options : ""); };
    if (name == "Knob.png") return DrawKnob(scale);
    if (name == "sliderhead.png") return DrawSliderHandle(scale);
    if (name == "Bypass.png") return DrawBypass(scale);
    if (name == "eqon.png") return DrawEqOn(scale);
    if (name == "InfoBut.png") return DrawTabButton("INFO", scale);
    if (name == "MeterBut.png") return DrawTabButton("METERS", scale);
    if (name == "DSD.png") return DrawWebButton(scale);
    if (name == "clip.png") return DrawClip(scale);
    if (name == "led.png") return DrawLed(scale);
    if (name == "ST_ModeD.png" || name == "LevelDetection.png")
        return DrawOptionStrip(options(), kModeWidth, kModeHeight, false, scale);
    if (name == "meterselect.png")
        return DrawOptionStrip(options(), kMeterSelectWidth, kMeterSelectHeight, true, scale);
    if (name == "input.png") return DrawOptionStrip(options(), kPeakInputWidth, kPeakInputHeight, false, scale);
    if (name == "scopeinput.png") return DrawOptionStrip(options(), kScopeInputWidth, kScopeInputHeight, false, scale);
    if (name == "PkBar.png") return DrawBar(true, scale);
    if (name == "RmsBar.png") return DrawBar(false, scale);
    if (name == "BarScale.png") return DrawBarScale(scale);
    if (name == "dB_Needle1.png") return DrawNeedle(true, scale);
    if (name == "dB_Needle2.png") return DrawNeedle(false, scale);
    return nullptr;
}

// Sizes of the pictures that are drawn from the layout.
Size LayoutSkinSize(const std::string& name) {
    using namespace geometry;
    if (name == "BGD.png") return {kFaceWidth, kFaceHeight};
    if (name == "MeterPanel.png") return {kMeterPanelWidth, kMeterPanelHeight};
    if (name == "InfoPanelD.png") return {kInfoPanelWidth, kInfoPanelHeight};
    if (name == "AsnMidiCC.png") return {kMidiPanelWidth, kMidiPanelHeight};
    return {};
}

// Every picture by file name: "Knob.png" for scale 1, "Knob@2x.png" for 2, ...
struct SkinSet {
    std::map<std::string, CanvasPtr> canvases;
    std::vector<Placement> layout;  // from the logical sizes, the same at every scale
    std::string error;

    const Canvas* find(const char* name, double scale) const {
        auto it = canvases.find(orva::platform::scaledResourceName(name ? name : "", scale));
        return it == canvases.end() ? nullptr : it->second.get();
    }
};

// Draws every picture the table names for one scale.
bool DrawScale(SkinSet& set, double scale) {
    using orva::platform::scaledResourceName;
    const std::vector<std::string> names = SkinNames();
    for (const std::string& name : names) {
        if (LayoutSkinSize(name).width > 0) continue;
        CanvasPtr canvas = DrawControlSkin(name, scale);
        if (!canvas) {
            set.error = "the control table names " + name + ", which this generator cannot draw";
            return false;
        }
        set.canvases[scaledResourceName(name.c_str(), scale)] = std::move(canvas);
    }
    // Canvases answer their logical size, so the walk lands every element where the
    // editor puts it whatever the scale.
    set.layout = WalkTable([&](const std::string& name) {
        if (const Canvas* canvas = set.find(name.c_str(), scale)) return Size{canvas->width(), canvas->height()};
        return LayoutSkinSize(name);
    });
    for (int i = 0; i < int(set.layout.size()); ++i) {
        const Placement& p = set.layout[i];
        if (!p.isPanel || !p.d->bitmap) continue;
        const std::string name = p.d->bitmap, file = scaledResourceName(p.d->bitmap, scale);
        if (name == "MeterPanel.png") set.canvases[file] = DrawMeterPanel(set.layout, i, scale);
        if (name == "InfoPanelD.png") set.canvases[file] = DrawInfoPanel(set.layout, i, scale);
        if (name == "AsnMidiCC.png") set.canvases[file] = DrawMidiLearnPanel(scale);
    }
    set.canvases[scaledResourceName("BGD.png", scale)] = DrawFace(set.layout, scale);
    for (const std::string& name : names)
        if (!set.find(name.c_str(), scale)) {
            set.error = "no picture drawn for " + scaledResourceName(name.c_str(), scale);
            return false;
        }
    return true;
}

bool DrawAll(SkinSet& set) {
    if (!LoadFonts(set.error)) return false;
    for (double scale : orva::platform::kEditorScales)
        if (!DrawScale(set, scale)) return false;
    return true;
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

int WriteAll(const SkinSet& set, const fs::path& dir) {
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".png" && !set.canvases.count(entry.path().filename().string()))
            fs::remove(entry.path());
    for (const auto& [name, canvas] : set.canvases)
        if (!WriteFile(dir / name, canvas->png())) {
            std::fprintf(stderr, "orva-make-skins: cannot write %s\n", (dir / name).c_str());
            return 1;
        }
    std::printf("orva-make-skins: %zu skins written to %s\n", set.canvases.size(), dir.c_str());
    return 0;
}

int CheckAll(const SkinSet& set, const fs::path& dir) {
    int failures = 0;
    for (const auto& [name, canvas] : set.canvases) {
        if (!fs::exists(dir / name)) {
            std::fprintf(stderr, "missing: %s\n", name.c_str());
            ++failures;
        } else if (ReadFile(dir / name) != canvas->png()) {
            std::fprintf(stderr, "differs from what the generator draws now: %s\n", name.c_str());
            ++failures;
        }
    }
    if (fs::is_directory(dir))
        for (const auto& entry : fs::directory_iterator(dir))
            if (!set.canvases.count(entry.path().filename().string())) {
                std::fprintf(stderr, "not named by the control table: %s\n", entry.path().filename().c_str());
                ++failures;
            }
    if (failures) {
        std::fprintf(stderr, "%d skin file(s) out of date: run `ninja -C build orva-skins` and commit resources/PNG\n",
                     failures);
        return 1;
    }
    std::printf("orva-make-skins: %zu skins match\n", set.canvases.size());
    return 0;
}

// ---------------------------------------------------------------------------
// Composition: the window as the editor will show it.

class Composer {
public:
    Composer(const SkinSet& set, const PresetMemory* program, bool open, double scale)
        : set(set), program(program), open(open), scale(scale),
          out(geometry::kFaceWidth, geometry::kFaceHeight, scale) {}

    int write(const fs::path& file) {
        cairo_t* cr = out.cr();
        paint("BGD.png", 0, 0, 0, 0, geometry::kFaceWidth, geometry::kFaceHeight);
        for (int i = 0; i < int(set.layout.size()); ++i) {
            const Placement& p = set.layout[i];
            if (p.panel >= 0 || !p.isPanel) {
                if (p.panel < 0) control(p, 0, 0);
                continue;
            }
            if (p.d->tag == 40 && !open) continue;  // the MIDI-learn panel opens on request
            const int px = open ? p.x : p.altX, py = open ? p.y : p.altY;
            cairo_save(cr);
            paint(p.d->bitmap, px, py, 0, 0, p.width, p.height);
            for (const Placement& child : set.layout)
                if (child.panel == i) control(child, px, py);
            cairo_restore(cr);
        }
        if (!WriteFile(file, out.png())) return 1;
        std::printf("orva-make-skins: composed window written to %s\n", file.c_str());
        return 0;
    }

private:
    // Normalised value of a tag: program 0 for parameters, 0 for editor elements.
    double value(int tag) const {
        if (!program || tag < 0 || tag >= kPresetParamCount) return 0.0;
        return std::clamp(double(program->values[tag]), 0.0, 1.0);
    }

    void paint(const char* name, double x, double y, double sx, double sy, double w, double h) {
        const Canvas* canvas = set.find(name, scale);
        if (!canvas) return;
        cairo_t* cr = out.cr();
        cairo_save(cr);
        cairo_rectangle(cr, x, y, w, h);
        cairo_clip(cr);
        SetSourceCanvas(cr, *canvas, x - sx, y - sy);
        cairo_paint(cr);
        cairo_restore(cr);
    }

    void control(const Placement& p, int ox, int oy) {
        const int x = ox + p.x, y = oy + p.y;
        const ControlDescriptor& d = *p.d;
        const double v = value(d.tag);
        switch (KindOf(d.type)) {
        case Kind::Knob: {
            const double shown = d.type == 2 ? 1 - std::pow(1 - v, 4) : v;
            paint(d.bitmap, x, y, 0, int((p.frames - 1) * shown) * p.height, p.width, p.height);
            break;
        }
        case Kind::Slider: {
            const int travel = p.height - geometry::kHandleHeight;
            paint(d.bitmap, x, y + int((1 - v) * travel), 0, 0, p.width, geometry::kHandleHeight);
            break;
        }
        case Kind::OnOff:
        case Kind::Exclusive: paint(d.bitmap, x, y, 0, (open && d.type == 17) || v > 0 ? p.height : 0, p.width, p.height); break;
        case Kind::AnimButton: paint(d.bitmap, x, y, 0, 0, p.width, p.height); break;
        case Kind::OptionImage: {
            const int items = CountOptionItems(d.options);
            const int index = items > 1 ? int((items - 1) * v + 0.5) : 0;
            paint(d.bitmap, x, y, 0, index * p.height, p.width, p.height);
            break;
        }
        case Kind::Image: {
            const int type = int(3 * value(29) + 0.5);
            paint(d.bitmap, x, y, 0, type * p.height, p.width, p.height);
            break;
        }
        case Kind::Meter: meter(p, x, y); break;
        case Kind::Number: number(p, x, y); break;
        case Kind::MidiLearn:
            if (open) TextInBox(out.cr(), "Attack", x + 6, y + 28, 148, 24, 14, palette::kWhite);
            break;
        default: break;
        }
    }

    // A signal a little under -10 dBFS, so that every zone of the pictures shows.
    void meter(const Placement& p, int x, int y) {
        const ControlDescriptor& d = *p.d;
        if (d.type == 67) {
            const bool output = std::strcmp(d.bitmap, "dB_Needle1.png") == 0;
            const double dbfs = output ? (d.tag == 84 ? -12 : -14) : (d.tag == 86 ? -4 : -6);
            cairo_t* cr = out.cr();
            cairo_save(cr);
            cairo_rectangle(cr, x, y, p.width, p.height);
            cairo_clip(cr);
            const double cx = x + p.width / 2.0, cy = y + p.height / 2.0 + (d.aux & 0xFF);
            cairo_translate(cr, cx, cy);
            cairo_rotate(cr, NeedleDegrees(dbfs) * 3.14159265358979323846 / 180);
            cairo_translate(cr, -cx, -cy);
            SetSourceCanvas(cr, *set.find(d.bitmap, scale), x, y);
            cairo_paint(cr);
            cairo_restore(cr);
            return;
        }
        const bool peak = std::strcmp(d.bitmap, "PkBar.png") == 0;
        const double dbfs = peak ? (d.tag == 76 ? -3.5 : -5) : (d.tag == 78 ? -15 : -17);
        const int type = int(3 * value(29) + 0.5), section = type * 2 * p.height;
        const int unlit = int(BarRowsFromTop(dbfs));
        paint(d.bitmap, x, y, 0, section, p.width, unlit);
        paint(d.bitmap, x, y + unlit, 0, section + p.height + unlit, p.width, p.height - unlit);
    }

    void number(const Placement& p, int x, int y) {
        int shown = p.d->tag;
        for (int row = 1; row < kControlTableRows && controlTable[row].type != kTypeEndOfTable; ++row)
            if (controlTable[row].type == kTypeLinkNumber && controlTable[row].tag == p.d->tag) shown = controlTable[row].aux;
        const ControlDescriptor& range = DescriptorOf(shown);
        const int decimals = p.d->type <= 32 ? p.d->type - 28 : p.d->type - 33;
        char text[32];
        double display = range.low + (range.high - range.low) * value(shown);
        if (p.d->tag == 82 || p.d->tag == 83) display = p.d->tag == 82 ? -3.5 : -5.0;
        std::snprintf(text, sizeof text, "%1.*f", decimals, display);
        TextInBox(out.cr(), text, x, y, p.width, p.height, p.d->tag >= 82 ? 11 : 12, palette::kMint);
    }

    const SkinSet& set;
    const PresetMemory* program;
    bool open;
    double scale;
    Canvas out;
};

int Usage(const char* self) {
    std::fprintf(stderr,
                 "usage: %s --out DIR\n"
                 "       %s --check DIR\n"
                 "       %s --compose FILE [--bank BANK] [--open] [--scale 1|1.5|2]\n",
                 self, self, self);
    return 2;
}

}  // namespace

int Run(int argc, char** argv) {
    SkinSet set;
    if (!DrawAll(set)) {
        std::fprintf(stderr, "orva-make-skins: %s\n", set.error.c_str());
        return 1;
    }
    const std::string mode = argv[1];
    if (mode == "--out") return WriteAll(set, argv[2]);
    if (mode == "--check") return CheckAll(set, argv[2]);
    if (mode != "--compose") return Usage(argv[0]);
    std::vector<uint8_t> bank;
    bool open = false;
    double scale = 1.0;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--open") == 0) open = true;
        else if (std::strcmp(argv[i], "--bank") == 0 && i + 1 < argc) bank = ReadFile(argv[++i]);
        else if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) scale = std::atof(argv[++i]);
        else return Usage(argv[0]);
    }
    if (std::find(std::begin(orva::platform::kEditorScales), std::end(orva::platform::kEditorScales), scale) ==
        std::end(orva::platform::kEditorScales))
        return Usage(argv[0]);
    PresetMemory program{};
    const bool haveProgram = bank.size() >= sizeof(PresetMemory);
    if (haveProgram) std::memcpy(&program, bank.data(), sizeof program);
    return Composer(set, haveProgram ? &program : nullptr, open, scale).write(argv[2]);
}

int main(int argc, char** argv) {
    if (argc < 3) return Usage(argv[0]);
    BuildControlIndexMaps();
    const int status = Run(argc, argv);
    UnloadFonts();
    return status;
}
