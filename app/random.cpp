// The random module: one 32-bit linear congruential generator shared by the
// framework and the game.
#include "app/numeric.h"

#include "runtime/gc.h"

uint32_t rv_random_Seed;

namespace {

constexpr uint32_t kStartSeed = 1234;
constexpr uint32_t kMultiplier = 1664525;
constexpr uint32_t kIncrement = 1013904223;
constexpr float kUnit = 1.0f / 16777216.0f;  // 2^-24: 24 bits fit a float exactly

rv_module random_module(60, [] { rv_random_Seed = kStartSeed; }, nullptr);

}  // namespace

float rv_random_Rnd() {
  rv_random_Seed = rv_random_Seed * kMultiplier + kIncrement;  // wraps mod 2^32
  return (float)(rv_random_Seed >> 8) * kUnit;
}

float rv_random_Rnd2(float low, float high) { return low + (high - low) * rv_random_Rnd(); }

float rv_random_Rnd3(float range) { return rv_random_Rnd() * range; }
