#pragma once
// The engine settings: the record, its defaults, and the text file
// "ruv_config.txt" in the settings folder (lines of a key, " = " and a value).
#include <cstdint>
#include <cstdio>

namespace hm {

// 28 consecutive 32-bit fields. Switches hold 0 or not 0.
struct ruv_config {
  std::int32_t first_time = 1;
  std::int32_t texture_detail = 50;  // 0..101 when read from the file
  std::int32_t show_framerate = 0;
  std::int32_t max_framerate = 100;  // 10..999 when read from the file
  std::int32_t start_windowed = 0;
  std::int32_t skip_tutorial = 0;  // kept by set_ruv_config_defaults
  std::int32_t enable_edit_mode = 0;
  std::int32_t force_single_threading = 0;
  std::int32_t debug_mode = 0;
  std::int32_t cheat_mode = 0;
  std::int32_t enable_blood = 1;
  std::int32_t fake_reflections = 1;
  std::int32_t disable_frequency_variation = 0;
  std::int32_t use_vertex_shaders = 1;
  std::int32_t use_pixel_shaders = 1;
  std::int32_t disable_music = 0;
  std::int32_t disable_sound = 0;
  std::int32_t unnamed_17 = 0;  // no key in the file
  std::int32_t render_buffer_size = 15;
  std::int32_t display_width = 0;
  std::int32_t display_height = 0;
  std::int32_t display_bits = 32;
  std::int32_t antialiasing = 1;
  std::int32_t sample_quality = 0;
  std::int32_t force_vsync = 0;
  std::int32_t unnamed_25 = 1;  // no key in the file
  // The configured shadow-map quality (written to the file) and the one in force;
  // reading "shadowmap_quality" sets both.
  std::int32_t shadowmap_quality = 1;
  std::int32_t active_shadowmap_quality = 1;
};

extern ruv_config g_ruv_config;

// Every field back to its default except skip_tutorial.
void set_ruv_config_defaults(ruv_config& config);

// Reads settings lines from an open file over the record's present values:
// lines of at most 250 characters (a longer line is taken as pieces of 250),
// "#" starts a comment line, the first run of word characters (0-9, A-Z, a-z,
// "_") is the key and the second the value, both lower-cased; unknown keys are
// ignored, an empty value counts as 1, texture_detail is clamped to 0..101
// and max_framerate to 10..999.
void read_ruv_config(ruv_config& config, std::FILE* file);

// Writes the 24 settings entries ("%s = %d" and an empty line each) in their
// fixed order, switches as 0 or 1, then "skip_tutorial = 1" when that field is
// set. False when the file reported a write error.
bool write_ruv_config(const ruv_config& config, std::FILE* file);

// The file "ruv_config.txt" of the settings folder. Loading over the record
// keeps its values when the file is missing; saving replaces the file only once
// the new one is complete.
void load_ruv_config(ruv_config& config = g_ruv_config);
bool save_ruv_config(const ruv_config& config = g_ruv_config);

}  // namespace hm
