// Position registers and their maths, and the sound and music requests.
// Moves and turns take hundredths (centimetres) and degrees; coordinates read
// and written as integers use the script state's fixed-point multiplier.
#include <cmath>
#include <cstdint>

#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

constexpr float degrees_to_radians = 0.0174533f;
constexpr float radians_to_degrees = 57.2958f;

const script_host& host() { return current_script_host(); }
frame& pos(std::int64_t index) { return g_script_state.position_registers[static_cast<std::size_t>(index)]; }
float multiplier() { return static_cast<float>(g_script_state.fixed_point_multiplier); }

// Validates every listed register operand; false at the first bad one.
template <class... Index>
bool valid_registers(Index... index) {
  return (validate_register_id(index) && ...);
}

// --- sound and music ---

bool is_event_with_object(std::int32_t context) {
  return context == -40 || context == -42 || context == -43 || context == -50 || context == -51;
}

void play_sound(operation_call& c) {
  if (!validate_sound_id(c.value[0])) return;
  const auto sound = static_cast<std::int32_t>(c.value[0]);
  const auto flags = static_cast<std::uint32_t>(c.value[1]);
  vec3 position;
  if (is_event_with_object(c.context) && host().mission->event_object_position(c.context, position)) {
    host().engine->play_sound(sound, flags & ~sound_play_flat, position);
  } else {
    host().engine->play_sound(sound, flags | sound_play_flat, vec3());
  }
}

void play_track(operation_call& c) {
  if (!validate_track_id(c.value[0])) return;
  if (c.value[1] < 0 || c.value[1] > 2) return;
  g_script_state.music_requested_track = static_cast<std::int32_t>(c.value[0]);
  g_script_state.music_request_kind = static_cast<std::int32_t>(c.value[1]);
}

void queue_track(operation_call& c) {
  if (!validate_track_id(c.value[0])) return;
  g_script_state.music_requested_one_shot = static_cast<std::int32_t>(c.value[0]);
}

void set_music_mask(operation_call& c) {
  g_script_state.music_wanted_mask = static_cast<std::int32_t>(c.value[0]);
  g_script_state.music_wanted_mask_set = true;
}
void set_music_group(operation_call& c) {
  g_script_state.music_group_filter = static_cast<std::int32_t>(c.value[0]);
  g_script_state.music_group_filter_set = true;
}
void stop_sounds(operation_call&) { host().engine->stop_all_sounds(); }

// --- copying and combining ---

void copy_position(operation_call& c) {
  if (valid_registers(c.value[0], c.value[1])) pos(c.value[0]) = pos(c.value[1]);
}
void identity_position(operation_call& c) {
  if (valid_registers(c.value[0])) pos(c.value[0]) = frame::identity();
}
void spawn_position(operation_call& c) {
  if (valid_registers(c.value[0])) pos(c.value[0]) = host().campaign->game_words().spawn_frame;
}

void distance_between(operation_call& c) {
  if (!valid_registers(c.value[1], c.value[2])) {
    c.store(0);
    return;
  }
  const float d = (pos(c.value[1]).origin - pos(c.value[2]).origin).length();
  c.store(truncate_to_int64(static_cast<double>(d * 100.0f)));
}

void is_behind(operation_call& c) {
  c.result = false;
  if (!valid_registers(c.value[0], c.value[1])) return;
  const frame& reference = pos(c.value[1]);
  c.result = dot_product(pos(c.value[0]).origin - reference.origin, reference.rot.f) < 0.0f;
}

void local_to_global(operation_call& c) {
  if (valid_registers(c.value[0], c.value[1], c.value[2]))
    pos(c.value[0]) = pos(c.value[1]).transform_frame_to_global(pos(c.value[2]));
}
void global_to_local(operation_call& c) {
  if (valid_registers(c.value[0], c.value[1], c.value[2]))
    pos(c.value[0]) = pos(c.value[1]).transform_frame_to_local(pos(c.value[2]));
}
void copy_rotation(operation_call& c) {
  if (valid_registers(c.value[0], c.value[1])) pos(c.value[0]).rot = pos(c.value[1]).rot;
}
void copy_origin(operation_call& c) {
  if (valid_registers(c.value[0], c.value[1])) pos(c.value[0]).origin = pos(c.value[1]).origin;
}

// --- moves and turns ---

template <int axis>
void move_along(operation_call& c) {
  if (!valid_registers(c.value[0])) return;
  frame& f = pos(c.value[0]);
  const float distance = static_cast<float>(c.value[1]) / 100.0f;
  vec3 direction;
  if (c.value[2] != 0) {
    direction = vec3(axis == 0 ? 1.0f : 0.0f, axis == 1 ? 1.0f : 0.0f, axis == 2 ? 1.0f : 0.0f);
  } else {
    direction = axis == 0 ? f.rot.s : axis == 1 ? f.rot.f : f.rot.u;
  }
  f.origin = f.origin + direction * distance;
}

float angle_of(std::int64_t degrees) { return static_cast<float>(degrees) * degrees_to_radians; }

void rotate_about_s(operation_call& c) {
  if (valid_registers(c.value[0])) pos(c.value[0]).rotate_x(angle_of(c.value[1]));
}
void rotate_about_f(operation_call& c) {
  if (valid_registers(c.value[0])) pos(c.value[0]).rotate_y(angle_of(c.value[1]));
}

void turn_in_plane(vec3& v, float cosine, float sine) {
  const float x = v.x * cosine - v.y * sine;
  const float y = v.x * sine + v.y * cosine;
  v.x = x;
  v.y = y;
}

void rotate_about_vertical(operation_call& c) {
  if (!valid_registers(c.value[0])) return;
  frame& f = pos(c.value[0]);
  const float angle = angle_of(c.value[1]);
  if (c.value[2] == 0) {
    f.rotate_z(angle);
    return;
  }
  const float cosine = std::cos(angle);
  const float sine = std::sin(angle);
  turn_in_plane(f.rot.s, cosine, sine);
  turn_in_plane(f.rot.f, cosine, sine);
  turn_in_plane(f.rot.u, cosine, sine);
}

// --- coordinates as integers ---

float component(const vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

template <int axis>
void get_coordinate(operation_call& c) {
  if (valid_registers(c.value[1])) c.store(round_half_down(multiplier() * component(pos(c.value[1]).origin, axis)));
}

template <int axis>
void set_coordinate(operation_call& c) {
  if (!valid_registers(c.value[0])) return;
  const std::int32_t m = g_script_state.fixed_point_multiplier;
  const float value = m != 0 ? static_cast<float>(c.value[1]) / static_cast<float>(m) : 0.0f;
  vec3& origin = pos(c.value[0]).origin;
  (axis == 0 ? origin.x : axis == 1 ? origin.y : origin.z) = value;
}

// The diagonal of the rotation: s.x, f.y, u.z.
template <int axis>
void get_scale(operation_call& c) {
  if (!valid_registers(c.value[1])) return;
  const rotation& r = pos(c.value[1]).rot;
  const float value = axis == 0 ? r.s.x : axis == 1 ? r.f.y : r.u.z;
  c.store(round_half_down(multiplier() * value));
}

void get_heading(operation_call& c) {
  if (!valid_registers(c.value[1])) return;
  const vec3& f = pos(c.value[1]).rot.f;
  const float degrees = std::atan2(-f.x, f.y) * radians_to_degrees;
  c.store((round_half_down(degrees) + 360) % 360);
}

void get_origin_length(operation_call& c) {
  if (!valid_registers(c.value[1])) return;
  // Normalises the source register's origin as it measures it.
  const float length = pos(c.value[1]).origin.normalize();
  c.store(round_half_down(multiplier() * length));
}

void snap_to_ground(operation_call& c) {
  if (!valid_registers(c.value[0])) return;
  vec3& origin = pos(c.value[0]).origin;
  float height = 0.0f;
  if (host().mission->ground_height_in_scene(origin.x, origin.y, height)) origin.z = height;
}

}  // namespace

void register_position_operations() {
  register_operation(600, play_sound);
  register_operation(601, play_track);
  register_operation(602, queue_track);
  register_operation(603, set_music_mask);
  register_operation(604, set_music_group);
  register_operation(609, stop_sounds);
  register_operation(700, copy_position);
  register_operation(701, identity_position);
  register_operation(702, spawn_position);
  register_operation(710, distance_between);
  register_operation(713, is_behind);
  register_operation(715, local_to_global);
  register_operation(716, global_to_local);
  register_operation(718, copy_rotation);
  register_operation(719, copy_origin);
  register_operation(720, move_along<0>);
  register_operation(721, move_along<1>);
  register_operation(722, move_along<2>);
  register_operation(723, rotate_about_s);
  register_operation(724, rotate_about_f);
  register_operation(725, rotate_about_vertical);
  register_operation(726, get_coordinate<0>);
  register_operation(727, get_coordinate<1>);
  register_operation(728, get_coordinate<2>);
  register_operation(729, set_coordinate<0>);
  register_operation(730, set_coordinate<1>);
  register_operation(731, set_coordinate<2>);
  register_operation(735, get_scale<0>);
  register_operation(736, get_scale<1>);
  register_operation(737, get_scale<2>);
  register_operation(740, get_heading);
  register_operation(741, get_origin_length);
  register_operation(791, snap_to_ground);
}

}  // namespace hm
