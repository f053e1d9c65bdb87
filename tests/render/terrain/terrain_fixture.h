#pragma once
// Module kinds for terrain tests: eleven ground kinds and flora kinds that
// cover the region, list and picking flags.
#include <string>

#include "render/terrain/terrain_generator.h"

namespace hm::test {

inline std::uint64_t with_density(std::uint64_t flags, std::uint64_t density) { return flags | (density << 32); }

inline terrain_module_data terrain_test_kinds() {
  terrain_module_data data;
  for (int i = 0; i < 11; ++i) {
    terrain_ground_kind g;
    g.name = ("ground_" + std::to_string(i)).c_str();
    g.flags = i == 4 ? 2 : 0;
    g.scale = 1.0f + 0.1f * static_cast<float>(i);
    data.ground_kinds.push_back(g);
  }
  auto add = [&data](std::uint64_t flags, std::uint64_t density, std::int32_t variants) {
    terrain_flora_kind kind;
    kind.flags = with_density(flags, density);
    kind.variant_count = variants;
    data.flora_kinds.push_back(kind);
  };
  add(0, 100, 1);                                                                    // 0 rock: any region
  add(flora_plain | flora_steppe, 300, 2);                                           // 1 bush
  add(flora_tree | flora_plain | flora_forest | flora_picked_first, 500, 3);         // 2 oak
  add(flora_tree | flora_snow_forest | flora_forest | flora_picked_first, 400, 1);   // 3 pine
  add(flora_grass | flora_aligned | flora_plain | flora_forest, 2000, 1);            // 4 grass
  add(flora_desert, 200, 0);                                                         // 5 cactus, no variants
  add(flora_snow | flora_snow_forest, 300, 1);                                       // 6 snow bush
  add(flora_tree | flora_plain | flora_steppe_forest, 450, 2);                       // 7 birch
  return data;
}

// A code from its fields.
struct code_fields {
  std::uint32_t terrain_seed = 1;
  std::uint32_t river_seed = 2;
  std::uint32_t flora_seed = 3;
  std::uint32_t size_x = 120;
  std::uint32_t size_y = 120;
  std::uint32_t region = region_plain;
  std::uint32_t detail = 0;
  float valley = 0.3f;
  float hill_height = 60.0f;
  std::uint32_t ruggedness = 50;
  float vegetation = 0.6f;
  bool river = false;
  bool deep_water = false;
  std::uint32_t disable_grass = 0;
};

inline terrain_code make_code(const code_fields& f) {
  terrain_code code;
  code.set_terrain_seed(f.terrain_seed);
  code.set_river_seed(f.river_seed);
  code.set_flora_seed(f.flora_seed);
  code.set_size_x(f.size_x);
  code.set_size_y(f.size_y);
  code.set_region_type(f.region);
  code.set_region_detail(f.detail);
  code.set_valley(f.valley);
  code.set_hill_height(f.hill_height);
  code.set_ruggedness(f.ruggedness);
  code.set_vegetation(f.vegetation);
  code.set_place_river(f.river);
  code.set_deep_water(f.deep_water);
  code.set_disable_grass(f.disable_grass);
  return code;
}

}  // namespace hm::test
