// Build tool: draws every skin the control table names.
//   orva-make-skins --out DIR                 write them all into DIR (stale PNGs removed)
//   orva-make-skins --check DIR               fail when DIR differs from what is drawn now
//   orva-make-skins --compose FILE [--bank BANK] [--open]
//                                             the window as the editor lays it out, with
//                                             program 0's values (panels closed, or open)
// Positions, sizes, labels and option texts come from the control table, so a row
// that moves moves its seat and label. The output is the same on every run.
#include "host/ControlTable.h"
#include "host/PresetBank.h"
#include "tools/skins/MeterLaw.h"
#include "tools/skins/SkinGeometry.h"
#include "tools/skins/Skins.h"

#include <cmath>
#include <cstdio>
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
CanvasPtr DrawControlSkin(const std::string& name) {
    using namespace geometry;
    const ControlDescriptor* row = FirstRowNaming(name);
    auto options = [&] { return OptionItems(row ? row->options : ""); };
    if (name == "Knob.png") return DrawKnob();
    if (name == "sliderhead.png") return DrawSliderHandle();
    if (name == "Bypass.png") return DrawBypass();
    if (name == "eqon.png") return DrawEqOn();
    if (name == "InfoBut.png") return DrawTabButton("INFO");
    if (name == "MeterBut.png") return DrawTabButton("METERS");
    if (name == "DSD.png") return DrawWebButton();
    if (name == "clip.png") return DrawClip();
    if (name == "led.png") return DrawLed();
    if (name == "ST_ModeD.png" || name == "LevelDetection.png")
        return DrawOptionStrip(options(), kModeWidth, kModeHeight, false);
    if (name == "meterselect.png") return DrawOptionStrip(options(), kMeterSelectWidth, kMeterSelectHeight, true);
    if (name == "input.png") return DrawOptionStrip(options(), kPeakInputWidth, kPeakInputHeight, false);
    if (name == "scopeinput.png") return DrawOptionStrip(options(), kScopeInputWidth, kScopeInputHeight, false);
    if (name == "PkBar.png") return DrawBar(true);
    if (name == "RmsBar.png") return DrawBar(false);
    if (name == "BarScale.png") return DrawBarScale();
    if (name == "dB_Needle1.png") return DrawNeedle(true);
    if (name == "dB_Needle2.png") return DrawNeedle(false);
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

struct SkinSet {
    std::map<std::string, CanvasPtr> canvases;
    std::vector<Placement> layout;
    std::string error;
};

bool DrawAll(SkinSet& set) {
    if (!LoadFonts(set.error)) return false;
    const std::vector<std::string> names = SkinNames();
    for (const std::string& name : names) {
        if (LayoutSkinSize(name).width > 0) continue;
        CanvasPtr canvas = DrawControlSkin(name);
        if (!canvas) {
            set.error = "the control table names " + name + ", which this generator cannot draw";
            return false;
        }
        set.canvases[name] = std::move(canvas);
    }
    set.layout = WalkTable([&](const std::string& name) {
        auto it = set.canvases.find(name);
        if (it != set.canvases.end()) return Size{it->second->width(), it->second->height()};
        return LayoutSkinSize(name);
    });
    for (int i = 0; i < int(set.layout.size()); ++i) {
        const Placement& p = set.layout[i];
        if (!p.isPanel || !p.d->bitmap) continue;
        const std::string name = p.d->bitmap;
        if (name == "MeterPanel.png") set.canvases[name] = DrawMeterPanel(set.layout, i);
        if (name == "InfoPanelD.png") set.canvases[name] = DrawInfoPanel(set.layout, i);
        if (name == "AsnMidiCC.png") set.canvases[name] = DrawMidiLearnPanel();
    }
    set.canvases["BGD.png"] = DrawFace(set.layout);
    for (const std::string& name : names)
        if (!set.canvases.count(name)) {
            set.error = "no picture drawn for " + name;
            return false;
        }
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
    Composer(const SkinSet& set, const PresetMemory* program, bool open)
        : set(set), program(program), open(open), out(geometry::kFaceWidth, geometry::kFaceHeight) {}

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
        auto it = set.canvases.find(name ? name : "");
        if (it == set.canvases.end()) return;
        cairo_t* cr = out.cr();
        cairo_save(cr);
        cairo_rectangle(cr, x, y, w, h);
        cairo_clip(cr);
        cairo_set_source_surface(cr, it->second->surface(), x - sx, y - sy);
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
            cairo_set_source_surface(cr, set.canvases.at(d.bitmap)->surface(), x, y);
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
    Canvas out;
};

int Usage(const char* self) {
    std::fprintf(stderr,
                 "usage: %s --out DIR\n"
                 "       %s --check DIR\n"
                 "       %s --compose FILE [--bank BANK] [--open]\n",
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
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--open") == 0) open = true;
        else if (std::strcmp(argv[i], "--bank") == 0 && i + 1 < argc) bank = ReadFile(argv[++i]);
        else return Usage(argv[0]);
    }
    PresetMemory program{};
    const bool haveProgram = bank.size() >= sizeof(PresetMemory);
    if (haveProgram) std::memcpy(&program, bank.data(), sizeof program);
    return Composer(set, haveProgram ? &program : nullptr, open).write(argv[2]);
}

int main(int argc, char** argv) {
    if (argc < 3) return Usage(argv[0]);
    BuildControlIndexMaps();
    const int status = Run(argc, argv);
    UnloadFonts();
    return status;
}
