#pragma once
// A battle run without drawing: a terrain generated from a terrain code, a
// navigation graph of square cells over it (optionally cut by a wall across
// half the field, so that half the agents cannot reach the enemy in front of
// them), two teams lined up facing each other and the whole mission frame
// with the AI driving every agent. Module makers tune troops with it, and
// checks and benchmarks time it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/math.h"
#include "render/terrain/ai_mesh.h"

namespace hm {

class mission;
struct agent;

struct battle_troops {
  // A troop id of the loaded module (it rides when it has a horse); -1 for a
  // plain footman with bare hands.
  std::int32_t troop = -1;
  std::int32_t count = 0;
};

struct battle_setup {
  // The terrain code in hexadecimal; its size fields give the field's size
  // (a code without a size gives 200 x 200).
  std::string terrain_code;
  std::uint32_t seed = 1;
  // Side of the navigation graph's cells, metres.
  float cell_size = 4.0f;
  // Walls that cut the western half of the field off from the east and its
  // southern part from its northern: the western agents of both sides
  // then have no enemy they can reach.
  bool half_wall = false;
  float frame_time = 1.0f / 60.0f;
  // Metres between the two front ranks, and the men in a rank.
  float gap_between_sides = 30.0f;
  int men_per_rank = 40;
};

struct battle_counts {
  std::array<int, 2> alive{};
  // Blows received and agents killed or knocked out so far, and the
  // missiles in flight.
  int blows = 0;
  int kills = 0;
  int missiles = 0;
  // Metres between the two teams' centres: how far the sides have closed.
  float gap = 0.0f;
};

// Agents standing per team, the missiles in flight and the gap between the
// sides' centres, counted over the mission as it stands; blows and kills are
// left as they are (the frame's services count them as they happen).
void count_battle(const mission& m, battle_counts& counts);
// The team of the two left standing; -1 while both fight (or neither is left).
int battle_winner(const battle_counts& counts);

// What a battle's services count as the agents' frames run: a blow for each
// pending blow an agent is about to take, a kill for a human alive before its
// frame or post-frame and not after it.
void count_pending_blow(const agent& a, battle_counts& counts);
void count_kill(bool was_alive, const agent& a, battle_counts& counts);

class headless_battle {
 public:
  explicit headless_battle(const battle_setup& setup);
  ~headless_battle();
  headless_battle(const headless_battle&) = delete;
  headless_battle& operator=(const headless_battle&) = delete;

  // Lines up a team's troops, in ranks facing the other side: team 0 in the
  // south, team 1 in the north, the set-up's gap apart.
  void add_team(int team, const std::vector<battle_troops>& troops);
  // One mission frame.
  void frame();
  double seconds() const { return seconds_; }
  const battle_counts& counts() const { return counts_; }
  int winner() const { return battle_winner(counts_); }

  mission& the_mission() { return *mission_; }
  const ai_mesh& nav_graph() const { return nav_; }

 private:
  class services;
  void build_nav_graph(const battle_setup& setup);
  agent& place_agent(int team, int troop, const vec3& at, const vec3& facing);

  std::unique_ptr<mission> mission_;
  std::unique_ptr<services> services_;
  ai_mesh nav_;
  float frame_time_ = 1.0f / 60.0f;
  double seconds_ = 0.0;
  battle_counts counts_;
  float size_x_ = 200.0f;
  float size_y_ = 200.0f;
  float gap_ = 30.0f;
  int men_per_rank_ = 40;
  std::array<int, 2> rows_placed_{};
};

}  // namespace hm
