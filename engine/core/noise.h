#pragma once
// The engine's gradient noise. vector_noise is a three-dimensional gradient
// noise that returns a vector (each component weighted on its own, not a dot
// product); fractal_vector_noise sums it over octaves. Particle turbulence,
// terrain synthesis and scene placement all read it, and terrain built from
// stored terrain codes depends on every value of the two tables below: they
// are fixed for all builds and must never change.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

// A permutation of 0..255 (the texture loader's detail hash reads it too).
extern const std::uint8_t noise_permutation[256];
// 256 gradient vectors inside the unit ball.
extern const float noise_gradients[256][3];

// Noise of a point on a lattice of the given cell size; (0, 0, 0) for a cell
// size of 0 and at the lattice points (after the shift of every coordinate by 1).
void vector_noise(float cell_size, const vec3& p, vec3& out);
vec3 vector_noise(float cell_size, const vec3& p);

// octaves + 1 layers of vector_noise: the first at the cell size with amplitude
// 1, the second scaled by first_falloff, each later one by 0.61 more (cell size
// and amplitude alike); the sum is divided by the sum of the amplitudes. With
// `shaped`, each layer is scaled by (the sum of its components) +/- 2. A
// negative octave count counts as 0.
void fractal_vector_noise(float cell_size, float first_falloff, std::int32_t octaves, bool shaped, const vec3& p,
                          vec3& out);
vec3 fractal_vector_noise(float cell_size, float first_falloff, std::int32_t octaves, bool shaped, const vec3& p);

}  // namespace hm
