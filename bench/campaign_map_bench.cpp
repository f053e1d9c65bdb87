// One campaign hour of AI parties on a generated world map of 10,000 faces
// (100 x 100 squares with lakes, a river with bridges and mountain ridges):
// every party decides, steers, plans paths and walks, at the world map's
// usual time step (0.0025 game hours a frame), on one core.
#include <benchmark/benchmark.h>

#include <string>

#include "campaign/map/map_navigation.h"
#include "campaign/map/map_picture.h"
#include "campaign/mover/party_mover.h"
#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "module/base/module_settings.h"
#include "script/game_hooks.h"

namespace {

// Every troop a level-0 foot soldier; two factions at war.
class bench_world final : public hm::campaign_world {
 public:
  int troop_count() const override { return 2; }
  std::uint64_t troop_flags(int) const override { return 0; }
  int troop_level(int) const override { return 0; }
  int troop_faction(int t) const override { return t; }
  hm::ruv_string troop_name(int) const override { return hm::ruv_string("troop"); }
  int troop_skill_level(int, int) const override { return 0; }
  int troop_effective_skill_level(int, int) const override { return 0; }
  int troop_upgrade(int) const override { return 0; }
  int troop_second_upgrade(int) const override { return 0; }
  int troop_companion_bonus(int) const override { return 0; }
  int troop_strength(int) const override { return 10; }
  float troop_health(int) const override { return 50.0f; }
  void set_troop_health(int, float) override {}
  void add_troop_experience(int, int) override {}
  hm::campaign_item troop_food(int) const override { return {}; }
  void set_troop_food(int, hm::campaign_item) override {}
  int troop_inventory_size(int) const override { return 0; }
  hm::campaign_item troop_inventory_item(int, int) const override { return {}; }
  void set_troop_inventory_item(int, int, hm::campaign_item) override {}
  float faction_relation(int a, int b) const override { return a == b ? 1.0f : -1.0f; }
  int skill_maximum_level(int) const override { return 10; }
  int item_kind_count() const override { return 0; }
  int item_kind_type(int) const override { return 0; }
  int item_kind_max_amount(int) const override { return 0; }
  int item_kind_food_quality(int) const override { return 0; }
  float item_kind_weight(int) const override { return 0.0f; }
  int item_max_hit_points(hm::campaign_item) const override { return 0; }
};

std::string generated_picture() {
  constexpr int n = 100;
  std::string rows;
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      char ch = '.';
      const int lx = c % 25;
      const int ly = r % 25;
      if (lx >= 8 && lx < 13 && ly >= 8 && ly < 12) ch = '~';    // a lake in every 25 x 25
      if (c == 50) ch = r % 20 == 10 ? '=' : 'r';                // a river with bridges
      if (r == 70 && c > 10 && c < 40) ch = '^';                 // a ridge
      if ((r * 7 + c * 13) % 29 == 0 && ch == '.') ch = 'f';     // woods
      rows += ch;
    }
    rows += '\n';
  }
  return "cell 1\norigin -50 -50\nterrain . 3\nterrain f 11\nterrain ~ 0\nterrain r 8\nterrain = 7\nterrain ^ 1\nmap\n" +
         rows + "end\n";
}

void one_campaign_hour(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  hm::clear_hook_script_map();
  hm::g_module_settings.set_defaults();
  hm::map_picture picture;
  hm::map_file_error error;
  hm::parse_map_picture(generated_picture(), picture, error);
  for (auto _ : state) {
    state.PauseTiming();
    hm::random_seed(7);
    hm::reset_clocks();
    bench_world world;
    auto map = std::make_unique<hm::campaign_world_map>();
    hm::parse_map_text(hm::map_text_of_picture(picture), map->map, error);
    map->map.link_records();
    hm::init_map(map->map);
    auto game = std::make_unique<hm::campaign_state>(world, *map);
    map->bind(*game);
    for (int i = 0; i < count;) {
      const float x = -50.0f + 100.0f * hm::random_unit_float();
      const float y = -50.0f + 100.0f * hm::random_unit_float();
      const int face = map->map.find_face_at(x, y);
      if (face < 0 || map->map.faces[static_cast<std::size_t>(face)].terrain != hm::terrain_plain) continue;
      const std::int32_t id = game->parties.take_free_party();
      hm::party& p = *game->parties.get_party_by_id(id);
      p.reset();
      p.state = hm::party_state_active;
      p.faction = i % 2;
      p.personality = 8 | 6 << 4;
      p.position = hm::vec3(x, y, 0.0f);
      p.add_troop_stack(*game, i % 2, 5 + i % 20, 0, 0, true);
      map->create_map_entity(p);
      p.scripted_behaviour = 2;
      p.scripted_position[0] = x;
      p.scripted_position[1] = y;
      ++i;
    }
    state.ResumeTiming();
    constexpr float dt = 0.0025f;
    for (int step = 0; step < 400; ++step) {
      hm::advance_clock(hm::clock_campaign, dt);
      map->move_parties(dt);
    }
    state.PauseTiming();
    state.counters["encounters"] = static_cast<double>(map->engagements);
    game.reset();
    map.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(count);
}

}  // namespace

BENCHMARK(one_campaign_hour)->Arg(100)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond)->Complexity();
