#include "campaign/party/party.h"

#include <algorithm>
#include <utility>

#include "campaign/party/campaign_state.h"
#include "engine/core/random.h"
#include "module/base/module_settings.h"
#include "script/game_hooks.h"
#include "script/script_state.h"

namespace hm {

namespace {

// Experience a regular troop must pool, by level, before it is ready to be
// upgraded (divided by about 167 and raised by 30).
constexpr std::int64_t upgrade_experience[61] = {
    1360,      2296,      3426,      4768,      6345,      8179,      10297,     13010,     16161,     19806,
    24007,     28832,     34362,     40682,     47892,     56103,     65441,     77233,     90809,     106425,
    124371,    144981,    168636,    195769,    226879,    262533,    303381,    350164,    412091,    484440,
    568947,    667638,    782877,    917424,    1074494,   1257843,   1471851,   1721626,   2070551,   2489361,
    2992033,   3595340,   4319408,   5188389,   6231267,   7482821,   8984785,   11236531,  14051314,  17569892,
    21968215,  27466219,  34338823,  42929679,  53668349,  67091786,  83871183,  160204600, 320304600, 644046000,
    2050460000};

}  // namespace

bool behaviour_targets_party(std::int32_t behaviour) {
  switch (behaviour) {
    case 1: case 3: case 4: case 5: case 10: case 11:
      return true;
    default:
      return false;
  }
}

int upgrade_threshold(int level) {
  // Levels run to 63 while the table stops at 60: the top levels share the
  // last entry.
  const int index = std::clamp(level, 0, 60);
  return static_cast<int>(static_cast<double>(upgrade_experience[index]) * 0.006 + 30.0);
}

party::party()
    : ai_timer(clock_campaign),
      wander_timer(clock_campaign),
      sound_timer(clock_real_time),
      steering_timer(clock_campaign),
      path_timer(clock_campaign),
      spawn_timer(clock_campaign),
      attack_delay_timer(clock_campaign) {
  spawn_timer.start_ticks -= ticks_per_unit;
  reset();
}

void party::reset() {
  position = vec3();
  move_direction[0] = 1.0f;
  move_direction[1] = 0.0f;
  heading_bias[0] = 0.1f;
  heading_bias[1] = 0.0f;
  radius = 0.15f;
  visibility = -1000.0f;
  faction = -1;
  personality = 0;
  morale = 0.5f;
  hunger = 0.0f;
  speed_float = 0.0f;
  map_event = -1;
  template_index = 0;
  icon_float = 1.0f;
  flags = 0;
  flags2 = 0;
  stacks.assign(party_stack_reserve, troop_stack{});
  stack_count = 0;
  base_speed = 0.0f;
  speed_multiplier = 1.0f;
  changed = 1;
  label_dirty = 1;
  attached_to = -1;
  joined = 0;
  std::vector<std::int32_t>().swap(attached_parties);
  scripted_behaviour = 0;
  scripted_target = 0;
  current_behaviour = 0;
  current_target = 0;
  behaviour_word = 0;
  home_pull = 10.0f;
  ai_score_factor = 1.0f;
  terrain = 0;
  movement_mode = 0;
  map_entity = nullptr;
  script_data = script_record_data{};
  behaviour_value = 0.0f;
  particle_systems.clear();
  map_face = -1;
  waypoint[0] = waypoint[1] = 0.0f;
  target_point[0] = target_point[1] = 0.0f;
  target_face = -1;
  target_party = -1;
  last_known_target[0] = last_known_target[1] = 0.0f;
  last_track_position = vec3();
  repath_patience = 5.0f;
  path_faces.clear();
  path_points.clear();
  path_index = 0;
  path_valid = 0;
  replan = 0;
  blocked = 0;
  path_goal_face = -1;
  path_goal[0] = path_goal[1] = 0.0f;
  moving = 0;
  const float u1 = random_unit_float();
  const float u2 = random_unit_float();
  next_track_distance = 0.5f + 0.7f * (u1 + u2);
  const float u3 = random_unit_float();
  const float u4 = random_unit_float();
  wander_offset[0] = 2.0f * u3 - 1.0f;
  wander_offset[1] = 2.0f * u4 - 1.0f;
}

// --- counting ---------------------------------------------------------------------------

std::int32_t party::count_members() const {
  std::int64_t total = 0;
  for (int i = 0; i < stack_count && !stacks[i].is_prisoners(); ++i) total += stacks[i].count;
  return saturate_count(total);
}

std::int32_t party::count_member_stacks() const {
  int i = 0;
  while (i < stack_count && !stacks[i].is_prisoners()) ++i;
  return i;
}

std::int32_t party::count_prisoners() const {
  std::int64_t total = 0;
  for (int i = 0; i < stack_count; ++i) {
    if (stacks[i].is_prisoners()) total += stacks[i].count;
  }
  return saturate_count(total);
}

std::int32_t party::count_prisoner_stacks() const { return stack_count - count_member_stacks(); }

std::int32_t party::count_troop(int troop, bool prisoners) const {
  std::int64_t total = 0;
  for (int i = 0; i < stack_count; ++i) {
    if (stacks[i].troop == troop && stacks[i].is_prisoners() == prisoners) total += stacks[i].count;
  }
  return saturate_count(total);
}

std::int32_t party::count_stack_members_of_kind(const campaign_state& game, int stack, int kind_mask) const {
  if (stack < 0 || stack >= stack_count) return 0;
  const troop_stack& s = stacks[stack];
  const bool hero = game.is_hero(s.troop);
  if ((kind_mask & kind_not_player) && s.troop == game.player_troop) return 0;
  if ((kind_mask & kind_not_leader) && stack == 0 && hero) return 0;
  if ((kind_mask & kind_not_hero) && hero) return 0;
  if ((kind_mask & kind_not_wounded_hero) && hero && game.is_hero_wounded(s.troop)) return 0;
  if ((kind_mask & kind_not_regular) && !hero) return 0;
  if ((kind_mask & kind_not_prisoner) && s.is_prisoners()) return 0;
  std::int64_t n = s.count;
  if ((kind_mask & kind_able_only) && !hero) n -= s.wounded;
  return saturate_count(std::max<std::int64_t>(n, 0));
}

std::int32_t party::count_members_of_kind(const campaign_state& game, int kind_mask) const {
  std::int64_t total = 0;
  for (int i = 0; i < stack_count; ++i) total += count_stack_members_of_kind(game, i, kind_mask);
  return saturate_count(total);
}

int party::find_stack_of_member(const campaign_state& game, int n, int kind_mask) const {
  if (n < 0) return -1;
  for (int i = 0; i < stack_count; ++i) {
    const std::int32_t in_stack = count_stack_members_of_kind(game, i, kind_mask);
    if (n < in_stack) return i;
    n -= in_stack;
  }
  return -1;
}

// --- adding and removing ------------------------------------------------------------

int party::find_stack_for_troop(const campaign_state& game, int troop, std::uint32_t stack_flags,
                                bool check_limits) const {
  const bool prisoners = (stack_flags & stack_flag_prisoners) != 0;
  if ((flags & party_flag_limits) && check_limits) {
    const int room = prisoners ? get_prisoner_limit(game) - count_prisoners()
                               : get_companion_limit(game) - count_members();
    if (room < 1) return -1;
  }
  int found = -1;
  for (int i = 0; i < stack_count; ++i) {
    if (stacks[i].troop == troop && stacks[i].is_prisoners() == prisoners) found = i;
  }
  if (found >= 0) return found;
  return stack_count < party_max_stacks ? stack_count : -1;
}

int party::add_troop_stack(const campaign_state& game, int troop, int count, std::uint32_t stack_flags, int wounded,
                           bool ignore_limits) {
  if (count == 0) return 0;
  if (count < 0 || !game.is_valid_troop(troop)) return -1;
  int index = find_stack_for_troop(game, troop, stack_flags, !ignore_limits);
  if (index < 0) {
    mark_changed();
    return -1;
  }
  if (index < stack_count) {
    stacks[index].count = saturate_count(std::int64_t{stacks[index].count} + count);
    stacks[index].wounded = saturate_count(std::int64_t{stacks[index].wounded} + wounded);
  } else {
    reserve_stacks(stack_count + 1);
    troop_stack& s = stacks[index];
    s = troop_stack{};
    s.troop = troop;
    s.count = count;
    s.wounded = wounded;
    s.flags = stack_flags;
    ++stack_count;
    // The stack's final place, not the one it was appended at: that index
    // names a prisoner stack once the new stack has moved.
    if (!s.is_prisoners()) index = move_stack_before_prisoners(index);
  }
  mark_changed();
  return index;
}

int party::move_stack_before_prisoners(int stack) {
  if (stack >= 0 && stack < stack_count && !stacks[stack].is_prisoners()) {
    while (stack >= 1 && stacks[stack - 1].is_prisoners()) {
      std::swap(stacks[stack], stacks[stack - 1]);
      --stack;
    }
  }
  mark_changed();
  return stack;
}

troop_stack party::remove_stack(int stack, member_seed_table* seeds) {
  if (stack < 0 || stack >= stack_count) return troop_stack{};
  const troop_stack removed = stacks[stack];
  for (int i = stack; i + 1 < stack_count; ++i) stacks[i] = stacks[i + 1];
  stacks[stack_count - 1] = troop_stack{};
  --stack_count;
  reserve_stacks(stack_count);
  mark_changed();
  if (seeds != nullptr && stack < 32) {
    const int last = std::min(31, static_cast<int>(stack_count));
    for (int j = stack + 1; j <= last; ++j) std::copy(std::begin((*seeds)[j]), std::end((*seeds)[j]), (*seeds)[j - 1]);
  }
  return removed;
}

bool party::remove_troops_from_stack(int stack, int n, member_seed_table* seeds, bool take_wounded_first) {
  if (stack < 0 || stack >= stack_count) return false;
  troop_stack& s = stacks[stack];
  s.count -= n;
  if (take_wounded_first) {
    s.wounded = std::max(s.wounded - n, 0);
  } else {
    s.wounded = std::min(s.wounded, s.count);
  }
  s.ready_to_upgrade = std::min(s.ready_to_upgrade, s.count);
  if (s.count > 0) {
    mark_changed();
    return false;
  }
  remove_stack(stack, seeds);
  return true;
}

void party::reserve_stacks(int n) { stacks.resize(static_cast<std::size_t>(std::max(n, party_stack_reserve))); }

void party::set_stack_count(int n) {
  n = std::clamp(n, 0, party_max_stacks);
  reserve_stacks(n);
  stack_count = n;
}

bool party::clamp_stack_counts(const campaign_state& game) {
  for (int i = 0; i < stack_count; ++i) {
    troop_stack& s = stacks[i];
    if (s.count < 1) s.count = 0;
    if (!game.is_hero(s.troop)) s.wounded = std::min(s.wounded, s.count);
  }
  return true;
}

void party::reset_stack_mission_counters() {
  for (int i = 0; i < stack_count; ++i) stacks[i].mission_counter = 0;
}

int party::add_troops(campaign_state& game, int troop, int n, std::uint32_t stack_flags) {
  if (n == 0) return 0;
  if (n < 0 || !game.is_valid_troop(troop)) return -1;
  const bool prisoners = (stack_flags & stack_flag_prisoners) != 0;
  int of_kind = 0;
  int last_regular = -1;
  for (int i = 0; i < stack_count; ++i) {
    if (stacks[i].is_prisoners() != prisoners) continue;
    if (stacks[i].troop == troop) {
      // Troops of a troop the party already has join its stack.
      stacks[i].count = saturate_count(std::int64_t{stacks[i].count} + n);
      mark_changed();
      return i;
    }
    ++of_kind;
    if (!game.is_hero(stacks[i].troop)) last_regular = i;
  }
  if (of_kind >= 32) {
    if (!game.is_hero(troop) || last_regular < 0) {
      mark_changed();
      return -1;
    }
    remove_stack(last_regular, game.seeds_for(*this));
  }
  reserve_stacks(stack_count + 1);
  int index = stack_count;
  troop_stack& s = stacks[index];
  s = troop_stack{};
  s.troop = troop;
  s.count = n;
  s.flags = stack_flags;
  ++stack_count;
  if (!prisoners) index = move_stack_before_prisoners(index);
  mark_changed();
  return index;
}

// --- limits, skills, experience -----------------------------------------------------------

int party::get_companion_limit(const campaign_state& game) const {
  g_script_state.trigger_result = 0;
  if (call_game_script(game_hook_code::game_get_party_companion_limit, id, 0)) {
    return static_cast<int>(g_script_state.trigger_result);
  }
  if (stack_count < 1) return g_module_settings.base_companion_limit;
  const int leader = stacks[0].troop;
  return game.world.troop_effective_skill_level(leader, 1) * g_module_settings.skill_leadership_bonus +
         g_module_settings.base_companion_limit + game.world.troop_companion_bonus(leader);
}

int party::get_prisoner_limit(const campaign_state& game) const {
  g_script_state.trigger_result = 0;
  if (call_game_script(game_hook_code::game_get_party_prisoner_limit, id, 0)) {
    return static_cast<int>(g_script_state.trigger_result);
  }
  if (stack_count < 1) return 0;
  return game.world.troop_effective_skill_level(stacks[0].troop, 2) * g_module_settings.skill_prisoner_management_bonus;
}

int party::get_skill_level(const campaign_state& game, int skill) const {
  int leader_level = 0;
  if (stack_count > 0 && !game.is_hero_wounded(stacks[0].troop)) {
    leader_level = game.world.troop_effective_skill_level(stacks[0].troop, skill);
  }
  int best = 0;
  for (int i = 0; i < stack_count; ++i) {
    const troop_stack& s = stacks[i];
    if (s.flags != 0 || !game.is_hero(s.troop) || game.is_hero_wounded(s.troop)) continue;
    best = std::max(best, game.world.troop_effective_skill_level(s.troop, skill));
  }
  for (int step : {2, 5, 8, 10}) {
    if (leader_level >= step) ++best;
  }
  return best;
}

void party::add_xp_to_stack(campaign_state& game, int stack, int experience) {
  if (stack < 0 || stack >= stack_count) return;
  troop_stack& s = stacks[stack];
  if (game.is_hero(s.troop)) {
    game.world.add_troop_experience(s.troop, experience);
    return;
  }
  if (game.world.troop_upgrade(s.troop) == 0) return;
  s.experience_pool += static_cast<float>(experience);
  const float threshold = static_cast<float>(upgrade_threshold(game.world.troop_level(s.troop)));
  while (s.experience_pool >= threshold && s.ready_to_upgrade < s.count) {
    ++s.ready_to_upgrade;
    s.experience_pool -= threshold;
  }
  if (s.ready_to_upgrade >= s.count) s.experience_pool = 0.0f;
}

float party::get_visibility_factor(const campaign_state& game) const {
  if (map_event >= 0) return 1.0f;
  std::int64_t weight = 0;
  for (int i = 0; i < stack_count; ++i) {
    const troop_stack& s = stacks[i];
    if (game.is_hero(s.troop)) {
      weight += 3;
    } else if (game.world.troop_flags(s.troop) & troop_flag_mounted) {
      weight += 3 * std::int64_t{s.count};
    } else {
      weight += s.count;
    }
  }
  return std::clamp(0.4f + 0.02f * static_cast<float>(weight), 0.0f, 1.0f);
}

}  // namespace hm
