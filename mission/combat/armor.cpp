#include "mission/combat/armor.h"

#include <algorithm>
#include <cmath>

#include "mission/agent/agent_queries.h"
#include "mission/combat/combat_actors.h"
#include "mission/combat/combat_hooks.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/missile.h"
#include "mission/records/mission.h"
#include "mission/records/scene_prop_instance.h"
#include "module/base/module_settings.h"
#include "module/loading/game.h"
#include "module/records/item_kind.h"
#include "module/records/world_records.h"
#include "module/troops/troop.h"

namespace hm {

namespace {

// The bone a broken shield falls from.
constexpr int shield_drop_bone = 12;
// Modifiers of a shield's quality steps.
constexpr int modifier_cracked = 1;
constexpr int modifier_deformed = 5;

// A module factor below 0 would turn armour into extra damage without bound.
float factor_or_zero(float f) { return f > 0.0f && std::isfinite(f) ? f : 0.0f; }

float soak_factor(const module_settings& s, int type) {
  switch (type) {
    case 1: return factor_or_zero(s.armor_soak_factor_against_pierce);
    case 2: return factor_or_zero(s.armor_soak_factor_against_blunt);
    default: return factor_or_zero(s.armor_soak_factor_against_cut);
  }
}

float reduction_factor(const module_settings& s, int type) {
  switch (type) {
    case 1: return factor_or_zero(s.armor_reduction_factor_against_pierce);
    case 2: return factor_or_zero(s.armor_reduction_factor_against_blunt);
    default: return factor_or_zero(s.armor_reduction_factor_against_cut);
  }
}

float armor_draw(combat_random& random, float scale, float offset) {
  return static_cast<float>(random.next() % 15817) * scale + offset;
}

float point_segment_distance(const vec3& p, const vec3& a, const vec3& b) {
  const vec3 ab = b - a;
  const float len2 = ab.length_squared();
  float t = len2 > 0.0f ? dot_product(p - a, ab) / len2 : 0.0f;
  t = std::clamp(t, 0.0f, 1.0f);
  return (a + ab * t - p).length();
}

}  // namespace

void apply_armor_to_blow(blow& b, const armor_values& armour, const module_settings& settings,
                         combat_random& random) {
  int a = armour.body;
  if (armour.horse)
    a = armour.head;
  else if (b.bone == body_part_head)
    a = armour.head;
  else if (b.bone >= 1 && b.bone <= 6)
    a = armour.legs;
  a += armour.back_shield;
  const float armour_value = static_cast<float>(std::max(a, 0));

  const float soak = soak_factor(settings, b.damage_type) * armour_value;
  const float reduce = reduction_factor(settings, b.damage_type) * armour_value;
  const float raw = std::isfinite(b.raw_damage) ? b.raw_damage : 0.0f;

  const float r1 = armor_draw(random, 3.4772715e-05f, 0.45f);
  const float soak_amount = r1 * soak;
  const float rest = std::max(0.0f, raw - soak_amount);
  const float r2 = armor_draw(random, 3.4772715e-05f, 0.45f);
  const float reduced = reduce < 0.0001f ? 0.0f : (1.0f - std::exp(-(reduce * 0.014f * r2))) * rest;
  b.absorbed = round_to_int(std::min(soak_amount + reduced, 1e9f));

  const float r3 = armor_draw(random, 2.5289246e-05f, 0.6f);
  float damage = r3 * raw - static_cast<float>(b.absorbed);
  if (!armour.horse) {
    if (b.bone == body_part_head)
      damage *= 1.2f;
    else if (b.bone == 1 || b.bone == 4)
      damage *= 0.9f;
  }
  b.damage = damage > 0.0f ? damage : 0.0f;
}

int shield_damage_points(int damage, int resistance, int shield_skill) {
  const float d = std::max(0.0f, static_cast<float>(damage - resistance));
  const float n = std::trunc(std::trunc(d) * (1.0f - 0.08f * static_cast<float>(shield_skill)));
  return n > 0.0f ? static_cast<int>(n) : 0;
}

int shield_quality_after_break(int modifier) {
  if (modifier == modifier_cracked) return -1;
  if (modifier == modifier_deformed) return modifier_cracked;
  return modifier_deformed;
}

shield_damage_outcome damage_shield(mission& m, agent& a, int damage, combat_random& random) {
  shield_damage_outcome out;
  const int slot = a.wielded_slots[1];
  if (slot < 0 || slot >= agent_equipment_slot_count || a.hand1_unavailable != 0) return out;
  item& shield = a.equipment[static_cast<std::size_t>(slot)];
  const item_kind* k = item_kind_of(shield);
  if (k == nullptr || k->type() != item_type::shield) return out;

  out.points_lost = shield_damage_points(damage, shield.get_body_armor(), agent_skill_or_zero(m, a, skill_shield));
  if (out.points_lost <= 0) return out;
  // Only the low 16 bits: the modifier byte above is never touched.
  shield.set_hit_points(std::max(0, shield.hit_points() - out.points_lost));
  if (shield.hit_points() > 0) return out;

  out.broken = true;
  const item broken = shield;
  combat_hooks& hooks = g_combat_hooks();
  a.wielded_slots[1] = -1;
  const int reaction = hooks.hit_reaction_action(m, a, 0);
  if (reaction >= 0) hooks.set_channel_action(a, 1, reaction, 16u | (1u << 24), 1.0f);
  hooks.play_sound(m, a, "snd_shield_broken", 0.0f);
  const frame drop = agent_bone_world_frame(a, shield_drop_bone);
  m.add_scene_prop_instance(prop_kind_shield, broken.kind, static_cast<int>(broken.word), drop);

  const bool players_own = m.template_has_flag_bit1() && a.index == m.player_agent && slot < 10 &&
                           a.slot_from_troop[static_cast<std::size_t>(slot)] != 0;
  if (!players_own || random.unit() >= 0.2f) return out;
  out.quality_stepped = true;
  out.new_modifier = shield_quality_after_break(broken.modifier());
  troop* player = g_game ? g_game->find_troop(g_game->player_troop) : nullptr;
  item* troop_slot = player != nullptr && slot < static_cast<int>(player->equipment.size())
                         ? &player->equipment[static_cast<std::size_t>(slot)]
                         : nullptr;
  const bool troop_holds = troop_slot != nullptr && troop_slot->kind == broken.kind && troop_slot->word == broken.word;
  if (out.new_modifier < 0) {
    hooks.add_message("ui_shield_broken", 0xDDBBBBu);
    if (troop_holds) troop_slot->kind = -1;
    return out;
  }
  hooks.add_message(out.new_modifier == modifier_cracked ? "ui_shield_cracked" : "ui_shield_deformed", 0xDDBBBBu);
  item restored = broken;
  restored.set_modifier(out.new_modifier);
  restored.set_hit_points(restored.get_max_hit_points());
  if (troop_holds) *troop_slot = restored;
  shield = restored;
  return out;
}

armor_values agent_armor_for_blow(const mission& m, const agent& a, const blow& b) {
  (void)m;
  armor_values v;
  v.horse = a.is_horse();
  if (v.horse) {
    const item horse = a.own_horse_item();
    v.head = horse.kind >= 0 ? horse.get_body_armor() : 0;
    return v;
  }
  for (int slot = agent_slot_head; slot <= agent_slot_hand; ++slot) {
    const item& it = a.equipment[static_cast<std::size_t>(slot)];
    if (it.kind < 0) continue;
    v.head += it.get_head_armor();
    v.body += it.get_body_armor();
    v.legs += it.get_leg_armor();
  }
  const missile* mi = b.striking_missile;
  const item shield = mi != nullptr ? find_shield_slot(a) : item{};
  const item_kind* k = item_kind_of(shield);
  if (k != nullptr) {
    const carry_frame carried = k->get_carry_frame();
    const frame world = agent_bone_world_frame(a, carried.bone).transform_frame_to_global(carried.placement);
    if (dot_product(mi->direction, world.rot.u) < -0.5f) {
      const float d = point_segment_distance(world.origin, mi->position - mi->direction * 4.0f,
                                             mi->position + mi->direction * 4.0f);
      if (d < static_cast<float>(k->weapon_length) * 0.01f) v.back_shield = shield.get_body_armor() + 10;
    }
  }
  return v;
}

}  // namespace hm
