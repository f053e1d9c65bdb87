#include "mission/screen/mission_results.h"

#include <algorithm>

#include "campaign/party/campaign_state.h"
#include "campaign/party/campaign_world.h"
#include "campaign/party/party.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/setup/spawning.h"
#include "module/records/mission_template.h"

namespace hm {

namespace {

constexpr int seeds_per_stack = 32;

// Writes a hero agent's hit points back into its troop; the player's troop
// then heals part of what it lost by the party's first-aid skill.
void write_back_hero(campaign_state& game, const agent& a, const party* p) {
  campaign_world& w = game.world;
  const float at_start = w.troop_health(a.troop);
  float now = a.hit_points;
  if (a.troop == game.player_troop) {
    const int skill = p ? p->get_skill_level(game, first_aid_skill) : 0;
    now += (0.1f + 0.05f * static_cast<float>(skill)) * std::max(0.0f, at_start - now);
  }
  w.set_troop_health(a.troop, now);
}

int find_seed(const std::int32_t (&list)[seeds_per_stack], int used, std::int32_t seed) {
  for (int i = 0; i < used; ++i)
    if (list[i] == seed) return i;
  return -1;
}

void apply_to_stack(campaign_state& game, const mission_results_context& c, const agent& a, party& p, int stack) {
  const bool players = p.id == game.player_party;
  campaign_world& w = game.world;
  troop_stack& s = p.stacks[static_cast<std::size_t>(stack)];
  const bool hero = (w.troop_flags(a.troop) & troop_flag_hero) != 0;
  if (!hero && players && w.troop_upgrade(a.troop) > 0 && a.experience > 0) {
    const int d = w.troop_level(game.player_troop) - w.troop_level(a.troop);
    const int xp = d > 0 ? a.experience * 7 / (7 + d) : a.experience;
    p.add_xp_to_stack(game, stack, xp);
  }
  if (hero) write_back_hero(game, a, &p);
  std::int32_t(*seeds)[seeds_per_stack] = players && stack < seeds_per_stack ? &game.member_seeds[stack] : nullptr;
  const int used = std::min(s.count, seeds_per_stack);
  if (a.state == agent_state_dead) {
    if (seeds) {
      const int at = find_seed(*seeds, used, a.face_seed);
      if (at >= 0) {
        std::copy(*seeds + at + 1, *seeds + seeds_per_stack, *seeds + at);
        (*seeds)[seeds_per_stack - 1] = c.new_seed ? c.new_seed() : 0;
      }
    }
    s.count = std::max(0, s.count - 1);
    s.wounded = std::min(s.wounded, s.count);
  } else if (a.state == agent_state_unconscious) {
    s.wounded = std::min(s.count, s.wounded + 1);
    if (seeds && used > 0) {
      const int at = find_seed(*seeds, used, a.face_seed);
      if (at >= 0) {
        const std::int32_t seed = (*seeds)[at];
        std::copy(*seeds + at + 1, *seeds + used, *seeds + at);
        (*seeds)[used - 1] = seed;
      }
    }
  }
}

}  // namespace

void apply_mission_results(mission& m, const mission_results_context& c) {
  if (c.refresh_all_troops) c.refresh_all_troops();
  if (!c.game) return;
  campaign_state& game = *c.game;
  if (!c.apply_always) {
    const mission_template* t = current_mission_template(m);
    if (!t || (t->flags & template_flag_applies_results) == 0) return;
  }
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent& a = *m.get_agent(i);
    if (a.kind != agent_kind_human || a.state == agent_state_none || !game.is_valid_troop(a.troop)) continue;
    party* p = a.party >= 0 ? game.find_party(a.party) : nullptr;
    if (!p || a.stack < 0 || a.stack >= p->stack_count) {
      if ((game.world.troop_flags(a.troop) & troop_flag_hero) != 0)
        write_back_hero(game, a, game.find_party(game.player_party));
      continue;
    }
    // A stack whose troop changed since set-up (the party window moved it)
    // no longer holds this agent.
    if (p->stacks[static_cast<std::size_t>(a.stack)].troop != a.troop) continue;
    apply_to_stack(game, c, a, *p, a.stack);
  }
  if (c.mode == 1 || c.mode == 3 || c.mode == 4) {
    for (std::int32_t id : {game.player_party, c.party_ids[0], c.party_ids[1]}) {
      const party* p = id >= 0 ? game.find_party(id) : nullptr;
      if (!p) continue;
      for (int s = 0; s < p->stack_count; ++s) {
        const int troop = p->stacks[static_cast<std::size_t>(s)].troop;
        if (game.is_valid_troop(troop) && (game.world.troop_flags(troop) & troop_flag_hero) != 0 &&
            game.world.troop_health(troop) < 0.0f)
          game.world.set_troop_health(troop, 0.0f);
      }
    }
  }
}

}  // namespace hm
