#pragma once
// The geometry of the conversation window's answers and its speaking camera,
// kept apart from the widgets so both can be worked out by hand: each
// answer's button from the module's "conv_*" layout variables and the
// answer's text (long texts wrap when their dialog line asks for it), and
// the camera that eases from one speaker's face to the next.
#include <cstdint>
#include <string_view>

#include "engine/core/math.h"
#include "ui/widget/widget.h"

namespace hm {

// The layout variables the answers use (each 0 when the module lacks it).
struct conversation_layout_values {
  float sentence_x = 0.0f;             // "conv_sentence_x"
  float sentence_text_x = 0.0f;        // "conv_sentence_text_x"
  float sentence_size_y = 0.0f;        // "conv_sentence_size_y"
  float sentence_width_ratio = 0.0f;   // "conv_sentence_width_ratio"
  float sentence_y_a = 0.0f;           // "conv_sentence_y_a"
  float choices_min_y = 0.0f;          // "conv_choices_min_y"
  float sentence_button_height = 0.0f; // "conv_sentence_button_height"
};

// Reads them from the module's layout variables.
conversation_layout_values read_conversation_layout();

// The bit of an answer's dialog-line word that lets a long text wrap.
inline constexpr std::uint32_t dialog_line_wraps = 0x80000;

struct answer_layout {
  bool wraps = false;
  std::uint32_t text_flags = 0;
  float height = 0.0f;
  ui_vec2 size;
  ui_vec2 position;
  ui_vec2 text_position;
  ui_vec2 text_size;
  ui_vec2 text_offset;
  // The vertical scale of the button meshes (height over the one-line size).
  float mesh_scale_y = 1.0f;
};

// The number of UTF-8 code points of a text.
int utf8_code_points(std::string_view text);

// Lays out the next answer below those before it: `running_y` is the list's
// height so far and grows by one step.
answer_layout lay_out_answer(const conversation_layout_values& v, std::string_view text, std::uint32_t line_word,
                             float& running_y);

// The list's height: the answers' height, never below the minimum.
float conversation_list_height(const conversation_layout_values& v, float running_y);

// Where the relation pointer stands on the bar for a relation value; false
// (bar and pointer hidden) outside -101..101.
bool relation_pointer_x(std::int32_t value, float& x);

// The eased speaking camera: the kept position and axes move towards each
// new target; a jump makes the ease start over.
struct conversation_camera_ease {
  vec3 position;
  rotation axes = rotation::identity();
  float t = 0.0f;
  bool started = false;
};

// The camera frame looking from `eye` along `forward` with the world's up
// (0, 0, 1); the rotation is the engine camera's (side, up, towards the
// viewer).
frame conversation_look_frame(const vec3& eye, const vec3& forward);

// One step of the ease towards the target frame, for a frame time of dt;
// returns the frame to show.
frame ease_conversation_camera(conversation_camera_ease& ease, const frame& target, float dt);

}  // namespace hm
