#pragma once
// What the party screen does with the parties, apart from its widgets: the
// two sides and their lists, the selection, the rules that allow each action
// for the selected troop, the actions themselves (move, hire, sell, upgrade,
// reorder) and the snapshot that the reset puts back.
#include <array>
#include <cstdint>
#include <vector>

#include "campaign/party/campaign_state.h"

namespace hm {

// The situations the screen serves; the opener picks one.
namespace party_mode {
inline constexpr int control = 0;        // the player's own party (the temporary party beside it)
inline constexpr int exchange = 1;       // with a party met, or the temporary party
inline constexpr int sell_prisoners = 2;
inline constexpr int hire = 3;
inline constexpr int after_battle = 4;
inline constexpr int control_in_mission = 5;
inline constexpr int exchange_leader = 6;  // an exchange that may take the partner's first member
inline constexpr int exchange_no_take = 7;
}  // namespace party_mode

// Troop flag bit of troops that never change party in this screen.
inline constexpr std::uint64_t troop_flag_fixed_in_party = 0x10000000;
inline constexpr int party_window_entries = 512;

// Prices, purses and module rules the screen asks for. The program's answer
// asks the module's scripts first and falls back on the engine's rules.
class party_trade_rules {
 public:
  virtual ~party_trade_rules() = default;
  virtual std::int32_t join_cost(int troop) = 0;
  virtual std::int32_t wage(int troop) = 0;
  virtual std::int32_t prisoner_price(int troop) = 0;
  virtual bool prisoner_can_be_sold(int troop) = 0;
  // A troop's purse; -1 names no troop (0 gold, changes nothing).
  virtual std::int32_t gold(int troop) = 0;
  virtual void add_gold(int troop, std::int32_t amount) = 0;
  virtual std::uint64_t troop_flags(int troop) = 0;
  virtual int upgrade_troop(int troop, int which) = 0;
  // A draw for a new member's seed.
  virtual std::int32_t random_seed() = 0;
};

// The state of the action buttons for the current selection.
struct party_window_buttons {
  bool talk_enabled = false;
  // The move button: its label key, shown and enabled.
  const char* move_label = "ui_release_one";
  bool move_shown = false;
  bool move_enabled = false;
  bool move_up_enabled = false;
  bool move_down_enabled = false;
  // The info panel's reason for a refused move or upgrade ("" none).
  const char* notification = "";
  // The cost line: its key and values (shown when key is not "").
  const char* cost_key = "";
  std::int32_t cost_values[2] = {0, 0};
  // The upgrade line and buttons (side 0 regular members only).
  bool upgrade_line_shown = false;
  std::int32_t ready = 0;
  struct upgrade_button {
    int troop = 0;  // 0: none
    bool shown = false;
    bool enabled = false;
    bool has_room = false;
  };
  std::array<upgrade_button, 2> upgrades{};
};

struct party_side_snapshot {
  bool taken = false;
  std::int32_t gold = 0;
  float morale = 0.0f;
  float hunger = 0.0f;
  std::vector<troop_stack> stacks;
  std::int32_t stack_count = 0;
};

class party_window_model {
 public:
  party_window_model(campaign_state& game, party_trade_rules& rules) : game_(game), rules_(rules) {}

  // Chooses the partner party by mode (see party_mode), sets which lists
  // show, tidies the player's party, fills the lists and takes the
  // snapshot. encounter_party: the party met (-1 none); mercenary_source:
  // the hiring mode's source. False when the mode's partner cannot be had
  // (the hiring mode without an active source party): nothing changed.
  bool open(int mode, std::int32_t encounter_party, std::int32_t mercenary_source);

  int mode() const { return mode_; }
  std::int32_t player_party() const { return game_.player_party; }
  std::int32_t partner_party() const { return partner_; }
  // The troop whose purse pays or is paid in the selling and hiring modes.
  std::int32_t partner_troop = -1;
  // Subtracted from a troop's join cost in the hire test.
  std::int32_t pending_amount = 0;
  // 1 in the control modes (the party skills stand where side 1 would).
  int panel_count() const { return panel_count_; }
  bool shows(int side, int list) const { return shown_[static_cast<std::size_t>(side * 2 + list)]; }

  // The lists: per side and list (0 members, 1 prisoners) the stack index of
  // each entry.
  void fill();
  const std::vector<int>& entries(int side, int list) const {
    return entries_[static_cast<std::size_t>(list + 2 * side)];
  }

  // --- selection ---
  void select(int side, int list, int entry);
  void clear_selection() { side_ = list_ = entry_ = -1; }
  int selected_side() const { return side_; }
  int selected_list() const { return list_; }
  int selected_entry() const { return entry_; }
  // The selected stack's index (-1 none) and its party.
  int selected_stack() const;
  std::int32_t selected_party() const { return side_ == 0 ? game_.player_party : partner_; }
  std::int32_t destination_party() const { return side_ == 0 ? partner_ : game_.player_party; }

  // The buttons for the selection; also sets whether a move is allowed now.
  party_window_buttons refresh();
  bool move_disallowed() const { return move_disallowed_; }

  // --- actions ---
  // Moves one troop of the selected stack to the other side (n troops, or
  // the whole stack), paying or charging its price in the selling and hiring
  // modes, while the move stays allowed. Returns the troops moved.
  int move_selected(bool whole_stack);
  // Upgrades one troop of the selected stack along path 0 or 1.
  bool upgrade_selected(int which);
  // Moves the selected member stack one place up (-1) or down (+1).
  bool swap_selected(int delta);
  // Both sides as they were when the screen opened (purses, morale, hunger,
  // stacks and the player's member seeds).
  void reset();
  // A conversation partner for the selection: the troop and whether it is a
  // prisoner; false when the talk is not allowed.
  bool talk_partner(int& troop, bool& prisoner) const;

  // The price of one troop moving from the selected side, signed as the
  // player's purse changes by it.
  std::int32_t move_price(int troop) const;

 private:
  party* side_party(int side) { return game_.find_party(side == 0 ? game_.player_party : partner_); }
  void take_snapshot(int side);
  void restore_snapshot(int side);
  bool exists_as_member(const party& p, int troop) const;

  campaign_state& game_;
  party_trade_rules& rules_;
  int mode_ = 0;
  std::int32_t partner_ = -1;
  int panel_count_ = 2;
  std::array<bool, 4> shown_{};
  std::array<std::vector<int>, 4> entries_;
  int side_ = -1, list_ = -1, entry_ = -1;
  bool move_disallowed_ = true;
  std::array<party_side_snapshot, 2> snapshots_;
  member_seed_table seeds_snapshot_ = {};
};

}  // namespace hm
