// Position registers against worked values, and the sound and music requests.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "script/defined_opcodes.h"
#include "script/executor.h"
#include "script/interpreter.h"
#include "script/operation.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

// The error lines of the on-screen messages, without the "At <block>." lines
// that follow them.
std::vector<std::string> error_lines(test::fake_script_host& host) {
  std::vector<std::string> out;
  for (std::string& m : host.take_messages()) {
    if (m.rfind("At ", 0) != 0) out.push_back(std::move(m));
  }
  return out;
}

using test::fake_script_host;
using test::make_block;
using test::neg;
using test::reg;

bool run(std::uint32_t opcode, std::vector<std::int64_t> params, std::int32_t context = 0) {
  statement_block block = make_block({{opcode, std::move(params)}});
  return run_statement_block(block, context);
}

frame& pos(int i) { return g_script_state.position_registers[static_cast<std::size_t>(i)]; }
std::int64_t r(int i) { return g_script_state.registers[static_cast<std::size_t>(i)]; }

void expect_vec(const vec3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-4f);
  EXPECT_NEAR(v.y, y, 1e-4f);
  EXPECT_NEAR(v.z, z, 1e-4f);
}

TEST(position_registers, moves_and_coordinates) {
  fake_script_host host;
  // Own axes turned a quarter about z: s = (0,1,0), f = (-1,0,0).
  pos(1).rot = rotation{vec3(0, 1, 0), vec3(-1, 0, 0), vec3(0, 0, 1)};
  run(720, {1, 150, 1});  // global x
  expect_vec(pos(1).origin, 1.5f, 0, 0);
  run(721, {1, 200, 0});  // own f
  expect_vec(pos(1).origin, -0.5f, 0, 0);
  run(722, {1, -50, 0});  // own u
  expect_vec(pos(1).origin, -0.5f, 0, -0.5f);

  run(729, {2, 250});
  run(730, {2, -125});
  run(726, {reg(0), 2});
  run(727, {reg(1), 2});
  EXPECT_FLOAT_EQ(pos(2).origin.x, 2.5f);
  EXPECT_EQ(r(0), 250);
  EXPECT_EQ(r(1), -125);
  // Halves round down: 0.005 x 100 = 0.5 gives 0, -0.005 x 100 gives -1.
  pos(3).origin = vec3(0.005f, -0.005f, 0.0f);
  run(726, {reg(2), 3});
  run(727, {reg(3), 3});
  EXPECT_EQ(r(2), 0);
  EXPECT_EQ(r(3), -1);
  // Another multiplier.
  g_script_state.fixed_point_multiplier = 1000;
  run(731, {2, 1500});
  run(728, {reg(4), 2});
  EXPECT_FLOAT_EQ(pos(2).origin.z, 1.5f);
  EXPECT_EQ(r(4), 1500);
}

TEST(position_registers, turns_heading_and_scale) {
  fake_script_host host;
  run(740, {reg(0), 4});
  EXPECT_EQ(r(0), 0);  // identity
  run(725, {4, 90, 0});
  run(740, {reg(1), 4});
  EXPECT_EQ(r(1), 90);
  expect_vec(pos(4).rot.f, -1, 0, 0);
  run(725, {4, 180, 1});  // about the global vertical
  run(740, {reg(2), 4});
  EXPECT_EQ(r(2), 270);
  expect_vec(pos(4).rot.f, 1, 0, 0);

  run(723, {5, 90});  // about s: f turns up
  expect_vec(pos(5).rot.f, 0, 0, 1);
  run(724, {6, 90});
  run(735, {reg(3), 6});
  run(736, {reg(4), 6});
  run(737, {reg(5), 6});
  EXPECT_EQ(r(3), 0);
  EXPECT_EQ(r(4), 100);
  EXPECT_EQ(r(5), 0);
}

TEST(position_registers, copies_distances_and_frames) {
  fake_script_host host;
  pos(1).origin = vec3(3, 4, 0);
  run(710, {reg(0), 1, 2});
  EXPECT_EQ(r(0), 500);
  EXPECT_TRUE(run(713, {2, 1}));   // the origin lies behind (0,0) -> (3,4) along f = y
  EXPECT_FALSE(run(713, {1, 2}));  // (3,4) is ahead of the origin
  g_script_state.registers[1] = 9;
  run(710, {reg(1), 1, 200});
  EXPECT_EQ(r(1), 0);
  // A distance beyond what a float holds stops at the largest integer, and
  // one that is not a number gives 0.
  pos(3).origin = vec3(3e38f, 3e38f, 0);
  run(710, {reg(6), 3, 2});
  EXPECT_EQ(r(6), INT64_MAX);
  pos(3).origin = vec3(std::numeric_limits<float>::quiet_NaN(), 0, 0);
  g_script_state.registers[6] = 9;
  run(710, {reg(6), 3, 2});
  EXPECT_EQ(r(6), 0);
  EXPECT_FALSE(run(713, {200, 1}));

  // 741 measures and normalises its source; a second run gives M.
  run(741, {reg(2), 1});
  EXPECT_EQ(r(2), 500);
  expect_vec(pos(1).origin, 0.6f, 0.8f, 0);
  run(741, {reg(3), 1});
  EXPECT_EQ(r(3), 100);
  run(741, {reg(4), 9});  // zero origin
  expect_vec(pos(9).origin, 0, 1, 0);

  // Local to global and back.
  pos(10) = frame::identity();
  pos(10).origin = vec3(10, 0, 0);
  run(725, {10, 90, 0});
  pos(11) = frame::identity();
  pos(11).origin = vec3(1, 2, 3);
  run(715, {12, 10, 11});
  expect_vec(pos(12).origin, 8, 1, 3);
  expect_vec(pos(12).rot.f, -1, 0, 0);
  run(716, {13, 10, 12});
  expect_vec(pos(13).origin, 1, 2, 3);
  expect_vec(pos(13).rot.f, 0, 1, 0);

  run(718, {14, 12});
  run(719, {15, 12});
  expect_vec(pos(14).rot.f, -1, 0, 0);
  expect_vec(pos(14).origin, 0, 0, 0);
  expect_vec(pos(15).origin, 8, 1, 3);
  expect_vec(pos(15).rot.f, 0, 1, 0);
  run(700, {16, 12});
  expect_vec(pos(16).origin, 8, 1, 3);
  run(701, {16});
  expect_vec(pos(16).origin, 0, 0, 0);
  host.campaign.words.spawn_frame.origin = vec3(5, 6, 7);
  run(702, {16});
  expect_vec(pos(16).origin, 5, 6, 7);
}

TEST(position_registers, invalid_registers_and_the_ground) {
  fake_script_host host;
  pos(0).origin = vec3(1, 1, 9);
  EXPECT_TRUE(run(700, {128, 0}));
  EXPECT_TRUE(run(720, {-1, 100, 1}));
  const std::vector<std::string> messages = error_lines(host);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].substr(0, messages[0].find(';')), "SCRIPT ERROR ON OPCODE 700: Invalid Register ID: 128");

  // No scene: nothing; inside the rectangle: the ground's height; on its
  // maximum edge: outside.
  run(791, {0});
  EXPECT_FLOAT_EQ(pos(0).origin.z, 9);
  host.mission.scene_max_x = 2;
  host.mission.scene_max_y = 2;
  host.mission.ground = 0.25f;
  run(791, {0});
  EXPECT_FLOAT_EQ(pos(0).origin.z, 0.25f);
  pos(0).origin = vec3(2, 1, 9);
  run(791, {0});
  EXPECT_FLOAT_EQ(pos(0).origin.z, 9);
}

TEST(sound_and_music, requests) {
  fake_script_host host;
  host.module.sounds = 4;
  host.module.music_tracks = 3;
  host.mission.event_positions[-50] = vec3(1, 2, 3);

  run(600, {2, 0x10});
  run(600, {3, 0x11}, -50);  // at the agent of an agent event
  run(600, {1, 0}, -42);     // a prop event without a known prop: flat
  ASSERT_EQ(host.engine.sounds_played.size(), 3u);
  EXPECT_EQ(host.engine.sounds_played[0].flags, 0x11u);
  EXPECT_EQ(host.engine.sounds_played[1].flags, 0x10u);
  expect_vec(host.engine.sounds_played[1].position, 1, 2, 3);
  EXPECT_EQ(host.engine.sounds_played[2].flags, 0x1u);
  run(600, {4, 0});
  EXPECT_EQ(host.engine.sounds_played.size(), 3u);
  EXPECT_EQ(error_lines(host).size(), 1u);
  host.engine.sound_disabled = true;
  run(600, {4, 0});
  EXPECT_TRUE(error_lines(host).empty());
  host.engine.sound_disabled = false;

  run(601, {2, 1});
  EXPECT_EQ(g_script_state.music_requested_track, 2);
  EXPECT_EQ(g_script_state.music_request_kind, 1);
  run(601, {1, 3});  // no such mode
  EXPECT_EQ(g_script_state.music_requested_track, 2);
  run(601, {5, 0});  // no such track
  EXPECT_EQ(g_script_state.music_requested_track, 2);
  run(602, {1});
  EXPECT_EQ(g_script_state.music_requested_one_shot, 1);
  run(603, {0x30});
  run(604, {2});
  EXPECT_EQ(g_script_state.music_wanted_mask, 0x30);
  EXPECT_EQ(g_script_state.music_group_filter, 2);
  EXPECT_TRUE(g_script_state.music_wanted_mask_set);
  EXPECT_TRUE(g_script_state.music_group_filter_set);
  run(609, {});
  EXPECT_EQ(host.engine.sound_stops, 1);
}

}  // namespace
}  // namespace hm

namespace hm {
namespace {

// Every operation the language defines has its handler.
TEST(operation_families, every_defined_opcode_has_a_handler) {
  install_script_operations();
  for (std::uint32_t op = opcode::first_operation; op <= opcode::last_operation; ++op) {
    if (!is_defined_opcode(op)) continue;
    EXPECT_NE(find_operation_handler(op), nullptr) << op;
  }
}

// The list holds each family's whole table: all four slot families for all
// eight record kinds, and the two party counts that answer 0.
TEST(operation_families, defined_opcodes_cover_every_family_member) {
  for (std::uint32_t base : {500u, 520u, 540u, 560u}) {
    for (std::uint32_t kind = 0; kind < 8; ++kind) EXPECT_TRUE(is_defined_opcode(base + kind)) << base + kind;
    EXPECT_FALSE(is_defined_opcode(base + 8)) << base + 8;
  }
  EXPECT_TRUE(is_defined_opcode(2158));
  EXPECT_TRUE(is_defined_opcode(2159));
  for (std::uint32_t gap : {29u, 34u, 1500u, 2386u}) EXPECT_FALSE(is_defined_opcode(gap)) << gap;
}

}  // namespace
}  // namespace hm
