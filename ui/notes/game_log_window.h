#pragma once
// The game log (window 25): one long scrolling text, either the recent
// messages of the on-screen log or the game's message history, whose links
// open the note window; a row of tabs switches between the two texts or
// opens the note window on one of its kinds.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/ruv_string.h"
#include "ui/windows/game_window.h"

namespace hm {

class rich_text_widget;
class scrollable_container;
class widget;
class container;

// The last this many entries of the history are shown.
inline constexpr int game_log_shown_entries = 100;

// The history text ("date|colour|text" entries joined by '|') as shown: per
// entry its date, a tab and its text, one line each, only the last 100 whole
// entries; an incomplete entry at the end is left out.
std::string game_log_text(std::string_view history);
// Every line of the history, one a line.
std::string recent_messages_text(const std::vector<ruv_string>& history);

// The seven tabs the game log and the note window share, in their order.
enum class note_tab : int { game_log, recent_messages, quests, troops, locations, factions, back };
inline constexpr int note_tab_count = 7;
// Makes the tabs from the "note_button_*" layout values into the container.
std::array<widget*, note_tab_count> make_note_tabs(container& root);

class game_log_window final : public top_level_window {
 public:
  // Shows the history with mode 1, the recent messages otherwise.
  void build() override;
  void frame(float seconds) override;
  void build_text(bool show_log);

  rich_text_widget* text = nullptr;
  scrollable_container* area = nullptr;
  std::array<widget*, note_tab_count> tabs{};
};

}  // namespace hm
