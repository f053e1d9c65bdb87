// What module code changes of a troop besides its items: attributes, skills,
// weapon proficiencies, its place in a scene and its gold. Hit points follow
// strength and the hit-point skill.
#include <algorithm>
#include <cstdlib>

#include "module/troops/troop.h"
#include "module/records/world_records.h"

namespace hm {
namespace {

constexpr int attribute_intelligence = 2;
constexpr int max_raised_attribute = 63;
constexpr int max_attribute = 100;
constexpr float max_proficiency = 1000.0f;
constexpr int skill_weapon_master = 27;
constexpr int max_weapon_master_level = 10;

int skill_max_level(int skill) {
  if (skill < 0 || skill >= skill_count) return 15;
  return g_skills[static_cast<std::size_t>(skill)].max_level;
}

float clamp_proficiency(float v) { return v < 0.0f ? 0.0f : (v > max_proficiency ? max_proficiency : v); }

}  // namespace

void troop::set_attribute(int attribute, int value) {
  if (attribute < 0 || attribute >= troop_attribute_count) return;
  attributes[static_cast<std::size_t>(attribute)] = std::clamp(value, 0, max_attribute);
  max_hit_points = std::min(max_hit_points, static_cast<float>(get_max_hit_points()));
}

void troop::raise_attribute(int attribute, int delta) {
  if (attribute < 0 || attribute >= troop_attribute_count || delta == 0) return;
  const int sign = delta > 0 ? 1 : -1;
  // Once one step leaves the range every later one would too.
  for (int step = 0; step < std::abs(delta); ++step) {
    const int value = attributes[static_cast<std::size_t>(attribute)] + sign;
    if (value < 0 || value > max_raised_attribute) break;
    if (attribute == attribute_intelligence) skill_points += sign;
    if (attribute == 0) max_hit_points += static_cast<float>(sign);
    set_attribute(attribute, value);
  }
}

void troop::change_skill_level(int skill, int value) {
  if (skill < 0 || skill >= skill_count) return;
  const int maximum = skill_max_level(skill);
  value = std::clamp(value, 0, std::max(0, maximum));
  const int old = std::min(get_raw_skill_level(skill), maximum);
  if (skill == skill_ironflesh && value > old) max_hit_points += 2.0f * static_cast<float>(value - old);
  set_skill_level(skill, value);
  max_hit_points = std::min(max_hit_points, static_cast<float>(get_max_hit_points()));
}

void troop::raise_skill(int skill, int delta) {
  const std::int64_t wanted = static_cast<std::int64_t>(get_skill_level(skill)) + delta;
  change_skill_level(skill, static_cast<int>(std::clamp<std::int64_t>(wanted, -1, 16)));
}

float troop::compute_proficiency_gain(float v, float g) const {
  const int level = std::min(std::min(get_raw_skill_level(skill_weapon_master), skill_max_level(skill_weapon_master)),
                             max_weapon_master_level);
  const float limit = 60.0f + 40.0f * static_cast<float>(level);
  float f = 70.0f / (v + 70.0f);
  if (v > limit) f = f / (v - limit + 20.0f) * 20.0f;
  for (int t = 50; t <= 700; t += 50)
    if (v > static_cast<float>(t)) f *= 0.65f;
  return v + 2.0f * f * g;
}

void troop::add_proficiency_points(int proficiency, float gain) {
  if (proficiency < 0 || proficiency >= troop_proficiency_count) return;
  float& p = proficiencies[static_cast<std::size_t>(proficiency)];
  p = clamp_proficiency(compute_proficiency_gain(p, gain));
}

void troop::raise_proficiency(int proficiency, int delta) {
  if (proficiency < 0 || proficiency >= troop_proficiency_count) return;
  float& p = proficiencies[static_cast<std::size_t>(proficiency)];
  p = clamp_proficiency(p + static_cast<float>(delta));
}

int troop::set_scene_placement(int scene, int entry) {
  scene_placement = static_cast<std::int32_t>((static_cast<std::uint32_t>(entry & 255) << 16) |
                                              static_cast<std::uint32_t>(scene));
  return scene_placement;
}

// Amounts beyond this cannot change a 32-bit purse more than it already can,
// and keep the sums below within 64 bits.
constexpr std::int64_t max_gold_change = std::int64_t{1} << 40;

void troop::add_gold(std::int64_t amount) {
  amount = std::clamp(amount, -max_gold_change, max_gold_change);
  gold = static_cast<std::int32_t>(std::clamp<std::int64_t>(gold + amount, INT32_MIN, INT32_MAX));
}

void troop::take_money(std::int64_t amount) {
  amount = std::clamp(amount, -max_gold_change, max_gold_change);
  gold = static_cast<std::int32_t>(std::clamp<std::int64_t>(gold - amount, 0, INT32_MAX));
}

}  // namespace hm
