#include "ui/character/character_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>
#include <vector>

#include "engine/core/user_files.h"
#include "module/base/ini_table.h"
#include "module/records/world_records.h"
#include "module/text/translation_table.h"
#include "module/troops/troop.h"

namespace hm {

namespace {

constexpr std::size_t max_file_name_bytes = 64;

constexpr std::array<const char*, troop_attribute_count> attribute_keys = {"strength", "agility", "intelligence",
                                                                           "charisma"};
constexpr std::array<const char*, troop_proficiency_count> proficiency_keys = {
    "one_handed_weapons", "two_handed_weapons", "polearms", "archery", "crossbows", "throwing", "firearms"};

// A skill's key in the file: its shown name in lower case, blanks as "_".
std::string skill_key(int skill) {
  ruv_string name = g_skills[static_cast<std::size_t>(skill)].name;
  name.to_lower();
  name.spaces_to_underscores();
  return std::string(name.view());
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// A whole decimal number, the sign allowed; nothing else on the value.
std::optional<std::int64_t> parse_decimal(std::string_view v) {
  std::int64_t n = 0;
  const char* first = v.data();
  const char* last = v.data() + v.size();
  if (first != last && *first == '+') ++first;
  const auto [end, ec] = std::from_chars(first, last, n, 10);
  if (ec != std::errc() || end != last || first == last) return std::nullopt;
  return n;
}

std::optional<std::uint64_t> parse_hex(std::string_view v) {
  if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) v.remove_prefix(2);
  std::uint64_t n = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n, 16);
  if (ec != std::errc() || end != v.data() + v.size() || v.empty()) return std::nullopt;
  return n;
}

std::int32_t clamp32(std::int64_t v, std::int64_t lo, std::int64_t hi) {
  return static_cast<std::int32_t>(std::clamp(v, lo, hi));
}

constexpr std::int64_t int32_lo = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t int32_hi = std::numeric_limits<std::int32_t>::max();

void line(std::string& out, std::string_view key, std::int64_t value) {
  out += key;
  out += " = ";
  out += std::to_string(value);
  out += '\n';
}

void hex_line(std::string& out, std::string_view key, std::uint64_t value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(value));
  out += key;
  out += " = ";
  out += buffer;
  out += '\n';
}

character_import_result refused(const char* key, std::string detail) {
  character_import_result r;
  r.error_key = key;
  r.detail = std::move(detail);
  return r;
}

}  // namespace

ruv_string character_display_name(const troop& t) {
  if (const ruv_string* shown = g_translation_table.find_translation(t.id.view())) return *shown;
  return t.name;
}

std::string safe_character_file_name(std::string_view name) {
  std::string out;
  out.reserve(std::min(name.size(), max_file_name_bytes));
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    const bool unsafe = c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
                        c == '"' || c == '<' || c == '>' || c == '|' || c == '.';
    out += unsafe ? '_' : ch;
  }
  if (out.size() > max_file_name_bytes) {
    std::size_t cut = max_file_name_bytes;
    // Back to the start of the UTF-8 character the cut falls in.
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
  }
  // Blanks alone would make a name the file system shows as nothing.
  if (out.find_first_not_of(' ') == std::string::npos) out = "character";
  return out;
}

std::string character_export_path(const troop& t) {
  return get_user_file_path(std::string(character_export_folder) + "/" +
                            safe_character_file_name(character_display_name(t).view()) + ".txt");
}

std::int32_t level_for_experience(std::int32_t experience) {
  std::int32_t level = 1;
  for (int l = 1; l <= max_troop_level; ++l)
    if (g_level_table[static_cast<std::size_t>(l)] < experience) level = l;
  return level;
}

std::string write_character_text(const troop& t) {
  std::string out;
  // The version key starts with a blank, which readers skip.
  line(out, " charfile_version", character_file_version);
  ruv_string name = t.name;
  name.spaces_to_underscores();
  out += "name = ";
  out += name.view();
  out += '\n';
  line(out, "xp", t.experience);
  line(out, "money", t.gold);
  out += '\n';
  line(out, "attribute_points", t.attribute_points);
  line(out, "skill_points", t.skill_points);
  line(out, "weapon_points", t.proficiency_points);
  out += '\n';
  for (int a = 0; a < troop_attribute_count; ++a)
    line(out, attribute_keys[static_cast<std::size_t>(a)], t.attributes[static_cast<std::size_t>(a)]);
  out += '\n';
  for (int s = 0; s < skill_count; ++s) line(out, skill_key(s), t.get_skill_level(s));
  out += '\n';
  for (int p = 0; p < troop_proficiency_count; ++p)
    line(out, proficiency_keys[static_cast<std::size_t>(p)],
         static_cast<std::int64_t>(t.proficiencies[static_cast<std::size_t>(p)]));
  out += '\n';
  hex_line(out, "face_key_1", t.face_code_1[0]);
  hex_line(out, "face_key_2", t.face_code_1[1]);
  return out;
}

bool export_character(const troop& t, const std::string& path) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  if (ec) return false;
  const std::string text = write_character_text(t);
  return replace_file(path, "w", [&text](std::FILE* f) {
    return std::fwrite(text.data(), 1, text.size(), f) == text.size();
  });
}

character_import_result import_character(troop& t, const ini_table& table) {
  // The values are checked and applied to a copy of what the file may change;
  // the troop takes them only when the whole file was good.
  troop result_values;
  result_values.name = t.name;
  result_values.experience = t.experience;
  result_values.level = t.level;
  result_values.gold = t.gold;
  result_values.attribute_points = t.attribute_points;
  result_values.skill_points = t.skill_points;
  result_values.proficiency_points = t.proficiency_points;
  result_values.attributes = t.attributes;
  result_values.skill_words = t.skill_words;
  result_values.proficiencies = t.proficiencies;
  result_values.face_code_1 = t.face_code_1;
  troop& r = result_values;

  bool versioned = false;
  std::vector<std::string> skill_keys;
  skill_keys.reserve(skill_count);
  for (int s = 0; s < skill_count; ++s) skill_keys.push_back(skill_key(s));

  for (const ini_pair& pair : table.pairs) {
    const std::string_view key = pair.key.view();
    const std::string_view value = pair.value.view();
    if (key.empty()) continue;
    if (key == "charfile_version") {
      const auto v = parse_decimal(value);
      if (!v || *v != character_file_version) return refused("ui_character_file_wrong_version", std::string(value));
      versioned = true;
      continue;
    }
    if (key == "name") {
      ruv_string name(value);
      name.underscores_to_spaces();
      r.name = name;
      continue;
    }
    if (key == "face_key_1" || key == "face_key_2") {
      const auto v = parse_hex(value);
      if (!v) return refused("ui_character_file_bad_value", std::string(key));
      r.face_code_1[key == "face_key_1" ? 0 : 1] = *v;
      continue;
    }
    // Every other key the file carries holds a whole number.
    const auto number = [&]() { return parse_decimal(value); };
    std::int32_t* field = nullptr;
    if (key == "money") field = &r.gold;
    if (key == "attribute_points") field = &r.attribute_points;
    if (key == "skill_points") field = &r.skill_points;
    if (key == "weapon_points") field = &r.proficiency_points;
    if (key == "xp") {
      const auto v = number();
      if (!v) return refused("ui_character_file_bad_value", std::string(key));
      r.experience = clamp32(*v, 0, max_imported_experience);
      r.level = level_for_experience(r.experience);
      continue;
    }
    if (field) {
      const auto v = number();
      if (!v) return refused("ui_character_file_bad_value", std::string(key));
      *field = clamp32(*v, int32_lo, int32_hi);
      continue;
    }
    bool matched = false;
    for (int a = 0; a < troop_attribute_count && !matched; ++a) {
      if (key != attribute_keys[static_cast<std::size_t>(a)]) continue;
      const auto v = number();
      if (!v) return refused("ui_character_file_bad_value", std::string(key));
      // An attribute never leaves the range every troop keeps to.
      r.attributes[static_cast<std::size_t>(a)] = clamp32(*v, 0, 100);
      matched = true;
    }
    if (matched) continue;
    const std::string folded = lower(key);
    for (int s = 0; s < skill_count; ++s) {
      if (folded != skill_keys[static_cast<std::size_t>(s)]) continue;
      const auto v = number();
      if (!v) return refused("ui_character_file_bad_value", std::string(key));
      const std::int32_t level = clamp32(*v, 0, max_imported_skill);
      r.set_skill_level(s, std::min(level, std::max(0, g_skills[static_cast<std::size_t>(s)].max_level)));
      matched = true;
    }
    if (matched) continue;
    for (int p = 0; p < troop_proficiency_count; ++p) {
      if (folded != proficiency_keys[static_cast<std::size_t>(p)]) continue;
      const auto v = number();
      if (!v) return refused("ui_character_file_bad_value", std::string(key));
      r.proficiencies[static_cast<std::size_t>(p)] = static_cast<float>(clamp32(*v, 0, max_imported_proficiency));
    }
  }
  if (!versioned) return refused("ui_character_file_not_a_character", "charfile_version");

  t.name = r.name;
  t.experience = r.experience;
  t.level = r.level;
  t.gold = r.gold;
  t.attribute_points = r.attribute_points;
  t.skill_points = r.skill_points;
  t.proficiency_points = r.proficiency_points;
  t.attributes = r.attributes;
  t.skill_words = r.skill_words;
  t.proficiencies = r.proficiencies;
  t.face_code_1 = r.face_code_1;
  // Health never stands above what the new strength and skills allow.
  t.max_hit_points = std::min(t.max_hit_points, static_cast<float>(t.get_max_hit_points()));
  character_import_result ok;
  ok.ok = true;
  return ok;
}

character_import_result import_character_file(troop& t, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return refused("ui_unable_to_open_import_file", path);
  ini_table table;
  read_ini_file(table, f);
  std::fclose(f);
  return import_character(t, table);
}

}  // namespace hm
