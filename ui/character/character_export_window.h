#pragma once
// The statistics and character file screen (window 24): ten lines of game
// statistics that the module's script writes, and the export of the player
// character to its character file and the import from it, each confirmed
// first and its outcome told in a message box.
#include <cstdint>

#include "ui/windows/game_window.h"

namespace hm {

inline constexpr int statistics_line_count = 10;

class character_export_window final : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;
  void leave() override;

  widget* done_button = nullptr;
  widget* export_button = nullptr;
  widget* import_button = nullptr;
  widget* statistics_panel = nullptr;
  // The questions' answers: -1 while none is pending, 0 yes, 1 no.
  std::int32_t export_answer = -1;
  std::int32_t import_answer = -1;

 private:
  void notice(const ruv_string& text);
  void ask(const ruv_string& text, std::int32_t* answer);
};

}  // namespace hm
