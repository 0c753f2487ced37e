#include "modules/framework/ModuleBase.h"

#include <cstdlib>
#include <cstring>

Mox_ModuleBase::Mox_ModuleBase(ModuleOwner* owner, bool startDisabled)
    : eventHead(nullptr),
      eventTail(nullptr),
      owner(owner),
      currentTime(owner ? owner->runningTime : 0),
      blockSize(owner ? owner->internalBlockSize : ModuleOwner::kMaxChunk),
      flags(startDisabled ? kDisabled : 0u),
      process(&Mox_ModuleBase::SleepProcess),
      idleCallback(nullptr) {
    for (int i = 0; i < kPinCount; ++i) {
        outputs[i] = nullptr;
        inputs[i] = nullptr;
        connections[i] = nullptr;
    }
    for (int16_t& s : settings) s = 0;
}

Mox_ModuleBase::~Mox_ModuleBase() {
    while (eventHead) {
        ModuleEvent* next = eventHead->next;
        if (owner)
            owner->GiveEvent(eventHead);
        else
            delete eventHead;
        eventHead = next;
    }
    eventTail = nullptr;
    for (ConnectionNode*& list : connections) FreeConnectionList(list);
}

void Mox_ModuleBase::SleepProcess(int /*start*/, int /*count*/) { flags |= kAsleep; }

void Mox_ModuleBase::Process(int start, int count) { SleepProcess(start, count); }

namespace {

// Sample times are compared by their difference: the clock wraps after 2^32
// samples, and every queued event lies within a few blocks of the running time,
// so the difference always has the right sign.
bool Later(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) > 0; }

}  // namespace

void Mox_ModuleBase::ProcessBlock(int start, int count) {
    const uint32_t chunkStart = owner->runningTime;
    currentTime = chunkStart;
    const uint32_t end = chunkStart + static_cast<uint32_t>(count);
    while (ModuleEvent* e = eventHead) {
        if (Later(e->time, end) || e->time == end) {
            // Everything left belongs to a later chunk.
            if (flags == 0) RunProcess(start, count);
            return;
        }
        const int32_t gap = static_cast<int32_t>(e->time - currentTime);
        if (gap > 0) {
            if (flags == 0) RunProcess(start, gap);
            currentTime += static_cast<uint32_t>(gap);
            start += gap;
            count -= gap;
        }
        eventHead = e->next;
        if (eventHead)
            eventHead->prev = nullptr;
        else
            eventTail = nullptr;
        flags &= ~kAsleep;
        HandleEvent(e, start);
        owner->GiveEvent(e);
    }
    eventTail = nullptr;
    if (count > 0 && flags == 0) RunProcess(start, count);
}

float* Mox_ModuleBase::GetOutput(uint16_t pin) { return pin < kPinCount ? outputs[pin] : nullptr; }

void Mox_ModuleBase::QueueEvent(uint32_t time, uint16_t pin, uint16_t state, int32_t intValue,
                                float floatValue, void* payload) {
    ModuleEvent* e = owner ? owner->TakeEvent() : new ModuleEvent();
    if (!e) return;
    e->time = time;
    e->pin = pin;
    e->state = state;
    e->intValue = intValue;
    e->floatValue = floatValue;
    e->payload = payload;
    e->next = nullptr;
    e->prev = nullptr;

    // Walk back from the tail past every later event; equal times keep queueing order.
    ModuleEvent* after = eventTail;
    while (after && Later(after->time, time)) after = after->prev;
    if (!after) {
        e->next = eventHead;
        if (eventHead) eventHead->prev = e;
        eventHead = e;
        if (!eventTail) eventTail = e;
        return;
    }
    e->prev = after;
    e->next = after->next;
    if (after->next)
        after->next->prev = e;
    else
        eventTail = e;
    after->next = e;
}

void Mox_ModuleBase::SendEvent(uint32_t time, uint16_t outputPin, uint16_t state, int32_t intValue,
                               float floatValue, void* payload) {
    if (outputPin >= kPinCount || !owner) return;
    for (const ConnectionNode* node = connections[outputPin]; node; node = node->next) {
        const int receivers = node->count == 0 ? 1 : node->count;
        for (int k = 0; k < receivers; ++k) {
            Mox_ModuleBase* target = owner->ModuleAt(node->targetIndex + k * node->stride);
            if (target) target->QueueEvent(time, node->targetPin, state, intValue, floatValue, payload);
        }
    }
}

void Mox_ModuleBase::Connect(Mox_ModuleBase* receiver, int32_t receiverIndex, uint16_t outputPin,
                             uint16_t receiverPin, int16_t count, int16_t stride,
                             int32_t noEventLink) {
    if (outputPin >= kPinCount) return;
    OnOutputConnected(outputPin);
    if (!(count != 0 && noEventLink)) {
        ConnectionNode* node = new ConnectionNode{static_cast<int16_t>(receiverIndex), receiverPin,
                                                  count, stride, nullptr};
        ConnectionNode** tail = &connections[outputPin];
        while (*tail) tail = &(*tail)->next;
        *tail = node;
    }
    if (receiver) receiver->SetInput(receiverPin, outputs[outputPin]);
}

void Mox_ModuleBase::SetInput(uint16_t pin, float* value) {
    if (pin < kPinCount) inputs[pin] = value;
}

void Mox_ModuleBase::SetSetting(uint16_t index, int16_t value) {
    if (index < kSettingCount) settings[index] = value;
}

float* Mox_ModuleBase::AllocateSignalBuffer(int32_t blockSize) {
    if (blockSize < 1) blockSize = 1;
    const size_t bytes = static_cast<size_t>(blockSize) * sizeof(float) + 16;
    const size_t rounded = (bytes + 15) & ~static_cast<size_t>(15);
    void* memory = std::aligned_alloc(16, rounded);
    if (memory) std::memset(memory, 0, rounded);
    return static_cast<float*>(memory);
}

void Mox_ModuleBase::FreeSignalBuffer(float*& buffer) {
    std::free(buffer);
    buffer = nullptr;
}
