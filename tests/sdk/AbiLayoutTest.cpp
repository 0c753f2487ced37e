// The records a host shares with the plug-in must have the published layout
// byte for byte, or a host reads garbage. Pinned for x86-64 and for 32-bit x86.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

#include "sdk/AEffEditor.h"
#include "sdk/AudioEffectX.h"
#include "sdk/VstAbi.h"

#if defined(__x86_64__)
constexpr bool k64 = true;
#else
constexpr bool k64 = false;
#endif

constexpr size_t Pick(size_t x64, size_t x86) { return k64 ? x64 : x86; }

TEST(AbiLayout, AEffect) {
    EXPECT_EQ(sizeof(AEffect), Pick(192, 144));
    EXPECT_EQ(offsetof(AEffect, magic), 0u);
    EXPECT_EQ(offsetof(AEffect, dispatcher), Pick(8, 4));
    EXPECT_EQ(offsetof(AEffect, process), Pick(16, 8));
    EXPECT_EQ(offsetof(AEffect, setParameter), Pick(24, 12));
    EXPECT_EQ(offsetof(AEffect, getParameter), Pick(32, 16));
    EXPECT_EQ(offsetof(AEffect, numPrograms), Pick(40, 20));
    EXPECT_EQ(offsetof(AEffect, numParams), Pick(44, 24));
    EXPECT_EQ(offsetof(AEffect, numInputs), Pick(48, 28));
    EXPECT_EQ(offsetof(AEffect, numOutputs), Pick(52, 32));
    EXPECT_EQ(offsetof(AEffect, flags), Pick(56, 36));
    EXPECT_EQ(offsetof(AEffect, resvd1), Pick(64, 40));
    EXPECT_EQ(offsetof(AEffect, resvd2), Pick(72, 44));
    EXPECT_EQ(offsetof(AEffect, initialDelay), Pick(80, 48));
    EXPECT_EQ(offsetof(AEffect, ioRatio), Pick(92, 60));
    EXPECT_EQ(offsetof(AEffect, object), Pick(96, 64));
    EXPECT_EQ(offsetof(AEffect, user), Pick(104, 68));
    EXPECT_EQ(offsetof(AEffect, uniqueID), Pick(112, 72));
    EXPECT_EQ(offsetof(AEffect, version), Pick(116, 76));
    EXPECT_EQ(offsetof(AEffect, processReplacing), Pick(120, 80));
    EXPECT_EQ(offsetof(AEffect, processDoubleReplacing), Pick(128, 84));
    EXPECT_EQ(offsetof(AEffect, future), Pick(136, 88));
}

TEST(AbiLayout, EventsAndPins) {
    EXPECT_EQ(sizeof(VstEvent), 32u);
    EXPECT_EQ(sizeof(VstMidiEvent), 32u);
    EXPECT_EQ(offsetof(VstMidiEvent, deltaFrames), 8u);
    EXPECT_EQ(offsetof(VstMidiEvent, noteLength), 16u);
    EXPECT_EQ(offsetof(VstMidiEvent, midiData), 24u);
    EXPECT_EQ(offsetof(VstMidiEvent, detune), 28u);
    EXPECT_EQ(offsetof(VstMidiEvent, noteOffVelocity), 29u);
    EXPECT_EQ(sizeof(VstEvents), Pick(32, 16));
    EXPECT_EQ(offsetof(VstEvents, reserved), Pick(8, 4));
    EXPECT_EQ(offsetof(VstEvents, events), Pick(16, 8));
    EXPECT_EQ(sizeof(VstPinProperties), 128u);
    EXPECT_EQ(offsetof(VstPinProperties, flags), 64u);
    EXPECT_EQ(offsetof(VstPinProperties, arrangementType), 68u);
    EXPECT_EQ(offsetof(VstPinProperties, shortLabel), 72u);
    EXPECT_EQ(sizeof(VstSpeakerProperties), 112u);
    EXPECT_EQ(offsetof(VstSpeakerProperties, name), 16u);
    EXPECT_EQ(offsetof(VstSpeakerProperties, type), 80u);
    EXPECT_EQ(sizeof(VstSpeakerArrangement), 8u + 8u * 112u);
    EXPECT_EQ(sizeof(ERect), 8u);
    EXPECT_EQ(offsetof(ERect, left), 2u);
    EXPECT_EQ(offsetof(ERect, right), 6u);
}

TEST(AbiLayout, NumbersHostsDependOn) {
    EXPECT_EQ(kEffectMagic, 0x56737450);  // 'VstP'
    EXPECT_EQ(kEffectIdentify, 0x4E764566);  // 'NvEf'
    EXPECT_EQ(effProcessEvents, 25);
    EXPECT_EQ(effGetVendorString, 47);
    EXPECT_EQ(effCanDo, 51);
    EXPECT_EQ(effEditKeyUp, 60);
    EXPECT_EQ(effGetSpeakerArrangement, 69);
    EXPECT_EQ(effGetNumMidiOutputChannels, 79);
    EXPECT_EQ(audioMasterWantMidi, 6);
    EXPECT_EQ(audioMasterBeginEdit, 43);
    EXPECT_EQ(effFlagsProgramChunks, 32);
    EXPECT_EQ(effFlagsNoSoundInStop, 512);
    EXPECT_EQ(kSpeakerArr40Music, 11);
    EXPECT_EQ(kPlugCategMastering, 4);
}

namespace {

// An effect that records which virtual operation the default dispatcher reached.
class ProbeEffect : public AudioEffectX {
public:
    ProbeEffect() : AudioEffectX(nullptr, 4, 3) {}
    void suspend() override { last = "suspend"; }
    void resume() override { last = "resume"; }
    void setSampleRate(float r) override { last = "rate"; sampleRate = r; }
    void setProgram(int32_t p) override { last = "program"; curProgram = p; }
    void getParameterName(int32_t i, char* t) override { last = "name"; vst_strncpy(t, i == 1 ? "One" : "?", 8); }
    int32_t canDo(char* t) override { last = t; return 1; }
    int32_t getChunk(void** data, bool isPreset) override {
        *data = chunk;
        return isPreset ? 1 : 2;
    }
    std::string last;
    char chunk[4] = {};
};

}  // namespace

TEST(DefaultDispatcher, MapsOpcodesOntoTheVirtualOperationsAndGuardsPointers) {
    ProbeEffect* probe = new ProbeEffect;
    AEffect* e = probe->getAeffect();
    EXPECT_EQ(e->object, probe);
    EXPECT_EQ(e->magic, kEffectMagic);

    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
    EXPECT_EQ(probe->last, "resume");
    e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0);
    EXPECT_EQ(probe->last, "suspend");
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(probe->getSampleRate(), 48000.0f);
    e->dispatcher(e, effSetProgram, 0, 4, nullptr, 0);  // beyond the 4 programs
    EXPECT_EQ(e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0), 0);
    e->dispatcher(e, effSetProgram, 0, 3, nullptr, 0);
    EXPECT_EQ(e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0), 3);

    char text[64] = {};
    e->dispatcher(e, effGetParamName, 1, 0, text, 0);
    EXPECT_STREQ(text, "One");
    probe->last.clear();
    e->dispatcher(e, effGetParamName, 1, 0, nullptr, 0);  // null text never reaches the effect
    e->dispatcher(e, effCanDo, 0, 0, nullptr, 0);
    EXPECT_TRUE(probe->last.empty());
    char cap[] = "bypass";
    EXPECT_EQ(e->dispatcher(e, effCanDo, 0, 0, cap, 0), 1);

    void* data = nullptr;
    EXPECT_EQ(e->dispatcher(e, effGetChunk, 1, 0, &data, 0), 1);
    EXPECT_EQ(e->dispatcher(e, effGetChunk, 0, 0, &data, 0), 2);
    EXPECT_EQ(data, probe->chunk);
    EXPECT_EQ(e->dispatcher(e, effGetChunk, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(e->dispatcher(e, effIdentify, 0, 0, nullptr, 0), kEffectIdentify);
    EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, nullptr, 0), 0);  // no editor
    EXPECT_EQ(e->dispatcher(e, effGetCurrentMidiProgram, 0, 0, nullptr, 0), -1);
    EXPECT_EQ(e->dispatcher(e, effSetTotalSampleToProcess, 0, 777, nullptr, 0), 777);
    EXPECT_EQ(e->dispatcher(e, 12345, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(e->dispatcher(e, -1, 0, 0, nullptr, 0), 0);

    // effClose deletes the effect (ASan would report a leak otherwise).
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0), 1);
}

namespace {

// An editor that records the key codes the dispatcher hands it.
class KeyProbe : public AEffEditor {
public:
    using AEffEditor::AEffEditor;
    bool onKeyDown(VstKeyCode& key) override {
        keys.push_back(key);
        return true;
    }
    std::vector<VstKeyCode> keys;
};

}  // namespace

TEST(DefaultDispatcher, KeyCodesOutsideOneByteCarryNoKeyAndNoModifier) {
    ProbeEffect probe;
    KeyProbe* editor = new KeyProbe(&probe);  // the effect deletes it
    probe.setEditor(editor);
    AEffect* e = probe.getAeffect();
    struct Case {
        intptr_t virt;
        float modifier;
        unsigned char wantVirt, wantModifier;
    };
    const Case cases[] = {
        {5, 3.0f, 5, 3},      {255, 255.0f, 255, 255}, {256, 256.0f, 0, 0},       {0x141, 300.0f, 0, 0},
        {-1, -1.0f, 0, 0},    {7, 1e10f, 7, 0},        {7, -1e10f, 7, 0},         {7, std::nanf(""), 7, 0},
        {7, INFINITY, 7, 0},  {7, 2.9f, 7, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(e->dispatcher(e, effEditKeyDown, 'a', c.virt, nullptr, c.modifier), 1);
    ASSERT_EQ(editor->keys.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(editor->keys[i].character, 'a');
        EXPECT_EQ(editor->keys[i].virt, cases[i].wantVirt) << "case " << i;
        EXPECT_EQ(editor->keys[i].modifier, cases[i].wantModifier) << "case " << i;
    }
}

TEST(DefaultDispatcher, StringCopyTerminatesAtTheLimit) {
    char text[16];
    vst_strncpy(text, "0123456789ABCDEF", 8);
    EXPECT_STREQ(text, "01234567");
    vst_strncpy(text, nullptr, 8);
    EXPECT_STREQ(text, "");
    vst_strncpy(nullptr, "x", 8);
}
