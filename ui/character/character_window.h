#pragma once
// The character screen (window 15): a troop's attributes, skills and weapon
// proficiencies with the buttons that spend its points on them, its level,
// experience and health, the player character's name, and in a new game the
// making of the player character (the saving policy asked first, a word on
// what to do, Done once every point is spent and a name given, then the face).
// Every raise is written to the troop at once; reset puts back what the
// screen found when it was built.
#include <array>
#include <cstdint>
#include <vector>

#include "ui/character/character_sheet.h"
#include "ui/windows/game_window.h"

namespace hm {

class container;
class scrollable_container;

// The states of the making of a new character.
namespace creation_state {
inline constexpr std::int32_t none = -1;
inline constexpr std::int32_t saving_policy = 0;
inline constexpr std::int32_t making = 1;
}  // namespace creation_state

// What the description box explains.
namespace character_selection {
inline constexpr std::int32_t attribute = 0;
inline constexpr std::int32_t skill = 1;
inline constexpr std::int32_t proficiency = 2;
inline constexpr std::int32_t picture = 3;
}  // namespace character_selection

// The UI text key of a proficiency's name.
const char* proficiency_name_key(int i);

class character_window final : public editor_window {
 public:
  void build() override;
  void frame(float seconds) override;
  void leave() override;

  // The troop shown; kept across a build only with keep_troop set, else the
  // player's troop.
  std::int32_t troop_id = 0;
  std::int32_t keep_troop = 0;
  std::int32_t creation = creation_state::none;
  bool changed = false;
  bool editable = false;
  bool face_clickable = false;
  std::int32_t selected = -1;
  std::int32_t selected_kind = character_selection::attribute;
  std::vector<int> visible_skills;
  character_snapshot snapshot;
  // Whether the name box shows the placeholder instead of a name.
  bool name_placeholder = false;

  widget* reset_button = nullptr;
  widget* done_button = nullptr;
  widget* statistics_button = nullptr;
  widget* next_button = nullptr;
  widget* previous_button = nullptr;
  scrollable_container* skill_panel = nullptr;
  std::vector<widget*> skill_labels;
  std::vector<widget*> skill_levels;
  std::vector<widget*> skill_buttons;
  std::array<widget*, troop_proficiency_count> proficiency_labels{};
  std::array<widget*, troop_proficiency_count> proficiency_buttons{};
  std::array<widget*, troop_attribute_count> attribute_labels{};
  std::array<widget*, troop_attribute_count> attribute_buttons{};
  container* attributes_box = nullptr;
  container* general_box = nullptr;
  widget* name_box = nullptr;
  container* description_box = nullptr;
  widget* explanation = nullptr;
  widget* picture = nullptr;

  // The troop shown (null without a game or outside the table).
  troop* shown_troop() const;
  bool is_player_troop() const;

  // Redraws one area each.
  void refresh_skill_rows();
  void refresh_proficiencies();
  void refresh_general_info();
  void refresh_description();

 private:
  void build_figure();
  void reset_changes();
  int weapon_master_level() const;
  bool proficiency_shown(int i) const;
};

}  // namespace hm
