// The tableau operations against a recording scene: what each one hands over
// with its operands scaled, that they change nothing outside a drawing, and
// their checks of ids.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "script/executor.h"
#include "script/interpreter.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::make_block;

bool run(std::uint32_t opcode, std::vector<std::int64_t> params, std::int32_t context = 0) {
  statement_block block = make_block({{opcode, std::move(params)}});
  return run_statement_block(block, context);
}

frame& pos(int i) { return g_script_state.position_registers[static_cast<std::size_t>(i)]; }

std::vector<std::string> errors(test::fake_script_host& host) {
  std::vector<std::string> out;
  for (std::string& m : host.take_messages())
    if (m.rfind("At ", 0) != 0) out.push_back(std::move(m));
  return out;
}

class TableauOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    install_script_operations();
    g_script_state.fixed_point_multiplier = 100;
    host.module.meshes = 5;
    host.module.troops = 3;
    host.module.animations = 4;
    host.module.item_kinds = 6;
    host.module.map_icons = 2;
    host.render.tableaus = 2;
    pos(1) = frame::identity();
    pos(1).origin = vec3(1, 2, 0);
  }

  test::fake_script_host host;
};

TEST_F(TableauOperations, outside_a_drawing_change_nothing_and_succeed) {
  // Even ids that would fail their checks: nothing is being drawn.
  for (auto [op, params] : std::vector<std::pair<std::uint32_t, std::vector<std::int64_t>>>{
           {1980, {9, 0, 1, 0}}, {1984, {}}, {1985, {5}}, {1987, {1, 2, 3}}, {1988, {1}}, {1989, {1, 1, 1, 1, 1}},
           {1990, {1, 100, 0, 0}}, {1991, {1, 100, 0, 0}}, {1992, {9, 1, 0, 0}}, {1993, {3, 1, 0, 0, 5}},
           {1994, {1, 1, 0}}, {1995, {0, 1, 0, 0}}, {1996, {0, 1, 0}}, {1997, {4}}, {1998, {}}, {1999, {4}},
           {2000, {3, 1, 1, 0, 5}}}) {
    EXPECT_TRUE(run(op, params)) << op;
  }
  EXPECT_TRUE(host.render.calls.empty());
  EXPECT_EQ(host.render.flag, 0);
  EXPECT_TRUE(errors(host).empty());
}

TEST_F(TableauOperations, meshes_icons_and_figures_reach_the_scene_scaled) {
  host.render.drawing = true;
  pos(2) = frame::identity();
  pos(2).origin = vec3(150, 200, 50);
  run(1992, {3, 1, 0, 0});                 // no scale, no alpha: 1 and 1.0
  run(1993, {3, 1, 250, 50, 0xFF00FF00});  // 2.5, 0.5 and the colour
  run(2000, {3, 1, 2, 0, 7});              // the scale from register 2 over 100
  run(1980, {1, 9, 1, 0});
  run(1980, {1, 9, 1, 50});
  run(1994, {1, 1, 0});
  run(1994, {1, 1, 300});
  run(1995, {2, 1, 3, 0});   // no time: -1
  run(1995, {2, 1, 3, 40});
  run(1996, {5, 1, 3});
  run(1990, {1, 100, 50, 0});
  run(1991, {1, 0, 0, 25});
  const std::vector<std::string> want = {
      "module_mesh 3 at 1 2 0 scale 1 1 1 alpha 1 colour -1",
      "module_mesh 3 at 1 2 0 scale 2.5 2.5 2.5 alpha 0.5 colour 4278255360",
      "module_mesh 3 at 1 2 0 scale 1.5 2 0.5 alpha 1 colour 7",
      "tableau_mesh 1 9 at 1 2 0 scale 1 1 1",
      "tableau_mesh 1 9 at 1 2 0 scale 0.5 0.5 0.5",
      "map_icon 1 at 1 2 0 scale 1",
      "map_icon 1 at 1 2 0 scale 3",
      "figure 2 -1 3 -1 at 1 2 0",
      "figure 2 -1 3 40 at 1 2 0",
      "figure -1 5 3 -1 at 1 2 0",
      "light at 1 2 0 colour 1 0.5 0",
      "point_light at 1 2 0 colour 0 0 0.25",
  };
  EXPECT_EQ(host.render.calls, want);
  EXPECT_TRUE(errors(host).empty());
}

TEST_F(TableauOperations, scene_values_camera_and_list) {
  host.render.drawing = true;
  tableau_scene_values& s = host.render.scene;
  run(1984, {});
  run(1985, {0x11223344});
  run(1987, {100, 50, 0});
  pos(3) = frame::identity();
  pos(3).origin = vec3(0, -5, 1);
  run(1988, {3});
  run(1989, {0, 100, 75, 10, 50000});
  run(1997, {42});
  EXPECT_EQ(host.render.flag, 1);
  EXPECT_EQ(s.background, 0x11223344);
  EXPECT_TRUE(s.background_colour_set);
  EXPECT_FLOAT_EQ(s.background_colour.y, 0.5f);
  EXPECT_TRUE(s.camera_frame_set);
  EXPECT_FLOAT_EQ(s.camera_frame.origin.y, -5.0f);
  EXPECT_FALSE(s.orthographic);
  EXPECT_FLOAT_EQ(s.projection[0], 1.0f);
  EXPECT_FLOAT_EQ(s.projection[1], 0.75f);
  EXPECT_FLOAT_EQ(s.projection[2], 0.1f);
  EXPECT_FLOAT_EQ(s.projection[3], 500.0f);
  EXPECT_EQ(s.value, 42);

  // The list takes 80 values; the 81st is ignored; 1998 empties it.
  for (int i = 0; i < 81; ++i) run(1999, {i});
  EXPECT_EQ(s.list_count, 80);
  EXPECT_EQ(s.list[79], 79);
  run(1998, {});
  EXPECT_EQ(s.list_count, 0);
}

TEST_F(TableauOperations, trigger_object_operations_need_their_event) {
  host.render.drawing = false;  // these do not need a drawing
  run(1981, {1, 7}, -40);
  run(1982, {1, 7}, -50);
  run(1983, {1, 7}, 0);
  EXPECT_TRUE(host.render.calls.empty());
  run(1981, {1, 7}, -50);
  run(1982, {1, 8}, -40);
  run(1983, {0, 9}, -70);
  const std::vector<std::string> want = {"trigger_object -50 1 7", "trigger_object -40 1 8", "trigger_object -70 0 9"};
  EXPECT_EQ(host.render.calls, want);
  run(1981, {2, 7}, -50);
  EXPECT_EQ(host.render.calls.size(), 3u);
  EXPECT_EQ(errors(host), std::vector<std::string>{"SCRIPT WARNING ON OPCODE 1981: Invalid Tableau ID: 2; LINE NO: 0:"});
}

TEST_F(TableauOperations, bad_ids_are_refused_with_their_script_errors) {
  host.render.drawing = true;
  struct bad_case {
    std::uint32_t op;
    std::vector<std::int64_t> params;
    const char* message;
  };
  const std::vector<bad_case> cases = {
      {1992, {5, 1, 0, 0}, "SCRIPT ERROR ON OPCODE 1992: Invalid Mesh ID: 5; LINE NO: 0:"},
      {1993, {-1, 1, 0, 0, 0}, "SCRIPT ERROR ON OPCODE 1993: Invalid Mesh ID: -1; LINE NO: 0:"},
      {2000, {3, 1, 128, 0, 0}, "SCRIPT ERROR ON OPCODE 2000: Invalid Register ID: 128; LINE NO: 0:"},
      {1992, {3, 200, 0, 0}, "SCRIPT ERROR ON OPCODE 1992: Invalid Register ID: 200; LINE NO: 0:"},
      {1980, {2, 0, 1, 0}, "SCRIPT WARNING ON OPCODE 1980: Invalid Tableau ID: 2; LINE NO: 0:"},
      {1994, {2, 1, 0}, "SCRIPT ERROR ON OPCODE 1994: Invalid Map Icon ID: 2; LINE NO: 0:"},
      {1995, {3, 1, 0, 0}, "SCRIPT ERROR ON OPCODE 1995: Invalid Troop ID: 3; LINE NO: 0:"},
      {1995, {0, 1, 4, 0}, "SCRIPT ERROR ON OPCODE 1995: Invalid Animation ID: 4; LINE NO: 0:"},
      {1996, {6, 1, 0}, "SCRIPT ERROR ON OPCODE 1996: Invalid Item Kind ID: 6; LINE NO: 0:"},
      {1988, {-3}, "SCRIPT ERROR ON OPCODE 1988: Invalid Register ID: -3; LINE NO: 0:"},
      {1990, {128, 1, 1, 1}, "SCRIPT ERROR ON OPCODE 1990: Invalid Register ID: 128; LINE NO: 0:"},
  };
  for (const bad_case& c : cases) {
    run(c.op, c.params);
    EXPECT_EQ(errors(host), std::vector<std::string>{c.message}) << c.op;
  }
  EXPECT_TRUE(host.render.calls.empty());
  EXPECT_FALSE(host.render.scene.camera_frame_set);
}

}  // namespace
}  // namespace hm
