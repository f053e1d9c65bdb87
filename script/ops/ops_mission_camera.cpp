// The camera mission scripts steer, the game's two script words and five
// script texts, and what the current game menu shows behind its text.
#include <cstdint>

#include "script/arithmetic.h"
#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

frame& pos(std::int64_t index) { return g_script_state.position_registers[static_cast<std::size_t>(index)]; }
game_script_words& game() { return current_script_host().campaign->game_words(); }
// Null without a mission: every camera operation then does nothing.
script_camera* camera() { return current_script_host().mission->scripted_camera(); }

float fov_of(std::int64_t v) {
  return static_cast<float>(clamp32(v, script_camera_min_fov, script_camera_fov_bound));
}
float seconds_of_ms(std::int64_t ms) { return static_cast<float>(ms) * 0.001f; }
float multiplier() { return static_cast<float>(g_script_state.fixed_point_multiplier); }

// Starts a move from where the camera is now (frame and field of view) to a
// target over the milliseconds.
void start_move(script_camera& cam, const frame& target, float target_fov, std::int64_t ms, std::int64_t easing) {
  const frame now = cam.current_frame();
  const float now_fov = cam.current_fov();
  cam.from_frame = now;
  cam.from_fov = now_fov;
  cam.to_frame = target;
  cam.to_fov = target_fov;
  cam.duration = seconds_of_ms(ms);
  cam.transition_timer.reset();
  cam.easing = easing > 0 ? low32(easing) : 0;
}

// p0 the mode (0 or 1); back to the mission's own camera, p1 > 0 blends over
// that many milliseconds (easing p2) from where the scripted camera stands.
void set_camera_mode(operation_call& c) {
  script_camera* cam = camera();
  if (cam == nullptr) return;
  const std::int32_t mode = clamp32(c.value[0], 0, 2);
  if (mode == 0 && c.value[1] > 0) {
    cam->to_frame = cam->current_frame();
    cam->to_fov = cam->current_fov();
    cam->duration = seconds_of_ms(c.value[1]);
    cam->transition_timer.reset();
    cam->easing = c.value[2] > 0 ? low32(c.value[2]) : 0;
  } else {
    cam->duration = 0.0f;
  }
  cam->mode = mode;
}

void get_value_2(operation_call& c) {
  if (script_camera* cam = camera()) {
    c.store(truncate_to_int64(static_cast<double>(cam->current_value_2()) * static_cast<double>(multiplier())));
  }
}

void set_value_2(operation_call& c) {
  script_camera* cam = camera();
  if (cam == nullptr || c.value[0] <= 0) return;
  cam->value_from = static_cast<float>(c.value[0]) / multiplier();
  cam->value_duration = 0.0f;
}

void animate_value_2(operation_call& c) {
  script_camera* cam = camera();
  if (cam == nullptr || c.value[0] <= 0 || c.value[1] <= 0) return;
  cam->value_from = cam->current_value_2();
  cam->value_to = static_cast<float>(c.value[0]) / multiplier();
  cam->value_duration = seconds_of_ms(c.value[1]);
  cam->value_timer.reset();
}

void get_camera_frame(operation_call& c) {
  script_camera* cam = camera();
  if (cam == nullptr || !validate_register_id(c.value[0])) return;
  pos(c.value[0]) = cam->current_frame();
}

// The camera jumps to the register: a move in progress ends, and the field of
// view is the start one it kept.
void set_camera_frame(operation_call& c) {
  script_camera* cam = camera();
  if (cam == nullptr || !validate_register_id(c.value[0])) return;
  cam->from_frame = pos(c.value[0]);
  cam->duration = 0.0f;
}

// A move from where the camera stands to the register; the field of view
// goes from the start one the camera kept to the one it shows now.
void move_camera(operation_call& c) {
  script_camera* cam = camera();
  if (cam == nullptr || !validate_register_id(c.value[0]) || c.value[1] <= 0) return;
  const frame now = cam->current_frame();
  const float now_fov = cam->current_fov();
  cam->from_frame = now;
  cam->to_frame = pos(c.value[0]);
  cam->to_fov = now_fov;
  cam->duration = seconds_of_ms(c.value[1]);
  cam->transition_timer.reset();
  cam->easing = c.value[2] > 0 ? low32(c.value[2]) : 0;
}

void get_camera_fov(operation_call& c) {
  if (script_camera* cam = camera()) c.store(truncate_to_int64(static_cast<double>(cam->current_fov())));
}

// The field of view jumps: a move in progress ends, and the frame is the
// start one the camera kept.
void set_camera_fov(operation_call& c) {
  script_camera* cam = camera();
  if (cam == nullptr) return;
  cam->from_fov = fov_of(c.value[0]);
  cam->duration = 0.0f;
}

void zoom_camera(operation_call& c) {
  script_camera* cam = camera();
  if (cam == nullptr || c.value[1] <= 0) return;
  start_move(*cam, cam->current_frame(), fov_of(c.value[0]), c.value[1], c.value[2]);
}

void move_and_zoom_camera(operation_call& c) {
  script_camera* cam = camera();
  if (cam == nullptr || !validate_register_id(c.value[0]) || c.value[2] <= 0) return;
  start_move(*cam, pos(c.value[0]), fov_of(c.value[1]), c.value[2], c.value[3]);
}

void follow_agent(operation_call& c) {
  script_camera* cam = camera();
  if (cam == nullptr || !validate_agent_id(c.value[0])) return;
  cam->followed_agent = low32(c.value[0]);
  cam->followed_word = low32(c.value[1]);
}

void stop_following(operation_call&) {
  if (script_camera* cam = camera()) cam->followed_agent = -1;
}

// --- the game's words and texts ---

void set_game_word_1(operation_call& c) { game().game_word_1 = low32(c.value[0]); }
void set_game_word_2(operation_call& c) { game().game_word_2 = low32(c.value[0]); }

void set_script_text(operation_call& c) {
  if (c.value[0] < 0 || c.value[0] >= game_script_words::script_text_count) return;
  if (!validate_string_id(c.value[1], c.tag[1])) return;
  const auto slot = static_cast<std::size_t>(c.value[0]);
  game().script_texts[slot] = format_text(get_string_by_reference(c.value[1], c.tag[1]));
  game().script_text_changed[slot] = 1;
}

// --- the current menu's background ---

void set_menu_mesh(operation_call& c) {
  if (!validate_menu_id(game().current_menu) || !validate_mesh_id(c.value[0])) return;
  game().menu_mesh = current_script_host().module->mesh_name(low32(c.value[0]));
}

void set_menu_tableau(operation_call& c) {
  if (!validate_menu_id(game().current_menu) || !validate_tableau_id(c.value[0]) ||
      !validate_register_id(c.value[2])) {
    return;
  }
  game_script_words& g = game();
  g.menu_tableau = low32(c.value[0]);
  g.menu_tableau_object = low32(c.value[1]);
  g.menu_tableau_position = pos(c.value[2]).origin;
}

}  // namespace

void register_mission_camera_operations() {
  register_operation(2001, set_camera_mode);
  register_operation(2002, get_value_2);
  register_operation(2003, set_value_2);
  register_operation(2004, animate_value_2);
  register_operation(2010, get_camera_frame);
  register_operation(2011, set_camera_frame);
  register_operation(2012, move_camera);
  register_operation(2013, get_camera_fov);
  register_operation(2014, set_camera_fov);
  register_operation(2015, zoom_camera);
  register_operation(2016, move_and_zoom_camera);
  register_operation(2017, follow_agent);
  register_operation(2018, stop_following);
  register_operation(2020, set_game_word_1);
  register_operation(2021, set_game_word_2);
  register_operation(2022, set_script_text);
  register_operation(2031, set_menu_mesh);
  register_operation(2032, set_menu_tableau);
}

}  // namespace hm
