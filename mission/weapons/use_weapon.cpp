#include "mission/weapons/use_weapon.h"

#include <algorithm>
#include <cmath>

#include "engine/app/input_state.h"
#include "engine/settings/game_options.h"
#include "mission/agent/agent_item_triggers.h"
#include "mission/agent/agent_queries.h"
#include "mission/agent/item_visibility.h"
#include "mission/anim/agent_actions.h"
#include "mission/combat/attack_direction.h"
#include "mission/combat/combat_actors.h"
#include "mission/combat/combat_hooks.h"
#include "mission/combat/combat_messages.h"
#include "mission/control/locomotion.h"
#include "mission/control/weapon_choice.h"
#include "mission/control/weapon_use.h"
#include "mission/missile/missile_launch.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/weapons/held_item_look.h"
#include "mission/weapons/weapon_hit.h"
#include "module/records/action_table.h"
#include "module/records/item_kind.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "script/script_state.h"
#include "script/triggers.h"

namespace hm {

namespace {

constexpr int weapon_bone = 19;
constexpr int strong_bounce_action = 68;
constexpr int ranged_release_event = -51;
// Input bits that end a reload: defend, mounting, dismounting and the
// further command bit.
constexpr std::uint32_t reload_cancel_bits = 0x130200u;
constexpr std::uint32_t movement_bits = 0xFu;
constexpr std::uint32_t kind_flag_no_mounted_reload = 0x100000u;
constexpr std::uint32_t thrown_release_flags = 0x40001Bu;
// A shout voice of the player, and of the others.
constexpr int voice_shout_player = 2;
constexpr int voice_shout_other = 3;
constexpr int contact_swing = 3;

bool held(const agent& a, std::uint32_t bit) { return (a.input.action_flags & bit) != 0; }

void request(agent& a, int action, std::uint32_t flags) { g_combat_hooks().set_channel_action(a, 1, action, flags, 1.0f); }

weapon_action_set_fn action_set_of(const agent& a) {
  return [&a](int hand, int direction) {
    const weapon_action_set s = get_weapon_action_set(a, hand, direction);
    return attack_action_ids{s.ready, s.release, s.parry};
  };
}

void cancel_attack(agent& a, int type) {
  a.readiness = 0.8f;
  a.attack_state = attack_cancelled;
  request(a, type == item_type::two_handed ? 115 : (type == item_type::polearm ? 116 : 114), 0x140000Cu);
}

// The player's attack direction as the option and the mouse give it.
player_attack_steering player_steering() {
  player_attack_steering s;
  s.control = g_game_options.control_attack_direction;
  s.dx = g_input_state.mouse_dx;
  s.dy = g_game_options.invert_mouse_y != 0 ? -g_input_state.mouse_dy : g_input_state.mouse_dy;
  return s;
}

attack_choice choose_attack(mission& m, agent& a, combat_random& random) {
  const player_attack_steering steering = player_steering();
  const player_attack_steering* mine = a.index == m.player_agent ? &steering : nullptr;
  attack_choice c;
  for (int i = 0; i < 10 && c.actions[0] < 0; ++i) c = agent_choose_attack_actions(m, a, 0, action_set_of(a), random, mine);
  return c;
}

void use_melee(mission& m, agent& a, float dt, int type, combat_random& random) {
  combat_hooks& hooks = g_combat_hooks();
  action_channel& upper = a.channels[1];
  const bool defend = held(a, input_defend_held);

  if (a.attack_state == attack_idle && a.defend_state == 0) {
    a.readiness = std::min(a.readiness + dt, 1.0f);
    if (held(a, input_attack_held)) {
      const attack_choice c = choose_attack(m, a, random);
      if (c.actions[0] >= 0) {
        a.attack_state = attack_readying;
        request(a, c.actions[0], 0x240000Au);
        a.aim_angle = 0.0f;
        a.defend_state = 0;
        a.wield_mode = 1;
        a.attack_power = a.readiness;
      }
    }
    return;
  }

  if (a.attack_state == attack_readying) {
    if (upper.progress > 0.99f) {
      a.attack_power += dt * 0.8f;
      if (a.attack_power < 1.0f) a.attack_power += dt * 0.6f;
      a.attack_power = std::min(a.attack_power, 1.3f);
    }
    if (upper.action != a.ready_action || defend) {
      cancel_attack(a, type);
      return;
    }
    if (a.index == m.player_agent && held(a, input_attack_held) && upper.progress < 0.3f &&
        g_game_options.control_attack_direction > 0) {
      const int before = a.attack_direction;
      const attack_choice c = choose_attack(m, a, random);
      if (c.actions[0] >= 0 && c.direction != before) request(a, c.actions[0], 0x240000Au);
      return;
    }
    if (held(a, input_attack_held) || upper.progress <= 0.99f) return;
    if (a.release_action < 0) {
      a.attack_state = attack_idle;
      return;
    }
    request(a, a.release_action, 0x140000Au);
    a.attack_state = attack_releasing;
    hooks.play_contact_sound(m, a, contact_swing);
    if (a.mount < 0 && random.unit() < (a.attack_power - 1.0f) * 3.5f) {
      const bool player_voice = a.index == m.player_agent || random.unit() < 0.3f;
      hooks.play_voice(m, a, player_voice ? voice_shout_player : voice_shout_other);
    }
    a.weapon_frame = agent::invalid_weapon_frame();
    a.previous_weapon_frame = agent::invalid_weapon_frame();
    a.agent_hit = 0;
    a.scene_hit = 0;
    return;
  }

  const bool strong = is_starting_action_72(a);
  const bool swinging = a.attack_state == attack_releasing && upper.action == a.release_action &&
                        (a.attack_direction == 0 || upper.progress > 0.1f);
  if (swinging || strong) {
    if (strong) {
      a.attack_direction = 0;
      a.bounce_action = strong_bounce_action;
      if (random.unit() < 0.05f) a.agent_hit = a.scene_hit = 0;
    }
    if (defend) cancel_attack(a, type);
    const bool window =
        strong || (upper.progress < 0.85f && (a.attack_direction == 0 || upper.progress > 0.2f));
    int result = weapon_hit_nothing;
    blow struck;
    if (window) {
      if (strong) a.attack_power = 1.0f;
      result = agent_process_weapon_hit(m, a, 0, nullptr, struck, a.attack_power, random);
    }
    if (result != weapon_hit_nothing && strong && agent_action_count(a) > strong_bounce_action &&
        (upper.priority() <= 125 || upper.is_idle())) {
      request(a, strong_bounce_action, 0x100007Du);
      upper.progress_request = 1.0f;
      set_slot_item_show_word(a, a.wielded_slots[0], 0xFFFFu);
    }
    const bool weapon_held = agent_wielded_item(a, 0).kind >= 0;
    if (result >= weapon_hit_stopped) {
      // Blocked or stopped: the bounce plays and a new attack may start.
      request(a, a.bounce_action, 0x1400023u);
      a.attack_state = attack_idle;
    } else if (a.index != m.player_agent && held(a, input_attack_held)) {
      cancel_attack(a, type);
    } else if (result == weapon_hit_agent) {
      if (struck.damage < 5.0f && weapon_held) {
        request(a, a.bounce_action, 0x1400023u);
        a.attack_state = attack_bounced;
      } else {
        a.attack_state = attack_follow_through;
      }
    }
  }
  if ((a.attack_state == attack_bounced || a.attack_state == attack_cancelled) && upper.is_idle()) {
    a.attack_state = attack_idle;
  }
  if (a.attack_state >= attack_releasing && upper.progress > 0.99f) a.attack_state = attack_idle;
}

bool is_crossbow_like(int type) { return type == item_type::crossbow || type == item_type::pistol || type == item_type::musket; }

void run_release_triggers(mission& m, agent& a) {
  g_script_state.trigger_param_1 = a.index;
  g_script_state.trigger_param_2 = a.troop_word;
  g_script_state.position_registers[1] = a.weapon_frame;
  if (a.wielded_slots[0] < 0) return;
  const item it = agent_wielded_item(a, 0);
  const item_kind* k = it.get_kind();
  if (k != nullptr) run_agent_item_triggers(m, a.index, a.wielded_slots[0], it.kind, ranged_release_event);
}

void tell_player(mission& m, const agent& a, const char* key) {
  if (a.index == m.player_agent) report_combat_line(key, 0xFFFFFFFFu);
}

// Whether any weapon slot holds ammunition for the wielded weapon, used up
// or not.
bool carries_ammunition(const agent& a, int type) {
  const int weapon_kind = a.wielded_slots[0] >= 0 ? a.equipment[static_cast<std::size_t>(a.wielded_slots[0])].kind : -1;
  for (int s = 0; s < agent_weapon_slot_count; ++s) {
    if (ammunition_feeds(type, weapon_kind, a.equipment[static_cast<std::size_t>(s)])) return true;
  }
  return false;
}

void use_ranged(mission& m, agent& a, int type, const item_kind& kind, combat_random& random) {
  combat_hooks& hooks = g_combat_hooks();
  action_channel& upper = a.channels[1];
  const int total = get_ammunition(a);
  const bool crossbow = is_crossbow_like(type);
  const bool loaded = !crossbow || a.loaded_shots > 0;
  const int weapon_slot = a.wielded_slots[0];
  entity* nocked = type == item_type::bow ? held_ammunition_entity(a) : nullptr;
  // At rest a crossbow shows whether it is spanned, a bow hangs slack with an
  // arrow on the string while it has one to shoot; the aim and the reload
  // below draw them further.
  if (crossbow) {
    set_slot_item_anim_time(a, weapon_slot, loaded ? launcher_drawn : launcher_slack);
  } else if (type == item_type::bow) {
    set_slot_item_anim_time(a, weapon_slot, launcher_slack);
    if (nocked != nullptr) set_entity_show_word(*nocked, total > 0 ? 0xFFFFu : 0u);
  }

  if (a.attack_state == attack_idle && held(a, input_attack_pressed)) {
    if (crossbow && !loaded) {
      if (total > 0) {
        int action = a.mount < 0 ? 123 : 124;
        const int reload_kind = static_cast<int>((kind.capabilities >> 32) & 0xF0u);
        if (reload_kind == 0x70) action = 135;
        if (reload_kind == 0x80) action = 138;
        if (a.mount >= 0 && (kind.flags & kind_flag_no_mounted_reload) != 0) {
          tell_player(m, a, "ui_cant_reload_this_weapon_on_horseback");
        } else {
          a.reload_action = action;
          request(a, action, 0x140003Cu);
          a.attack_state = attack_releasing;
        }
      } else {
        tell_player(m, a, carries_ammunition(a, type) ? "ui_no_more_bolts" : "ui_you_are_not_carrying_any_bolts");
      }
      return;
    }
    if (!crossbow && total <= 0) {
      if (type == item_type::bow) {
        tell_player(m, a, carries_ammunition(a, type) ? "ui_no_more_arrows" : "ui_you_are_not_carrying_any_arrows");
      }
      return;
    }
    const attack_choice c = choose_attack(m, a, random);
    if (c.actions[0] < 0) return;
    a.attack_state = attack_readying;
    a.agent_hit = a.scene_hit = 0;
    a.aim_timer.reset();
    request(a, c.actions[0], 0x2400002u);
    a.aim_angle = 0.0f;
    a.wield_mode = crossbow || type == item_type::thrown ? 4 : (type == item_type::pistol ? 5 : 0);
    return;
  }

  if (a.attack_state == attack_readying) {
    if (held(a, input_defend_held)) {
      a.attack_state = attack_idle;
      return;
    }
    if (type == item_type::bow) set_slot_item_anim_time(a, weapon_slot, bow_draw_time(upper.progress));
    const float ready_at = crossbow || type == item_type::musket ? 0.2f : 0.99f;
    if (held(a, input_attack_held) || upper.progress <= ready_at) return;
    request(a, a.release_action, 0x1000002u | (type == item_type::thrown ? thrown_release_flags : 0u));
    const std::uint32_t thrown = static_cast<std::uint32_t>(kind.capabilities) & 0xF0000u;
    const char* sound = type == item_type::bow        ? "snd_release_bow"
                        : crossbow                    ? "snd_release_crossbow"
                        : thrown == 0x40000u          ? "snd_throw_javelin"
                        : thrown == 0x30000u          ? "snd_throw_axe"
                        : thrown == 0x20000u          ? "snd_throw_knife"
                                                      : "snd_throw_stone";
    hooks.play_sound(m, a, sound, 0.1f);
    if (type == item_type::thrown) {
      a.attack_state = attack_follow_through;
    } else {
      release_missile(m, a);
      if (crossbow) {
        --a.loaded_shots;
      } else {
        consume_ammunition(m, a, 1);
      }
      // The arrow has left the string, and the string snaps back.
      if (nocked != nullptr) set_entity_show_word(*nocked, 0);
      if (type == item_type::bow) set_slot_item_anim_time(a, weapon_slot, launcher_slack);
      a.attack_state = attack_idle;
    }
    run_release_triggers(m, a);
    return;
  }

  if (a.attack_state == attack_releasing && upper.action == a.reload_action) {
    set_slot_item_anim_time(a, weapon_slot, crossbow_span_time(upper.progress, a.mount >= 0));
    const bool player_walks = a.index == m.player_agent && upper.action == 123 && upper.progress < 0.8f &&
                              (a.input.action_flags & movement_bits) != 0;
    if ((a.input.action_flags & reload_cancel_bits) != 0 || player_walks) {
      a.attack_state = attack_idle;
      return;
    }
    if (upper.progress > 0.99f) {
      a.loaded_shots = consume_ammunition(m, a, 1);
      a.attack_state = attack_idle;
    }
    return;
  }

  if (a.attack_state == attack_follow_through) {
    const int action = upper.action;
    if ((action == 126 || action == 128 || action == 130 || action == 132) && upper.progress > 0.25f) {
      release_missile(m, a);
      consume_ammunition(m, a, 1);
      set_slot_item_show_word(a, weapon_slot, 0);
      a.attack_state = attack_thrown;
    }
    return;
  }
  if (a.attack_state == attack_thrown && upper.progress > 0.98f) {
    set_slot_item_show_word(a, weapon_slot, 0xFFFFu);
    a.attack_state = attack_idle;
  }
  if (a.attack_state != attack_idle && upper.is_idle()) a.attack_state = attack_idle;
}

void use_defence(mission& m, agent& a) {
  action_channel& upper = a.channels[1];
  if (!held(a, input_defend_held)) {
    a.defend_state = 0;
    const bool guarding = upper.action == a.defend_action ||
                          (upper.action == a.defend_hold_action && upper.progress > 0.2f);
    // The block ends at the guard's own priority: a plain request of
    // priority 0 would lose against it and leave the guard up for good.
    if (upper.action >= 0 && guarding && upper.priority() < 16) request(a, -1, upper.priority());
    return;
  }
  if (a.defend_state == 0) {
    const defend_actions d = choose_defend_actions(m, a);
    if (d.defend < 0 || !(upper.priority() < 16 || upper.is_idle())) return;
    a.defend_state = 1;
    a.attack_state = attack_idle;
    a.defend_action = d.defend;
    a.defend_hold_action = d.keep;
    a.defend_end_action = d.parry;
    request(a, d.defend, 0x240000Eu);
    a.aim_angle = 0.0f;
    a.wield_mode = agent_wielded_item(a, 1).kind >= 0 ? 3 : 1;
    return;
  }
  a.attack_state = attack_idle;
  const defend_actions d = turned_guard(m, a);
  if (d.defend >= 0 && d.defend != a.defend_action) {
    a.defend_action = d.defend;
    a.defend_hold_action = d.keep;
    a.defend_end_action = d.parry;
    request(a, d.defend, 0x240000Eu);
  } else if (upper.action == a.defend_action && upper.progress > 0.99f) {
    request(a, a.defend_hold_action, 0xEu);
  }
}

}  // namespace

namespace {

bool skeleton_has_bone(const agent& a, int bone) {
  const skeleton_instance* s = a.agent_entity != nullptr ? a.agent_entity->animated_skeleton.get() : nullptr;
  return s != nullptr && bone >= 0 && bone < s->bone_count && bone < static_cast<int>(s->bones.size());
}

// Where the weapon is when the agent's skeleton has no hand bone to carry it
// (a skeleton of fewer bones than the game's human, or no skeleton at all):
// a hand before the right shoulder, and a blade that the release action
// carries across the front by the attack's direction, so that a blow strikes
// what stands within the weapon's reach as the animated arm would. Without
// it the blade stood still in the middle of the body and struck only a man
// pressed against it.
frame stand_in_weapon_frame(const agent& a) {
  const frame& body = a.body_frame;
  const action_channel& upper = a.channels[1];
  const bool releasing = upper.action >= 0 && upper.action == a.release_action;
  const float p = releasing ? std::clamp(upper.progress, 0.0f, 1.0f) : 0.0f;
  float ahead = 0.3f;
  float yaw = 0.0f;
  float pitch = 0.0f;
  if (releasing) {
    switch (a.attack_direction) {
      case 0: ahead = 0.1f + 0.4f * p; break;     // thrust: the hand goes forward
      case 1: yaw = 1.2f - 2.4f * p; break;       // across from one side
      case 2: yaw = -1.2f + 2.4f * p; break;      // and from the other
      default: pitch = 1.2f - 1.8f * p; break;    // overhead: from above downwards
    }
  }
  frame f;
  f.origin = body.transform_point_to_global(vec3(0.25f, ahead, 1.35f * a.height_factor));
  const vec3 level_f = body.rot.f * std::cos(yaw) + body.rot.s * std::sin(yaw);
  f.rot.s = body.rot.s * std::cos(yaw) - body.rot.f * std::sin(yaw);
  f.rot.f = level_f * std::cos(pitch) + body.rot.u * std::sin(pitch);
  f.rot.u = body.rot.u * std::cos(pitch) - level_f * std::sin(pitch);
  return f;
}

}  // namespace

frame agent_weapon_frame(const agent& a) {
  const int slot = a.wielded_slots[0];
  if (slot >= 0 && slot < agent_weapon_slot_count) {
    const agent::item_display& d = a.item_displays[static_cast<std::size_t>(slot)];
    if (d.bone >= 0) {
      if (!skeleton_has_bone(a, d.bone)) return stand_in_weapon_frame(a);
      return agent_bone_world_frame(a, d.bone).transform_frame_to_global(d.placement);
    }
  }
  if (!skeleton_has_bone(a, weapon_bone)) return stand_in_weapon_frame(a);
  return agent_bone_world_frame(a, weapon_bone);
}

void agent_use_weapon(mission& m, agent& a, float dt, combat_random& random) {
  const action_channel& lower = a.channels[0];
  const action_record* lower_record = agent_action(a, lower.action);
  const bool lower_busy =
      lower.priority() > 31 && lower_record != nullptr && (lower_record->flags & action_flag_clears_upper_body) != 0;
  if (lower_busy || a.channels[1].priority() > 63) {
    a.attack_state = attack_idle;
    a.defend_state = 0;
    return;
  }
  a.weapon_frame = agent_weapon_frame(a);
  if (!a.is_horse() && a.is_alive()) {
    const item weapon = agent_wielded_item(a, 0);
    const item_kind* k = item_kind_of(weapon);
    const int type = k != nullptr ? k->type() : 0;
    if (k == nullptr || (type >= item_type::one_handed && type <= item_type::polearm)) {
      use_melee(m, a, dt, type, random);
    } else if (type == item_type::bow || type == item_type::thrown || is_crossbow_like(type)) {
      use_ranged(m, a, type, *k, random);
    }
    use_defence(m, a);
  }
  a.previous_weapon_frame = a.weapon_frame;
}

}  // namespace hm
