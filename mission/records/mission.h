#pragma once
// The mission: the one battle or scene that runs, with its scene world, its
// agents, missiles, teams, entry points and scene-prop instances. There is one
// for the whole run; set-up fills it for a template and a scene, clear empties
// it, and frame steps it once per frame of the mission screen.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/timer.h"
#include "mission/records/agent_pool.h"
#include "mission/records/entry_point.h"
#include "mission/records/missile.h"
#include "mission/records/scene_prop_instance.h"
#include "mission/records/team.h"
#include "mission/records/view_effects_state.h"
#include "script/mission_camera.h"

namespace hm {

class entity;
class scene_world;
class mission_services;
struct ai_mesh;
struct height_field;

inline constexpr int census_state_count = 6;
inline constexpr int side_list_capacity = 128;
inline constexpr int max_spawn_records = 64;
// Stuck missiles kept in the scene before they are thinned out, one a frame.
inline constexpr int stuck_missile_limit = 768;
// Seconds between two passes of the team statistics.
inline constexpr std::int64_t team_statistics_period_ticks = 110000;

// mission::flags
inline constexpr std::uint32_t mission_flag_player_draws_weapons = 0x1;

// The parties fighting on one side of a battle.
struct mission_side_list {
  std::int32_t count = 0;
  std::array<std::int32_t, side_list_capacity> parties{};
};

struct mission_weather {
  float time_of_day = 0.0f;  // hours
  float cloud_amount = 0.0f;
  float temperature = 0.0f;
  float humidity = 0.0f;
  float height = 0.0f;
  // 0 none, 1 rain, 2 snow.
  std::int32_t precipitation = 0;
  float precipitation_strength = 0.0f;
  float fog_distance = 0.0f;
  float fog_density = 0.0f;
  std::int32_t sky = 0;
};

// The time-speed ramp: the speed goes from start to target over the
// duration on its timer.
struct mission_time_speed {
  float current = 1.0f;
  float target = 1.0f;
  float start = 1.0f;
  float duration = 0.0f;
  timer ramp_timer{clock_real_time};
};

// The camera that scripts move from one frame to another (its fields and how
// the mission screen reads them: script/mission_camera.h).
using mission_scripted_camera = script_camera;

class mission {
 public:
  mission();
  ~mission();
  mission(const mission&) = delete;
  mission& operator=(const mission&) = delete;

  // --- agents ---
  // The record of an agent index (index >> 4 the chunk, index & 15 the slot);
  // null for an index outside the pool.
  agent* get_agent(int index) { return agents.get(index); }
  const agent* get_agent(int index) const { return agents.get(index); }
  // As get_agent, and null for a slot not in use.
  agent* get_live_agent(int index) { return agents.get_live(index); }
  const agent* get_live_agent(int index) const { return agents.get_live(index); }
  int first_live_agent() const { return agents.first_live(); }
  int next_live_agent(int index) const { return agents.next_live(index); }
  agent& allocate_agent() { return agents.allocate(); }

  // --- missiles ---
  int first_live_missile() const { return missiles.first_live(); }
  // Advances `slot` to the next slot in use (the pool's count when none).
  void next_live_missile(int& slot) const { slot = missiles.next_live(slot); }

  // --- teams ---
  // The team record of a team word (7 for any value outside 0..7).
  team& team_of(int team_word) { return teams[static_cast<std::size_t>(agent_team_index(team_word))]; }
  const team& team_of(int team_word) const { return teams[static_cast<std::size_t>(agent_team_index(team_word))]; }
  // The relation of team a towards team b (each 7 outside 0..7).
  int team_relation(int team_a, int team_b) const;
  // Sets both directions of a relation (values other than -1, 0, 1 are
  // clamped into that range).
  void set_team_relation(int team_a, int team_b, int relation);
  bool teams_are_enemies(int team_a, int team_b) const { return team_relation(team_a, team_b) < 0; }
  bool teams_are_allies(int team_a, int team_b) const { return team_relation(team_a, team_b) > 0; }

  // --- scene-prop instances ---
  int prop_instance_count() const { return static_cast<int>(scene_prop_instances.size()); }
  // Null for an index outside the vector.
  scene_prop_instance* get_scene_prop_instance(int index);

  // Places instance `index`'s entity at its current frame and scale (edit
  // mode); an index outside the vector is ignored.
  void refresh_prop_instance(int index);
  // Appends an instance of `kind` with its id and variation at `placed` and
  // returns its index. An entry point takes the lowest entry number no other
  // entry point uses, while that is below 64.
  int add_scene_prop_instance(int kind, int id, int variation, const hm::frame& placed);
  // A spawned-item instance (kind 6, id -1) at a script position; returns
  // its index.
  int spawn_prop_at_position(const hm::frame& position);
  // Sets an instance's hit points from its scene-prop kind: the kind's value,
  // or 100 when that is not above 0.
  void init_prop_hit_points(int index);
  // A struck instance: a destructible prop above 0 hit points loses `damage`;
  // the kind's triggers then run for the hit (-42) and, once the hit brings
  // it to 0 or below, for its destruction (-43). A destructible prop already
  // at 0 takes no damage and runs no trigger. Returns false (with a log line)
  // for an index outside the vector; true otherwise.
  bool damage_prop_instance(int index, float damage);
  // Shows editor-only markers (the editor entity, entry points, passages and
  // props flagged editor-only) while edit mode is on, and hides them
  // otherwise; nothing unless the engine allows edit mode.
  void update_editor_marker_visibility();

  // --- teams ---
  // The per-frame follow points and, every 1.1 s of mission time, the group
  // sizes, slots, merged sizes, leaders, centres, offsets, facings and
  // attacker counts.
  void update_team_statistics();
  // Humans per team and state, and the time of the last change.
  void update_team_census();

  // Whether the current template's flags have bit 1 (false without a valid
  // template).
  bool template_has_flag_bit1() const;

  // --- the mission's life ---
  // Empties the mission: the scene (and the stuck-missile list, whose entities
  // belong to it), the instances and prop entities, every agent slot, the
  // missile pool, the corpse list; the player agent and horse become -1, the
  // player's spawn position (10, 10, 10), the river none and the weather 0.
  void clear();
  // One frame of the mission; see mission_frame.cpp for the order of steps.
  void frame(float frame_time, bool check_reinforcements_now);

  // The services the frame's steps call; never null (a default set that
  // runs the engine's own routines where they exist).
  mission_services& services() { return *services_; }
  // Replaces the services (tests record the steps; later subsystems fill
  // them in). Null restores the defaults.
  void set_services(mission_services* s);

  // --- fields ---
  std::unique_ptr<scene_world> scene;
  // The scene's navigation mesh and ground height grid (null when it has
  // none), and the running stamp of navigation searches.
  hm::ai_mesh* nav_mesh = nullptr;
  const hm::height_field* ground_grid = nullptr;
  std::int32_t nav_search_stamp = 0;
  agent_pool agents;
  missile_pool missiles;
  std::int32_t player_agent = -1;
  std::int32_t player_horse = -1;
  std::array<entry_point, mission_entry_point_count> entry_points{};
  std::array<team, team_count> teams{};
  // 64, or 5 for a field battle laid out at random.
  std::int32_t entry_point_count = mission_entry_point_count;
  std::array<timer, 4> mission_timers{timer(clock_mission), timer(clock_mission), timer(clock_mission),
                                      timer(clock_mission)};
  // The clock and tick at which the team statistics are next due.
  std::int32_t statistics_clock = clock_mission;
  std::int64_t statistics_due_tick = 0;
  std::int32_t template_index = -1;
  std::int32_t scene_index = -1;
  std::int32_t player_entry_point = 0;
  // Scene entities of missiles that came to rest and still show.
  std::vector<hm::entity*> stuck_missiles;
  // Side 0 and side 1; list side_value is the enemy list.
  std::array<mission_side_list, 2> side_lists{};
  // 0, 1 or 2.
  std::int32_t battle_mode = 0;
  std::int32_t side_value = 0;
  // Humans per team and state, and the mission time (seconds) of its last
  // change.
  std::array<std::array<std::int32_t, census_state_count>, team_count> census{};
  float census_change_time = 0.0f;
  // Scales the spawn counts.
  std::int32_t strength = 0;
  std::uint32_t flags = 0;
  float scene_min_x = 0.0f;
  float scene_min_y = 0.0f;
  float scene_max_x = 0.0f;
  float scene_max_y = 0.0f;
  float water_level = 0.0f;
  float lowest_level = 0.0f;
  // 0 after set-up; one more at the end of each frame.
  std::uint32_t frame_counter = 0;
  // The frame time of the frame that runs (read by the agents' routines).
  float frame_time = 0.0f;
  mission_weather weather;
  vec3 player_spawn_position{10.0f, 10.0f, 10.0f};
  hm::entity* river_entity = nullptr;
  float river_phase = 0.0f;
  hm::entity* sun_entity = nullptr;
  view_effects_state view_effects;
  hm::entity* precipitation_entity = nullptr;
  hm::entity* cursor_entity = nullptr;
  std::vector<scene_prop_instance> scene_prop_instances;
  // Entities of the instances, in the order they were made.
  std::vector<hm::entity*> prop_entities;
  // Shows in edit mode only.
  hm::entity* editor_entity = nullptr;
  std::uint8_t announce_new_enemies = 0;
  std::uint8_t announce_reinforcements = 0;
  // A set byte keeps its spawn record from bringing reinforcements.
  std::array<std::uint8_t, max_spawn_records> blocked_spawn_records{};
  // Riders the player threw from the saddle.
  std::int32_t riders_thrown_by_player = 0;
  // Bodies in the order they came to rest.
  std::vector<std::int32_t> corpses;
  // The mission's copy of the meta mission's sequence number.
  std::int32_t mission_sequence = 0;
  // The template and values of a mission requested from a menu.
  std::int32_t jump_template = -1;
  std::int32_t jump_value_1 = 0;
  std::int32_t jump_value_2 = 0;
  std::int32_t scene_param = 0;
  std::int32_t advantage = 0;
  std::int32_t player_side = 0;
  std::int32_t player_party = -1;
  std::int32_t template_flags = 0;
  // The mission's mode and sub-mode words that scripts set.
  std::int32_t mode = 0;
  std::int32_t sub_mode = 0;
  // The mission screen's requests and the outcome. The end is the countdown
  // scripts start: once its timer has run out the screen leaves the mission.
  std::uint8_t frame_begun = 0;
  std::uint8_t end_requested = 0;
  timer end_timer{clock_mission};
  std::int32_t conversation_request = -1;
  std::int32_t battle_result = 0;
  // The player's three order toggles.
  std::array<std::int32_t, 3> order_toggles{};
  mission_time_speed time_speed;
  mission_scripted_camera scripted_camera;
  // Three timers scripts read.
  std::array<timer, 3> script_timers{timer(clock_mission), timer(clock_mission), timer(clock_mission)};
  // How far agents see, and where the current view's camera stands.
  float visibility_distance = 0.0f;
  vec3 view_camera_position;
  std::uint8_t no_fighting = 0;
  // Bit 0: the quiet bit of the AI.
  std::uint32_t ai_flags = 0;
  // 1 slows movement and some ranged damage.
  std::int32_t ground_condition = 0;
  // The value module scripts set for the mission's statistics.
  std::int32_t script_value = 0;
  // The ground area: a destination a script gives inside it may take the
  // ground's height.
  float ground_min_x = 0.0f;
  float ground_min_y = 0.0f;
  float ground_max_x = 0.0f;
  float ground_max_y = 0.0f;
  // Values scripts set for the battle (the second a fraction) and the state
  // word they imply, and two further values (the sixth an agent, -1 none).
  std::int32_t script_battle_word = 0;
  float script_battle_fraction = 0.0f;
  std::int32_t script_battle_state = 0;
  std::int32_t script_value_5 = 0;
  std::int32_t script_value_6 = -1;
  // The object of the scene-prop or agent event whose triggers run, -1 none.
  std::int32_t event_prop_instance = -1;
  std::int32_t event_agent = -1;
  // The equipment slot of the event agent's item whose triggers run, -1 none.
  std::int32_t event_item_slot = -1;

 private:
  std::unique_ptr<mission_services> default_services_;
  mission_services* services_ = nullptr;
};

}  // namespace hm
