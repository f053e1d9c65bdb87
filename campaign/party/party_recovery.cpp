// The hourly recovery step of a party: healing, and for the player's party
// food, hunger, morale and lame horses.
#include <algorithm>

#include "campaign/party/campaign_state.h"
#include "engine/core/random.h"
#include "module/base/module_settings.h"

namespace hm {

namespace {

constexpr int skill_wound_treatment = 11;

// Servings in a food item: the kind's amount, 13 % more (at least one) for
// the large-bag modifier.
int food_servings(const campaign_world& world, int kind, int modifier) {
  const int amount = world.item_kind_max_amount(kind);
  if (modifier != item_modifier_large_bag) return amount;
  // Rounded to nearest, halves down.
  const float extra = static_cast<float>(amount) * 0.13f;
  int more = static_cast<int>(extra);
  if (extra - static_cast<float>(more) > 0.5f) ++more;
  return amount + std::max(more, 1);
}

}  // namespace

bool campaign_state::is_in_map_event(const party& p) const {
  if (p.map_event >= 0) return true;
  const party* host = find_party(p.attached_to);
  return host != nullptr && host->map_event >= 0;
}

void campaign_state::recover(party& p) {
  const bool is_player = p.id == player_party;
  const bool resting = rest_time > 0.0f && rest_flag != 0;
  const int treatment = p.get_skill_level(*this, skill_wound_treatment);
  float f = 1.0f + 0.2f * static_cast<float>(treatment);
  if (is_player && resting) {
    f *= 2.0f;
  } else if (is_in_map_event(p)) {
    f = 0.0f;
  }

  for (int i = 0; i < p.stack_count; ++i) {
    troop_stack& s = p.stacks[i];
    if (!is_hero(s.troop)) {
      const int wounded = s.wounded;
      for (int k = 0; k < wounded; ++k) {
        if (random_unit_float() < 0.04f * f) --s.wounded;
      }
      continue;
    }
    const float most = hero_max_health(s.troop);
    float health = world.troop_health(s.troop);
    if (health >= most) continue;
    float gain = (random_unit_float() + 0.5f) * 0.5f * f;
    if (s.troop == player_troop) gain *= static_cast<float>(3 - healing_option);
    health = std::min(health + gain, most);
    world.set_troop_health(s.troop, health);
  }

  if (!is_player) return;
  if (g_module_settings.disable_food_slot == 0) {
    if (!resting) {
      campaign_item food = world.troop_food(player_troop);
      const bool has_food = food.kind >= 0 && food.kind < world.item_kind_count();
      if (!has_food) {
        p.hunger += 0.03f;
      } else {
        float servings = static_cast<float>(p.count_members()) * 0.02f;
        if (p.hunger > 0.1f) servings *= 3.0f;
        const int most = food_servings(world, food.kind, static_cast<int>(food.word >> 24));
        while (food.kind >= 0 && random_unit_float() < servings) {
          const int used = std::min(static_cast<int>(food.word & 0xFF) + 1, std::min(most, 255));
          food.word = (food.word & ~0xFFu) | static_cast<std::uint32_t>(used);
          if (used >= most) food = campaign_item{};
          servings -= 1.0f;
        }
        world.set_troop_food(player_troop, food);
        p.hunger -= 0.03f;
        if (p.hunger > 0.1f) p.hunger -= 0.1f;
      }
      if (p.hunger > 0.1f) p.morale -= 0.002f;
      const campaign_item now = world.troop_food(player_troop);
      if (now.kind >= 0 && now.kind < world.item_kind_count()) {
        p.morale += static_cast<float>(world.item_kind_food_quality(now.kind)) * 8e-6f;
      }
    } else {
      p.hunger -= 0.03f;
    }
    p.hunger = std::clamp(p.hunger, 0.0f, 1.0f);
    p.morale = std::clamp(p.morale, 0.0f, 1.0f);
  }

  float chance = static_cast<float>(treatment) * 0.001f;
  if (rest_time <= 0.0f) chance *= 1.5f;
  const int slots = world.troop_inventory_size(player_troop);
  for (int slot = 0; slot < slots; ++slot) {
    const campaign_item item = world.troop_inventory_item(player_troop, slot);
    if (item.kind < 0 || item.kind >= world.item_kind_count()) continue;
    if (world.item_kind_type(item.kind) != item_type_horse || (item.word >> 24) != item_modifier_lame) continue;
    if (random_unit_float() >= chance) continue;
    // A healed horse loses its modifier and is whole again: its hit points
    // (the word's low 16 bits) at the plain horse's maximum.
    campaign_item healed{item.kind, item.word & 0x00FF0000u};
    healed.word |= static_cast<std::uint32_t>(std::clamp(world.item_max_hit_points(healed), 0, 0xFFFF));
    world.set_troop_inventory_item(player_troop, slot, healed);
  }
}

}  // namespace hm
