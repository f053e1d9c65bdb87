#include "render/terrain/terrain_code.h"

#include <cmath>
#include <cstdio>

namespace hm {
namespace {

// Mask of a field lo..hi: 2^width - 1 in the low 32 bits.
std::uint32_t field_mask(std::uint32_t lo, std::uint32_t hi) {
  const std::uint32_t width = hi - lo + 1;
  return width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1u;
}

std::uint32_t hex_digit(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<std::uint32_t>(c - 'A' + 10);
  return 0;
}

// x 100, rounded with an exact half going down, clamped to 0..99.
std::uint32_t percent_of(float v) {
  const float x = v * 100.0f;
  const float whole = std::floor(x);
  float n = whole;
  if (x - whole > 0.5f) n += 1.0f;
  if (!(n > 0.0f)) return 0;
  if (n > 99.0f) return 99;
  return static_cast<std::uint32_t>(n);
}

}  // namespace

const char* terrain_region_name(std::uint32_t region) {
  switch (region) {
    case region_water: return "Water";
    case region_mountain: return "Mountain";
    case region_steppe: return "Steppe";
    case region_plain: return "Plain";
    case region_snow: return "Snow";
    case region_desert: return "Desert";
    case region_river: return "River";
    case region_mountain_forest: return "Mountain Forest";
    case region_steppe_forest: return "Steppe Forest";
    case region_forest: return "Forest";
    case region_snow_forest: return "Snow Forest";
    default: return "";
  }
}

void terrain_code::parse(std::string_view text) {
  words.fill(0);
  std::size_t start = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) start = 2;
  std::size_t end = text.size();
  for (std::size_t word = 0; word < words.size() && end > start; ++word) {
    const std::size_t begin = end - start > 8 ? end - 8 : start;
    std::uint32_t value = 0;
    for (std::size_t i = begin; i < end; ++i) value = value * 16u + hex_digit(text[i]);
    words[word] = value;
    end = begin;
  }
}

std::string terrain_code::to_string() const {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "0x%08x%08x%08x%08x%08x%08x", words[5], words[4], words[3], words[2], words[1],
                words[0]);
  return buffer;
}

std::uint32_t terrain_code::set_bits(std::uint32_t lo, std::uint32_t hi, std::uint32_t value) {
  const std::uint32_t mask = field_mask(lo, hi);
  const std::uint32_t shift = lo % 32;
  std::uint32_t& word = words[(lo / 32) % 6];
  const std::uint32_t stored = value < mask ? value : mask;
  word = (word & ~(mask << shift)) | (stored << shift);
  return word;
}

std::uint32_t terrain_code::get_bits(std::uint32_t lo, std::uint32_t hi) const {
  return (words[(lo / 32) % 6] >> (lo % 32)) & field_mask(lo, hi);
}

void terrain_code::set_valley(float v) { set_bits(128, 134, percent_of(v)); }
void terrain_code::set_vegetation(float v) { set_bits(149, 155, percent_of(v)); }

void terrain_code::set_hill_height(float v) {
  const float t = v > 0.0f ? std::trunc(v) : std::trunc(v - 0.9999999f);
  std::uint32_t n = 0;
  if (t > 127.0f) n = 127;
  else if (t > 0.0f) n = static_cast<std::uint32_t>(t);
  set_bits(135, 141, n);
}

void set_random_scene_seeds(terrain_code& code, float map_x, float map_y, std::int32_t counter,
                            std::int32_t mission_counter) {
  // Unsigned arithmetic: a position west or south of the map's origin wraps
  // rather than overflowing.
  const auto x = static_cast<std::uint32_t>(static_cast<std::int32_t>(map_x));
  const auto y = static_cast<std::uint32_t>(static_cast<std::int32_t>(map_y));
  const auto d = static_cast<std::uint32_t>(counter);
  const auto c = static_cast<std::uint32_t>(((mission_counter % 3) + 3) % 3);
  constexpr std::uint32_t low_23 = 0x7FFFFF;
  code.set_terrain_seed((17u * x + 6923u * d + c + 8971u * y) & low_23);
  code.set_river_seed((31u * x + 6601u * y + c + 7791u * d) & low_23);
  code.set_flora_seed((19u * x + 3917u * d + c + 5793u * y) & low_23);
}

}  // namespace hm
