// Module events, connection nodes and the pool that event records come from.
#pragma once

#include <cstddef>
#include <cstdint>

// One time-stamped change delivered to an input pin of a module.
struct ModuleEvent {
    uint32_t time;      // absolute sample time on the owner's running clock
    uint16_t pin;       // input pin of the receiver
    uint16_t state;     // signal state: nonzero = varying, 0 = constant / control event
    int32_t intValue;   // integer form of the value
    float floatValue;   // float form of the value
    void* payload;      // control events: address of the control value; else sender's choice
    ModuleEvent* next;  // toward later events
    ModuleEvent* prev;  // toward earlier events
};

// One receiver (or a row of voice receivers) of an output pin or a parameter index.
struct ConnectionNode {
    int16_t targetIndex;  // receiver's index in the owner's module table
    uint16_t targetPin;   // receiver's input pin
    int16_t count;        // 0: one receiver; else that many receivers, stride apart
    int16_t stride;       // table distance between successive receivers
    ConnectionNode* next;
};

// Frees every node of a connection list and clears the head.
void FreeConnectionList(ConnectionNode*& head);

// Fixed pool of event records, used only on the audio thread. The records are
// allocated once; taking and giving back a record is a pointer swap. The audio
// thread never allocates, whatever a host sends: should a burst ever exhaust the
// pool, Take answers null and the newest event is dropped (and counted). Dropping
// the newest keeps every queue as it was, in order, and the records come back as
// soon as the chunk has delivered what is queued.
class EventPool {
public:
    static constexpr int kCapacity = 8192;

    EventPool();
    ~EventPool();
    EventPool(const EventPool&) = delete;
    EventPool& operator=(const EventPool&) = delete;

    ModuleEvent* Take();
    void Give(ModuleEvent* event);

    int freeCount() const { return freeCount_; }
    int dropped() const { return dropped_; }

private:
    ModuleEvent* records_;
    ModuleEvent* freeList_ = nullptr;
    int freeCount_ = 0;
    int dropped_ = 0;
};
