// Agent movement and the agent frame on a mission whose ground the test
// shapes: contacts between agents, drops and steps, the scene's edges,
// landings, and the order of the frame's steps.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "engine/collision/face.h"
#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "mission/combat/combat_hooks.h"
#include "mission/frame/agent_frame.h"
#include "mission/frame/agent_movement.h"
#include "mission/frame/agent_placement.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/support/combat_fixtures.h"
#include "module/base/module_settings.h"
#include "module/records/action_table.h"
#include "module/records/item_kind.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

constexpr int horse_kind = 0;

class shaped_ground : public mission_services {
 public:
  bool ground_height(mission&, const vec3& p, float& out) override {
    if (!ground) return false;
    out = ground(p);
    return true;
  }
  std::function<float(const vec3&)> ground = [](const vec3&) { return 0.0f; };
};

class Movement : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    reset_combat_hooks();
    g_module_settings.set_defaults();
    g_item_kinds.assign(1, item_kind{});
    g_item_kinds[horse_kind].flags = item_type::horse;
    g_item_kinds[horse_kind].thrust_damage = 10;
    m.set_services(&services);
    m.scene_min_x = -20.0f;
    m.scene_min_y = -20.0f;
    m.scene_max_x = 20.0f;
    m.scene_max_y = 20.0f;
    m.water_level = -100.0f;
    m.set_team_relation(0, 1, team_relation_enemy);
  }
  void TearDown() override {
    m.set_services(nullptr);
    g_item_kinds.clear();
  }

  agent& spawn(int kind, vec3 at, float forward_speed = 0.0f) {
    agent& a = spawn_standing_agent(m, kind, 0, at);
    a.forward_speed = forward_speed;
    if (kind == agent_kind_horse) a.horse_item = horse_kind;
    return a;
  }

  shaped_ground services;
  mission m;
  scripted_combat_random random{{0}};
};

TEST(MovementRules, SlideAndPushThrough) {
  vec3 d(0.0f, -1.0f, 0.0f);
  vec3 removed = slide_displacement_on_contact(d, vec3(0, 1, 0));
  EXPECT_NEAR(d.length(), 0.0f, 1e-6f);
  EXPECT_NEAR(removed.y, -1.0f, 1e-6f);
  d = vec3(1.0f, -0.5f, 0.0f);
  removed = slide_displacement_on_contact(d, vec3(0, 1, 0));
  EXPECT_NEAR(d.x, 0.8f, 1e-6f);
  EXPECT_NEAR(d.y, 0.0f, 1e-6f);
  EXPECT_NEAR(removed.x, 0.2f, 1e-6f);
  EXPECT_NEAR(removed.y, -0.5f, 1e-6f);
  // Moving away from the contact changes nothing.
  d = vec3(0.0f, 1.0f, 0.0f);
  EXPECT_NEAR(slide_displacement_on_contact(d, vec3(0, 1, 0)).length(), 0.0f, 1e-6f);

  EXPECT_NEAR(horse_push_through(10, 10), 0.7f, 1e-6f);
  EXPECT_NEAR(horse_push_through(0, 0), 0.1f, 1e-6f);
  EXPECT_NEAR(horse_push_through(40, 40), 0.96f, 1e-6f);
}

TEST_F(Movement, FastHorseChargesThroughAManOnFoot) {
  agent& man = spawn(agent_kind_human, vec3(0.0f, 1.1f, 0.0f));
  man.team = 1;
  agent& fast = spawn(agent_kind_horse, vec3(), 6.0f);
  update_movement(m, fast, 0.1f, random);
  // (charge 10 + 5) x (-n . motion 6 + 0.1) x 1.0 x speed 6 x 0.015.
  ASSERT_EQ(man.blow_pending, 1u);
  EXPECT_NEAR(man.pending_blow.raw_damage, 15.0f * 6.1f * 6.0f * 0.015f, 1e-3f);
  EXPECT_EQ(man.pending_blow.bone, 7);
  EXPECT_EQ(man.pending_blow.damage_type, 2);
  EXPECT_EQ(man.pending_blow.flags, blow_strong);
  EXPECT_EQ(man.pending_blow.attacker, fast.index);
  const float through = fast.position().y;

  // At 4.0 the horse is stopped like by any agent (its charge blow still
  // lands above 3.5).
  spawn(agent_kind_human, vec3(10.0f, 1.1f, 0.0f));
  agent& slow = spawn(agent_kind_horse, vec3(10.0f, 0.0f, 0.0f), 4.0f);
  update_movement(m, slow, 0.1f, random);
  EXPECT_GT(through, slow.position().y);
}

TEST_F(Movement, ManBeingPushedTakesNoChargeBlow) {
  agent& man = spawn(agent_kind_human, vec3(0.0f, 1.1f, 0.0f));
  man.action_timer.set_elapsed(-0.3f);
  agent& horse = spawn(agent_kind_horse, vec3(), 6.0f);
  update_movement(m, horse, 0.1f, random);
  EXPECT_EQ(man.blow_pending, 0u);
}

TEST_F(Movement, MenOnFootKeepTheirDistance) {
  agent& walker = spawn(agent_kind_human, vec3(), 1.0f);
  agent& other = spawn(agent_kind_human, vec3(0.0f, 0.65f, 0.0f));
  update_movement(m, walker, 0.1f, random);
  // The step into the other is taken back, then 0.6 x (0.7 - 0.65) away.
  EXPECT_NEAR(walker.position().y, -0.03f, 1e-5f);
  // A standing man keeps his place though the other overlaps him.
  update_movement(m, other, 0.1f, random);
  EXPECT_NEAR(other.position().y, 0.65f, 1e-6f);
}

TEST_F(Movement, StepsDropsAndTheScenesEdge) {
  struct row {
    float ground_ahead;
    bool player;
    float y;
    float z;
    bool on_ground;
    float visual_z;
  };
  // Walking from y 0.95 at speed 1 for 0.1 s onto ground of another height
  // beyond y = 1.
  const row rows[] = {
      {1.0f, false, 1.05f, 1.0f, true, -1.0f},   // a step up eases through the offset
      {2.0f, false, 0.95f, 0.0f, true, 0.0f},    // a wall of ground blocks
      {-3.0f, false, 0.95f, 0.0f, true, 0.0f},   // the AI stops at a high drop
      {-3.0f, true, 1.05f, 0.0f, false, 0.0f},   // the player walks off
      {-2.0f, false, 1.05f, 0.0f, false, 0.0f},  // a drop of 2 the AI takes
  };
  for (const row& r : rows) {
    services.ground = [r](const vec3& p) { return p.y >= 1.0f ? r.ground_ahead : 0.0f; };
    agent& a = spawn(agent_kind_human, vec3(5.0f, 0.95f, 0.0f), 1.0f);
    m.player_agent = r.player ? a.index : -1;
    update_movement(m, a, 0.1f, random);
    EXPECT_NEAR(a.position().y, r.y, 1e-5f) << r.ground_ahead << " " << r.player;
    EXPECT_NEAR(a.position().z, r.z, 1e-5f) << r.ground_ahead;
    EXPECT_EQ((a.movement_flags & agent_movement_on_ground) != 0, r.on_ground) << r.ground_ahead;
    EXPECT_NEAR(a.visual_offset.z, r.visual_z, 1e-5f) << r.ground_ahead;
    a.state = agent_state_dead;
  }

  services.ground = [](const vec3&) { return 0.0f; };
  agent& edge = spawn(agent_kind_human, vec3(0.0f, 19.95f, 0.0f), 5.0f);
  update_movement(m, edge, 0.1f, random);
  EXPECT_EQ(edge.position().y, 20.0f);
}

TEST_F(Movement, AnActionThatCarriesTheBodyMovesItForThatFrameOnly) {
  action_table table;
  table.actions.resize(5);
  table.actions[4].flags = 0x4000;
  action_sequence seq;
  seq.duration = 2.0f;
  seq.root_motion = vec3(0.0f, 3.0f, 0.0f);
  table.actions[4].sequences.push_back(seq);
  agent& a = spawn(agent_kind_human, vec3());
  a.actions = &table;
  a.channels[0].action = 4;
  a.channels[0].variant = 0;
  // Facing +x: the sequence's forward 3 m over 2 s is 1.5 m/s along x.
  a.body_frame.rot.f = vec3(1, 0, 0);
  a.body_frame.rot.s = vec3(0, -1, 0);
  update_movement(m, a, 0.1f, random);
  EXPECT_NEAR(a.position().x, 0.15f, 1e-5f);
  EXPECT_EQ(a.motion.length(), 0.0f);  // not kept for the next frame
}

TEST_F(Movement, NoGroundKeepsTheHeightAndANullFace) {
  services.ground = nullptr;
  agent& a = spawn(agent_kind_human, vec3(0.0f, 0.0f, 5.0f), 1.0f);
  update_movement(m, a, 0.1f, random);
  EXPECT_EQ(a.position().z, 5.0f);
  EXPECT_EQ(a.ground_face, nullptr);
}

TEST_F(Movement, HardLandingBecomesABlow) {
  agent& a = spawn(agent_kind_human, vec3(0.0f, 0.0f, 0.5f));
  a.movement_flags = 0;
  a.motion = vec3(0.0f, 0.0f, -20.0f);
  update_movement(m, a, 0.1f, random);
  EXPECT_NE(a.movement_flags & agent_movement_on_ground, 0u);
  EXPECT_EQ(a.position().z, 0.0f);
  // Motion (-20 - 0.98) x 0.99; raw damage twice its length straight down.
  ASSERT_EQ(a.blow_pending, 1u);
  EXPECT_NEAR(a.pending_blow.raw_damage, 2.0f * 20.98f * 0.99f, 1e-3f);
  EXPECT_EQ(a.pending_blow.bone, 2);
  EXPECT_EQ(a.pending_blow.attacker, -1);
}

TEST_F(Movement, WallsStopAndTurnTheWalk) {
  m.scene = std::make_unique<scene_world>(vec3(0.0f, 0.0f, 0.0f), vec3(12.0f, 12.0f, 0.0f), 3, 3, 0);
  const auto add = [this](std::initializer_list<vec3> corners) {
    auto f = std::make_unique<face>(corners);
    f->flags = 8;
    return static_cast<const face*>(m.scene->add_body(std::move(f)));
  };
  add({vec3(0, 0, 0), vec3(12, 0, 0), vec3(12, 12, 0), vec3(0, 12, 0)});
  // A wall along x = 3 facing -x.
  const face* wall = add({vec3(3, 0, 2), vec3(3, 12, 2), vec3(3, 12, 0), vec3(3, 0, 0)});

  agent& straight = spawn(agent_kind_human, vec3(2.5f, 5.0f, 0.0f), 2.0f);
  straight.body_frame.rot.f = vec3(1, 0, 0);
  straight.body_frame.rot.s = vec3(0, -1, 0);
  update_movement(m, straight, 0.1f, random);
  EXPECT_NEAR(straight.position().x, 2.5f, 1e-5f);
  EXPECT_EQ(straight.wall_face, wall);

  agent& slanting = spawn(agent_kind_human, vec3(2.6f, 8.0f, 0.0f), 2.0f);
  const float h = std::sqrt(0.5f);
  slanting.body_frame.rot.f = vec3(h, h, 0);
  slanting.body_frame.rot.s = vec3(h, -h, 0);
  update_movement(m, slanting, 0.1f, random);
  EXPECT_NEAR(slanting.position().x, 2.6f, 1e-5f);
  EXPECT_NEAR(slanting.position().y, 8.0f + 0.2f * h, 1e-5f);
  EXPECT_EQ(slanting.position().z, 0.0f);
}

TEST_F(Movement, APushedAgentFliesUntilThePushEnds) {
  agent& a = spawn(agent_kind_human, vec3(), 1.0f);
  a.body_frame.rot.f = vec3(0, 1, 0);
  a.action_timer.set_elapsed(-0.3f);
  a.pending_velocity = vec3(2.0f, 0.0f, 0.0f);
  update_movement(m, a, 0.1f, random);
  // Its own walk (1 along y) does not count: motion (2, 0, -0.98) x (1 - 0.04),
  // and the ground keeps it at 0.
  EXPECT_NEAR(a.position().x, 0.192f, 1e-5f);
  EXPECT_NEAR(a.position().y, 0.0f, 1e-6f);
  EXPECT_EQ(a.position().z, 0.0f);
  EXPECT_EQ(a.pending_velocity.length(), 0.0f);  // used up in the step
  // The stored motion carries on, damped, while the push runs.
  update_movement(m, a, 0.1f, random);
  EXPECT_NEAR(a.position().x, 0.192f + 0.1f * (1.92f * 0.96f), 1e-5f);
  // Once the push is over it walks again.
  a.action_timer.set_elapsed(0.1f);
  const vec3 before = a.position();
  update_movement(m, a, 0.1f, random);
  EXPECT_NEAR(a.position().x, before.x, 1e-6f);
  EXPECT_NEAR(a.position().y, before.y + 0.1f, 1e-5f);
}

TEST_F(Movement, AFastHorseBroughtUpShortBumpsUnlessItsFellowRunsTheSameWay) {
  std::vector<int> bumps;
  std::vector<int> contacts;
  g_combat_hooks().set_channel_action = [&bumps](agent& a, int channel, int action, std::uint32_t flags, float) {
    if (channel == 0 && action == 412 && flags == 0x1000049u) bumps.push_back(a.index);
  };
  g_combat_hooks().play_contact_sound = [&contacts](mission&, agent&, int kind) { contacts.push_back(kind); };
  struct row {
    float speed;        // of the running horse, towards +y
    float other_speed;  // of the horse 1.7 ahead
    float other_facing_y;
    bool bump;
  };
  const row rows[] = {
      {5.0f, 0.0f, 1.0f, true},    // runs into a standing horse
      {5.0f, 1.0f, 1.0f, false},   // its fellow runs the same way
      {5.0f, 1.0f, -1.0f, true},   // one coming the other way
      {5.0f, 0.1f, 1.0f, true},    // the same way, but too slowly to count
      {3.0f, 0.0f, 1.0f, false},   // not faster than 3
  };
  float x = -15.0f;
  for (const row& r : rows) {
    bumps.clear();
    contacts.clear();
    agent& runner = spawn(agent_kind_horse, vec3(x, 0.0f, 0.0f), r.speed);
    runner.body_frame.rot.f = vec3(0, 1, 0);
    agent& other = spawn(agent_kind_horse, vec3(x, 1.7f, 0.0f), r.other_speed);
    other.body_frame.rot.f = vec3(0, r.other_facing_y, 0);
    update_movement(m, runner, 0.1f, random);
    EXPECT_EQ(bumps.size(), r.bump ? 1u : 0u) << r.speed << ' ' << r.other_speed << ' ' << r.other_facing_y;
    EXPECT_EQ(contacts, r.bump ? std::vector<int>{4} : std::vector<int>{});
    // Stopped dead: the forward speed falls to the actual speed (0) within
    // 0.1 s x 10.
    EXPECT_NEAR(runner.forward_speed, 0.0f, 1e-5f);
    x += 6.0f;
  }
}

TEST(AgentFrameRules, VisualOffsetFades) {
  struct row {
    float value;
    bool vertical;
    float after;
  };
  for (const row r : {row{0.2f, false, 0.08f}, row{-0.2f, false, -0.08f}, row{-0.2f, true, -0.11f},
                      row{0.0005f, false, 0.0f}, row{0.5f, true, 0.17f}, row{0.05f, false, 0.0f}}) {
    EXPECT_NEAR(fade_visual_offset(r.value, 0.1f, r.vertical), r.after, 1e-5f) << r.value;
  }
}

TEST_F(Movement, FrameOfZeroLengthRunsNoBlowAndARiderFollowsItsMount) {
  agent& man = spawn(agent_kind_human, vec3(), 1.0f);
  blow b;
  b.damage = 5.0f;
  man.blow_pending = 1;
  man.pending_blow = b;
  agent_frame(m, man, 0.0f, random);
  EXPECT_EQ(man.blow_pending, 1u);
  EXPECT_EQ(man.position().y, 0.0f);
  agent_frame(m, man, 0.1f, random);
  EXPECT_EQ(man.blow_pending, 0u);
  EXPECT_EQ(man.hit_points, 45.0f);

  agent& horse = spawn(agent_kind_horse, vec3(3.0f, 0.0f, 0.0f), 2.0f);
  agent& rider = spawn(agent_kind_human, vec3(), 1.0f);
  horse.rider = rider.index;
  rider.mount = horse.index;
  // Driven by its input block (an AI rider's block is the AI's).
  rider.controller = agent_controller_player;
  rider.input.action_flags = input_attack_held;
  agent_frame(m, rider, 0.1f, random);
  EXPECT_EQ(rider.position().y, 0.0f);  // no step of its own
  EXPECT_EQ(horse.input.action_flags, input_attack_held);
  agent_frame(m, horse, 0.1f, random);
  agent_post_frame(m, rider, 0.1f, random);
  EXPECT_EQ(rider.position().x, horse.position().x);
  EXPECT_EQ(rider.position().y, horse.position().y);
  EXPECT_GT(horse.position().y, 0.0f);
}

TEST_F(Movement, PlacingOnTheGround) {
  services.ground = [](const vec3&) { return 2.5f; };
  agent& a = spawn(agent_kind_human, vec3(4.0f, 5.0f, 40.0f));
  scripted_combat_random draws({0, 15816, 7000, 3});
  ASSERT_TRUE(place_on_ground(m, a, draws));
  EXPECT_EQ(a.position().z, 2.5f);
  EXPECT_EQ(a.spawn_position.z, 2.5f);
  EXPECT_EQ(a.ai.movement_value, 5.0f);
  EXPECT_EQ(a.placed_flag, 1);
  EXPECT_EQ(a.placed_value, 9);
  EXPECT_NEAR(a.ai.personality[0], -1.0f, 1e-6f);
  for (const float v : a.ai.personality) {
    EXPECT_GE(v, -1.0f);
    EXPECT_LT(v, 1.0f);
  }

  services.ground = nullptr;
  agent& b = spawn(agent_kind_human, vec3(1.0f, 1.0f, 7.0f));
  EXPECT_FALSE(place_on_ground(m, b, draws));
  EXPECT_EQ(b.position().x, 1.0f);
  EXPECT_EQ(b.position().z, 7.0f);
}

TEST_F(Movement, LabelColourAndHeight) {
  m.set_team_relation(0, 2, team_relation_ally);
  agent& player = spawn(agent_kind_human, vec3());
  m.player_agent = player.index;
  agent& friend_ = spawn(agent_kind_human, vec3());
  agent& ally = spawn(agent_kind_human, vec3());
  ally.team = 2;
  agent& enemy = spawn(agent_kind_human, vec3());
  enemy.team = 1;
  agent& rider = spawn(agent_kind_human, vec3());
  rider.mount = 99;
  agent& dead = spawn(agent_kind_human, vec3());
  dead.state = agent_state_dead;
  EXPECT_EQ(compute_agent_label(m, friend_).colour, 0xFF44FF44u);
  EXPECT_EQ(compute_agent_label(m, ally).colour, 0xFF4444FFu);
  EXPECT_EQ(compute_agent_label(m, enemy).colour, 0xFFFFFFFFu);
  EXPECT_EQ(compute_agent_label(m, friend_).height, 1.88f);
  EXPECT_EQ(compute_agent_label(m, rider).height, 2.65f);
  EXPECT_EQ(compute_agent_label(m, dead).height, 0.3f);
  // Without a template showing names, no text.
  EXPECT_TRUE(compute_agent_label(m, friend_).text.empty());
}

TEST_F(Movement, ThePlayersAgentAndARiddenHorseGetNoAIInput) {
  std::vector<int> thinking;
  g_combat_hooks().ai_think = [&thinking](mission&, agent& a) { thinking.push_back(a.index); };
  agent& ai = spawn(agent_kind_human, vec3());
  agent& player = spawn(agent_kind_human, vec3(3, 0, 0));
  player.controller = agent_controller_player;
  agent& horse = spawn(agent_kind_horse, vec3(6, 0, 0));
  agent& rider = spawn(agent_kind_human, vec3(6, 0, 0));
  horse.rider = rider.index;
  rider.mount = horse.index;
  for (agent* a : {&ai, &player, &rider, &horse}) agent_frame(m, *a, 0.0f, random);
  EXPECT_EQ(thinking, (std::vector<int>{ai.index, rider.index}));
}

}  // namespace
}  // namespace hm
