// The math and random modules: absolute values, maxima and the framework's
// linear congruential generator.
//
// The generator's state is one unsigned 32-bit seed (1234 at start-up); a
// draw steps it as seed * 1664525 + 1013904223 mod 2^32 and returns its top
// 24 bits as a float in [0, 1). The game may read and assign the seed.
#pragma once

#include <cstdint>

extern uint32_t rv_random_Seed;

float rv_random_Rnd();
float rv_random_Rnd2(float low, float high);
float rv_random_Rnd3(float range);

// The absolute value of the most negative int is itself (two's complement).
inline int rv_math_Abs(int x) { return x >= 0 ? x : (int)(0u - (unsigned)x); }
inline float rv_math_Abs2(float x) { return x >= 0 ? x : -x; }
inline int rv_math_Max(int a, int b) { return a > b ? a : b; }
inline float rv_math_Max2(float a, float b) { return a > b ? a : b; }
