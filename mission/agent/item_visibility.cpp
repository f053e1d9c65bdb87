#include "mission/agent/item_visibility.h"

#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/mesh.h"
#include "mission/records/agent.h"
#include "render/entity/entity.h"

namespace hm {

namespace {

template <typename Change>
void change_show_words(entity& e, Change change) {
  for (auto& m : e.meshes) {
    if (m) m->visibility_mask = change(m->visibility_mask);
  }
  for (auto& g : e.lod_mesh_groups) {
    if (g) g->visibility_mask = change(g->visibility_mask);
  }
}

}  // namespace

void set_entity_show_word(entity& e, std::uint32_t mask) {
  change_show_words(e, [mask](std::uint32_t) { return mask; });
}

void cut_entity_show_word(entity& e, std::uint32_t mask) {
  change_show_words(e, [mask](std::uint32_t old) { return old & mask; });
}

entity* wielded_item_entity(const agent& a, int hand) {
  if (hand < 0 || hand > 1) return nullptr;
  const int slot = a.wielded_slots[static_cast<std::size_t>(hand)];
  if (slot < 0 || slot >= agent_weapon_slot_count) return nullptr;
  if (a.equipment[static_cast<std::size_t>(slot)].kind < 0) return nullptr;
  return a.item_entities[static_cast<std::size_t>(slot)];
}

}  // namespace hm
