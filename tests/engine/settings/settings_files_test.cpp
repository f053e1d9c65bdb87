#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <type_traits>

#include "engine/settings/game_options.h"
#include "engine/settings/key_bindings.h"
#include "engine/core/log.h"
#include "engine/settings/ruv_config.h"
#include "engine/core/stream.h"
#include "engine/core/user_files.h"
#include "platform/fs.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

// Every test gets its own application-data folder.
class settings_files : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("hm_settings_test_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
    const char* old = std::getenv("XDG_DATA_HOME");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    ::setenv("XDG_DATA_HOME", root_.c_str(), 1);
    platform::invalidate_path_cache();
  }
  void TearDown() override {
    engine_log().close();
    if (had_old_) {
      ::setenv("XDG_DATA_HOME", old_.c_str(), 1);
    } else {
      ::unsetenv("XDG_DATA_HOME");
    }
    fs::remove_all(root_);
    platform::invalidate_path_cache();
  }

  fs::path settings(const std::string& name) const { return root_ / "Hoofmarch" / name; }
  std::string read_settings(const std::string& name) const {
    std::ifstream in(settings(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void write_settings(const std::string& name, const std::string& bytes) const {
    fs::create_directories(root_ / "Hoofmarch");
    std::ofstream(settings(name), std::ios::binary) << bytes;
  }

  fs::path root_;
  bool had_old_ = false;
  std::string old_;
};

// --- ruv_config.txt ------------------------------------------------------------------------------

const char kDefaultConfigFile[] =
    "first_time = 1\n\n"
    "texture_detail = 50\n\n"
    "render_buffer_size = 15\n\n"
    "max_framerate = 100\n\n"
    "start_windowed = 0\n\n"
    "use_pixel_shaders = 1\n\n"
    "use_vertex_shaders = 1\n\n"
    "fake_reflections = 1\n\n"
    "show_framerate = 0\n\n"
    "disable_music = 0\n\n"
    "disable_sound = 0\n\n"
    "disable_frequency_variation = 0\n\n"
    "cheat_mode = 0\n\n"
    "enable_blood = 1\n\n"
    "enable_edit_mode = 0\n\n"
    "force_single_threading = 0\n\n"
    "debug_mode = 0\n\n"
    "display_width = 0\n\n"
    "display_height = 0\n\n"
    "display_bits = 32\n\n"
    "antialiasing = 1\n\n"
    "sample_quality = 0\n\n"
    "force_vsync = 0\n\n"
    "shadowmap_quality = 1\n\n";

TEST_F(settings_files, ruv_config_from_the_defaults_is_written_byte_for_byte) {
  ruv_config config;
  config.first_time = 0;
  config.skip_tutorial = 1;
  set_ruv_config_defaults(config);
  EXPECT_EQ(config.first_time, 1);
  EXPECT_EQ(config.skip_tutorial, 1);  // the defaults keep it
  config.skip_tutorial = 0;

  ASSERT_TRUE(save_ruv_config(config));
  EXPECT_EQ(read_settings("ruv_config.txt"), kDefaultConfigFile);
  EXPECT_FALSE(fs::exists(settings("ruv_config.txt.tmp")));
}

TEST_F(settings_files, ruv_config_switches_are_written_as_zero_or_one) {
  ruv_config config;
  config.cheat_mode = 5;
  config.display_bits = 5;  // an integer, written as stored
  config.skip_tutorial = 7;
  ASSERT_TRUE(save_ruv_config(config));
  const std::string text = read_settings("ruv_config.txt");
  // skip_tutorial follows the 24 entries only when it is set.
  std::string expected = kDefaultConfigFile;
  expected.replace(expected.find("cheat_mode = 0"), 14, "cheat_mode = 1");
  expected.replace(expected.find("display_bits = 32"), 17, "display_bits = 5");
  EXPECT_EQ(text, expected + "skip_tutorial = 1\n\n");
}

TEST_F(settings_files, ruv_config_lines_are_read_by_the_word_rule) {
  struct line_case {
    const char* text;
    std::int32_t ruv_config::*field;
    std::int32_t expected;
  };
  const line_case cases[] = {
      {"max_framerate\n", &ruv_config::max_framerate, 1},  // no value counts as 1
      {"#max_framerate = 7\n", &ruv_config::max_framerate, 100},
      {"TEXTURE_DETAIL = 500\n", &ruv_config::texture_detail, 101},
      {"texture_detail = 0\n", &ruv_config::texture_detail, 0},
      {"display_width=1024\n", &ruv_config::display_width, 1024},
      {"display_height 768 trailing words\n", &ruv_config::display_height, 768},
      {"  antialiasing\t:\t4\r\n", &ruv_config::antialiasing, 4},
      {"start_windowed = 1", &ruv_config::start_windowed, 1},  // no line end
      {"force_vsync = 12abc\n", &ruv_config::force_vsync, 12},
      {"skip_tutorial = 1\n", &ruv_config::skip_tutorial, 1},
      {"unknown_key = 5\nfirst_time = 0\n", &ruv_config::first_time, 0},
      {"shadowmap_quality = 2\n", &ruv_config::active_shadowmap_quality, 2},
      {"display_bits = 99999999999\n", &ruv_config::display_bits, std::numeric_limits<std::int32_t>::max()},
  };
  for (const line_case& c : cases) {
    SCOPED_TRACE(c.text);
    ruv_config config;
    std::FILE* file = ::fmemopen(const_cast<char*>(c.text), std::strlen(c.text), "r");
    ASSERT_NE(file, nullptr);
    read_ruv_config(config, file);
    std::fclose(file);
    EXPECT_EQ(config.*c.field, c.expected);
  }
}

TEST_F(settings_files, long_ruv_config_lines_are_taken_in_pieces_of_250) {
  // A comment of 260 characters: its last 10 characters form a line of their own.
  const std::string text = "#" + std::string(249, 'x') + "debug_mode\nmax_framerate = 60\n";
  ruv_config config;
  std::FILE* file = ::fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  ASSERT_NE(file, nullptr);
  read_ruv_config(config, file);
  std::fclose(file);
  EXPECT_EQ(config.debug_mode, 1);
  EXPECT_EQ(config.max_framerate, 60);
}

TEST_F(settings_files, ruv_config_round_trips_and_a_missing_file_keeps_the_values) {
  ruv_config missing;
  missing.max_framerate = 77;
  load_ruv_config(missing);
  EXPECT_EQ(missing.max_framerate, 77);

  ruv_config saved;
  saved.texture_detail = 80;
  saved.max_framerate = 60;
  saved.start_windowed = 1;
  saved.display_width = 1280;
  saved.display_height = 720;
  saved.shadowmap_quality = 3;
  saved.skip_tutorial = 1;
  saved.use_pixel_shaders = 0;
  ASSERT_TRUE(save_ruv_config(saved));
  ruv_config loaded;
  load_ruv_config(loaded);
  EXPECT_EQ(std::memcmp(&loaded, &saved, sizeof(ruv_config) - 4), 0);
  EXPECT_EQ(loaded.active_shadowmap_quality, 3);
}

// --- options.dat ---------------------------------------------------------------------------------

// The record's field (counted from 0) that each 4-byte value of the file holds.
constexpr int kFieldAtOffset[34] = {2,  3,  4,  5,  7,  8,  9,  10, 12, 0,  13, 18, 20, 38, 17, 19, 21,
                                    25, 26, 22, 23, 29, 27, 28, 14, 11, 24, 30, 31, 1,  32, 33, 34, 6};
static_assert(sizeof(game_options) == 160 && std::is_standard_layout_v<game_options>);

TEST_F(settings_files, options_dat_holds_34_values_in_the_files_order) {
  game_options options;
  std::int32_t words[40];
  for (int field = 0; field < 40; ++field) words[field] = 1000 + field;
  std::memcpy(&options, words, sizeof words);
  ASSERT_TRUE(save_options(options));

  const std::string bytes = read_settings("options.dat");
  ASSERT_EQ(bytes.size(), 136u);
  for (int k = 0; k < 34; ++k) {
    std::int32_t stored = 0;
    std::memcpy(&stored, bytes.data() + 4 * k, 4);
    EXPECT_EQ(stored, 1000 + kFieldAtOffset[k]) << "offset " << 4 * k;
  }

  // The defaults as they lie in the file.
  ASSERT_TRUE(save_options(game_options{}));
  const std::string defaults = read_settings("options.dat");
  auto float_at = [&](int offset) {
    float value;
    std::memcpy(&value, defaults.data() + offset, 4);
    return value;
  };
  auto int_at = [&](int offset) {
    std::int32_t value;
    std::memcpy(&value, defaults.data() + offset, 4);
    return value;
  };
  EXPECT_EQ(float_at(0), 0.4f);
  EXPECT_EQ(float_at(84), 0.3422f);
  EXPECT_EQ(float_at(120), 2.2f);
  EXPECT_EQ(int_at(36), 3);
  EXPECT_EQ(int_at(40), 50);
  EXPECT_EQ(int_at(88), 2);
  EXPECT_EQ(int_at(112), 2);
  EXPECT_EQ(int_at(132), 1);
}

TEST_F(settings_files, options_dat_round_trips) {
  game_options saved;
  saved.music_volume = 0.25f;
  saved.set_corpses_level(5);
  saved.set_ragdolls_level(0);
  saved.combat_ai = 1;
  saved.gamma = 1.8f;
  saved.battle_size = 0.75f;
  saved.unnamed_38 = 42;
  saved.blood_stains = 0;
  ASSERT_TRUE(save_options(saved));
  game_options loaded;
  ASSERT_TRUE(read_options(loaded));
  EXPECT_EQ(std::memcmp(&loaded, &saved, sizeof saved), 0);
  EXPECT_EQ(loaded.corpse_limit, game_options::unlimited);
  EXPECT_EQ(loaded.ragdoll_limit, 0);
}

TEST_F(settings_files, options_dat_values_are_clamped_when_read) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct clamp_case {
    const char* what;
    float gamma, detail, shadow_detail;
    std::int32_t combat_speed;
    float want_gamma, want_detail, want_shadow_detail;
    std::int32_t want_speed;
  };
  const clamp_case cases[] = {
      {"at the low ends", 1.4f, -0.001f, 0.0f, 0, 1.4f, -0.001f, 0.0f, 0},
      {"at the high ends", 2.6f, 1.01f, 1.0f, 2, 2.2f, 0.5f, 1.0f, 2},
      {"below", 1.39f, -0.002f, -1.0f, -1, 2.2f, 0.5f, 0.5f, 1},
      {"not a number", nan, nan, nan, 3, 2.2f, 0.5f, 0.5f, 1},
  };
  for (const clamp_case& c : cases) {
    SCOPED_TRACE(c.what);
    game_options stored;
    stored.gamma = c.gamma;
    stored.character_detail = c.detail;
    stored.character_shadow_detail = c.shadow_detail;
    stored.combat_speed = c.combat_speed;
    binary_stream file;
    write_options(file, stored);
    game_options loaded;
    read_options(file, loaded);
    EXPECT_EQ(loaded.gamma, c.want_gamma);
    EXPECT_EQ(loaded.character_detail, c.want_detail);
    EXPECT_EQ(loaded.character_shadow_detail, c.want_shadow_detail);
    EXPECT_EQ(loaded.combat_speed, c.want_speed);
  }
}

TEST_F(settings_files, options_dat_choices_outside_their_lists_are_held_to_them) {
  // A file written by hand or by another program: every value the screens
  // show as a list item or a switch must land on one.
  game_options hostile;
  hostile.music_volume = 7.0f;
  hostile.sound_volume = -1.0f;
  hostile.mouse_sensitivity = std::numeric_limits<float>::quiet_NaN();
  hostile.battle_size = 2.0f;
  hostile.invert_mouse_y = 5;
  hostile.report_damage = -3;
  hostile.corpses_level = 7;
  hostile.ragdolls_level = -2;
  hostile.grass_density = 1000;
  hostile.damage_to_player = 9;
  hostile.damage_to_friends = -1;
  hostile.combat_ai = 4;
  hostile.control_attack_direction = 3;
  hostile.control_block_direction = 2;
  hostile.blood_stains = 6;
  hostile.plant_shadows = -7;
  binary_stream file;
  write_options(file, hostile);
  game_options loaded;
  read_options(file, loaded);
  EXPECT_EQ(loaded.music_volume, 1.0f);
  EXPECT_EQ(loaded.sound_volume, 0.0f);
  EXPECT_EQ(loaded.mouse_sensitivity, 0.5f);
  EXPECT_EQ(loaded.battle_size, 1.0f);
  EXPECT_EQ(loaded.invert_mouse_y, 1);
  EXPECT_EQ(loaded.report_damage, 1);
  EXPECT_EQ(loaded.corpses_level, 5);
  EXPECT_EQ(loaded.corpse_limit, game_options::unlimited);
  EXPECT_EQ(loaded.ragdolls_level, 0);
  EXPECT_EQ(loaded.ragdoll_limit, 0);
  EXPECT_EQ(loaded.grass_density, 100);
  EXPECT_EQ(loaded.damage_to_player, 2);
  EXPECT_EQ(loaded.damage_to_friends, 0);
  EXPECT_EQ(loaded.combat_ai, 2);
  EXPECT_EQ(loaded.control_attack_direction, 2);
  EXPECT_EQ(loaded.control_block_direction, 1);
  EXPECT_EQ(loaded.blood_stains, 2);
  EXPECT_EQ(loaded.plant_shadows, 0);
}

TEST(game_options, choices_give_their_limits) {
  struct level_case {
    std::int32_t level, corpses, ragdolls;
  };
  const level_case cases[] = {{0, 0, 0}, {1, 5, 1}, {2, 10, 3}, {3, 20, 5}, {4, 40, 10}, {5, 9999999, 9999999}};
  for (const level_case& c : cases) {
    game_options options;
    options.set_corpses_level(c.level);
    options.set_ragdolls_level(c.level);
    EXPECT_EQ(options.corpse_limit, c.corpses) << c.level;
    EXPECT_EQ(options.ragdoll_limit, c.ragdolls) << c.level;
  }
  // Another choice is stored and keeps the limit that was there.
  game_options options;
  options.set_corpses_level(4);
  options.set_corpses_level(7);
  options.set_ragdolls_level(-1);
  EXPECT_EQ(options.corpses_level, 7);
  EXPECT_EQ(options.corpse_limit, 40);
  EXPECT_EQ(options.ragdolls_level, -1);
  EXPECT_EQ(options.ragdoll_limit, 5);
}

TEST_F(settings_files, a_missing_or_cut_options_dat_keeps_the_record_and_logs) {
  ASSERT_TRUE(open_engine_log((root_ / "ruv_log.txt").string()));
  game_options options;
  options.grass_density = 77;
  EXPECT_FALSE(read_options(options));
  EXPECT_EQ(options.grass_density, 77);
  std::ifstream log(root_ / "ruv_log.txt");
  const std::string log_text((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(log_text.find("Unable to find options.dat. Loading defaults"), std::string::npos);

  write_settings("options.dat", std::string(100, '\x01'));
  EXPECT_FALSE(read_options(options));
  EXPECT_EQ(options.grass_density, 77);
  EXPECT_EQ(options.music_volume, 0.4f);
}

TEST_F(settings_files, a_failed_save_leaves_the_previous_file) {
  game_options first;
  first.grass_density = 10;
  ASSERT_TRUE(save_options(first));
  const std::string before = read_settings("options.dat");
  // The temporary file cannot be created where a folder of its name stands.
  fs::create_directories(settings("options.dat.tmp"));
  platform::invalidate_path_cache();
  game_options second;
  second.grass_density = 90;
  EXPECT_FALSE(save_options(second));
  EXPECT_EQ(read_settings("options.dat"), before);
}

// --- controls.dat --------------------------------------------------------------------------------

TEST(key_bindings, the_defaults_match_the_table) {
  key_bindings bindings;
  const std::int32_t first_keys[37] = {17, 31, 30, 32, 33, 57, 224, 225, 238, 239, 43, 15, 42,
                                       41, 19, 46, 23, 25, 16, 38, 14,  59,  60,  61,  62, 63,
                                       64, 65, 66, 67, 87, 2,  3,  4,   5,   6,   88};
  for (int control = 0; control < 37; ++control) {
    EXPECT_EQ(bindings.keys[control][0], first_keys[control]) << control;
    EXPECT_EQ(bindings.keys[control][1], -1) << control;
  }
}

TEST_F(settings_files, controls_dat_round_trips_in_its_layout) {
  key_bindings saved;
  saved.keys[0][1] = 200;
  saved.keys[36][0] = -1;
  saved.keys[5][0] = 44;
  ASSERT_TRUE(save_controls(saved));
  const std::string bytes = read_settings("controls.dat");
  ASSERT_EQ(bytes.size(), 4u + 37 * 8);
  std::int32_t count = 0, second_key_of_0 = 0;
  std::memcpy(&count, bytes.data(), 4);
  std::memcpy(&second_key_of_0, bytes.data() + 8, 4);
  EXPECT_EQ(count, 37);
  EXPECT_EQ(second_key_of_0, 200);

  key_bindings loaded;
  ASSERT_TRUE(load_controls(loaded));
  EXPECT_EQ(std::memcmp(loaded.keys, saved.keys, sizeof saved.keys), 0);
}

TEST_F(settings_files, a_foreign_controls_dat_gives_the_full_default_table) {
  const key_bindings defaults;
  auto file_with = [](std::int32_t count, int codes, std::int32_t code) {
    std::string bytes(4 + 4 * codes, '\0');
    std::memcpy(bytes.data(), &count, 4);
    for (int k = 0; k < codes; ++k) std::memcpy(bytes.data() + 4 + 4 * k, &code, 4);
    return bytes;
  };
  struct foreign_case {
    const char* what;
    std::string bytes;
  };
  const foreign_case cases[] = {
      {"count 36", file_with(36, 72, 20)},
      {"count 36 with 74 codes", file_with(36, 74, 20)},
      {"count 37 cut short", file_with(37, 50, 20)},
      {"three bytes", std::string("\x25\0\0", 3)},
  };
  for (const foreign_case& c : cases) {
    SCOPED_TRACE(c.what);
    write_settings("controls.dat", c.bytes);
    key_bindings bindings;
    bindings.keys[3][0] = 99;
    bindings.keys[3][1] = 98;
    EXPECT_FALSE(load_controls(bindings));
    EXPECT_EQ(std::memcmp(bindings.keys, defaults.keys, sizeof defaults.keys), 0);
  }

  fs::remove(settings("controls.dat"));
  platform::invalidate_path_cache();
  key_bindings bindings;
  bindings.keys[0][0] = 5;
  EXPECT_FALSE(load_controls(bindings));
  EXPECT_EQ(bindings.keys[0][0], 17);
}

TEST_F(settings_files, controls_dat_codes_outside_the_key_tables_become_no_key) {
  std::string bytes(4 + 37 * 8, '\0');
  const std::int32_t count = 37, codes[] = {256, -2, 255, 0};
  std::memcpy(bytes.data(), &count, 4);
  std::memcpy(bytes.data() + 4, codes, sizeof codes);
  write_settings("controls.dat", bytes);
  key_bindings bindings;
  ASSERT_TRUE(load_controls(bindings));
  EXPECT_EQ(bindings.keys[0][0], -1);
  EXPECT_EQ(bindings.keys[0][1], -1);
  EXPECT_EQ(bindings.keys[1][0], 255);
  EXPECT_EQ(bindings.keys[1][1], 0);
}

}  // namespace
}  // namespace hm
