#include "modules/framework/OsCommand.h"

namespace {

constexpr const char* kMakerPage = "https://orva-tessmark.org/";
constexpr const char* kSupportPage = "https://orva-tessmark.org/support/";

}  // namespace

const char* Mox_DSP_OS_Command::AddressOfPin(int pin) {
    switch (pin) {
        case 0: return kMakerPage;
        case 2: return kSupportPage;
        default: return nullptr;
    }
}

void Mox_DSP_OS_Command::Open() {
    SetProcess(&Mox_ModuleBase::SleepProcess);
    flags |= kAsleep;
    saveArmed = 0;
}

void Mox_DSP_OS_Command::HandleEvent(ModuleEvent* e, int /*offset*/) {
    if (e->pin == 9) {
        if (saveArmed && owner) owner->SaveBankFile();
        saveArmed = e->intValue;
        return;
    }
    if (e->intValue == 0 || !owner) return;
    if (const char* address = AddressOfPin(e->pin)) owner->OpenAddress(address);
}
