#include "mission/agent/agent_queries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/collision/face.h"
#include "engine/core/timer.h"
#include "mission/records/mission.h"
#include "mission/support/recording_services.h"
#include "module/records/action_table.h"
#include "module/records/item_kind.h"
#include "module/records/mission_template.h"

namespace hm {
namespace {

enum test_kind : int { no_kind, arrows, shield, sword, polearm, bow, greatsword };

item_kind make_kind(int type, float weight, std::uint64_t caps = 0) {
  item_kind k;
  k.flags = static_cast<std::uint32_t>(type);
  k.weight = weight;
  k.capabilities = caps;
  return k;
}

class AgentQueries : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    saved.swap(g_item_kinds);
    g_item_kinds.resize(7);
    g_item_kinds[arrows] = make_kind(item_type::arrows, 3.0f);
    g_item_kinds[arrows].max_ammo = 30;
    g_item_kinds[shield] = make_kind(item_type::shield, 4.0f);
    g_item_kinds[shield].hit_points = 50;
    g_item_kinds[shield].speed_rating = 80;
    g_item_kinds[sword] = make_kind(item_type::one_handed, 1.5f, 0x1 | 0x4 | 0x8 | 0x2 | 0x800000);
    g_item_kinds[sword].speed_rating = 100;
    g_item_kinds[polearm] = make_kind(item_type::polearm, 2.5f, 0x100 | 0x1);
    g_item_kinds[polearm].speed_rating = 90;
    g_item_kinds[polearm].flags |= 0x200000;
    g_item_kinds[bow] = make_kind(item_type::bow, 1.0f);
    g_item_kinds[bow].speed_rating = 100;
    g_item_kinds[greatsword] = make_kind(item_type::two_handed, 3.0f, 0x10 | 0x40 | 0x1);
    g_item_kinds[greatsword].speed_rating = 100;
    m.set_services(&services);
  }
  void TearDown() override {
    saved.swap(g_item_kinds);
    reset_clocks();
  }
  agent& human(int team = 0) {
    agent& a = m.allocate_agent();
    a.state = agent_state_alive;
    a.presence = agent_presence_active;
    a.team = team;
    return a;
  }

  std::vector<item_kind> saved;
  recording_services services;
  mission m;
};

TEST(AgentNumbers, RoundingHalvesGoDown) {
  struct round_case {
    float value;
    int expected;
  };
  for (const round_case& c : {round_case{2.5f, 2}, {2.51f, 3}, {-0.5f, -1}, {-1.5f, -2}, {-0.49f, 0}, {3.0f, 3},
                              {0.0f, 0}, {-2.6f, -3}}) {
    EXPECT_EQ(round_to_int(c.value), c.expected) << c.value;
  }
}

TEST(AgentNumbers, StringHashAndAngles) {
  EXPECT_EQ(hash_string(""), 0u);
  EXPECT_EQ(hash_string("a"), 97u);
  EXPECT_EQ(hash_string("ab"), (97u * 59u + 98u) % 3571u);
  EXPECT_FLOAT_EQ(closer_angle(0.0f, 0.5f, -0.4f), -0.4f);
  EXPECT_FLOAT_EQ(closer_angle(0.0f, 0.5f, -0.5f), -0.5f);  // a tie gives c
  // Round the circle -3.0 lies 0.28 from 3.0, nearer than 2.0.
  EXPECT_FLOAT_EQ(closer_angle(3.0f, -3.0f, 2.0f), -3.0f);
}

TEST(AgentNumbers, VelocityMeetingAPlane) {
  struct reflect_case {
    vec3 v;
    vec3 expected_v;
    vec3 taken;
  };
  const reflect_case cases[] = {
      {vec3(0, 0, -1), vec3(0, 0, 0), vec3(0, 0, -1)},
      {vec3(1, 0, -0.5f), vec3(0.8f, 0, 0), vec3(0.2f, 0, -0.5f)},
      {vec3(0, 2, 1), vec3(0, 2, 1), vec3(0, 0, 0)},  // leaving the plane
  };
  for (const reflect_case& c : cases) {
    vec3 v = c.v;
    const vec3 taken = reflect_velocity_on_plane(v, vec3(0, 0, 1));
    EXPECT_NEAR(v.x, c.expected_v.x, 1e-6f);
    EXPECT_NEAR(v.z, c.expected_v.z, 1e-6f);
    EXPECT_NEAR(taken.x, c.taken.x, 1e-6f);
    EXPECT_NEAR(taken.z, c.taken.z, 1e-6f);
  }
  EXPECT_TRUE(box_contains_point(vec3(0, 0, 0), vec3(1, 1, 1), vec3(1, 0, 0.5f)));
  EXPECT_FALSE(box_contains_point(vec3(0, 0, 0), vec3(1, 1, 1), vec3(1, 0, 1.5f)));
}

TEST(AgentNumbers, HourOfDayAndDeadlines) {
  struct hour_case {
    float hours;
    bool day;
  };
  for (const hour_case& c : {hour_case{4.0f, true}, {20.0f, false}, {3.5f, false}, {19.5f, true}, {28.0f, true},
                             {44.5f, false}}) {
    reset_clocks();
    set_clock_ticks(clock_campaign, static_cast<std::int64_t>(c.hours * 100000.0f));
    EXPECT_EQ(is_daytime(), c.day) << c.hours;
    EXPECT_EQ(is_night(), !c.day) << c.hours;
  }
  reset_clocks();
  deadline_timer t;
  t.arm(1.0f);
  t.arm(5.0f);  // already armed: unchanged
  advance_clock(clock_mission, 0.5f);
  EXPECT_FALSE(t.poll());
  advance_clock(clock_mission, 0.5f);
  EXPECT_TRUE(t.poll());
  EXPECT_FALSE(t.poll());
  reset_clocks();
}

TEST_F(AgentQueries, RandomIntBelowTwoDrawsNothing) {
  services.draws = {7, 7};
  EXPECT_EQ(random_int_below(m, 1), 0);
  EXPECT_EQ(random_int_below(m, 0), 0);
  EXPECT_EQ(services.next_draw, 0u);
  EXPECT_EQ(random_int_below(m, 5), 2);
  EXPECT_FLOAT_EQ(mission_random_unit(m), 7 * 6.322312e-5f);
}

TEST_F(AgentQueries, RelationsBetweenAgents) {
  m.set_team_relation(0, 1, team_relation_enemy);
  m.set_team_relation(0, 2, team_relation_ally);
  agent& a = human(0);
  const agent& enemy = human(1);
  const agent& ally = human(2);
  const agent& neutral = human(3);
  const agent& stray = human(11);
  struct relation_case {
    const agent& b;
    bool enemies, allies, not_enemies;
  };
  const relation_case cases[] = {{enemy, true, false, false},
                                 {ally, false, true, false},
                                 {neutral, false, false, true},
                                 {stray, false, false, true}};
  for (const relation_case& c : cases) {
    EXPECT_EQ(teams_are_enemies(m, a, c.b), c.enemies) << c.b.team;
    EXPECT_EQ(teams_are_allies(m, a, c.b), c.allies) << c.b.team;
    EXPECT_EQ(teams_not_enemies(m, a, c.b), c.not_enemies) << c.b.team;
  }
  m.teams[7].leader = 4;
  EXPECT_EQ(get_team_leader(m, stray), 4);
  EXPECT_EQ(get_use_distance(a), 1.5f);
  a.mount = 9;
  EXPECT_EQ(get_use_distance(a), 2.4f);
}

TEST_F(AgentQueries, WeightAndAmmunitionCarried) {
  agent& a = human();
  a.equipment[0] = item{arrows, 0};   // full: 30 left
  a.equipment[1] = item{arrows, 15};  // 15 left
  a.equipment[2] = item{arrows, 30};  // empty
  a.equipment[3] = item{shield, 0};   // broken: weighs nothing
  a.equipment[agent_slot_body] = item{sword, 0};
  a.equipment[agent_slot_horse] = item{sword, 0};  // not carried by the rider
  EXPECT_FLOAT_EQ(get_equipment_weight(a), 3.0f + 1.5f + 0.0f + 0.0f + 1.5f);
  EXPECT_EQ(get_ammunition(a), 45);
  a.equipment[3] = item{shield, 50};
  EXPECT_FLOAT_EQ(get_equipment_weight(a), 10.0f);
  refill_ammo(a);
  EXPECT_EQ(get_ammunition(a), 90);
  EXPECT_EQ(a.equipment[3].word, 50u);
}

TEST_F(AgentQueries, ShieldOnTheBack) {
  agent& a = human();
  a.equipment[1] = item{shield, 10};
  EXPECT_EQ(find_shield_slot(a).kind, -1);  // exactly 10 is not enough
  a.equipment[1] = item{shield, 11};
  EXPECT_EQ(find_shield_slot(a).word, 11u);
  a.equipment[3] = item{shield, 40};
  EXPECT_EQ(find_shield_slot(a).word, 40u);  // the highest slot first
  a.wielded_slots[1] = 3;
  EXPECT_EQ(find_shield_slot(a).word, 11u);  // the one in hand is not on the back
  a.two_hands = 1;
  EXPECT_EQ(find_shield_slot(a).word, 40u);
  int hp = 0;
  int full = 0;
  get_shield_hit_points(a, -1, hp, full);
  EXPECT_EQ(hp, 40);
  EXPECT_EQ(full, 50);
  get_shield_hit_points(a, 0, hp, full);  // empty slot
  EXPECT_EQ(hp, -1);
  EXPECT_EQ(full, -1);
  get_shield_hit_points(a, 7, hp, full);
  EXPECT_EQ(hp, -1);
}

TEST_F(AgentQueries, WieldedItems) {
  agent& a = human();
  a.equipment[0] = item{sword, 0};
  a.equipment[1] = item{shield, 30};
  a.wielded_slots = {0, 1};
  EXPECT_EQ(get_wielded_item(a, 0).kind, sword);
  EXPECT_EQ(get_wielded_item(a, 1).kind, shield);
  a.hand1_unavailable = 1;
  EXPECT_EQ(get_wielded_item(a, 1).kind, -1);
  a.wielded_slots[0] = 12;
  EXPECT_EQ(get_wielded_item(a, 0).kind, -1);
  EXPECT_EQ(get_wielded_item(a, 2).kind, -1);
}

TEST_F(AgentQueries, CollisionCapsules) {
  agent& walker = human();
  agent& rider = human();
  rider.mount = 5;
  rider.height_factor = 2.0f;
  agent& horse = human();
  horse.kind = agent_kind_horse;
  struct capsule_case {
    const agent& a;
    float low, high, radius;
  };
  const capsule_case cases[] = {
      {walker, 0.75f, 1.45f, 0.37f},
      {rider, 2.6f, 4.0f, 0.37f},
      {horse, 1.05f, 1.15f, 0.4f},
  };
  for (const capsule_case& c : cases) {
    const agent_capsule k = get_collision_capsule(c.a);
    EXPECT_FLOAT_EQ(k.a.z, c.low) << c.a.index;
    EXPECT_FLOAT_EQ(k.b.z, c.high) << c.a.index;
    EXPECT_FLOAT_EQ(k.radius, c.radius) << c.a.index;
  }
  walker.body_offset = vec3(0.1f, 0.2f, 0.05f);
  EXPECT_FLOAT_EQ(get_collision_capsule(walker).a.x, -0.1f);
  EXPECT_FLOAT_EQ(get_collision_capsule(walker).b.z, 1.4f);
  walker.capsule_lifted = 1;
  EXPECT_FLOAT_EQ(get_collision_capsule(walker).a.z, 2.0f);
  walker.presence = agent_presence_lying;  // the fallen body's rule comes last
  EXPECT_FLOAT_EQ(get_collision_capsule(walker).b.z, 4.1f);
  EXPECT_FLOAT_EQ(get_collision_capsule(walker).radius, 0.001f);
  horse.state = agent_state_dead;
  EXPECT_FLOAT_EQ(get_collision_capsule(horse).a.z, 5.0f);
}

TEST_F(AgentQueries, SpeedFactors) {
  agent& a = human();
  agent& player = human();
  m.player_agent = player.index;
  a.equipment_weight = 18.0f;
  EXPECT_FLOAT_EQ(get_weight_speed_factor(a), 1.0f - 18.0f * 0.11f / 9.0f);
  a.equipment_weight = 100.0f;
  EXPECT_EQ(get_weight_speed_factor(a), 0.0f);
  a.kind = agent_kind_horse;
  EXPECT_EQ(get_weight_speed_factor(a), 1.0f);
  a.kind = agent_kind_human;

  struct speed_case {
    int kind;
    bool mounted, is_player;
    int combat_speed;
    float expected;
  };
  const speed_case cases[] = {
      // Rating 100 without proficiency: 0.93; others scaled by 0.07 c + 0.93.
      {sword, false, false, 0, 0.93f * 0.93f},
      {sword, false, true, 0, 0.93f},
      {sword, false, true, 1, 0.93f},
      {sword, false, true, 2, 0.93f * 1.07f},
      // A polearm on horseback: less 0.15 and 0.05 more for its flag.
      {polearm, true, true, 0, 0.9f * 0.93f - 0.2f},
      {polearm, false, true, 0, 0.9f * 0.93f},
      // A bow trains faster: k = 0.11.
      {bow, false, true, 0, 0.89f},
      // The player's shield takes the same scale as anyone's.
      {shield, false, true, 2, 0.8f * 1.07f},
      {shield, false, false, 2, 0.8f * 1.07f},
      {shield, false, true, 0, 0.8f},
      {shield, false, false, 0, 0.8f * 0.93f},
  };
  for (const speed_case& c : cases) {
    agent& who = c.is_player ? player : a;
    who.equipment[0] = item{c.kind, 0};
    who.wielded_slots[0] = 0;
    who.mount = c.mounted ? 3 : -1;
    EXPECT_NEAR(get_weapon_speed_factor(m, who, 0, c.combat_speed), c.expected, 1e-5f)
        << c.kind << ' ' << c.mounted << ' ' << c.is_player << ' ' << c.combat_speed;
  }
  // Nothing in hand, or a weapon without a speed rating: the neutral factor.
  a.wielded_slots[0] = -1;
  EXPECT_EQ(get_weapon_speed_factor(m, a, 0, 0), 1.0f);
  g_item_kinds[sword].speed_rating = 0;
  a.equipment[0] = item{sword, 0};
  a.wielded_slots[0] = 0;
  const float f = get_weapon_speed_factor(m, a, 0, 0);
  EXPECT_EQ(f, 1.0f);
}

TEST_F(AgentQueries, ItemsOfZeroValuesGiveNeutralFiguresNeverNaN) {
  // Every item type with a kind whose figures are all 0.
  g_item_kinds.assign(19, item_kind{});
  for (int type = 0; type < 19; ++type) g_item_kinds[static_cast<std::size_t>(type)].flags = static_cast<std::uint32_t>(type);
  agent& a = human();
  agent& rider = human();
  rider.mount = 3;
  for (int type = 0; type < 19; ++type) {
    for (agent* who : {&a, &rider}) {
      who->equipment.fill(item{type, 0});
      who->wielded_slots = {0, 1};
      for (int hand = 0; hand < 2; ++hand) {
        for (int speed = 0; speed < 3; ++speed) {
          const float f = get_weapon_speed_factor(m, *who, hand, speed);
          EXPECT_EQ(f, 1.0f) << type << ' ' << hand << ' ' << speed;
        }
      }
      EXPECT_EQ(get_equipment_weight(*who), 0.0f) << type;
      EXPECT_EQ(get_ammunition(*who), 0) << type;
      who->equipment_weight = get_equipment_weight(*who);
      EXPECT_FALSE(std::isnan(get_weight_speed_factor(*who))) << type;
    }
  }
}

TEST_F(AgentQueries, StrongStateOfAnAttack) {
  agent& a = human();
  struct strong_case {
    int action;
    float progress;
    bool strong;
  };
  for (const strong_case& c : {strong_case{72, 0.5f, true}, {72, 0.1f, false}, {71, 0.5f, false}}) {
    a.channels[1].action = c.action;
    a.channels[1].progress = c.progress;
    EXPECT_EQ(is_starting_action_72(a), c.strong) << c.action << ' ' << c.progress;
  }
  a.channels[0].action = 72;
  a.channels[0].progress = 0.9f;
  a.channels[1].action = -1;
  EXPECT_FALSE(is_starting_action_72(a));  // the lower body does not count
  a.ai.order_words = {1, 2, 3, 4, 5};
  clear_ai_order_words(a);
  EXPECT_EQ(a.ai.order_words, (std::array<std::int32_t, 5>{}));
}

TEST_F(AgentQueries, TurningTowardsTheInput) {
  agent& a = human();
  a.input.set_direction(vec3(1.0f, 0.0f, 0.0f));
  limit_turn(a, false, 0.1f);
  EXPECT_NEAR(a.forward().x, 0.3f / std::sqrt(1.09f), 1e-5f);
  EXPECT_NEAR(a.forward().y, 1.0f / std::sqrt(1.09f), 1e-5f);
  agent& p = human();
  p.input.set_direction(vec3(1.0f, 0.0f, 0.0f));
  limit_turn(p, true, 0.1f);
  EXPECT_NEAR(p.forward().x, 0.6f / std::sqrt(1.36f), 1e-5f);
  EXPECT_NEAR(dot_product(p.body_frame.rot.s, p.body_frame.rot.f), 0.0f, 1e-6f);
}

// An aim that looks up or down turns the body about the vertical only: a body
// that took the aim's pitch into its frame rolled over after a few hundred
// turns of a fight and carried its weapon and hit capsules into the ground.
TEST_F(AgentQueries, TurningTowardsAPitchedAimKeepsTheBodyUpright) {
  agent& a = human();
  const float h = std::sqrt(0.5f);
  a.input.set_direction(vec3(h, 0.0f, -h));
  limit_turn(a, false, 0.1f);
  // facing (0, 1, 0) + 3 x 0.1 x (0.7071, 0, 0), renormalised in the plane
  const float n = std::sqrt(0.3f * h * 0.3f * h + 1.0f);
  EXPECT_NEAR(a.forward().x, 0.3f * h / n, 1e-5f);
  EXPECT_NEAR(a.forward().y, 1.0f / n, 1e-5f);
  EXPECT_EQ(a.forward().z, 0.0f);

  const vec3 aims[] = {vec3(0.6f, 0.0f, 0.8f), vec3(-0.6f, 0.0f, -0.8f), vec3(0.0f, -0.8f, 0.6f),
                       vec3(0.8f, 0.6f, 0.0f), vec3(-0.28f, 0.96f, -0.3f)};
  for (int i = 0; i < 3000; ++i) {
    a.input.set_direction(aims[(i / 7) % 5]);
    limit_turn(a, false, 1.0f / 60.0f);
  }
  EXPECT_NEAR(a.body_frame.rot.u.z, 1.0f, 1e-6f);
  EXPECT_NEAR(a.forward().z, 0.0f, 1e-6f);
  EXPECT_NEAR(a.body_frame.rot.s.z, 0.0f, 1e-6f);
  EXPECT_NEAR(a.forward().length(), 1.0f, 1e-5f);
  EXPECT_NEAR(dot_product(a.body_frame.rot.s, a.forward()), 0.0f, 1e-6f);
}

TEST(AgentAiming, ElevationStaysWithinItsLimits) {
  struct elevation_case {
    float v, q, h, expected;
  };
  const elevation_case cases[] = {
      {0.0f, 10.0f, 1.0f, 0.0f},     // no speed: no aim, never NaN
      {-5.0f, 10.0f, 1.0f, 0.0f},
      {10.0f, 0.0f, 50.0f, 0.5f},    // h / v^2
      {10.0f, 0.0f, 500.0f, 1.0f},   // at most 1
      {10.0f, 0.0f, -100.0f, 0.0f},  // 0.2 h / v^2 = -0.2, held at 0
      {20.0f, 40.0f, 0.0f, 204.0f / std::pow(20.0f, 1.95f)},
  };
  for (const elevation_case& c : cases) {
    const float e = compute_aim_elevation(c.v, c.q, c.h);
    EXPECT_FALSE(std::isnan(e));
    EXPECT_NEAR(e, c.expected, 1e-5f) << c.v << ' ' << c.q << ' ' << c.h;
  }
  vec3 zero(0.0f, 0.0f, 3.0f);
  EXPECT_EQ(vec2_normalize(zero), 0.0f);
  EXPECT_EQ(zero.y, 1.0f);
  EXPECT_EQ(zero.z, 3.0f);
  vec3 v(3.0f, 4.0f, 0.0f);
  EXPECT_FLOAT_EQ(vec2_normalize(v), 5.0f);
  EXPECT_FLOAT_EQ(v.x, 0.6f);
  const vec3 r = vec2_rotate(vec3(1.0f, 0.0f, 5.0f), 1.5707964f, vec3(3.0f, 4.0f, 7.0f));
  EXPECT_NEAR(r.x, 0.0f, 1e-5f);
  EXPECT_NEAR(r.y, 5.0f, 1e-5f);
  EXPECT_EQ(r.z, 7.0f);
}

TEST_F(AgentQueries, AttackActionsByWeaponAndDirection) {
  agent& a = human();
  struct action_case {
    int weapon;     // -1 bare hands
    bool shield_in_hand, two_hands, mounted;
    int direction, ready, mode;
  };
  const action_case cases[] = {
      {-1, false, false, false, 0, 148, 0},
      {-1, false, false, false, 1, 139, 0},
      {-1, false, false, false, 2, 142, 0},
      {-1, false, false, false, 3, 145, 0},
      {greatsword, false, false, false, 0, 160, 0},
      {greatsword, false, false, false, 1, 154, 0},
      // A shield in the other hand and both-hands clear: the one-handed rows.
      {greatsword, true, false, false, 0, 166, 0},
      {greatsword, true, false, false, 1, -1, 0},
      {greatsword, true, true, false, 1, 154, 0},
      {polearm, false, false, false, 0, 190, 0},
      {sword, true, false, false, 2, 175, 0},
      {sword, true, false, false, 3, 178, 0},
      {sword, false, false, true, 0, 166, 2},
      {sword, false, false, true, 1, 181, 0},
      {sword, false, false, true, 2, -1, 0},
      {sword, false, false, true, 3, 178, 1},
      {polearm, false, false, true, 3, -1, 0},
  };
  for (const action_case& c : cases) {
    a.equipment[0] = item{c.weapon, 0};
    a.equipment[1] = item{c.shield_in_hand ? shield : -1, 30};
    a.wielded_slots = {c.weapon >= 0 ? 0 : -1, c.shield_in_hand ? 1 : -1};
    a.two_hands = c.two_hands ? 1 : 0;
    a.mount = c.mounted ? 2 : -1;
    const weapon_action_set s = get_weapon_action_set(a, 0, c.direction);
    EXPECT_EQ(s.ready, c.ready) << c.weapon << ' ' << c.direction << ' ' << c.mounted;
    EXPECT_EQ(s.release, c.ready < 0 ? -1 : c.ready + 1);
    EXPECT_EQ(s.parry, c.ready < 0 ? -1 : c.ready + 2);
    EXPECT_EQ(s.mode, c.mode);
  }
}

TEST_F(AgentQueries, TemplateSendsAgentsAfterEnemiesStillToCome) {
  std::vector<mission_template> saved_templates;
  saved_templates.swap(g_mission_templates);
  g_mission_templates.resize(2);
  g_mission_templates[0].flags = 2;
  m.template_index = 0;
  m.set_team_relation(0, 1, team_relation_enemy);
  agent& a = human(0);
  a.ai.mode = 4;
  a.ai.formation_word = 3;
  apply_template_team_mode(m, a);
  EXPECT_EQ(a.ai.mode, 4);  // nobody left to come
  m.teams[1].spawn_counters[1] = 2;
  m.template_index = 1;  // a template without the flag
  apply_template_team_mode(m, a);
  EXPECT_EQ(a.ai.mode, 4);
  m.template_index = 0;
  apply_template_team_mode(m, a);
  EXPECT_EQ(a.ai.mode, 12);
  EXPECT_EQ(a.ai.formation_word, 0);
  m.template_index = 5;  // outside the table: nothing
  a.ai.mode = 4;
  apply_template_team_mode(m, a);
  EXPECT_EQ(a.ai.mode, 4);
  saved_templates.swap(g_mission_templates);
}

TEST_F(AgentQueries, ActionVariantsByTheAgentsWishes) {
  action_table actions;
  actions.actions.resize(1);
  actions.actions[0].sequences.resize(3);
  actions.actions[0].sequences[1].flags = 1u << 24;
  actions.actions[0].sequences[2].flags = 1u << 25;
  agent& a = human();
  a.channels[0].action = 0;
  struct variant_case {
    std::uint32_t variant_flags;
    bool riding;
    int draw;
    std::vector<float> weights;
    int chosen;
  };
  const variant_case cases[] = {
      {0x0, false, 0, {1, 0, 0}, 0},
      // A draw of 0 never picks a variant of weight 0.
      {0x4, false, 0, {0, 1, 0}, 1},
      {0x8, false, 0, {1, 0, 0}, 0},  // bit 3 asks for a rider
      {0x8, true, 0, {0, 0, 1}, 2},
      {0xC, true, 0, {0, 1, 1}, 1},
      {0xC, true, 7908, {0, 1, 1}, 1},  // r = 0.99993
      {0xC, true, 15816, {0, 1, 1}, 2},
  };
  for (const variant_case& c : cases) {
    a.variant_flags = c.variant_flags;
    a.mount = c.riding ? 4 : -1;
    EXPECT_EQ(get_variant_weights(a, actions, 0), c.weights) << c.variant_flags << c.riding;
    services.draws = {c.draw};
    services.next_draw = 0;
    EXPECT_EQ(choose_action_variant(m, a, 0, actions), c.chosen) << c.variant_flags << c.riding << c.draw;
  }
  a.channels[0].action = 3;
  EXPECT_TRUE(get_variant_weights(a, actions, 3).empty());
  EXPECT_EQ(choose_action_variant(m, a, 0, actions), -1);
  EXPECT_EQ(choose_action_variant(m, a, 2, actions), -1);
}

TEST_F(AgentQueries, DirectionsInACone) {
  const hm::frame ahead = hm::frame::identity();
  services.draws = {15816, 5000};
  const vec3 straight = random_direction_in_cone(m, ahead, 0.0f);
  EXPECT_FLOAT_EQ(straight.y, 1.0f);
  services.draws = {15816, 0};
  services.next_draw = 0;
  const vec3 tilted = random_direction_in_cone(m, ahead, 1.0f);
  const float tilt = 2.0f * (15816 * 6.322312e-5f - 0.5f);
  EXPECT_NEAR(tilted.y, std::cos(tilt), 1e-5f);
  EXPECT_NEAR(tilted.z, std::sin(tilt), 1e-5f);
  EXPECT_NEAR(tilted.length(), 1.0f, 1e-5f);
}

TEST_F(AgentQueries, HorsesLeanWithTheSlopeAhead) {
  const face slope({vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 1, 1), vec3(0, 1, 1)});
  agent& horse = human();
  horse.kind = agent_kind_horse;
  horse.ground_face = &slope;
  update_lean_angle(horse, 0.1f);
  // Uphill at 45 degrees: the lean moves 0.8 of the way to pi / 4.
  EXPECT_NEAR(horse.lean, 0.785398f * 0.8f, 1e-5f);
  agent& walker = human();
  walker.ground_face = &slope;
  update_lean_angle(walker, 0.1f);
  EXPECT_EQ(walker.lean, 0.0f);
  horse.ground_face = nullptr;
  update_lean_angle(horse, 0.1f);
  EXPECT_NEAR(horse.lean, 0.785398f * 0.8f, 1e-5f);
}

}  // namespace
}  // namespace hm
