// The character screen's rules: a level-up spending attribute, skill and
// weapon points up to their limits (and never a point on an attribute that
// cannot rise), the proficiency cost, the reset, the next level's
// experience and when a new character is done.
#include <gtest/gtest.h>

#include <array>

#include "module/records/world_records.h"
#include "ui/character/character_sheet.h"

namespace hm {
namespace {

constexpr int strength = 0, agility = 1, intelligence = 2;
constexpr int trade = 0, leadership = 1, power_strike = 35;

class CharacterSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = g_skills;
    for (skill& s : g_skills) {
      s = skill{};
      s.max_level = 10;
      s.saved_max_level = 10;
    }
    g_skills[leadership].flags = 3;  // charisma
    g_skills[power_strike].flags = 0;  // strength
    g_skills[power_strike].max_level = 4;
    t.attributes = {9, 62, 6, 12};
    t.attribute_points = 2;
    t.skill_points = 2;
    t.proficiency_points = 10;
    t.max_hit_points = 44.0f;
  }
  void TearDown() override { g_skills = saved; }
  std::array<skill, skill_count> saved;
  troop t;
};

TEST_F(CharacterSheet, AgilityAtItsLimitTakesNoPointAndGivesNoWeaponPoints) {
  ASSERT_TRUE(raise_character_attribute(t, agility));
  EXPECT_EQ(t.attributes[agility], 63);
  EXPECT_EQ(t.attribute_points, 1);
  EXPECT_EQ(t.proficiency_points, 15);
  // At 63 the attribute rises no further: the point stays, no weapon points.
  EXPECT_FALSE(attribute_can_be_raised(t, agility));
  EXPECT_FALSE(raise_character_attribute(t, agility));
  EXPECT_EQ(t.attributes[agility], 63);
  EXPECT_EQ(t.attribute_points, 1);
  EXPECT_EQ(t.proficiency_points, 15);
  // Intelligence brings a skill point, strength a point of health.
  ASSERT_TRUE(raise_character_attribute(t, intelligence));
  EXPECT_EQ(t.skill_points, 3);
  EXPECT_EQ(t.attribute_points, 0);
  EXPECT_FALSE(raise_character_attribute(t, strength));
  EXPECT_FLOAT_EQ(t.max_hit_points, 44.0f);
}

TEST_F(CharacterSheet, SkillsRiseWithPointsUpToAThirdOfTheirAttributeAndTheirMaximum) {
  // Strength 9: levels below 3 may rise.
  ASSERT_TRUE(raise_character_skill(t, power_strike, true));
  ASSERT_TRUE(raise_character_skill(t, power_strike, true));
  EXPECT_EQ(t.get_skill_level(power_strike), 2);
  EXPECT_EQ(t.skill_points, 0);
  EXPECT_FALSE(raise_character_skill(t, power_strike, true));
  t.skill_points = 5;
  ASSERT_TRUE(raise_character_skill(t, power_strike, true));
  EXPECT_EQ(t.get_skill_level(power_strike), 3);
  EXPECT_FALSE(skill_can_be_raised(t, power_strike, true));
  // With more strength the skill's own maximum of 4 stops it.
  t.attributes[strength] = 30;
  ASSERT_TRUE(raise_character_skill(t, power_strike, true));
  EXPECT_FALSE(raise_character_skill(t, power_strike, true));
  EXPECT_EQ(t.get_skill_level(power_strike), 4);
  EXPECT_EQ(t.skill_points, 3);
  // Leadership is the player's alone.
  EXPECT_FALSE(skill_can_be_raised(t, leadership, false));
  EXPECT_TRUE(skill_can_be_raised(t, leadership, true));
  // Trade follows strength, now 30: a third of it is well above level 0.
  EXPECT_TRUE(skill_can_be_raised(t, trade, false));
}

TEST_F(CharacterSheet, ProficiencyCostAndLimit) {
  // From 0 one gain of 1 already lifts the value past a whole unit.
  EXPECT_EQ(proficiency_raise_cost(t, 0), 1);
  ASSERT_TRUE(raise_character_proficiency(t, 0, 0, true));
  EXPECT_EQ(t.proficiency_points, 9);
  EXPECT_GE(t.proficiencies[0], 1.0f);
  // A value exactly at the limit still rises; above it, not.
  t.proficiencies[1] = 60.0f;
  EXPECT_TRUE(proficiency_can_be_raised(t, 1, 0, true));
  t.proficiencies[1] = 60.5f;
  EXPECT_FALSE(proficiency_can_be_raised(t, 1, 0, true));
  EXPECT_TRUE(proficiency_can_be_raised(t, 1, 1, true));
  EXPECT_EQ(proficiency_limit(1), 100);
  EXPECT_EQ(proficiency_limit(25), 460);
  // Hidden by the module, or dearer than the points left: no raise.
  EXPECT_FALSE(proficiency_can_be_raised(t, 2, 10, false));
  t.proficiencies[3] = 300.0f;
  const int cost = proficiency_raise_cost(t, 3);
  EXPECT_GT(cost, 1);
  t.proficiency_points = cost - 1;
  EXPECT_FALSE(raise_character_proficiency(t, 3, 10, true));
  EXPECT_EQ(t.proficiency_points, cost - 1);
  t.proficiency_points = cost;
  ASSERT_TRUE(raise_character_proficiency(t, 3, 10, true));
  EXPECT_EQ(t.proficiency_points, 0);
  EXPECT_GE(t.proficiencies[3], 301.0f);
}

TEST_F(CharacterSheet, ResetPutsEveryEditableValueBack) {
  const character_snapshot s = take_character_snapshot(t);
  raise_character_attribute(t, agility);
  raise_character_attribute(t, intelligence);
  raise_character_skill(t, power_strike, true);
  raise_character_proficiency(t, 0, 0, true);
  t.max_hit_points = 10.0f;
  restore_character_snapshot(t, s);
  EXPECT_EQ(t.attributes, (std::array<std::int32_t, 4>{9, 62, 6, 12}));
  EXPECT_EQ(t.attribute_points, 2);
  EXPECT_EQ(t.skill_points, 2);
  EXPECT_EQ(t.proficiency_points, 10);
  EXPECT_EQ(t.get_skill_level(power_strike), 0);
  EXPECT_EQ(t.proficiencies[0], 0.0f);
  EXPECT_FLOAT_EQ(t.max_hit_points, 44.0f);
}

TEST_F(CharacterSheet, NextLevelExperienceStaysInTheTable) {
  EXPECT_EQ(next_level_experience(1), 600);
  EXPECT_EQ(next_level_experience(2), 1360);
  EXPECT_EQ(next_level_experience(62), 2050460000);
  // A level module data left outside the table reads the nearest entry.
  EXPECT_EQ(next_level_experience(900), 2050460000);
  EXPECT_EQ(next_level_experience(-4), 0);
}

TEST_F(CharacterSheet, ANewCharacterIsDoneWithEveryPointSpentAndAName) {
  t.attribute_points = 0;
  t.skill_points = 0;
  t.proficiency_points = 6;
  EXPECT_FALSE(character_creation_complete(t, true));
  t.proficiency_points = 5;
  EXPECT_TRUE(character_creation_complete(t, true));
  EXPECT_FALSE(character_creation_complete(t, false));
  t.skill_points = 1;
  EXPECT_FALSE(character_creation_complete(t, true));
}

}  // namespace
}  // namespace hm
