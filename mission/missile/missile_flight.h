#pragma once
// One missile's flight: movement under gravity and air drag, the ground and
// the weapon hit test along the tip, the pass-by whiz and the impact sound,
// coming to rest, and the entity that follows it.
#include <memory>

#include "engine/core/math.h"
#include "module/records/item_kind.h"

namespace hm {

class mesh;
class mission;
struct missile;

// Engine sound slots of a launcher's missiles: the whiz, the impact when the
// missile could whiz at the listener, and any other impact.
struct missile_sound_slots {
  int pass_by = 53;
  int impact_incoming = 60;
  int impact = 67;
};
missile_sound_slots missile_sounds_for(const item& launcher);

// True for launchers whose missiles vanish on impact instead of sticking
// (stones and the like: properties 0x10000, 0x70000 or 0x80000 in bits
// 12..19).
bool missile_vanishes_on_impact(const item& launcher);

// The length of the missile's tip in front of its position: the missile
// kind's length in metres, 0.8 without one.
float missile_tip_length(const missile& mi);

// True when the probe's end is not above the ground; the missile is then
// moved back along its direction until its tip stands 0.02 into the ground
// and its entity follows.
bool test_missile_collision(mission& m, missile& mi, const vec3& from, const vec3& to);

// One step of frame time dt of a flying missile (nothing for one at rest).
void update_missile_flight(mission& m, missile& mi, float dt);

// The item whose mesh a missile shows when it comes to rest: a thrown
// weapon itself, else the ammunition.
const item& missile_sticking_item(const missile& mi);
// A copy of that item's mesh for its modifier, turned by `roll` radians
// about its own axis (so a cluster of stuck arrows does not look cloned);
// null when there is none.
std::unique_ptr<mesh> make_stuck_missile_mesh(const missile& mi, float roll = 0.0f);

// The entity of a missile at rest shows the stuck-missile mesh of its kind;
// without one it shows nothing.
void set_missile_stuck_mesh(missile& mi);

}  // namespace hm
