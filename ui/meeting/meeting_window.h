#pragma once
// The meeting window (6): the engine's own screen for an encounter that no
// module menu takes over. It lists the parties on both sides with their
// troops and offers up to sixteen choices; a choice either releases the
// encounter's party at once or draws a weighted outcome, and asks the state
// dispatcher for what follows (a battle, or the outcome's debrief).
#include <array>
#include <cstdint>
#include <functional>

#include "ui/windows/game_window.h"

namespace hm {

class container;
struct meta_mission_words;

inline constexpr int meeting_choice_slots = 16;

// One choice: its kind (0..6 release at once, 7 and up draw an outcome) and a
// value the encounter set-up gives it.
struct meeting_item {
  std::int32_t kind = 0;
  std::int32_t value = 0;
};

// The weight of an outcome entry's flag word: the base (low 7 bits), scaled
// by the advantage for bits 0x100 (advantage + 32) and 0x200 (6 - advantage).
std::int32_t meeting_entry_weight(const meta_mission_words& m, std::uint32_t flags);

// Applies the chosen pair to the meta mission: kinds 0..6 release their
// record's party; kinds 7 and up draw an entry with r (0..99): an entry drawn
// releases its party and asks for the debrief (0x10), none asks for a battle
// of the mission type (0x4). `release` frees an encounter party of the game.
// A kind outside the outcome table chooses nothing.
void meeting_window_choose(meta_mission_words& m, const meeting_item& chosen, int r,
                           const std::function<void(std::int32_t party)>& release);

// The line of a troop stack in a party panel: the troop's name and, for a
// regular troop, " (fit/count)", for a hero its health " N%".
ruv_string meeting_stack_line(std::int32_t troop, std::int32_t count, std::int32_t wounded);

class meeting_window final : public forgetful_window {
 public:
  void build() override;
  void frame(float seconds) override;
  // Panel 0 the player's party, 1 and 2 the encounter's two parties (the
  // player's side's first when a side is chosen).
  void fill_party_panel(int n);

  // What the encounter set-up offers: the buttons' texts and their pairs. A
  // choice past the sixteenth is refused (false).
  bool add_choice(const ruv_string& text, meeting_item item);
  void clear_choices();

  std::array<widget*, meeting_choice_slots> choice_buttons{};
  std::array<container*, 3> party_panels{};
  std::array<meeting_item, meeting_choice_slots> meeting_items{};
  std::array<ruv_string, meeting_choice_slots> choice_texts;
  std::int32_t meeting_item_count = 0;
  // Frees an encounter party (the game's pending encounter ids); the program
  // puts its own in.
  std::function<void(std::int32_t party)> release_encounter_party;
  // The draw of the weighted outcomes, 0..99.
  std::function<int()> draw_percent;
  // Called by the build when no choice is offered, so the encounter set-up
  // can fill them (the program's stand-in until the world map's set-up).
  std::function<void(meeting_window&)> fill_choices;
};

}  // namespace hm
