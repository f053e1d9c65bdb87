#include "module/troops/troop.h"

#include <algorithm>

#include "engine/core/random.h"
#include "engine/core/stream.h"
#include "module/base/module_text.h"
#include "module/records/world_records.h"

namespace hm {

troop::troop() = default;

const std::array<std::int32_t, max_troop_level + 1> g_level_table = {
    0,         0,         600,       1360,      2296,      3426,      4768,      6345,      8179,      10297,
    13010,     16161,     19806,     24007,     28832,     34362,     40682,     47892,     56103,     65441,
    77233,     90809,     106425,    124371,    144981,    168636,    195769,    226879,    262533,    303381,
    350164,    412091,    484440,    568947,    667638,    782877,    917424,    1074494,   1257843,   1471851,
    1721626,   2070551,   2489361,   2992033,   3595340,   4319408,   5188389,   6231267,   7482821,   8984785,
    11236531,  14051314,  17569892,  21968215,  27466219,  34338823,  42929679,  53668349,  67091786,  83871183,
    160204600, 320304600, 644046000, 2050460000};

void troop::read(text_reader& reader) {
  reader.read_string(id);
  read_spaced_string(reader, name);
  read_spaced_string(reader, plural_name);
  reader.read_u64(flags);
  reader.read_int(scene_placement);
  reader.read_int(reserved);
  reader.read_int(faction);
  reader.read_int(upgrade_troop_1);
  reader.read_int(upgrade_troop_2);
  for (int i = 0; i < troop_file_inventory_size; ++i) {
    item& it = inventory[static_cast<std::size_t>(i)];
    std::int32_t word = 0;
    reader.read_int(it.kind);
    reader.read_int(word);
    it.word = static_cast<std::uint32_t>(word);
  }
  for (item& it : equipment) it = item{};
  for (std::int32_t& a : attributes) reader.read_int(a);
  reader.read_int(level);
  // The experience is drawn between the file level's entry and the next one's
  // (a level below 1 draws from the zero entries, then counts as 1); levels
  // past the table's last entry would read beyond it.
  const int draw_level = std::clamp(level, 0, max_troop_level);
  level = std::clamp(level, 1, max_troop_level);
  const float fraction = random_unit_float();
  const std::int32_t base = g_level_table[static_cast<std::size_t>(draw_level)];
  if (draw_level < max_troop_level) {
    const std::int32_t span = g_level_table[static_cast<std::size_t>(draw_level + 1)] - base;
    experience = base + static_cast<std::int32_t>(fraction * static_cast<float>(span));
  } else {
    experience = base;
  }
  for (float& p : proficiencies) {
    std::int32_t value = 0;
    reader.read_int(value);
    p = static_cast<float>(value);
  }
  for (std::uint32_t& w : skill_words) reader.read_u32(w);
  max_hit_points = static_cast<float>(get_max_hit_points());
  for (std::uint64_t& w : face_code_1) reader.read_u64(w);
  for (std::uint64_t& w : face_code_2) reader.read_u64(w);
}

int troop::get_raw_skill_level(int skill) const {
  if (skill < 0 || skill >= troop_skill_words * 8) return 0;
  return static_cast<int>((skill_words[static_cast<std::size_t>(skill / 8)] >> (4 * (skill % 8))) & 0xF);
}

int troop::get_skill_level(int skill) const {
  const int raw = get_raw_skill_level(skill);
  if (skill >= skill_count) return raw;
  return std::min(raw, g_skills[static_cast<std::size_t>(skill)].max_level);
}

void troop::set_skill_level(int skill, int new_level) {
  if (skill < 0 || skill >= troop_skill_words * 8) return;
  const int shift = 4 * (skill % 8);
  std::uint32_t& w = skill_words[static_cast<std::size_t>(skill / 8)];
  w = (w & ~(0xFu << shift)) | (static_cast<std::uint32_t>(std::clamp(new_level, 0, 15)) << shift);
}

int troop::get_proficiency(int n) const {
  if (n < 0 || n >= troop_proficiency_count) return 0;
  return static_cast<int>(proficiencies[static_cast<std::size_t>(n)]);
}

int troop::get_level_xp_value() const {
  const float v = static_cast<float>((level + 10) * (level + 10)) * 0.1f;
  return static_cast<int>(v);
}

int troop::get_max_hit_points() const { return strength() + 35 + 2 * get_skill_level(skill_ironflesh); }

int troop::get_inventory_capacity() const {
  if (!is_hero()) return 90;
  const int l = get_skill_level(skill_inventory_management);
  return l <= 9 ? 30 + 6 * l : troop_inventory_size;
}

}  // namespace hm
