#include "tools/skins/TableWalk.h"

#include "tools/skins/SkinGeometry.h"

#include <algorithm>

namespace skins {

Kind KindOf(int type) {
    if (type >= 0 && type <= 4) return Kind::Knob;
    if (type == 5 || type == 6) return Kind::Slider;
    if (type >= 7 && type <= 12) return Kind::AnimButton;
    if (type >= 13 && type <= 15) return Kind::OnOff;
    if (type == 17 || type == 18) return Kind::Exclusive;
    if (type == 19) return Kind::OptionText;
    if (type >= 20 && type <= 27) return Kind::OptionImage;
    if (type >= 28 && type <= 37) return Kind::Number;
    if (type == 54) return Kind::MidiLearn;
    if (type >= 55 && type <= 59) return Kind::Image;
    if (type == 62) return Kind::Scope;
    if (type >= 63 && type <= 66) return Kind::Curve;
    if (type >= 67 && type <= 73) return Kind::Meter;
    if (type >= 83 && type <= 90) return Kind::EqWindow;
    if (type == kTypeBeginPanel || type == kTypeBeginPanelOwnRect) return Kind::Panel;
    return Kind::Other;
}

std::vector<Placement> WalkTable(const std::function<Size(const std::string&)>& skinSize) {
    std::vector<Placement> out;
    int knobFrames = 0, animFrames = 0;
    int sliderWidth = 0, sliderHeight = 0;
    int altX = 0, altY = 0;
    struct Level {
        int panel;
        int boxWidth, boxHeight;  // the default text box belongs to one nesting level
    };
    std::vector<Level> levels{{-1, 0, 0}};

    for (int row = 1; row < kControlTableRows; ++row) {
        const ControlDescriptor& d = controlTable[row];
        if (d.type == kTypeEndOfTable) break;
        Level& level = levels.back();
        switch (d.type) {
        case kTypeKnobFrames: knobFrames = d.x; continue;
        case kTypeControlStyle: animFrames = d.aux; continue;
        case kTypeSliderGeometry: sliderWidth = d.x; sliderHeight = d.y; continue;
        case kTypeTextStyle: level.boxWidth = d.x; level.boxHeight = d.y; continue;
        case kTypePanelGeometry: altX = d.x; altY = d.y; continue;
        case kTypeEndPanel:
            if (levels.size() > 1) levels.pop_back();
            continue;
        default: break;
        }
        const Kind kind = KindOf(d.type);
        if (kind == Kind::Other) continue;

        Placement p;
        p.row = row;
        p.d = &d;
        p.panel = level.panel;
        p.x = d.x;
        p.y = d.y;
        const Size bitmap = d.bitmap && *d.bitmap ? skinSize(d.bitmap) : Size{};
        const int items = CountOptionItems(d.options);
        auto strip = [&](int frames) {
            if (frames <= 0 && bitmap.width > 0) frames = bitmap.height / bitmap.width;
            p.frames = std::max(frames, 1);
            p.width = bitmap.width;
            p.height = bitmap.height / p.frames;
        };
        switch (kind) {
        case Kind::Knob: strip(knobFrames); break;
        case Kind::Slider: p.width = sliderWidth; p.height = sliderHeight; break;
        case Kind::AnimButton: strip(animFrames); break;
        case Kind::OnOff:
        case Kind::Exclusive: p.frames = 2; p.width = bitmap.width; p.height = bitmap.height / 2; break;
        case Kind::OptionImage: strip(animFrames > 0 ? animFrames : items); break;
        case Kind::Image: strip(d.aux); break;
        case Kind::Meter: {
            int height = bitmap.height;
            if (d.type > 67) {
                height /= d.type - 67;
                height /= (d.aux & 0xFF00) ? 3 : 2;
                p.frames = (d.type - 67) * ((d.aux & 0xFF00) ? 3 : 2);
            }
            p.width = bitmap.width;
            p.height = height;
            break;
        }
        case Kind::Scope:
        case Kind::Curve:
        case Kind::EqWindow:
            p.width = bitmap.width ? bitmap.width : int(d.low);
            p.height = bitmap.height ? bitmap.height : int(d.high);
            break;
        case Kind::Panel:
            p.isPanel = true;
            p.width = bitmap.width ? bitmap.width : int(d.low);
            p.height = bitmap.height ? bitmap.height : int(d.high);
            if (d.type == kTypeBeginPanel) {
                p.altX = altX;
                p.altY = altY;
            } else {
                p.altX = d.x;
                p.altY = d.y;
            }
            break;
        default:  // number fields, text menus, MIDI learn: the bitmap or the text box
            p.width = bitmap.width ? bitmap.width : level.boxWidth;
            p.height = bitmap.height ? bitmap.height : level.boxHeight;
            break;
        }
        p.absX = p.x;
        p.absY = p.y;
        if (p.panel >= 0) {
            p.absX += out[p.panel].absX;
            p.absY += out[p.panel].absY;
        }
        out.push_back(p);
        if (kind == Kind::Panel) levels.push_back({int(out.size()) - 1, 0, 0});
    }
    return out;
}

bool Visible(const Placement& p) {
    return p.absX >= -p.width && p.absY >= -p.height && p.absX < geometry::kFaceWidth &&
           p.absY < geometry::kFaceHeight && p.width > 0 && p.height > 0;
}

const Placement* FindTag(const std::vector<Placement>& all, int tag) {
    for (const Placement& p : all)
        if (!p.isPanel && p.d->tag == tag) return &p;
    return nullptr;
}

std::vector<std::string> SkinNames() {
    std::vector<std::string> names;
    for (int row = 0; row < kControlTableRows; ++row) {
        const char* bitmap = controlTable[row].bitmap;
        if (!bitmap || !*bitmap) continue;
        if (std::find(names.begin(), names.end(), bitmap) == names.end()) names.push_back(bitmap);
        if (controlTable[row].type == kTypeEndOfTable) break;
    }
    return names;
}

}  // namespace skins
