#pragma once
// A party made for a battle of the sample module: one stack of a troop,
// outside the party limits that adding troops obeys (a test or a benchmark
// sizes its armies freely).
#include "campaign/party/campaign_state.h"
#include "campaign/party/party.h"

namespace hm::test {

// A new party of the campaign with `count` of the troop; its id.
inline int add_party_of(campaign_state& state, int troop, int count) {
  const std::int32_t id = state.parties.take_free_party();
  party& p = *state.parties.get_party_by_id(id);
  p.reset();
  p.stack_count = 1;
  if (p.stacks.empty()) p.stacks.resize(1);
  p.stacks[0] = troop_stack{};
  p.stacks[0].troop = troop;
  p.stacks[0].count = count;
  return p.id;
}

}  // namespace hm::test
