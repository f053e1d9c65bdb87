#include "render/interface_view.h"

#include <cmath>

#include "engine/resource/mesh.h"
#include "render/message_log.h"

namespace hm {

void set_up_interface_view(render_view& view, std::uint32_t width, std::uint32_t height) {
  view.viewport = {0, 0, width, height, 0.0f, 1.0f};
  camera& c = view.camera;
  c.perspective = 0;
  c.frame = frame::identity();
  c.view_left = 0.0f;
  c.view_right = interface_width;
  c.view_bottom = 0.0f;
  c.view_top = interface_height;
  c.near = -10.0f;
  c.far = 10.0f;
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

}  // namespace hm
