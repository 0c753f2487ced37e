#include "sdk/AudioEffect.h"

#include <cstring>

#include "sdk/AEffEditor.h"

namespace {

AudioEffect* EffectOf(AEffect* e) {
    return e ? static_cast<AudioEffect*>(e->object) : nullptr;
}

intptr_t VSTCALLBACK DispatchEffect(AEffect* e, int32_t opcode, int32_t index, intptr_t value,
                                    void* ptr, float opt) {
    AudioEffect* effect = EffectOf(e);
    if (!effect) return 0;
    intptr_t result = 0;
    try {
        result = effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        // Nothing may unwind into the host (out of memory, most likely): the
        // request fails.
        result = 0;
    }
    if (opcode == effClose) {
        delete effect;
        return 1;
    }
    return result;
}

void VSTCALLBACK ProcessEffect(AEffect* e, float** in, float** out, int32_t frames) {
    if (AudioEffect* effect = EffectOf(e)) effect->process(in, out, frames);
}

void VSTCALLBACK ProcessReplacingEffect(AEffect* e, float** in, float** out, int32_t frames) {
    if (AudioEffect* effect = EffectOf(e)) effect->processReplacing(in, out, frames);
}

void VSTCALLBACK ProcessDoubleReplacingEffect(AEffect* e, double** in, double** out,
                                              int32_t frames) {
    if (AudioEffect* effect = EffectOf(e)) effect->processDoubleReplacing(in, out, frames);
}

void VSTCALLBACK SetParameterEffect(AEffect* e, int32_t index, float value) {
    if (AudioEffect* effect = EffectOf(e)) effect->setParameter(index, value);
}

float VSTCALLBACK GetParameterEffect(AEffect* e, int32_t index) {
    AudioEffect* effect = EffectOf(e);
    return effect ? effect->getParameter(index) : 0.0f;
}

}  // namespace

void vst_strncpy(char* text, const char* source, int maxChars) {
    if (!text || maxChars < 0) return;
    int n = 0;
    if (source) {
        while (n < maxChars && source[n]) {
            text[n] = source[n];
            ++n;
        }
    }
    text[n] = 0;
}

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams) {
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = DispatchEffect;
    cEffect.process = ProcessEffect;
    cEffect.setParameter = SetParameterEffect;
    cEffect.getParameter = GetParameterEffect;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = VstFourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = ProcessReplacingEffect;
    cEffect.processDoubleReplacing = ProcessDoubleReplacingEffect;
}

AudioEffect::~AudioEffect() {
    delete editor;
    editor = nullptr;
}

void AudioEffect::processReplacing(float** /*inputs*/, float** outputs, int32_t frames) {
    if (!outputs || frames <= 0) return;
    for (int32_t c = 0; c < cEffect.numOutputs; ++c)
        if (outputs[c]) std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(frames));
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setHasEditor(editor != nullptr);
}

void AudioEffect::setParameterAutomated(int32_t index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

int32_t AudioEffect::getMasterVersion() {
    int32_t version = static_cast<int32_t>(callHost(audioMasterVersion));
    return version ? version : 1;
}

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                               float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effOpen:
            open();
            return 0;
        case effClose:
            close();
            return 1;
        case effSetProgram:
            if (value >= 0 && value < numPrograms) setProgram(static_cast<int32_t>(value));
            return 0;
        case effGetProgram:
            return getProgram();
        case effSetProgramName:
            if (text) setProgramName(text);
            return 0;
        case effGetProgramName:
            if (text) getProgramName(text);
            return 0;
        case effGetParamLabel:
            if (text) getParameterLabel(index, text);
            return 0;
        case effGetParamDisplay:
            if (text) getParameterDisplay(index, text);
            return 0;
        case effGetParamName:
            if (text) getParameterName(index, text);
            return 0;
        case effSetSampleRate:
            setSampleRate(opt);
            return 0;
        case effSetBlockSize:
            setBlockSize(static_cast<int32_t>(value));
            return 0;
        case effMainsChanged:
            if (value)
                resume();
            else
                suspend();
            return 0;
        case effEditGetRect:
            if (editor && ptr) return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
            return 0;
        case effEditOpen:
            if (editor) return editor->open(ptr) ? 1 : 0;
            return 0;
        case effEditClose:
            if (editor) editor->close();
            return 0;
        case effEditIdle:
            if (editor) editor->idle();
            return 0;
        case effIdentify:
            return kEffectIdentify;
        case effGetChunk:
            if (!ptr) return 0;
            return getChunk(static_cast<void**>(ptr), index != 0);
        case effSetChunk:
            if (!ptr || value < 0) return 0;
            return setChunk(ptr, static_cast<int32_t>(value), index != 0);
        default:
            return 0;
    }
}
