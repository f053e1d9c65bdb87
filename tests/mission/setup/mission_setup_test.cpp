#include "mission/setup/mission_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/core/timer.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "module/records/mission_template.h"
#include "module/records/scene_prop.h"

namespace hm {
namespace {

// Ground at a set height (or none), and the frames the mission runs.
class ground_services : public mission_services {
 public:
  bool ground_height(mission&, const vec3&, float& out) override {
    out = ground;
    return has_ground;
  }
  bool segment_is_clear(mission&, const vec3&, const vec3&) override { return true; }
  void check_reinforcements(mission& m) override {
    log->push_back("frame " + std::to_string(m.frame_counter));
  }
  void refresh_shadow_passes(mission&) override {}
  void update_scene_entities(mission&, float) override {}

  float ground = 0.0f;
  bool has_ground = true;
  std::vector<std::string>* log = nullptr;
};

class recording_steps : public mission_setup_steps {
 public:
  bool scene_info(const mission&, mission_scene_info& out) override {
    out = info;
    return true;
  }
  void clear_physics_worlds(mission&) override { log.push_back("physics"); }
  void load_scene_objects(mission& m) override {
    log.push_back("objects");
    for (const scene_prop_instance& p : props) m.scene_prop_instances.push_back(p);
  }
  void choose_weather_and_sky(mission& m) override {
    log.push_back("weather");
    m.weather.precipitation = 1;
  }
  void create_scene_world(mission&, const mission_scene_info&) override { log.push_back("world"); }
  void build_terrain(mission&, const mission_scene_info&) override { log.push_back("terrain"); }
  void build_nav_mesh(mission&, const mission_scene_info&) override { log.push_back("nav"); }
  void create_prop_entities(mission&, const mission_scene_info&) override { log.push_back("entities"); }
  void add_features(mission&, const mission_scene_info&) override { log.push_back("features"); }
  void create_weather_effects(mission& m, const mission_scene_info&) override {
    log.push_back("effects " + std::to_string(m.weather.precipitation));
  }
  void reset_spawn_counters(mission&) override { log.push_back("counters"); }
  float battle_size_option() const override { return 0.0f; }
  bool spawn_at_entry_point(mission& m, int record) override {
    log.push_back("spawn " + std::to_string(record) + " z " +
                  std::to_string(static_cast<int>(m.entry_points[0].spawn_frame.origin.z)));
    return true;
  }
  void finish_scene(mission&, const mission_scene_info&) override { log.push_back("finish"); }

  mission_scene_info info;
  std::vector<scene_prop_instance> props;
  std::vector<std::string> log;
};

class MissionSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    saved_templates = g_mission_templates;
    g_mission_templates.assign(1, mission_template{});
    m.template_index = 0;
    m.scene_index = 0;
    services.log = &steps.log;
    m.set_services(&services);
  }
  void TearDown() override {
    m.set_services(nullptr);
    g_mission_templates = saved_templates;
    reset_clocks();
  }

  std::vector<mission_template> saved_templates;
  ground_services services;
  recording_steps steps;
  mission m;
};

TEST_F(MissionSetup, RunsItsStepsInOrderAndSettlesTwice) {
  spawn_record a;
  a.spawn_flags = 0x2000000;
  a.troop_count = 2;
  spawn_record b = a;
  b.troop_count = 1;
  b.entry_point = 1;
  g_mission_templates[0].spawn_records = {a, b};
  services.ground = 7.0f;
  steps.info.flags = 0x2;  // neither indoor nor generated
  set_up_mission(m, steps);
  const std::vector<std::string> expected = {
      "physics", "objects",  "weather",   "world",        "terrain",      "nav",     "entities",
      "features", "effects 1", "counters", "spawn 0 z 7", "spawn 1 z 7", "spawn 0 z 7", "frame 0",
      "frame 1", "finish"};
  EXPECT_EQ(steps.log, expected);
  EXPECT_EQ(m.frame_counter, 2u);
  EXPECT_EQ(clock_ticks(clock_mission), 20000);  // two frames of 0.1 s
  EXPECT_EQ(g_mission_templates[0].spawn_records[0].spawned, 2);
  EXPECT_EQ(g_mission_templates[0].spawn_records[1].spawned, 1);
}

TEST_F(MissionSetup, IndoorSceneNeverPrecipitates) {
  steps.info.flags = scene_flag::indoor;
  set_up_mission(m, steps);
  EXPECT_NE(std::find(steps.log.begin(), steps.log.end(), "effects 0"), steps.log.end());
}

TEST_F(MissionSetup, EntryPointsFormAGridOneUnitApart) {
  services.has_ground = false;  // heights stay at 500
  set_up_mission(m, steps);
  EXPECT_EQ(m.entry_point_count, 64);
  struct row {
    int entry;
    float x, y;
  };
  const row rows[] = {{0, 1, 1}, {7, 8, 1}, {8, 1, 2}, {9, 2, 2}, {63, 8, 8}};
  for (const row& r : rows) {
    const vec3& o = m.entry_points[static_cast<std::size_t>(r.entry)].spawn_frame.origin;
    EXPECT_FLOAT_EQ(o.x, r.x) << r.entry;
    EXPECT_FLOAT_EQ(o.y, r.y) << r.entry;
    EXPECT_FLOAT_EQ(o.z, 500.0f) << r.entry;
  }
}

TEST_F(MissionSetup, OutdoorGridStandsAtTheCentreOfTheShrunkBounds) {
  steps.info.flags = scene_flag::outdoor_terrain;
  steps.info.max_x = 100.0f;
  steps.info.max_y = 200.0f;
  services.ground = 4.0f;
  set_up_mission(m, steps);
  EXPECT_FLOAT_EQ(m.scene_min_x, 24.0f);
  EXPECT_FLOAT_EQ(m.scene_max_y, 176.0f);
  const vec3& o = m.entry_points[9].spawn_frame.origin;
  EXPECT_FLOAT_EQ(o.x, 52.0f);
  EXPECT_FLOAT_EQ(o.y, 102.0f);
  EXPECT_FLOAT_EQ(o.z, 4.0f);
}

TEST_F(MissionSetup, MarkersOverrideTheirEntryAndBadNumbersAreSkipped) {
  scene_prop_instance marker;
  marker.kind = prop_kind_entry;
  marker.variation = 3;
  marker.current_frame.origin = vec3(40.0f, -20.0f, 9.0f);
  // Tilted: the spawn frame must stand upright with the same heading.
  marker.current_frame.rot.f = vec3(0.0f, 0.8f, 0.6f);
  scene_prop_instance stray = marker;
  stray.variation = 64;
  stray.current_frame.origin = vec3(-500.0f, 0.0f, 0.0f);
  steps.props = {marker, stray};
  services.ground = 1.0f;
  set_up_mission(m, steps);
  const frame& f = m.entry_points[3].spawn_frame;
  EXPECT_FLOAT_EQ(f.origin.x, 40.0f);
  EXPECT_FLOAT_EQ(f.origin.y, -20.0f);
  EXPECT_FLOAT_EQ(f.origin.z, 1.0f);
  EXPECT_NEAR(f.rot.f.y, 1.0f, 1e-6f);
  EXPECT_NEAR(f.rot.u.z, 1.0f, 1e-6f);
  // The scene bounds reach the stray marker; no entry took it.
  EXPECT_FLOAT_EQ(m.scene_min_x, -500.0f);
  for (const entry_point& e : m.entry_points) EXPECT_NE(e.spawn_frame.origin.x, -500.0f);
}

TEST_F(MissionSetup, FieldBattleUsesFiveEntryPointsInsideTheBounds) {
  steps.info.flags = scene_flag::field_battle;
  steps.info.max_x = 300.0f;
  steps.info.max_y = 300.0f;
  set_up_mission(m, steps);
  EXPECT_EQ(m.entry_point_count, 5);
  for (int k = 0; k < 5; ++k) {
    const vec3& o = m.entry_points[static_cast<std::size_t>(k)].spawn_frame.origin;
    EXPECT_GE(o.x, 0.0f);
    EXPECT_LE(o.x, 300.0f);
    EXPECT_GE(o.y, 0.0f);
    EXPECT_LE(o.y, 300.0f);
  }
  // The two sides face each other.
  const frame& first = m.entry_points[0].spawn_frame;
  const frame& last = m.entry_points[4].spawn_frame;
  EXPECT_NEAR(dot_product(first.rot.f, last.rot.f), -1.0f, 1e-5f);
}

// Props of a kind that follows the player stand around where he came in, on
// the ground there; other props, and every prop of a mission without a
// player, keep their places.
TEST_F(MissionSetup, PropsFollowingThePlayerStandAtHisSpawnOnTheGround) {
  const std::vector<scene_prop> saved_kinds = g_scene_prop_kinds;
  g_scene_prop_kinds.assign(2, scene_prop{});
  g_scene_prop_kinds[0].flags = prop_flag_follows_player;
  for (int kind : {0, 1}) {
    scene_prop_instance p;
    p.id = kind;
    p.current_frame.origin = vec3(50.0f, 50.0f, 3.0f);
    m.scene_prop_instances.push_back(p);
  }
  services.ground = 7.5f;
  m.player_spawn_position = vec3(10.0f, 20.0f, 5.0f);

  place_props_following_the_player(m);
  EXPECT_EQ(m.scene_prop_instances[0].current_frame.origin.x, 50.0f);

  agent& player = m.allocate_agent();
  player.state = agent_state_alive;
  m.player_agent = player.index;
  place_props_following_the_player(m);
  const vec3 follower = m.scene_prop_instances[0].current_frame.origin;
  EXPECT_NEAR(follower.x, 10.0f, 1.0f);
  EXPECT_NEAR(follower.y, 20.0f, 1.0f);
  EXPECT_FLOAT_EQ(follower.z, 7.5f);
  const vec3 other = m.scene_prop_instances[1].current_frame.origin;
  EXPECT_EQ(other.x, 50.0f);
  EXPECT_EQ(other.z, 3.0f);
  g_scene_prop_kinds = saved_kinds;
}

}  // namespace
}  // namespace hm
