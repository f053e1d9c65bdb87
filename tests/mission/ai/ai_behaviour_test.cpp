#include "mission/ai/ai_behaviour.h"

#include <gtest/gtest.h>

#include "engine/core/timer.h"
#include "mission/ai/ai_think.h"
#include "mission/control/weapon_choice.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/support/recording_services.h"
#include "module/records/item_kind.h"

namespace hm {
namespace {

TEST(ModeWeights, AnArcherPrefersShootingBeyondAboutNineMetres) {
  // 5 / D against D / 15 cross at D = sqrt(75), about 8.66 m.
  struct row {
    float distance;
    bool shoots;
  };
  const row rows[] = {{2.0f, false}, {8.5f, false}, {8.8f, true}, {30.0f, true}};
  for (const row& r : rows) {
    EXPECT_EQ(shooting_weight(r.distance) > melee_weight(r.distance), r.shoots) << r.distance;
  }
  EXPECT_FLOAT_EQ(melee_weight(0.5f), 5.0f);    // clamped at 5
  EXPECT_FLOAT_EQ(shooting_weight(60.0f), 2.5f);  // clamped at 2.5

  ai_mode_weights w;
  EXPECT_EQ(choose_heaviest_mode(w), 0);  // all zero
  w.weight[4] = 1.0f;
  w.weight[9] = 1.0f;
  EXPECT_EQ(choose_heaviest_mode(w), 4);  // ties to the lower mode
}

class BehaviourChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    m.set_services(&services);  // every draw 0: each weight x 0.9
  }
  agent& place(int kind) {
    agent& a = m.allocate_agent();
    a.state = agent_state_alive;
    a.kind = kind;
    a.ai.mode = ai_mode_melee;
    a.ai.movement_period = 3.0f;
    return a;
  }

  recording_services services;
  mission m;
  ai_passes passes;
};

TEST_F(BehaviourChoice, HorsesAndScriptedDestinationsOutweighEverything) {
  struct row {
    const char* what;
    int kind;
    bool alarmed;
    bool scripted;
    int rider_state;
    int mode;
  };
  const row rows[] = {
      {"riderless horse", agent_kind_horse, false, false, horse_rider_none, ai_mode_horse_free},
      {"horse of a fallen rider", agent_kind_horse, false, false, horse_rider_loose, ai_mode_horse_led},
      {"horse sent somewhere", agent_kind_horse, false, true, horse_rider_none, ai_mode_go_to_position},
      {"calm human", agent_kind_human, false, false, 0, ai_mode_idle},
      {"calm human sent somewhere", agent_kind_human, false, true, 0, ai_mode_go_to_position},
      {"alarmed human, no enemy in sight", agent_kind_human, true, false, 0, ai_mode_none},
      {"alarmed human sent somewhere", agent_kind_human, true, true, 0, ai_mode_go_to_position},
  };
  for (const row& r : rows) {
    agent& a = place(r.kind);
    a.rider_died_state = r.rider_state;
    a.ai.flags = r.alarmed ? 1u : 0u;
    a.ai.scripted_destination = r.scripted ? 1 : 0;
    a.ai.scripted_position = vec3(4.0f, 5.0f, 0.0f);
    agent_ai_select_target(m, a, passes);
    EXPECT_EQ(a.ai.mode, r.mode) << r.what;
    // A new mode brings the movement pass forward.
    EXPECT_EQ(a.ai.movement_period, 0.0f) << r.what;
    if (r.mode == ai_mode_go_to_position) {
      EXPECT_FLOAT_EQ(a.goal_position.x, 4.0f) << r.what;
      EXPECT_NE(a.goal_flags & 0x20u, 0u) << r.what;
      EXPECT_FLOAT_EQ(a.ai.speed_factor, r.kind == agent_kind_horse ? 3.0f : 1.75f) << r.what;
    }
  }
}

TEST_F(BehaviourChoice, ARejectedShotIsForgottenAndTheSameModeKeepsTheMovementTimer) {
  agent& a = place(agent_kind_human);
  a.ai.mode = ai_mode_idle;
  a.ai.ranged_state = 2;
  agent_ai_select_target(m, a, passes);
  EXPECT_EQ(a.ai.mode, ai_mode_idle);
  EXPECT_EQ(a.ai.ranged_state, 0u);
  EXPECT_EQ(a.ai.movement_period, 3.0f);
  EXPECT_EQ(a.ai.target, -1);
}


TEST_F(BehaviourChoice, AnArcherOnFootShootsFromAfarAndFightsUpClose) {
  std::vector<item_kind> saved;
  saved.swap(g_item_kinds);
  g_item_kinds.resize(2);
  g_item_kinds[0].flags = item_type::bow;
  g_item_kinds[1].flags = item_type::arrows;
  g_item_kinds[1].max_ammo = 30;
  m.teams[0].relations[1] = team_relation_enemy;
  m.teams[1].relations[0] = team_relation_enemy;

  agent& archer = place(agent_kind_human);
  archer.ai.flags = 1;  // alarmed
  archer.equipment[0] = item{0, 0};
  archer.equipment[1] = item{1, 0};
  archer.wielded_slots[0] = 0;
  agent& enemy = place(agent_kind_human);
  enemy.team = 1;

  // 30 m: shooting 2.0 x (2 + 0) against melee 5 / 30.
  enemy.position() = vec3(0.0f, 30.0f, 0.0f);
  agent_ai_select_target(m, archer, passes);
  EXPECT_EQ(archer.ai.mode, ai_mode_shoot);
  // 3 m: melee 5 / 3 against shooting 0.2 x 2.
  enemy.position() = vec3(0.0f, 3.0f, 0.0f);
  agent_ai_select_target(m, archer, passes);
  EXPECT_EQ(archer.ai.mode, ai_mode_melee);

  // Out of arrows the bow does not count.
  archer.equipment[1].word = 30;
  enemy.position() = vec3(0.0f, 30.0f, 0.0f);
  agent_ai_select_target(m, archer, passes);
  EXPECT_EQ(archer.ai.mode, ai_mode_melee);
  EXPECT_FALSE(has_weapon_class(m, archer, 2));
  g_item_kinds.swap(saved);
}

TEST_F(BehaviourChoice, WeaponClassesFollowTheGroupsSwitches) {
  enum : int { sword, club, stick, lance, crossbow, bolts };
  std::vector<item_kind> saved;
  saved.swap(g_item_kinds);
  g_item_kinds.resize(6);
  g_item_kinds[sword].flags = item_type::one_handed | 0x400000;
  g_item_kinds[sword].swing_damage = 30;  // cut
  g_item_kinds[sword].thrust_damage = 20;
  g_item_kinds[club].flags = item_type::one_handed | 0x400000;
  g_item_kinds[club].swing_damage = (2 << 8) | 20;  // blunt
  g_item_kinds[club].thrust_damage = (2 << 8) | 0;
  g_item_kinds[stick].flags = item_type::one_handed | 0x400000;
  g_item_kinds[stick].swing_damage = 1;  // too weak to cut
  g_item_kinds[lance].flags = item_type::polearm;
  g_item_kinds[lance].thrust_damage = 25;
  g_item_kinds[crossbow].flags = item_type::crossbow | 0x100000;
  g_item_kinds[bolts].flags = item_type::bolts;
  g_item_kinds[bolts].max_ammo = 20;

  struct row {
    const char* what;
    int weapon;
    int weapon_class;
    bool blunt_only;
    bool no_ranged;
    bool riding;
    bool has;
  };
  const row rows[] = {
      {"sword, melee", sword, 1, false, false, false, true},
      {"sword, blunt only", sword, 1, true, false, false, false},
      {"club, blunt only", club, 1, true, false, false, true},
      {"weak stick, blunt only", stick, 1, true, false, false, true},
      {"lance as polearm", lance, 3, false, false, false, true},
      {"lance lacks the mounted-melee flag", lance, 1, false, false, false, false},
      {"crossbow on foot", crossbow, 2, false, false, false, true},
      {"crossbow on horseback", crossbow, 2, false, false, true, false},
      {"crossbow, no ranged", crossbow, 2, false, true, false, false},
      {"unknown class", sword, 7, false, false, false, false},
  };
  for (const row& r : rows) {
    agent& a = place(agent_kind_human);
    a.equipment[0] = item{r.weapon, 0};
    a.equipment[1] = item{bolts, 0};
    a.mount = r.riding ? 99 : -1;
    team_group& g = m.teams[0].groups[static_cast<std::size_t>(a.get_mounted_state())];
    g.blunt_only = r.blunt_only ? 1 : 0;
    g.no_ranged = r.no_ranged ? 1 : 0;
    EXPECT_EQ(has_weapon_class(m, a, r.weapon_class), r.has) << r.what;
  }
  g_item_kinds.swap(saved);
}

}  // namespace
}  // namespace hm
