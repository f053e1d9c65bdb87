#include "ui/character/character_sheet.h"

#include <algorithm>
#include <cmath>

#include "module/records/world_records.h"

namespace hm {

namespace {

constexpr int skill_leadership = 1;
constexpr int skill_prisoner_management = 2;
constexpr int max_weapon_master_level = 10;
constexpr float max_proficiency_value = 1000.0f;

const skill& skill_record(int s) { return g_skills[static_cast<std::size_t>(s)]; }

}  // namespace

character_snapshot take_character_snapshot(const troop& t) {
  character_snapshot s;
  s.attributes = t.attributes;
  s.proficiencies = t.proficiencies;
  s.health = t.max_hit_points;
  s.skill_points = t.skill_points;
  s.attribute_points = t.attribute_points;
  s.weapon_points = t.proficiency_points;
  s.skill_words = t.skill_words;
  return s;
}

void restore_character_snapshot(troop& t, const character_snapshot& s) {
  t.attributes = s.attributes;
  t.proficiencies = s.proficiencies;
  t.max_hit_points = s.health;
  t.skill_points = s.skill_points;
  t.attribute_points = s.attribute_points;
  t.proficiency_points = s.weapon_points;
  t.skill_words = s.skill_words;
}

int governing_attribute(int s) {
  if (s < 0 || s >= skill_count) return 0;
  return static_cast<int>(skill_record(s).flags & 0xF) & 3;
}

int proficiency_limit(int weapon_master_level) {
  return 60 + 40 * std::clamp(weapon_master_level, 0, max_weapon_master_level);
}

int proficiency_raise_cost(const troop& t, int i) {
  if (i < 0 || i >= troop_proficiency_count) return max_proficiency_steps;
  float v = t.proficiencies[static_cast<std::size_t>(i)];
  const float whole = std::floor(v);
  int steps = 0;
  while (std::floor(v) <= whole && steps < max_proficiency_steps) {
    const float next = std::min(t.compute_proficiency_gain(v, 1.0f), max_proficiency_value);
    ++steps;
    // A value held at the top never rises again.
    if (next <= v) return max_proficiency_steps;
    v = next;
  }
  return steps;
}

bool skill_can_be_raised(const troop& t, int s, bool player_troop) {
  if (s < 0 || s >= skill_count || t.skill_points < 1) return false;
  const int base = t.get_skill_level(s);
  if (base >= skill_record(s).max_level) return false;
  const int attribute = t.attributes[static_cast<std::size_t>(governing_attribute(s))];
  if (!(base < attribute / 3)) return false;
  if ((s == skill_leadership || s == skill_prisoner_management) && !player_troop) return false;
  return true;
}

bool proficiency_can_be_raised(const troop& t, int i, int weapon_master_level, bool shown) {
  if (i < 0 || i >= troop_proficiency_count || !shown || t.proficiency_points <= 0) return false;
  if (static_cast<float>(proficiency_limit(weapon_master_level)) < t.proficiencies[static_cast<std::size_t>(i)])
    return false;
  return proficiency_raise_cost(t, i) <= t.proficiency_points;
}

bool attribute_can_be_raised(const troop& t, int a) {
  if (a < 0 || a >= troop_attribute_count || t.attribute_points <= 0) return false;
  return t.attributes[static_cast<std::size_t>(a)] < max_raised_attribute_value;
}

bool raise_character_skill(troop& t, int s, bool player_troop) {
  if (!skill_can_be_raised(t, s, player_troop)) return false;
  t.change_skill_level(s, t.get_skill_level(s) + 1);
  --t.skill_points;
  return true;
}

bool raise_character_proficiency(troop& t, int i, int weapon_master_level, bool shown) {
  if (!proficiency_can_be_raised(t, i, weapon_master_level, shown)) return false;
  const int cost = proficiency_raise_cost(t, i);
  t.add_proficiency_points(i, static_cast<float>(cost));
  t.proficiency_points -= cost;
  return true;
}

bool raise_character_attribute(troop& t, int a) {
  if (!attribute_can_be_raised(t, a)) return false;
  const std::int32_t before = t.attributes[static_cast<std::size_t>(a)];
  t.raise_attribute(a, 1);
  // The point and agility's weapon points go only with a value that rose.
  if (t.attributes[static_cast<std::size_t>(a)] == before) return false;
  --t.attribute_points;
  if (a == attribute_agility) t.proficiency_points += agility_weapon_points;
  return true;
}

std::int32_t next_level_experience(int level) {
  // The table's entry past level L is the threshold of level L + 1.
  const int l = std::clamp(level, 0, max_troop_level - 1);
  return g_level_table[static_cast<std::size_t>(l + 1)];
}

bool character_creation_complete(const troop& t, bool name_given) {
  return t.attribute_points < 1 && t.skill_points < 1 && t.proficiency_points < creation_weapon_points_left &&
         name_given;
}

}  // namespace hm
