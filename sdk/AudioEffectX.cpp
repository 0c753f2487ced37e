#include "sdk/AudioEffectX.h"

#include "sdk/AEffEditor.h"

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms,
                           int32_t numParams)
    : AudioEffect(audioMaster, numPrograms, numParams) {}

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effProcessEvents:
            return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
        case effCanBeAutomated:
            return canParameterBeAutomated(index) ? 1 : 0;
        case effString2Parameter:
            return string2parameter(index, text) ? 1 : 0;
        case effGetProgramNameIndexed:
            return text && getProgramNameIndexed(static_cast<int32_t>(value), index, text) ? 1 : 0;
        case effGetInputProperties:
            return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
        case effGetOutputProperties:
            return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
        case effGetPlugCategory:
            return getPlugCategory();
        case effProcessVarIo:
            return processVariableIo(ptr) ? 1 : 0;
        case effSetSpeakerArrangement:
            return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                         static_cast<VstSpeakerArrangement*>(ptr))
                       ? 1
                       : 0;
        case effSetBypass:
            return setBypass(value != 0) ? 1 : 0;
        case effGetEffectName:
            return text && getEffectName(text) ? 1 : 0;
        case effGetVendorString:
            return text && getVendorString(text) ? 1 : 0;
        case effGetProductString:
            return text && getProductString(text) ? 1 : 0;
        case effGetVendorVersion:
            return getVendorVersion();
        case effVendorSpecific:
            return vendorSpecific(index, value, ptr, opt);
        case effCanDo:
            return text ? canDo(text) : 0;
        case effGetTailSize:
            return getTailSize();
        case effGetParameterProperties:
            return ptr && getParameterProperties(index, ptr) ? 1 : 0;
        case effGetVstVersion:
            return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp:
            if (editor) {
                // Virtual key and modifier bits are single bytes; a host value
                // outside 0..255 (or a NaN modifier) carries none rather than
                // being cut to some other key (for the float, the conversion
                // itself would be undefined).
                const unsigned char virt = value >= 0 && value <= 255 ? static_cast<unsigned char>(value) : 0;
                const unsigned char modifier = opt >= 0.0f && opt <= 255.0f ? static_cast<unsigned char>(opt) : 0;
                VstKeyCode key{index, virt, modifier};
                bool handled = opcode == effEditKeyDown ? editor->onKeyDown(key)
                                                        : editor->onKeyUp(key);
                return handled ? 1 : 0;
            }
            return 0;
        case effSetEditKnobMode:
            return editor ? (editor->setKnobMode(static_cast<int32_t>(value)) ? 1 : 0) : 0;
        case effGetMidiProgramName:
            return getMidiProgramName(index, ptr);
        case effGetCurrentMidiProgram:
            return getCurrentMidiProgram(index, ptr);
        case effGetMidiProgramCategory:
            return getMidiProgramCategory(index, ptr);
        case effHasMidiProgramsChanged:
            return hasMidiProgramsChanged(index) ? 1 : 0;
        case effGetMidiKeyName:
            return getMidiKeyName(index, ptr) ? 1 : 0;
        case effBeginSetProgram:
            return beginSetProgram() ? 1 : 0;
        case effEndSetProgram:
            return endSetProgram() ? 1 : 0;
        case effGetSpeakerArrangement:
            if (!ptr || !value) return 0;
            return getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                         static_cast<VstSpeakerArrangement**>(ptr))
                       ? 1
                       : 0;
        case effStartProcess:
            return startProcess();
        case effStopProcess:
            return stopProcess();
        case effSetTotalSampleToProcess:
            return setTotalSampleToProcess(static_cast<int32_t>(value));
        case effSetPanLaw:
            return setPanLaw(static_cast<int32_t>(value), opt) ? 1 : 0;
        case effBeginLoadBank:
            return beginLoadBank(ptr);
        case effBeginLoadProgram:
            return beginLoadProgram(ptr);
        case effSetProcessPrecision:
            return setProcessPrecision(static_cast<int32_t>(value)) ? 1 : 0;
        case effGetNumMidiInputChannels:
            return getNumMidiInputChannels();
        case effGetNumMidiOutputChannels:
            return getNumMidiOutputChannels();
        default:
            return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}
