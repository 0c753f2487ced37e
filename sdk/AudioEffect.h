// AudioEffect: the VST 2.0 base of an effect object. It owns the published
// AEffect record, routes the host's calls through static trampolines to virtual
// operations, and offers the host callback to derived classes.
//
// Threads: processReplacing, suspend and resume come from the host's audio
// thread; parameters, programs, chunks and the editor from its user-interface
// thread. The base itself keeps no state that both threads write.
#pragma once

#include "sdk/VstAbi.h"

class AEffEditor;

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    virtual ~AudioEffect();

    // The dispatcher of the VST 2.0 opcodes. effClose deletes the object after
    // close() has run; the host must not use the AEffect afterwards.
    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt);

    // Audio (audio thread).
    virtual void process(float** /*inputs*/, float** /*outputs*/, int32_t /*frames*/) {}
    virtual void processReplacing(float** inputs, float** outputs, int32_t frames);
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/,
                                        int32_t /*frames*/) {}

    // Parameters (any thread the host chooses).
    virtual void setParameter(int32_t /*index*/, float /*value*/) {}
    virtual float getParameter(int32_t /*index*/) { return 0.0f; }
    virtual void setParameterAutomated(int32_t index, float value);

    // Life cycle.
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(int32_t size) { blockSize = size; }

    // Programs.
    virtual int32_t getProgram() { return curProgram; }
    virtual void setProgram(int32_t program) { curProgram = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) {
        if (name) *name = 0;
    }

    // Parameter texts; each writes at most 8 characters plus the terminator.
    virtual void getParameterLabel(int32_t /*index*/, char* label) {
        if (label) *label = 0;
    }
    virtual void getParameterDisplay(int32_t /*index*/, char* text) {
        if (text) *text = 0;
    }
    virtual void getParameterName(int32_t /*index*/, char* text) {
        if (text) *text = 0;
    }

    // Chunks: getChunk hands out the address of the data and answers its size.
    virtual int32_t getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
    virtual int32_t setChunk(void* /*data*/, int32_t /*byteSize*/, bool /*isPreset*/) {
        return 0;
    }

    // Host side.
    virtual int32_t getMasterVersion();
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0,
                      void* ptr = nullptr, float opt = 0.0f);

    AEffect* getAeffect() { return &cEffect; }
    AEffEditor* getEditor() const { return editor; }
    void setEditor(AEffEditor* newEditor);
    float getSampleRate() const { return sampleRate; }
    int32_t getBlockSize() const { return blockSize; }

    // Setup helpers for the published record.
    void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
    void setVersion(int32_t version) { cEffect.version = version; }
    void setNumInputs(int32_t n) { cEffect.numInputs = n; }
    void setNumOutputs(int32_t n) { cEffect.numOutputs = n; }
    void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }
    void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    void noSoundInStop(bool state) { setFlag(effFlagsNoSoundInStop, state); }
    void setHasEditor(bool state) { setFlag(effFlagsHasEditor, state); }

protected:
    void setFlag(int32_t flag, bool state) {
        cEffect.flags = state ? (cEffect.flags | flag) : (cEffect.flags & ~flag);
    }

    audioMasterCallback audioMaster;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    int32_t blockSize = 1024;
    int32_t numPrograms;
    int32_t numParams;
    int32_t curProgram = 0;
    AEffect cEffect;
};

// Copies at most maxChars characters of source into text and terminates text at
// position maxChars (or earlier). A null text is ignored, a null source gives "".
void vst_strncpy(char* text, const char* source, int maxChars);
