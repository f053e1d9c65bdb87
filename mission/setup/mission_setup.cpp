#include "mission/setup/mission_setup.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/settings/game_options.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/setup/spawning.h"
#include "module/records/mission_template.h"
#include "module/records/scene_prop.h"
#include "script/triggers.h"

namespace hm {

namespace {

constexpr float grid_entry_height = 500.0f;
constexpr float field_entry_height = 1000.0f;
constexpr int field_battle_entry_count = 5;
constexpr float outdoor_margin = 24.0f;
constexpr float settling_frame_time = 0.1f;
// Tries of the ground search: small jitters first, then random points near
// the origin, then the search gives up.
constexpr int snap_jitter_tries = 100;
constexpr int snap_give_up_tries = 10000;
// Trigger event of a scene loaded.
constexpr std::int32_t scene_loaded_event = -19;

float unit_draw(mission& m) { return static_cast<float>(m.services().random_next() % 15817) * random_fraction_scale; }

frame entry_frame_at(const vec3& origin) {
  frame f = frame::identity();
  f.origin = origin;
  return f;
}

// The frame's up axis made (0, 0, 1), its heading kept.
frame upright(const frame& in) {
  frame f = in;
  vec3 forward(in.rot.f.x, in.rot.f.y, 0.0f);
  if (forward.length() < 1e-6f) forward = vec3(0.0f, 1.0f, 0.0f);
  forward = forward * (1.0f / forward.length());
  f.rot.f = forward;
  f.rot.u = vec3(0.0f, 0.0f, 1.0f);
  f.rot.s = vec3(forward.y, -forward.x, 0.0f);
  return f;
}

void lay_out_field_battle(mission& m) {
  const bool along_x = m.services().random_next() % 2 == 0;
  const float width = m.scene_max_x - m.scene_min_x;
  const float depth = m.scene_max_y - m.scene_min_y;
  for (int k = 0; k < field_battle_entry_count; ++k) {
    const float across = 0.3f + 0.4f * unit_draw(m);
    float along = 0.2f + 0.15f * (static_cast<float>(k) + (unit_draw(m) - 0.5f) * 0.2f);
    // The two sides' entries move apart, towards their ends of the field.
    if (k != 2) along = 0.5f + (along - 0.5f) / 0.75f;
    along = std::clamp(along, 0.0f, 1.0f);
    const float sign = k < 2 ? 1.0f : -1.0f;
    frame f = frame::identity();
    if (along_x) {
      f.origin = vec3(m.scene_min_x + along * width, m.scene_min_y + across * depth, field_entry_height);
      f.rot.f = vec3(sign, 0.0f, 0.0f);
    } else {
      f.origin = vec3(m.scene_min_x + across * width, m.scene_min_y + along * depth, field_entry_height);
      f.rot.f = vec3(0.0f, sign, 0.0f);
    }
    m.entry_points[static_cast<std::size_t>(k)].own_frame = upright(f);
  }
}

}  // namespace

mission_setup_steps::~mission_setup_steps() = default;

bool mission_setup_steps::scene_info(const mission&, mission_scene_info&) { return false; }
void mission_setup_steps::clear_physics_worlds(mission&) {}
void mission_setup_steps::randomise_trigger_phases(mission& m) {
  if (mission_template* t = current_mission_template(m)) hm::randomise_trigger_phases(t->triggers);
}
void mission_setup_steps::load_scene_objects(mission&) {}
void mission_setup_steps::choose_weather_and_sky(mission&) {}
void mission_setup_steps::run_load_triggers(mission& m) {
  mission_template* t = current_mission_template(m);
  if (t == nullptr) return;
  for (trigger& tr : t->triggers.triggers) {
    tr.state = 0;
    check_trigger(tr, scene_loaded_event);
  }
}
void mission_setup_steps::prepare_terrain_code(mission&, const mission_scene_info&) {}
float mission_setup_steps::prop_radius(const mission&, int) { return 0.0f; }
void mission_setup_steps::create_scene_world(mission&, const mission_scene_info&) {}
void mission_setup_steps::build_terrain(mission&, const mission_scene_info&) {}
void mission_setup_steps::build_nav_mesh(mission&, const mission_scene_info&) {}
void mission_setup_steps::create_prop_entities(mission&, const mission_scene_info&) {}
void mission_setup_steps::add_features(mission&, const mission_scene_info&) {}
void mission_setup_steps::create_weather_effects(mission&, const mission_scene_info&) {}
void mission_setup_steps::reset_spawn_counters(mission&) {}
float mission_setup_steps::battle_size_option() const { return g_game_options.battle_size; }
int mission_setup_steps::scene_troop_count(const mission&, int) { return 0; }
bool mission_setup_steps::spawn_at_entry_point(mission&, int) { return false; }
void mission_setup_steps::finish_scene(mission&, const mission_scene_info&) {}

void lay_out_entry_points(mission& m, const mission_scene_info& info) {
  const bool field = (info.flags & scene_flag::field_battle) != 0;
  m.entry_point_count = field ? field_battle_entry_count : mission_entry_point_count;
  const vec3 centre = info.outdoor() ? vec3((m.scene_min_x + m.scene_max_x) * 0.5f,
                                            (m.scene_min_y + m.scene_max_y) * 0.5f, 0.0f)
                                     : vec3(0.0f, 0.0f, 0.0f);
  for (int i = 0; i < mission_entry_point_count; ++i) {
    entry_point& e = m.entry_points[static_cast<std::size_t>(i)];
    e = entry_point{};
    e.spawn_timer = timer(clock_mission);
    e.own_frame = entry_frame_at(centre + vec3(static_cast<float>(i % 8 + 1), static_cast<float>(i / 8 + 1),
                                               grid_entry_height));
  }
  if (field) lay_out_field_battle(m);

  for (const scene_prop_instance& p : m.scene_prop_instances) {
    if (p.kind != prop_kind_entry) continue;
    if (p.variation < 0 || p.variation >= mission_entry_point_count) {
      log_line("Entry point marker with number " + std::to_string(p.variation) + " skipped");
      continue;
    }
    m.entry_points[static_cast<std::size_t>(p.variation)].own_frame = upright(p.current_frame);
  }
  for (entry_point& e : m.entry_points) {
    e.base_frame = e.own_frame;
    e.spawn_frame = e.own_frame;
    e.row_frame = e.own_frame;
  }
}

void place_props_following_the_player(mission& m) {
  if (m.get_agent(m.player_agent) == nullptr) return;
  mission_services& s = m.services();
  const auto offset = [&s] { return static_cast<float>(s.random_next() % 2001) * 0.001f - 1.0f; };
  for (scene_prop_instance& p : m.scene_prop_instances) {
    if (p.kind != prop_kind_object || p.removed != 0 || p.id < 0 ||
        p.id >= static_cast<int>(g_scene_prop_kinds.size()) ||
        (g_scene_prop_kinds[static_cast<std::size_t>(p.id)].flags & prop_flag_follows_player) == 0) {
      continue;
    }
    frame f = p.current_frame;
    f.origin = m.player_spawn_position;
    f.origin.x += offset();
    f.origin.y += offset();
    float ground = 0.0f;
    if (s.ground_height(m, f.origin + vec3(0.0f, 0.0f, 1.0f), ground)) f.origin.z = ground;
    p.current_frame = f;
    p.place_entity();
  }
}

void snap_entry_points_to_ground(mission& m) {
  mission_services& s = m.services();
  for (entry_point& e : m.entry_points) {
    frame f = e.own_frame;
    vec3 probe = f.origin;
    float height = 0.0f;
    bool found = false;
    for (int attempt = 0; attempt < snap_give_up_tries; ++attempt) {
      if (s.ground_height(m, probe, height)) {
        found = true;
        break;
      }
      if (attempt < snap_jitter_tries) {
        probe.x += (unit_draw(m) - 0.5f) * 0.01f;
        probe.y += (unit_draw(m) - 0.5f) * 0.01f;
      } else {
        probe = vec3((unit_draw(m) - 0.5f) * 100.0f, (unit_draw(m) - 0.5f) * 100.0f, f.origin.z);
      }
    }
    // Without any ground the entry keeps its frame and height.
    if (found) f.origin = vec3(probe.x, probe.y, height);
    e.own_frame = f;
    e.spawn_frame = f;
    e.row_frame = f;
    e.spawn_timer.reset();
    e.spawn_gap = 0.0f;
    e.reset_spawn_position();
  }
}

void check_reinforcements(mission& m, mission_setup_steps& steps) {
  check_reinforcements(m, [&steps](mission& mm, int record) { return steps.spawn_at_entry_point(mm, record); });
}

void set_up_mission(mission& m, mission_setup_steps& steps) {
  // 1. A clean mission.
  m.clear();
  for (timer& t : m.mission_timers) t.reset();
  log_line("begin_setup\n");
  steps.clear_physics_worlds(m);
  m.frame_counter = 0;

  mission_scene_info info;
  if (!steps.scene_info(m, info)) log_line("Mission scene " + std::to_string(m.scene_index) + " does not exist");
  if (current_mission_template(m) == nullptr) {
    log_line("Mission template " + std::to_string(m.template_index) + " does not exist");
  }

  // 2-5. Triggers out of step, the placed objects, weather and sky.
  steps.randomise_trigger_phases(m);
  if (!info.objects_loaded) steps.load_scene_objects(m);
  steps.choose_weather_and_sky(m);

  // 6. The template's triggers see the loaded scene.
  steps.run_load_triggers(m);

  // 7-8. Terrain code and bounds: the scene record's, widened to every
  // placed prop, then kept clear of the outdoor terrain's edge.
  steps.prepare_terrain_code(m, info);
  m.scene_min_x = info.min_x;
  m.scene_min_y = info.min_y;
  m.scene_max_x = info.max_x;
  m.scene_max_y = info.max_y;
  for (int i = 0; i < m.prop_instance_count(); ++i) {
    const vec3& p = m.scene_prop_instances[static_cast<std::size_t>(i)].current_frame.origin;
    const float r = steps.prop_radius(m, i);
    m.scene_min_x = std::min(m.scene_min_x, p.x - r);
    m.scene_min_y = std::min(m.scene_min_y, p.y - r);
    m.scene_max_x = std::max(m.scene_max_x, p.x + r);
    m.scene_max_y = std::max(m.scene_max_y, p.y + r);
  }
  if (info.outdoor()) {
    m.scene_min_x += outdoor_margin;
    m.scene_min_y += outdoor_margin;
    m.scene_max_x -= outdoor_margin;
    m.scene_max_y -= outdoor_margin;
  }

  // 9-15. Entry points, the scene world, terrain, navigation, entities,
  // features and weather.
  lay_out_entry_points(m, info);
  steps.create_scene_world(m, info);
  steps.build_terrain(m, info);
  steps.build_nav_mesh(m, info);
  steps.create_prop_entities(m, info);
  m.update_editor_marker_visibility();
  steps.add_features(m, info);
  // Indoors it never rains or snows.
  if ((info.flags & scene_flag::indoor) != 0) m.weather.precipitation = 0;
  steps.create_weather_effects(m, info);

  // 16. Spawn state and the first wave.
  for (auto& team_census : m.census) team_census.fill(0);
  m.census_change_time = static_cast<float>(clock_ticks(clock_mission)) * 1e-5f;
  snap_entry_points_to_ground(m);
  steps.reset_spawn_counters(m);
  m.blocked_spawn_records.fill(0);
  if (mission_template* t = current_mission_template(m)) {
    for (spawn_record& r : t->spawn_records) {
      r.pending = 0;
      r.spawned = 0;
    }
    const float battle_size = steps.battle_size_option();
    for (int i = 0; i < t->spawn_record_count(); ++i) {
      count_spawn_group_agents(m, i, static_cast<std::uint32_t>(t->spawn_records[static_cast<std::size_t>(i)].troop_count),
                               battle_size, steps.scene_troop_count(m, i));
    }
  }
  check_reinforcements(m, steps);

  // 17. Two settling frames, so the mission starts with its agents settled.
  m.frame(settling_frame_time, true);
  m.frame(settling_frame_time, true);

  // 18-19.
  place_props_following_the_player(m);
  steps.finish_scene(m, info);
  log_line("end_setup\n");
}

}  // namespace hm
