#include "modules/framework/GraphDescription.h"

#include "modules/framework/ModuleBase.h"

namespace {

GraphRecord EndRecord() {
    GraphRecord r{};
    r.code = kGraphEndCode;
    for (GraphLink& l : r.links) l = GraphLink{kEndOfLinks, 0, 0};
    return r;
}

}  // namespace

// The module classes arrive with the signal-graph modules; until then the
// description is empty and the effect outputs silence.
const GraphRecord kGraphDescription[] = {EndRecord()};

Mox_ModuleBase* CreateModuleOfCode(int16_t /*code*/, ModuleOwner* /*owner*/, bool /*startDisabled*/) {
    return nullptr;
}

void FillConstantPool(float* pool) {
    for (int i = 0; i < kConstantPoolSize; ++i) pool[i] = 0.0f;
}
