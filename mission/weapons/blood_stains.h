#pragma once
// Blood stains: a blow darkens the vertex colours of the meshes of agents
// near the point of impact towards a dark red; the stains stay in the
// agents' own mesh copies for the rest of the mission.
#include "engine/core/math.h"

namespace hm {

class mesh;
class mission;
struct agent;

// The stain's colour; only red, green and blue are blended.
inline constexpr color blood_color{0.4f, 0.01f, 0.01f, 1.0f};

// Stains the vertices of one mesh placed by `f` that lie less than `radius`
// from `point` (about six in ten of them, each by a random weight that falls
// off with the distance). A mesh that shares its source's geometry is made to
// own it before its first colour changes. `draw` gives 0..32767 random
// values. True when any vertex changed.
bool add_blood_stain_to_mesh(mesh& m, const frame& f, const vec3& point, float radius, float strength,
                             const color& stain, int (*draw)());

struct blood_stain_size {
  float radius;
  float strength;
};
// Radius 0.06 a (0..0.7) and strength 0.07 a (0..1) for an amount a.
blood_stain_size blood_stain_for_amount(float amount);

// Stains the meshes of one agent's skeleton, the size by the amount.
void add_agent_blood_stain(agent& a, const vec3& point, float amount, int (*draw)());

// Every live agent less than 3.5 from the point, unless blood is switched off.
void add_blood_near_point(mission& m, const vec3& point, float amount, int (*draw)());

// The draws of the stains in a mission: 0..32767 from a sequence of their
// own, so that how blood looks never moves the game's random sequence, which
// decides a battle's course.
int blood_stain_draw();

}  // namespace hm
