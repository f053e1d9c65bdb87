#pragma once
// Showing and hiding the scene entities of an agent's items. A show word is
// the visibility mask of every mesh of the entity: 0xFFFF shows it in every
// pass, 0 hides it, single bits keep it in some passes only.
#include <cstdint>

namespace hm {

class entity;
struct agent;

void set_entity_show_word(entity& e, std::uint32_t mask);
// Keeps only the bits of `mask` in every mesh's show word.
void cut_entity_show_word(entity& e, std::uint32_t mask);
// The item entity of the slot a hand wields, null when the hand is empty or
// the slot has no entity.
entity* wielded_item_entity(const agent& a, int hand);

}  // namespace hm
