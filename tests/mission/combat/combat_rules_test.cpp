// The combat rules on plain values: blocking, attack directions, damage,
// armour, shields and the rules of a received blow.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "mission/combat/armor.h"
#include "mission/combat/attack_damage.h"
#include "mission/combat/attack_direction.h"
#include "mission/combat/blows.h"
#include "mission/combat/combat_hooks.h"
#include "mission/combat/combat_messages.h"
#include "mission/combat/defence.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "module/base/module_settings.h"
#include "module/records/item_kind.h"

namespace hm {
namespace {

// --- blocking ---------------------------------------------------------------------------

// Attacker at the origin, defender one step north facing `facing`.
block_query facing_query(float fx, float fy, int direction, int defence, float progress = 0.5f) {
  block_query q;
  q.defender_y = 1.0f;
  const float l = std::sqrt(fx * fx + fy * fy);
  q.facing_x = fx / l;
  q.facing_y = fy / l;
  q.direction = direction;
  q.defender_action = defence;
  q.defender_progress = progress;
  return q;
}

TEST(Blocking, DefenceTableClassesAndFirstActions) {
  EXPECT_EQ(get_defend_action_class(152), 151);
  EXPECT_EQ(get_defend_action_class(201), 199);
  EXPECT_EQ(get_defend_action_class(216), 214);
  EXPECT_EQ(get_defend_action_class(237), 235);
  EXPECT_EQ(get_defend_action_class(238), -1);
  EXPECT_EQ(get_defend_action_class(150), -1);
  EXPECT_FALSE(defend_action_is_past_first(202));
  EXPECT_FALSE(defend_action_is_past_first(235));
  EXPECT_TRUE(defend_action_is_past_first(151));
  EXPECT_TRUE(defend_action_is_past_first(203));
  EXPECT_TRUE(defend_action_is_past_first(12));
  // Directional classes: 202 thrust, 205 overhead, 208 left, 211 right.
  EXPECT_TRUE(defend_action_covers_direction(203, 0));
  EXPECT_TRUE(defend_action_covers_direction(206, 3));
  EXPECT_TRUE(defend_action_covers_direction(234, 2));
  EXPECT_TRUE(defend_action_covers_direction(223, 1));
  EXPECT_FALSE(defend_action_covers_direction(223, 2));
  EXPECT_FALSE(defend_action_covers_direction(151, 0));
  EXPECT_TRUE(defend_action_covers_direction(200, 3));
  EXPECT_TRUE(is_attack_last_action(68));
  EXPECT_TRUE(is_attack_last_action(198));
  EXPECT_FALSE(is_attack_last_action(197));
}

TEST(Blocking, BearingDecidesWhetherTheDefenceFaces) {
  // Facing the attacker (dot -1) a full defence stops a left swing; with its
  // back turned (dot 1) it does not.
  EXPECT_TRUE(is_attack_blocked(facing_query(0, -1, 2, 200)));
  EXPECT_FALSE(is_attack_blocked(facing_query(0, 1, 2, 200)));
  // From the side (dot 0.2): a side swing can still be blocked, a thrust not.
  const float side = std::sqrt(1.0f - 0.04f);
  EXPECT_TRUE(is_attack_blocked(facing_query(side, 0.2f, 1, 212)));
  EXPECT_FALSE(is_attack_blocked(facing_query(side, 0.2f, 0, 203)));
  // A directional defence covers only its own direction.
  EXPECT_FALSE(is_attack_blocked(facing_query(0, -1, 3, 203)));
}

TEST(Blocking, FirstActionOfATripleCountsFromAQuarter) {
  EXPECT_FALSE(is_attack_blocked(facing_query(0, -1, 0, 202, 0.2f)));
  EXPECT_TRUE(is_attack_blocked(facing_query(0, -1, 0, 202, 0.25f)));
}

TEST(Blocking, UnarmedDefenceStopsOnlyUnarmedAttacks) {
  block_query q = facing_query(0, -1, 1, 151);
  q.attacker_hand0_empty = true;
  EXPECT_TRUE(is_attack_blocked(q));
  q.attacker_hand0_empty = false;
  EXPECT_FALSE(is_attack_blocked(q));
}

TEST(Blocking, CouchedLanceIsAThrustWhateverTheStoredDirection) {
  block_query q = facing_query(0, -1, 2, 203);
  EXPECT_FALSE(is_attack_blocked(q));
  q.couched_lance = true;
  EXPECT_TRUE(is_attack_blocked(q));
}

TEST(Blocking, ContactBandFromShieldAndSkill) {
  block_query q = facing_query(0, -1, 2, 200);
  q.by_contact = true;
  q.reference_z = 1.0f;
  q.shield_skill = 0;
  q.contact_z = 1.0f;
  // No shield and skill 0: the band is empty.
  EXPECT_FALSE(is_attack_blocked(q));
  // Skill 5: 0.5 below and above.
  q.shield_skill = 5;
  struct row {
    float z;
    bool blocked;
  };
  for (const row r : {row{1.4f, true}, row{0.6f, true}, row{1.6f, false}, row{0.4f, false}}) {
    q.contact_z = r.z;
    EXPECT_EQ(is_attack_blocked(q), r.blocked) << r.z;
  }
  // A shield 80 long, no troop: 0.8 below, 0.5 above.
  q.shield_skill = -1;
  q.shield_length = 80;
  q.contact_z = 0.3f;
  EXPECT_TRUE(is_attack_blocked(q));
  q.contact_z = 1.55f;
  EXPECT_FALSE(is_attack_blocked(q));
  // Only the full defence blocks by contact.
  q.contact_z = 1.0f;
  q.defender_action = 203;
  EXPECT_FALSE(is_attack_blocked(q));
}

// --- attack directions -----------------------------------------------------------------

attack_action_ids every_direction(int, int d) { return {150 + d * 3, 151 + d * 3, 152 + d * 3}; }

TEST(AttackDirection, OnFootCandidatesDifferAndFixedClassesThrust) {
  // Both draws give 1: the second candidate becomes 3 - 1.
  scripted_combat_random same({1, 1});
  int calls = 0;
  const weapon_action_set_fn only_second = [&](int, int d) -> attack_action_ids {
    ++calls;
    return d == 2 ? attack_action_ids{160, 161, 162} : attack_action_ids{-1, -1, -1};
  };
  const attack_choice c = choose_attack_actions(attack_choice_inputs{}, only_second, same);
  EXPECT_EQ(c.direction, 2);
  EXPECT_EQ(c.actions[0], 160);

  attack_choice_inputs fixed;
  fixed.attack_class = 0x40000;
  scripted_combat_random r({3, 2});
  const attack_choice j = choose_attack_actions(fixed, every_direction, r);
  EXPECT_EQ(j.direction, 0);
  EXPECT_EQ(j.actions[0], 125);
  EXPECT_EQ(j.actions[1], 126);
}

TEST(AttackDirection, RiderNeverThrustsFirst) {
  attack_choice_inputs in;
  in.riding = true;
  scripted_combat_random r({0});
  for (const float angle : {-0.5f, 0.5f, std::nanf("")}) {
    in.side_angle = angle;
    const int d = choose_attack_actions(in, every_direction, r).direction;
    EXPECT_TRUE(d == 1 || d == 2) << angle;
  }
}

TEST(AttackDirection, MouseMovement) {
  struct row {
    float dx, dy;
    int direction;
  };
  for (const row r : {row{0, 5, 3}, row{0, -5, 0}, row{5, 0, 2}, row{-5, 0, 1}}) {
    mouse_direction_inputs in;
    in.dx = r.dx;
    in.dy = r.dy;
    EXPECT_EQ(choose_player_attack_direction_mouse(in, every_direction), r.direction) << r.dx << "," << r.dy;
    in.mode = 2;
    EXPECT_EQ(choose_player_attack_direction_mouse(in, every_direction), 3 - r.direction) << "reversed";
  }
}

TEST(AttackDirection, AimedTarget) {
  struct row {
    float lx, lz;
    int direction;
  };
  for (const row r : {row{0.5f, 0, 2}, row{-0.5f, 0, 1}, row{0, -0.5f, 3}, row{0, 0, 0}}) {
    aimed_direction_inputs in;
    in.local_target = vec3(r.lx, 1.0f, r.lz);
    EXPECT_EQ(choose_player_attack_direction_aimed(in, every_direction), r.direction);
  }
  aimed_direction_inputs none;
  none.target_has_entity = false;
  EXPECT_EQ(choose_player_attack_direction_aimed(none, every_direction), 0);
}

// --- damage ----------------------------------------------------------------------------------

attack_damage_inputs fist(float progress, int direction = 1) {
  attack_damage_inputs in;
  in.strength = 10;  // base 10 x 0.3 + 2 = 5
  in.progress = progress;
  in.direction = direction;
  return in;
}

attack_damage_inputs sword_thrust(float my_speed) {
  attack_damage_inputs in;
  in.has_weapon = true;
  in.item_type = item_type::one_handed;
  in.thrust_damage = 20;
  in.speed_rating = 100;
  in.direction = 0;
  in.progress = 0.5f;
  in.my_velocity = vec3(0.0f, my_speed, 0.0f);
  in.has_target = true;
  return in;
}

TEST(AttackDamage, TimingOfASwing) {
  const module_settings s;
  struct row {
    float progress;
    float damage;
  };
  for (const row r : {row{0.2f, 5.0f * (0.3f + 0.7f * 0.2f * 3.030303f)}, row{0.5f, 5.0f}, row{0.63f, 2.5f},
                      row{0.66f, 0.0f}}) {
    const attack_damage_result d = compute_attack_damage(fist(r.progress), s);
    EXPECT_NEAR(d.damage, r.damage, 1e-3f) << r.progress;
    EXPECT_EQ(d.is_thrust, 0);
  }
  // A full-timed hit between agents standing still gains nothing.
  EXPECT_EQ(compute_attack_damage(fist(0.5f), s).speed_bonus, 0);
}

TEST(AttackDamage, RelativeSpeedWithinItsCaps) {
  const module_settings s;
  // w = 100 x 0.154 x 0.93 = 14.322; type 2 without proficiency x 0.85.
  const float w = 14.322f;
  struct row {
    float my_speed;
    float factor;
  };
  for (const row r : {row{0.0f, 1.0f}, row{5.0f, (w + 5.0f) / w}, row{100.0f, 3.0f}, row{-100.0f, 0.3f}}) {
    const attack_damage_result d = compute_attack_damage(sword_thrust(r.my_speed), s);
    EXPECT_NEAR(d.damage, 20.0f * r.factor * 0.85f, 1e-3f) << r.my_speed;
    EXPECT_EQ(d.is_thrust, 1);
  }
  EXPECT_EQ(compute_attack_damage(sword_thrust(5.0f), s).speed_bonus, 35);
}

TEST(AttackDamage, SkillsStrengthAndTwoHandersMounted) {
  const module_settings s;
  attack_damage_inputs in = sword_thrust(0.0f);
  in.proficiency = 100.7f;  // truncated to 100: x 1.0
  in.power_strike = 5;      // x 1.4
  in.strength = 20;         // + 4
  EXPECT_NEAR(compute_attack_damage(in, s).damage, 20.0f * 1.4f + 4.0f, 1e-3f);
  in.item_type = item_type::two_handed;
  in.mounted = true;
  EXPECT_NEAR(compute_attack_damage(in, s).damage, (20.0f * 1.4f + 4.0f) * 0.67499995f, 1e-3f);
}

TEST(AttackDamage, CrossbowBoltIgnoresSkillsAndStrength) {
  const module_settings s;
  attack_damage_inputs in;
  in.by_missile = true;
  in.has_weapon = true;
  in.item_type = item_type::crossbow;
  in.missile_speed = 50.0f;
  in.missile_launch_speed = 50.0f;
  in.missile_base_damage = 40.0f;
  in.strength = 30;
  in.proficiency = 300.0f;
  in.power_draw = 10;
  in.power_strike = 10;
  EXPECT_NEAR(compute_attack_damage(in, s).damage, 40.0f, 1e-3f);
  in.ground_condition = 1;
  EXPECT_NEAR(compute_attack_damage(in, s).damage, 30.0f, 1e-3f);
}

TEST(AttackDamage, CouchedLanceAwayFromTheMotionDealsNothing) {
  const module_settings s;
  attack_damage_inputs in = sword_thrust(5.0f);
  in.couched_lance = true;
  // rel = (0, -1, 0); an axis with rel . a = 0.2.
  in.weapon_axis = vec3(std::sqrt(1.0f - 0.04f), -0.2f, 0.0f);
  EXPECT_NEAR(compute_attack_damage(in, s).damage, 0.0f, 1e-3f);
}

TEST(AttackDamage, BadSpeedsNeverMakeNaNAndDamageStaysInRange) {
  module_settings s;
  attack_damage_inputs in = sword_thrust(3.0f);
  in.speed_rating = 0;
  float d = compute_attack_damage(in, s).damage;
  EXPECT_TRUE(std::isfinite(d));
  EXPECT_NEAR(d, 20.0f * 0.85f, 1e-3f);
  in.speed_rating = -40;
  EXPECT_TRUE(std::isfinite(compute_attack_damage(in, s).damage));

  attack_damage_inputs arrow;
  arrow.by_missile = true;
  arrow.missile_speed = 30.0f;
  arrow.missile_base_damage = 25.0f;
  for (const float launch : {0.0f, -5.0f}) {
    arrow.missile_launch_speed = launch;
    d = compute_attack_damage(arrow, s).damage;
    EXPECT_NEAR(d, 25.0f, 1e-3f) << launch;
  }
  arrow.missile_launch_speed = 1.0f;
  arrow.missile_base_damage = 1000.0f;
  EXPECT_EQ(compute_attack_damage(arrow, s).damage, 500.0f);
  arrow.missile_base_damage = -10.0f;
  EXPECT_EQ(compute_attack_damage(arrow, s).damage, 0.0f);
}

// --- armour and shields ----------------------------------------------------------------------------

blow body_blow(float raw, int type, int bone = 8) {
  blow b;
  b.raw_damage = raw;
  b.damage_type = type;
  b.bone = bone;
  return b;
}

TEST(Armor, SoakAndReductionPerDamageType) {
  // Draw 0: r1 = r2 = 0.45 and r3 = 0.6. Armour 20 on the body, raw 50.
  armor_values armour;
  armour.body = 20;
  module_settings s;
  struct row {
    int type;
    float cut_reduction;
    int absorbed;
    float damage;
  };
  // Cut: soak 20 x 0.45 = 9. Pierce and blunt: 10 x 0.45 = 4.5 rounds down
  // to 4. With a reduction factor 1 on cut: (1 - e^-(20 x 0.014 x 0.45)) x 41
  // = 4.854 more, 13.854 absorbed rounds to 14.
  for (const row r : {row{0, 0.0f, 9, 21.0f}, row{1, 0.0f, 4, 26.0f}, row{2, 0.0f, 4, 26.0f},
                      row{0, 1.0f, 14, 16.0f}, row{0, -5.0f, 9, 21.0f}}) {
    s.armor_reduction_factor_against_cut = r.cut_reduction;
    scripted_combat_random random({0});
    blow b = body_blow(50.0f, r.type);
    apply_armor_to_blow(b, armour, s, random);
    EXPECT_EQ(b.absorbed, r.absorbed) << r.type << " " << r.cut_reduction;
    EXPECT_NEAR(b.damage, r.damage, 1e-3f) << r.type << " " << r.cut_reduction;
  }
}

TEST(Armor, NoArmourPassesTheSpreadAndPlacesScale) {
  const module_settings s;
  const armor_values none;
  struct row {
    int bone;
    float damage;
  };
  for (const row r : {row{8, 30.0f}, row{body_part_head, 36.0f}, row{1, 27.0f}, row{4, 27.0f}, row{2, 30.0f}}) {
    scripted_combat_random random({0});
    blow b = body_blow(50.0f, 0, r.bone);
    apply_armor_to_blow(b, none, s, random);
    EXPECT_NEAR(b.damage, r.damage, 1e-3f) << r.bone;
  }
}

TEST(Armor, NegativeFactorsAndHugeArmourStayBounded) {
  module_settings s;
  s.armor_soak_factor_against_cut = -3.0f;
  s.armor_reduction_factor_against_cut = -1e30f;
  armor_values armour;
  armour.body = 2000000000;
  scripted_combat_random random({15816});
  blow b = body_blow(50.0f, 0);
  apply_armor_to_blow(b, armour, s, random);
  EXPECT_EQ(b.absorbed, 0);
  EXPECT_TRUE(std::isfinite(b.damage));
  EXPECT_LE(b.damage, 50.0f);
  // Armour far above the blow: nothing gets through, never below 0.
  s = module_settings{};
  armour.body = 500;
  blow c = body_blow(10.0f, 0);
  apply_armor_to_blow(c, armour, s, random);
  EXPECT_EQ(c.damage, 0.0f);
}

TEST(Shield, WearBySkillAndResistance) {
  struct row {
    int damage, resistance, skill, lost;
  };
  for (const row r : {row{20, 20, 0, 0}, row{10, 20, 0, 0}, row{30, 10, 0, 20}, row{30, 10, 5, 12},
                      row{30, 10, 13, 0}, row{30, 10, 15, 0}}) {
    EXPECT_EQ(shield_damage_points(r.damage, r.resistance, r.skill), r.lost)
        << r.damage << " " << r.resistance << " " << r.skill;
  }
}

TEST(Shield, QualityStepsDownToLoss) {
  EXPECT_EQ(shield_quality_after_break(0), 5);
  EXPECT_EQ(shield_quality_after_break(12), 5);
  EXPECT_EQ(shield_quality_after_break(5), 1);
  EXPECT_EQ(shield_quality_after_break(1), -1);
}

// --- rules of a received blow --------------------------------------------------------------------------

TEST(BlowRules, StrongerBlowOfAFrameStays) {
  EXPECT_TRUE(blow_replaces_pending(false, 0.0f, 1.0f));
  EXPECT_TRUE(blow_replaces_pending(true, 10.0f, 10.0f));
  EXPECT_FALSE(blow_replaces_pending(true, 10.0f, 9.0f));
  EXPECT_FALSE(blow_replaces_pending(true, 10.0f, std::nanf("")));
  EXPECT_TRUE(blow_replaces_pending(true, std::nanf(""), 1.0f));
}

TEST(BlowRules, Difficulty) {
  struct row {
    bool player, party;
    int to_player, to_friends;
    float factor;
  };
  for (const row r : {row{true, true, 0, 2, 0.25f}, row{true, false, 1, 2, 0.5f}, row{true, false, 2, 0, 1.0f},
                      row{false, true, 0, 0, 0.5f}, row{false, true, 0, 1, 0.75f}, row{false, true, 0, 2, 1.0f},
                      row{false, false, 0, 0, 1.0f}}) {
    difficulty_inputs in{r.player, r.party, r.to_player, r.to_friends};
    EXPECT_EQ(difficulty_factor(in), r.factor);
  }
}

TEST(BlowRules, KnockOutAgainstKill) {
  struct row {
    fall_inputs in;
    float draw;
    fall_outcome outcome;
  };
  const fall_outcome ko = fall_outcome::knocked_out;
  const fall_outcome kill = fall_outcome::killed;
  const std::vector<row> rows = {
      {{false, false, 0, false, 0.0f}, 0.5f, kill},   // chance 0
      {{false, false, 0, false, 1.0f}, 0.999f, ko},   // chance 1
      {{false, false, 2, false, 0.0f}, 0.9f, ko},     // blunt never kills
      {{false, false, 0, true, 0.0f}, 0.9f, ko},      // hero or no troop
      {{false, true, 2, true, 1.0f}, 0.0f, kill},     // always dies
      {{true, true, 0, false, 0.0f}, 0.9f, ko},       // nobody dies
  };
  for (const row& r : rows) {
    scripted_combat_random random({draw_for_unit(r.draw)});
    EXPECT_EQ(decide_fall(r.in, random), r.outcome) << r.draw;
  }
  EXPECT_NEAR(knockout_chance(true, 5), 0.45f, 1e-6f);
  EXPECT_EQ(knockout_chance(false, 5), 0.0f);
}

TEST(BlowRules, InterruptAtTheThreshold) {
  scripted_combat_random none({0});
  EXPECT_TRUE(blow_interrupts(10.0f, 12.0f, 10.0f, 10, none));
  EXPECT_FALSE(blow_interrupts(9.99f, 12.0f, 10.0f, 10, none));
  // Below 1 only the draw decides: (u + 1) x 25 x 0.2 <= raw 5 only at u = 0.
  scripted_combat_random zero({0});
  EXPECT_TRUE(blow_interrupts(0.5f, 5.0f, 0.0f, 10, zero));
  scripted_combat_random half({draw_for_unit(0.5f)});
  EXPECT_FALSE(blow_interrupts(0.5f, 5.0f, 0.0f, 10, half));
}

TEST(BlowRules, HorseBracingAndRiderFate) {
  EXPECT_NEAR(horse_brace_chance(10, 6.0f), (5.0f / 12.0f) / 6.0f * 5.0f, 1e-6f);
  EXPECT_NEAR(horse_brace_chance(10, 2.0f), (5.0f / 12.0f) / 5.0f * 5.0f, 1e-6f);
  EXPECT_NEAR(horse_brace_slowdown(10), 0.8f, 1e-6f);
  EXPECT_NEAR(horse_brace_slowdown(30), 0.95f, 1e-6f);

  rider_fate_inputs r;
  r.attacker_is_player = true;
  EXPECT_FALSE(rider_stays_in_saddle(r));  // the player on foot throws him
  r.riders_thrown_by_player = 4;
  EXPECT_TRUE(rider_stays_in_saddle(r));
  r.riders_thrown_by_player = 0;
  r.player_mounted = true;
  EXPECT_TRUE(rider_stays_in_saddle(r));
  r.no_deaths_mission = true;
  EXPECT_FALSE(rider_stays_in_saddle(r));
  rider_fate_inputs other;
  EXPECT_TRUE(rider_stays_in_saddle(other));
}

TEST(BlowRules, ExperienceAndDeathAnimation) {
  EXPECT_EQ(fall_experience(10, false), 40);
  EXPECT_EQ(fall_experience(10, true), 4);
  EXPECT_EQ(fall_experience(1, true), 1);  // 12 / 10 truncated

  scripted_combat_random r({0});
  death_animation_inputs d;
  EXPECT_EQ(choose_death_animation(d, r), 283);
  d.impact_side = 0.5f;
  EXPECT_EQ(choose_death_animation(d, r), 286);
  d.by_missile = true;
  EXPECT_EQ(choose_death_animation(d, r), 283);
  d.bone = 0;
  EXPECT_EQ(choose_death_animation(d, r), 284);
  d.head = true;
  EXPECT_EQ(choose_death_animation(d, r), 282);
  d.attacker_behind = true;
  EXPECT_EQ(choose_death_animation(d, r), 287);
  d.mounted = true;
  EXPECT_EQ(choose_death_animation(d, r), 288);
}

// --- message lines ------------------------------------------------------------------------------------

TEST(CombatMessages, LinesAreFilledWithTheirValuesOfTheRightKind) {
  std::vector<std::string> lines;
  g_combat_hooks().add_message = [&lines](const std::string& text, std::uint32_t) { lines.push_back(text); };
  // Without a translation the key's missing-text line is shown, never a
  // printf of it.
  report_combat_line("ui_test_line_%n%s", 0xFFFFFFFFu, {std::string("x"), 3, 2.5});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("ui_test_line_"), std::string::npos);
  reset_combat_hooks();
}

}  // namespace
}  // namespace hm
