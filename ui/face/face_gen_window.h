#pragma once
// The face generator (window 29): the player shapes the face of one troop (in
// a new game, the player's own) on a turning 3D preview, with a slider per
// morph key of the troop's skin, arrows for face texture, beard and hair,
// sliders for age and hair colour, and Randomise, Reset and Done. Done writes
// the face code into the troop's first face keys. With the engine setting
// "enable_edit_mode", Ctrl+E shows the face code, a click on it copies it to
// the clipboard and Ctrl+V takes a code from the clipboard.
//
// The window's state word drives a new game's creation: 0 (set by the new
// game) shows the tutorial notice on the first frame and becomes 1; Done in
// state 1 becomes -1 and opens the game menu's menu 1, which returns to the
// world map. Any other state is ordinary editing, and Done goes back to the
// return window.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "module/media/skin.h"
#include "ui/face/face_gen_rules.h"
#include "ui/preview/scene_preview.h"
#include "ui/windows/game_window.h"

namespace hm {

class container;
class entity;
class mesh_view_widget;
class scrollable_container;
class slider;

// Numbers of the new game's creation in the window's state word.
namespace face_gen_state {
inline constexpr std::int32_t creation_pending = 0;
inline constexpr std::int32_t creation_running = 1;
inline constexpr std::int32_t creation_done = -1;
}  // namespace face_gen_state

class face_gen_window final : public top_level_window {
 public:
  face_gen_window();
  ~face_gen_window() override;

  void build() override;
  void frame(float seconds) override;
  void leave() override;
  void queue_scene(std::uint32_t width, std::uint32_t height) override;

  // The opener's part: the troop whose face is edited (-1 none) and where
  // Done goes outside the new game's creation.
  void set_target(std::int32_t troop_id, std::int32_t return_id);

  // Copies the controls into the face, rebuilds the preview's meshes,
  // encodes the code and shows its text.
  void face_code_text();
  // The Done button's work (also what a test presses).
  void finish();

  std::int32_t troop = -1;
  // The skin the face is built on (0 .. skin count - 1).
  std::int32_t skin_index = 0;
  // False when the module has no skins: nothing can be edited, Done still works.
  bool editable = false;
  // The code text shows (Ctrl+E with "enable_edit_mode"); the face
  // generator's own flag, not the scene editor's.
  bool code_shown = false;

  face_selection selection;
  float keys[face_morph_slots] = {};
  float age = 0.5f;
  float hair_colour = 0.5f;
  face_code code{};
  std::string code_digits;

  float yaw = -0.3f;
  float pitch = -0.05f;
  float distance = 0.7f;
  bool dragging = false;

  // Widgets (owned by the UI manager while the window is built).
  container* deform_panel = nullptr;
  container* button_panel = nullptr;
  scrollable_container* deform_container = nullptr;
  widget* code_text = nullptr;
  std::vector<slider*> key_sliders;
  std::vector<widget*> key_labels;
  widget* next_beard = nullptr;
  widget* next_hair = nullptr;
  widget* next_face = nullptr;
  widget* previous_beard_button = nullptr;
  widget* previous_hair_button = nullptr;
  widget* previous_face_button = nullptr;
  widget* beard_label = nullptr;
  widget* hair_label = nullptr;
  widget* face_label = nullptr;
  slider* age_slider = nullptr;
  slider* hair_colour_slider = nullptr;
  widget* done = nullptr;
  widget* reset = nullptr;
  widget* randomise = nullptr;
  mesh_view_widget* face_view = nullptr;

  scene_preview preview;
  entity* face_entity = nullptr;

 private:
  void forget_widgets();
  void build_preview();
  void set_sliders_from_keys();
  // The face state on the current skin from the controls' values.
  face_state current_face() const;
  void handle_code_keys();
  void turn_preview(float seconds);
};

// Opens the face generator on a troop's face (the character window's
// picture and its new character's Done): Done goes to return_id outside a new
// game's creation. False when the window table has no face generator.
bool open_face_generator(std::int32_t troop_id, std::int32_t return_id);

}  // namespace hm
