#pragma once
// The terrain generator screen's fields: the terrain code taken apart into
// the values its controls edit, and put together again. Each field has its
// control's conversion (a slider's 0..1 to the field, the field back to the
// slider) and its bits in the code.
#include <array>
#include <cstdint>
#include <string_view>

#include "render/terrain/terrain_code.h"

namespace hm {

// The seeds drawn for a new screen or a "randomize" button: below this.
inline constexpr std::int32_t terrain_seed_range = 1791873;

struct terrain_fields {
  std::int32_t terrain_seed = 0;
  std::int32_t river_seed = 0;
  std::int32_t flora_seed = 0;
  std::int32_t deep_water = 0;
  float size_x = 150.0f;
  float size_y = 150.0f;
  std::int32_t place_river = 0;
  std::int32_t shade_occluded = 0;
  float valley = 0.5f;
  float hill_height = 100.0f;
  std::int32_t ruggedness = 30;
  float vegetation = 0.8f;
  std::int32_t region_type = 3;
  std::int32_t region_detail = 0;
  std::int32_t disable_grass = 0;
};

// The region types the list offers, in its order, and the names it shows.
inline constexpr std::array<std::uint32_t, 8> terrain_list_regions{2, 3, 4, 5, 11, 12, 10, 13};
const char* terrain_list_region_name(std::uint32_t region);
// The entry of the list whose value is the region, -1 for none.
int terrain_list_index(std::int32_t region);
inline constexpr std::array<const char*, 4> terrain_detail_names{"2 meters", "3 meters", "4 meters", "5 meters"};

// A seed cut to its 31 bits: a negative number typed into a seed's box would
// otherwise reach the neighbouring bits (the river seed's sign is deep water).
std::uint32_t terrain_seed_bits(std::int64_t seed);
// The number typed into a seed's box (leading blanks, an optional sign and
// digits; the rest ignored), or false when it starts with none.
bool parse_seed_text(std::string_view text, std::int64_t& out);

// Writes every field into the code, in the screen's order.
void write_terrain_fields(const terrain_fields& f, terrain_code& code);
// Every field from the code; shade occluded comes from whether pixel shaders
// are on (off: shaded), not from its bit.
void read_terrain_fields(const terrain_code& code, bool pixel_shaders, terrain_fields& f);

// The sliders' conversions.
float size_from_slider(float slider);       // x 700 + 140, within 0..840
float slider_from_size(float size);         // (size - 140) x 0.0014285714
float hill_from_slider(float slider);       // x 100 + 10
float slider_from_hill(float hill);         // (hill - 10) x 0.01
std::int32_t ruggedness_from_slider(float slider);  // x 100, truncated
float slider_from_ruggedness(std::int32_t ruggedness);

}  // namespace hm
