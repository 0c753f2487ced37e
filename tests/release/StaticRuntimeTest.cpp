// A library with the C++ runtime and libgcc linked in, as the plug-in has them
// (tests/release/StaticRuntimeProbe.cpp): an exception thrown and caught inside
// it unwinds, through the library's own lookup of exception tables; that lookup
// answers as the C library's own does for code in the probe, in the C library and
// in this program, and for addresses in no object (on 32-bit x86 it also answers
// the GOT as the base of data-relative encodings); std::random_device draws
// through the library's own arc4random.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>

namespace {

class StaticRuntime : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(handle, nullptr) << dlerror(); }
    void TearDown() override {
        if (handle) dlclose(handle);
    }
    template <class F>
    F get(const char* name) {
        auto f = reinterpret_cast<F>(dlsym(handle, name));
        EXPECT_NE(f, nullptr) << name;
        return f;
    }
    void* handle = dlopen(ORVA_PROBE_PATH, RTLD_NOW | RTLD_LOCAL);
};

[[gnu::noinline]] int InThisProgram() { return 7; }

TEST_F(StaticRuntime, AnExceptionThrownInsideIsCaughtInside) {
    auto probeCatch = get<int (*)(int)>("orva_probe_catch");
    ASSERT_NE(probeCatch, nullptr);
    EXPECT_EQ(probeCatch(0), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(probeCatch(1), -1);
}

TEST_F(StaticRuntime, ItsObjectLookupAnswersAsTheCLibrarys) {
    auto find = get<int (*)(void*, dl_find_object*)>("orva_probe_find_object");
    ASSERT_NE(find, nullptr);
    int onStack = 0;
    auto onHeap = std::make_unique<int>(0);
    void* const addresses[] = {reinterpret_cast<void*>(find),
                               reinterpret_cast<void*>(get<int (*)(int)>("orva_probe_catch")),
                               reinterpret_cast<void*>(&std::printf),
                               reinterpret_cast<void*>(&InThisProgram),
                               &onStack,
                               onHeap.get(),
                               nullptr};
    for (void* address : addresses) {
        dl_find_object ours{}, libc{};
        const int answer = find(address, &ours);
        ASSERT_EQ(answer, _dl_find_object(address, &libc)) << address;
        if (answer != 0) continue;
        EXPECT_EQ(ours.dlfo_eh_frame, libc.dlfo_eh_frame) << address;
        EXPECT_NE(ours.dlfo_eh_frame, nullptr) << address;
        EXPECT_EQ(ours.dlfo_link_map, libc.dlfo_link_map) << address;
        EXPECT_LE(ours.dlfo_map_start, address);
        EXPECT_GT(ours.dlfo_map_end, address);
    }
}

#if DLFO_STRUCT_HAS_EH_DBASE
// 32-bit x86: the base of data-relative encodings is the object's GOT. (glibc
// 2.36's own lookup answers the address of the dynamic entry naming the GOT, so
// it is not the reference here.)
TEST_F(StaticRuntime, ItsObjectLookupAnswersTheGotAsDataBase) {
    auto find = get<int (*)(void*, dl_find_object*)>("orva_probe_find_object");
    auto got = get<void* (*)()>("orva_probe_got");
    ASSERT_TRUE(find && got);
    dl_find_object ours{};
    ASSERT_EQ(find(reinterpret_cast<void*>(find), &ours), 0);
    EXPECT_EQ(ours.dlfo_eh_dbase, got());
}
#endif

TEST_F(StaticRuntime, RandomDeviceDrawsThroughItsOwnArc4random) {
    auto draw = get<uint32_t (*)()>("orva_probe_random");
    ASSERT_NE(draw, nullptr);
    std::set<uint32_t> values;
    for (int i = 0; i < 8; ++i) values.insert(draw());
    EXPECT_GE(values.size(), 7u);
    EXPECT_EQ(values.count(0), 0u) << "std::random_device(\"arc4random\") failed";
}

}  // namespace
