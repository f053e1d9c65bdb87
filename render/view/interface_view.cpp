#include "render/view/interface_view.h"

#include <algorithm>
#include <cmath>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "render/entity/camera.h"
#include "render/view/message_log.h"
#include "render/view/text_mesh.h"

namespace hm {

void set_up_interface_view(render_view& view, std::uint32_t width, std::uint32_t height) {
  view.viewport = {0, 0, width, height, 0.0f, 1.0f};
  camera& c = view.camera;
  c.perspective = 0;
  // A window the interface's size centred on the eye, which stands with
  // unturned axes over the middle of the interface's space.
  c.frame = frame::identity();
  c.frame.origin = vec3(interface_width * 0.5f, interface_height * 0.5f, 0.0f);
  c.view_left = -interface_width * 0.5f;
  c.view_right = interface_width * 0.5f;
  c.view_bottom = -interface_height * 0.5f;
  c.view_top = interface_height * 0.5f;
  // Whoever draws into the view widens the depth range to what it stacks.
  c.near = -10.0f;
  c.far = 10.0f;
  c.update_frustum_planes();
  view.flags = view_flag_no_sort | view_flag_clear_depth | view_flag_queue_last;
  view.lights_enabled = 0;
  view.scene_colour = {1.0f, 1.0f, 1.0f, 1.0f};
}

int queue_message_log(render_view& view, message_log& log, const message_log_placement& placement) {
  int queued = 0;
  auto place = [&](mesh& m, const vec3& at, std::uint32_t colour) {
    if (m.get_faces().empty() || !m.mat) return;
    m.color = colour;
    frame parent = frame::identity();
    parent.origin = at;
    m.render(view, parent);
    ++queued;
  };
  for (const message_log_line& line : message_log_lines(log, placement.max_height)) {
    const auto slot = static_cast<std::size_t>(line.slot);
    const vec3 at(placement.anchor.x, placement.anchor.y + line.offset_y, placement.anchor.z);
    const auto alpha = static_cast<std::uint32_t>(
        std::lround(static_cast<float>(line.colour >> 24) * placement.shadow_strength));
    const vec3 shadow_at(at.x + placement.shadow_offset.x, at.y + placement.shadow_offset.y, at.z);
    place(log.log_background_meshes[slot], shadow_at, alpha << 24);
    place(log.log_text_meshes[slot], at, line.colour);
  }
  return queued;
}

interface_texts::interface_texts() = default;
interface_texts::~interface_texts() = default;

bool interface_texts::add(render_view& view, const font_details& font, std::string_view text, float x, float y,
                          std::uint32_t colour, float line_pixels, std::uint32_t width, std::uint32_t height,
                          resource_manager* resources) {
  if (text.empty() || width == 0 || height == 0) return false;
  if (static_cast<std::size_t>(used_) == meshes_.size()) meshes_.push_back(std::make_unique<mesh>());
  mesh& m = *meshes_[static_cast<std::size_t>(used_)];
  if (!m.mat) {
    resource_manager& r = resources ? *resources : g_resource_manager;
    m.material_name = "ui_font";
    m.set_material(r.get_material(ruv_string("ui_font")));
  }
  // Pixels to the interface's space: x across 0..1, y up from 0 to 0.75.
  const float px = interface_width / static_cast<float>(width);
  const float py = interface_height / static_cast<float>(height);
  const vec3 glyph(line_pixels * px, line_pixels * py, 0.0f);
  // Glyphs hang below the pen (their tops sit yadjust below it), so the pen
  // starts at the first line's top.
  const vec3 start(x * px, interface_height - y * py, 0.0f);
  vec3 size;
  build_text_mesh_fresh(font, size, text, start, 0xFFFFFFFFu, glyph, m, vec3(start.x, 0.0f, 0.0f),
                        vec3(interface_width, 0.0f, 0.0f), text_flag_no_shrink);
  if (m.get_faces().empty() || !m.mat) return false;
  m.color = colour;
  m.render(view, frame::identity());
  ++used_;
  return true;
}

void interface_texts::clear() {
  for (std::unique_ptr<mesh>& m : meshes_) {
    m->clear_geometry();
    m->set_material(nullptr);
  }
  used_ = 0;
}

namespace {

std::uint32_t to_pixels(float fraction, std::uint32_t size) {
  const float p = std::clamp(fraction, 0.0f, 1.0f) * static_cast<float>(size);
  return static_cast<std::uint32_t>(std::lround(p));
}

}  // namespace

view_rectangle interface_area_pixels(float x, float y, float width, float height, std::uint32_t buffer_width,
                                     std::uint32_t buffer_height) {
  // Interface y grows upwards from the bottom; pixel rows grow downwards.
  const std::uint32_t left = to_pixels(x / interface_width, buffer_width);
  const std::uint32_t right = to_pixels((x + width) / interface_width, buffer_width);
  const std::uint32_t top = to_pixels(1.0f - (y + height) / interface_height, buffer_height);
  const std::uint32_t bottom = to_pixels(1.0f - y / interface_height, buffer_height);
  view_rectangle r;
  r.x = left;
  r.y = top;
  r.width = right > left ? right - left : 0;
  r.height = bottom > top ? bottom - top : 0;
  return r;
}

void fit_view_window(camera& eye, const view_rectangle& area) {
  if (area.width == 0 || area.height == 0) return;
  const float half_width = 0.5f * (eye.view_right - eye.view_left);
  const float half_height = half_width * static_cast<float>(area.height) / static_cast<float>(area.width);
  const float middle = 0.5f * (eye.view_top + eye.view_bottom);
  eye.view_top = middle + half_height;
  eye.view_bottom = middle - half_height;
  eye.update_frustum_planes();
}

}  // namespace hm
