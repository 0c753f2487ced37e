// The gate between the audio thread and a reconfiguration running elsewhere.
//
// Hosts should suspend, change the sample rate or block size and resume only
// while no block is being processed, but some do it from their user-interface
// thread while the audio thread keeps calling process. The graph and the shared
// tables are freed and rebuilt then, so the audio thread must not touch them: it
// passes the gate only while no reconfiguration holds it closed, and never waits
// for one (it answers silence for that block instead). A reconfiguration closes
// the gate and waits until any block in flight has left; it may wait, since it
// never runs on the audio thread while a block is in flight there.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

class GraphGate {
public:
    // Audio thread: true when the graph may be used; then Leave() when done.
    bool TryEnter() {
        const uint32_t before = state_.fetch_add(kBlock, std::memory_order_acquire);
        if ((before & kClosed) == 0) return true;
        state_.fetch_sub(kBlock, std::memory_order_release);
        return false;
    }
    void Leave() { state_.fetch_sub(kBlock, std::memory_order_release); }

    // Holds the gate closed for its lifetime: blocks in flight finish first, new
    // ones are turned away. Nested holds on one thread (resume calls what the
    // host may also call alone) and holds from two threads at once are fine.
    class Closed {
    public:
        explicit Closed(GraphGate& gate) : gate_(gate), lock_(gate.reconfigure_) {
            if (gate_.depth_++ > 0) return;
            gate_.state_.fetch_or(kClosed, std::memory_order_acq_rel);
            while ((gate_.state_.load(std::memory_order_acquire) & ~kClosed) != 0) std::this_thread::yield();
        }
        ~Closed() {
            if (--gate_.depth_ == 0) gate_.state_.fetch_and(~kClosed, std::memory_order_release);
        }
        Closed(const Closed&) = delete;
        Closed& operator=(const Closed&) = delete;

    private:
        GraphGate& gate_;
        std::lock_guard<std::recursive_mutex> lock_;
    };

private:
    static constexpr uint32_t kClosed = 1;  // a reconfiguration holds the gate
    static constexpr uint32_t kBlock = 2;   // one block in flight
    std::atomic<uint32_t> state_{0};
    std::recursive_mutex reconfigure_;
    int depth_ = 0;  // guarded by reconfigure_
};
