#pragma once
// Four small screens on fixed coordinates: the mission window (10) before a
// mission, the debrief (11) over the screen after a battle, the party name
// box (9) and the factions report (17).
#include <cstdint>
#include <vector>

#include "ui/windows/game_window.h"

namespace hm {

// The troops of a mission about to start: per side, per group, troop ids.
using mission_troop_table = std::vector<std::vector<std::vector<std::int32_t>>>;

class mission_window final : public top_level_window {
 public:
  void build() override;
  // Sets the mission up once and goes on to the mission screen.
  void frame(float seconds) override;
  // One text line a troop (its name translated, else its own) from y 0.7 down
  // by 0.02, a further 0.005 after each group and 0.01 after each side.
  void fill_troop_lists(const mission_troop_table& troops);
  // The current mission template's description.
  void fill_description();

  widget* description_label = nullptr;
  // The sides' troops the mission set-up chose (kind 2 lists them).
  mission_troop_table troops;
  // The running serial number handed to each mission set up from here.
  std::int32_t serial = 0;
};

class debrief_window final : public stacked_window {
 public:
  void build() override;
  // Done, or Enter released, hands over to the state dispatcher.
  void frame(float seconds) override;
  widget* done_button = nullptr;
};

class party_name_window final : public stacked_window {
 public:
  void build() override;
  // Done opens the world map.
  void frame(float seconds) override;
  widget* done_button = nullptr;
};

class factions_window final : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;
  // The report: the title, then "<name>:  <relation x 100>" per faction.
  void fill_report();
  widget* done_button = nullptr;
  widget* title_button = nullptr;
};

// A faction's relation shown in the report: x 100, halves rounded up.
std::int32_t faction_report_value(float relation);

}  // namespace hm
