#include "module/text/translation_table.h"

#include <optional>
#include <string>

#include "platform/fs.h"

namespace hm {

translation_table g_translation_table;

namespace {

constexpr const char* not_found = "STR NOT FOUND";
// Lines are read through a buffer of this many bytes, terminator included.
constexpr std::size_t line_buffer_size = 5000;

// The next piece of text as a line reader with a fixed buffer gives it: up to
// and including a line feed, at most line_buffer_size - 1 bytes.
std::string_view next_piece(std::string_view& rest) {
  std::size_t n = std::min(rest.size(), line_buffer_size - 1);
  const std::size_t feed = rest.substr(0, n).find('\n');
  if (feed != std::string_view::npos) n = feed + 1;
  const std::string_view piece = rest.substr(0, n);
  rest.remove_prefix(n);
  return piece;
}

std::string_view without_line_break(std::string_view text) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  // Files written with CR LF keep a CR where the file ends without a feed.
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  return text;
}

ruv_string lookup_or(const std::string& key, const ruv_string& fallback) {
  const ruv_string* text = g_translation_table.find_translation(key);
  return text ? *text : fallback;
}

}  // namespace

int translation_bucket(std::string_view key) {
  std::uint32_t h = 0;
  for (char c : key) {
    const std::uint32_t sum = h * 59u + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
    h = sum % translation_bucket_count;
  }
  return static_cast<int>(h);
}

translation_table::translation_table()
    : result(not_found), keys_(translation_bucket_count), texts_(translation_bucket_count) {}

const ruv_string* translation_table::find_translation(std::string_view key) const {
  const int h = translation_bucket(key);
  const std::vector<ruv_string>& keys = keys_[static_cast<std::size_t>(h)];
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (keys[i].view() == key) return &texts_[static_cast<std::size_t>(h)][i];
  return nullptr;
}

const ruv_string& translation_table::get_string_by_id(std::string_view key) {
  if (const ruv_string* text = find_translation(key)) return *text;
  std::string missing = "STR NOT FOUND: ";
  missing.append(key);
  result = ruv_string(missing);
  return result;
}

void translation_table::set_translation(std::string_view key, std::string_view text) {
  const std::size_t h = static_cast<std::size_t>(translation_bucket(key));
  std::vector<ruv_string>& keys = keys_[h];
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].view() == key) {
      texts_[h][i] = ruv_string(text);
      return;
    }
  }
  keys.emplace_back(key);
  texts_[h].emplace_back(text);
  ++key_count_;
}

void translation_table::read_translation_lines(std::string_view contents) {
  bool first = true;
  while (!contents.empty()) {
    std::string_view line = next_piece(contents);
    if (first && line.size() > 2 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    first = false;
    const std::size_t bar = line.find('|');
    if (bar == std::string_view::npos) continue;
    // The quotes are trimmed inside each side of the bar only, so a lone quote
    // leaves an empty side rather than a range that ends before it starts.
    std::string_view key = line.substr(0, bar);
    if (!key.empty() && key.front() == '"') key.remove_prefix(1);
    if (!key.empty() && key.back() == '"') key.remove_suffix(1);
    std::string_view text = line.substr(bar + 1);
    if (!text.empty() && text.front() == '"') text.remove_prefix(1);
    text = without_line_break(text);
    if (!text.empty() && text.back() == '"') text.remove_suffix(1);
    // No lookup can ask for an empty key.
    if (key.empty()) continue;
    set_translation(key, text);
  }
}

void translation_table::clear() {
  for (auto& bucket : keys_) bucket.clear();
  for (auto& bucket : texts_) bucket.clear();
  key_count_ = 0;
  language = ruv_string();
  result = not_found;
}

void load_translations(translation_table& table, std::string_view prefix) {
  table.language = "en";
  if (const std::optional<std::string> file = platform::read_whole_file("language.txt", true)) {
    std::string_view rest = *file;
    if (!rest.empty()) table.language = ruv_string(without_line_break(next_piece(rest)));
  }
  std::string folder(prefix);
  folder.append("languages\\").append(table.language.view());
  for (const platform::folder_entry& entry : platform::list_folder(folder)) {
    if (entry.is_folder) continue;
    const std::optional<std::string> contents = platform::read_whole_file(folder + "\\" + entry.name, true);
    if (contents) table.read_translation_lines(*contents);
  }
}

ruv_string translate_record_name(const ruv_string& id, const ruv_string& name) {
  return lookup_or(std::string(id.view()), name);
}

ruv_string translate_plural_name(const ruv_string& id, const ruv_string& plural_name) {
  return lookup_or(std::string(id.view()) + "_pl", plural_name);
}

ruv_string translate_skill_description(const ruv_string& id, const ruv_string& description) {
  return lookup_or(std::string(id.view()) + "_desc", description);
}

ruv_string get_translated_text_field(const ruv_string& id, const ruv_string& text) {
  return lookup_or(std::string(id.view()) + "_text", text);
}

ruv_string translate_door_name(const ruv_string& id, const ruv_string& door_text) {
  return lookup_or(std::string(id.view()) + "_door", door_text);
}

bool get_proficiency_name(int proficiency, ruv_string& out) {
  static const char* const keys[] = {"ui_one_handed_weapons", "ui_two_handed_weapons", "ui_polearms", "ui_archery",
                                     "ui_crossbows",          "ui_throwing",           "ui_firearms"};
  if (proficiency < 0 || proficiency > 6) return false;
  out = g_translation_table.get_string_by_id(keys[proficiency]);
  return true;
}

}  // namespace hm
