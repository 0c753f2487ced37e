// The processing thread must never allocate, free or lock. This test program
// replaces malloc, free, operator new/delete and pthread_mutex_lock for the whole
// process (the plug-in, loaded with dlopen, calls ours), and counts the calls
// made on the processing thread while it is being watched: after a first second
// of audio, for 29 more seconds with parameters changing from another thread and
// MIDI control changes arriving.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include <initializer_list>
#include <utility>
#include <vector>

#include "host/PresetBank.h"
#include "tests/realtime/Watched.h"
#include "tools/PluginLoader.h"

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void __libc_free(void*);

thread_local bool tWatched = false;
std::atomic<long> gCalls{0};

namespace {

inline void Note() {
    if (tWatched) gCalls.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

// Allocation failures on demand: while gFailAfter is 0 or more, that many more
// allocations of this thread succeed and the following ones fail.
thread_local long gFailAfter = -1;

extern "C" void* malloc(size_t size) {
    Note();
    if (gFailAfter >= 0 && gFailAfter-- == 0) {
        gFailAfter = 0;
        return nullptr;
    }
    return __libc_malloc(size);
}
extern "C" void* calloc(size_t n, size_t size) {
    Note();
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t size) {
    Note();
    return __libc_realloc(p, size);
}
extern "C" void free(void* p) {
    if (p) Note();
    __libc_free(p);
}
extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex) {
    Note();
    using Lock = int (*)(pthread_mutex_t*);
    static Lock real = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    return real(mutex);
}

void* operator new(size_t size) {
    if (void* p = malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept {
    if (p) Note();
    __libc_free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace {

// Binds MIDI controllers to parameters ({parameter, controller}) through a bank
// chunk, as a user's saved bank would; every other parameter is left unbound.
void BindControllers(AEffect* e, std::initializer_list<std::pair<int, int16_t>> bindings) {
    void* chunk = nullptr;
    ASSERT_EQ(e->dispatcher(e, effGetChunk, 0, 0, &chunk, 0.0f), kBankBytes);
    std::vector<PresetMemory> bank(kProgramCount);
    std::memcpy(bank.data(), chunk, sizeof(PresetMemory) * kProgramCount);
    for (int16_t& controller : bank[0].midiMap) controller = -1;
    for (const auto& [parameter, controller] : bindings) bank[0].midiMap[parameter] = controller;
    e->dispatcher(e, effSetChunk, 0, kBankBytes, bank.data(), 0.0f);
}

}  // namespace

TEST(RealTimeSafety, TheProcessingThreadNeverAllocatesFreesOrLocks) {
    PluginLoader plugin;
    ASSERT_TRUE(plugin.Load(ORVA_PLUGIN_PATH)) << plugin.error();
    AEffect* e = plugin.effect();
    plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    plugin.Dispatch(effSetBlockSize, 0, 128);
    BindControllers(e, {{4, 0}, {6, 0}, {3, 7}, {14, 7}});
    plugin.Dispatch(effMainsChanged, 0, 1);

    std::atomic<bool> stop{false};
    std::thread editor([&] {
        // The host's user-interface thread: automation, program changes, texts, and
        // bank and preset chunks saved and loaded back.
        char text[64];
        std::vector<char> saved(72192);
        unsigned seed = 7;
        while (!stop.load()) {
            seed = seed * 1103515245u + 12345u;
            const int index = static_cast<int>((seed >> 8) % 47);
            e->setParameter(e, index, static_cast<float>((seed >> 4) % 1000) / 999.0f);
            e->dispatcher(e, effGetParamDisplay, index, 0, text, 0.0f);
            if (seed % 97 == 0) e->dispatcher(e, effSetProgram, 0, static_cast<intptr_t>(seed % 8), nullptr, 0.0f);
            if (seed % 89 == 0) {
                void* chunk = nullptr;
                const int32_t preset = static_cast<int32_t>(seed >> 12) & 1;
                const intptr_t size = e->dispatcher(e, effGetChunk, preset, 0, &chunk, 0.0f);
                if (size > 0 && static_cast<size_t>(size) <= saved.size()) {
                    std::memcpy(saved.data(), chunk, static_cast<size_t>(size));
                    e->dispatcher(e, effSetChunk, preset, size, saved.data(), 0.0f);
                }
            }
            std::this_thread::yield();
        }
    });

    long counted = -1;
    std::thread audio([&] {
        std::vector<float> in[4], out[2];
        for (auto& c : in) c.resize(128);
        for (auto& c : out) c.resize(128);
        VstMidiEvent cc{};
        cc.type = kVstMidiType;
        cc.byteSize = sizeof cc;
        VstEvents list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&cc);
        const int blocks = 30 * 48000 / 128;
        for (int b = 0; b < blocks; ++b) {
            if (b == 48000 / 128) {
                gCalls.store(0);
                tWatched = true;  // from the second second on
            }
            for (int i = 0; i < 128; ++i) {
                const float t = static_cast<float>(b * 128 + i) / 48000.0f;
                in[0][static_cast<size_t>(i)] = 0.6f * std::sin(6.2831853f * 440.0f * t) * (b % 40 < 20 ? 1.0f : 0.1f);
                in[1][static_cast<size_t>(i)] = in[0][static_cast<size_t>(i)];
            }
            cc.deltaFrames = b % 128;
            cc.midiData[0] = static_cast<char>(0xB0);
            cc.midiData[1] = static_cast<char>(b % 3 == 0 ? 0 : 7);  // controller 0 moves Attack and Release, 7 Parallel and Gain
            cc.midiData[2] = static_cast<char>(b % 128);
            e->dispatcher(e, effProcessEvents, 0, 0, &list, 0.0f);
            float* ins[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
            float* outs[2] = {out[0].data(), out[1].data()};
            e->processReplacing(e, ins, outs, 128);
        }
        tWatched = false;
        counted = gCalls.load();
    });
    audio.join();
    stop.store(true);
    editor.join();
    EXPECT_EQ(counted, 0) << "allocations, frees or locks on the processing thread";
}

// A host that stamps its MIDI far beyond the block (10^9 frames ahead): each event
// acts inside the block it came with, at its last sample, and the queues neither
// grow nor make the processing thread allocate, block after block.
TEST(RealTimeSafety, MidiStampedFarBeyondTheBlockActsWithinItAndNeverAllocates) {
    PluginLoader plugin;
    ASSERT_TRUE(plugin.Load(ORVA_PLUGIN_PATH)) << plugin.error();
    AEffect* e = plugin.effect();
    plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    plugin.Dispatch(effSetBlockSize, 0, 128);
    BindControllers(e, {{14, 7}});  // controller 7 drives "Gain" (make-up) and nothing else
    plugin.Dispatch(effMainsChanged, 0, 1);

    std::vector<VstMidiEvent> ccs(64);
    std::vector<VstEvent*> pointers(sizeof(VstEvents) / sizeof(VstEvent*) + ccs.size());
    auto* list = reinterpret_cast<VstEvents*>(pointers.data());
    list->numEvents = static_cast<int32_t>(ccs.size());
    for (size_t k = 0; k < ccs.size(); ++k) list->events[k] = reinterpret_cast<VstEvent*>(&ccs[k]);

    std::vector<float> in(128), out[2] = {std::vector<float>(128), std::vector<float>(128)};
    std::vector<float> silent(128, 0.0f);
    auto levelOfLastBlock = [&] {
        double sum = 0;
        for (float v : out[0]) sum += double(v) * v;
        return 10.0 * std::log10(sum / 128.0 + 1e-30);
    };
    double lowGain = 0, highGain = 0;
    for (int b = 0; b < 3000; ++b) {
        if (b == 200) {
            gCalls.store(0);
            tWatched = true;
        }
        const bool high = (b / 500) % 2 == 1;
        for (size_t k = 0; k < ccs.size(); ++k) {
            ccs[k] = VstMidiEvent{};
            ccs[k].type = kVstMidiType;
            ccs[k].byteSize = sizeof(VstMidiEvent);
            ccs[k].deltaFrames = 1000000000;
            ccs[k].midiData[0] = static_cast<char>(0xB0);
            ccs[k].midiData[1] = 7;
            ccs[k].midiData[2] = static_cast<char>(high ? 127 : 0);
        }
        e->dispatcher(e, effProcessEvents, 0, 0, list, 0.0f);
        for (int i = 0; i < 128; ++i) in[size_t(i)] = 0.01f * std::sin(6.2831853f * 1000.0f * float(b * 128 + i) / 48000.0f);
        float* ins[4] = {in.data(), in.data(), silent.data(), silent.data()};
        float* outs[2] = {out[0].data(), out[1].data()};
        e->processReplacing(e, ins, outs, 128);
        if (b == 499) lowGain = levelOfLastBlock();
        if (b == 999) highGain = levelOfLastBlock();
    }
    tWatched = false;
    EXPECT_EQ(gCalls.load(), 0) << "allocations, frees or locks on the processing thread";
    // -24 dB against +24 dB of make-up, whatever the compressor does to a -40 dBFS tone.
    EXPECT_GT(highGain - lowGain, 30.0);
}

// Memory running out at any point while the editor is built (here: every
// allocation from the Nth on fails): the host's call answers, no exception comes
// out of the plug-in, and the editor opens once memory is back.
TEST(RealTimeSafety, AnEditorOpenThatRunsOutOfMemoryFailsCleanly) {
    PluginLoader plugin;
    ASSERT_TRUE(plugin.Load(ORVA_PLUGIN_PATH)) << plugin.error();
    constexpr intptr_t kPictureCall = ('O' << 24) | ('T' << 16) | ('e' << 8) | 'd';
    gCalls.store(0);
    tWatched = true;
    ASSERT_EQ(plugin.Dispatch(effVendorSpecific, kPictureCall, 1), 1);  // offscreen
    tWatched = false;
    plugin.Dispatch(effVendorSpecific, kPictureCall, 0);
    const long allocations = gCalls.load();
    ASSERT_GT(allocations, 100);
    int failed = 0;
    for (long n = 0; n < allocations; n += allocations / 60 + 1) {
        gFailAfter = n;
        const intptr_t opened = plugin.Dispatch(effVendorSpecific, kPictureCall, 1);
        gFailAfter = -1;
        if (!opened) ++failed;
        plugin.Dispatch(effVendorSpecific, kPictureCall, 0);
    }
    EXPECT_GT(failed, 0);
    EXPECT_EQ(plugin.Dispatch(effVendorSpecific, kPictureCall, 1), 1);
    EXPECT_EQ(plugin.Dispatch(effVendorSpecific, kPictureCall, 2), 1);  // a tick runs
    plugin.Dispatch(effVendorSpecific, kPictureCall, 0);
}

TEST(RealTimeSafety, TheCounterSeesAllocationsHereAndInThePlugIn) {
    // The replacements are in force: a watched allocation is counted, in this
    // program and inside the loaded plug-in (a rebuild of its graph allocates).
    gCalls.store(0);
    tWatched = true;
    void* p = std::malloc(32);
    int* q = new int(3);
    tWatched = false;
    std::free(p);
    delete q;
    EXPECT_EQ(gCalls.load(), 2);

    PluginLoader plugin;
    ASSERT_TRUE(plugin.Load(ORVA_PLUGIN_PATH)) << plugin.error();
    plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    gCalls.store(0);
    tWatched = true;
    plugin.Dispatch(effMainsChanged, 0, 1);
    tWatched = false;
    EXPECT_GT(gCalls.load(), 30);
}
