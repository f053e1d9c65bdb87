#pragma once
// The scene editor's words: what the edit mode is doing (its sub-mode, the
// add-object mode and what to add), the brushes' settings, the selection and
// whether anything changed since the edit mode was entered.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

// The sub-modes, chosen by the dialog's mode buttons.
namespace edit_sub_mode {
inline constexpr std::uint32_t objects = 0;
inline constexpr std::uint32_t ground_texture = 1;
inline constexpr std::uint32_t ground_elevate = 2;
inline constexpr std::uint32_t ground_colour = 3;
inline constexpr std::uint32_t ai_mesh = 4;
}  // namespace edit_sub_mode

// What the elevate brush does.
namespace elevate_action {
inline constexpr std::uint32_t up = 0;
inline constexpr std::uint32_t down = 1;
inline constexpr std::uint32_t smooth = 2;
}  // namespace elevate_action

// The classes offered by the add-object list (the instance kinds they make).
namespace object_class {
inline constexpr std::int32_t scene_prop = 0;
inline constexpr std::int32_t entry_point = 1;
inline constexpr std::int32_t item = 2;
inline constexpr std::int32_t plant = 4;
inline constexpr std::int32_t passage = 5;
}  // namespace object_class

// The answer of the save question: none yet, keep, discard.
inline constexpr std::int32_t save_answer_pending = -1;
inline constexpr std::int32_t save_answer_yes = 0;
inline constexpr std::int32_t save_answer_no = 1;

// The three brushes (texture, elevate, colour) keep their own settings.
inline constexpr int brush_count = 3;

struct edit_mode_state {
  std::uint32_t edit_mode_active = 0;
  std::uint32_t edit_sub_mode = edit_sub_mode::objects;
  std::uint32_t add_object_mode = 0;
  vec3 add_object_scale{1.0f, 1.0f, 1.0f};
  float add_object_height = 0.0f;
  std::int32_t object_class = -1;
  std::int32_t object_kind = -1;
  std::int32_t preview_class = -1;
  std::int32_t preview_kind = -1;
  std::uint8_t place_at_stored_frame = 0;
  std::uint32_t randomize_rotation = 0;
  std::uint32_t randomize_scale = 0;
  std::array<float, brush_count> brush_radius{2.0f, 2.0f, 2.0f};
  std::array<float, brush_count> brush_weight{1.0f, 1.0f, 1.0f};
  std::array<float, brush_count> brush_hardness{1.0f, 1.0f, 1.0f};
  vec3 brush_colour{1.0f, 1.0f, 1.0f};
  std::uint32_t elevate_action = elevate_action::up;
  std::uint32_t edit_dialog_shown = 0;
  // Upright, 1.0 in front of the edit camera; rewritten every Edit Objects
  // frame.
  frame stored_frame = frame::identity();
  std::int32_t selected_instance = -1;
  // Every selected instance; the primary is in it too, and none twice.
  std::vector<std::uint32_t> selection;
  std::uint32_t scene_list_dirty = 0;
  std::uint32_t scene_changed = 0;
  std::uint32_t ai_mesh_element_mode = 0;
  std::uint32_t hide_overlays = 0;
  // The mission's current paint layer (the texture brush paints it).
  std::int32_t paint_layer = 0;

  // The brush of the current sub-mode: 0 texture, 2 colour, 1 otherwise.
  int brush_index() const {
    if (edit_sub_mode == edit_sub_mode::ground_texture) return 0;
    if (edit_sub_mode == edit_sub_mode::ground_colour) return 2;
    return 1;
  }
};

}  // namespace hm
