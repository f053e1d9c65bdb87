#include "campaign/campaign_script_host.h"

#include <cmath>

#include "engine/core/timer.h"
#include "module/game.h"

namespace hm {

int campaign_script_host::party_end_id() const { return campaign_.parties.next_id(); }
int campaign_script_host::find_party_slot(int party_id) const { return campaign_.parties.find_slot_by_id(party_id); }

int campaign_script_host::party_slot_state(int slot) const {
  const party* p = campaign_.parties.party_at_slot(slot);
  return p == nullptr ? party_state_free : p->state;
}

int campaign_script_host::first_active_party() const { return campaign_.parties.first_active_party(); }
int campaign_script_host::next_active_party(int party_id) const {
  return campaign_.parties.next_active_party(party_id);
}

int campaign_script_host::attached_party_count(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? 0 : static_cast<int>(p->attached_parties.size());
}

int campaign_script_host::attached_party(int party_id, int position) const {
  const party* p = find(party_id);
  if (p == nullptr || position < 0 || position >= static_cast<int>(p->attached_parties.size())) return -1;
  return p->attached_parties[static_cast<std::size_t>(position)];
}

int campaign_script_host::player_party() const { return campaign_.player_party; }
int campaign_script_host::player_troop() const { return game_.player_troop; }

void campaign_script_host::set_player_troop(int troop) {
  game_.player_troop = troop;
  campaign_.player_troop = troop;
}

float campaign_script_host::campaign_rate(int which) const {
  return which == 0 || which == 1 ? rates_[which] : 0.0f;
}

void campaign_script_host::set_campaign_rate(int which, float value) {
  if (which == 0 || which == 1) rates_[which] = value;
}

void campaign_script_host::destroy_game() {
  words_ = game_script_words{};
  if (on_destroy_game) on_destroy_game();
}

double campaign_script_host::game_hours() const {
  // The campaign clock counts 100,000 ticks a game hour.
  const std::int64_t elapsed = clock_ticks(clock_campaign) - game_.start_time_stamp;
  return elapsed > 0 ? static_cast<double>(elapsed) / static_cast<double>(ticks_per_unit) : 0.0;
}

int campaign_script_host::current_day() const { return static_cast<int>(std::floor(game_hours() / 24.0)); }
int campaign_script_host::current_hour() const {
  return static_cast<int>(static_cast<std::int64_t>(std::floor(game_hours())) % 24);
}

std::uint64_t campaign_script_host::party_flags(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? 0 : (static_cast<std::uint64_t>(p->flags2) << 32) | p->flags;
}

int campaign_script_host::party_ai_mode(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? 0 : p->current_behaviour;
}

int campaign_script_host::party_ai_target(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? -1 : p->current_target;
}

vec3 campaign_script_host::party_map_position(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? vec3() : p->position;
}

float campaign_script_host::party_map_radius(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? 0.0f : p->radius;
}

int campaign_script_host::party_faction(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? -1 : p->faction;
}

int campaign_script_host::party_attached_to(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? -1 : p->attached_to;
}

int campaign_script_host::party_member_count(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? 0 : p->count_members();
}

int campaign_script_host::party_prisoner_count(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? 0 : p->count_prisoners();
}

int campaign_script_host::party_companion_limit(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? 0 : p->get_companion_limit(campaign_);
}

int campaign_script_host::party_prisoner_limit(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? 0 : p->get_prisoner_limit(campaign_);
}

int campaign_script_host::party_stack_count(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? 0 : p->stack_count;
}

int campaign_script_host::party_stack_troop(int party_id, int stack) const { return party_stack(party_id, stack).troop; }

script_troop_stack campaign_script_host::party_stack(int party_id, int stack) const {
  const party* p = find(party_id);
  if (p == nullptr || stack < 0 || stack >= p->stack_count) return {};
  const troop_stack& s = p->stacks[static_cast<std::size_t>(stack)];
  return {s.count, s.troop, s.flags, s.wounded};
}

int campaign_script_host::party_template_of(int party_id) const {
  const party* p = find(party_id);
  return p == nullptr ? -1 : p->template_index;
}

script_record_data* campaign_script_host::party_record_data(int party_id) {
  party* p = find(party_id);
  return p == nullptr ? nullptr : &p->script_data;
}

int campaign_script_host::party_skill_level(int party_id, int skill) const {
  const party* p = find(party_id);
  return p == nullptr ? 0 : p->get_skill_level(campaign_, skill);
}

void campaign_script_host::count_party_troops_with_attached(int party_id, int& members, int& wounded) const {
  party_troop_totals totals;
  campaign_.count_party_troops_with_attached(party_id, totals);
  members = totals.members;
  wounded = totals.wounded;
}

int campaign_script_host::count_troops_by_flags(int party_id, int flags) const {
  const party* p = find(party_id);
  return p == nullptr ? 0 : p->count_members_of_kind(campaign_, flags);
}

}  // namespace hm
