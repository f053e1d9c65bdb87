#include "ui/terrain/terrain_fields.h"

#include <algorithm>
#include <cmath>

namespace hm {

namespace {

constexpr std::uint32_t seed_mask = 0x7FFFFFFFu;
constexpr std::uint32_t ruggedness_mask = 0x7Fu;
constexpr float size_scale = 700.0f;
constexpr float size_base = 140.0f;
constexpr float size_max = 840.0f;
constexpr float size_slider_scale = 0.0014285714f;

std::uint32_t unsigned_field(float v) { return v > 0.0f ? static_cast<std::uint32_t>(v) : 0u; }

}  // namespace

const char* terrain_list_region_name(std::uint32_t region) {
  // The one region of the list the region names leave out.
  if (region == region_desert_forest) return "Desert Forest";
  return terrain_region_name(region);
}

int terrain_list_index(std::int32_t region) {
  for (std::size_t i = 0; i < terrain_list_regions.size(); ++i)
    if (static_cast<std::int64_t>(terrain_list_regions[i]) == region) return static_cast<int>(i);
  return -1;
}

std::uint32_t terrain_seed_bits(std::int64_t seed) { return static_cast<std::uint32_t>(seed) & seed_mask; }

bool parse_seed_text(std::string_view text, std::int64_t& out) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  std::int64_t v = 0;
  // Past ten digits a 32-bit number is long gone; the value stops growing.
  for (int digits = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (++digits <= 12) v = v * 10 + (text[i] - '0');
  out = negative ? -v : v;
  return true;
}

void write_terrain_fields(const terrain_fields& f, terrain_code& code) {
  code.set_shade_occluded(f.shade_occluded != 0);
  code.set_disable_grass(static_cast<std::uint32_t>(std::max(f.disable_grass, 0)));
  code.set_place_river(f.place_river != 0);
  code.set_deep_water(f.deep_water != 0);
  code.set_size_x(unsigned_field(f.size_x));
  code.set_size_y(unsigned_field(f.size_y));
  code.set_hill_height(f.hill_height);
  code.set_valley(f.valley);
  code.set_terrain_seed(terrain_seed_bits(f.terrain_seed));
  code.set_river_seed(terrain_seed_bits(f.river_seed));
  code.set_flora_seed(terrain_seed_bits(f.flora_seed));
  code.set_ruggedness(static_cast<std::uint32_t>(f.ruggedness) & ruggedness_mask);
  code.set_vegetation(f.vegetation);
  code.set_region_type(static_cast<std::uint32_t>(std::max(f.region_type, 0)));
  code.set_region_detail(static_cast<std::uint32_t>(std::max(f.region_detail, 0)));
}

void read_terrain_fields(const terrain_code& code, bool pixel_shaders, terrain_fields& f) {
  f.terrain_seed = static_cast<std::int32_t>(code.terrain_seed());
  f.river_seed = static_cast<std::int32_t>(code.river_seed());
  f.flora_seed = static_cast<std::int32_t>(code.flora_seed());
  f.deep_water = code.deep_water() ? 1 : 0;
  f.size_x = static_cast<float>(code.size_x());
  f.size_y = static_cast<float>(code.size_y());
  f.place_river = code.place_river() ? 1 : 0;
  f.shade_occluded = pixel_shaders ? 0 : 1;
  f.valley = static_cast<float>(code.valley()) * 0.01f;
  f.hill_height = static_cast<float>(code.hill_height());
  f.ruggedness = static_cast<std::int32_t>(code.ruggedness());
  f.vegetation = static_cast<float>(code.vegetation()) * 0.01f;
  f.region_type = static_cast<std::int32_t>(code.region_type());
  f.region_detail = static_cast<std::int32_t>(code.region_detail());
  f.disable_grass = static_cast<std::int32_t>(code.disable_grass());
}

float size_from_slider(float slider) { return std::clamp(slider * size_scale + size_base, 0.0f, size_max); }
float slider_from_size(float size) { return (size - size_base) * size_slider_scale; }
float hill_from_slider(float slider) { return slider * 100.0f + 10.0f; }
float slider_from_hill(float hill) { return (hill - 10.0f) * 0.01f; }
std::int32_t ruggedness_from_slider(float slider) { return static_cast<std::int32_t>(slider * 100.0f); }
float slider_from_ruggedness(std::int32_t ruggedness) { return static_cast<float>(ruggedness) * 0.01f; }

}  // namespace hm
