// The scripted camera, the game's script words and texts, the menu's
// background, and particle systems and items asked of the mission, through
// the interpreter against the fake neighbours.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/core/timer.h"
#include "script/executor.h"
#include "script/operand.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::query_one_operation;
using test::reg;
using test::run_one_operation;

frame& pos(int i) { return g_script_state.position_registers[static_cast<std::size_t>(i)]; }

// The reports, without the block lines and the statement number after each.
std::vector<std::string> error_lines(test::fake_script_host& host) {
  std::vector<std::string> out;
  for (std::string& m : host.take_messages()) {
    if (m.rfind("At ", 0) == 0) continue;
    out.push_back(m.substr(0, m.find("; LINE NO:")));
  }
  return out;
}

// Half a second of the real-time clock, in ticks.
constexpr std::int64_t half_second = 50000;

frame make_frame(float x, float y, float z) {
  frame f = frame::identity();
  f.origin = vec3(x, y, z);
  return f;
}

class ScriptOps : public ::testing::Test {
 protected:
  std::vector<std::string> errors() { return error_lines(host); }
  test::fake_script_host host;
};

class ScriptCamera : public ScriptOps {
 protected:
  void SetUp() override {
    set_clock_ticks(clock_real_time, 1000000);
    host.mission.mission_set_up = true;
    host.mission.agents = {true, true, false};
  }
  void TearDown() override { set_clock_ticks(clock_real_time, 0); }
  void advance(std::int64_t ticks) { set_clock_ticks(clock_real_time, clock_ticks(clock_real_time) + ticks); }

  script_camera& cam = host.mission.camera;
};

TEST_F(ScriptCamera, JumpThenReadGivesTheSameFrame) {
  pos(1) = make_frame(3.0f, -4.0f, 5.5f);
  pos(1).rot = rotation{vec3(0, 1, 0), vec3(-1, 0, 0), vec3(0, 0, 1)};
  run_one_operation(2011, {1});
  run_one_operation(2010, {2});
  EXPECT_EQ(pos(2).origin.x, 3.0f);
  EXPECT_EQ(pos(2).origin.y, -4.0f);
  EXPECT_EQ(pos(2).origin.z, 5.5f);
  EXPECT_EQ(pos(2).rot.s.y, 1.0f);
  EXPECT_EQ(pos(2).rot.f.x, -1.0f);
}

TEST_F(ScriptCamera, HalfWayThroughAMoveIsTheAverageWithOrWithoutEasing) {
  for (int easing : {0, 3}) {
    SCOPED_TRACE(easing);
    pos(1) = make_frame(0.0f, 0.0f, 10.0f);
    run_one_operation(2011, {1});
    pos(3) = make_frame(4.0f, -2.0f, 20.0f);
    run_one_operation(2012, {3, 1000, easing});
    EXPECT_FLOAT_EQ(cam.duration, 1.0f);
    advance(half_second);
    run_one_operation(2010, {4});
    EXPECT_NEAR(pos(4).origin.x, 2.0f, 1e-5f);
    EXPECT_NEAR(pos(4).origin.y, -1.0f, 1e-5f);
    EXPECT_NEAR(pos(4).origin.z, 15.0f, 1e-5f);
    // Past the end the camera stands at the target.
    advance(half_second + 1);
    run_one_operation(2010, {4});
    EXPECT_EQ(pos(4).origin.x, 4.0f);
    EXPECT_EQ(pos(4).origin.z, 20.0f);
  }
}

TEST_F(ScriptCamera, AClockSetBackLeavesTheMoveAtItsStart) {
  pos(1) = make_frame(2.0f, 0.0f, 0.0f);
  run_one_operation(2011, {1});
  pos(3) = make_frame(12.0f, 0.0f, 0.0f);
  run_one_operation(2012, {3, 1000, 0});
  advance(-half_second);
  run_one_operation(2010, {4});
  EXPECT_EQ(pos(4).origin.x, 2.0f);
}

TEST_F(ScriptCamera, EasingIsSlowAtTheEnds) {
  // A quarter of the way with k = 3: atan(-0.25 x 3 pi) / (2 atan(1.5 pi)) + 0.5.
  pos(1) = make_frame(0.0f, 0.0f, 0.0f);
  run_one_operation(2011, {1});
  pos(3) = make_frame(100.0f, 0.0f, 0.0f);
  run_one_operation(2012, {3, 1000, 3});
  advance(half_second / 2);
  const double expected = 100.0 * (std::atan(-0.75 * 3.14159265) / (2.0 * std::atan(1.5 * 3.14159265)) + 0.5);
  run_one_operation(2010, {4});
  EXPECT_NEAR(pos(4).origin.x, expected, 1e-3);
  EXPECT_LT(pos(4).origin.x, 25.0f);
}

TEST_F(ScriptCamera, FieldOfViewIsClampedAndBlendedLinearly) {
  struct fov_case {
    std::int64_t given;
    std::int64_t stored;
  };
  for (const fov_case& c : {fov_case{10, 37}, fov_case{200, 149}, fov_case{150, 149}, fov_case{149, 149},
                            fov_case{37, 37}, fov_case{-5, 37}}) {
    run_one_operation(2014, {c.given});
    EXPECT_EQ(cam.from_fov, static_cast<float>(c.stored)) << c.given;
    EXPECT_EQ(query_one_operation(2013, {reg(0)}), c.stored) << c.given;
  }
  // From 37 to 97 over a second, eased: the field of view still moves in a
  // straight line.
  run_one_operation(2014, {37});
  run_one_operation(2015, {97, 1000, 5});
  advance(half_second / 2);
  EXPECT_EQ(query_one_operation(2013, {reg(0)}), 52);
  // A zoom with no duration changes nothing.
  const float before = cam.to_fov;
  run_one_operation(2015, {40, 0, 0});
  EXPECT_EQ(cam.to_fov, before);
}

// A jump of the frame (2011) or of the field of view (2014) ends a move and
// leaves the other at the start value the move kept; a move of the frame
// (2012) keeps the start field of view and ends at the one shown now.
TEST_F(ScriptCamera, JumpsAndMovesKeepTheStartValuesTheyDoNotName) {
  // Zooming from 40 to 100 over a second, half way at 70: the frame jumps,
  // the field of view is back at 40.
  run_one_operation(2014, {40});
  run_one_operation(2015, {100, 1000, 0});
  advance(half_second);
  EXPECT_EQ(query_one_operation(2013, {reg(0)}), 70);
  pos(1) = make_frame(1.0f, 0.0f, 0.0f);
  run_one_operation(2011, {1});
  EXPECT_EQ(cam.duration, 0.0f);
  EXPECT_EQ(query_one_operation(2013, {reg(0)}), 40);

  // Moving from x 1 to x 9 over a second, half way at x 5: the field of
  // view jumps, the frame is back at x 1.
  pos(2) = make_frame(9.0f, 0.0f, 0.0f);
  run_one_operation(2012, {2, 1000, 0});
  advance(half_second);
  run_one_operation(2010, {3});
  EXPECT_NEAR(pos(3).origin.x, 5.0f, 1e-5f);
  run_one_operation(2014, {60});
  EXPECT_EQ(cam.duration, 0.0f);
  run_one_operation(2010, {3});
  EXPECT_EQ(pos(3).origin.x, 1.0f);
  EXPECT_EQ(query_one_operation(2013, {reg(0)}), 60);

  // Zoomed to 100 (start 50), then a move of the frame: the field of view
  // runs from the kept 50 to the 100 shown, 75 half way.
  run_one_operation(2014, {50});
  run_one_operation(2015, {100, 1000, 0});
  advance(2 * half_second + 1);
  EXPECT_EQ(query_one_operation(2013, {reg(0)}), 100);
  run_one_operation(2012, {2, 1000, 0});
  EXPECT_EQ(cam.from_fov, 50.0f);
  EXPECT_EQ(cam.to_fov, 100.0f);
  advance(half_second);
  EXPECT_EQ(query_one_operation(2013, {reg(0)}), 75);
}

TEST_F(ScriptCamera, MoveAndZoomTogether) {
  run_one_operation(2014, {60});
  pos(1) = make_frame(0.0f, 0.0f, 0.0f);
  run_one_operation(2011, {1});
  pos(2) = make_frame(10.0f, 0.0f, 0.0f);
  run_one_operation(2016, {2, 100, 2000, 0});
  advance(2 * half_second);
  run_one_operation(2010, {3});
  EXPECT_NEAR(pos(3).origin.x, 5.0f, 1e-5f);
  EXPECT_EQ(query_one_operation(2013, {reg(0)}), 80);
  // Without a duration nothing starts.
  pos(4) = make_frame(-7.0f, 0.0f, 0.0f);
  run_one_operation(2016, {4, 100, 0, 0});
  EXPECT_EQ(cam.to_frame.origin.x, 10.0f);
}

TEST_F(ScriptCamera, ModesAreClampedAndLeavingCanBlend) {
  run_one_operation(2001, {5, 0, 0});
  EXPECT_EQ(cam.mode, 1);
  pos(1) = make_frame(1.0f, 2.0f, 3.0f);
  run_one_operation(2011, {1});
  run_one_operation(2001, {-3, 0, 0});
  EXPECT_EQ(cam.mode, 0);
  EXPECT_EQ(cam.duration, 0.0f);
  // Back to the mission's camera over 1.5 s, from where the script left it.
  run_one_operation(2001, {1, 0, 0});
  run_one_operation(2001, {0, 1500, -2});
  EXPECT_EQ(cam.mode, 0);
  EXPECT_FLOAT_EQ(cam.duration, 1.5f);
  EXPECT_EQ(cam.easing, 0);
  EXPECT_EQ(cam.to_frame.origin.y, 2.0f);
}

TEST_F(ScriptCamera, SecondValueJumpsAndMoves) {
  run_one_operation(2003, {250});
  EXPECT_EQ(query_one_operation(2002, {reg(0)}), 250);
  run_one_operation(2004, {450, 1000});
  advance(half_second);
  EXPECT_EQ(query_one_operation(2002, {reg(0)}), 350);
  // Non-positive values are refused.
  run_one_operation(2003, {0});
  run_one_operation(2004, {-10, 1000});
  run_one_operation(2004, {300, 0});
  EXPECT_EQ(query_one_operation(2002, {reg(0)}), 350);
  // Another multiplier reads the same value in its own units.
  g_script_state.fixed_point_multiplier = 1000;
  EXPECT_EQ(query_one_operation(2002, {reg(0)}), 3500);
}

TEST_F(ScriptCamera, FollowedAgentIsChecked) {
  run_one_operation(2017, {1, 4});
  EXPECT_EQ(cam.followed_agent, 1);
  EXPECT_EQ(cam.followed_word, 4);
  errors();
  run_one_operation(2017, {2, 0});  // a free slot
  run_one_operation(2017, {9, 0});
  EXPECT_EQ(errors(), (std::vector<std::string>{"SCRIPT WARNING ON OPCODE 2017: Invalid Agent ID: 2",
                                                "SCRIPT WARNING ON OPCODE 2017: Invalid Agent ID: 9"}));
  EXPECT_EQ(cam.followed_agent, 1);
  run_one_operation(2018, {});
  EXPECT_EQ(cam.followed_agent, -1);
}

TEST_F(ScriptCamera, BadRegistersAreReportedAndChangeNothing) {
  pos(1) = make_frame(1.0f, 1.0f, 1.0f);
  run_one_operation(2011, {1});
  errors();
  run_one_operation(2011, {128});
  run_one_operation(2012, {-1, 1000, 0});
  run_one_operation(2010, {300});
  EXPECT_EQ(errors(), (std::vector<std::string>{"SCRIPT ERROR ON OPCODE 2011: Invalid Register ID: 128",
                                                "SCRIPT ERROR ON OPCODE 2012: Invalid Register ID: -1",
                                                "SCRIPT ERROR ON OPCODE 2010: Invalid Register ID: 300"}));
  EXPECT_EQ(cam.from_frame.origin.x, 1.0f);
  EXPECT_EQ(cam.duration, 0.0f);
}

TEST_F(ScriptCamera, WithoutAMissionEverythingSucceedsAndNothingChanges) {
  host.mission.mission_set_up = false;
  pos(1) = make_frame(9.0f, 9.0f, 9.0f);
  EXPECT_TRUE(run_one_operation(2011, {1}));
  EXPECT_TRUE(run_one_operation(2001, {1, 0, 0}));
  EXPECT_TRUE(run_one_operation(2014, {90}));
  EXPECT_TRUE(run_one_operation(2017, {1, 0}));
  EXPECT_EQ(query_one_operation(2013, {reg(0)}), -777);
  EXPECT_EQ(cam.from_frame.origin.x, 0.0f);
  EXPECT_EQ(cam.mode, 0);
  EXPECT_EQ(cam.followed_agent, -1);
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptCamera, AJumpInOneValueEndsTheMoveAtTheOthersStart) {
  // A fov change halfway through a move puts the camera back at the move's
  // start, and a frame jump halfway through a zoom puts the zoom back at its
  // start value.
  pos(1) = make_frame(0.0f, 0.0f, 0.0f);
  run_one_operation(2011, {1});
  run_one_operation(2014, {40});
  pos(2) = make_frame(10.0f, 0.0f, 0.0f);
  run_one_operation(2016, {2, 80, 1000, 0});
  advance(half_second);
  run_one_operation(2014, {100});
  run_one_operation(2010, {3});
  EXPECT_EQ(pos(3).origin.x, 0.0f);
  run_one_operation(2015, {140, 1000, 0});
  advance(half_second);
  run_one_operation(2011, {1});
  EXPECT_EQ(query_one_operation(2013, {reg(0)}), 100);
}

// --- the game's words and texts, and the menu's background ---

class GameTexts : public ScriptOps {
 protected:
  game_script_words& words = host.campaign.words;
};

TEST_F(GameTexts, WordsAndScriptTexts) {
  run_one_operation(2020, {-12});
  run_one_operation(2021, {(std::int64_t{1} << 32) + 7});
  EXPECT_EQ(words.game_word_1, -12);
  EXPECT_EQ(words.game_word_2, 7);

  host.module.module_strings = 2;
  host.module.module_string_records = {{"str_a", "plain"}, {"str_b", "Hello {s1}"}};
  run_one_operation(2022, {4, make_operand(operand_tag::module_string, 1)});
  EXPECT_EQ(std::string(words.script_texts[4].c_str()), "Hello <s1>");
  EXPECT_EQ(words.script_text_changed[4], 1);
  EXPECT_EQ(words.script_text_changed[0], 0);

  // A slot outside 0..4 does nothing; a bad string is reported.
  run_one_operation(2022, {5, make_operand(operand_tag::module_string, 0)});
  run_one_operation(2022, {-1, make_operand(operand_tag::module_string, 0)});
  EXPECT_TRUE(errors().empty());
  run_one_operation(2022, {0, make_operand(operand_tag::module_string, 2)});
  EXPECT_EQ(errors(), (std::vector<std::string>{"SCRIPT ERROR ON OPCODE 2022: Invalid String ID: 2"}));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(words.script_text_changed[static_cast<std::size_t>(i)], 0) << i;
}

TEST_F(GameTexts, MenuBackgroundNeedsAValidMenu) {
  host.module.meshes = 3;
  host.module.menus = 2;
  host.render.tableaus = 4;
  pos(5).origin = vec3(1.0f, 2.0f, 3.0f);
  words.current_menu = -1;
  run_one_operation(2031, {2});
  run_one_operation(2032, {1, 9, 5});
  EXPECT_EQ(errors(), (std::vector<std::string>{"SCRIPT ERROR ON OPCODE 2031: Invalid Menu ID: -1",
                                                "SCRIPT ERROR ON OPCODE 2032: Invalid Menu ID: -1"}));
  EXPECT_TRUE(words.menu_mesh.empty());
  EXPECT_EQ(words.menu_tableau, -1);

  words.current_menu = 1;
  run_one_operation(2031, {2});
  run_one_operation(2032, {3, 9, 5});
  EXPECT_EQ(std::string(words.menu_mesh.c_str()), "mesh2");
  EXPECT_EQ(words.menu_tableau, 3);
  EXPECT_EQ(words.menu_tableau_object, 9);
  EXPECT_EQ(words.menu_tableau_position.y, 2.0f);
  EXPECT_TRUE(errors().empty());

  run_one_operation(2031, {3});
  run_one_operation(2032, {4, 1, 5});
  run_one_operation(2032, {0, 1, 128});
  EXPECT_EQ(errors(), (std::vector<std::string>{"SCRIPT ERROR ON OPCODE 2031: Invalid Mesh ID: 3",
                                                "SCRIPT WARNING ON OPCODE 2032: Invalid Tableau ID: 4",
                                                "SCRIPT ERROR ON OPCODE 2032: Invalid Register ID: 128"}));
  EXPECT_EQ(words.menu_tableau, 3);
}

// --- particle systems and items asked of the mission ---

bool run_in_context(std::uint32_t opcode, std::vector<std::int64_t> params, std::int32_t context) {
  statement_block block = test::make_block({{opcode, std::move(params)}});
  return run_statement_block(block, context);
}

TEST_F(GameTexts, ParticleSystemsAndItemsGoToTheMission) {
  host.module.particle_systems = 3;
  host.module.item_kinds = 10;
  host.mission.mission_set_up = true;
  std::vector<std::string>& calls = host.mission.particle_calls;

  // At the light position (hundredths), on the object of the running trigger.
  run_one_operation(1955, {10, -20, 150});
  run_in_context(1965, {2}, -42);
  run_in_context(1968, {1, 30}, -50);
  pos(7).origin = vec3(5.0f, 6.0f, 7.0f);
  run_one_operation(1969, {0, 7, 0});
  run_one_operation(1969, {1, 7, 40});
  EXPECT_EQ(calls, (std::vector<std::string>{"add -42 2 0.10 -0.20 1.50", "restart -50 1 30",
                                             "mission 0 5.00 6.00 7.00 100", "mission 1 5.00 6.00 7.00 40"}));
  calls.clear();

  // Items lie at the reference frame; register 0 is the new instance.
  words.set_reference_frame(make_frame(1.0f, 2.0f, 3.0f));
  run_one_operation(1971, {4, 12});
  EXPECT_EQ(g_script_state.registers[0], 500);
  run_one_operation(1971, {4, 43});  // no such modifier: the plain item
  EXPECT_EQ(g_script_state.registers[0], 501);
  EXPECT_EQ(calls, (std::vector<std::string>{"item 4 12 1.00 2.00 3.00", "item 4 -1 1.00 2.00 3.00"}));
  calls.clear();
  errors();

  // Bad ids are reported and nothing is asked.
  run_in_context(1965, {3}, -42);
  run_in_context(1968, {-1, 0}, -42);
  run_one_operation(1969, {0, 128, 0});
  run_one_operation(1971, {10, 0});
  EXPECT_EQ(g_script_state.registers[0], -1);
  EXPECT_EQ(errors(), (std::vector<std::string>{"SCRIPT WARNING ON OPCODE 1965: Invalid particle_system ID: 3",
                                                "SCRIPT WARNING ON OPCODE 1968: Invalid particle_system ID: -1",
                                                "SCRIPT ERROR ON OPCODE 1969: Invalid Register ID: 128",
                                                "SCRIPT ERROR ON OPCODE 1971: Invalid Item Kind ID: 10"}));
  // Without a mission the mission's systems and items are not asked for.
  host.mission.mission_set_up = false;
  run_one_operation(1969, {0, 7, 0});
  run_one_operation(1971, {4, 0});
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(errors().empty());
}

}  // namespace
}  // namespace hm
