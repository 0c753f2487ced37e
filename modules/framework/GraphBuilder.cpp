#include "modules/framework/GraphBuilder.h"

#include "modules/framework/ModuleBase.h"

void BuildGraphFrom(ModuleOwner& owner, const GraphRecord* description, ModuleFactory factory,
                    float* constantPool) {
    for (ConnectionNode*& list : owner.controlConnections) FreeConnectionList(list);
    for (int16_t& entry : owner.moduleOfCode) entry = -1;

    int h = 0;
    for (const GraphRecord* record = description; record && record->code <= 6390; ++record) {
        if (h >= ModuleOwner::kMaxModules) break;
        const int codeSlot = record->code - ModuleOwner::kFirstGraphCode;
        Mox_ModuleBase* module = factory ? factory(record->code, &owner, false) : nullptr;
        if (!module) continue;
        owner.modules[h] = module;
        if (codeSlot >= 0 && codeSlot < ModuleOwner::kGraphCodeCount)
            owner.moduleOfCode[codeSlot] = static_cast<int16_t>(h);

        for (const GraphLink& link : record->links) {
            if (link.pin == kEndOfLinks) break;
            if (link.pin >= kSettingPinBase) {
                module->SetSetting(static_cast<uint16_t>(link.pin - kSettingPinBase), link.source);
            } else if (link.source >= ModuleOwner::kFirstGraphCode) {
                const int sourceSlot = link.source - ModuleOwner::kFirstGraphCode;
                if (sourceSlot >= ModuleOwner::kGraphCodeCount) continue;
                Mox_ModuleBase* source = owner.ModuleAt(owner.moduleOfCode[sourceSlot]);
                if (source) source->Connect(module, h, link.sourcePin, link.pin, 0, 0, 0);
            } else if (link.source >= kConstantBase) {
                if (constantPool) module->SetInput(link.pin, &constantPool[link.source - kConstantBase]);
            } else if (link.source >= 0 && link.source < ModuleOwner::kIndexCount) {
                owner.ConnectControl(module, h, link.source, link.pin, 0, 0, 0);
            }
        }
        ++h;
    }
    owner.moduleCount = h;
}
