#include "render/view/message_log.h"

#include <algorithm>
#include <cmath>

#include "engine/text/font_details.h"
#include "engine/resource/material.h"
#include "engine/resource/resource_manager.h"
#include "engine/core/timer.h"
#include "render/view/text_mesh.h"

namespace hm {
namespace {

// Where a line's text starts, its glyph size and the width it wraps and
// shrinks in.
const vec3 line_start(0.02f, -0.03f, 0.0f);
const vec3 line_glyph_size(0.021f, 0.021f, 0.0f);
const vec3 line_rect_min(0.0f, 0.0f, 0.0f);
const vec3 line_rect_max(0.8f, 0.0f, 0.0f);

void trim_history(message_log& log) {
  const auto limit = static_cast<std::size_t>(message_history_limit);
  if (log.log_history.size() > limit) {
    log.log_history.erase(log.log_history.begin(),
                          log.log_history.begin() + static_cast<std::ptrdiff_t>(log.log_history.size() - limit));
  }
}

void set_material(mesh& m, resource_manager& resources, const char* name) {
  m.material_name = name;
  m.set_material(resources.get_material(ruv_string(name)));
}

// Builds one line (already short enough) into the next slot and records it.
void add_single_line(message_log& log, const ruv_string& text, const ruv_string& plain, std::uint32_t colour) {
  log.log_slot = (log.log_slot + message_log_slots - 1) % message_log_slots;
  const auto slot = static_cast<std::size_t>(log.log_slot);
  mesh& text_mesh = log.log_text_meshes[slot];
  mesh& background = log.log_background_meshes[slot];
  text_mesh.clear_geometry();
  background.clear_geometry();

  if (log.font) {
    vec3 size;
    build_text_mesh(*log.font, size, plain.view(), line_start, 0xFFFFFFFFu, line_glyph_size, text_mesh, line_rect_min,
                    line_rect_max, 0);
    background.append_mesh(text_mesh, frame::identity(), -1, 0xFFFFFFFFu);
  }
  log.log_line_color[slot] = colour;
  log.log_line_age[slot] = 0.0f;

  // The block reaches from the start line down to its lowest glyph; an empty
  // line has no height.
  float lowest = line_start.y;
  for (const mesh_point& p : text_mesh.get_points()) lowest = std::min(lowest, p.position.y);
  const float height = line_start.y - lowest;
  log.log_line_height[slot] = height;
  log.log_total_height += height;

  resource_manager& resources = log.resources ? *log.resources : g_resource_manager;
  set_material(text_mesh, resources, "ui_font");
  set_material(background, resources, "ui_font_background");
  log.log_history.push_back(text);
}

}  // namespace

message_log::message_log() { log_line_age.fill(message_unused_age); }

void add_message_line(message_log& log, const ruv_string& text, std::uint32_t colour) {
  // A long text is split at its last space before position 80: the part before
  // goes in as a line of its own, and the rest is added in the same way.
  ruv_string rest = text;
  for (;;) {
    const ruv_string plain = rest.strip_tags();
    trim_history(log);
    if (!log.log_visible) return;
    if (plain.length() > message_split_length) {
      int split = -1;
      for (int p = rest.find_char(' ', 0); p >= 0 && p < message_split_length; p = rest.find_char(' ', p + 1)) {
        split = p;
      }
      if (split > 0) {
        const ruv_string head = rest.substr(0, split);
        trim_history(log);
        add_single_line(log, head, head.strip_tags(), colour);
        rest = rest.substr(split + 1, rest.length());
        continue;
      }
    }
    add_single_line(log, rest, plain, colour);
    return;
  }
}

void add_message_line_default(message_log& log, const ruv_string& text) {
  add_message_line(log, text, message_default_colour);
}

void clear_message_log(message_log& log) {
  for (int i = 0; i < message_log_slots; ++i) {
    const auto s = static_cast<std::size_t>(i);
    for (mesh* m : {&log.log_text_meshes[s], &log.log_background_meshes[s]}) {
      m->clear_geometry();
      m->set_material(nullptr);
    }
    log.log_line_age[s] = message_unused_age;
    log.log_line_height[s] = 0.0f;
  }
  log.log_total_height = 0.0f;
}

void age_message_log(message_log& log, float seconds) {
  for (float& age : log.log_line_age) {
    if (age < message_unused_age) age = std::min(age + seconds, message_unused_age);
  }
}

void message_log_frame(message_log& log) { age_message_log(log, clock_increment_seconds(clock_real_time)); }

float message_line_fade(float age) {
  if (age <= message_show_seconds) return 1.0f;
  const float left = (message_show_seconds + message_fade_seconds - age) / message_fade_seconds;
  return left > 0.0f ? left : 0.0f;
}

std::vector<message_log_line> message_log_lines(const message_log& log, float max_height) {
  std::vector<message_log_line> lines;
  if (!log.log_visible) return lines;
  float offset = 0.0f;
  float used = 0.0f;
  for (int k = 0; k < message_log_slots; ++k) {
    const int slot = (log.log_slot + k) % message_log_slots;
    const auto s = static_cast<std::size_t>(slot);
    const float fade = message_line_fade(log.log_line_age[s]);
    // Older slots are older still: the first faded line ends the column.
    if (fade <= 0.0f) break;
    const float height = log.log_line_height[s];
    if (k > 0) {
      if (used + height > max_height) break;
      offset += height;
    }
    used += height;
    const std::uint32_t colour = log.log_line_color[s];
    const auto alpha = static_cast<std::uint32_t>(std::lround(static_cast<float>(colour >> 24) * fade));
    lines.push_back({slot, offset, (colour & 0x00FFFFFFu) | (alpha << 24)});
  }
  return lines;
}

}  // namespace hm
