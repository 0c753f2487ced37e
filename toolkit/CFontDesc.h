// A font by family name and pixel size, with bold/italic style bits.
#pragma once

#include "toolkit/CBaseObject.h"

#include <string>

namespace VSTGUI {

enum CTxtFace : int32_t { kNormalFace = 0, kBoldFace = 1, kItalicFace = 2 };

class CFontDesc : public CBaseObject {
public:
    CFontDesc(const char* name = "Arial", int32_t size = 12, int32_t style = kNormalFace)
        : name(name ? name : "Arial"), size(size), style(style) {}

    const std::string& getName() const { return name; }
    void setName(const char* newName) { name = newName ? newName : ""; }
    int32_t getSize() const { return size; }
    void setSize(int32_t newSize) { size = newSize; }
    int32_t getStyle() const { return style; }
    void setStyle(int32_t newStyle) { style = newStyle; }

private:
    std::string name;
    int32_t size;
    int32_t style;
};

}  // namespace VSTGUI
