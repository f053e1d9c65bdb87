#include "engine/settings/game_options.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/core/user_files.h"

namespace hm {

game_options g_game_options;

namespace {

constexpr const char* kFileName = "options.dat";

// One stored value: an int or a float field of the record.
struct option_entry {
  std::int32_t game_options::*integer;
  float game_options::*real;
};

constexpr option_entry int_value(std::int32_t game_options::*field) { return {field, nullptr}; }
constexpr option_entry float_value(float game_options::*field) { return {nullptr, field}; }

// The values in the order of the file; the reader and the writer both walk it.
constexpr option_entry kStored[] = {
    float_value(&game_options::music_volume),                   //   0
    float_value(&game_options::sound_volume),                   //   4
    float_value(&game_options::mouse_sensitivity),              //   8
    int_value(&game_options::invert_mouse_y),                 //  12
    int_value(&game_options::dynamic_lighting),               //  16
    int_value(&game_options::particle_systems),               //  20
    int_value(&game_options::unnamed_9),                      //  24
    int_value(&game_options::character_shadows),              //  28
    int_value(&game_options::unnamed_12),                     //  32
    int_value(&game_options::corpses_level),                  //  36
    int_value(&game_options::grass_density),                  //  40
    int_value(&game_options::combat_speed),                   //  44
    int_value(&game_options::damage_to_friends),              //  48
    int_value(&game_options::unnamed_38),                     //  52
    int_value(&game_options::combat_ai),                      //  56
    int_value(&game_options::damage_to_player),               //  60
    int_value(&game_options::show_names_of_friendly_troops),  //  64
    int_value(&game_options::show_targeting_reticule),        //  68
    int_value(&game_options::show_attack_direction),          //  72
    int_value(&game_options::report_damage),                  //  76
    int_value(&game_options::report_shot_difficulty),         //  80
    float_value(&game_options::battle_size),                    //  84
    int_value(&game_options::control_attack_direction),       //  88
    int_value(&game_options::control_block_direction),        //  92
    int_value(&game_options::anisotropic_filtering),          //  96
    int_value(&game_options::environment_shadows),            // 100
    int_value(&game_options::report_casualties),              // 104
    int_value(&game_options::report_experience),              // 108
    int_value(&game_options::plant_shadows),                  // 112
    int_value(&game_options::ragdolls_level),                 // 116
    float_value(&game_options::gamma),                          // 120
    float_value(&game_options::character_detail),               // 124
    float_value(&game_options::character_shadow_detail),        // 128
    int_value(&game_options::blood_stains),                   // 132
};
static_assert(sizeof(kStored) / sizeof(kStored[0]) * 4 == options_file_size);

// The value when it lies in [low, high), else the fallback (also for NaN).
float within_or(float value, float low, float high, float fallback) {
  return (value >= low && value < high) ? value : fallback;
}

// A stored ratio held to 0..1; not a number gives the fallback.
float ratio_or(float value, float fallback) {
  if (!(value == value)) return fallback;
  return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

void hold(std::int32_t& value, std::int32_t low, std::int32_t high) {
  value = value < low ? low : (value > high ? high : value);
}

// The screens show every stored choice as an item of a list or a switch, and
// the game indexes tables by them: a value written by hand or by another
// program must land inside the choices.
void hold_to_ranges(game_options& o) {
  o.music_volume = ratio_or(o.music_volume, 0.4f);
  o.sound_volume = ratio_or(o.sound_volume, 1.0f);
  o.mouse_sensitivity = ratio_or(o.mouse_sensitivity, 0.5f);
  o.battle_size = ratio_or(o.battle_size, 0.3422f);
  for (std::int32_t game_options::*onoff :
       {&game_options::invert_mouse_y, &game_options::dynamic_lighting, &game_options::particle_systems,
        &game_options::character_shadows, &game_options::environment_shadows, &game_options::anisotropic_filtering,
        &game_options::show_names_of_friendly_troops, &game_options::show_targeting_reticule,
        &game_options::show_attack_direction, &game_options::report_damage, &game_options::report_shot_difficulty,
        &game_options::report_casualties, &game_options::report_experience})
    o.*onoff = o.*onoff != 0 ? 1 : 0;
  hold(o.corpses_level, 0, 5);
  hold(o.ragdolls_level, 0, 5);
  hold(o.grass_density, 0, 100);
  hold(o.damage_to_player, 0, 2);
  hold(o.damage_to_friends, 0, 2);
  hold(o.combat_ai, 0, 2);
  hold(o.control_attack_direction, 0, 2);
  hold(o.control_block_direction, 0, 1);
  hold(o.blood_stains, 0, 2);
  hold(o.plant_shadows, 0, 2);
}

}  // namespace

void game_options::set_corpses_level(std::int32_t level) {
  static constexpr std::int32_t kLimits[] = {0, 5, 10, 20, 40, unlimited};
  corpses_level = level;
  if (level >= 0 && level <= 5) corpse_limit = kLimits[level];
}

void game_options::set_ragdolls_level(std::int32_t level) {
  static constexpr std::int32_t kLimits[] = {0, 1, 3, 5, 10, unlimited};
  ragdolls_level = level;
  if (level >= 0 && level <= 5) ragdoll_limit = kLimits[level];
}

void write_options(stream& out, const game_options& options) {
  for (const option_entry& entry : kStored) {
    if (entry.real) {
      out.write_float(options.*entry.real);
    } else {
      out.write_int(options.*entry.integer);
    }
  }
}

void read_options(stream& in, game_options& options) {
  for (const option_entry& entry : kStored) {
    if (entry.real) {
      in.read_float(options.*entry.real);
    } else {
      in.read_int(options.*entry.integer);
    }
  }
  if (options.combat_speed < 0 || options.combat_speed > 2) options.combat_speed = 1;
  // Float constants: a stored 1.4 is the float nearest 1.4 and must be kept.
  options.gamma = within_or(options.gamma, 1.4f, 2.6f, 2.2f);
  options.character_detail = within_or(options.character_detail, -0.001f, 1.01f, 0.5f);
  options.character_shadow_detail = within_or(options.character_shadow_detail, -0.001f, 1.01f, 0.5f);
  hold_to_ranges(options);
  options.set_corpses_level(options.corpses_level);
  options.set_ragdolls_level(options.ragdolls_level);
}

bool read_options(game_options& options) {
  binary_reader in;
  if (!in.open(get_user_file_path(kFileName))) {
    log_line("Unable to find options.dat. Loading defaults\n");
    return false;
  }
  if (in.buffer.length() < options_file_size) {
    // A cut-off file: taking part of it would mix stored and default values.
    log_line("options.dat is incomplete. Loading defaults\n");
    return false;
  }
  read_options(in, options);
  return true;
}

bool save_options(const game_options& options) {
  binary_stream out;
  write_options(out, options);
  const std::string_view bytes = out.contents();
  return replace_user_file(kFileName, "wb", [&](std::FILE* file) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  });
}

}  // namespace hm
