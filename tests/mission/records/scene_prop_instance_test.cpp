#include "mission/records/scene_prop_instance.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/timer.h"
#include "engine/settings/ruv_config.h"
#include "mission/records/mission.h"
#include "mission/support/recording_services.h"
#include "module/records/scene_prop.h"
#include "render/entity/entity.h"

namespace hm {
namespace {

// Counts the placements a prop instance hands its entity.
class placement_counter : public entity {
 public:
  void move_to_with_scale(const hm::frame& f, const vec3& s) override {
    ++placements;
    last = f;
    last_scale = s;
  }
  int placements = 0;
  hm::frame last = hm::frame::identity();
  vec3 last_scale;
};

hm::frame at(float x, float y, float z) {
  hm::frame f = hm::frame::identity();
  f.origin = vec3(x, y, z);
  return f;
}

void expect_rotation(const hm::frame& f) {
  EXPECT_NEAR(f.rot.s.length(), 1.0f, 1e-5f);
  EXPECT_NEAR(f.rot.f.length(), 1.0f, 1e-5f);
  EXPECT_NEAR(f.rot.u.length(), 1.0f, 1e-5f);
  EXPECT_NEAR(dot_product(f.rot.s, f.rot.f), 0.0f, 1e-5f);
  EXPECT_NEAR(dot_product(f.rot.f, f.rot.u), 0.0f, 1e-5f);
  EXPECT_NEAR(dot_product(f.rot.s, f.rot.u), 0.0f, 1e-5f);
}

class PropMove : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    prop.entity = &counter;
    prop.current_frame = at(0.0f, 0.0f, 0.0f);
    prop.scale = vec3(2.0f, 2.0f, 2.0f);
  }
  void TearDown() override { reset_clocks(); }
  void step(float seconds) {
    advance_clock(clock_mission, seconds);
    prop.update_animation(seconds);
  }

  placement_counter counter;
  scene_prop_instance prop;
};

TEST_F(PropMove, StartMiddleEndAndSnap) {
  prop.start_move(at(10.0f, -4.0f, 2.0f), 2.0f);
  EXPECT_EQ(prop.move_state, 0);
  step(0.0f);  // the frame it begins: at its start
  EXPECT_EQ(prop.current_frame.origin.x, 0.0f);
  step(1.0f);
  EXPECT_FLOAT_EQ(prop.current_frame.origin.x, 5.0f);
  EXPECT_FLOAT_EQ(prop.current_frame.origin.y, -2.0f);
  EXPECT_FLOAT_EQ(prop.current_frame.origin.z, 1.0f);
  EXPECT_EQ(counter.last.origin.x, prop.current_frame.origin.x);
  EXPECT_EQ(counter.last_scale.x, 2.0f);
  step(1.0f);  // exactly 2 s: still moving, at the target
  EXPECT_EQ(prop.move_state, 0);
  EXPECT_FLOAT_EQ(prop.current_frame.origin.x, 10.0f);
  step(0.01f);  // the first frame after 2 s ends the move
  EXPECT_EQ(prop.move_state, prop_move_idle);
  EXPECT_EQ(prop.current_frame.origin.x, 10.0f);
  EXPECT_EQ(prop.current_frame.origin.y, -4.0f);
  const int placed = counter.placements;
  step(1.0f);  // idle: nothing moves
  EXPECT_EQ(counter.placements, placed);
}

TEST_F(PropMove, APausedClockDoesNotPlaceTheEntityAgain) {
  prop.start_move(at(10.0f, 0.0f, 0.0f), 2.0f);
  step(0.5f);
  const int placed = counter.placements;
  EXPECT_GT(placed, 0);
  step(0.0f);
  step(0.0f);
  EXPECT_EQ(counter.placements, placed);
  step(0.5f);
  EXPECT_EQ(counter.placements, placed + 1);
}

TEST_F(PropMove, ARotatingMoveStaysARotation) {
  hm::frame target = at(0.0f, 0.0f, 0.0f);
  target.rotate_z(3.0f);
  prop.start_move(target, 1.0f);
  for (int i = 0; i < 9; ++i) {
    step(0.1f);
    expect_rotation(prop.current_frame);
    expect_rotation(counter.last);
  }
}

TEST_F(PropMove, ADurationOfZeroOrLessSnapsAtOnce) {
  for (float duration : {0.0f, -1.0f}) {
    prop.current_frame = at(0.0f, 0.0f, 0.0f);
    prop.start_move(at(3.0f, 0.0f, 0.0f), duration);
    prop.update_animation(0.0f);  // no time has passed
    EXPECT_EQ(prop.move_state, prop_move_idle) << duration;
    EXPECT_EQ(prop.current_frame.origin.x, 3.0f) << duration;
    EXPECT_FALSE(std::isnan(prop.current_frame.rot.f.x)) << duration;
    EXPECT_FALSE(std::isnan(prop.last_progress)) << duration;
  }
}

TEST_F(PropMove, AnInstanceWithoutEntityMovesAlone) {
  prop.entity = nullptr;
  prop.start_move(at(4.0f, 0.0f, 0.0f), 1.0f);
  step(0.5f);
  EXPECT_FLOAT_EQ(prop.current_frame.origin.x, 2.0f);
}

// A mission with two scene-prop kinds: 0 destructible with 10 hit points,
// 1 a plain prop flagged editor-only.
class MissionProps : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    saved_kinds.swap(g_scene_prop_kinds);
    g_scene_prop_kinds.resize(3);
    g_scene_prop_kinds[0].flags = prop_flag_destructible;
    g_scene_prop_kinds[0].hit_points = 10;
    g_scene_prop_kinds[1].flags = prop_flag_editor_only;
    g_scene_prop_kinds[1].hit_points = 0;
    g_scene_prop_kinds[2].flags = prop_flag_destructible;
    g_scene_prop_kinds[2].hit_points = -5;
    m.set_services(&services);
  }
  void TearDown() override {
    saved_kinds.swap(g_scene_prop_kinds);
    reset_clocks();
  }

  std::vector<scene_prop> saved_kinds;
  recording_services services;
  mission m;
};

TEST_F(MissionProps, HitPointsComeFromTheKindOrAreOneHundred) {
  const int a = m.add_scene_prop_instance(prop_kind_object, 0, 0, at(0, 0, 0));
  const int b = m.add_scene_prop_instance(prop_kind_object, 1, 0, at(0, 0, 0));
  const int c = m.add_scene_prop_instance(prop_kind_object, 2, 0, at(0, 0, 0));
  const int d = m.add_scene_prop_instance(prop_kind_object, 7, 0, at(0, 0, 0));  // no such kind
  EXPECT_EQ(m.get_scene_prop_instance(a)->hit_points, 10.0f);
  EXPECT_EQ(m.get_scene_prop_instance(b)->hit_points, 100.0f);
  EXPECT_EQ(m.get_scene_prop_instance(c)->hit_points, 100.0f);
  EXPECT_EQ(m.get_scene_prop_instance(d)->hit_points, 100.0f);
}

TEST_F(MissionProps, DestructiblePropRunsItsDestructionTriggersOnce) {
  const int p = m.add_scene_prop_instance(prop_kind_object, 0, 0, at(0, 0, 0));
  EXPECT_TRUE(m.damage_prop_instance(p, 4.0f));
  EXPECT_EQ(m.get_scene_prop_instance(p)->hit_points, 6.0f);
  EXPECT_TRUE(m.damage_prop_instance(p, 7.5f));
  EXPECT_EQ(m.get_scene_prop_instance(p)->hit_points, -1.5f);
  // At 0 or below: no damage and no trigger.
  EXPECT_TRUE(m.damage_prop_instance(p, 3.0f));
  EXPECT_EQ(m.get_scene_prop_instance(p)->hit_points, -1.5f);
  const std::vector<std::vector<int>> expected = {{p, -42, 4}, {p, -42, 7}, {p, -43, 7}};
  EXPECT_EQ(services.prop_triggers, expected);
}

TEST_F(MissionProps, APropWithoutHitPointsTakesNoDamageButHearsTheHit) {
  const int p = m.add_scene_prop_instance(prop_kind_object, 1, 0, at(0, 0, 0));
  m.damage_prop_instance(p, 500.0f);
  EXPECT_EQ(m.get_scene_prop_instance(p)->hit_points, 100.0f);
  const std::vector<std::vector<int>> expected = {{p, -42, 0}};
  EXPECT_EQ(services.prop_triggers, expected);
}

TEST_F(MissionProps, StrikesOnOtherInstancesAreLeftAlone) {
  const int item = m.add_scene_prop_instance(prop_kind_item, 0, 0, at(0, 0, 0));
  const int unknown = m.add_scene_prop_instance(prop_kind_object, -1, 0, at(0, 0, 0));
  EXPECT_TRUE(m.damage_prop_instance(item, 5.0f));
  EXPECT_TRUE(m.damage_prop_instance(unknown, 5.0f));
  EXPECT_FALSE(m.damage_prop_instance(2, 5.0f));
  EXPECT_FALSE(m.damage_prop_instance(-1, 5.0f));
  EXPECT_TRUE(services.prop_triggers.empty());
}

TEST_F(MissionProps, EntryPointsTakeTheLowestFreeNumber) {
  struct numbering_case {
    std::vector<int> existing;
    int given;
    int expected;
  };
  std::vector<int> all(64);
  for (int i = 0; i < 64; ++i) all[static_cast<std::size_t>(i)] = i;
  // 45 entry points numbered 44 down to 0: the next is 45, not a number in
  // use.
  std::vector<int> falling(45);
  for (int i = 0; i < 45; ++i) falling[static_cast<std::size_t>(i)] = 44 - i;
  const numbering_case cases[] = {
      {{0, 1, 2}, 9, 3},
      {{0, 2}, 9, 1},
      {{}, 9, 0},
      {{2, 1, 0}, 9, 3},  // found by repeated scans, whatever the order
      {{1, 3}, 9, 0},
      {all, 70, 70},      // all 64 taken: the given number stays
      {falling, 9, 45},
      {{-3, 64, 1}, 9, 0},  // numbers outside 0..63 take no place
  };
  for (const numbering_case& c : cases) {
    mission fresh;
    fresh.set_services(&services);
    for (int n : c.existing) {
      scene_prop_instance& e = fresh.scene_prop_instances.emplace_back();
      e.kind = prop_kind_entry;
      e.variation = n;
    }
    // An instance of another kind with a low number does not count.
    fresh.scene_prop_instances.emplace_back().variation = 0;
    const int p = fresh.add_scene_prop_instance(prop_kind_entry, -1, c.given, at(0, 0, 0));
    EXPECT_EQ(fresh.get_scene_prop_instance(p)->variation, c.expected) << c.existing.size();
  }
}

TEST_F(MissionProps, SpawnedItemsAtAPositionAreOwnedByTheMission) {
  const int p = m.spawn_prop_at_position(at(1.0f, 2.0f, 3.0f));
  EXPECT_EQ(p, 0);
  const scene_prop_instance& i = *m.get_scene_prop_instance(p);
  EXPECT_EQ(i.kind, prop_kind_spawned_item);
  EXPECT_EQ(i.id, -1);
  EXPECT_EQ(i.owner_flag, 2);
  EXPECT_EQ(i.current_frame.origin.y, 2.0f);
}

TEST_F(MissionProps, EditorMarkersShowOnlyWhileEditing) {
  entity entry_marker, passage_marker, flagged, plain, editor;
  m.editor_entity = &editor;
  const auto add = [this](int kind, int id, entity& e) {
    const int p = m.add_scene_prop_instance(kind, id, 0, at(0, 0, 0));
    m.get_scene_prop_instance(p)->entity = &e;
  };
  add(prop_kind_entry, -1, entry_marker);
  add(prop_kind_passage, -1, passage_marker);
  add(prop_kind_object, 1, flagged);
  add(prop_kind_object, 0, plain);
  const auto shown = [&]() {
    return std::vector<int>{entry_marker.visible, passage_marker.visible, flagged.visible, plain.visible,
                            editor.visible};
  };

  services.edit_flags = {true, true, false};
  m.update_editor_marker_visibility();
  EXPECT_EQ(shown(), (std::vector<int>{1, 1, 1, 1, 1}));
  // Leaving edit mode hides the markers; the plain prop stays.
  services.edit_flags = {true, false, false};
  m.update_editor_marker_visibility();
  EXPECT_EQ(shown(), (std::vector<int>{0, 0, 0, 1, 0}));
  services.edit_flags = {true, true, true};
  m.update_editor_marker_visibility();
  EXPECT_EQ(shown(), (std::vector<int>{0, 0, 0, 1, 0}));
  // Without edit mode allowed nothing is touched.
  services.edit_flags = {false, true, false};
  m.update_editor_marker_visibility();
  EXPECT_EQ(shown(), (std::vector<int>{0, 0, 0, 1, 0}));
}

TEST_F(MissionProps, TheFrameAnimatesEveryInstanceAndRefreshPlacesOne) {
  placement_counter a, b;
  m.scene_prop_instances.resize(2);
  m.scene_prop_instances[0].entity = &a;
  m.scene_prop_instances[1].entity = &b;
  m.scene_prop_instances[1].start_move(at(2.0f, 0.0f, 0.0f), 1.0f);
  m.frame(0.5f, false);
  EXPECT_EQ(a.placements, 0);
  EXPECT_EQ(b.placements, 1);
  EXPECT_FLOAT_EQ(m.scene_prop_instances[1].current_frame.origin.x, 1.0f);
  m.refresh_prop_instance(0);
  m.refresh_prop_instance(5);
  EXPECT_EQ(a.placements, 1);
}

TEST_F(MissionProps, NewInstancesAreNamedFromTheirKind) {
  g_scene_prop_kinds[1].id = "spr_gate";
  const int gate = m.add_scene_prop_instance(prop_kind_object, 1, 5, at(1, 2, 3));
  const int lost = m.add_scene_prop_instance(prop_kind_object, 40, 0, at(0, 0, 0));
  const int item_of_nothing = m.add_scene_prop_instance(prop_kind_item, -1, 0, at(0, 0, 0));
  const scene_prop_instance& g = *m.get_scene_prop_instance(gate);
  EXPECT_STREQ(g.name.c_str(), "spr_gate");
  EXPECT_EQ(g.variation, 5);
  EXPECT_EQ(g.placed_frame.origin.z, 3.0f);
  EXPECT_EQ(g.current_frame.origin.y, 2.0f);
  EXPECT_TRUE(m.get_scene_prop_instance(lost)->name.empty());
  EXPECT_TRUE(m.get_scene_prop_instance(item_of_nothing)->name.empty());
}

TEST(PropInstances, ResizeAddsDefaultInstances) {
  reset_clocks();
  advance_clock(clock_mission, 2.0f);
  std::vector<scene_prop_instance> v(1);
  v[0].kind = prop_kind_flora;
  resize_scene_prop_instances(v, 3);
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[0].kind, prop_kind_flora);
  EXPECT_EQ(v[2].kind, prop_kind_object);
  EXPECT_EQ(v[2].move_state, prop_move_idle);
  EXPECT_EQ(v[2].creation_timer.clock_id, clock_mission);
  EXPECT_EQ(v[2].creation_timer.start_ticks, 200000);
  EXPECT_TRUE(v[2].name.empty());
  resize_scene_prop_instances(v, -4);
  EXPECT_TRUE(v.empty());
  reset_clocks();
}

}  // namespace
}  // namespace hm

namespace hm {
namespace {

TEST(PropMarkers, WithEditModeAllowedTheDefaultsHideMarkersOutsideEditing) {
  const std::int32_t saved = g_ruv_config.enable_edit_mode;
  mission m;  // the default services: nothing is being edited
  entity marker;
  m.scene_prop_instances.resize(1);
  m.scene_prop_instances[0].kind = prop_kind_entry;
  m.scene_prop_instances[0].entity = &marker;
  g_ruv_config.enable_edit_mode = 0;
  m.update_editor_marker_visibility();
  EXPECT_EQ(marker.visible, 1);
  g_ruv_config.enable_edit_mode = 1;
  m.update_editor_marker_visibility();
  EXPECT_EQ(marker.visible, 0);
  g_ruv_config.enable_edit_mode = saved;
}

}  // namespace
}  // namespace hm
