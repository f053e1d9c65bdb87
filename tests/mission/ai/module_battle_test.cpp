// The sample module's field battle fought to its end headless: the scene,
// its agents with their bodies, the mission's own frame with reinforcements,
// and every agent driven by the AI.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../../module/support/module_test_support.h"
#include "campaign/campaign_game.h"
#include "engine/core/random.h"
#include "mission/agent/agent.h"
#include "mission/ai/module_battle.h"
#include "mission/core/mission.h"
#include "module/loading/game.h"
#include "module/loading/module_loading.h"
#include "module/loading/module_script_host.h"
#include "module/loading/module_start.h"
#include "module/loading/new_game.h"

namespace hm {
namespace {

struct sample_game {
  sample_game() : in_data(HOOFMARCH_DATA_DIR), generated(HOOFMARCH_BINARY_DIR "/data") {
    random_seed(3);
    install_module_script_host();
    load_core_resource_files();
    load_whole_module("Sample");
    g_game = std::make_unique<game>();
    campaign = std::make_unique<campaign_game>(*g_game);
    campaign->install_script_host();
    set_up_new_game(*g_game, campaign.get());
    campaign->run_game_start();
  }
  test::scoped_working_folder in_data;
  test::scoped_generated_folder generated;
  std::unique_ptr<campaign_game> campaign;
};

sample_game& the_sample() {
  static sample_game s;
  return s;
}

int troop(const char* id) {
  for (int i = 0; i < g_game->troop_count(); ++i) {
    if (g_game->troops[static_cast<std::size_t>(i)].id.equals_cstr(id)) return i;
  }
  return -1;
}

struct outcome {
  int winner = -1;
  int blows = 0;
  int kills = 0;
  double seconds = 0.0;
  std::vector<std::string> lines;
};

outcome fight(std::uint32_t seed, double bound_seconds) {
  sample_game& sample = the_sample();
  module_battle battle(*g_game, sample.campaign->state);
  module_battle_setup setup;
  setup.template_index = find_mission_template("field_battle");
  setup.scene_index = find_scene(*g_game, "scn_field_battle");
  setup.friends = {{troop("trp_swordsman"), 8}, {troop("trp_archer"), 4}, {troop("trp_horseman"), 2}};
  setup.enemies = {{troop("trp_looter"), 8}, {troop("trp_swordsman"), 4}, {troop("trp_archer"), 3}};
  random_seed(seed);
  EXPECT_TRUE(battle.start(setup));
  outcome o;
  int frame = 0;
  while (battle.winner() < 0 && battle.seconds() < bound_seconds) {
    battle.frame();
    if (++frame % 60 == 0) {
      const battle_counts& c = battle.counts();
      char line[128];
      std::snprintf(line, sizeof line, "%4d %3d %3d %4d %3d %3d %6.1f", frame / 60, c.alive[0], c.alive[1], c.blows,
                    c.kills, c.missiles, c.gap);
      o.lines.push_back(line);
      std::printf("%s\n", line);
    }
  }
  if (getenv("BATTLE_DUMP")) {
    mission& m = battle.the_mission();
    for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
      const agent& a = *m.get_agent(i);
      std::printf("%3d k%d t%d st%d pr%d mode%d cs%d tgt%d pos %.1f %.1f %.1f v %.2f in %x ctrl%d face%d ent%d w%d tr%d eq%d,%d,%d,%d as%d ds%d c1 %d %.2f c0 %d rd%d\n", i, a.kind, a.team, a.state,
                  a.presence, a.ai.mode, a.ai.combat_state, a.ai.combat_target, a.position().x, a.position().y, a.position().z,
                  a.velocity.length(), a.input.action_flags, a.controller, a.ground_face, a.agent_entity != nullptr, a.wielded_slots[0], a.troop, a.equipment[0].kind, a.equipment[1].kind, a.equipment[2].kind, a.equipment[3].kind, a.attack_state, a.defend_state, a.channels[1].action, a.channels[1].progress, a.channels[0].action, a.ready_action);
    }
  }
  o.winner = battle.winner();
  o.blows = battle.counts().blows;
  o.kills = battle.counts().kills;
  o.seconds = battle.seconds();
  return o;
}

TEST(ModuleBattle, TheSampleBattleIsFoughtToItsEnd) {
  const outcome first = fight(11, getenv("BATTLE_SECONDS") ? atof(getenv("BATTLE_SECONDS")) : 600.0);
  EXPECT_GE(first.winner, 0);
  EXPECT_GT(first.kills, 0);
  EXPECT_GT(first.blows, first.kills);
}

}  // namespace
}  // namespace hm
