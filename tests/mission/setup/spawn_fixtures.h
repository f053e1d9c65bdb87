#pragma once
// Parties and set-up steps for the spawning tests: parties made of stacks in
// the fake campaign, and set-up whose spawns run the real troop choice and
// agent creation.
#include <array>
#include <vector>

#include "../../campaign/support/fake_campaign.h"
#include "campaign/party/party.h"
#include "mission/setup/agent_spawn.h"
#include "mission/setup/mission_setup.h"
#include "mission/setup/troop_choice.h"

namespace hm::test {

// A new active party with stacks of (troop, count); returns its id.
inline int add_party(campaign_fixture& c, const std::vector<std::array<int, 2>>& stacks) {
  party& p = c.new_party();
  p.stack_count = static_cast<int>(stacks.size());
  if (p.stacks.size() < stacks.size()) p.stacks.resize(stacks.size());
  for (std::size_t i = 0; i < stacks.size(); ++i) {
    p.stacks[i] = troop_stack{};
    p.stacks[i].troop = stacks[i][0];
    p.stacks[i].count = stacks[i][1];
  }
  return p.id;
}

class campaign_setup_steps : public mission_setup_steps {
 public:
  campaign_setup_steps(campaign_state& g, agent_spawn_hooks& h) : game(g), hooks(h) {}
  float battle_size_option() const override { return 0.0f; }
  void reset_spawn_counters(mission&) override { placed.clear(); }
  bool spawn_at_entry_point(mission& m, int record) override {
    return hm::spawn_at_entry_point(m, game, placed, record, hooks);
  }

  campaign_state& game;
  agent_spawn_hooks& hooks;
  placed_troops placed;
};

}  // namespace hm::test
