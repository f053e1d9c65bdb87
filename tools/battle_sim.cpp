// battle_sim: runs a battle between two teams without drawing anything and
// prints, every simulated second, the agents standing on each side, the
// blows received, the agents brought down and the missiles in flight; then
// the result. Troops come from a module (by number or id) or, without a
// module, are plain footmen with bare hands, so that a module maker can tune
// troops against each other and a check can run a fixed battle: the same
// seed gives the same battle.
//
//   battle_sim [--module <name or folder>] [--terrain <hex code>] [--seed <n>]
//              [--seconds <n>] [--combat-ai <0..2>] [--wall] [--agents] --team0 <troop>:<count>[,...]
//              --team1 <troop>:<count>[,...]
//   battle_sim --module <name or folder> --template <id> --scene <id> [--seed <n>]
//              [--seconds <n>] [--combat-ai <0..2>] [--agents] [--trace <second>] --team0 ... --team1 ...
//
// The combat AI setting is the game option's (0 good, 1 average, 2 poor, the
// game's default): poorer troops react later, swing slower and lose heart
// sooner, so the same troops fight a longer battle.
//
// With a template and a scene the module's own battle is fought: the scene
// with its ground, props and navigation graph, the agents spawned by the
// template's records with their bodies (team 0 beside the player, team 1
// against), reinforcements as the records allow.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "campaign/game/campaign_game.h"
#include "engine/core/random.h"
#include "engine/settings/game_options.h"
#include "mission/ai/ai_battle.h"
#include "mission/ai/module_battle.h"
#include "mission/combat/combat_actors.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/loading/game.h"
#include "module/loading/module_loading.h"
#include "module/loading/module_script_host.h"
#include "module/loading/module_start.h"
#include "module/loading/new_game.h"
#include "module/text/translation_table.h"
#include "module_tool.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: battle_sim [--module <name or folder>] [--terrain <hex code>] [--seed <n>]\n"
               "                  [--seconds <n>] [--combat-ai <0..2>] [--wall] [--agents] --team0 <troop>:<count>[,...] --team1 <troop>:<count>[,...]\n"
               "       battle_sim --module <name or folder> --template <id> --scene <id> [--seed <n>] [--seconds <n>]\n"
               "                  [--combat-ai <0..2>] [--agents] [--trace <second>] --team0 ... --team1 ...\n"
               "  <troop> is a troop number or id of the module, or \"plain\" (bare-handed footmen)\n");
}

bool parse_number(const std::string& text, long low, long high, long& out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != 0 || v < low || v > high) return false;
  out = v;
  return true;
}

// The troop of a name: "plain", a number or a troop id of the loaded module.
bool find_troop(const std::string& name, int& out) {
  if (name == "plain") {
    out = -1;
    return true;
  }
  long n = 0;
  if (parse_number(name, 0, 1000000, n)) {
    if (hm::g_game == nullptr || hm::g_game->find_troop(static_cast<int>(n)) == nullptr) return false;
    out = static_cast<int>(n);
    return true;
  }
  if (hm::g_game == nullptr) return false;
  for (int i = 0; i < hm::g_game->troop_count(); ++i) {
    if (std::string(hm::g_game->troops[static_cast<std::size_t>(i)].id.c_str()) == name) {
      out = i;
      return true;
    }
  }
  return false;
}

// "troop:count,troop:count"
bool parse_team(const std::string& text, std::vector<hm::battle_troops>& out) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const std::size_t colon = part.rfind(':');
    hm::battle_troops t;
    long count = 0;
    if (colon == std::string::npos || !parse_number(part.substr(colon + 1), 1, 5000, count)) {
      std::fprintf(stderr, "battle_sim: \"%s\" is not <troop>:<count> with a count of 1 to 5000\n", part.c_str());
      return false;
    }
    if (!find_troop(part.substr(0, colon), t.troop)) {
      std::fprintf(stderr, "battle_sim: no troop \"%s\"%s\n", part.substr(0, colon).c_str(),
                   hm::g_game == nullptr ? " (no module loaded: only \"plain\")" : "");
      return false;
    }
    t.count = static_cast<int>(count);
    out.push_back(t);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return !out.empty();
}

// Frames the battle to its end or the time limit, a line each second, then
// the result and (on request) every agent's state.
// Every live agent's AI state: behaviour and fight state, targets and their
// distance, fear and backing off, attack and defence, goal and speed.
void list_agents_now(hm::mission& m) {
  std::printf("%5s %4s %6s %5s %5s %6s %6s %5s %5s %3s %4s %4s %5s %6s %5s %5s\n", "agent", "team", "troop", "mode",
              "fight", "target", "dist", "hp", "fear", "bo", "atk", "def", "goal", "speed", "stuck", "perm");
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const hm::agent& a = *m.get_agent(i);
    if (!a.is_alive() || a.is_horse()) continue;
    const hm::agent* t = m.get_live_agent(a.ai.combat_target);
    const float d = t != nullptr ? (t->position() - a.position()).length() : -1.0f;
    std::printf("%5d %4d %6d %5d %5d %6d %6.2f %5.0f %5.1f %3d %4d %4d %5x %6.2f %5.2f %5x\n", i, a.team, a.troop,
                a.ai.mode, a.ai.combat_state, a.ai.combat_target, d, a.hit_points, a.ai.fear, a.ai.backing_off,
                a.attack_state, a.defend_state, a.goal_flags, hm::agent_world_velocity(m, a).length(), a.ai.stuck_meter,
                a.ai.permission);
  }
}

template <class battle_kind>
int fight(battle_kind& battle, long seconds, float frame_time, bool list_agents, long trace_from) {
  std::printf("%6s %7s %7s %7s %7s %9s %6s\n", "second", "team 0", "team 1", "blows", "kills", "missiles", "gap");
  const int frames_per_second = static_cast<int>(1.0f / frame_time + 0.5f);
  for (long s = 1; s <= seconds && battle.winner() < 0; ++s) {
    for (int f = 0; f < frames_per_second; ++f) battle.frame();
    const hm::battle_counts& c = battle.counts();
    std::printf("%6ld %7d %7d %7d %7d %9d %6.1f\n", s, c.alive[0], c.alive[1], c.blows, c.kills, c.missiles, c.gap);
    if (trace_from > 0 && s >= trace_from) list_agents_now(battle.the_mission());
  }
  const int winner = battle.winner();
  if (winner >= 0) {
    std::printf("result: team %d wins after %.0f s with %d standing\n", winner, battle.seconds(),
                battle.counts().alive[static_cast<std::size_t>(winner)]);
  } else {
    std::printf("result: undecided after %.0f s (%d against %d)\n", battle.seconds(), battle.counts().alive[0],
                battle.counts().alive[1]);
  }
  if (list_agents) list_agents_now(battle.the_mission());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string data_dir = HOOFMARCH_DEFAULT_DATA_DIR;
  std::string generated_dir = HOOFMARCH_DEFAULT_GENERATED_DIR;
  std::string module_arg;
  std::string template_arg;
  std::string scene_arg;
  std::string team_text[2];
  hm::battle_setup setup;
  setup.terrain_code = "0x00000000300000000004b2d0000034e000004b2d";
  long seconds = 300;
  int combat_ai = -1;
  bool list_agents = false;
  long trace_from = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    long n = 0;
    if (arg == "--help" || arg == "-h") {
      usage();
      return 0;
    } else if (arg == "--wall") {
      setup.half_wall = true;
    } else if (arg == "--agents") {
      list_agents = true;
    } else if (!has_value) {
      std::fprintf(stderr, "battle_sim: unknown argument \"%s\" or a value missing\n", arg.c_str());
      usage();
      return 2;
    } else if (arg == "--module") {
      module_arg = argv[++i];
    } else if (arg == "--template") {
      template_arg = argv[++i];
    } else if (arg == "--scene") {
      scene_arg = argv[++i];
    } else if (arg == "--terrain") {
      setup.terrain_code = argv[++i];
    } else if (arg == "--seed") {
      if (!parse_number(argv[++i], 0, 2147483647L, n)) {
        std::fprintf(stderr, "battle_sim: --seed needs a number from 0 to 2147483647\n");
        return 2;
      }
      setup.seed = static_cast<std::uint32_t>(n);
    } else if (arg == "--trace") {
      if (!parse_number(argv[++i], 1, 36000, trace_from)) {
        std::fprintf(stderr, "battle_sim: --trace needs the second from which to list the agents\n");
        return 2;
      }
    } else if (arg == "--seconds") {
      if (!parse_number(argv[++i], 1, 36000, seconds)) {
        std::fprintf(stderr, "battle_sim: --seconds needs a number from 1 to 36000\n");
        return 2;
      }
    } else if (arg == "--combat-ai") {
      if (!parse_number(argv[++i], 0, 2, n)) {
        std::fprintf(stderr, "battle_sim: --combat-ai needs 0 (good), 1 (average) or 2 (poor)\n");
        return 2;
      }
      combat_ai = static_cast<int>(n);
    } else if (arg == "--team0" || arg == "--team1") {
      team_text[arg == "--team0" ? 0 : 1] = argv[++i];
    } else {
      std::fprintf(stderr, "battle_sim: unknown argument \"%s\"\n", arg.c_str());
      usage();
      return 2;
    }
  }
  if (team_text[0].empty() || team_text[1].empty()) {
    std::fprintf(stderr, "battle_sim: both --team0 and --team1 are needed\n");
    usage();
    return 2;
  }

  std::unique_ptr<hm::campaign_game> campaign;
  if (!module_arg.empty()) {
    std::string module_name;
    hm::tools::split_module_argument(module_arg, data_dir, module_name);
    if (!hm::tools::enter_module("battle_sim", data_dir, generated_dir, module_name)) return 2;
    hm::install_module_script_host();
    hm::load_core_resource_files();
    hm::load_translations("");
    hm::load_whole_module(module_name);
    hm::g_game = std::make_unique<hm::game>();
    campaign = std::make_unique<hm::campaign_game>(*hm::g_game);
    campaign->install_script_host();
    hm::set_up_new_game(*hm::g_game, campaign.get());
  }

  // After the module's start, which reads the options.
  if (combat_ai >= 0) hm::g_game_options.combat_ai = combat_ai;

  std::vector<hm::battle_troops> teams[2];
  for (int t = 0; t < 2; ++t) {
    if (!parse_team(team_text[t], teams[t])) return 2;
  }

  if (!template_arg.empty() || !scene_arg.empty()) {
    if (campaign == nullptr || template_arg.empty() || scene_arg.empty()) {
      std::fprintf(stderr, "battle_sim: --template and --scene go together, with --module\n");
      return 2;
    }
    hm::module_battle_setup battle_setup;
    battle_setup.template_index = hm::find_mission_template(template_arg.c_str());
    battle_setup.scene_index = hm::find_scene(*hm::g_game, scene_arg.c_str());
    if (battle_setup.template_index < 0 || battle_setup.scene_index < 0) {
      std::fprintf(stderr, "battle_sim: no %s \"%s\" in the module\n", battle_setup.template_index < 0 ? "template" : "scene",
                   battle_setup.template_index < 0 ? template_arg.c_str() : scene_arg.c_str());
      return 2;
    }
    battle_setup.friends = teams[0];
    battle_setup.enemies = teams[1];
    for (const hm::battle_troops& t : teams[0]) {
      if (t.troop < 0) {
        std::fprintf(stderr, "battle_sim: a module's battle takes the module's troops, not \"plain\"\n");
        return 2;
      }
    }
    hm::module_battle battle(*hm::g_game, campaign->state);
    hm::random_seed(setup.seed);
    if (!battle.start(battle_setup)) {
      std::fprintf(stderr, "battle_sim: the battle could not be set up\n");
      return 2;
    }
    std::printf("battle: template %s, scene %s, seed %u\n", template_arg.c_str(), scene_arg.c_str(), setup.seed);
    return fight(battle, seconds, battle_setup.frame_time, list_agents, trace_from);
  }

  hm::headless_battle battle(setup);
  battle.add_team(0, teams[0]);
  battle.add_team(1, teams[1]);
  std::printf("battle: terrain %s, seed %u%s\n", setup.terrain_code.c_str(), setup.seed,
              setup.half_wall ? ", a wall across the western half" : "");
  battle.frame();
  return fight(battle, seconds, setup.frame_time, list_agents, trace_from);
}
