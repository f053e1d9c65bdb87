#include "mission/screen/view_effects.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/audio/sound_manager.h"
#include "engine/core/timer.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/scene/scene_queries.h"
#include "module/data/data_files.h"
#include "module/loading/game.h"
#include "render/entity/entity.h"
#include "render/entity/strategic_entity.h"
#include "render/scene/light.h"
#include "render/scene/scene_lighting.h"
#include "render/scene/scene_world.h"
#include "render/shadow/render_pass_state.h"
#include "render/shadow/sun_visibility.h"

namespace hm {

namespace {

constexpr float sun_distance = 500.0f;
constexpr float listener_step_forward = 0.4f;
constexpr float screen_test_rate = 10.0f;
constexpr float sweep_rate = 3.5f;

std::uint32_t pack_channel(float v) {
  return static_cast<std::uint32_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
}

// Where the sunlight comes from, reversed: the scene's sun for the hour of
// the module's sky, else the scene's first directional light.
bool towards_sun(const mission& m, vec3& out) {
  if (g_game && m.weather.sky >= 0 && static_cast<std::size_t>(m.weather.sky) < g_skyboxes.size()) {
    const skybox& sky = g_skyboxes[static_cast<std::size_t>(m.weather.sky)];
    skybox_lighting lighting;
    lighting.flags = sky.flags;
    lighting.latitude = sky.latitude;
    const int hour = time_of_day_hour(clock_ticks(clock_campaign), g_game->start_time_stamp);
    out = -get_sun_direction(lighting, hour);
    return out.normalize() > 0.0f;
  }
  for (const auto& l : m.scene->lights) {
    if (!l || l->type != light_type_directional || (l->flags & light_flag_fill) != 0) continue;
    out = -l->direction;
    return out.normalize() > 0.0f;
  }
  return false;
}

// The sound heard from just in front of the eye, facing where it looks.
void place_listener(const frame& eye) {
  frame listener = frame::identity();
  const vec3 forward = -eye.rot.u;
  listener.origin = eye.origin + forward * listener_step_forward;
  listener.rot.s = eye.rot.s;
  listener.rot.f = forward;
  listener.rot.u = eye.rot.f;
  g_sound_manager.set_listener(listener);
}

void place_sky(entity& sky, const frame& eye) {
  frame f = frame::identity();
  f.origin = eye.origin;
  const vec3 up(0.0f, 0.0f, 1.0f);
  vec3 forward = eye.rot.u;
  vec3 side = cross_product(forward, up);
  if (side.normalize() <= 0.0f) side = vec3(1.0f, 0.0f, 0.0f);
  forward = cross_product(up, side);
  f.rot.s = side;
  f.rot.f = forward;
  f.rot.u = up;
  sky.set_frame(f);
}

// The flare's entity, made once the scene has a sun to flare and the
// resources have the flare's mesh.
entity* flare_entity(mission& m) {
  view_effects_state& v = m.view_effects;
  if (v.flare_entity) return v.flare_entity;
  if (!g_resource_manager.find_mesh<const mesh>(ruv_string("sample_flare"))) return nullptr;
  entity* e = m.scene->create_entity(strategic_entity_type);
  v.flare_entity = e;
  if (!m.sun_entity) m.sun_entity = e;
  return e;
}

void update_flare(mission& m, const frame& eye, const vec3& sun, float t, bool pixel_shaders) {
  entity* flare = flare_entity(m);
  if (!flare) return;
  view_effects_state& v = m.view_effects;
  frame placed = frame::identity();
  placed.origin = eye.origin + sun * sun_distance;
  placed.rot.f = sun;
  placed.rot.u = vec3(0.0f, 0.0f, 1.0f);
  placed.orthonormalize();
  flare->set_frame(placed);

  g_render_pass_state.set_depth_probe(placed.origin);
  float fraction = 1.0f;
  const bool screen_tested = pixel_shaders && test_sun_visibility(g_render_pass_state, placed.origin, fraction);
  bool blocked = false;
  if (!screen_tested) {
    const body_part* blocker = nullptr;
    blocked = sweep_capsule_against_scene(*m.scene, m.ground_grid, eye.origin, placed.origin, sun_distance, &blocker) == 0;
  }
  v.flare_intensity =
      next_flare_intensity(v.flare_intensity, screen_tested, fraction, is_daylight(m.weather.time_of_day), blocked, t);

  const mesh* source = g_resource_manager.find_mesh<const mesh>(ruv_string("sample_flare"));
  if (!source) return;
  auto drawn = source->create_copy();
  drawn->set_material(g_resource_manager.get_material(ruv_string("flare")));
  const float strength = v.ground_spec >= 0 && v.ground_spec < static_cast<int>(g_ground_specs.size())
                             ? g_ground_specs[static_cast<std::size_t>(v.ground_spec)].scale
                             : 1.0f;
  const float a = flare_alignment(sun, -eye.rot.u);
  const float bright = flare_brightness(v.flare_fade_distance, strength, v.flare_intensity, a);
  drawn->color = 0xFF000000u | (pack_channel(1.1f * bright) << 16) | (pack_channel(bright) << 8) |
                 pack_channel(0.8f * bright);
  const float size = (a * a * 5.0f + 2.0f) * strength * 50.0f;
  drawn->scale(size, size, size);
  flare->meshes.clear();
  flare->add_mesh(std::move(drawn));
}

}  // namespace

float agent_detail_base(const view_effects_inputs& in, float zoom) {
  if (in.full_detail_keys) return 1000.0f;
  return (in.screen_width + in.screen_height) * 0.5f / 1150.0f * (0.75f + 0.5f * in.detail_option) * zoom;
}

float agent_level_of_detail(float base, float d) { return base / std::max(d, 1.0f); }

float agent_visibility_weight(float base, float d, bool players_own) {
  if (players_own) return 1.0f;
  return base / std::max(d, 1.0f) * 3.5f / std::max(d, 3.5f);
}

float flare_alignment(const vec3& towards_sun, const vec3& view_direction) {
  const float a = std::clamp((dot_product(towards_sun, view_direction) - 0.3f) * (1.0f / 0.7f), 0.0f, 1.0f);
  return a * a;
}

float next_flare_intensity(float intensity, bool screen_tested, float visible_fraction, bool daylight,
                           bool sun_blocked, float t) {
  float next = intensity;
  if (screen_tested) {
    // A sun hidden behind a wall gives no flare, by day or not.
    const float target = daylight ? 2.0f * std::clamp(visible_fraction, 0.0f, 1.0f) : 0.0f;
    const float step = screen_test_rate * t;
    next += std::clamp(target - intensity, -step, step);
  } else {
    next += sun_blocked ? -sweep_rate * t : sweep_rate * t;
  }
  return std::clamp(next, 0.0f, 1.0f);
}

float flare_brightness(float fade_distance, float strength, float intensity, float alignment) {
  const float fade = fade_distance > 0.0f ? std::clamp(1.0f - 150.0f / fade_distance, 0.0f, 1.0f) : 0.0f;
  return fade * strength * intensity * alignment;
}

bool is_daylight(float hours) { return hours >= 4.0f && hours < 20.0f; }

void update_agent_detail(mission& m, const vec3& origin, float zoom, const view_effects_inputs& in) {
  const float base = agent_detail_base(in, zoom);
  for_each_live_agent(m.agents, [&](agent& a) {
    skeleton_entity* e = a.agent_entity;
    if (!e) return;
    const float d = (e->frame.origin - origin).length();
    e->set_lod_factor(agent_level_of_detail(base, d));
    const bool players_own = a.index == m.player_agent || (m.player_agent >= 0 && a.rider == m.player_agent);
    const float weight = agent_visibility_weight(base, d, players_own);
    if (auto* s = dynamic_cast<strategic_entity*>(static_cast<entity*>(e))) s->set_visibility(weight);
  });
}

void update_lens_flare(mission& m, const frame& camera_frame, float zoom, const view_effects_inputs& in) {
  m.view_effects.camera_frame = camera_frame;
  update_agent_detail(m, camera_frame.origin, zoom, in);
  m.view_camera_position = camera_frame.origin;
  place_listener(camera_frame);
  if (!m.scene) return;
  if (m.scene->sky_entity) place_sky(*m.scene->sky_entity, camera_frame);
  vec3 sun;
  if (towards_sun(m, sun)) update_flare(m, camera_frame, sun, in.application_frame_time, in.pixel_shaders);
}

}  // namespace hm
