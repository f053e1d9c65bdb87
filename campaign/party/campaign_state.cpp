#include "campaign/party/campaign_state.h"

#include <algorithm>
#include <cmath>

#include "engine/core/random.h"
#include "module/base/module_settings.h"
#include "module/records/party_template.h"
#include "script/shared_routines.h"

namespace hm {

campaign_state::campaign_state(campaign_world& world_tables, campaign_map& world_map)
    : world(world_tables), map(world_map) {}

bool campaign_state::is_hero(int troop) const {
  return is_valid_troop(troop) && (world.troop_flags(troop) & troop_flag_hero) != 0;
}

bool campaign_state::is_hero_wounded(int troop) const {
  if (!is_hero(troop)) return false;
  const float threshold = troop == player_troop ? g_module_settings.player_wounded_threshold
                                                : g_module_settings.hero_wounded_threshold;
  return world.troop_health(troop) < threshold;
}

member_seed_table* campaign_state::seeds_for(const party& p) {
  return p.id == player_party ? &member_seeds : nullptr;
}

std::int32_t get_party_stack_seed_hash(std::int32_t party_id, int stack, int slot) {
  // Each input mixed in turn with a 32-bit finaliser, so that neighbouring
  // parties, stacks and slots give unrelated values.
  std::uint32_t h = 0x9E3779B9u;
  for (const std::uint32_t word :
       {static_cast<std::uint32_t>(party_id), static_cast<std::uint32_t>(stack), static_cast<std::uint32_t>(slot)}) {
    h ^= word + 0x7F4A7C15u + (h << 6) + (h >> 2);
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
  }
  return static_cast<std::int32_t>(h & 0x7FFFu);
}

std::int32_t campaign_state::get_party_stack_seed(std::int32_t id, int stack, int slot) const {
  const bool stored = id == player_party && id >= 0 && stack >= 0 && stack < 32 && slot >= 0 && slot < 32;
  return stored ? member_seeds[stack][slot] : get_party_stack_seed_hash(id, stack, slot);
}

// --- parties by id ---------------------------------------------------------------------

float campaign_state::strength_of(const party& p, int depth) const {
  float strength = 0.0f;
  for (int i = 0; i < p.stack_count; ++i) {
    const troop_stack& s = p.stacks[i];
    if (s.is_prisoners()) continue;
    const float level = static_cast<float>(world.troop_level(s.troop) + 12);
    const float weight = level * level * 0.01f;
    if (is_hero(s.troop)) {
      if (!is_hero_wounded(s.troop)) strength += weight;
    } else {
      strength += static_cast<float>(s.count - s.wounded) * weight;
    }
  }
  if (depth >= attached_party_limit) return strength;
  for (std::int32_t child : p.attached_parties) {
    if (const party* c = find_party(child)) strength += strength_of(*c, depth + 1);
  }
  return strength;
}

float campaign_state::get_party_strength(std::int32_t id) const {
  const party* p = find_party(id);
  return p == nullptr ? 0.0f : strength_of(*p, 0);
}

void campaign_state::remove_empty_party_stacks(std::int32_t id) {
  party* p = find_party(id);
  if (p == nullptr) return;
  for (int i = 0; i < p->stack_count; ++i) {
    troop_stack& s = p->stacks[i];
    s.ready_to_upgrade = std::min(s.ready_to_upgrade, s.count);
  }
  for (int i = p->stack_count - 1; i >= 0; --i) {
    if (p->stacks[i].count < 1) p->remove_stack(i, seeds_for(*p));
  }
  p->clamp_stack_counts(*this);
}

void campaign_state::reset_stack_mission_counters(std::int32_t id) {
  if (party* p = find_party(id)) p->reset_stack_mission_counters();
}

// --- creation ------------------------------------------------------------------------------

std::int32_t campaign_state::create_party(float x, float y, int template_index) {
  if (template_index < 0 || template_index >= static_cast<int>(g_party_templates.size())) return -1;
  const std::int32_t id = parties.take_free_party();
  if (id < 0) return -1;
  party& p = *parties.get_party_by_id(id);
  p.reset();
  const party_template& t = g_party_templates[template_index];
  p.template_index = template_index;
  p.position = vec3(x, y, 0.0f);
  const float angle = random_angle();
  p.move_direction[0] = std::cos(angle);
  p.move_direction[1] = std::sin(angle);
  p.name = translate_string_record(t.id.view(), t.name);
  p.custom_name = 1;
  p.identifier = t.id;
  p.flags = static_cast<std::uint32_t>(t.flags);
  p.flags2 = static_cast<std::uint32_t>(t.flags >> 32);
  p.template_word = t.party_word;
  p.faction = t.faction;
  p.personality = static_cast<std::uint32_t>(t.personality);
  p.scripted_behaviour = 2;
  p.scripted_position[0] = x;
  p.scripted_position[1] = y;
  add_template_members_to_party(id, template_index, false);
  map.create_map_entity(p);
  ++g_party_templates[template_index].created_count;
  return id;
}

std::int32_t campaign_state::create_party_for_troop(int troop, float x, float y) {
  if (!is_valid_troop(troop)) return -1;
  const std::int32_t id = create_party(x, y, template_single_troop);
  if (id < 0) return -1;
  party& p = *find_party(id);
  p.name = world.troop_name(troop);
  p.custom_name = 1;
  p.faction = world.troop_faction(troop);
  p.add_troop_stack(*this, troop, 1, 0, 0, false);
  return id;
}

std::int32_t campaign_state::spawn_party_near(float x, float y, int template_index, float radius) {
  const vec3 at = random_position_near(x, y, radius);
  return create_party(at.x, at.y, template_index);
}

vec3 campaign_state::random_position_near(float x, float y, float radius) const {
  vec3 out(x, y, 0.0f);
  const int centre = map.find_map_face(x, y);
  if (centre < 0) return out;
  for (int attempt = 0; attempt < 5000; ++attempt) {
    const float dx = (static_cast<float>(random_next() % 15817) * 0.00012644623f - 1.0f) * radius;
    const float dy = (static_cast<float>(random_next() % 15817) * 0.00012644623f - 1.0f) * radius;
    if (std::sqrt(dx * dx + dy * dy) >= radius) continue;
    // A candidate counts only when a party could walk there from the start;
    // when none can, the start itself is the point.
    if (map.map_faces_are_linked(map.find_map_face(x + dx, y + dy), centre)) return vec3(x + dx, y + dy, 0.0f);
  }
  return out;
}

void campaign_state::add_template_members_to_party(std::int32_t id, int template_index, bool as_prisoners) {
  party* p = find_party(id);
  if (p == nullptr || template_index < 0 || template_index >= static_cast<int>(g_party_templates.size())) return;
  const party_template& t = g_party_templates[template_index];
  for (const party_template_stack& entry : t.stacks) {
    if (entry.troop == -1) continue;
    const int n = draw_member_count(strength_percent_lo, strength_percent_hi, entry.min_count, entry.max_count);
    if (n <= 0) continue;
    const std::uint32_t flags = static_cast<std::uint32_t>(entry.member_flags & 1) ^ (as_prisoners ? 1u : 0u);
    p->add_troop_stack(*this, entry.troop, n, flags, 0, false);
  }
}

// --- attachment ----------------------------------------------------------------------------

bool campaign_state::attach_party_to_party(std::int32_t p, std::int32_t h) {
  party* pp = find_party(p);
  party* hp = find_party(h);
  if (pp == nullptr || hp == nullptr || p == h) return false;
  // Refuse a host that stands under p: the attachment would close a cycle.
  std::int32_t up = hp->attached_to;
  for (int depth = 0; up >= 0; ++depth) {
    if (up == p || depth >= attached_party_limit) return false;
    const party* next = find_party(up);
    if (next == nullptr) break;
    up = next->attached_to;
  }
  if (pp->attached_to >= 0) detach_party(p);
  pp->attached_to = h;
  hp->attached_parties.push_back(p);
  hp->mark_changed();
  return true;
}

void campaign_state::detach_party(std::int32_t p) {
  party* pp = find_party(p);
  if (pp == nullptr) return;
  if (party* host = find_party(pp->attached_to)) {
    auto& list = host->attached_parties;
    auto it = std::find(list.begin(), list.end(), p);
    if (it != list.end()) list.erase(it);
    host->mark_changed();
    pp->mark_changed();
    pp->joined = 0;
  }
  pp->attached_to = -1;
}

void campaign_state::collect_attached(std::int32_t p, std::int32_t* ids, int& count, int depth) const {
  const party* pp = find_party(p);
  if (pp == nullptr || count >= attached_party_limit || depth >= attached_party_limit) return;
  ids[count++] = p;
  for (std::int32_t child : pp->attached_parties) collect_attached(child, ids, count, depth + 1);
}

void campaign_state::collect_attached_party_ids(std::int32_t p, std::int32_t* ids, int& count) const {
  collect_attached(p, ids, count, 0);
}

void campaign_state::count_with_attached(std::int32_t p, party_troop_totals& totals, int depth) const {
  const party* pp = find_party(p);
  if (pp == nullptr || depth >= attached_party_limit) return;
  for (int i = 0; i < pp->stack_count; ++i) {
    const troop_stack& s = pp->stacks[i];
    if (s.is_prisoners()) {
      totals.prisoners = saturate_count(std::int64_t{totals.prisoners} + s.count);
      continue;
    }
    totals.members = saturate_count(std::int64_t{totals.members} + s.count);
    if (is_hero(s.troop)) {
      ++totals.heroes;
      if (is_hero_wounded(s.troop)) ++totals.wounded;
    } else {
      totals.wounded = saturate_count(std::int64_t{totals.wounded} + s.wounded);
    }
  }
  for (std::int32_t child : pp->attached_parties) count_with_attached(child, totals, depth + 1);
}

void campaign_state::count_party_troops_with_attached(std::int32_t p, party_troop_totals& totals) const {
  count_with_attached(p, totals, 0);
}

void campaign_state::add_members(const party& s, party& d, int depth) {
  // A party never takes its own troops again (d may hang under s).
  if (&s == &d || depth >= attached_party_limit) return;
  for (int i = 0; i < s.stack_count; ++i) {
    const troop_stack& stack = s.stacks[i];
    d.add_troop_stack(*this, stack.troop, stack.count, stack.flags, stack.wounded, false);
  }
  for (std::int32_t child : s.attached_parties) {
    if (const party* c = find_party(child)) add_members(*c, d, depth + 1);
  }
}

void campaign_state::add_party_members_to_party(std::int32_t s, std::int32_t d) {
  const party* sp = find_party(s);
  party* dp = find_party(d);
  if (sp == nullptr || dp == nullptr) return;
  add_members(*sp, *dp, 0);
}

// --- removal -------------------------------------------------------------------------------

void campaign_state::remove_map_entity(party& p) {
  if ((p.flags & party_flag_fixed_place) && p.template_index < 1) return;
  if (p.map_entity != nullptr) map.remove_map_entity(p);
  p.map_entity = nullptr;
  p.flags |= party_flag_hidden;
}

void campaign_state::remove_party(std::int32_t p) {
  party* pp = find_party(p);
  if (pp == nullptr) return;
  if (pp->attached_to >= 0) {
    if (find_party(pp->attached_to) != nullptr) detach_party(p);
    pp->attached_to = -1;
  }
  for (std::int32_t child : pp->attached_parties) {
    if (party* c = find_party(child)) {
      c->attached_to = -1;
      c->joined = 0;
      c->mark_changed();
    }
  }
  std::vector<std::int32_t>().swap(pp->attached_parties);
  if (pp->template_index >= 0 && pp->template_index < static_cast<int>(g_party_templates.size())) {
    ++g_party_templates[pp->template_index].removed_count;
  }
  remove_map_entity(*pp);
  pp->state = party_state_removed;
  // Only behaviours aimed at a party name it; the others hold a map-event
  // slot or nothing, which may share the number.
  for (std::int32_t id = parties.first_active_party(); id < parties.next_id(); id = parties.next_active_party(id)) {
    party& q = *find_party(id);
    if (behaviour_targets_party(q.current_behaviour) && q.current_target == p) {
      q.current_behaviour = 0;
      q.current_target = -1;
    }
    if (behaviour_targets_party(q.scripted_behaviour) && q.scripted_target == p) {
      q.scripted_behaviour = 0;
      q.scripted_target = -1;
    }
  }
}

}  // namespace hm
