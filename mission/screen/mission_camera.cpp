#include "mission/screen/mission_camera.h"

#include <algorithm>
#include <cmath>

#include "engine/collision/face.h"
#include "mission/control/wielding.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/scene/scene_queries.h"
#include "mission/screen/screen_controls.h"
#include "render/entity/camera.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

constexpr float pi = 3.14159265f;
constexpr float no_wall = 1000.0f;
constexpr float closest_pull_in = 0.25f;
constexpr float far_plane = 800.0f;

float approach(float value, float target, float rate) { return value + (target - value) * rate; }

vec3 lerp(const vec3& a, const vec3& b, float u) { return a * (1.0f - u) + b * u; }

// Where the segment crosses the face's plane inside its outline, as a
// fraction of the segment; false when it does not.
bool segment_crosses_face(const face& f, const vec3& from, const vec3& to, float& fraction) {
  if (f.vertex_count < 3) return false;
  const vec3 d = to - from;
  const float denom = dot_product(f.normal, d);
  if (std::fabs(denom) < 1e-8f) return false;
  const float s = dot_product(f.normal, f.vertices[0] - from) / denom;
  if (s < 0.0f || s > 1.0f) return false;
  const vec3 p = from + d * s;
  for (int i = 0; i < f.vertex_count; ++i) {
    const vec3& a = f.vertices[i];
    const vec3& b = f.vertices[(i + 1) % f.vertex_count];
    if (dot_product(cross_product(b - a, p - a), f.normal) < -1e-5f) return false;
  }
  fraction = s;
  return true;
}

void place_player_camera(mission& m, mission_screen_state& st, const screen_input& in, const agent& player,
                         float t) {
  mission_camera_state& cam = st.cam;
  const bool mounted = player.mount >= 0 || player.is_horse();
  if (in.held(control::view_outfit)) {
    cam.height = approach(cam.height, mounted ? 1.1f : 0.8f, 3.0f * t);
    cam.low_offset = approach(cam.low_offset, mounted ? 1.0f : 0.5f, 3.0f * t);
  } else {
    cam.height = approach(cam.height, mounted ? 2.4f : 1.65f, t);
    cam.low_offset = approach(cam.low_offset, mounted ? 0.1f : 0.0f, t);
  }
  const vec3 pivot = player.position() + vec3(0.0f, 0.0f, cam.height) + player.visual_offset;
  cam.camera.rot = camera_rotation(cam.yaw, cam.pitch, cam.roll);
  const float back = cam.distance + cam.low_offset;
  const vec3 wanted = pivot + cam.camera.rot.u * back + cam.camera.rot.f * (0.37f * back);
  const vec3 raised = pivot + cam.camera.rot.f * (0.37f * back);
  float allowed = back;
  if (st.game.edit_mode == 0 && m.scene) {
    vec3 towards_player = raised - wanted;
    towards_player.normalize();
    std::vector<camera_wall_hit> hits;
    collect_camera_wall_hits(*m.scene, raised, wanted - towards_player * 0.4f, hits);
    allowed = allowed_camera_distance(back, cam.near_plane, towards_player, hits);
  }
  cam.smoothed_distance = approach(cam.smoothed_distance, allowed, std::min(1.0f, 11.0f * t));
  cam.camera.origin = raised + cam.camera.rot.u * cam.smoothed_distance;
}

void place_first_person_camera(mission& m, mission_screen_state& st, const agent& player, float t) {
  mission_camera_state& cam = st.cam;
  frame head = frame::identity();
  if (!m.services().agent_head_frame(m, player, head)) head.origin = player.position() + vec3(0.0f, 0.0f, 1.6f);
  const vec3 offset = head.origin - cam.smoothed_head;
  const float d = offset.length();
  cam.smoothed_head = d > 100.0f ? head.origin : cam.smoothed_head + offset * std::min(1.0f, 200.0f * t * d);
  cam.camera.rot = camera_rotation(cam.yaw, cam.pitch, 0.0f);
  cam.camera.origin = cam.smoothed_head + cam.camera.rot.f * 0.15f + cam.camera.rot.u * 0.11f;
}

// The scripted camera's frame and field of view at this moment.
void scripted_camera_at(mission& m, frame& out, float& fov) {
  mission_scripted_camera& sc = m.scripted_camera;
  frame target = sc.to_frame;
  if (const agent* followed = m.get_live_agent(sc.followed_agent)) {
    if (sc.followed_word == 0) target.origin = target.origin + followed->position();
    else target = followed->body_frame.transform_frame_to_global(target);
  }
  out = sc.from_frame;
  fov = sc.from_fov;
  if (sc.duration > 0.0f) {
    const float u = eased_transition(sc.transition_timer.elapsed() / sc.duration, sc.easing);
    if (u >= 1.0f) {
      sc.from_frame = sc.to_frame;
      sc.from_fov = sc.to_fov;
      sc.duration = 0.0f;
      out = target;
      fov = sc.to_fov;
    } else {
      out.rot = rotation{lerp(out.rot.s, target.rot.s, u), lerp(out.rot.f, target.rot.f, u),
                         lerp(out.rot.u, target.rot.u, u)};
      out.origin = lerp(out.origin, target.origin, u);
      fov = (1.0f - u) * fov + u * sc.to_fov;
    }
  }
  out.orthonormalize();
}

// Bring an angle into 0 .. 2 pi.
float full_turn(float a) {
  a = std::fmod(a, 2.0f * pi);
  return a < 0.0f ? a + 2.0f * pi : a;
}

}  // namespace

void place_edit_camera(mission_screen_state& st, const screen_input& in, float t) {
  namespace k = platform::key;
  mission_camera_state& cam = st.cam;
  edit_camera_words& e = st.game.edit_camera;
  if (e.glide_timer.elapsed() < e.glide_seconds) {
    const vec3 offset = e.glide_target - e.position;
    e.position = e.glide_target - offset * (1.0f - t);
    if (offset.x != 0.0f || offset.y != 0.0f) {
      const float wanted = full_turn(std::atan2(-offset.x, offset.y));
      float turn = wanted - full_turn(cam.yaw);
      if (turn > pi) turn -= 2.0f * pi;
      if (turn < -pi) turn += 2.0f * pi;
      cam.yaw += t * turn;
    }
  }
  cam.camera.rot = camera_rotation(cam.yaw, cam.pitch, cam.roll);
  e.fly_speed = std::clamp(e.fly_speed * (1.0f - 2.0f * t), 0.0f, 20.0f);
  if (in.key_clicked(k::w)) {
    const std::int64_t now = clock_ticks(clock_real_time);
    e.speed_multiplier = now - e.last_forward_press <= 35000 ? std::min(32.0f, e.speed_multiplier * 2.0f) : 1.0f;
    e.last_forward_press = now;
  }
  // The camera's view direction is its second axis turned towards the scene.
  const vec3 ahead = -cam.camera.rot.u;
  const vec3 side = cam.camera.rot.s;
  if (in.key_down(k::w)) {
    e.position = e.position + ahead * (e.speed_multiplier * e.fly_speed * t);
    e.fly_speed += 25.0f * t;
  }
  if (in.key_down(k::s)) {
    e.position = e.position - ahead * (e.fly_speed * t);
    e.fly_speed += 25.0f * t;
  }
  if (in.key_down(k::d)) {
    e.position = e.position + side * (e.fly_speed * t);
    e.fly_speed += 17.5f * t;
  }
  if (in.key_down(k::a)) {
    e.position = e.position - side * (e.fly_speed * t);
    e.fly_speed += 17.5f * t;
  }
  if (in.key_down(k::f)) {
    e.position.z += e.fly_speed * t * 0.5f;
    e.fly_speed += 17.5f * t;
  }
  if (in.key_down(k::c) && !in.ctrl()) {
    e.position.z -= e.fly_speed * t * 0.5f;
    e.fly_speed += 17.5f * t;
  }
  cam.camera.origin = e.position;
}

float allowed_camera_distance(float wanted, float near_plane, const vec3& towards_player,
                              const std::vector<camera_wall_hit>& hits) {
  float best = no_wall;
  float allowed = wanted;
  for (const camera_wall_hit& h : hits) {
    const float facing = dot_product(h.normal, towards_player);
    if (facing <= 0.0f || h.distance >= best) continue;
    best = h.distance;
    const float c = std::max(facing, 0.1f);
    allowed = std::max(closest_pull_in, h.distance - (near_plane * 2.5f / c + 0.6f));
  }
  return allowed;
}

void collect_camera_wall_hits(const scene_world& scene, const vec3& from, const vec3& to,
                              std::vector<camera_wall_hit>& out) {
  out.clear();
  std::vector<body_part*> faces;
  query_collision_faces(scene, from, to, 0, faces);
  const float length = (to - from).length();
  for (const body_part* b : faces) {
    if (!b || b->get_type_id() != face_type_id) continue;
    const face& f = static_cast<const face&>(*b);
    float s = 0.0f;
    if (segment_crosses_face(f, from, to, s)) out.push_back({s * length, f.normal});
  }
}

float eased_transition(float u, int easing) {
  if (easing <= 0) return u;
  const float e = static_cast<float>(easing);
  return std::atan((u - 0.5f) * e * pi) / (2.0f * std::atan(e * pi * 0.5f)) + 0.5f;
}

float perspective_view_angle(float field_of_view, float aspect) {
  const float widen = aspect > 0.0f ? std::min(1.17f, std::sqrt(1.0f / aspect)) : 1.17f;
  return std::min(102.0f, widen * field_of_view * 0.86f);
}

rotation camera_rotation(float yaw, float pitch, float roll) {
  frame f = frame::identity();
  f.rotate_x(pi * 0.5f);
  f.rotate_y(yaw);
  f.rotate_x(pitch);
  f.rotate_y(roll);
  return f.rot;
}

void update_mission_camera(mission& m, mission_screen_state& st, const screen_input& in, float t, float aspect,
                           camera* view) {
  mission_camera_state& cam = st.cam;
  cam.camera = frame::identity();
  const agent* player = m.get_live_agent(m.player_agent);
  float fov = cam.field_of_view;
  if (st.game.edit_mode != 0) {
    place_edit_camera(st, in, t);
  } else if (m.scripted_camera.mode != 0) {
    scripted_camera_at(m, cam.camera, fov);
  } else if (player && (!g_first_person_view || player->is_horse())) {
    place_player_camera(m, st, in, *player, t);
  } else if (player) {
    place_first_person_camera(m, st, *player, t);
  } else {
    cam.camera.rot = camera_rotation(cam.yaw, cam.pitch, cam.roll);
    cam.camera.origin = m.view_camera_position;
  }
  if (m.scripted_camera.mode == 0) {
    // Scripts read the camera and a later scripted camera starts from it.
    m.scripted_camera.from_frame = cam.camera;
    m.scripted_camera.from_fov = fov;
  }
  cam.view_angle = perspective_view_angle(fov, aspect) * pi / 180.0f;
  cam.aspect = aspect;
  m.view_camera_position = cam.camera.origin;
  if (view) {
    view->frame = cam.camera;
    view->set_perspective(cam.view_angle, aspect, cam.near_plane, far_plane);
  }
}

}  // namespace hm
