#pragma once
// The party screen (window 12): the player's party on one side, a second
// party on the other (a party met, a garrison, the party hired from, the
// captives of a battle, or the temporary party that takes what the player
// gives away), each with its members and prisoners; the selected troop's
// price, wage and upgrades below, and the buttons that move, hire, sell,
// upgrade, reorder and talk. The opener sets the mode and the return window
// before switching to it.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "ui/party/party_window_model.h"
#include "ui/party/script_trade_rules.h"
#include "ui/windows/game_window.h"

namespace hm {

class container;
class scrollable_container;

// What the screen needs of the layers above it: the running campaign and
// the conversation with a troop of the player's party.
class party_window_host {
 public:
  virtual ~party_window_host() = default;
  // The campaign of the running game; null when none runs.
  virtual campaign_state* campaign() = 0;
  // Sets up the conversation with the troop of the player's party (kind 13,
  // or 14 with a prisoner); the screen then opens the conversation window.
  virtual void set_up_troop_conversation(std::int32_t troop, std::int32_t party, std::int32_t kind) = 0;
};

// The morale line's key for a morale value.
const char* party_morale_key(float morale);
// The starving percentage shown for a hunger value: the nearest whole
// percent, halves down.
std::int32_t party_starving_percent(float hunger);
// The weekly wage bill of the player's party: the module's total-wage script
// when it answers, else the members' wages from the second stack on (one
// wage a hero, count wages a regular stack).
std::int32_t player_total_wage(const campaign_state& game, party_trade_rules& rules);
// A list entry's text for a stack of the party.
ruv_string party_entry_text(const campaign_state& game, const troop_stack& stack);

class party_window final : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;
  void leave() override;
  void set_host(party_window_host* h) { host = h; }

  party_window_host* host = nullptr;
  // The troop whose purse pays or is paid in the selling and hiring modes; a
  // conversation that opens the screen sets it.
  std::int32_t partner_troop = -1;

  std::unique_ptr<party_window_model> model;
  party_window_buttons buttons;

  // Widgets (owned by the UI manager once built).
  widget* done_button = nullptr;
  widget* reset_button = nullptr;
  widget* talk_button = nullptr;
  widget* move_button = nullptr;
  widget* move_up_button = nullptr;
  widget* move_down_button = nullptr;
  std::array<widget*, 2> upgrade_buttons{};
  widget* selected_name = nullptr;
  widget* troop_cost = nullptr;
  widget* upgrade_line = nullptr;
  widget* notification = nullptr;
  widget* gold_text = nullptr;
  widget* weekly_cost_text = nullptr;
  widget* companions_text = nullptr;
  widget* prisoners_text = nullptr;
  widget* morale_text = nullptr;
  widget* picture = nullptr;
  container* info_panel = nullptr;
  scrollable_container* skills_panel = nullptr;
  // Per list (list + 2 x side): its scroll area and the entry buttons.
  std::array<scrollable_container*, 4> lists{};
  std::array<std::vector<widget*>, 4> entry_buttons;

  // Fills the lists and texts and sets the buttons from the model.
  void refresh_all();

 private:
  container* build_side_panel(int side);
  void build_skills_panel();
  void fill_list(int side, int list);
  void fill_side_texts();
  void update_morale_text();
  void refresh_buttons();
  void show_troop_picture(int troop, int list);
  void scroll(float wheel);
  void finish();
  script_trade_rules rules_;
  std::array<float, 2> list_height_{};
  std::array<float, 2> list_top_{};
};

}  // namespace hm
