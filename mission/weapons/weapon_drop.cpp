#include "mission/weapons/weapon_drop.h"

#include "mission/agent/item_visibility.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/weapons/held_item_look.h"
#include "module/records/item_kind.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

namespace {

constexpr int weapon_slot_count = 4;
constexpr int default_carry_bone = 19;
constexpr float drop_chance = 0.25f;
constexpr float drop_lift = 0.1f;

bool has_carry_position(const item_kind& kind) { return ((kind.capabilities >> 28) & 0x7F) != 0; }

// The world frame of a bone of the agent's pose; the body's frame when there
// is no such bone.
frame bone_world_frame(const agent& a, int bone) {
  if (a.agent_entity == nullptr) return a.body_frame;
  const skeleton_instance* skeleton = a.agent_entity->animated_skeleton.get();
  if (bone < 0 || skeleton == nullptr || bone >= skeleton->bone_count ||
      bone >= static_cast<int>(skeleton->bones.size())) {
    return a.agent_entity->frame;
  }
  return a.agent_entity->frame.transform_frame_to_global(skeleton->bones[static_cast<std::size_t>(bone)].pose_frame);
}

}  // namespace

int holding_bone_for_type(int type) {
  switch (type) {
    case item_type::one_handed:
    case item_type::two_handed:
    case item_type::polearm:
    case item_type::crossbow:
    case item_type::thrown:
    case item_type::pistol:
    case item_type::musket: return 19;
    case item_type::bow: return 14;
    case item_type::shield: return 12;
    default: return -1;
  }
}

void drop_weapons_on_death(mission& m, agent& a, combat_random& random) {
  for (int slot = 0; slot < weapon_slot_count; ++slot) {
    item& it = a.equipment[static_cast<std::size_t>(slot)];
    const item_kind* kind = it.get_kind();
    if (kind == nullptr) continue;
    if (!(random.unit() < drop_chance)) continue;

    int bone = default_carry_bone;
    frame carry = frame::identity();
    const bool in_hand = slot == a.wielded_slots[0] || slot == a.wielded_slots[1];
    if (in_hand) {
      bone = holding_bone_for_type(kind->type());
    } else if (has_carry_position(*kind)) {
      const carry_frame c = kind->get_carry_frame();
      bone = c.bone;
      carry = c.placement;
    }
    frame placed = bone_world_frame(a, bone).transform_frame_to_global(carry);
    placed.origin.z += drop_lift;

    // The body no longer shows it: its three entities, or the meshes of it
    // hung on the skeleton.
    set_slot_item_show_word(a, slot, 0);
    for (entity* e : a.slot_extra_entities[static_cast<std::size_t>(slot)])
      if (e != nullptr) set_entity_show_word(*e, 0);
    for (int hand = 0; hand < 2; ++hand) {
      entity* held = a.held_item_entities[static_cast<std::size_t>(hand)];
      if (held != nullptr && slot == a.wielded_slots[static_cast<std::size_t>(hand)]) set_entity_show_word(*held, 0);
    }

    m.add_scene_prop_instance(prop_kind_spawned_item, it.kind, static_cast<int>(it.word), placed);
    it.kind = -1;
    it.word = 0;
    for (std::int32_t& held : a.wielded_slots)
      if (held == slot) held = -1;
  }
}

}  // namespace hm
