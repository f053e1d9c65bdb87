// What module code does with parties beyond the stack rules: troops added and
// removed with the player's seeds, a leader's stack put first, experience and
// upgrades, casualties, members spread over parties, placement, the root of an
// attachment tree and leaving a battle.
#include <algorithm>
#include <cmath>

#include "campaign/party/campaign_state.h"
#include "engine/core/random.h"
#include "module/base/module_settings.h"
#include "script/shared_routines.h"

namespace hm {

namespace {

constexpr int skill_ironflesh = 36;
constexpr std::uint64_t troop_flag_never_wounded = 0x80;
// The kinds a casualty is drawn from: able members, neither prisoners, the
// player, nor wounded heroes.
constexpr int casualty_kind_mask = kind_not_wounded_hero | kind_not_prisoner | kind_not_player | kind_able_only;

// A stack's weight in an experience share.
int experience_weight(const campaign_state& game, const party& p, int stack) {
  const troop_stack& s = p.stacks[stack];
  if (game.is_hero(s.troop)) return stack == 0 ? 10 : 3;
  return s.count;
}

int member_weight(const campaign_state& game, const party& p) {
  std::int64_t total = 0;
  const int members = p.count_member_stacks();
  for (int i = 0; i < members; ++i) total += experience_weight(game, p, i);
  return saturate_count(total);
}

// Seeds of the members from..to (exclusive) of a stack of the player's party.
void draw_seeds(member_seed_table& seeds, int stack, int from, int to) {
  if (stack < 0 || stack >= 32) return;
  from = std::clamp(from, 0, 31);
  to = std::clamp(to, 0, 31);
  for (int j = from; j < to; ++j) seeds[stack][j] = random_next();
}

}  // namespace

float campaign_state::hero_max_health(int troop) const {
  const int ironflesh = std::min(world.troop_skill_level(troop, skill_ironflesh),
                                 world.skill_maximum_level(skill_ironflesh));
  return static_cast<float>(world.troop_strength(troop) + 35 + 2 * ironflesh);
}

// --- troops in and out -------------------------------------------------------------------

int campaign_state::add_troops_to_party(std::int32_t id, int troop, int n, bool prisoners) {
  party* p = find_party(id);
  if (p == nullptr || n <= 0 || !is_valid_troop(troop)) return 0;
  const std::int32_t before = p->count_troop(troop, prisoners);
  const int stack = p->add_troop_stack(*this, troop, n, prisoners ? stack_flag_prisoners : 0, 0, false);
  if (stack >= 0 && id == player_party) {
    const int now = p->stacks[stack].count;
    draw_seeds(member_seeds, stack, now - n, now);
  }
  return p->count_troop(troop, prisoners) - before;
}

int campaign_state::remove_troops_from_party(std::int32_t id, int troop, int n, bool prisoners, bool wounded_first) {
  party* p = find_party(id);
  if (p == nullptr || n <= 0) return 0;
  int stack = -1;
  for (int i = 0; i < p->stack_count; ++i) {
    if (p->stacks[i].troop == troop && p->stacks[i].is_prisoners() == prisoners) stack = i;
  }
  if (stack < 0) return 0;
  n = std::min(n, static_cast<int>(p->stacks[stack].count));
  p->remove_troops_from_stack(stack, n, seeds_for(*p), wounded_first);
  return n;
}

void campaign_state::join_party_to(std::int32_t partner, std::int32_t host, bool as_prisoners) {
  party* from = find_party(partner);
  party* to = find_party(host);
  if (from == nullptr || to == nullptr || from == to) return;
  for (int i = 0; i < from->stack_count; ++i) {
    const troop_stack s = from->stacks[i];
    const std::uint32_t flags = s.flags ^ (as_prisoners ? stack_flag_prisoners : 0u);
    const int stack = to->add_troop_stack(*this, s.troop, s.count, flags, s.wounded, false);
    if (stack >= 0 && host == player_party) {
      const int now = to->stacks[stack].count;
      draw_seeds(member_seeds, stack, now - s.count, now);
    }
  }
  remove_party(partner);
}

bool campaign_state::insert_first_stack(std::int32_t id, int troop, int count) {
  party* p = find_party(id);
  if (p == nullptr || !is_valid_troop(troop)) return false;
  // A full party would lose its last stack's troops to the insert.
  if (p->stack_count >= party_max_stacks) return false;
  p->set_stack_count(p->stack_count + 1);
  for (int i = p->stack_count - 1; i > 0; --i) p->stacks[i] = p->stacks[i - 1];
  troop_stack& first = p->stacks[0];
  first = troop_stack{};
  first.troop = troop;
  first.count = std::max(count, 1);
  if (id == player_party) {
    // The seeds stay with their stacks.
    for (int i = 31; i > 0; --i) std::copy(std::begin(member_seeds[i - 1]), std::end(member_seeds[i - 1]), member_seeds[i]);
    draw_seeds(member_seeds, 0, 0, first.count);
  }
  p->mark_changed();
  return true;
}

void campaign_state::clear_stacks_for_script(std::int32_t id) {
  party* p = find_party(id);
  if (p == nullptr) return;
  const int keep = id == player_party ? std::min(static_cast<int>(p->stack_count), 1) : 0;
  for (int i = keep; i < p->stack_count; ++i) p->stacks[i] = troop_stack{};
  p->set_stack_count(keep);
  p->mark_changed();
}

void campaign_state::add_wounded_to_troop(std::int32_t id, int troop, int delta) {
  party* p = find_party(id);
  if (p == nullptr) return;
  const int members = p->count_member_stacks();
  for (int i = 0; i < members; ++i) {
    troop_stack& s = p->stacks[i];
    if (s.troop != troop) continue;
    const std::int64_t wounded = static_cast<std::int64_t>(s.wounded) + delta;
    s.wounded = static_cast<std::int32_t>(std::clamp<std::int64_t>(wounded, 0, s.count));
    p->mark_changed();
    return;
  }
}

std::int32_t campaign_state::get_stack_seed(const party& p, int stack) const {
  if (p.id == player_party && stack >= 0 && stack < 32) return member_seeds[stack][0];
  if (stack < 0 || stack >= p.stack_count) return 0;
  // Wrapping arithmetic: large troop and party ids overflow 32 bits.
  const std::uint32_t troop = static_cast<std::uint32_t>(p.id < 0 ? -1 : p.stacks[stack].troop);
  return static_cast<std::int32_t>(troop * 447u + static_cast<std::uint32_t>(p.id) * 31671u + 17883u);
}

// --- the map -------------------------------------------------------------------------------

bool campaign_state::place_on_map(party& p, float x, float y) {
  const int face = map.find_map_face(x, y);
  if (face < 0) return false;
  p.position = vec3(x, y, 0.0f);
  p.map_face = face;
  p.terrain = map.map_face_terrain(face);
  p.mark_changed();
  return true;
}

bool campaign_state::random_map_point_of_terrain(float x, float y, float radius, bool water, vec3& out) const {
  for (int attempt = 0; attempt < 50000; ++attempt) {
    const float dx = (static_cast<float>(random_next() % 15817) * 0.00012644623f - 1.0f) * radius;
    const float dy = (static_cast<float>(random_next() % 15817) * 0.00012644623f - 1.0f) * radius;
    if (std::sqrt(dx * dx + dy * dy) >= radius) continue;
    out = vec3(x + dx, y + dy, 0.0f);
    const int face = map.find_map_face(out.x, out.y);
    if (face < 0) continue;
    const int terrain = map.map_face_terrain(face);
    const int kind = terrain & 7;
    if (terrain == 7) return true;
    if (water ? kind == 0 : (kind >= 2 && kind <= 6)) return true;
  }
  return false;
}

// --- experience ------------------------------------------------------------------------------

void campaign_state::give_party_xp_and_upgrade(std::int32_t id, float experience, int path) {
  party* p = find_party(id);
  if (p == nullptr) return;
  if (path != 1 && path != 2) {
    path = random_next() & 1;
  } else {
    path -= 1;
  }
  const int weight = member_weight(*this, *p);
  // Without members there is nobody to share it with.
  if (weight <= 0) return;
  const float share = experience / static_cast<float>(weight);
  const int members = p->count_member_stacks();
  for (int i = 0; i < members; ++i) {
    const troop_stack& s = p->stacks[i];
    const float factor = 0.75f + 0.5f * random_unit_float();
    if (is_hero(s.troop)) {
      world.add_troop_experience(s.troop, static_cast<int>(factor * share * static_cast<float>(i == 0 ? 10 : 3)));
    } else {
      p->add_xp_to_stack(*this, i, static_cast<int>(factor * static_cast<float>(s.count) * share));
    }
  }

  for (int i = 0; i < p->count_member_stacks();) {
    troop_stack& s = p->stacks[i];
    const int ready = s.ready_to_upgrade;
    if (is_hero(s.troop) || ready < 1) {
      ++i;
      continue;
    }
    int target = world.troop_upgrade(s.troop);
    const int second = world.troop_second_upgrade(s.troop);
    if (path == 1 && second != 0) target = second;
    if (!is_valid_troop(target) || target == 0) {
      ++i;
      continue;
    }
    const int wounded_ready = std::max(0, ready - s.count + s.wounded);
    const bool all_ready = ready >= s.count;
    int merge = -1;
    const int members_now = p->count_member_stacks();
    for (int j = 0; j < members_now; ++j) {
      if (j != i && p->stacks[j].troop == target) merge = j;
    }
    if (merge < 0 && all_ready) {
      s.troop = target;
      s.ready_to_upgrade = 0;
      s.experience_pool = 0.0f;
      p->mark_changed();
      ++i;
      continue;
    }
    if (merge >= 0) {
      p->stacks[merge].count = saturate_count(std::int64_t{p->stacks[merge].count} + ready);
      p->stacks[merge].wounded = saturate_count(std::int64_t{p->stacks[merge].wounded} + wounded_ready);
    }
    troop_stack& source = p->stacks[i];
    if (all_ready) {
      p->remove_stack(i, seeds_for(*p));
      continue;
    }
    source.count -= ready;
    source.wounded = std::min(source.wounded, source.count);
    source.ready_to_upgrade = 0;
    if (merge < 0) p->add_troop_stack(*this, target, ready, 0, wounded_ready, true);
    p->mark_changed();
    ++i;
  }
}

void campaign_state::share_party_xp(std::int32_t id, float experience) {
  party* p = find_party(id);
  if (p == nullptr) return;
  const int weight = member_weight(*this, *p);
  if (weight <= 0) return;
  const float share = experience / static_cast<float>(weight);
  const int members = p->count_member_stacks();
  for (int i = 0; i < members; ++i) {
    const troop_stack& s = p->stacks[i];
    if (is_hero(s.troop)) {
      world.add_troop_experience(s.troop, static_cast<int>(share * static_cast<float>(i == 0 ? 10 : 3)));
    } else {
      p->add_xp_to_stack(*this, i, static_cast<int>(static_cast<float>(s.count) * share));
    }
  }
}

// --- casualties and spreading ---------------------------------------------------------------

void campaign_state::inflict_casualties(std::int32_t id, int n, std::int32_t recorder) {
  party* p = find_party(id);
  if (p == nullptr) return;
  std::int32_t ids[attached_party_limit];
  int id_count = 0;
  collect_attached_party_ids(id, ids, id_count);
  party_troop_totals totals;
  count_party_troops_with_attached(id, totals);
  int candidates = totals.members - totals.wounded;
  party* record = find_party(recorder);
  if (record == p) record = nullptr;
  if (record != nullptr) {
    for (int i = 0; i < record->stack_count; ++i) record->stacks[i] = troop_stack{};
    record->set_stack_count(0);
    record->mark_changed();
  }
  if (p->stack_count > 0 && p->stacks[0].troop == player_troop && !is_hero_wounded(player_troop)) --candidates;

  for (int round = 0; round < n && candidates > 0; ++round) {
    const int r = random_below(candidates);
    party* hit = nullptr;
    int stack = -1;
    int passed = 0;
    for (int k = 0; k < id_count && hit == nullptr; ++k) {
      party* q = find_party(ids[k]);
      if (q == nullptr) continue;
      const int able = q->count_members_of_kind(*this, casualty_kind_mask);
      if (r < passed + able) {
        hit = q;
        stack = q->find_stack_of_member(*this, r - passed, casualty_kind_mask);
      }
      passed += able;
    }
    if (hit == nullptr || stack < 0) continue;
    const int troop = hit->stacks[stack].troop;
    const bool hero = is_hero(troop);
    const float k = static_cast<float>(world.troop_level(troop) + 10 + (hero ? 10 : 0));
    if (random_unit_float() * k >= 2.0f) continue;
    if (hero) {
      const float health = std::min(world.troop_health(troop), g_module_settings.player_wounded_threshold) - 15.0f;
      world.set_troop_health(troop, std::max(health, 0.0f));
      if (record != nullptr) record->add_troop_stack(*this, troop, 1, 0, 1, true);
    } else {
      const bool killed =
          random_unit_float() < 0.65f || (world.troop_flags(troop) & troop_flag_never_wounded) != 0;
      if (killed) {
        hit->remove_troops_from_stack(stack, 1, seeds_for(*hit), false);
      } else {
        troop_stack& s = hit->stacks[stack];
        s.wounded = std::min(s.wounded + 1, s.count);
        hit->mark_changed();
      }
      if (record != nullptr) record->add_troop_stack(*this, troop, 1, 0, killed ? 0 : 1, true);
    }
    --candidates;
  }
}

void campaign_state::distribute_party_members(std::int32_t s, std::int32_t d) {
  const party* source = find_party(s);
  if (source == nullptr || find_party(d) == nullptr) return;
  std::int32_t ids[attached_party_limit];
  int weights[attached_party_limit];
  int count = 0;
  collect_attached_party_ids(d, ids, count);
  int total = 0;
  for (int k = 0; k < count; ++k) {
    weights[k] = find_party(ids[k])->count_members_of_kind(*this, kind_able_only);
    total = saturate_count(std::int64_t{total} + weights[k]);
  }
  if (total <= 0) return;
  // The source may be one of the receivers: take its stacks as they are now.
  const std::vector<troop_stack> stacks(source->stacks.begin(), source->stacks.begin() + source->stack_count);
  for (const troop_stack& stack : stacks) {
    if (is_hero(stack.troop)) continue;
    for (int member = 0; member < stack.count; ++member) {
      const int r = random_below(total);
      int k = 0;
      for (int passed = weights[0]; r >= passed && k + 1 < count; passed += weights[++k]) {
      }
      if (party* to = find_party(ids[k])) to->add_troop_stack(*this, stack.troop, 1, stack.flags, 0, false);
    }
  }
}

void campaign_state::copy_party_members(std::int32_t s, std::int32_t d) {
  party* dest = find_party(d);
  if (find_party(s) == nullptr || dest == nullptr) return;
  for (int i = 0; i < dest->stack_count; ++i) dest->stacks[i] = troop_stack{};
  dest->set_stack_count(0);
  add_party_members_to_party(s, d);
  dest->mark_changed();
}

// --- attachment and battles -------------------------------------------------------------------

std::int32_t campaign_state::get_root_attached_party(std::int32_t p) const {
  std::int32_t root = p;
  for (int depth = 0; depth < attached_party_limit; ++depth) {
    const party* pp = find_party(root);
    if (pp == nullptr || pp->attached_to < 0 || find_party(pp->attached_to) == nullptr) break;
    root = pp->attached_to;
  }
  return root;
}

void campaign_state::leave_battle(std::int32_t id) {
  party* p = find_party(id);
  if (p == nullptr) return;
  if (p->attached_to >= 0 && p->joined) {
    detach_party(id);
  } else if (p->map_event >= 0) {
    end_battle(p->map_event);
  }
}

void campaign_state::end_battle(int event_slot) {
  map_event* e = events.get(event_slot);
  if (e == nullptr || e->state == 0) return;
  for (std::int32_t side : e->side_parties) {
    party* p = find_party(side);
    if (p == nullptr) continue;
    p->current_behaviour = 0;
    p->map_event = -1;
    // The parties that joined the battle leave with it, the last first.
    const std::vector<std::int32_t> attached(p->attached_parties.rbegin(), p->attached_parties.rend());
    for (std::int32_t child : attached) {
      party* c = find_party(child);
      if (c == nullptr || !c->joined) continue;
      detach_party(child);
      c->current_behaviour = 0;
    }
  }
  // The player's party joins a battle by pointing at it without being a
  // side; it must not go on pointing at a slot that a later battle takes.
  if (party* player = find_party(player_party); player != nullptr && player->map_event == event_slot) {
    player->map_event = -1;
  }
  e->map_entity = nullptr;
  events.release(event_slot);
}

namespace {

constexpr std::int32_t behaviour_in_battle = 7;
// Below this a party will not join a side.
constexpr float hostile_relation = -0.01f;

}  // namespace

int campaign_state::create_battle_event(float x, float y, std::int32_t side_1, std::int32_t side_2) {
  const int slot = events.take_free();
  map_event& e = *events.get(slot);
  e.reset();
  e.type = map_event_battle;
  e.position[0] = x;
  e.position[1] = y;
  e.side_parties[0] = side_1;
  e.side_parties[1] = side_2;
  party_troop_totals totals;
  for (std::int32_t side : e.side_parties) count_party_troops_with_attached(side, totals);
  e.starting_troop_total = totals.members;
  for (std::int32_t side : e.side_parties) {
    if (party* p = find_party(side)) {
      p->current_behaviour = behaviour_in_battle;
      p->map_event = slot;
    }
  }
  return slot;
}

bool campaign_state::engage_party(std::int32_t a, std::int32_t b, player_encounter& encounter) {
  party* pa = find_party(a);
  if (pa == nullptr || find_party(b) == nullptr) return false;
  const std::int32_t r = get_root_attached_party(b);
  // A party never fights what hangs under it.
  if (r == a) return false;
  const party& pr = *find_party(r);
  const map_event* e = events.get(pr.map_event);
  const bool in_battle = e != nullptr && e->state != 0 && (e->side_parties[0] == r || e->side_parties[1] == r);
  if (!in_battle) {
    const float x = (pa->position.x + pr.position.x) * 0.5f;
    const float y = (pa->position.y + pr.position.y) * 0.5f;
    if (a == player_party) {
      encounter = {r, no_second_encounter_party, 0};
      create_battle_event(x, y, a, r);
    } else if (b == player_party) {
      if (rest_time > 0.0f && rest_flag != 0) return false;
      const std::int32_t ra = get_root_attached_party(a);
      if (ra == b) return false;
      encounter = {ra, no_second_encounter_party, 1};
      create_battle_event(x, y, b, ra);
    } else {
      create_battle_event(x, y, a, r);
    }
    return true;
  }
  if (a == player_party) {
    encounter = {e->side_parties[1], e->side_parties[0], 0};
    pa->map_event = pr.map_event;
    return true;
  }
  const std::int32_t o = e->side_parties[1] == r ? e->side_parties[0] : e->side_parties[1];
  const party* po = find_party(o);
  if (po == nullptr || world.faction_relation(po->faction, pa->faction) < hostile_relation) return false;
  if (!attach_party_to_party(a, o)) return false;
  pa->joined = 1;
  return true;
}

void campaign_state::mark_faction_parties_changed(int faction) {
  for (std::int32_t id = parties.first_active_party(); id != parties.next_id(); id = parties.next_active_party(id)) {
    party& p = *find_party(id);
    if (p.faction == faction) p.changed = 1;
  }
}

void campaign_state::heal_party_members(std::int32_t id) {
  party* p = find_party(id);
  if (p == nullptr) return;
  const int members = p->count_member_stacks();
  for (int i = 0; i < members; ++i) {
    troop_stack& s = p->stacks[i];
    if (is_hero(s.troop)) {
      world.set_troop_health(s.troop, hero_max_health(s.troop));
    } else {
      s.wounded = 0;
    }
  }
  p->mark_changed();
}

}  // namespace hm
