#pragma once
// The terrain code: a 192-bit value that describes a generated battle terrain
// completely (three random seeds, size, shape, region and cell size). The same
// code always gives the same terrain. Its text form is "0x" and 48 lowercase
// hexadecimal digits, the most significant word first.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace hm {

// Region types; bit 3 is the forest variant of the type in the low three bits.
enum terrain_region : std::uint32_t {
  region_water = 0,
  region_mountain = 1,
  region_steppe = 2,
  region_plain = 3,
  region_snow = 4,
  region_desert = 5,
  region_river = 8,
  region_mountain_forest = 9,
  region_steppe_forest = 10,
  region_forest = 11,
  region_snow_forest = 12,
  region_desert_forest = 13,
};

// The name the terrain screen shows for a region type, or "" for a type
// without one.
const char* terrain_region_name(std::uint32_t region);

struct terrain_code {
  // Word 0 holds bits 0-31 and is the least significant.
  std::array<std::uint32_t, 6> words{};

  // Clears the code, then reads hexadecimal digits from the right in pieces of
  // eight, word 0 first; "0x"/"0X" in front is skipped, any other character
  // counts as the digit 0, and digits beyond the 48 rightmost are ignored.
  void parse(std::string_view text);
  std::string to_string() const;

  // Bits lo..hi (inclusive, inside one word). set stores min(value, mask) and
  // keeps the word's other bits; it returns the new word.
  std::uint32_t set_bits(std::uint32_t lo, std::uint32_t hi, std::uint32_t value);
  std::uint32_t get_bits(std::uint32_t lo, std::uint32_t hi) const;

  // Percentages from a fraction: x 100, a fraction above one half rounds up
  // (an exact half rounds down), clamped to 0..99.
  void set_valley(float v);
  void set_vegetation(float v);
  // Truncated towards zero for positive values, else one lower; 0..127.
  void set_hill_height(float v);

  std::uint32_t terrain_seed() const { return get_bits(0, 30); }
  std::uint32_t river_seed() const { return get_bits(32, 62); }
  bool deep_water() const { return get_bits(63, 63) != 0; }
  std::uint32_t flora_seed() const { return get_bits(64, 94); }
  std::uint32_t size_x() const { return get_bits(96, 105); }
  std::uint32_t size_y() const { return get_bits(106, 115); }
  bool shade_occluded() const { return get_bits(126, 126) != 0; }
  bool place_river() const { return get_bits(127, 127) != 0; }
  std::uint32_t valley() const { return get_bits(128, 134); }
  std::uint32_t hill_height() const { return get_bits(135, 141); }
  std::uint32_t ruggedness() const { return get_bits(142, 148); }
  std::uint32_t vegetation() const { return get_bits(149, 155); }
  std::uint32_t region_type() const { return get_bits(156, 159); }
  std::uint32_t region_detail() const { return get_bits(160, 161); }
  std::uint32_t disable_grass() const { return get_bits(162, 163); }

  void set_terrain_seed(std::uint32_t v) { set_bits(0, 30, v); }
  void set_river_seed(std::uint32_t v) { set_bits(32, 62, v); }
  void set_deep_water(bool v) { set_bits(63, 63, v ? 1 : 0); }
  void set_flora_seed(std::uint32_t v) { set_bits(64, 94, v); }
  void set_size_x(std::uint32_t v) { set_bits(96, 105, v); }
  void set_size_y(std::uint32_t v) { set_bits(106, 115, v); }
  void set_shade_occluded(bool v) { set_bits(126, 126, v ? 1 : 0); }
  void set_place_river(bool v) { set_bits(127, 127, v ? 1 : 0); }
  void set_ruggedness(std::uint32_t v) { set_bits(142, 148, v); }
  void set_region_type(std::uint32_t v) { set_bits(156, 159, v); }
  void set_region_detail(std::uint32_t v) { set_bits(160, 161, v); }
  void set_disable_grass(std::uint32_t v) { set_bits(162, 163, v); }

  bool operator==(const terrain_code&) const = default;
};

// A random scene's three seeds from where the player's party stands: x and y
// its map position (truncated to whole numbers), d the game's counter word
// and c the mission counter modulo 3; each seed keeps its low 23 bits. The
// code's other fields stay as they are.
void set_random_scene_seeds(terrain_code& code, float map_x, float map_y, std::int32_t counter,
                            std::int32_t mission_counter);

}  // namespace hm
