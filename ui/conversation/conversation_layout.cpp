#include "ui/conversation/conversation_layout.h"

#include <algorithm>
#include <cmath>

#include "ui/layout/layout_variables.h"

namespace hm {

conversation_layout_values read_conversation_layout() {
  conversation_layout_values v;
  v.sentence_x = get_layout_variable_float("conv_sentence_x");
  v.sentence_text_x = get_layout_variable_float("conv_sentence_text_x");
  v.sentence_size_y = get_layout_variable_float("conv_sentence_size_y");
  v.sentence_width_ratio = get_layout_variable_float("conv_sentence_width_ratio");
  v.sentence_y_a = get_layout_variable_float("conv_sentence_y_a");
  v.choices_min_y = get_layout_variable_float("conv_choices_min_y");
  v.sentence_button_height = get_layout_variable_float("conv_sentence_button_height");
  return v;
}

int utf8_code_points(std::string_view text) {
  int n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0u) != 0x80u) ++n;
  return n;
}

answer_layout lay_out_answer(const conversation_layout_values& v, std::string_view text, std::uint32_t line_word,
                             float& running_y) {
  answer_layout a;
  const float s = v.sentence_size_y;
  const float t = 0.65f * s;
  const float width = static_cast<float>(utf8_code_points(text)) * t * 0.39f;
  const float limit = 23.5f * s - 0.02f;
  a.height = s;
  // A limit of 0 or less (a module without the variables) would never stop
  // taking lines off: such a text stays on one line.
  if (width > limit && (line_word & dialog_line_wraps) != 0 && limit > 0.0f) {
    a.wraps = true;
    a.text_flags = 0x100;
    float w = width;
    do {
      w -= limit;
      a.height += t;
    } while (w > limit);
    a.text_position = {0.02f, a.height - t};
  } else {
    a.text_flags = 0x10;
    a.text_position = {0.0f, 0.5f * s - 0.3f * t};
  }
  a.size = {v.sentence_width_ratio * s, a.height};
  a.text_offset = {v.sentence_text_x, 0.0f};
  a.text_size = {t, t};
  running_y += v.sentence_y_a;
  a.position = {v.sentence_x, -running_y};
  a.mesh_scale_y = s > 0.0f ? a.height / s : 1.0f;
  return a;
}

float conversation_list_height(const conversation_layout_values& v, float running_y) {
  return std::max(running_y, v.choices_min_y);
}

bool relation_pointer_x(std::int32_t value, float& x) {
  if (value < -101 || value > 101) return false;
  x = static_cast<float>(value + 100) * 0.00105f + 0.02f;
  return true;
}

frame conversation_look_frame(const vec3& eye, const vec3& forward) {
  const vec3 world_up(0.0f, 0.0f, 1.0f);
  vec3 f = get_normalized(forward);
  if (!(f.length_squared() > 0.0f)) f = vec3(0.0f, 1.0f, 0.0f);
  vec3 side = cross_product(f, world_up);
  // Looking straight up or down: any side will do.
  if (!(side.length_squared() > 1e-8f)) side = vec3(1.0f, 0.0f, 0.0f);
  side = get_normalized(side);
  const vec3 up = get_normalized(cross_product(side, f));
  frame out;
  out.rot = rotation{side, up, -f};
  out.origin = eye;
  return out;
}

frame ease_conversation_camera(conversation_camera_ease& ease, const frame& target, float dt) {
  if (!ease.started) {
    // The first frame starts at the target.
    ease.started = true;
    ease.position = target.origin;
    ease.axes = target.rot;
    ease.t = 0.0f;
  }
  const vec3 kept_forward = -ease.axes.u;
  const vec3 new_forward = -target.rot.u;
  if ((target.origin - ease.position).length() > 0.3f || (new_forward - kept_forward).length() > 0.1f)
    ease.t -= 4.0f * dt;
  const float f = std::clamp(1.0f - ease.t, 0.0f, 1.0f);
  auto mix = [f](const vec3& kept, const vec3& next) { return kept * (1.0f - f) + next * f; };
  ease.position = mix(ease.position, target.origin);
  ease.axes.s = mix(ease.axes.s, target.rot.s);
  ease.axes.f = mix(ease.axes.f, target.rot.f);
  ease.axes.u = mix(ease.axes.u, target.rot.u);
  frame out;
  out.origin = ease.position;
  out.rot = ease.axes;
  // Mixed axes are no longer a rotation: rebuilt around the forward axis.
  out.rot.s = get_normalized(out.rot.s);
  out.rot.u = get_normalized(out.rot.u);
  out.rot.f = get_normalized(cross_product(out.rot.u, out.rot.s));
  ease.t = std::clamp(ease.t + 2.0f * dt, 0.0f, 1.0f);
  return out;
}

}  // namespace hm
