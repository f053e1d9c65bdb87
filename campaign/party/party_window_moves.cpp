// The party window's operations on parties: one troop at a time between two
// parties, and the release of a temporary party's troops onto the map.
#include <algorithm>

#include "campaign/party/campaign_state.h"
#include "engine/core/random.h"

namespace hm {

troop_move_result campaign_state::move_party_troop(std::int32_t a, int n, std::int32_t b) {
  troop_move_result result;
  party* source = find_party(a);
  party* destination = find_party(b);
  if (source == nullptr || destination == nullptr || a == b || n < 0 || n >= source->stack_count) return result;
  const troop_stack moving = source->stacks[n];
  // The destination is checked before either party changes, so a full party
  // refuses the troop instead of losing it.
  const int target = destination->find_stack_for_troop(*this, moving.troop, moving.flags, true);
  if (target < 0) return result;

  troop_stack& from = source->stacks[n];
  if (from.mission_counter > 0) {
    --from.mission_counter;
    result.counted_troop = true;
  }
  bool wounded_moved = false;
  if (from.wounded > 0) {
    --from.wounded;
    wounded_moved = true;
  }
  --from.count;
  from.ready_to_upgrade = std::min(from.ready_to_upgrade, std::max(from.count, 0));
  if (from.count < 1) {
    source->remove_stack(n, seeds_for(*source));
    result.source_removed = true;
  } else {
    source->mark_changed();
  }

  if (target == destination->stack_count) {
    destination->set_stack_count(destination->stack_count + 1);
    troop_stack& fresh = destination->stacks[target];
    fresh = troop_stack{};
    fresh.troop = moving.troop;
    fresh.flags = moving.flags;
  }
  troop_stack& to = destination->stacks[target];
  if (b == player_party && target < 32 && to.count < 32) member_seeds[target][to.count] = random_next();
  to.count = saturate_count(std::int64_t{to.count} + 1);
  if (!result.counted_troop) ++to.mission_counter;
  if (wounded_moved) to.wounded = saturate_count(std::int64_t{to.wounded} + 1);
  refresh_party_stacks(*destination);
  result.moved = true;
  return result;
}

void campaign_state::refresh_party_stacks(party& p) {
  for (int i = 1; i < p.stack_count; ++i) p.move_stack_before_prisoners(i);
  p.mark_changed();
}

void campaign_state::scatter_party_members() {
  party* other = find_party(other_party);
  const party* player = find_party(player_party);
  if (other == nullptr || player == nullptr) return;
  const float x = player->position.x;
  const float y = player->position.y;
  // Heroes leave as parties of their own below, so the shared party takes the
  // regular members only (else a hero would stand in two parties).
  bool has_regulars = false;
  for (int i = 0; i < other->stack_count; ++i) {
    if (!other->stacks[i].is_prisoners() && !is_hero(other->stacks[i].troop)) has_regulars = true;
  }
  if (has_regulars) {
    if (party* released = find_party(create_party(x, y, template_released_troops))) {
      for (int i = 0; i < other->stack_count; ++i) {
        const troop_stack& s = other->stacks[i];
        if (s.is_prisoners() || is_hero(s.troop)) continue;
        released->add_troop_stack(*this, s.troop, s.count, s.flags, 0, false);
      }
    }
  }
  for (int i = 0; i < other->stack_count; ++i) {
    const troop_stack& s = other->stacks[i];
    if (!is_hero(s.troop)) continue;
    const int t = s.is_prisoners() ? template_released_prisoner : template_released_troops;
    party* hero_party = find_party(create_party(x, y, t));
    if (hero_party == nullptr) continue;
    hero_party->name = world.troop_name(s.troop);
    hero_party->custom_name = 1;
    hero_party->add_troop_stack(*this, s.troop, 1, 0, 0, false);
  }
  clear_party_stacks();
}

void campaign_state::clear_party_stacks() {
  party* other = find_party(other_party);
  if (other == nullptr) return;
  other->stacks.assign(party_stack_reserve, troop_stack{});
  other->stack_count = 0;
  other->mark_changed();
}

std::int32_t campaign_state::temporary_party() {
  if (find_party(other_party)) return other_party;
  const std::int32_t id = parties.take_free_party();
  if (id < 0) return -1;
  party& p = *parties.get_party_by_id(id);
  p.reset();
  // It never shows on the map: it only holds troops between two screens.
  p.flags = party_flag_hidden;
  p.name = "Temporary Party";
  p.custom_name = 1;
  other_party = id;
  return id;
}

}  // namespace hm
