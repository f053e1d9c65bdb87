#include "campaign/game/module_campaign_world.h"

#include <algorithm>
#include <limits>

#include "campaign/party/campaign_state.h"
#include "engine/audio/sound_manager.h"
#include "engine/settings/game_options.h"
#include "module/loading/game.h"
#include "module/records/item_kind.h"
#include "module/troops/troop.h"
#include "module/records/world_records.h"
#include "script/game_hooks.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

constexpr std::uint32_t message_white = 0xFFFFFFFFu;
constexpr std::uint32_t level_up_colour = 0xFFF000u;
// A single gain never exceeds this.
constexpr int most_experience_at_once = 29999;

campaign_item to_campaign(const item& it) { return {it.kind, it.word}; }
item to_item(const campaign_item& it) {
  item out;
  out.kind = it.kind;
  out.word = it.word;
  return out;
}

void post(const ruv_string& text, std::uint32_t colour) {
  current_script_host().ui->add_message_line(text.view(), colour);
}

}  // namespace

int module_campaign_world::troop_count() const { return game_.troop_count(); }
std::uint64_t module_campaign_world::troop_flags(int t) const { return game_.troops[t].flags; }
int module_campaign_world::troop_level(int t) const { return game_.troops[t].level; }
int module_campaign_world::troop_faction(int t) const { return game_.troops[t].faction; }

ruv_string module_campaign_world::troop_name(int t) const {
  const troop& tr = game_.troops[t];
  return translate_string_record(tr.id.view(), tr.name);
}

int module_campaign_world::troop_skill_level(int t, int s) const { return game_.troops[t].get_raw_skill_level(s); }

int module_campaign_world::troop_effective_skill_level(int t, int s) const {
  int level = game_.troops[t].get_skill_level(s);
  g_script_state.trigger_result = 0;
  if (call_game_script(game_hook_code::game_get_skill_modifier_for_troop, t, s)) {
    level += static_cast<int>(g_script_state.trigger_result);
  }
  return std::max(level, 0);
}

int module_campaign_world::troop_upgrade(int t) const { return game_.troops[t].upgrade_troop_1; }
int module_campaign_world::troop_second_upgrade(int t) const { return game_.troops[t].upgrade_troop_2; }
// Troop records carry no companion word of their own yet.
int module_campaign_world::troop_companion_bonus(int) const { return 0; }
int module_campaign_world::troop_strength(int t) const { return game_.troops[t].strength(); }
float module_campaign_world::troop_health(int t) const { return game_.troops[t].max_hit_points; }
void module_campaign_world::set_troop_health(int t, float health) { game_.troops[t].max_hit_points = health; }

void module_campaign_world::add_troop_experience(int t, int amount) {
  troop& tr = game_.troops[t];
  amount = std::clamp(amount, 0, most_experience_at_once);
  const bool is_player = t == game_.player_troop;
  if (is_player && amount > 0 && g_game_options.report_experience != 0) {
    post(format_ui_text("ui_you_got_number_experience", {amount}), message_white);
  }
  // A troop at the top of the level table keeps gathering experience; it
  // stops at the largest count rather than wrapping negative.
  tr.experience = static_cast<std::int32_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(tr.experience) + amount, std::numeric_limits<std::int32_t>::max()));
  while (tr.level < max_troop_level && tr.experience >= g_level_table[static_cast<std::size_t>(tr.level + 1)]) {
    ++tr.attribute_points;
    ++tr.skill_points;
    tr.proficiency_points += 10;
    ++tr.level;
    if (is_player) {
      // A gong for every level, heard wherever the camera is.
      g_sound_manager.play_sound_in_slot(sound_slot::gong, sound_flag::flat, vec3());
      post(format_ui_text("ui_you_have_advanced_to_level_number", {tr.level}), level_up_colour);
      continue;
    }
    const party* player = campaign_ != nullptr ? campaign_->find_party(campaign_->player_party) : nullptr;
    if (player == nullptr) continue;
    for (int i = 0; i < player->stack_count; ++i) {
      if (player->stacks[i].troop != t) continue;
      post(format_ui_text("ui_value_has_advanced_to_level_number", {troop_name(t).view(), tr.level}),
           level_up_colour);
    }
  }
}

campaign_item module_campaign_world::troop_food(int t) const {
  return to_campaign(game_.troops[t].equipment[equipment_slot::goods]);
}
void module_campaign_world::set_troop_food(int t, campaign_item it) {
  game_.troops[t].equipment[equipment_slot::goods] = to_item(it);
}
int module_campaign_world::troop_inventory_size(int) const { return hm::troop_inventory_size; }
campaign_item module_campaign_world::troop_inventory_item(int t, int slot) const {
  return to_campaign(game_.troops[t].inventory[static_cast<std::size_t>(slot)]);
}
void module_campaign_world::set_troop_inventory_item(int t, int slot, campaign_item it) {
  game_.troops[t].inventory[static_cast<std::size_t>(slot)] = to_item(it);
}

float module_campaign_world::faction_relation(int a, int b) const {
  const int count = game_.faction_count();
  if (a < 0 || a >= count || b < 0 || b >= count) return 0.0f;
  return game_.factions[static_cast<std::size_t>(a)].relations[static_cast<std::size_t>(b)];
}

int module_campaign_world::skill_maximum_level(int s) const {
  return s >= 0 && s < skill_count ? g_skills[static_cast<std::size_t>(s)].max_level : 0;
}

int module_campaign_world::item_kind_count() const { return static_cast<int>(g_item_kinds.size()); }
int module_campaign_world::item_kind_type(int k) const { return g_item_kinds[static_cast<std::size_t>(k)].type(); }
float module_campaign_world::item_kind_weight(int k) const { return g_item_kinds[static_cast<std::size_t>(k)].weight; }
int module_campaign_world::item_kind_max_amount(int k) const {
  return g_item_kinds[static_cast<std::size_t>(k)].max_ammo;
}
// Food kinds keep their quality in the first armour word, which they have no
// other use for.
int module_campaign_world::item_kind_food_quality(int k) const {
  return g_item_kinds[static_cast<std::size_t>(k)].head_armor;
}
int module_campaign_world::item_max_hit_points(campaign_item it) const { return to_item(it).get_max_hit_points(); }

}  // namespace hm
