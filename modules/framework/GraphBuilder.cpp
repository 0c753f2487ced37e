#include "modules/framework/GraphBuilder.h"

#include "modules/framework/ModuleBase.h"
#include "modules/framework/Voices.h"

// Voice groups
// ------------
// A splitter record (6383..6385) directly followed by a group-start record (6388)
// opens a voice group; the group start's first link byte (links[0].pin) is the
// voice count V, stored in owner.voiceCount before the splitter is created so that
// the splitter can size its voices. The M module records up to the group end
// (6389, or the end of the description if it is missing) are built V times, every
// module switched off at creation; voice k's copy of record r sits at table index
// F + k * M + r, F being the first index after the group start. A group record
// whose module cannot be created still takes its index (left null), so that the
// layout holds for every voice. moduleOfCode names voice 0's copies. If the
// module table cannot hold V copies, V shrinks to the copies that fit.
//
// Links of a group record, for voice k:
//   - from a module of the same group: voice k's copy of it, plain connection;
//   - from the splitter (6383..6385, or 6387 = the last splitter built): the
//     splitter's Connect with count V and stride M, then AttachVoiceOutput
//     points the input at voice k's own gate / pitch / velocity;
//   - from any other module, and from parameter indices: Connect / ConnectControl
//     with count V, stride M and no-event-link flag k, so that voice 0 leaves one
//     node reaching every copy and the other voices only get the input pointer.
// Links of a merger record (6379..6381) from a module of the last group built go
// to the merger's AttachVoiceInputs; its other links are ordinary ones.
//
// Code 6390 adds links to a module that already exists: links[0].source names
// its code (its pin byte is not looked at), the links after it are applied as
// for a new module of that code. It creates nothing and takes no table index.
// Inside a group it adds to the current voice's copy when the code names a
// module of the group; a module outside the group gets the links once, while
// voice 0 is being built, with the rules for modules outside a group.

namespace {

constexpr int16_t kLastSplitterCode = 6387;
constexpr int16_t kGroupStartCode = 6388;
constexpr int16_t kGroupEndCode = 6389;
constexpr int16_t kAddLinksCode = 6390;

bool IsSplitterCode(int code) { return code >= 6383 && code <= 6385; }
bool IsMergerCode(int code) { return code >= 6379 && code <= 6381; }
bool EndsDescription(const GraphRecord* record) { return record->code > kAddLinksCode; }
// The voice count of a group start; a record without links (its first pin byte
// is the end mark) has no voices.
int VoicesOf(const GraphRecord* groupStart) {
    const uint8_t v = groupStart->links[0].pin;
    return v == kEndOfLinks ? 0 : v;
}

struct Group {
    int first = 0;           // F
    int voices = 0;          // V
    int perVoice = 0;        // M
    Mox_ModuleBase* splitter = nullptr;

    bool Holds(int index) const { return index >= first && index < first + perVoice; }
};

class Builder {
public:
    Builder(ModuleOwner& owner, ModuleFactory factory, float* pool)
        : owner_(owner), factory_(factory), pool_(pool) {}

    void Build(const GraphRecord* description);

private:
    // Table index of the module built under a code in this build, or -1.
    int IndexOfCode(int code) const;
    // The number of module records from `record` up to the group end.
    static int RecordsInGroup(const GraphRecord* record);
    void OpenGroup(const GraphRecord* start);
    void AddLinks(const GraphRecord& record);
    // Applies links[first..] of a record to module m at table index `index`;
    // withVoiceRules: m is voice `voice_` of the open group.
    void ApplyLinks(Mox_ModuleBase* m, int index, const GraphRecord& record, int first, bool isMerger,
                    bool withVoiceRules);

    ModuleOwner& owner_;
    ModuleFactory factory_;
    float* pool_;
    int h_ = 0;
    Mox_ModuleBase* lastSplitter_ = nullptr;
    bool open_ = false;
    const GraphRecord* groupFirstRecord_ = nullptr;
    int voice_ = 0;
    Group group_;          // the open group
    Group lastGroup_;      // the last group closed, for mergers
    bool haveLastGroup_ = false;
};

int Builder::IndexOfCode(int code) const {
    const int slot = code - ModuleOwner::kFirstGraphCode;
    if (slot < 0 || slot >= ModuleOwner::kGraphCodeCount) return -1;
    const int index = owner_.moduleOfCode[slot];
    return index >= 0 && index < h_ ? index : -1;
}

int Builder::RecordsInGroup(const GraphRecord* record) {
    int m = 0;
    for (; !EndsDescription(record) && record->code != kGroupEndCode; ++record)
        if (record->code != kGroupStartCode && record->code != kAddLinksCode) ++m;
    return m;
}

void Builder::OpenGroup(const GraphRecord* start) {
    group_ = Group{};
    group_.first = h_;
    group_.perVoice = RecordsInGroup(start + 1);
    int voices = VoicesOf(start);
    if (group_.perVoice > 0) {
        const int room = (ModuleOwner::kMaxModules - h_) / group_.perVoice;
        if (voices > room) voices = room;
    }
    group_.splitter = lastSplitter_;
    if (auto* splitter = dynamic_cast<Mox_DSP_Midi_to_Poly*>(lastSplitter_))
        voices = splitter->SetVoiceLayout(group_.first, voices, group_.perVoice);
    group_.voices = voices;
    owner_.voiceCount = voices;
    open_ = true;
    voice_ = 0;
    groupFirstRecord_ = start + 1;
}

void Builder::Build(const GraphRecord* description) {
    const GraphRecord* record = description;
    while (record) {
        const bool atEnd = EndsDescription(record);
        if (atEnd && !open_) break;

        // A group end (or the description's end inside a group) repeats the group
        // until every voice is built.
        if (atEnd || record->code == kGroupEndCode) {
            if (open_ && ++voice_ < group_.voices) {
                record = groupFirstRecord_;
                continue;
            }
            if (open_) {
                open_ = false;
                lastGroup_ = group_;
                haveLastGroup_ = true;
            }
            if (atEnd) break;
            ++record;
            continue;
        }

        if (record->code == kGroupStartCode) {
            // A group start inside a group is not nested; it is passed over.
            if (!open_) {
                OpenGroup(record);
                if (group_.voices <= 0) {
                    // No voice to build: straight on to the group end.
                    const GraphRecord* end = groupFirstRecord_;
                    while (!EndsDescription(end) && end->code != kGroupEndCode) ++end;
                    record = end;
                    continue;
                }
            }
            ++record;
            continue;
        }

        if (record->code == kAddLinksCode) {
            AddLinks(*record);
            ++record;
            continue;
        }

        if (h_ >= ModuleOwner::kMaxModules) break;
        const int code = record->code;
        if (IsSplitterCode(code) && !open_) {
            const GraphRecord* next = record + 1;
            owner_.voiceCount = next->code == kGroupStartCode ? VoicesOf(next) : 0;
        }
        Mox_ModuleBase* module = factory_ ? factory_(record->code, &owner_, open_) : nullptr;
        if (!module) {
            if (open_) owner_.modules[h_++] = nullptr;  // the voice layout keeps its slot
            ++record;
            continue;
        }
        owner_.modules[h_] = module;
        const int codeSlot = code - ModuleOwner::kFirstGraphCode;
        if ((!open_ || voice_ == 0) && codeSlot >= 0 && codeSlot < ModuleOwner::kGraphCodeCount)
            owner_.moduleOfCode[codeSlot] = static_cast<int16_t>(h_);
        if (IsSplitterCode(code)) {
            lastSplitter_ = module;
            owner_.moduleOfCode[kLastSplitterCode - ModuleOwner::kFirstGraphCode] = static_cast<int16_t>(h_);
        }
        ApplyLinks(module, h_, *record, 0, IsMergerCode(code), open_);
        ++h_;
        ++record;
    }
    owner_.moduleCount = h_;
}

void Builder::AddLinks(const GraphRecord& record) {
    int index = IndexOfCode(record.links[0].source);
    if (index < 0) return;
    bool withVoiceRules = false;
    if (open_) {
        if (group_.Holds(index)) {
            index += voice_ * group_.perVoice;
            if (index >= h_) return;
            withVoiceRules = true;
        } else if (voice_ != 0) {
            return;
        }
    }
    Mox_ModuleBase* module = owner_.ModuleAt(index);
    if (!module) return;
    ApplyLinks(module, index, record, 1, IsMergerCode(record.links[0].source), withVoiceRules);
}

void Builder::ApplyLinks(Mox_ModuleBase* m, int index, const GraphRecord& record, int first,
                         bool isMerger, bool withVoiceRules) {
    const int16_t count = withVoiceRules ? static_cast<int16_t>(group_.voices) : 0;
    const int16_t stride = withVoiceRules ? static_cast<int16_t>(group_.perVoice) : 0;
    const int32_t noEventLink = withVoiceRules ? voice_ : 0;

    for (int i = first; i < 64; ++i) {
        const GraphLink& link = record.links[i];
        if (link.pin == kEndOfLinks) break;
        if (link.pin >= kSettingPinBase) {
            m->SetSetting(static_cast<uint16_t>(link.pin - kSettingPinBase), link.source);
        } else if (link.source >= ModuleOwner::kFirstGraphCode) {
            const int sourceIndex = IndexOfCode(link.source);
            Mox_ModuleBase* source = owner_.ModuleAt(sourceIndex);
            if (!source) continue;
            if (isMerger && haveLastGroup_ && !withVoiceRules && lastGroup_.Holds(sourceIndex)) {
                m->AttachVoiceInputs(lastGroup_.splitter, sourceIndex, lastGroup_.voices, lastGroup_.perVoice,
                                     link.sourcePin, link.pin);
            } else if (!withVoiceRules) {
                source->Connect(m, index, link.sourcePin, link.pin, 0, 0, 0);
            } else if (group_.Holds(sourceIndex)) {
                const int copy = sourceIndex + voice_ * group_.perVoice;
                Mox_ModuleBase* own = copy < h_ ? owner_.ModuleAt(copy) : nullptr;
                if (own) own->Connect(m, index, link.sourcePin, link.pin, 0, 0, 0);
            } else if (IsSplitterCode(link.source) || link.source == kLastSplitterCode) {
                source->Connect(m, index, link.sourcePin, link.pin, count, stride, noEventLink);
                source->AttachVoiceOutput(m, link.sourcePin, link.pin, voice_);
            } else {
                source->Connect(m, index, link.sourcePin, link.pin, count, stride, noEventLink);
            }
        } else if (link.source >= kConstantBase) {
            if (pool_) m->SetInput(link.pin, &pool_[link.source - kConstantBase]);
        } else if (link.source >= 0 && link.source < ModuleOwner::kIndexCount) {
            owner_.ConnectControl(m, index, link.source, link.pin, count, stride, noEventLink);
        }
    }
}

}  // namespace

void BuildGraphFrom(ModuleOwner& owner, const GraphRecord* description, ModuleFactory factory,
                    float* constantPool) {
    for (ConnectionNode*& list : owner.controlConnections) FreeConnectionList(list);
    for (int16_t& entry : owner.moduleOfCode) entry = -1;
    owner.voiceCount = 0;
    Builder(owner, factory, constantPool).Build(description);
}
