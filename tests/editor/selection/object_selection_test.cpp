// Selecting, transforming and deleting the scene's instances.
#include "editor/selection/object_selection.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/app/input_state.h"
#include "engine/settings/key_bindings.h"
#include "mission/records/mission.h"
#include "mission/screen/screen_controls.h"

namespace hm {
namespace {

TEST(ObjectSelection, DeletingASelectionTakesTheHighestIndexFirst) {
  mission m;
  for (int i = 0; i < 7; ++i) {
    const int k = m.add_scene_prop_instance(prop_kind_item, -1, 0, frame::identity());
    m.scene_prop_instances[static_cast<std::size_t>(k)].name = ruv_string(("i" + std::to_string(i)).c_str());
  }
  edit_mode_state s;
  s.selection = {2, 5, 3};
  s.selected_instance = 3;
  delete_selection(m, s);
  ASSERT_EQ(m.prop_instance_count(), 4);
  const char* left[] = {"i0", "i1", "i4", "i6"};
  for (int i = 0; i < 4; ++i) EXPECT_STREQ(m.scene_prop_instances[static_cast<std::size_t>(i)].name.c_str(), left[i]);
  EXPECT_TRUE(s.selection.empty());
  EXPECT_EQ(s.selected_instance, -1);
  EXPECT_EQ(s.scene_changed, 1u);
}

TEST(ObjectSelection, RightClicksSelectAndCtrlTogglesKeepingThePrimaryValid) {
  edit_mode_state s;
  select_click(s, 4, false);
  EXPECT_EQ(s.selected_instance, 4);
  select_click(s, 7, true);  // added, the new primary
  EXPECT_EQ(s.selected_instance, 7);
  EXPECT_EQ(s.selection, (std::vector<std::uint32_t>{4, 7}));
  // Ctrl on the primary of two: the other becomes the primary.
  EXPECT_EQ(select_click(s, 7, true), 4);
  EXPECT_EQ(s.selection, (std::vector<std::uint32_t>{4}));
  EXPECT_EQ(s.selected_instance, 4);
  // A click on nothing without Ctrl empties the selection.
  select_click(s, -1, false);
  EXPECT_TRUE(s.selection.empty());
  EXPECT_EQ(s.selected_instance, -1);
  select_all(s, 3);
  EXPECT_EQ(s.selection, (std::vector<std::uint32_t>{0, 1, 2}));
  EXPECT_EQ(s.selected_instance, 0);
}

class TransformKeys : public ::testing::Test {
 protected:
  void hold(int key) { state.keys[key] = 1; state.previous_keys[key] = 1; }
  void click(int key) { state.keys[key] = 1; }
  transform_flags run() { return object_transform_keys(in, frame::identity(), position, turn, scale); }

  input_state state;
  key_bindings bindings;
  screen_input in{&state, &bindings};
  vec3 position{1.0f, 2.0f, 3.0f};
  frame turn = frame::identity();
  vec3 scale{2.0f, 2.0f, 2.0f};
};

TEST_F(TransformKeys, BAloneScalesEveryAxisAndBWithAnAxisOnlyThatOne) {
  state.mouse_dx = 10.0f;  // a = 10 x 0.6 x 0.005 = 0.03: factor 0.9985
  hold(platform::key::b);
  EXPECT_TRUE(run().scale);
  EXPECT_NEAR(scale.x, 2.0f * 0.9985f, 1e-6f);
  EXPECT_NEAR(scale.z, 2.0f * 0.9985f, 1e-6f);
  hold(platform::key::y);
  scale = vec3(2.0f, 2.0f, 2.0f);
  run();
  EXPECT_EQ(scale.x, 2.0f);
  EXPECT_NEAR(scale.y, 2.0f * 0.9985f, 1e-6f);
  // B with an axis does not turn the object.
  EXPECT_EQ(turn.rot.s.x, 1.0f);
}

TEST_F(TransformKeys, AltBResetsTheScaleEvenWithAnAxisHeld) {
  hold(platform::key::left_alt);
  hold(platform::key::x);
  click(platform::key::b);
  state.mouse_dx = 10.0f;
  const transform_flags f = run();
  EXPECT_TRUE(f.scale);
  EXPECT_EQ(scale.x, 1.0f);
  EXPECT_EQ(scale.y, 1.0f);
  EXPECT_FALSE(f.rotation);  // Alt stops the X turn
}

TEST_F(TransformKeys, TLiftsWithTheMouseAndAltTPutsItOnZero) {
  hold(platform::key::t);
  state.mouse_dy = -10.0f;  // height -= 0.6 x 0.01 x -10
  run();
  EXPECT_NEAR(position.z, 3.06f, 1e-6f);
  hold(platform::key::left_alt);
  run();
  EXPECT_EQ(position.z, 0.0f);
}

TEST(ObjectSelection, TurningTheSelectionTurnsEveryMemberAboutThePrimary) {
  mission m;
  frame a = frame::identity();
  frame b = frame::identity();
  b.origin = vec3(2.0f, 0.0f, 0.0f);
  m.add_scene_prop_instance(prop_kind_item, -1, 0, a);
  m.add_scene_prop_instance(prop_kind_item, -1, 0, b);
  edit_mode_state s;
  s.selection = {0, 1};
  s.selected_instance = 0;
  frame turned = a;
  turned.rotate_z(1.5707964f);  // a quarter turn about up
  transform_flags f;
  f.rotation = true;
  apply_selection_transform(m, s, a, turned, vec3(1.0f, 1.0f, 1.0f), f);
  const vec3 o = m.scene_prop_instances[1].current_frame.origin;
  EXPECT_NEAR(o.x, 0.0f, 1e-5f);
  EXPECT_NEAR(o.y, 2.0f, 1e-5f);
}

TEST(ObjectSelection, APlantWithoutAKnownKindIsNeverPicked) {
  scene_prop_instance p;
  p.kind = prop_kind_flora;
  p.name = ruv_string("no_such_plant");
  EXPECT_FALSE(instance_pick_radius(p).has_value());
  p.kind = prop_kind_entry;
  EXPECT_EQ(instance_pick_radius(p).value_or(0.0f), 0.5f);
}

}  // namespace
}  // namespace hm
