// Four float lanes in one SSE register, written with the vector extension GCC and
// clang share, so that the same code builds for x86-64 and for 32-bit x86 (SSE2).
// Lane arithmetic rounds exactly as the scalar float code does (no fused
// multiply-add on either target). Used where the compiler cannot vectorise a
// loop on its own: a recursion run on two channels at once, table lookups.
#pragma once

#include <cstdint>
#include <cstring>

typedef float Lanes4 __attribute__((vector_size(16)));
typedef int32_t IntLanes4 __attribute__((vector_size(16)));
typedef double DoubleLanes2 __attribute__((vector_size(16)));

inline Lanes4 Load4(const float* p) {
    Lanes4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Store4(float* p, Lanes4 v) { std::memcpy(p, &v, sizeof v); }

inline Lanes4 Splat4(float x) { return Lanes4{x, x, x, x}; }

// Lanes 0 and 1 from p[0] and p[1], lanes 2 and 3 zero; and lanes 0 and 1 back
// to p[0] and p[1]. The two floats move as the bits of one double: one load or
// store, bits unchanged.
inline Lanes4 LoadPair(const float* p) {
    double pair;
    std::memcpy(&pair, p, sizeof pair);
    return reinterpret_cast<Lanes4>(DoubleLanes2{pair, 0.0});
}

inline void StorePair(float* p, Lanes4 v) { std::memcpy(p, &v, 2 * sizeof(float)); }

// The bits of each lane, and lanes from bits.
inline IntLanes4 BitsOf4(Lanes4 v) {
    IntLanes4 bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

inline Lanes4 FromBits4(IntLanes4 bits) {
    Lanes4 v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// table[index] and table[index + 1] for each lane (indices not negative), each
// pair read as one 8-byte load and the four pairs then sorted into two vectors.
inline void GatherPairs4(const float* table, IntLanes4 index, Lanes4& at, Lanes4& next) {
    const Lanes4 a = LoadPair(table + static_cast<uint32_t>(index[0]));
    const Lanes4 b = LoadPair(table + static_cast<uint32_t>(index[1]));
    const Lanes4 c = LoadPair(table + static_cast<uint32_t>(index[2]));
    const Lanes4 d = LoadPair(table + static_cast<uint32_t>(index[3]));
    const Lanes4 ab = __builtin_shufflevector(a, b, 0, 4, 1, 5);  // a0 b0 a1 b1
    const Lanes4 cd = __builtin_shufflevector(c, d, 0, 4, 1, 5);  // c0 d0 c1 d1
    at = __builtin_shufflevector(ab, cd, 0, 1, 4, 5);
    next = __builtin_shufflevector(ab, cd, 2, 3, 6, 7);
}

inline Lanes4 ToFloat4(IntLanes4 v) { return __builtin_convertvector(v, Lanes4); }
// Toward zero, as a cast of each lane to int.
inline IntLanes4 Truncate4(Lanes4 v) { return __builtin_convertvector(v, IntLanes4); }

// Lane by lane: mask lane all ones -> a, zero -> b.
inline Lanes4 Select4(IntLanes4 mask, Lanes4 a, Lanes4 b) {
    return FromBits4((BitsOf4(a) & mask) | (BitsOf4(b) & ~mask));
}
