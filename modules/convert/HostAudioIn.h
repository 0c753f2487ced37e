// Mox_DSP_Host_AudioIn: the host's four input channels (left, right, sidechain
// left, sidechain right) as signal buffers. The effect object copies each chunk
// of host audio into them; the module itself never computes anything.
#pragma once

#include "modules/framework/ModuleBase.h"

class Mox_DSP_Host_AudioIn : public Mox_ModuleBase {
public:
    Mox_DSP_Host_AudioIn(ModuleOwner* owner, bool startDisabled);
    ~Mox_DSP_Host_AudioIn() override;
    // Announces the four outputs as varying signals, then sleeps for good.
    void Open() override;
};
