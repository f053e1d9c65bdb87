#include "mission/control/weapon_use.h"

#include <algorithm>

#include "engine/app/input_state.h"
#include "engine/settings/game_options.h"
#include "mission/agent/agent_perception.h"
#include "mission/agent/agent_queries.h"
#include "mission/agent/item_visibility.h"
#include "mission/anim/agent_actions.h"
#include "mission/control/weapon_choice.h"
#include "mission/control/wielding.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/records/item_kind.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

frame g_mission_camera_frame = frame::identity();

namespace {

int guard_direction_from_view(mission& m, const agent& a) {
  const agent* target = m.get_agent(find_facing_non_ally(m, a));
  if (target == nullptr || target->agent_entity == nullptr) return 0;
  vec3 p = target->position() + vec3(0.0f, 0.0f, 0.7f);
  if (target->kind == agent_kind_human) {
    const skeleton_instance* s = agent_skeleton(*target);
    if (s != nullptr && agent_head_bone < s->bone_count) {
      p = target->agent_entity->frame.transform_point_to_global(s->bones[agent_head_bone].pose_frame.origin);
    }
  }
  frame view = g_mission_camera_frame;
  view.rotate_x(-1.5707964f);
  const vec3 local = view.transform_point_to_local(p);
  if (local.y == 0.0f) return 0;
  const float x = local.x / local.y;
  const float y = local.z / local.y;
  const float t = 0.4f * y;
  if (x < t - 0.02f && x < -0.02f - t) return 2;
  if (x > t + 0.02f && x > 0.02f - t) return 1;
  if (y < -0.1f) return 3;
  return 0;
}

struct defence_row {
  defend_actions styles[3];  // bits 0x100, 0x1000, 0x10000
};

constexpr defence_row defence_rows[4] = {
    {{{214, 215, 216}, {202, 203, 204}, {226, 227, 228}}},
    {{{211, 212, 213}, {211, 212, 213}, {235, 236, 237}}},
    {{{208, 209, 210}, {208, 209, 210}, {232, 233, 234}}},
    {{{217, 218, 219}, {205, 206, 207}, {229, 230, 231}}},
};

}  // namespace

int guard_direction_from_mouse(float dx, float dy) {
  if (dx > dy) return dx <= -dy ? 3 : 2;
  return dx >= -dy ? 0 : 1;
}

int attacking_enemy_direction(mission& m, const agent& a) {
  const agent* enemy = m.get_agent(find_aiming_enemy(m, a));
  if (enemy != nullptr && (enemy->attack_state == 1 || enemy->attack_state == 2)) return enemy->attack_direction;
  return -1;
}

int choose_guard_direction(mission& m, const agent& a) {
  const int mode = g_game_options.control_block_direction;
  if (a.index == m.player_agent && mode != 0) {
    if (mode == 1) {
      const float dy = g_game_options.invert_mouse_y != 0 ? -g_input_state.mouse_dy : g_input_state.mouse_dy;
      return guard_direction_from_mouse(g_input_state.mouse_dx, dy);
    }
    return guard_direction_from_view(m, a);
  }
  return std::max(attacking_enemy_direction(m, a), 0);
}

defend_actions defend_actions_for_direction(const agent& a, int g) {
  defend_actions out;
  const int slot1 = a.wielded_slots[1];
  const bool two_hands = a.two_hands != 0;
  if (slot1 >= 0 && slot1 < agent_weapon_slot_count && !two_hands &&
      a.equipment[static_cast<std::size_t>(slot1)].kind > 0) {
    return {199, 200, 201};
  }
  const int slot0 = a.wielded_slots[0];
  if (slot0 < 0 || slot0 >= agent_weapon_slot_count || a.equipment[static_cast<std::size_t>(slot0)].kind <= 0) {
    return {151, 152, 153};
  }
  const item_kind* k = a.equipment[static_cast<std::size_t>(slot0)].get_kind();
  if (k == nullptr || g < 0 || g > 3) return out;
  const std::uint32_t styles = static_cast<std::uint32_t>(k->capabilities >> 32);
  const std::uint32_t bits[3] = {0x100u, 0x1000u, 0x10000u};
  for (int i = 0; i < 3; ++i) {
    if ((styles & bits[i]) != 0) return defence_rows[g].styles[i];
  }
  return out;
}

defend_actions choose_defend_actions(mission& m, const agent& a) {
  return defend_actions_for_direction(a, choose_guard_direction(m, a));
}

defend_actions turned_guard(mission& m, const agent& a) {
  const action_channel& upper = a.channels[1];
  const int mode = g_game_options.control_block_direction;
  if (mode != 0 && upper.action == a.defend_action && upper.progress < 0.5f) return choose_defend_actions(m, a);
  // The player who steers the guard keeps it where it was put.
  if (mode != 0 && a.index == m.player_agent) return {};
  if (upper.action < 0 || (upper.action != a.defend_action && upper.action != a.defend_hold_action)) return {};
  const int g = attacking_enemy_direction(m, a);
  return g >= 0 ? defend_actions_for_direction(a, g) : defend_actions{};
}

int consume_ammunition(mission& m, agent& a, int n) {
  const int slot0 = a.wielded_slots[0];
  const item_kind* weapon = weapon_slot_kind(a, slot0);
  if (weapon == nullptr) return 0;
  const int type = weapon->type();
  if (type != item_type::bow && type != item_type::crossbow && type != item_type::pistol &&
      type != item_type::musket && type != item_type::thrown) {
    return 0;
  }
  const int weapon_kind = a.equipment[static_cast<std::size_t>(slot0)].kind;
  int taken = 0;
  for (int s = 0; s < agent_weapon_slot_count && taken < n; ++s) {
    item& it = a.equipment[static_cast<std::size_t>(s)];
    if (!ammunition_feeds(type, weapon_kind, it)) continue;
    while (taken < n && it.get_remaining_ammo() > 0) {
      it.consume_ammo(1);
      ++taken;
    }
  }
  a.equipment_weight = get_equipment_weight(a);
  if (type == item_type::thrown) {
    if (get_ammunition(a, -1).left <= 0) {
      a.wielded_slots[0] = -1;
      update_wielded_items(m, a);
    }
    const int release = a.release_action;
    if (release >= -1 && release < agent_action_count(a) && a.channels[1].request(release, 0x11400020u)) {
      a.channels[1].speed = std::clamp(get_weapon_speed_factor(m, a, 0, g_game_options.combat_speed), 0.1f, 10.0f);
    }
    if (entity* held = wielded_item_entity(a, 0)) set_entity_show_word(*held, 0);
  }
  return taken;
}

}  // namespace hm
