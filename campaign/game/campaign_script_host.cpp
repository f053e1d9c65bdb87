#include "campaign/game/campaign_script_host.h"

#include <algorithm>
#include <cmath>

#include "engine/core/timer.h"
#include "module/loading/game.h"
#include "module/records/item_kind.h"
#include "script/shared_routines.h"

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

ruv_string campaign_script_host::party_display_name(int party_id) const {
  const party* p = find(party_id);
  if (p == nullptr) return {};
  if (p->custom_name != 0) return p->name;
  return translate_string_record(p->identifier.view(), p->name);
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

// --- what module code does with parties ------------------------------------------------

void campaign_script_host::rebuild_map_entity(party& p) {
  if (p.map_entity != nullptr) campaign_.map.remove_map_entity(p);
  p.map_entity = nullptr;
  if (!(p.flags & party_flag_hidden)) campaign_.map.create_map_entity(p);
  p.mark_changed();
}

int campaign_script_host::add_troops_to_party(int id, int troop, int count, bool prisoners) {
  return campaign_.add_troops_to_party(id, troop, count, prisoners);
}

void campaign_script_host::add_troops_to_stacks(int id, int troop, int count, bool prisoners) {
  if (party* p = find(id)) p->add_troops(campaign_, troop, count, prisoners ? stack_flag_prisoners : 0);
}

int campaign_script_host::remove_troops_from_party(int id, int troop, int count, bool prisoners, bool wounded_first) {
  return campaign_.remove_troops_from_party(id, troop, count, prisoners, wounded_first);
}

bool campaign_script_host::insert_first_stack(int id, int troop, int count) {
  return campaign_.insert_first_stack(id, troop, count);
}

void campaign_script_host::clear_party_stacks(int id) { campaign_.clear_stacks_for_script(id); }
void campaign_script_host::add_wounded_to_troop(int id, int troop, int delta) {
  campaign_.add_wounded_to_troop(id, troop, delta);
}
void campaign_script_host::join_party(int partner, int host, bool as_prisoners) {
  campaign_.join_party_to(partner, host, as_prisoners);
}
void campaign_script_host::remove_party(int id) { campaign_.remove_party(id); }

int campaign_script_host::create_party_for_troop(int troop, float x, float y) {
  return campaign_.create_party_for_troop(troop, x, y);
}

bool campaign_script_host::engage_party(int a, int b) {
  player_encounter encounter{words_.encountered_party, words_.second_encounter_party, words_.encounter_kind};
  if (!campaign_.engage_party(a, b, encounter)) return false;
  words_.encountered_party = encounter.party;
  words_.second_encounter_party = encounter.second_party;
  words_.encounter_kind = encounter.kind;
  return true;
}

void campaign_script_host::mark_faction_parties_changed(int faction) {
  campaign_.mark_faction_parties_changed(faction);
}
void campaign_script_host::heal_party(int id) { campaign_.heal_party_members(id); }

int campaign_script_host::stack_seed(int id, int stack) const {
  const party* p = find(id);
  return p == nullptr ? 0 : campaign_.get_stack_seed(*p, stack);
}

void campaign_script_host::add_xp_to_stack(int id, int stack, int experience) {
  if (party* p = find(id)) p->add_xp_to_stack(campaign_, stack, experience);
}

void campaign_script_host::give_party_xp_and_upgrade(int id, float experience, int path) {
  campaign_.give_party_xp_and_upgrade(id, experience, path);
}

void campaign_script_host::share_party_xp(int id, float experience) { campaign_.share_party_xp(id, experience); }

void campaign_script_host::inflict_casualties(int id, int count, int recorder) {
  campaign_.inflict_casualties(id, count, recorder);
}

void campaign_script_host::distribute_party_members(int source, int id) {
  campaign_.distribute_party_members(source, id);
}

void campaign_script_host::copy_party_members(int source, int id) { campaign_.copy_party_members(source, id); }

void campaign_script_host::add_template_members(int id, int party_template, bool as_prisoners) {
  campaign_.add_template_members_to_party(id, party_template, as_prisoners);
}

int campaign_script_host::spawn_party_near(int party_template, float x, float y, float radius) {
  return campaign_.spawn_party_near(x, y, party_template, radius);
}

bool campaign_script_host::attach_party(int id, int host) { return campaign_.attach_party_to_party(id, host); }
void campaign_script_host::detach_party(int id) { campaign_.detach_party(id); }

void campaign_script_host::attach_party_by_kind(int id, int kind) {
  const std::int32_t encounter[2] = {words_.encountered_party, words_.second_encounter_party};
  if (id == campaign_.player_party || id == encounter[0] || id == encounter[1] || words_.attach_by_kind == 0) return;
  party* p = find(id);
  if (p == nullptr) return;
  if (p->attached_to >= 0) campaign_.detach_party(id);
  if (kind < 0 || kind > 2) return;
  const std::int32_t host = kind == 0 ? campaign_.player_party : encounter[kind - 1];
  if (campaign_.attach_party_to_party(id, host)) p->joined = 1;
}

void campaign_script_host::leave_battle(int id) { campaign_.leave_battle(id); }

int campaign_script_host::battle_opponent(int id) const {
  const party* root = find(campaign_.get_root_attached_party(id));
  if (root == nullptr || root->map_event < 0) return -1;
  const map_event* e = campaign_.events.get(root->map_event);
  if (e == nullptr || e->state == 0) return -1;
  return e->side_parties[1] == root->id ? e->side_parties[0] : e->side_parties[1];
}

void campaign_script_host::set_battle_value(int id, float value) {
  const party* p = find(id);
  if (p == nullptr || p->map_event < 0) return;
  if (map_event* e = campaign_.events.get(p->map_event)) e->script_value = value;
}

void campaign_script_host::set_party_flags(int id, std::uint64_t flags, bool rebuild_entity) {
  party* p = find(id);
  if (p == nullptr) return;
  p->flags = static_cast<std::uint32_t>(flags);
  p->flags2 = static_cast<std::uint32_t>(flags >> 32);
  if (rebuild_entity) rebuild_map_entity(*p);
  p->mark_changed();
}

void campaign_script_host::set_party_second_icon(int id, int icon) {
  party* p = find(id);
  if (p == nullptr) return;
  p->second_icon = icon;
  rebuild_map_entity(*p);
}

void campaign_script_host::set_party_faction(int id, int faction) {
  party* p = find(id);
  if (p == nullptr) return;
  p->faction = faction;
  p->mark_changed();
}

void campaign_script_host::set_party_name(int id, const ruv_string& name) {
  party* p = find(id);
  if (p == nullptr) return;
  p->name = name;
  p->custom_name = 1;
  p->mark_changed();
}

void campaign_script_host::set_party_text(int id, const ruv_string& text) {
  if (party* p = find(id)) p->text = text;
}

int campaign_script_host::party_terrain(int id) const {
  const party* p = find(id);
  return p == nullptr ? 0 : p->terrain;
}

bool campaign_script_host::set_party_position(int id, float x, float y) {
  party* p = find(id);
  return p != nullptr && campaign_.place_on_map(*p, x, y);
}

void campaign_script_host::place_party_near(int id, float x, float y, float radius) {
  const vec3 at = campaign_.random_position_near(x, y, radius);
  if (party* p = find(id)) campaign_.place_on_map(*p, at.x, at.y);
}

vec3 campaign_script_host::random_reachable_map_point(float x, float y, float radius) const {
  return campaign_.random_position_near(x, y, radius);
}

bool campaign_script_host::random_map_point_of_terrain(float x, float y, float radius, bool water, vec3& out) const {
  return campaign_.random_map_point_of_terrain(x, y, radius, water, out);
}

std::int32_t campaign_script_host::party_word(int party_id, int word) const {
  const party* p = find(party_id);
  if (p == nullptr) return 0;
  switch (word) {
    case 1: return p->scripted_behaviour;
    case 2: return p->scripted_target;
    case 4: return p->current_behaviour;
    case 5: return p->current_target;
    default: return 0;
  }
}

vec3 campaign_script_host::party_target_point(int party_id) const {
  const party* p = find(party_id);
  if (p == nullptr) return {};
  vec3 point;
  point.x = p->scripted_position[0];
  point.y = p->scripted_position[1];
  return point;
}

void campaign_script_host::set_party_ai_behaviour(int id, int behaviour) {
  party* p = find(id);
  if (p == nullptr) return;
  if (p->current_behaviour == 7 || p->current_behaviour == 8) p->current_behaviour = 0;
  p->scripted_behaviour = behaviour;
  p->behaviour_word = 0;
}

void campaign_script_host::set_party_ai_target_party(int id, int target) {
  if (party* p = find(id)) p->scripted_target = target;
}

void campaign_script_host::set_party_ai_target_position(int id, float x, float y) {
  party* p = find(id);
  if (p == nullptr) return;
  p->scripted_position[0] = x;
  p->scripted_position[1] = y;
}

void campaign_script_host::set_party_ai_value(int id, float value) {
  if (party* p = find(id)) p->behaviour_value = value;
}

void campaign_script_host::set_party_ai_mode(int id, int mode) {
  if (party* p = find(id)) p->current_behaviour = mode;
}

void campaign_script_host::set_party_attack_delay(int id, float hours) {
  if (party* p = find(id)) p->attack_delay_timer.set_elapsed(-std::max(hours, 0.0f));
}

// Module code's two shares are the party's morale and hunger.
float campaign_script_host::party_share(int id, int which) const {
  const party* p = find(id);
  if (p == nullptr) return 0.0f;
  return which == 0 ? p->morale : which == 1 ? p->hunger : 0.0f;
}

void campaign_script_host::set_party_share(int id, int which, float share) {
  party* p = find(id);
  if (p == nullptr) return;
  if (which == 0) p->morale = share;
  if (which == 1) p->hunger = share;
}

void campaign_script_host::copy_second_share(int from, int to) {
  const party* source = find(from);
  party* dest = find(to);
  if (source == nullptr || dest == nullptr) return;
  dest->hunger = source->hunger;
  dest->speed_float = source->speed_float;
}

bool campaign_script_host::add_party_particle_system(int id, int kind) {
  party* p = find(id);
  if (p == nullptr || p->map_entity == nullptr) return false;
  const int system = campaign_.map.add_party_particle_system(*p, kind);
  if (system < 0) return false;
  p->particle_systems.push_back(system);
  return true;
}

void campaign_script_host::clear_party_particle_systems(int id) {
  party* p = find(id);
  if (p == nullptr) return;
  campaign_.map.clear_party_particle_systems(*p);
  p->particle_systems.clear();
}

void campaign_script_host::set_party_strength_bounds(float lo, float hi) {
  campaign_.strength_percent_lo = lo;
  campaign_.strength_percent_hi = hi;
}

void campaign_script_host::add_troop_experience(int troop, int experience) {
  if (campaign_.is_valid_troop(troop)) campaign_.world.add_troop_experience(troop, experience);
}

void campaign_script_host::set_item_kind_factor(int kind, float factor) {
  for (int k = 0; k < static_cast<int>(g_item_kinds.size()); ++k) {
    if (kind < 0 || k == kind) g_item_kinds[static_cast<std::size_t>(k)].price_factor = factor;
  }
}

void campaign_script_host::set_item_type_factor(int type, float factor) {
  for (item_kind& k : g_item_kinds) {
    if (k.type() == type) k.price_factor = factor;
  }
}

}  // namespace hm
