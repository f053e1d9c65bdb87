#include "mission/screen/player_input.h"

#include <algorithm>
#include <cmath>

#include "mission/agent/agent_queries.h"
#include "mission/combat/blows.h"
#include "mission/control/weapon_choice.h"
#include "mission/control/wielding.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/screen/mission_camera.h"
#include "mission/screen/mission_hud.h"

namespace hm {

namespace {

constexpr float first_frames_aligned = 5;
constexpr float edge_scroll_speed = 400.0f;
constexpr float zoom_speed = 350.0f;

int wielded_type(const agent& a, int hand) {
  const item_kind* k = weapon_slot_kind(a, a.wielded_slots[static_cast<std::size_t>(hand)]);
  return k ? k->type() : -1;
}

bool choosing_direction(const agent& a, const player_input_settings& s) {
  const action_channel& upper = a.channels[1];
  if (upper.progress >= 0.6f) return false;
  const int weapon = wielded_type(a, 0);
  const bool melee_hand = weapon < 0 || weapon == 2 || weapon == 3 || weapon == 4;
  if (melee_hand && a.attack_state == 1 && s.control_attack_direction > 0 && upper.action == a.ready_action)
    return true;
  return wielded_type(a, 1) < 0 && a.defend_state > 0 && s.control_block_direction > 0 &&
         upper.action == a.defend_action;
}

void cheat_blow(mission& m, agent& target, int attacker, float damage) {
  blow b;
  create_blow(b);
  b.attacker = attacker;
  b.hit_position = target.position();
  b.raw_damage = damage;
  b.damage = damage;
  b.damage_type = 2;
  (void)m;
  queue_armored_blow(target, b);
}

void blow_team_agents(mission& m, const agent& player, bool enemies, bool every_one, float damage) {
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    agent& a = *m.get_agent(i);
    if (a.kind != agent_kind_human || !a.is_alive() || a.index == player.index) continue;
    if (m.teams_are_enemies(player.team, a.team) != enemies) continue;
    cheat_blow(m, a, player.index, damage);
    if (!every_one) return;
  }
}

void cheat_keys(mission& m, agent& player, const screen_input& in) {
  namespace k = platform::key;
  const bool left_ctrl = in.key_down(k::left_control);
  if (in.ctrl() && in.key_clicked(function_key(5)))
    player.controller = player.controller == agent_controller_player ? agent_controller_ai : agent_controller_player;
  if (left_ctrl && in.key_clicked(function_key(4))) blow_team_agents(m, player, true, in.key_down(k::left_shift), 100.0f);
  if (left_ctrl && in.key_clicked(function_key(6))) blow_team_agents(m, player, false, in.key_down(k::left_shift), 100.0f);
  if (left_ctrl && in.key_clicked(function_key(3))) cheat_blow(m, player, player.index, 200.0f);
  if (in.ctrl() && in.key_clicked(k::h)) player.hit_points = player.max_hit_points;
}

}  // namespace

float mouse_speed_factor(const mission& m, const agent* player, const player_input_settings& s, bool edit_mode) {
  float speed = 0.04f * std::exp2(4.0f * s.mouse_sensitivity);
  (void)m;
  if (!edit_mode && !s.presentation_blocks && player && choosing_direction(*player, s)) speed *= 0.1f;
  return speed;
}

void update_player_input(mission& m, mission_screen_state& st, const screen_input& in,
                         const player_input_settings& s, float frame_time) {
  namespace k = platform::key;
  const bool edit_mode = st.game.edit_mode != 0;
  if (edit_mode) {
    for (int key : {k::x, k::y, k::z, k::u, k::v, k::g, k::t})
      if (in.key_down(key)) return;
    frame_time = s.application_frame_time;
  }
  agent* player = m.get_live_agent(m.player_agent);
  mission_camera_state& cam = st.cam;

  const float speed = mouse_speed_factor(m, player, s, edit_mode);
  float dx = 0.0f;
  float dy = 0.0f;
  if (!s.presentation_blocks) {
    dx = in.state->mouse_dx;
    dy = in.state->mouse_dy;
  } else {
    if (s.cursor_x <= 0.01f) dx = -edge_scroll_speed * frame_time;
    if (s.cursor_x >= 0.99f) dx = edge_scroll_speed * frame_time;
    if (s.cursor_y <= 0.01f) dy = edge_scroll_speed * frame_time;
    if (s.cursor_y >= 0.74f) dy = -edge_scroll_speed * frame_time;
  }
  if (!edit_mode || in.key_down(platform::mouse_button_first)) {
    const float damping = std::max(0.0f, 1.0f - 20.0f * frame_time);
    cam.yaw_speed = damping * cam.yaw_speed + dx * cam.field_of_view * 0.0018f;
    cam.pitch_speed = damping * cam.pitch_speed + (s.invert_mouse_y ? -dy : dy) * cam.field_of_view * 0.0018f;
    cam.yaw -= cam.yaw_speed * speed * frame_time;
    cam.pitch -= cam.pitch_speed * speed * frame_time;
  }
  cam.pitch = std::clamp(cam.pitch, -max_camera_pitch, max_camera_pitch);
  cam.distance = std::clamp(cam.distance, min_camera_distance, max_camera_distance);
  if (!player) return;

  agent_input& block = player->input;
  if (!in.held(control::view_outfit)) block.set_direction(camera_rotation(cam.yaw, cam.pitch, 0.0f).f);
  if (st.first_frames < first_frames_aligned) {
    const vec3 f = player->forward();
    block.set_direction(f);
    cam.yaw = std::atan2(-f.x, f.y);
    cam.pitch = 0.0f;
    ++st.first_frames;
  }

  std::uint32_t bits = 0;
  if (!edit_mode) {
    const bool mounted = player->mount >= 0;
    if (!in.key_down(k::left_shift)) bits |= input_bit::walk_fast;
    if (in.clicked(control::jump)) bits |= input_bit::jump;
    if (!mounted) {
      if (in.held(control::move_forward)) bits |= input_bit::forward;
      else if (in.held(control::move_backward)) bits |= input_bit::backward;
      if (in.held(control::move_right)) bits |= input_bit::right;
      else if (in.held(control::move_left)) bits |= input_bit::left;
      if (in.clicked(control::action) && st.prompt == prompt_kind::mount && st.prompt_in_range) {
        bits |= input_bit::mount;
        st.mount_target = st.prompt_target;
        player->mount_target = st.prompt_target;
      }
    } else {
      if (in.clicked(control::move_forward)) bits |= input_bit::ride_start;
      if (in.held(control::move_forward)) bits |= input_bit::ride_forward;
      else if (in.held(control::move_backward)) bits |= input_bit::ride_backward;
      if (in.held(control::move_right)) bits |= input_bit::ride_right;
      else if (in.held(control::move_left)) bits |= input_bit::ride_left;
      if (in.clicked(control::action) && st.prompt == prompt_kind::dismount) bits |= input_bit::dismount;
      if (in.ctrl() && in.key_clicked(k::j)) bits |= input_bit::rear;
    }
    if (!s.presentation_blocks) {
      if (in.held(control::attack)) bits |= input_bit::attack_held;
      if (in.clicked(control::attack)) bits |= input_bit::attack_pressed;
      if (in.held(control::defend)) bits |= input_bit::defend_held;
    }
  }
  block.action_flags = bits;

  if (!edit_mode) {
    if (in.clicked(control::next_weapon)) {
      cycle_wielded_item(m, *player, 0);
    } else if (in.clicked(control::next_shield)) {
      cycle_wielded_item(m, *player, 1);
    } else if (in.clicked(control::sheathe_weapon)) {
      player->wielded_slots[0] = -1;
      update_wielded_items(m, *player);
    }
  }
  if (in.clicked(control::first_person)) {
    g_first_person_view = g_first_person_view ? 0 : 1;
    update_player_body_visibility(m);
  }
  block.last_word = g_first_person_view;

  cam.field_of_view += (in.held(control::zoom) ? -zoom_speed : zoom_speed) * frame_time;
  cam.field_of_view = std::clamp(cam.field_of_view, min_field_of_view,
                                 g_first_person_view ? max_first_person_field_of_view : max_field_of_view);

  if (s.cheat_mode) cheat_keys(m, *player, in);
}

}  // namespace hm
