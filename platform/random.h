// The runtime generator the game draws from: a per-thread linear
// congruential generator with the classic constants, so that a replay that
// seeds the game thread repeats the original sequence of draws.
#pragma once
#include <cstdint>

namespace plat {

// Next value 0..32767 of this thread's generator. A thread that never
// seeded starts at seed 1.
int Rand();

// Seeds this thread's generator.
void SeedRand(uint32_t seed);

}  // namespace plat
