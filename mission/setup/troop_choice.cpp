#include "mission/setup/troop_choice.h"

#include "campaign/party/campaign_state.h"
#include "campaign/party/party.h"
#include "engine/core/random.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/setup/spawning.h"
#include "module/records/mission_template.h"

namespace hm {

namespace {

// Healthy regular members outside prisoner stacks.
constexpr int regular_member_kind_mask = 0x112;
constexpr float stack_draw_bias = 0.25f;

struct class_availability {
  bool mounted = false;
  bool foot = false;
  bool mixed = false;
};

int random_party(mission& m, const mission_side_list& list) {
  if (list.count <= 0) return -1;
  const int count = std::min(list.count, side_list_capacity);
  const int i = count < 2 ? 0 : m.services().random_next() % count;
  return list.parties[static_cast<std::size_t>(i)];
}

bool stack_has_troops_left(const campaign_state& game, const troop_stack& s) {
  if (game.is_hero(s.troop)) return s.mission_counter == 0 && !game.is_hero_wounded(s.troop);
  return s.wounded + s.mission_counter < s.count;
}

// The class a troop fights as, under the record's override flags.
void troop_class(const campaign_state& game, int troop, std::uint32_t overrides, bool& mounted, bool& foot) {
  const std::uint64_t f = game.world.troop_flags(troop);
  mounted = (f & troop_flag_mounted_only) != 0 && (overrides & override_mounted_on_foot) == 0;
  foot = (f & troop_flag_foot_only) != 0;
}

bool class_filter_accepts(const campaign_state& game, const troop_stack& s, int stack_index, std::uint32_t flags,
                          std::uint32_t overrides, const class_availability& available) {
  if ((s.flags & stack_flag_prisoners) != 0) return false;
  const bool hero = game.is_hero(s.troop);
  if ((flags & spawn_filter::heroes_only) != 0 && !hero) return false;
  if ((flags & spawn_filter::heroes_only_first_stack) != 0 && hero && stack_index > 0) return false;
  if ((flags & spawn_filter::no_hero_in_first_stack) != 0 && hero && stack_index == 0) return false;
  const std::uint32_t prefs = flags & (spawn_filter::prefer_mixed | spawn_filter::prefer_foot | spawn_filter::prefer_mounted);
  if (prefs == 0) return true;
  bool mounted = false;
  bool foot = false;
  troop_class(game, s.troop, overrides, mounted, foot);
  const bool mixed = !mounted && !foot;
  // A preference whose class the side lacks accepts anything.
  if ((prefs & spawn_filter::prefer_mixed) != 0 && (mixed || !available.mixed)) return true;
  if ((prefs & spawn_filter::prefer_foot) != 0 && (foot || !available.foot)) return true;
  if ((prefs & spawn_filter::prefer_mounted) != 0 && (mounted || !available.mounted)) return true;
  return false;
}

}  // namespace

spawn_choice choose_spawn_troop(mission& m, campaign_state& game, placed_troops& placed, int record) {
  spawn_choice c;
  mission_template* t = current_mission_template(m);
  if (t == nullptr || record < 0 || record >= t->spawn_record_count()) return c;
  const spawn_record& r = t->spawn_records[static_cast<std::size_t>(record)];
  const auto flags = static_cast<std::uint32_t>(r.spawn_flags);
  const auto overrides = static_cast<std::uint32_t>(r.flags2);
  std::uint8_t dummy_blocked = 0;
  std::uint8_t& blocked =
      record < max_spawn_records ? m.blocked_spawn_records[static_cast<std::size_t>(record)] : dummy_blocked;
  c.team = static_cast<std::int32_t>((flags >> 12) & 7) - 1;
  int side_team = -1;

  if ((flags & spawn_flag::player_or_stationed) != 0) {
    if (r.entry_point == m.player_entry_point) {
      c.troop = game.player_troop;
      placed.place(c.troop);
      c.face_seed = -1;
      if (c.team == -1) c.team = 0;
    }
    return c;
  }

  const mission_side_list& enemies = m.side_lists[static_cast<std::size_t>(m.side_value & 1)];
  const mission_side_list& friends = m.side_lists[static_cast<std::size_t>(1 - (m.side_value & 1))];
  const mission_side_list* source = nullptr;
  bool player_party_taken = false;
  const auto take_friendly = [&]() {
    side_team = 0;
    if (!placed.is_placed(game.player_troop)) {
      c.party = game.player_party;
      player_party_taken = true;
    } else {
      c.party = random_party(m, friends);
      source = &friends;
    }
  };
  if ((flags & (spawn_flag::attackers | spawn_flag::defenders)) != 0) {
    if (spawn_record_is_enemy_side(m, flags)) {
      c.party = random_party(m, enemies);
      source = &enemies;
      side_team = 1;
    } else {
      take_friendly();
    }
  } else if ((flags & spawn_flag::enemy_parties) != 0) {
    c.party = random_party(m, enemies);
    source = &enemies;
    side_team = 1;
  } else if ((flags & spawn_flag::friendly_parties) != 0) {
    c.party = random_party(m, friends);
    source = &friends;
    side_team = 0;
  } else {
    c.party = game.player_party;
    player_party_taken = true;
    side_team = 0;
  }

  // No party to draw from: the record waits until it is asked for agents again.
  party* p = c.party >= 0 ? game.find_party(c.party) : nullptr;
  if (p == nullptr) {
    c.party = -1;
    blocked = 1;
    return c;
  }

  blocked = 1;
  class_availability available;
  const auto survey = [&](const party& q) {
    for (int i = 0; i < q.stack_count && i < static_cast<int>(q.stacks.size()); ++i) {
      const troop_stack& s = q.stacks[static_cast<std::size_t>(i)];
      if ((s.flags & stack_flag_prisoners) != 0 || !game.is_valid_troop(s.troop)) continue;
      if (!stack_has_troops_left(game, s)) continue;
      blocked = 0;
      bool mounted = false;
      bool foot = false;
      troop_class(game, s.troop, overrides, mounted, foot);
      available.mounted |= mounted;
      available.foot |= foot;
      available.mixed |= !mounted && !foot;
    }
  };
  if (player_party_taken || source == nullptr) {
    survey(*p);
  } else {
    for (int i = 0; i < std::min(source->count, side_list_capacity); ++i) {
      if (const party* q = game.find_party(source->parties[static_cast<std::size_t>(i)])) survey(*q);
    }
  }

  const int stack_count = std::min(p->stack_count, static_cast<int>(p->stacks.size()));
  if (player_party_taken && stack_count > 0 && p->stacks[0].mission_counter == 0) {
    c.troop = game.player_troop;
    c.stack = 0;
    p->stacks[0].mission_counter = 1;
  } else {
    const int members = p->count_members_of_kind(game, regular_member_kind_mask);
    const bool reverse = (flags & spawn_filter::reverse_stacks) != 0;
    for (int k = 0; k < stack_count; ++k) {
      const int i = reverse ? stack_count - 1 - k : k;
      troop_stack& s = p->stacks[static_cast<std::size_t>(i)];
      if (!game.is_valid_troop(s.troop)) continue;
      const bool hero = game.is_hero(s.troop);
      const bool left = hero ? s.mission_counter == 0 && !placed.is_placed(s.troop) &&
                                   (s.troop == game.player_troop || !game.is_hero_wounded(s.troop))
                             : s.wounded + s.mission_counter < s.count;
      if (!left || !class_filter_accepts(game, s, i, flags, overrides, available)) continue;
      if (!hero) {
        const float draw = static_cast<float>(m.services().random_next() % 15817) * random_fraction_scale;
        const float share = members > 0 ? static_cast<float>(s.count - s.wounded) / static_cast<float>(members) : 1.0f;
        if (draw > share + stack_draw_bias) continue;
        const int slot = s.mission_counter;
        c.face_seed = player_party_taken && i < 32 && slot < 32 ? game.member_seeds[i][slot]
                                                              : m.services().random_next();
      }
      c.troop = s.troop;
      c.stack = i;
      ++s.mission_counter;
      break;
    }
  }

  if (c.troop >= 0) {
    placed.place(c.troop);
    if (game.is_hero(c.troop)) c.face_seed = -1;
  }
  if (c.team == -1) c.team = side_team;
  return c;
}

}  // namespace hm
