#pragma once
// The engine's one pseudo-random source. Terrain generation, variant choices and
// the script engine all draw from it, and generated content depends on the exact
// sequence, so it is our own linear congruential generator and never the C
// library's rand (whose sequence differs between hosts).
#include <cstdint>

namespace hm {

// Reseeds the shared generator.
void random_seed(std::uint32_t seed);
// Next value in 0..32767: state = state * 214013 + 2531011, result = bits 16..30.
int random_next();
// The generator's raw state, for code that must save and restore it.
std::uint32_t random_state();
void set_random_state(std::uint32_t state);

// 1/15817 as a float (0x388496A7): the scale of every random fraction the
// engine draws, also from seeds of its own.
inline constexpr float random_fraction_scale = 6.322312e-5f;

// random_next() mod 15817 scaled into [0, 1).
float random_unit_float();
// random_next() mod 15817 scaled into [0, 2 pi).
float random_angle();

}  // namespace hm
