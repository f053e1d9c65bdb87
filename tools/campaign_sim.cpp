// campaign_sim: a campaign on a module's world map, advanced headless for a
// few game days: the module's parties and a band of spawned ones (looters and
// patrols, twenty AI parties in all by default) decide, walk, meet and
// engage, and their positions and behaviours are printed every few hours,
// with every encounter as it starts. The same seed gives the same output on
// every run.
//
//   campaign_sim [--data <dir>] [--generated <dir>] [--seed N] [--days D]
//                [--parties N] [--every H] <module>
//
// --parties   AI parties on the map, the module's own counted (default 20)
// --days      game days to run (default 3)
// --every     hours between position reports (default 6)
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "campaign/ai/party_ai.h"
#include "campaign/game/campaign_game.h"
#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "module/loading/game.h"
#include "module/loading/module_loading.h"
#include "module/loading/module_script_host.h"
#include "module/loading/module_start.h"
#include "module/loading/new_game.h"
#include "module/text/translation_table.h"
#include "module_tool.h"
#include "tool_usage.h"

namespace {

constexpr const char* kUsage =
    "usage: campaign_sim [--data <dir>] [--generated <dir>] [--seed N] [--days D] [--parties N] [--every H] <module>\n"
    "  --seed N      seed of the new game and the spawned parties (default 1)\n"
    "  --days D      game days to run, 1 to 365 (default 3)\n"
    "  --parties N   AI parties on the map, the module's own counted, 0 to 5000 (default 20)\n"
    "  --every H     hours between position reports, 1 to 1000 (default 6)\n";

void usage() { hm::tools::print_usage(kUsage, false); }

bool number_of(const char* text, unsigned long lo, unsigned long hi, unsigned long& out) {
  errno = 0;
  char* end = nullptr;
  const unsigned long v = std::strtoul(text, &end, 10);
  if (errno != 0 || end == text || *end != 0 || text[0] == '-' || v < lo || v > hi) return false;
  out = v;
  return true;
}

const char* behaviour_name(int b) {
  static const char* names[] = {"hold",    "go_to_party", "patrol",  "patrol_party", "attack",  "flee",
                                "go_to_point", "in_battle", "arrived", "board_ship",   "accompany", "flee_urgent"};
  return b >= 0 && b < 12 ? names[b] : "?";
}

bool is_ai_party(const hm::campaign_state& s, const hm::party& p) {
  return p.id != s.player_party && !(p.flags & hm::party_flag_fixed_place);
}

void report(const hm::campaign_state& s, float hour) {
  std::printf("hour %.2f\n", static_cast<double>(hour));
  const hm::party_pool& pool = s.parties;
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) {
    const hm::party& p = *pool.find_active(id);
    if (p.flags & hm::party_flag_fixed_place) continue;
    std::printf("  party %2d %-22s at (%7.3f, %7.3f) face %4d %-11s target %d\n", p.id, p.name.c_str(),
                static_cast<double>(p.position.x), static_cast<double>(p.position.y), p.map_face,
                behaviour_name(p.current_behaviour), p.current_target);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string data_dir = HOOFMARCH_DEFAULT_DATA_DIR;
  std::string generated_dir = HOOFMARCH_DEFAULT_GENERATED_DIR;
  std::string module_arg;
  unsigned long seed = 1;
  unsigned long days = 3;
  unsigned long wanted = 20;
  unsigned long every = 6;
  if (hm::tools::asks_for_help(argc, argv)) return hm::tools::print_usage(kUsage, true);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool valued = arg == "--data" || arg == "--generated" || arg == "--seed" || arg == "--days" ||
                        arg == "--parties" || arg == "--every";
    if (valued && i + 1 >= argc) {
      std::fprintf(stderr, "campaign_sim: %s needs a value\n", arg.c_str());
      return 2;
    }
    bool ok = true;
    if (arg == "--data") {
      data_dir = argv[++i];
    } else if (arg == "--generated") {
      generated_dir = argv[++i];
    } else if (arg == "--seed") {
      ok = number_of(argv[++i], 0, 0xFFFFFFFFul, seed);
    } else if (arg == "--days") {
      ok = number_of(argv[++i], 1, 365, days);
    } else if (arg == "--parties") {
      ok = number_of(argv[++i], 0, 5000, wanted);
    } else if (arg == "--every") {
      ok = number_of(argv[++i], 1, 1000, every);
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "campaign_sim: unknown argument \"%s\"\n", arg.c_str());
      usage();
      return 2;
    } else {
      module_arg = arg;
    }
    if (!ok) {
      std::fprintf(stderr, "campaign_sim: %s needs a number in its range, not \"%s\"\n", arg.c_str(), argv[i]);
      return 2;
    }
  }
  if (module_arg.empty()) {
    usage();
    return 2;
  }
  std::string module_name;
  hm::tools::split_module_argument(module_arg, data_dir, module_name);
  if (!hm::tools::enter_module("campaign_sim", data_dir, generated_dir, module_name)) return 2;
  hm::random_seed(static_cast<std::uint32_t>(seed));
  hm::reset_clocks();
  hm::install_module_script_host();
  hm::load_core_resource_files();
  hm::load_translations("");
  hm::load_whole_module(module_name);
  hm::g_game = std::make_unique<hm::game>();
  hm::game& g = *hm::g_game;
  auto campaign = std::make_unique<hm::campaign_game>(g);
  campaign->install_script_host();
  hm::set_up_new_game(g, campaign.get());
  // The launch's order: the map read and prepared, then its scene with the
  // parties placed (and game_start).
  campaign->load_map_data();
  campaign->init_map();
  campaign->build_map_scene();
  hm::campaign_state& s = campaign->state;
  hm::campaign_world_map& map = campaign->map;

  // Spawned bands until the AI parties number as asked: looters, and every
  // other one a patrol of the module's second faction.
  int ai = 0;
  for (std::int32_t id = s.parties.first_active_party(); id < s.parties.next_id(); id = s.parties.next_active_party(id))
    ai += is_ai_party(s, *s.parties.find_active(id));
  float lo[2];
  float hi[2];
  map.map.extent(lo[0], lo[1], hi[0], hi[1]);
  constexpr int looter_template = 2;
  for (int n = 0; ai < static_cast<int>(wanted) && n < 100000; ++n) {
    const float x = lo[0] + (hi[0] - lo[0]) * hm::random_unit_float();
    const float y = lo[1] + (hi[1] - lo[1]) * hm::random_unit_float();
    const int face = map.find_map_face(x, y);
    if (face < 0 || !hm::is_land_terrain(map.map_face_terrain(face)) || map.map_face_terrain(face) == hm::terrain_bridge)
      continue;
    const std::int32_t id = s.create_party(x, y, looter_template);
    if (id < 0) break;
    hm::party& p = *s.find_party(id);
    if (ai % 2 == 1) {
      p.faction = 1;
      p.name = hm::ruv_string("Patrol");
      p.personality = 8 | 6 << 4;
      if (s.world.troop_count() > 3) s.add_troops_to_party(id, 3, 4, false);
    } else {
      p.personality = 6 | 7 << 4;
    }
    ++ai;
  }
  std::printf("campaign of %d AI parties on %zu faces, seed %lu, %lu days\n", ai, map.map.faces.size(), seed, days);
  constexpr float dt = 0.05f;
  const int steps = static_cast<int>(static_cast<float>(days) * 24.0f / dt + 0.5f);
  const int report_every = static_cast<int>(static_cast<float>(every) / dt + 0.5f);
  report(s, 0.0f);
  int engagements = 0;
  for (int step = 1; step <= steps; ++step) {
    hm::advance_clock(hm::clock_campaign, dt);
    const float hour = static_cast<float>(step) * dt;
    const int hour_of_day = static_cast<int>(hour) % 24;
    map.travel->night = hour_of_day < 4 || hour_of_day >= 20;
    map.move_parties(dt);
    if (map.engagements != engagements) {
      engagements = map.engagements;
      int slot = -1;
      for (std::int32_t id = s.parties.first_active_party(); id < s.parties.next_id(); id = s.parties.next_active_party(id))
        slot = std::max(slot, s.parties.find_active(id)->map_event);
      const hm::map_event* e = s.events.get(slot);
      if (e != nullptr)
        std::printf("hour %.2f: battle of %d and %d at (%.3f, %.3f)\n", static_cast<double>(hour), e->side_parties[0],
                    e->side_parties[1], static_cast<double>(e->position[0]), static_cast<double>(e->position[1]));
    }
    if (step % report_every == 0) report(s, hour);
  }
  std::printf("%d encounters, %zu tracks\n", map.engagements, map.tracks.size());
  campaign.reset();
  hm::g_game.reset();
  return 0;
}
