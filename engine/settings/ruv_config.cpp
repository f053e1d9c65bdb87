#include "engine/settings/ruv_config.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/core/user_files.h"

namespace hm {

ruv_config g_ruv_config;

namespace {

constexpr const char* kFileName = "ruv_config.txt";
constexpr std::size_t kMaxLineLength = 250;

enum class entry_kind {
  integer,
  switch_value,  // written as 0 or 1
  written_when_set,  // written as "1" only when not 0 (older files lack it)
};

struct config_entry {
  const char* key;
  std::int32_t ruv_config::*field;
  entry_kind kind;
};

// The keys in the order the file is written; the reader uses the same table.
constexpr config_entry kEntries[] = {
    {"first_time", &ruv_config::first_time, entry_kind::integer},
    {"texture_detail", &ruv_config::texture_detail, entry_kind::integer},
    {"render_buffer_size", &ruv_config::render_buffer_size, entry_kind::integer},
    {"max_framerate", &ruv_config::max_framerate, entry_kind::integer},
    {"start_windowed", &ruv_config::start_windowed, entry_kind::switch_value},
    {"use_pixel_shaders", &ruv_config::use_pixel_shaders, entry_kind::switch_value},
    {"use_vertex_shaders", &ruv_config::use_vertex_shaders, entry_kind::switch_value},
    {"fake_reflections", &ruv_config::fake_reflections, entry_kind::switch_value},
    {"show_framerate", &ruv_config::show_framerate, entry_kind::switch_value},
    {"disable_music", &ruv_config::disable_music, entry_kind::switch_value},
    {"disable_sound", &ruv_config::disable_sound, entry_kind::switch_value},
    {"disable_frequency_variation", &ruv_config::disable_frequency_variation, entry_kind::switch_value},
    {"cheat_mode", &ruv_config::cheat_mode, entry_kind::switch_value},
    {"enable_blood", &ruv_config::enable_blood, entry_kind::switch_value},
    {"enable_edit_mode", &ruv_config::enable_edit_mode, entry_kind::switch_value},
    {"force_single_threading", &ruv_config::force_single_threading, entry_kind::switch_value},
    {"debug_mode", &ruv_config::debug_mode, entry_kind::switch_value},
    {"display_width", &ruv_config::display_width, entry_kind::integer},
    {"display_height", &ruv_config::display_height, entry_kind::integer},
    {"display_bits", &ruv_config::display_bits, entry_kind::integer},
    {"antialiasing", &ruv_config::antialiasing, entry_kind::integer},
    {"sample_quality", &ruv_config::sample_quality, entry_kind::integer},
    {"force_vsync", &ruv_config::force_vsync, entry_kind::integer},
    {"shadowmap_quality", &ruv_config::shadowmap_quality, entry_kind::integer},
    {"skip_tutorial", &ruv_config::skip_tutorial, entry_kind::written_when_set},
};

bool is_word_character(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

std::string lower_case(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The next run of word characters at or after `position`; empty at the end.
std::string_view next_word(std::string_view line, std::size_t& position) {
  while (position < line.size() && !is_word_character(line[position])) ++position;
  const std::size_t start = position;
  while (position < line.size() && is_word_character(line[position])) ++position;
  return line.substr(start, position - start);
}

// atoi's reading of the value, held to the 32-bit range instead of wrapping.
std::int32_t to_int32(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

void parse_config_line(ruv_config& config, std::string_view line) {
  std::size_t position = 0;
  const std::string key = lower_case(next_word(line, position));
  const std::string value_text = lower_case(next_word(line, position));
  if (key.empty()) return;
  const std::int32_t value = value_text.empty() ? 1 : to_int32(value_text);
  for (const config_entry& entry : kEntries) {
    if (key != entry.key) continue;
    std::int32_t stored = value;
    if (entry.field == &ruv_config::texture_detail) stored = stored < 0 ? 0 : (stored > 101 ? 101 : stored);
    // The frame limiter waits 1 / max_framerate seconds a frame: the file gets
    // the range the configuration dialog allows, never 0 or a negative rate.
    if (entry.field == &ruv_config::max_framerate) stored = stored < 10 ? 10 : (stored > 999 ? 999 : stored);
    config.*entry.field = stored;
    if (entry.field == &ruv_config::shadowmap_quality) config.active_shadowmap_quality = stored;
    return;
  }
}

void handle_line(ruv_config& config, std::string_view line) {
  if (!line.empty() && line.front() == '#') return;
  parse_config_line(config, line);
}

}  // namespace

void set_ruv_config_defaults(ruv_config& config) {
  const std::int32_t skip_tutorial = config.skip_tutorial;
  config = ruv_config{};
  config.skip_tutorial = skip_tutorial;
}

void read_ruv_config(ruv_config& config, std::FILE* file) {
  if (!file) return;
  std::string line;
  for (;;) {
    const int c = std::fgetc(file);
    if (c == EOF) break;
    if (c == '\n') {
      handle_line(config, line);
      line.clear();
      continue;
    }
    line.push_back(static_cast<char>(c));
    if (line.size() == kMaxLineLength) {
      handle_line(config, line);
      line.clear();
    }
  }
  if (!line.empty()) handle_line(config, line);
}

bool write_ruv_config(const ruv_config& config, std::FILE* file) {
  if (!file) return false;
  for (const config_entry& entry : kEntries) {
    std::int32_t value = config.*entry.field;
    if (entry.kind == entry_kind::written_when_set && value == 0) continue;
    if (entry.kind != entry_kind::integer) value = value != 0 ? 1 : 0;
    char text[256];
    std::snprintf(text, sizeof text, "%s = %d\n", entry.key, value);
    std::fprintf(file, "%s\n", text);
  }
  return std::ferror(file) == 0;
}

void load_ruv_config(ruv_config& config) {
  std::FILE* file = open_user_file(kFileName, "r");
  if (!file) return;
  read_ruv_config(config, file);
  std::fclose(file);
}

bool save_ruv_config(const ruv_config& config) {
  return replace_user_file(kFileName, "w", [&](std::FILE* file) { return write_ruv_config(config, file); });
}

}  // namespace hm
