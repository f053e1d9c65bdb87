// Generating a battle terrain: a 200 x 200 cell code with a river and flora,
// on one core (generation is single-threaded).
#include <benchmark/benchmark.h>

#include "render/terrain/terrain_generator.h"

namespace {

using namespace hm;

terrain_module_data bench_kinds() {
  terrain_module_data data;
  for (int i = 0; i < 11; ++i) data.ground_kinds.push_back(terrain_ground_kind{});
  auto kind = [&data](std::uint64_t flags, std::uint64_t density, std::int32_t variants) {
    terrain_flora_kind kind;
    kind.flags = flags | (density << 32);
    kind.variant_count = variants;
    data.flora_kinds.push_back(kind);
  };
  kind(flora_plain | flora_forest, 300, 2);
  kind(flora_tree | flora_forest | flora_picked_first, 500, 3);
  kind(flora_tree | flora_forest, 400, 1);
  kind(flora_grass | flora_aligned | flora_forest, 2000, 1);
  kind(flora_forest, 200, 2);
  return data;
}

void BM_GenerateTerrain200(benchmark::State& state) {
  terrain_generator& gen = g_terrain_generator;
  gen.module_data = bench_kinds();
  gen.code = terrain_code{};
  gen.code.set_terrain_seed(12345);
  gen.code.set_river_seed(678);
  gen.code.set_flora_seed(91011);
  gen.code.set_size_x(400);
  gen.code.set_size_y(400);
  gen.code.set_region_detail(0);
  gen.code.set_region_type(region_forest);
  gen.code.set_valley(0.3f);
  gen.code.set_hill_height(60.0f);
  gen.code.set_ruggedness(60);
  gen.code.set_vegetation(0.7f);
  gen.code.set_place_river(true);
  std::int64_t items = 0;
  for (auto _ : state) {
    gen.generate_terrain();
    gen.add_features();
    items = gen.placed_items[0].count() + gen.placed_items[1].count() + gen.placed_items[2].count();
    benchmark::DoNotOptimize(items);
  }
  state.counters["cells"] = static_cast<double>(gen.cells_x * gen.cells_y);
  state.counters["flora"] = static_cast<double>(items);
}
BENCHMARK(BM_GenerateTerrain200)->Unit(benchmark::kMillisecond);

}  // namespace
