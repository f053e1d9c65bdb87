#include "mission/weapons/held_item_look.h"

#include <algorithm>

#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/mesh.h"
#include "mission/agent/agent_queries.h"
#include "mission/agent/item_visibility.h"
#include "mission/control/weapon_choice.h"
#include "mission/records/agent.h"
#include "module/records/item_kind.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

namespace {

void add_entity_meshes(const entity* e, std::vector<mesh*>& out) {
  if (e == nullptr) return;
  for (const auto& m : e->meshes)
    if (m) out.push_back(m.get());
  for (const auto& g : e->lod_mesh_groups) {
    if (!g) continue;
    for (const auto& level : g->lods)
      for (mesh* m : level)
        if (m != nullptr) out.push_back(m);
  }
}

}  // namespace

std::vector<mesh*> agent_slot_item_meshes(const agent& a, int slot) {
  std::vector<mesh*> out;
  if (slot < 0 || slot >= agent_weapon_slot_count) return out;
  const item& it = a.equipment[static_cast<std::size_t>(slot)];
  const item_kind* kind = it.get_kind();
  if (kind == nullptr) return out;
  // The item's own entity (not its second mesh nor its sheath).
  if (const entity* e = a.item_entities[static_cast<std::size_t>(slot)]) {
    add_entity_meshes(e, out);
    return out;
  }
  if (a.agent_entity == nullptr || !a.agent_entity->animated_skeleton) return out;
  // No entities: the copies of the item's mesh hung on the bones.
  const ruv_string name = kind->get_mesh_name(it.modifier());
  for (const skeleton_bone& bone : a.agent_entity->animated_skeleton->bones) {
    for (const auto& m : bone.meshes)
      if (m && m->name == name) out.push_back(m.get());
  }
  return out;
}

void set_slot_item_anim_time(const agent& a, int slot, float time) {
  for (mesh* m : agent_slot_item_meshes(a, slot)) m->set_vertex_anim_time(time);
}

void set_slot_item_show_word(const agent& a, int slot, std::uint32_t mask) {
  for (mesh* m : agent_slot_item_meshes(a, slot)) m->visibility_mask = mask;
}

float bow_draw_time(float progress) {
  if (!(progress > 0.46f)) return launcher_slack;
  return std::min(std::max((progress - 0.46f) * 2.5f, 0.0f), 1.0f) * launcher_drawn;
}

float crossbow_span_time(float progress, bool mounted) {
  const float from = mounted ? 0.16f : 0.4f;
  const float to = mounted ? 0.5f : 0.66f;
  return std::clamp((progress - from) / (to - from), 0.0f, 1.0f) * launcher_drawn;
}

entity* held_ammunition_entity(const agent& a) {
  const int weapon_slot = a.wielded_slots[0];
  if (weapon_slot < 0 || weapon_slot >= agent_weapon_slot_count) return nullptr;
  const item& weapon = a.equipment[static_cast<std::size_t>(weapon_slot)];
  const item_kind* kind = weapon.get_kind();
  if (kind == nullptr) return nullptr;
  for (int s = 0; s < agent_weapon_slot_count; ++s) {
    if (s == weapon_slot || !ammunition_feeds(kind->type(), weapon.kind, a.equipment[static_cast<std::size_t>(s)]))
      continue;
    if (entity* e = a.slot_extra_entities[static_cast<std::size_t>(s)][0]) return e;
  }
  return nullptr;
}

}  // namespace hm
