// An area to redraw as a short list of rectangles: a rectangle that touches one
// already held is merged with it, so two distant dirty views stay two small
// rectangles instead of one that spans the window between them.
#pragma once

#include "platform/GuiTypes.h"

#include <vector>

namespace VSTGUI {

class CRegion {
public:
    void add(CRect r) {
        if (r.isEmpty()) return;
        // Merge with everything it overlaps or touches, repeatedly (a merge can make
        // the rectangle reach further ones).
        for (bool merged = true; merged;) {
            merged = false;
            for (size_t i = 0; i < rects.size(); ++i) {
                const CRect& o = rects[i];
                if (r.left <= o.right && o.left <= r.right && r.top <= o.bottom && o.top <= r.bottom) {
                    r.unite(o);
                    rects.erase(rects.begin() + long(i));
                    merged = true;
                    break;
                }
            }
        }
        rects.push_back(r);
    }
    void clip(const CRect& bounds) {
        std::vector<CRect> kept;
        for (CRect r : rects)
            if (!r.bound(bounds).isEmpty()) kept.push_back(r);
        rects.swap(kept);
    }
    bool isEmpty() const { return rects.empty(); }
    void clear() { rects.clear(); }
    const std::vector<CRect>& rectangles() const { return rects; }
    // Total pixels covered (the rectangles never overlap).
    long area() const {
        long a = 0;
        for (const CRect& r : rects) a += long(r.width()) * r.height();
        return a;
    }

private:
    std::vector<CRect> rects;
};

}  // namespace VSTGUI
