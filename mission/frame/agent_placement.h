#pragma once
// Setting a new agent down on the ground, and the name label over friendly
// troops.
#include <cstdint>
#include <string>

namespace hm {

struct agent;
class combat_random;
class mission;

// Probes the ground under the agent up to 100 times, nudging the point a
// little after each miss (and back to the start at tries 30 and 60); the
// agent takes the ground height, fresh AI personality values and its spawn
// position. False (the agent left where it stood) when no try found ground.
bool place_on_ground(mission& m, agent& a, combat_random& random);

struct agent_label {
  std::uint32_t colour = 0xFFFFFFFFu;
  float scale = 0.14f;
  float height = 0.3f;
  // Empty for no name.
  std::string text;
};

// The label of an agent: green in the player's team, blue for his allies,
// with the troop's name over allied men when the mission shows names.
agent_label compute_agent_label(const mission& m, const agent& a);

}  // namespace hm
