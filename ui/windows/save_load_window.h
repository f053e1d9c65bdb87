#pragma once
// The save and load window (window 21): the nine save slots of the module,
// each shown from its file's header. Opened from the in-game menu it saves
// the running game into a chosen slot under a name the player types; opened
// from anywhere else (the main menu) it loads a chosen slot. A slot can be
// deleted after a question.
#include <array>
#include <cstdint>

#include "campaign/save/save_slots.h"
#include "ui/windows/game_window.h"

namespace hm {

class save_load_window final : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;

  // Marks a slot (-1: none): its button pressed, the main button enabled, the
  // delete button enabled only for a slot whose file exists.
  void select_slot(std::int32_t slot);

  std::array<widget*, save_slot_count> slot_buttons{};
  widget* main_button = nullptr;
  widget* cancel_button = nullptr;
  widget* delete_button = nullptr;
  std::int32_t selected = -1;
  bool save_mode = false;
  // The message box's answers (-1 while no question is open) and the name
  // typed for a save.
  std::int32_t delete_answer = -1;
  std::int32_t name_answer = -1;
  ruv_string entered_name;
  save_slot_entries slots;
};

// The key code of Delete.
inline constexpr int key_delete = 211;

}  // namespace hm
