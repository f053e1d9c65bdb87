#pragma once
// Starting a missile: the launch speed of a ranged weapon, a new missile with
// its entity in the mission's pool, and an agent's release of a shot (where
// it leaves the hands, the AI's spread and the aim wobble).
#include "engine/core/math.h"
#include "module/records/item_kind.h"
#include "module/records/world_records.h"

namespace hm {

class mission;
struct agent;


// The launch speed of the agent's wielded weapon (12 for an empty hand).
float get_missile_speed(const mission& m, const agent& a);

// A new missile from `position` along `direction` (unit) with the shooter's
// forward speed added to the launch speed; its slot index. A weapon whose
// launch speed is not positive (a kind without a missile speed) shoots
// nothing: -1.
int add_missile(mission& m, const vec3& position, const vec3& direction, const item& launcher,
                const item& ammunition, int shooter);

// The spread an AI shooter adds to its aim (before the random draws): from
// the battle AI setting, the shooter-to-target offset and relative velocity,
// the weapon's proficiency class, the visibility distance and the night.
float compute_missile_spread(int weapon_class, int combat_ai, const vec3& to_target, const vec3& relative_velocity,
                             float visibility_distance, bool night);

// The ammunition for a launcher among the agent's four weapon slots: the
// first slot holding its kind of ammunition that still has some, else the
// first that holds its kind at all; -1 none. A thrown weapon is its own.
int find_missile_ammunition_slot(const agent& a, const item& launcher);

// Turns `direction` by the angle `tilt` away from itself, the side of the
// turn given by `roll` round the direction.
vec3 tilt_direction(const vec3& direction, float tilt, float roll);

// Releases the agent's current shot from its wielded weapon; the new
// missile's slot, -1 when none was made.
int release_missile(mission& m, agent& a);

}  // namespace hm
