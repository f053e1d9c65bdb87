#pragma once
// Missiles that strike a shield stay in it: each one's mesh is merged into
// one growing mesh hung on the defender's skeleton beside the shield, at the
// point where it struck, pulled onto the shield's face. One that wounds a body
// stays in the bone it struck.
#include "engine/core/math.h"

namespace hm {

struct agent;
struct blow;
struct missile;

// Bones the shield and the group of stuck missiles hang on.
inline constexpr int shield_bone = 12;
inline constexpr int stuck_missile_bone = 19;

// Where on the shield a missile is drawn, in the shield bone's space, from
// where it struck (`local`, the same space) and its speed; `unit` gives
// random values in [0, 1).
vec3 place_missile_on_shield(vec3 local, float speed, float (*unit)());

// Sticks the missile into the agent's shield (held in the left hand). Nothing
// for a missile without a launcher, one whose kind vanishes on impact
// (stones), or one without a mesh.
void stick_missile_in_shield(agent& a, const missile& mi, float (*unit)());

// Leaves a copy of the missile's mesh in the bone the blow struck, pointing
// along the blow, 0.7 of the missile's length back from where it struck (its
// head inside the body). Nothing for an agent without a skeleton, a bone the
// skeleton lacks or a missile without a mesh.
void stick_missile_in_body(agent& a, const missile& mi, const blow& b);

}  // namespace hm
