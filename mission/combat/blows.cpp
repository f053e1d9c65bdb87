#include "mission/combat/blows.h"

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <string>

#include "engine/settings/game_options.h"
#include "mission/agent/agent_queries.h"
#include "mission/combat/armor.h"
#include "mission/combat/combat_actors.h"
#include "mission/combat/combat_hooks.h"
#include "mission/combat/combat_messages.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/missile.h"
#include "mission/records/mission.h"
#include "module/base/module_settings.h"
#include "module/loading/game.h"
#include "module/records/action_table.h"
#include "module/records/item_kind.h"
#include "module/records/mission_template.h"
#include "module/text/translation_table.h"
#include "module/troops/troop.h"
#include "render/view/message_log.h"

namespace hm {

namespace {

constexpr int skill_surgery = 10;
constexpr std::uint64_t troop_flag_always_dies = 0x80;
constexpr int horse_head_bone = 7;
// Death actions of a human.
constexpr int death_from_behind = 287;
constexpr int death_head_fall = 282;
constexpr int death_head = 285;
constexpr int death_body_bone = 284;
constexpr int death_side = 286;
constexpr int death_plain = 283;
constexpr int death_mounted = 288;
// A horse's falls, and its rider's.
constexpr int horse_fall_fast = 420;
constexpr int horse_fall_slow = 419;
constexpr int rider_fall_fast = 291;
constexpr int rider_fall_slow = 290;
constexpr int horse_rear = 412;
constexpr int knock_down = 293;
constexpr int knock_down_upper = 294;

bool is_ranged_type(int type) {
  return type == item_type::bow || type == item_type::crossbow || type == item_type::thrown ||
         type == item_type::pistol || type == item_type::musket;
}

std::uint32_t template_flags(const mission& m) {
  if (m.template_index < 0 || m.template_index >= static_cast<int>(g_mission_templates.size())) return 0;
  return static_cast<std::uint32_t>(g_mission_templates[static_cast<std::size_t>(m.template_index)].flags);
}

const troop* troop_record(int index) { return index >= 0 && g_game ? g_game->find_troop(index) : nullptr; }
troop* troop_record_mut(int index) { return index >= 0 && g_game ? g_game->find_troop(index) : nullptr; }

bool player_allied_to(const mission& m, const agent& a) {
  const agent* p = m.get_live_agent(m.player_agent);
  return p != nullptr && m.teams_are_allies(p->team, a.team);
}

void set_action_timer_in(agent& a, float seconds) { a.action_timer.set_elapsed(seconds); }

// The duration of an action's first sequence in the agent's table; the
// fallback when it has none or it is shorter than 0.01 s.
float action_duration(const agent& a, int action, float fallback) {
  if (a.actions == nullptr || action < 0 || action >= a.actions->count()) return fallback;
  const action_record& r = a.actions->actions[static_cast<std::size_t>(action)];
  if (r.sequences.empty() || !(r.sequences[0].duration >= 0.01f)) return fallback;
  return r.sequences[0].duration;
}

// The reaction of a standing human to a blow that interrupts it.
void react_standing_human(mission& m, agent& a, const blow& b, const agent* attacker, combat_random& random) {
  combat_hooks& hooks = g_combat_hooks();
  if (a.mount >= 0) {
    const int upper = hooks.hit_reaction_action(m, a, 0);
    if (upper >= 0) hooks.set_channel_action(a, 1, upper, 0x80u | 0x5800000u, 1.0f);
    return;
  }
  const item_kind* weapon = b.item_kind >= 0 ? item{b.item_kind, b.item_word}.get_kind() : nullptr;
  const int type = weapon != nullptr ? weapon->type() : 0;
  const bool strong = (b.flags & blow_strong) != 0;
  vec3 push;
  bool heavy = false;
  int lower = -1;
  int upper = -1;
  if (weapon == nullptr || (weapon->is_melee_weapon() && type != item_type::polearm)) {
    const bool from_front = dot_product(b.direction, a.forward()) < 0.0f;
    const bool hard = (strong && b.raw_damage > 7.0f) || (b.raw_damage > 24.0f && random.unit() < 0.4f);
    if (from_front && hard && b.damage_type == 2 && a.channels[0].action != knock_down) {
      lower = knock_down;
      upper = knock_down_upper;
      push = a.forward() * -0.6f;
      if (strong) push += b.direction * (1.5f + 0.4f * random.unit());
      heavy = true;
    } else {
      lower = hooks.hit_reaction_action(m, a, 1);
      if (strong || (b.raw_damage > 15.0f && random.unit() < 0.3f)) {
        push = b.direction * ((b.raw_damage + 30.0f) * (random.unit() + 0.6f) * 0.02f);
        const vec3 side = get_normalized(cross_product(b.direction, vec3(0.0f, 0.0f, 1.0f)));
        push += side * ((random.unit() - 0.5f) * 0.5f);
      }
    }
  } else {
    const float u = random.unit();
    heavy = (type == item_type::polearm && u < 0.5f && b.raw_damage > 15.0f) ||
            (type == item_type::thrown && u < 0.4f && b.raw_damage > 15.0f) ||
            ((type == item_type::bow || type == item_type::crossbow) && u < 0.3f && b.raw_damage > 25.0f);
    if (heavy) {
      lower = hooks.hit_reaction_action(m, a, 2);
      push = b.direction * (2.1f + 0.2f * random.unit());
    } else {
      lower = hooks.hit_reaction_action(m, a, 1);
    }
  }
  if (push.length_squared() > 0.0f && (a.movement_flags & agent_movement_on_ground) != 0) {
    a.movement_flags &= ~agent_movement_on_ground;
    set_action_timer_in(a, -0.6f);
    a.pending_velocity += push;
    if (attacker != nullptr && attacker->is_horse()) a.pending_velocity.z += 1.0f;
  }
  const std::uint32_t flags = (heavy ? 0x82u : 0x80u) | 0x5800000u;
  if (lower >= 0) hooks.set_channel_action(a, 0, lower, flags, 1.0f);
  if (upper >= 0) hooks.set_channel_action(a, 1, upper, flags, 1.0f);
  (void)m;
}

// A lame horse.
constexpr int horse_modifier_lame = 30;

// A missile sticks unless the word after its kind's type holds exactly
// 0x10000.
bool missile_can_stick(const missile& mi) {
  const item_kind* k = item{mi.ammunition.kind, 0}.get_kind();
  return k != nullptr && k->capabilities != 0x10000u;
}

// The display name of a weapon proficiency.
std::string weapon_proficiency_name(int cls) {
  static const char* const keys[] = {"ui_one_handed_weapons", "ui_two_handed_weapons", "ui_polearms", "ui_archery",
                                     "ui_crossbows", "ui_throwing", "ui_firearms"};
  if (cls < 0 || cls > 6) return std::string();
  const ruv_string* text = g_translation_table.find_translation(keys[cls]);
  return text != nullptr ? std::string(text->c_str()) : std::string(keys[cls]);
}

std::string troop_name(const troop* t) { return t != nullptr ? std::string(t->name.c_str()) : std::string(); }

}  // namespace

bool blow_replaces_pending(bool pending, float pending_damage, float new_damage) {
  if (!pending) return true;
  if (std::isnan(new_damage)) return false;
  if (std::isnan(pending_damage)) return true;
  return new_damage >= pending_damage;
}

float difficulty_factor(const difficulty_inputs& in) {
  if (in.player_or_players_horse) {
    if (in.damage_to_player == 0) return 0.25f;
    if (in.damage_to_player == 1) return 0.5f;
    return 1.0f;
  }
  if (in.damage_to_friends != 2 && in.players_party) return in.damage_to_friends == 0 ? 0.5f : 0.75f;
  return 1.0f;
}

float knockout_chance(bool allied_to_player, int party_surgery_level) {
  return allied_to_player ? 0.25f + 0.04f * static_cast<float>(party_surgery_level) : 0.0f;
}

fall_outcome decide_fall(const fall_inputs& in, combat_random& random) {
  if (in.no_deaths_mission) return fall_outcome::knocked_out;
  if (in.troop_always_dies) return fall_outcome::killed;
  if (in.damage_type == 2) return fall_outcome::knocked_out;
  if (in.no_troop_or_hero) return fall_outcome::knocked_out;
  return random.unit() <= in.chance ? fall_outcome::knocked_out : fall_outcome::killed;
}

bool blow_interrupts(float damage, float raw_damage, float threshold, int strength, combat_random& random) {
  if (damage < 1.0f)
    return (random.unit() + 1.0f) * (static_cast<float>(strength) + 15.0f) * 0.2f <= raw_damage;
  return damage >= threshold;
}

float horse_brace_chance(int horse_charge, float forward_speed) {
  return (5.0f / (static_cast<float>(horse_charge) + 2.0f)) / std::max(forward_speed, 5.0f) * 5.0f;
}

float horse_brace_slowdown(int horse_charge) {
  return std::min(static_cast<float>(horse_charge) * 0.01f + 0.7f, 0.95f);
}

bool rider_stays_in_saddle(const rider_fate_inputs& in) {
  if (in.no_deaths_mission) return false;
  return !in.player_exists || in.player_mounted || !in.attacker_is_player || in.riders_thrown_by_player > 3;
}

int fall_experience(int victim_level, bool no_deaths_mission) {
  const float base = static_cast<float>(victim_level + 10);
  int xp = static_cast<int>(std::trunc(base * base * 0.1f));
  if (no_deaths_mission) xp = static_cast<int>(std::trunc(static_cast<float>(xp) * 0.1f));
  return xp;
}

int choose_death_animation(const death_animation_inputs& in, combat_random& random) {
  if (in.mounted) return death_mounted;
  if (in.attacker_behind) return death_from_behind;
  if (in.head) return (in.by_missile || random.unit() < 0.7f) ? death_head_fall : death_head;
  if (in.bone == 0 || in.bone == horse_head_bone) return death_body_bone;
  if (!in.by_missile && in.impact_side > 0.3f) return death_side;
  return death_plain;
}

void queue_armored_blow(agent& a, const blow& b) {
  if (!blow_replaces_pending(a.blow_pending != 0, a.pending_blow.damage, b.damage)) return;
  a.pending_blow = b;
  a.blow_pending = 1;
}

void queue_blow(mission& m, agent& a, const blow& b, combat_random& random) {
  blow armoured = b;
  apply_armor_to_blow(armoured, agent_armor_for_blow(m, a, armoured), g_module_settings, random);
  queue_armored_blow(a, armoured);
}

void receive_blow(mission& m, agent& a, combat_random& random) {
  if (a.state != agent_state_alive || a.blow_pending == 0) return;
  a.blow_pending = 0;
  blow b = a.pending_blow;
  combat_hooks& hooks = g_combat_hooks();
  const game_options& options = g_game_options;
  const std::uint32_t mflags = template_flags(m);
  const bool no_deaths = (mflags & mission_no_deaths) != 0;

  agent* attacker = b.attacker >= 0 ? m.get_live_agent(b.attacker) : nullptr;
  if (attacker != nullptr) a.last_attacker = b.attacker;
  agent* responsible = attacker;
  if (attacker != nullptr && attacker->is_horse()) responsible = attacker->rider >= 0 ? m.get_live_agent(attacker->rider) : nullptr;
  const troop* responsible_troop = responsible != nullptr ? troop_record(responsible->troop) : nullptr;
  const bool attacker_is_player = attacker != nullptr && attacker->index == m.player_agent;

  const item_kind* weapon = b.item_kind >= 0 ? item{b.item_kind, b.item_word}.get_kind() : nullptr;
  const bool ranged = weapon != nullptr && is_ranged_type(weapon->type());
  const bool head = a.is_horse() ? b.bone == horse_head_bone : b.bone == agent_head_bone;
  if (head && ranged) {
    b.damage *= 1.75f;
    if (attacker_is_player && options.report_damage != 0) report_combat_line("ui_head_shot", 0xFFFFDD11u);
  }

  difficulty_inputs diff;
  const agent* rider = a.is_horse() && a.rider >= 0 ? m.get_live_agent(a.rider) : nullptr;
  diff.player_or_players_horse = a.index == m.player_agent || (rider != nullptr && rider->index == m.player_agent);
  diff.players_party = m.player_party >= 0 && (a.is_horse() ? (rider != nullptr && rider->party == m.player_party)
                                                            : a.party == m.player_party);
  diff.damage_to_player = options.damage_to_player;
  diff.damage_to_friends = options.damage_to_friends;
  b.damage *= difficulty_factor(diff);
  if (!(b.damage >= 0.0f)) b.damage = 0.0f;

  a.hit_points -= b.damage;

  if (options.report_damage != 0) {
    const int shown = round_to_int(std::min(b.damage, 1e6f));
    const char* key = nullptr;
    if (attacker_is_player)
      key = (!a.is_horse() || a.rider < 0) ? "ui_delivered_number_damage" : "ui_delivered_number_damage_to_horse";
    else if (attacker != nullptr && attacker->index == m.player_horse)
      key = "ui_horse_charged_for_number_damage";
    else if (a.index == m.player_agent)
      key = "ui_received_number_damage";
    else if (a.index == m.player_horse)
      key = "ui_horse_received_number_damage";
    if (key != nullptr) report_combat_line(key, message_default_colour, {shown});
  }

  if ((b.flags & blow_silent) == 0) {
    if (weapon == nullptr) {
      hooks.play_sound(m, a, "snd_blunt_hit", 0.15f);
    } else if (ranged) {
      hooks.play_sound(m, a, a.index == m.player_agent ? "snd_player_hit_by_arrow" : "snd_arrow_hit_body", 0.1f);
    } else {
      const bool wooden = (b.item_word & 0x20000u) != 0 || b.damage_type == 2;
      std::string s = wooden ? "snd_wooden_hit_" : "snd_metal_hit_";
      s += b.absorbed < 14 ? "low_armor" : "high_armor";
      s += b.damage < 9.0f ? "_low_damage" : "_high_damage";
      hooks.play_sound(m, a, s, 0.15f);
    }
  }

  // The missile stays in the body unless it struck a head that fell to a
  // light shot.
  const missile* struck_by = b.striking_missile;
  if (struck_by != nullptr && missile_can_stick(*struck_by) && !no_deaths && b.damage > 7.0f &&
      (a.hit_points >= 1.0f || !head || b.damage > 75.0f))
    hooks.stick_missile(m, a, b);
  if (b.damage > 1.0f && (mflags & mission_no_blood) == 0 && options.blood_stains > 0 && b.damage_type != 2) {
    const float size = b.damage * (b.damage_type == 0 ? 1.0f : 0.7f);
    const agent* player = m.get_live_agent(m.player_agent);
    const bool near_player = player != nullptr && (player->position() - b.hit_position).length() < 70.0f;
    if (options.blood_stains == 2 || near_player) hooks.add_blood_stain(m, b.hit_position, size);
  }

  if (a.is_horse()) {
    const int charge = a.own_horse_item().get_horse_charge();
    if (a.hit_points >= 1.0f) {
      const bool braced = weapon != nullptr && weapon->type() == item_type::polearm && b.damage_type == 1 &&
                          b.damage > 8.0f && a.forward_speed > 0.1f && attacker != nullptr &&
                          // In front of the horse: its backward axis against the
                          // unnormalised offset to the attacker.
                          dot_product(-a.forward(), attacker->position() - a.position()) < -0.5f &&
                          a.channels[0].priority() <= 73;
      if (braced) {
        if (random.unit() < horse_brace_chance(charge, a.forward_speed)) {
          hooks.play_contact_sound(m, a, 4);
          hooks.set_channel_action(a, 0, horse_rear, 0x100004Au, 1.0f);
        } else {
          a.forward_speed *= horse_brace_slowdown(charge);
        }
      }
      return;
    }
    a.hit_points = 0.0f;
    a.state = agent_state_dead;
    a.presence = agent_presence_lying;
    a.presence_timer.reset();
    a.label_refresh = 1;
    if (a.index == m.player_horse && rider != nullptr && rider->index == m.player_agent && m.template_has_flag_bit1()) {
      const item_kind* kind = a.own_horse_item().get_kind();
      troop* player_troop = g_game ? g_game->find_troop(g_game->player_troop) : nullptr;
      if (kind != nullptr && (kind->flags & (1u << 12)) == 0 && player_troop != nullptr) {
        item& slot = player_troop->equipment[static_cast<std::size_t>(agent_slot_horse)];
        if (slot.modifier() == horse_modifier_lame) {
          if (random.unit() < 0.2f) {
            report_combat_line("ui_horse_fell_dead", 0xFFDD6655u);
            slot.kind = -1;
          }
        } else if (random.unit() < 0.2f) {
          report_combat_line("ui_horse_crippled", 0xFFEEBBBBu);
          slot.set_modifier(horse_modifier_lame);
          slot.set_hit_points(0);
        }
      }
    }
    const bool fast = a.forward_speed > 2.5f;
    hooks.set_channel_action(a, 0, fast ? horse_fall_fast : horse_fall_slow, 0x2000080u, 1.0f);
    hooks.play_contact_sound(m, a, 4);
    set_action_timer_in(a, fast ? 2.4f : action_duration(a, horse_fall_slow, 1.0f));
    if (agent* r = a.rider >= 0 ? m.get_live_agent(a.rider) : nullptr) {
      hooks.set_channel_action(*r, 0, fast ? rider_fall_fast : rider_fall_slow, 0x1000081u, 1.0f);
      set_action_timer_in(*r, fast ? 2.4f : action_duration(*r, rider_fall_slow, 1.0f));
      r->mount = -1;
    }
    a.rider = -1;
    return;
  }

  bool fell = false;
  fall_outcome outcome = fall_outcome::killed;
  if (a.hit_points >= 1.0f) {
    const troop* own = troop_record(a.troop);
    bool interrupts = true;
    if (own != nullptr)
      interrupts = blow_interrupts(b.damage, b.raw_damage, g_module_settings.damage_interrupt_attack_threshold,
                                   own->strength(), random);
    if ((b.flags & blow_silent) == 0) hooks.play_voice(m, a, agent_voice_hit);
    if (interrupts || attacker == nullptr || attacker->is_horse()) react_standing_human(m, a, b, attacker, random);
  } else {
    fell = true;
    a.hit_points = 0.0f;
    const troop* own = troop_record(a.troop);
    fall_inputs f;
    f.no_deaths_mission = no_deaths;
    f.troop_always_dies = own != nullptr && (own->flags & troop_flag_always_dies) != 0;
    f.damage_type = b.damage_type;
    f.no_troop_or_hero = own == nullptr || own->is_hero();
    const troop* player_troop = g_game ? g_game->find_troop(g_game->player_troop) : nullptr;
    f.chance = knockout_chance(player_allied_to(m, a),
                               player_troop != nullptr ? player_troop->get_skill_level(skill_surgery) : 0);
    outcome = decide_fall(f, random);

    death_animation_inputs d;
    d.mounted = a.mount >= 0;
    d.attacker_behind = attacker != nullptr && dot_product(a.forward(), attacker->position() - a.position()) <= 0.0f;
    d.head = b.bone == agent_head_bone;
    d.by_missile = b.striking_missile != nullptr;
    d.bone = b.bone;
    d.impact_side = dot_product(b.impact_direction, a.body_frame.rot.s);
    const int death_action = choose_death_animation(d, random);

    a.presence = agent_presence_lying;
    a.presence_timer.reset();
    a.mount_at_death = a.mount;
    set_action_timer_in(a, action_duration(a, death_action, 0.5f));
    a.death_bone = b.bone;
    a.death_position = b.hit_position;
    float impulse = (b.raw_damage + 5.0f) * 0.2f;
    if ((b.flags & blow_strong) != 0) impulse *= 2.0f;
    if (b.damage_type == 2) impulse *= 2.0f;
    a.death_impulse = get_normalized(b.impact_direction) * impulse;

    if (agent* horse = a.mount >= 0 ? m.get_live_agent(a.mount) : nullptr) {
      const agent* player = m.get_live_agent(m.player_agent);
      rider_fate_inputs r;
      r.no_deaths_mission = no_deaths;
      r.player_exists = player != nullptr;
      r.player_mounted = player != nullptr && player->mount >= 0;
      r.attacker_is_player = attacker_is_player;
      r.riders_thrown_by_player = m.riders_thrown_by_player;
      if (rider_stays_in_saddle(r)) {
        horse->rider_died_state = horse_rider_carrying_dead;
        horse->presence_timer.reset();
      } else {
        a.pending_velocity = horse->forward() * horse->forward_speed;
        set_action_timer_in(a, 1.4f);
        horse->rider = -1;
        a.mount = -1;
        ++m.riders_thrown_by_player;
      }
    }
    a.state = outcome == fall_outcome::knocked_out ? agent_state_unconscious : agent_state_dead;
    if ((b.flags & blow_silent) == 0) hooks.play_voice(m, a, agent_voice_death);
    hooks.set_channel_action(a, 0, death_action, 0x28000C8u, 1.0f);
    if (attacker != nullptr) {
      if (outcome == fall_outcome::knocked_out)
        ++attacker->knockout_count;
      else
        ++attacker->kill_count;
    }
    if (options.report_casualties != 0) {
      const bool ko = outcome == fall_outcome::knocked_out;
      const std::string victim = troop_name(troop_record(a.troop));
      if (responsible_troop != nullptr)
        report_combat_line(ko ? "ui_value_knocked_unconscious_by_value" : "ui_value_killed_by_value",
                           message_default_colour, {victim, troop_name(responsible_troop)});
      else
        report_combat_line(ko ? "ui_value_fell_unconscious" : "ui_value_fell_dead", message_default_colour, {victim});
    }
    a.label_refresh = 1;
  }

  // Experience of the fall.
  const troop* victim_troop = troop_record(a.troop);
  const int victim_level = victim_troop != nullptr ? victim_troop->level : 1;
  if (fell && responsible != nullptr && responsible_troop != nullptr && m.teams_are_enemies(a.team, responsible->team) &&
      b.damage > 0.01f) {
    const int xp = fall_experience(victim_level, no_deaths);
    if (xp > 0) {
      troop* t = troop_record_mut(responsible->troop);
      if (t->is_hero()) {
        const float mult = responsible->troop == (g_game ? g_game->player_troop : -1)
                               ? g_module_settings.player_xp_multiplier
                               : g_module_settings.hero_xp_multiplier;
        t->experience += static_cast<int>(std::trunc(static_cast<float>(xp) * mult));
      } else {
        responsible->experience +=
            static_cast<int>(std::trunc(static_cast<float>(xp) * g_module_settings.regulars_xp_multiplier));
      }
    }
  }
  // Weapon proficiency of a hero attacker.
  if (attacker != nullptr && b.damage > 0.01f && weapon != nullptr && m.teams_are_enemies(a.team, attacker->team)) {
    troop* t = troop_record_mut(attacker->troop);
    if (t != nullptr && t->is_hero()) {
      const bool second = agent_wielded_item(*attacker, 1).kind >= 0;
      const int cls = item::get_weapon_class(b.item_kind, second ? 1 : 0);
      float gain = b.damage * (no_deaths ? 0.33f : 1.0f) * static_cast<float>(victim_level + 10) * 0.05f;
      if (cls >= 3 && cls <= 6) {
        const float d = (a.position() - attacker->position()).length();
        const vec3 rel = a.velocity - attacker->velocity;
        const float v = rel.length();
        const float sin_a =
            cross_product(get_normalized(rel), get_normalized(a.position() - attacker->position())).length();
        const float difficulty =
            std::clamp(((d + 4.0f) * 0.25f) * ((v * sin_a + 4.0f) * 0.25f) * 0.3f, 1.0f, 12.0f);
        gain *= difficulty;
        if (attacker_is_player && options.report_shot_difficulty != 0) {
          const double shown = static_cast<double>(head ? difficulty * 1.2f : difficulty);
          report_combat_line("ui_shot_difficulty", message_default_colour, {shown});
        }
      }
      if (cls >= 0 && cls < static_cast<int>(t->proficiencies.size())) {
        float& proficiency = t->proficiencies[static_cast<std::size_t>(cls)];
        const int before = static_cast<int>(proficiency);
        proficiency += gain * 0.02f;
        const int after = static_cast<int>(proficiency);
        if (attacker->troop == 0 && after > before) {
          const std::string name = weapon_proficiency_name(cls);
          if (after - before == 1)
            report_combat_line("ui_you_have_improved_your_proficiency_in_value_to_number", message_default_colour,
                               {name, after});
          else
            report_combat_line("ui_your_proficiency_in_value_has_improved_by_number_to_number",
                               message_default_colour, {name, after - before, after});
        }
      }
    }
  }
  // Blood of the hit.
  if (b.damage > 1.0f && !no_deaths) {
    const float count = std::clamp((b.damage + 5.0f) * g_module_settings.blood_multiplier * 0.1f + 1.0f, 1.0f, 50.0f);
    hooks.emit_blood(m, a, b, static_cast<int>(count));
  }
}

}  // namespace hm
