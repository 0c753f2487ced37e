#include "modules/framework/GraphDescription.h"

#include <initializer_list>
#include <new>

#include "modules/analysis/BiQuadCoeff.h"
#include "modules/analysis/BiQuadEngine.h"
#include "modules/analysis/Metering2.h"
#include "modules/analysis/WaveFreqDisplay.h"
#include "modules/convert/FixedValues.h"
#include "modules/convert/FloatToVolt.h"
#include "modules/convert/GlideModule.h"
#include "modules/convert/GuiToVGlide.h"
#include "modules/convert/HostAudioIn.h"
#include "modules/convert/LevelConverters.h"
#include "modules/convert/StLevel.h"
#include "modules/dynamics/CompressorAHR.h"
#include "modules/dynamics/DelayST.h"
#include "modules/dynamics/KneeMath.h"
#include "modules/dynamics/OrvaInput.h"
#include "modules/dynamics/OrvaOutput.h"
#include "modules/dynamics/ParamAdj.h"
#include "modules/framework/ModuleBase.h"
#include "modules/framework/OsCommand.h"
#include "modules/framework/Voices.h"

namespace {

// ---------------------------------------------------------------------------
// Writing records: R(code, {links}) with In (module output), K (constant-pool
// entry), P (parameter index) and S (setting) links.

constexpr GraphLink In(uint8_t pin, int16_t sourceCode, uint8_t sourcePin) {
    return GraphLink{pin, sourcePin, sourceCode};
}
constexpr GraphLink K(uint8_t pin, int16_t entry) {
    return GraphLink{pin, 0, static_cast<int16_t>(kConstantBase + entry)};
}
constexpr GraphLink P(uint8_t pin, int16_t index) { return GraphLink{pin, 0, index}; }
constexpr GraphLink S(uint8_t setting, int16_t value) {
    return GraphLink{static_cast<uint8_t>(kSettingPinBase + setting), 0, value};
}

constexpr GraphRecord R(int16_t code, std::initializer_list<GraphLink> links) {
    GraphRecord r{};
    r.code = code;
    int i = 0;
    for (const GraphLink& l : links) r.links[i++] = l;
    for (; i < 64; ++i) r.links[i] = GraphLink{kEndOfLinks, 0, 0};
    return r;
}

// Constant-pool entries holding the values the description needs.
enum Constant : int16_t {
    k0 = 0, k1 = 1, k2 = 2, k3 = 3, k4 = 4, k5 = 5, k6 = 6, k7 = 7, k8 = 8, k9 = 9, k10 = 10, k11 = 11,
    k20 = 20, k50 = 50, k150 = 57, k200 = 59, k800 = 83, k5000 = 107, k6000 = 111, kTenth = 130,
};

// Graph codes of the modules, by role.
enum Code : int16_t {
    kAudioIn = 6003,
    kFixedVolts = 6005,
    kFixedEvents = 6009,
    kGlideFreq1 = 6016, kGlideWidth1 = 6017, kGlideFreq2 = 6018, kGlideWidth2 = 6019,
    kGlideFreq3 = 6020, kGlideWidth3 = 6021, kGlideParallel = 6022,
    kOutputLevel = 6130,
    kDbToLevel = 6161,
    kLevelToDb = 6164,
    kKnee = 6170,
    kEnvelope = 6173,
    kDetector = 6200,
    kReleaseDelay = 6211, kAudioDelay = 6212,
    kBandGain1 = 6287, kBandGain2 = 6288, kBandGain3 = 6289,
    kMakeUpLevel = 6292,
    kBand1 = 6307, kBand2 = 6308, kBand3 = 6309,
    kEqLeft = 6319, kEqRight = 6320,
    kMeterFeed = 6370, kNeedleFeed = 6371,
    kWebLink = 6373,
    kParamAdj = 6374,
    kInputStage = 6375,
    kOutputStage = 6376,
    kAutoRelease = 6377,
};

// One channel's equaliser engine: the input stage's output `channel`, "EQ Active",
// and band k's designer outputs 0..5 (five coefficients, then the band-on report)
// on pins 9 + 10k .. 14 + 10k.
constexpr GraphRecord EqEngine(int16_t code, uint8_t channel) {
    GraphRecord r = R(code, {In(0, kInputStage, channel), P(3, 28)});
    int at = 2;
    const int16_t bands[3] = {kBand1, kBand2, kBand3};
    for (int k = 0; k < 3; ++k)
        for (uint8_t c = 0; c < 6; ++c) r.links[at++] = In(static_cast<uint8_t>(9 + 10 * k + c), bands[k], c);
    return r;
}

}  // namespace

// The 34 modules in run order; every source precedes its receivers.
const GraphRecord kGraphDescription[] = {
    /* m0  */ R(kAudioIn, {}),
    /* m1  */ R(kWebLink, {P(0, 70)}),
    /* m2  */ R(kFixedVolts, {K(0, k0), K(1, k5), K(2, k10), K(3, k1), K(4, k20), K(5, k6), K(6, kTenth),
                              K(7, k3), K(8, k4), K(9, k150), K(10, k200), K(11, k800), K(12, k5000),
                              K(13, k6000), K(14, k50)}),
    /* m3  */ R(kFixedEvents, {K(0, k0), K(1, k1), K(2, k2), K(3, k3), K(4, k4), K(5, k5), K(6, k6),
                               K(7, k7), K(8, k8), K(9, k9), K(10, k10), K(11, k11)}),
    /* m4  */ R(kParamAdj, {P(0, 4), P(1, 30), P(2, 31), P(3, 32), P(4, 5), P(5, 33), P(6, 34), P(7, 35),
                            P(8, 6), P(9, 36), P(10, 37), P(11, 38), P(12, 14), P(13, 39), P(14, 40), P(15, 41)}),
    /* m5  */ R(kAudioDelay, {In(0, kAudioIn, 0), In(1, kAudioIn, 1), P(2, 15)}),
    /* m6  */ R(kInputStage, {In(0, kAudioIn, 0), In(1, kAudioIn, 1), In(2, kAudioIn, 2), In(3, kAudioIn, 3),
                              P(4, 16), P(5, 15)}),
    /* m7  */ R(kGlideFreq1, {P(0, 19)}),
    /* m8  */ R(kGlideWidth1, {P(0, 21)}),
    /* m9  */ R(kBandGain1, {P(0, 20)}),
    /* m10 */ R(kBand1, {In(0, kGlideFreq1, 0), In(1, kGlideWidth1, 0), In(2, kBandGain1, 0)}),
    /* m11 */ R(kGlideFreq2, {P(0, 22)}),
    /* m12 */ R(kGlideWidth2, {P(0, 24)}),
    /* m13 */ R(kBandGain2, {P(0, 23)}),
    /* m14 */ R(kBand2, {In(0, kGlideFreq2, 0), In(1, kGlideWidth2, 0), In(2, kBandGain2, 0)}),
    /* m15 */ R(kGlideFreq3, {P(0, 25)}),
    /* m16 */ R(kGlideWidth3, {P(0, 27)}),
    /* m17 */ R(kBandGain3, {P(0, 26)}),
    /* m18 */ R(kBand3, {In(0, kGlideFreq3, 0), In(1, kGlideWidth3, 0), In(2, kBandGain3, 0)}),
    /* m19 */ EqEngine(kEqLeft, 0),
    /* m20 */ EqEngine(kEqRight, 1),
    /* m21 */ R(kDetector, {In(0, kEqLeft, 0), In(1, kEqRight, 0), P(6, 18), P(8, 17)}),
    /* m22 */ R(kLevelToDb, {In(0, kDetector, 0)}),
    // The level is delayed by up to the longest adjusted release, RelConstA +
    // RelConstB = 6 s: setting 0 sizes the ring for it (in 10 ms units).
    /* m23 */ R(kReleaseDelay, {In(0, kLevelToDb, 0), In(2, kParamAdj, 2), S(0, 600)}),
    /* m24 */ R(kKnee, {In(0, kLevelToDb, 0), P(1, 8), P(2, 10), P(3, 9), P(4, 11), P(5, 13), P(6, 12)}),
    /* m25 */ R(kDbToLevel, {In(0, kKnee, 0)}),
    /* m26 */ R(kAutoRelease, {In(0, kReleaseDelay, 0), In(1, kLevelToDb, 0), In(2, kParamAdj, 2), P(3, 2)}),
    /* m27 */ R(kMakeUpLevel, {In(0, kParamAdj, 3)}),
    /* m28 */ R(kEnvelope, {In(0, kDbToLevel, 0), In(1, kMakeUpLevel, 0), In(2, kParamAdj, 0),
                            In(3, kParamAdj, 1), In(4, kAutoRelease, 0), P(10, 65)}),
    /* m29 */ R(kGlideParallel, {P(0, 3)}),
    /* m30 */ R(kOutputStage, {In(0, kAudioDelay, 0), In(1, kAudioDelay, 1), In(2, kInputStage, 2),
                               In(3, kInputStage, 3), In(4, kEnvelope, 0), In(5, kGlideParallel, 0), P(6, 16),
                               P(9, 65)}),
    /* m31 */ R(kNeedleFeed, {In(0, kOutputStage, 0), In(1, kOutputStage, 1), In(2, kAudioIn, 0),
                              In(3, kAudioIn, 1), In(9, kFixedEvents, 0), In(14, kFixedEvents, 6),
                              S(1, 84), S(2, 85), S(3, 86), S(4, 87)}),
    // The bar-meter and scope feeder also shows the dynamics in the transfer-curve
    // window (72): the envelope's gain, the make-up level and the detected level.
    /* m32 */ R(kMeterFeed, {In(0, kOutputStage, 0), In(1, kOutputStage, 1), In(2, kAudioIn, 0),
                             In(3, kAudioIn, 1), In(4, kEqLeft, 0), In(5, kEqRight, 0), In(6, kEnvelope, 0),
                             In(7, kMakeUpLevel, 0), In(8, kLevelToDb, 0), P(11, 29), In(12, kDetector, 1),
                             P(13, 42), In(14, kFixedEvents, 2), P(15, 43), P(16, 44), P(17, 45), P(18, 46),
                             P(19, 65), S(0, 74), S(1, 76), S(2, 77), S(3, 78), S(4, 79), S(5, 72), S(9, 75)}),
    /* m33 */ R(kOutputLevel, {In(0, kOutputStage, 0), In(1, kOutputStage, 1), In(2, kFixedVolts, 2)}),
    /* end */ R(kGraphEndCode, {}),
};

void FillConstantPool(float* pool) {
    for (int i = 0; i < kConstantPoolSize; ++i) pool[i] = 0.0f;
    for (int i = 0; i <= 11; ++i) pool[i] = static_cast<float>(i);
    pool[k20] = 20.0f;
    pool[k50] = 50.0f;
    pool[k150] = 150.0f;
    pool[k200] = 200.0f;
    pool[k800] = 800.0f;
    pool[k5000] = 5000.0f;
    pool[k6000] = 6000.0f;
    pool[kTenth] = 0.1f;
}

Mox_ModuleBase* CreateModuleOfCode(int16_t code, ModuleOwner* owner, bool startDisabled) {
    auto in = [code](int first, int last) { return code >= first && code <= last; };
    if (code == 6003) return new (std::nothrow) Mox_DSP_Host_AudioIn(owner, startDisabled);
    if (in(6004, 6006)) return new (std::nothrow) Mox_DSP_FixedValueToVolt(owner, startDisabled);
    if (in(6008, 6010)) return new (std::nothrow) Mox_DSP_FixedValueToINT_FLOAT(owner, startDisabled);
    if (in(6015, 6022)) return new (std::nothrow) Mox_DSP_GUItoV_Glide(owner, startDisabled);
    if (in(6042, 6043)) return new (std::nothrow) Mox_DSP_Float_to_Volt(owner, startDisabled);
    if (in(6128, 6130)) return new (std::nothrow) Mox_DSP_ST_Level(owner, startDisabled);
    if (in(6160, 6161)) return new (std::nothrow) Mox_DSP_dB_to_Level(owner, startDisabled);
    if (in(6163, 6164)) return new (std::nothrow) Mox_DSP_Level_to_dB(owner, startDisabled);
    if (in(6285, 6289)) return new (std::nothrow) Mox_DSP_FdB_to_VFGain(owner, startDisabled);
    if (in(6291, 6294)) return new (std::nothrow) Mox_DSP_FdB_to_VLevel(owner, startDisabled);
    if (in(6169, 6170)) return new (std::nothrow) Mox_DSP_CompExp_Knee_Math(owner, startDisabled);
    if (in(6172, 6173)) return new (std::nothrow) Mox_DSP_Compressor_AHR(owner, startDisabled);
    if (in(6210, 6212)) return new (std::nothrow) Mox_DSP_Delay_ST(owner, startDisabled);
    if (code == 6374) return new (std::nothrow) Mox_DSP_OrvaMaster_ParamAdj(owner, startDisabled);
    if (code == 6375) return new (std::nothrow) Mox_DSP_OrvaMaster_Input(owner, startDisabled);
    if (code == 6376) return new (std::nothrow) Mox_DSP_OrvaMaster_Output(owner, startDisabled);
    if (code == 6377) return new (std::nothrow) Mox_DSP_OrvaMaster_AutoRelease(owner, startDisabled);
    if (code == 6378) return new (std::nothrow) Mox_DSP_OrvaMaster_Final(owner, startDisabled);
    if (in(6199, 6201)) return new (std::nothrow) Mox_DSP_Metering2(owner, startDisabled);
    if (in(6306, 6309)) return new (std::nothrow) Mox_DSP_BiQuad_Coeff(owner, startDisabled);
    if (in(6318, 6320)) return new (std::nothrow) Mox_DSP_BiQuad_Multi_Engine(owner, startDisabled);
    if (code == 6373) return new (std::nothrow) Mox_DSP_OS_Command(owner, startDisabled);
    if (in(6379, 6381)) return new (std::nothrow) Mox_DSP_Poly_to_Mono(owner, startDisabled);
    if (in(6383, 6385)) return new (std::nothrow) Mox_DSP_Midi_to_Poly(owner, startDisabled);
    if (IsDisplayFeederCode(code)) return new (std::nothrow) Mox_DSP_Wave_Freq_Display(owner, startDisabled);
    return nullptr;
}
