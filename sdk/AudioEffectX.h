// AudioEffectX: the VST 2.x extension of AudioEffect. Its dispatcher adds the
// 2.x opcodes (events, pins, identification, capabilities, speaker arrangement,
// editor keys...) and maps each onto a virtual operation whose default answers
// "not supported" (0 or false), so a derived effect overrides only what it has.
#pragma once

#include "sdk/AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                        float opt) override;

    // Events and automation.
    virtual int32_t processEvents(VstEvents* /*events*/) { return 0; }
    virtual bool canParameterBeAutomated(int32_t /*index*/) { return true; }
    virtual bool string2parameter(int32_t /*index*/, char* /*text*/) { return false; }
    virtual bool getParameterProperties(int32_t /*index*/, void* /*properties*/) { return false; }

    // Programs.
    virtual bool getProgramNameIndexed(int32_t /*category*/, int32_t /*index*/, char* /*text*/) {
        return false;
    }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual int32_t beginLoadBank(void* /*patch*/) { return 0; }
    virtual int32_t beginLoadProgram(void* /*patch*/) { return 0; }

    // Pins and speakers.
    virtual bool getInputProperties(int32_t /*index*/, VstPinProperties* /*props*/) {
        return false;
    }
    virtual bool getOutputProperties(int32_t /*index*/, VstPinProperties* /*props*/) {
        return false;
    }
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* /*in*/,
                                       VstSpeakerArrangement* /*out*/) {
        return false;
    }
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** /*in*/,
                                       VstSpeakerArrangement** /*out*/) {
        return false;
    }

    // Identification.
    virtual int32_t getPlugCategory() { return kPlugCategUnknown; }
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual int32_t getVendorVersion() { return 0; }
    virtual int32_t getVstVersion() { return kVstVersion; }
    virtual intptr_t vendorSpecific(int32_t /*lArg*/, intptr_t /*lArg2*/, void* /*ptr*/,
                                    float /*opt*/) {
        return 0;
    }
    virtual int32_t canDo(char* /*text*/) { return 0; }
    virtual int32_t getTailSize() { return 0; }
    virtual int32_t getNumMidiInputChannels() { return 0; }
    virtual int32_t getNumMidiOutputChannels() { return 0; }

    // Processing control.
    virtual bool setBypass(bool /*onOff*/) { return false; }
    virtual bool processVariableIo(void* /*varIo*/) { return false; }
    virtual int32_t startProcess() { return 0; }
    virtual int32_t stopProcess() { return 0; }
    virtual int32_t setTotalSampleToProcess(int32_t value) { return value; }
    virtual bool setPanLaw(int32_t /*type*/, float /*value*/) { return false; }
    virtual bool setProcessPrecision(int32_t /*precision*/) { return false; }

    // MIDI programs (not offered by effects without MIDI programs).
    virtual int32_t getMidiProgramName(int32_t /*channel*/, void* /*name*/) { return 0; }
    virtual int32_t getCurrentMidiProgram(int32_t /*channel*/, void* /*name*/) { return -1; }
    virtual int32_t getMidiProgramCategory(int32_t /*channel*/, void* /*category*/) { return 0; }
    virtual bool hasMidiProgramsChanged(int32_t /*channel*/) { return false; }
    virtual bool getMidiKeyName(int32_t /*channel*/, void* /*keyName*/) { return false; }

    // Host side helpers.
    bool wantEvents(int32_t filter = 1) {
        return callHost(audioMasterWantMidi, 0, filter) != 0;
    }
    bool beginEdit(int32_t index) { return callHost(audioMasterBeginEdit, index) != 0; }
    bool endEdit(int32_t index) { return callHost(audioMasterEndEdit, index) != 0; }
    bool sizeWindow(int32_t width, int32_t height) {
        return callHost(audioMasterSizeWindow, width, height) != 0;
    }
    bool updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }
};
