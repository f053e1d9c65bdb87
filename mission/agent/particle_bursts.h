#pragma once
// Short bursts of the module's particle systems in a mission's scene: the dust
// and splashes of a step and the blood of a hit. Each takes an emitter from the
// scene's pool, which gives it back once its particles are gone.
#include "engine/core/math.h"

namespace hm {

class mission;

// `count` particles of the module's particle system `system` from the frame
// (its forward axis is the emitter's), the system's emission rate scaled by
// `rate_factor`. Nothing without a scene, with the particle option off, for
// a system outside the table or a count below 1.
void burst_particles(mission& m, int system, const frame& where, int count, float rate_factor = 1.0f);

// The same at a point, the emitter upright.
void burst_particles_at(mission& m, int system, const vec3& at, int count);

// A frame at `at` whose forward axis is `forward` (normalised; the world's y
// axis when it has no length) and whose up axis is as near the world's as it
// can be.
frame frame_facing(const vec3& at, const vec3& forward);

}  // namespace hm
