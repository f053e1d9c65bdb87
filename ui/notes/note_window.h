#pragma once
// The note window (window 26): the notes module code writes about troops,
// factions, parties and quests, one page at a time. A page shows the
// record's notes and picture, the list of every record of its kind that has
// notes and the pages that link to it; links lead to other pages, back and
// forward walk the pages visited, the tabs switch kinds or open the game log.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "ui/notes/game_log_window.h"
#include "ui/windows/game_window.h"

namespace hm {

class note_book;
class rich_text_widget;
class scrollable_container;
class widget;

// A page: kind (0 none, 1 troop, 2 faction, 3 party, 4 quest) and id.
struct note_page {
  std::int32_t kind = 0;
  std::int32_t id = -1;
  friend bool operator==(const note_page&, const note_page&) = default;
};

class note_window final : public top_level_window {
 public:
  note_window();
  ~note_window() override;

  // Empties both histories and shows the page the game's note request names.
  void build() override;
  void frame(float seconds) override;
  // Builds the whole screen for one page. An id that names no record of the
  // kind (or no active party) shows the kind's first page with notes.
  void show_page(std::int32_t kind, std::int32_t id);
  // Following a link: the forward history is emptied and the current page
  // goes on the back history (unless the link names it).
  void follow_link(std::int32_t kind, std::int32_t id);
  void go_back();
  void go_forward();

  // Where the pages' texts come from (the running game unless a caller gives
  // another).
  std::unique_ptr<note_book> book;

  note_page current;
  std::vector<note_page> back_history;
  std::vector<note_page> forward_history;
  // The keys list's scroll to restore after the next page build (-1: none).
  float saved_scroll = -1.0f;

  // What the last page build showed.
  std::string data_text;
  std::string keys_text;
  ruv_string title_text;

  widget* picture = nullptr;
  rich_text_widget* keys = nullptr;
  rich_text_widget* data = nullptr;
  widget* title = nullptr;
  widget* back_button = nullptr;
  widget* forward_button = nullptr;
  widget* map_button = nullptr;
  scrollable_container* keys_box = nullptr;
  scrollable_container* data_box = nullptr;
  std::array<widget*, note_tab_count> tabs{};

 private:
  float keys_scroll() const;
  void clear_widgets();
};

}  // namespace hm
