#pragma once
// The game options the player chooses, and their file "options.dat" in the
// settings folder: 34 little-endian 4-byte values without a header (136 bytes).
#include <cstdint>

namespace hm {

class stream;

// 40 consecutive 4-byte fields (the comments give each field's position). The
// initial values are the defaults.
struct game_options {
  std::int32_t corpses_level = 3;      // 0: the "Corpses" choice, 0..5
  std::int32_t ragdolls_level = 3;     // 1: the "Ragdolls" choice, 0..5
  float music_volume = 0.4f;           // 2
  float sound_volume = 1.0f;           // 3: 0..1
  float mouse_sensitivity = 0.5f;      // 4
  std::int32_t invert_mouse_y = 0;     // 5
  std::int32_t blood_stains = 1;       // 6
  std::int32_t dynamic_lighting = 1;   // 7
  std::int32_t particle_systems = 1;   // 8
  std::int32_t unnamed_9 = 1;          // 9
  std::int32_t character_shadows = 1;  // 10: a failed small render target turns it off
  std::int32_t environment_shadows = 1;  // 11
  std::int32_t unnamed_12 = 1;           // 12
  std::int32_t grass_density = 50;       // 13: a percentage
  std::int32_t anisotropic_filtering = 1;  // 14
  std::int32_t corpse_limit = 20;          // 15: derived from corpses_level, not stored
  std::int32_t ragdoll_limit = 5;          // 16: derived from ragdolls_level, not stored
  std::int32_t combat_ai = 2;              // 17
  std::int32_t combat_speed = 0;           // 18: 0..2
  std::int32_t damage_to_player = 0;       // 19
  std::int32_t damage_to_friends = 0;      // 20
  std::int32_t show_names_of_friendly_troops = 1;  // 21
  std::int32_t report_damage = 1;                  // 22
  std::int32_t report_shot_difficulty = 1;         // 23
  std::int32_t report_casualties = 1;              // 24
  std::int32_t show_targeting_reticule = 1;        // 25
  std::int32_t show_attack_direction = 0;          // 26
  std::int32_t control_attack_direction = 2;       // 27
  std::int32_t control_block_direction = 0;        // 28
  float battle_size = 0.3422f;                     // 29
  std::int32_t report_experience = 1;              // 30
  std::int32_t plant_shadows = 2;                  // 31: 0 none, 1 quick, 2 full
  float gamma = 2.2f;                              // 32: display gamma, 1.4..2.6
  float character_detail = 0.5f;                   // 33: 0..1
  float character_shadow_detail = 0.5f;            // 34: 0..1
  std::int32_t unnamed_35 = 0;                     // 35..37: not stored
  std::int32_t unnamed_36 = 0;
  std::int32_t unnamed_37 = 0;
  std::int32_t unnamed_38 = 0;  // 38: stored
  std::int32_t unnamed_39 = 0;  // 39: not stored

  // The limit a choice stands for (choice 5: unlimited).
  static constexpr std::int32_t unlimited = 9999999;

  // Store the choice and its limit: corpses 0, 5, 10, 20, 40 and unlimited for
  // 0..5; ragdolls 0, 1, 3, 5, 10 and unlimited. Any other choice is stored and
  // leaves the limit as it was.
  void set_corpses_level(std::int32_t level);
  void set_ragdolls_level(std::int32_t level);
};

extern game_options g_game_options;

// Size of options.dat.
inline constexpr int options_file_size = 136;

// The 34 stored values in the file's order. Reading applies the clamps (combat
// speed outside 0..2 becomes 1; gamma outside [1.4, 2.6) or not a number 2.2; the
// two detail ratios outside [-0.001, 1.01) or not a number 0.5) and derives the
// corpse and ragdoll limits. Every other value is held to its range too: the
// ratios (volumes, mouse, battle size) to 0..1 (not a number: the default),
// switches to 0 or 1, and the choices to their lists' ranges (corpses and
// ragdolls 0..5, grass density 0..100, block direction 0..1, the rest 0..2).
// The reader needs all 136 bytes (check before).
void write_options(stream& out, const game_options& options);
void read_options(stream& in, game_options& options);

// The file "options.dat" of the settings folder. Reading keeps the record's
// values when the file is missing (logging "Unable to find options.dat. Loading
// defaults") or shorter than 136 bytes. Saving replaces the file only once the
// new one is complete; false when it could not be written.
bool read_options(game_options& options = g_game_options);
bool save_options(const game_options& options = g_game_options);

}  // namespace hm
