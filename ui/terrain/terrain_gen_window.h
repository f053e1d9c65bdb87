#pragma once
// The terrain generator (window 22): a developer screen that edits the
// terrain code of the game's terrain generator through seeds, check boxes,
// sliders and two lists, shows the code as text that can be copied to and
// pasted from the clipboard, and generates a preview of the terrain in a 3D
// view on the left half of the screen. Its labels are fixed English texts.
#include <array>
#include <cstdint>

#include "ui/preview/scene_preview.h"
#include "ui/terrain/terrain_fields.h"
#include "ui/windows/game_window.h"

namespace hm {

class combobox;
class container;
class mesh_view_widget;
class slider;

class terrain_gen_window final : public top_level_window {
 public:
  terrain_gen_window();
  ~terrain_gen_window() override;

  void build() override;
  void frame(float seconds) override;
  void leave() override;
  void queue_scene(std::uint32_t width, std::uint32_t height) override;

  // Rewrites the generator's code from every field, then shows its text.
  void write_code();
  // Every field from the generator's code, then every control from the fields.
  void read_code();
  // Clears the preview scene and builds the code's terrain in it.
  void generate_preview();
  // The code's text (or the pasted text) on the clipboard, and a paste.
  void copy_code();
  void paste_code();

  terrain_fields fields;
  // Whether the device draws with pixel shaders (read back as shade occluded).
  bool pixel_shaders = true;

  // Widgets (the UI manager owns them while the window is built).
  container* panel = nullptr;
  std::array<widget*, 3> seed_buttons{};
  std::array<widget*, 3> seed_boxes{};
  widget* shade_occluded_box = nullptr;
  widget* place_river_box = nullptr;
  widget* disable_grass_box = nullptr;
  widget* deep_water_box = nullptr;
  slider* size_x_slider = nullptr;
  slider* size_y_slider = nullptr;
  slider* hill_slider = nullptr;
  slider* valley_slider = nullptr;
  slider* ruggedness_slider = nullptr;
  slider* vegetation_slider = nullptr;
  combobox* region_list = nullptr;
  combobox* detail_list = nullptr;
  widget* generate = nullptr;
  widget* close = nullptr;
  widget* code_text = nullptr;
  widget* copy = nullptr;
  widget* paste = nullptr;
  mesh_view_widget* view = nullptr;

  scene_preview preview;
  bool generated = false;
  float target_x = 0.0f;
  float target_y = 0.0f;
  float yaw = 0.0f;
  float pitch = 1.0f;
  float distance = 250.0f;

 private:
  void forget_widgets();
  void update_controls();
  std::int32_t& seed(int i);
  // One control event a frame, in the screen's order; true when one was taken.
  bool handle_one_control();
  void move_camera(float seconds);
};

// Opens the terrain generator over the running game; Close goes back to
// return_id. False when the window table has no terrain generator.
bool open_terrain_generator(std::int32_t return_id);

}  // namespace hm
