// The sample module's field battle fought to its end headless: the scene,
// its agents with their bodies, the mission's own frame with reinforcements,
// and every agent driven by the AI.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "../support/sample_game.h"
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
#include "module/records/mission_template.h"

namespace hm {
namespace {

using test::sample_game;
using test::the_sample;

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
  int most_missiles = 0;
  int loser_spawned = 0;
  double seconds = 0.0;
  std::vector<std::string> lines;
};

// The sample battle from a seed, frame by frame until a side is left or the
// bound passes; a line of the counts every simulated second.
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
    const battle_counts& c = battle.counts();
    o.most_missiles = std::max(o.most_missiles, c.missiles);
    if (++frame % 60 == 0) {
      char line[128];
      std::snprintf(line, sizeof line, "%d %d %d %d %d %d %.2f", frame / 60, c.alive[0], c.alive[1], c.blows, c.kills,
                    c.missiles, c.gap);
      o.lines.push_back(line);
    }
  }
  o.winner = battle.winner();
  o.blows = battle.counts().blows;
  o.kills = battle.counts().kills;
  o.seconds = battle.seconds();
  // The template's records 0 and 1 field the player's side, 2 and 3 the
  // enemy's.
  const mission_template& t = g_mission_templates[static_cast<std::size_t>(setup.template_index)];
  for (int r = 0; r < t.spawn_record_count(); ++r) {
    if ((r < 2 ? 0 : 1) == 1 - o.winner) o.loser_spawned += t.spawn_records[static_cast<std::size_t>(r)].spawned;
  }
  return o;
}

// The summary of a battle as one text: result, counts and every second's line.
std::string summary(const outcome& o) {
  std::string text = std::to_string(o.winner) + " " + std::to_string(o.blows) + " " + std::to_string(o.kills) + " " +
                     std::to_string(o.seconds) + "\n";
  for (const std::string& line : o.lines) text += line + "\n";
  return text;
}

// The same battle fought in a copy of this process, which starts from the
// very state this one has: a battle leaves the campaign it was fought in
// changed (wounds, the player's health), so a second battle in one process
// would not start alike.
std::string fight_in_copy(std::uint32_t seed, double bound_seconds) {
  int fds[2];
  if (pipe(fds) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    const std::string text = summary(fight(seed, bound_seconds));
    std::size_t written = 0;
    while (written < text.size()) {
      const ssize_t n = write(fds[1], text.data() + written, text.size() - written);
      if (n <= 0) break;
      written += static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return text;
}

TEST(ModuleBattle, TheSampleBattleIsFoughtToItsEndAndAgainAlike) {
  the_sample();
  const std::string copy = fight_in_copy(7, 900.0);
  const outcome first = fight(7, 900.0);
  ASSERT_GE(first.winner, 0) << "undecided after " << first.seconds << " s";
  // Every man the losing side fielded went down, by blows that sometimes
  // took more than one to bring a man down; the archers shot.
  EXPECT_GT(first.loser_spawned, 0);
  EXPECT_GE(first.kills, first.loser_spawned);
  EXPECT_GT(first.blows, first.kills);
  EXPECT_GT(first.most_missiles, 0);
  // The same seed from the same state: the same battle, second by second.
  EXPECT_EQ(copy, summary(first));
}

}  // namespace
}  // namespace hm
