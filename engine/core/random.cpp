#include "engine/core/random.h"

namespace hm {
namespace {
std::uint32_t g_random_state = 1;
}

void random_seed(std::uint32_t seed) { g_random_state = seed; }

int random_next() {
  g_random_state = g_random_state * 214013u + 2531011u;
  return static_cast<int>((g_random_state >> 16) & 0x7FFFu);
}

std::uint32_t random_state() { return g_random_state; }
void set_random_state(std::uint32_t state) { g_random_state = state; }

float random_unit_float() {
  // The product stays below 1.
  return static_cast<float>(random_next() % 15817) * random_fraction_scale;
}

float random_angle() { return static_cast<float>(random_next() % 15817) * 0.00039724255f; }

}  // namespace hm
