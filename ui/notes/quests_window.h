#pragma once
// The quest log (window 13): the active or the finished quests in a
// scrolling list, two buttons between the lists, done, and the chosen
// quest's name and text beside the list.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/windows/game_window.h"

namespace hm {

class scrollable_container;
class widget;

inline constexpr int max_quest_rows = 128;

namespace quest_status_bit {
inline constexpr std::uint32_t started = 0x100;
inline constexpr std::uint32_t concluded = 0x200;
}  // namespace quest_status_bit

// The quests a list mode shows, in index order: mode 0 those started and not
// concluded, mode 1 those started and concluded, any other mode none.
std::vector<std::int32_t> quests_of_mode(const std::vector<std::uint32_t>& statuses, std::int32_t mode);
// The list's height for that many rows: 0.04 a row and 0.09, at least 0.56.
float quest_list_height(int rows);
// A row's text: the name, with "(40%)" after it when the quest shows its
// progression.
std::string quest_row_text(std::string_view name, std::uint32_t flags, std::uint32_t status);

class quests_window final : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;
  // The running game's quests of the current mode.
  void collect_quests();
  // Shows the quest of a row in the two text areas.
  void select_row(int row);

  std::vector<std::int32_t> quest_ids;
  std::vector<widget*> rows;
  std::int32_t selected_row = -1;
  widget* name_area = nullptr;
  widget* text_area = nullptr;
  widget* done_button = nullptr;
  widget* active_button = nullptr;
  widget* finished_button = nullptr;
  scrollable_container* list = nullptr;
};

}  // namespace hm
