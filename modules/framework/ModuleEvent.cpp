#include "modules/framework/ModuleEvent.h"

#include <new>

void FreeConnectionList(ConnectionNode*& head) {
    while (head) {
        ConnectionNode* next = head->next;
        delete head;
        head = next;
    }
}

EventPool::EventPool() : records_(new (std::nothrow) ModuleEvent[kCapacity]) {
    if (!records_) return;
    for (int i = kCapacity - 1; i >= 0; --i) {
        records_[i].next = freeList_;
        freeList_ = &records_[i];
    }
    freeCount_ = kCapacity;
}

EventPool::~EventPool() { delete[] records_; }

ModuleEvent* EventPool::Take() {
    if (freeList_) {
        ModuleEvent* e = freeList_;
        freeList_ = e->next;
        --freeCount_;
        return e;
    }
    ++dropped_;
    return nullptr;
}

void EventPool::Give(ModuleEvent* event) {
    if (!event) return;
    if (records_ && event >= records_ && event < records_ + kCapacity) {
        event->next = freeList_;
        freeList_ = event;
        ++freeCount_;
    } else {
        delete event;
    }
}
