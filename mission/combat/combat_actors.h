#pragma once
// What the combat rules read of agents beyond their own record: the wielded
// items, the troop and its skills, the world frame of a bone. Each answers
// with a neutral value where the record has nothing (no troop, no skeleton).
#include "engine/core/math.h"
#include "module/records/item_kind.h"

namespace hm {

struct agent;
struct troop;
class mission;

// The item in hand 0 or 1, an empty item (kind -1) when the hand holds none.
item agent_wielded_item(const agent& a, int hand);
// The item kind of an item, null for none.
const item_kind* item_kind_of(const item& it);
// The agent's troop in the running game, null for none.
const troop* agent_troop_record(const agent& a);
// The troop's level of a skill, -1 without a troop.
int agent_troop_skill(const mission& m, const agent& a, int skill);
// The skill level or 0 without a troop.
int agent_skill_or_zero(const mission& m, const agent& a, int skill);
// A bone's frame in the world; without a posed skeleton the body frame
// lifted to a human's chest (1.2) or a horse's back.
frame agent_bone_world_frame(const agent& a, int bone);
// The agent's planar velocity in the world, or its horse's forward axis times
// the horse's forward speed when it rides.
vec3 agent_world_velocity(const mission& m, const agent& a);

}  // namespace hm
