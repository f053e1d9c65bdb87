#include "ui/party/party_window_model.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace hm {

namespace {

constexpr std::uint64_t hero_flag = 0x10;

int first_prisoner_stack(const party& p) {
  for (int i = 0; i < p.stack_count; ++i)
    if (p.stacks[static_cast<std::size_t>(i)].is_prisoners()) return i;
  return p.stack_count;
}

}  // namespace

bool party_window_model::open(int mode, std::int32_t encounter_party, std::int32_t mercenary_source) {
  const auto temporary = [this] { return game_.temporary_party(); };
  std::int32_t partner = -1;
  switch (mode) {
    case party_mode::control:
    case party_mode::control_in_mission:
      partner = temporary();
      break;
    case party_mode::sell_prisoners:
      partner = temporary();
      game_.clear_party_stacks();
      break;
    case party_mode::hire:
      if (!game_.find_party(mercenary_source)) return false;
      partner = mercenary_source;
      break;
    default:
      partner = encounter_party >= 1 && game_.find_party(encounter_party) ? encounter_party : temporary();
      break;
  }
  mode_ = mode;
  partner_ = partner;
  clear_selection();
  pending_amount = 0;
  const bool control = mode == party_mode::control || mode == party_mode::control_in_mission;
  panel_count_ = control ? 1 : 2;
  shown_ = {true, true, !control, !control};
  if (mode == party_mode::sell_prisoners) shown_[2] = shown_[3] = false;
  if (mode == party_mode::hire) shown_[3] = false;
  game_.remove_empty_party_stacks(game_.player_party);
  fill();
  take_snapshot(0);
  take_snapshot(1);
  return true;
}

void party_window_model::fill() {
  for (int side = 0; side < 2; ++side) {
    for (int list = 0; list < 2; ++list) entries_[static_cast<std::size_t>(list + 2 * side)].clear();
    if (side == 1 && panel_count_ == 1) continue;
    const party* p = side_party(side);
    if (!p) continue;
    for (int i = 0; i < p->stack_count; ++i) {
      const int list = p->stacks[static_cast<std::size_t>(i)].is_prisoners() ? 1 : 0;
      auto& entries = entries_[static_cast<std::size_t>(list + 2 * side)];
      if (shows(side, list) && static_cast<int>(entries.size()) < party_window_entries) entries.push_back(i);
    }
  }
  // A selection whose entry is gone is dropped.
  if (side_ >= 0 && entry_ >= static_cast<int>(entries(side_, list_).size())) clear_selection();
}

void party_window_model::select(int side, int list, int entry) {
  if (side < 0 || side > 1 || list < 0 || list > 1 || entry < 0 ||
      entry >= static_cast<int>(entries(side, list).size())) {
    clear_selection();
    return;
  }
  side_ = side;
  list_ = list;
  entry_ = entry;
}

int party_window_model::selected_stack() const {
  if (side_ < 0) return -1;
  const auto& e = entries(side_, list_);
  if (entry_ < 0 || entry_ >= static_cast<int>(e.size())) return -1;
  const int stack = e[static_cast<std::size_t>(entry_)];
  const party* p = game_.find_party(selected_party());
  return p && stack < p->stack_count ? stack : -1;
}

std::int32_t party_window_model::move_price(int troop) const {
  std::int32_t price = 0;
  if (mode_ == party_mode::hire) price = rules_.join_cost(troop);
  if (mode_ == party_mode::sell_prisoners && troop >= 0) price = rules_.prisoner_price(troop);
  return destination_party() == game_.player_party ? -price : price;
}

bool party_window_model::exists_as_member(const party& p, int troop) const {
  const int members = first_prisoner_stack(p);
  for (int i = 0; i < members; ++i)
    if (p.stacks[static_cast<std::size_t>(i)].troop == troop) return true;
  return false;
}

party_window_buttons party_window_model::refresh() {
  party_window_buttons b;
  move_disallowed_ = true;
  const int s = selected_stack();
  if (s < 0) return b;
  party* from = game_.find_party(selected_party());
  const troop_stack stack = from->stacks[static_cast<std::size_t>(s)];
  const int t = stack.troop;
  if (t < 0) return b;
  const std::uint64_t flags = rules_.troop_flags(t);
  const bool hero = (flags & hero_flag) != 0;
  const bool prisoner = stack.is_prisoners();

  b.talk_enabled = mode_ == party_mode::control && !(side_ == 0 && list_ == 0 && entry_ == 0);

  bool allowed = false;
  switch (mode_) {
    case party_mode::control:
    case party_mode::control_in_mission:
      b.move_label = side_ == 0 ? "ui_disband" : (list_ == 0 ? "ui_take_back" : "ui_take_prisoner");
      allowed = !(side_ == 0 && list_ == 0 && entry_ == 0);
      break;
    case party_mode::exchange:
    case party_mode::exchange_leader:
    case party_mode::exchange_no_take:
      b.move_label = side_ == 0 ? "ui_give" : "ui_take";
      if (list_ == 0 && entry_ == 0)
        allowed = mode_ == party_mode::exchange_leader;
      else if (side_ == 0 && list_ == 0)
        allowed = true;
      else
        allowed = mode_ != party_mode::exchange_no_take;
      break;
    case party_mode::sell_prisoners:
      b.move_label = "ui_sell";
      allowed = side_ == 0 && prisoner && rules_.prisoner_can_be_sold(t);
      break;
    case party_mode::hire:
      b.move_label = "ui_hire";
      if (side_ == 1) {
        allowed = rules_.join_cost(t) - pending_amount <= rules_.gold(game_.player_troop);
        if (!allowed) b.notification = "ui_notification_cant_hire";
      }
      break;
    default:
      b.move_label = side_ == 0 ? "ui_uncapture" : (list_ == 0 ? "ui_hire" : "ui_capture");
      allowed = true;
      break;
  }

  if (side_ == 0) {
    const int p = first_prisoner_stack(*from);
    b.move_up_enabled = 1 < s && s < p;
    b.move_down_enabled = 0 < s && s < p - 1;
  }

  // A troop moves only into a party with room for it.
  if (allowed) {
    const party* to = game_.find_party(destination_party());
    if (!to || to->find_stack_for_troop(game_, t, stack.flags & stack_flag_prisoners, true) < 0) {
      allowed = false;
      b.notification = "ui_party_capcity_reached";
    }
  }
  if ((hero && side_ == 0 && mode_ != party_mode::exchange_leader) || (flags & troop_flag_fixed_in_party))
    allowed = false;
  if (allowed) {
    b.move_enabled = true;
    move_disallowed_ = false;
  }

  if (t == game_.player_troop || prisoner) {
    if (mode_ == party_mode::sell_prisoners && allowed) {
      b.cost_key = "ui_price";
      b.cost_values[0] = rules_.prisoner_price(t);
    }
  } else if (side_ == 1 && mode_ == party_mode::hire) {
    b.cost_key = "ui_joining_cost_weekly_wage";
    b.cost_values[0] = rules_.join_cost(t);
    b.cost_values[1] = rules_.wage(t);
  } else {
    b.cost_key = "ui_weekly_wage";
    b.cost_values[0] = rules_.wage(t);
  }

  if (side_ == 0 && !hero && !prisoner) {
    b.ready = stack.ready_to_upgrade;
    for (int k = 0; k < 2; ++k) {
      auto& u = b.upgrades[static_cast<std::size_t>(k)];
      u.troop = rules_.upgrade_troop(t, k);
      if (u.troop <= 0) {
        u.troop = 0;
        continue;
      }
      u.shown = true;
      u.has_room = b.ready != 0 && from->find_stack_for_troop(game_, u.troop, 0, false) >= 0;
      u.enabled = u.has_room || (b.ready != 0 && b.ready >= stack.count);
    }
    b.upgrade_line_shown = b.ready != 0;
  }

  if (mode_ == party_mode::hire && side_ == 0) {
    b.move_shown = false;
    move_disallowed_ = true;
  } else {
    b.move_shown = true;
  }
  return b;
}

int party_window_model::move_selected(bool whole_stack) {
  const int first = selected_stack();
  if (first < 0) return 0;
  const int n = whole_stack ? game_.find_party(selected_party())->stacks[static_cast<std::size_t>(first)].count : 1;
  int moved = 0;
  for (int k = 0; k < n; ++k) {
    refresh();
    if (move_disallowed_) break;
    const int s = selected_stack();
    if (s < 0) break;
    const int t = game_.find_party(selected_party())->stacks[static_cast<std::size_t>(s)].troop;
    if (mode_ == party_mode::sell_prisoners || mode_ == party_mode::hire) {
      const std::int32_t price = move_price(t);
      rules_.add_gold(game_.player_troop, price);
      rules_.add_gold(partner_troop, -price);
    }
    const troop_move_result r = game_.move_party_troop(selected_party(), s, destination_party());
    if (!r.moved) break;
    ++moved;
    const int side = side_, list = list_, entry = entry_;
    fill();
    if (r.source_removed) {
      clear_selection();
      break;
    }
    select(side, list, entry);
  }
  fill();
  return moved;
}

bool party_window_model::upgrade_selected(int which) {
  const int s = selected_stack();
  if (s < 0 || side_ != 0 || which < 0 || which > 1) return false;
  const party_window_buttons b = refresh();
  if (!b.upgrades[static_cast<std::size_t>(which)].enabled) return false;
  party& p = *game_.find_party(game_.player_party);
  troop_stack& stack = p.stacks[static_cast<std::size_t>(s)];
  const int u = b.upgrades[static_cast<std::size_t>(which)].troop;
  int n = 1;
  if (!stack.is_prisoners() && !exists_as_member(p, u)) {
    if (stack.ready_to_upgrade >= stack.count && first_prisoner_stack(p) == party_max_stacks)
      n = std::min(stack.count, stack.ready_to_upgrade);
    if (n >= stack.count) {
      // The whole stack becomes the upgrade troop where it stands.
      stack.troop = u;
      stack.ready_to_upgrade = 0;
      stack.experience_pool = 0.0f;
      p.mark_changed();
      fill();
      return true;
    }
  }
  const bool clears = n >= stack.count;
  member_seed_table* seeds = game_.seeds_for(p);
  bool changed = false;
  for (int k = 0; k < n && !move_disallowed_; ++k) {
    troop_stack& from = p.stacks[static_cast<std::size_t>(s)];
    --from.ready_to_upgrade;
    const int wounded_before = from.wounded;
    std::int32_t seed = rules_.random_seed();
    if (seeds && s < 32 && from.count < 32 && from.count >= 1) seed = (*seeds)[s][from.count - 1];
    --from.count;
    from.wounded = std::min(from.wounded, from.count);
    from.ready_to_upgrade = std::clamp(from.ready_to_upgrade, 0, std::max(from.count, 0));
    const bool wounded_one = from.wounded < wounded_before;
    if (from.count < 1) p.remove_stack(s, seeds);
    p.mark_changed();
    const int to = p.add_troop_stack(game_, u, 1, 0, 0, true);
    changed = true;
    if (to < 0) break;
    troop_stack& added = p.stacks[static_cast<std::size_t>(to)];
    if (wounded_one) added.wounded = std::min(added.wounded + 1, added.count);
    if (seeds && to < 32 && added.count < 32 && added.count >= 1) (*seeds)[to][added.count - 1] = seed;
    if (selected_stack() < 0) break;
    refresh();
  }
  fill();
  if (clears) clear_selection();
  return changed;
}

bool party_window_model::swap_selected(int delta) {
  const int s = selected_stack();
  if (s < 0 || side_ != 0) return false;
  const party_window_buttons b = refresh();
  if ((delta < 0 && !b.move_up_enabled) || (delta > 0 && !b.move_down_enabled) || delta == 0) return false;
  party& p = *game_.find_party(game_.player_party);
  const int other = s + delta;
  std::swap(p.stacks[static_cast<std::size_t>(s)], p.stacks[static_cast<std::size_t>(other)]);
  if (s < 32 && other < 32) std::swap(game_.member_seeds[s], game_.member_seeds[other]);
  p.mark_changed();
  fill();
  select(side_, list_, entry_ + delta);
  return true;
}

void party_window_model::take_snapshot(int side) {
  party_side_snapshot& snap = snapshots_[static_cast<std::size_t>(side)];
  snap = {};
  const party* p = side_party(side);
  if (!p) return;
  snap.taken = true;
  snap.gold = rules_.gold(side == 0 ? game_.player_troop : partner_troop);
  snap.morale = p->morale;
  snap.hunger = p->hunger;
  snap.stack_count = p->stack_count;
  snap.stacks.assign(p->stacks.begin(), p->stacks.begin() + p->stack_count);
  // The troops' count of the last mission does not come back with a reset.
  for (troop_stack& s : snap.stacks) s.mission_counter = 0;
  if (side == 0) std::memcpy(seeds_snapshot_, game_.member_seeds, sizeof seeds_snapshot_);
}

void party_window_model::restore_snapshot(int side) {
  const party_side_snapshot& snap = snapshots_[static_cast<std::size_t>(side)];
  party* p = side_party(side);
  if (!snap.taken || !p) return;
  const std::int32_t troop = side == 0 ? game_.player_troop : partner_troop;
  rules_.add_gold(troop, snap.gold - rules_.gold(troop));
  p->morale = snap.morale;
  p->hunger = snap.hunger;
  p->reserve_stacks(snap.stack_count);
  p->set_stack_count(snap.stack_count);
  std::copy(snap.stacks.begin(), snap.stacks.end(), p->stacks.begin());
  p->mark_changed();
  if (side == 0) std::memcpy(game_.member_seeds, seeds_snapshot_, sizeof seeds_snapshot_);
}

void party_window_model::reset() {
  restore_snapshot(0);
  restore_snapshot(1);
  clear_selection();
  fill();
}

bool party_window_model::talk_partner(int& troop, bool& prisoner) const {
  const int s = selected_stack();
  if (s < 0 || mode_ != party_mode::control || (side_ == 0 && list_ == 0 && entry_ == 0)) return false;
  const troop_stack& stack = game_.find_party(selected_party())->stacks[static_cast<std::size_t>(s)];
  troop = stack.troop;
  prisoner = stack.is_prisoners();
  return troop >= 0;
}

}  // namespace hm
