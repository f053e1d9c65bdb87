#include "render/ui_mesh_drawer.h"

#include <cmath>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/device/texture_device.h"
#include "engine/resource/texture_record.h"
#include "render/message_log.h"

namespace hm {

namespace gpu = platform::gpu;

namespace {

using gpu::state_value;

// Channel by channel product of two 0xAARRGGBB colours.
std::uint32_t modulate(std::uint32_t a, std::uint32_t b) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t ca = (a >> shift) & 0xFFu, cb = (b >> shift) & 0xFFu;
    out |= ((ca * cb + 127u) / 255u) << shift;
  }
  return out;
}

}  // namespace

ui_mesh_drawer::~ui_mesh_drawer() { release_device_objects(); }

void ui_mesh_drawer::set_device(gpu::device* device) {
  if (device == device_) return;
  release_device_objects();
  device_ = device;
}

void ui_mesh_drawer::release_device_objects() {
  if (drawing_) end();
  layout_.reset();
}

const float* ui_mesh_drawer::ui_projection() {
  // x 0..1 and y 0..0.75 onto clip space -1..1, y up.
  static constexpr float projection[16] = {2.0f / ui_width, 0, 0, 0,  //
                                           0, 2.0f / ui_height, 0, 0,  //
                                           0, 0, 1, 0,                 //
                                           -1, -1, 0, 1};
  return projection;
}

gpu::texture* ui_mesh_drawer::mesh_texture(const mesh& m) {
  if (!m.mat || !m.mat->textures[0]) return nullptr;
  return texture_frame(*m.mat->textures[0], 0);
}

bool ui_mesh_drawer::begin() {
  if (!device_) return false;
  gpu::device& d = *device_;
  if (!layout_) {
    const std::vector<gpu::vertex_element> elements = {
        {0, 0, gpu::vertex_element_type::float3, gpu::vertex_usage::position, 0},
        {0, 12, gpu::vertex_element_type::color, gpu::vertex_usage::color, 0},
        {0, 16, gpu::vertex_element_type::float2, gpu::vertex_usage::texcoord, 0},
    };
    if (d.create_vertex_layout(elements, layout_) != gpu::result::ok) return false;
  }
  using rs = gpu::render_state;
  d.set_render_state(rs::z_enable, 0);
  d.set_render_state(rs::z_write_enable, 0);
  d.set_render_state(rs::alpha_blend_enable, 1);
  d.set_render_state(rs::src_blend, state_value(gpu::blend::src_alpha));
  d.set_render_state(rs::dest_blend, state_value(gpu::blend::inv_src_alpha));
  d.set_render_state(rs::alpha_test_enable, 0);
  d.set_render_state(rs::cull_mode, state_value(gpu::cull::none));
  d.set_render_state(rs::fog_enable, 0);
  d.set_render_state(rs::lighting, 0);
  gpu::set_texture_times_diffuse_stages(d);
  d.set_sampler_state(0, gpu::sampler_state::address_u, state_value(gpu::texture_address::clamp));
  d.set_sampler_state(0, gpu::sampler_state::address_v, state_value(gpu::texture_address::clamp));
  d.set_sampler_state(0, gpu::sampler_state::mag_filter, state_value(gpu::texture_filter::linear));
  d.set_sampler_state(0, gpu::sampler_state::min_filter, state_value(gpu::texture_filter::linear));
  static constexpr float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  d.set_transform(gpu::transform_kind::view, identity);
  d.set_transform(gpu::transform_kind::projection, ui_projection());
  d.set_pixel_program(nullptr);
  d.set_vertex_layout(layout_.get());
  drawing_ = true;
  return true;
}

bool ui_mesh_drawer::draw(const mesh& m, std::uint32_t colour, const vec3& offset) {
  if (!device_ || !drawing_) return false;
  gpu::texture* t = mesh_texture(m);
  const auto& faces = m.get_faces();
  if (!t || faces.empty()) return false;
  const auto& points = m.get_points();
  const auto& verts = m.get_vertices();
  vertices_.clear();
  vertices_.reserve(faces.size() * 3);
  for (const mesh_face& f : faces) {
    for (std::int32_t index : f.vertex) {
      if (index < 0 || static_cast<std::size_t>(index) >= verts.size()) return false;
      const mesh_vertex& v = verts[static_cast<std::size_t>(index)];
      if (v.point < 0 || static_cast<std::size_t>(v.point) >= points.size()) return false;
      const vec3& p = points[static_cast<std::size_t>(v.point)].position;
      // Text meshes give v up the texture; the device's rows run from the top.
      vertices_.push_back({p.x, p.y, p.z, modulate(v.color, colour), v.uv[0], 1.0f - v.uv[1]});
    }
  }
  gpu::device& d = *device_;
  d.set_sampler_state(0, gpu::sampler_state::mip_filter,
                      state_value(t->level_count() > 1 ? gpu::texture_filter::linear : gpu::texture_filter::none));
  d.set_texture(0, t);
  const float world[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, offset.x, offset.y, offset.z, 1};
  d.set_transform(gpu::transform_kind::world, world);
  return d.draw_primitive_up(gpu::primitive_type::triangle_list, static_cast<std::uint32_t>(faces.size()),
                             vertices_.data(), sizeof(vertex)) == gpu::result::ok;
}

void ui_mesh_drawer::end() {
  if (!device_ || !drawing_) return;
  drawing_ = false;
  device_->set_texture(0, nullptr);
  device_->set_vertex_layout(nullptr);
}

int draw_message_log(ui_mesh_drawer& drawer, const message_log& log, const message_log_placement& placement) {
  int drawn = 0;
  for (const message_log_line& line : message_log_lines(log, placement.max_height)) {
    const auto slot = static_cast<std::size_t>(line.slot);
    const vec3 at(placement.anchor.x, placement.anchor.y + line.offset_y, placement.anchor.z);
    const auto alpha = static_cast<std::uint32_t>(
        std::lround(static_cast<float>(line.colour >> 24) * placement.shadow_strength));
    const vec3 shadow_at(at.x + placement.shadow_offset.x, at.y + placement.shadow_offset.y, at.z);
    if (drawer.draw(log.log_background_meshes[slot], alpha << 24, shadow_at)) ++drawn;
    if (drawer.draw(log.log_text_meshes[slot], line.colour, at)) ++drawn;
  }
  return drawn;
}

}  // namespace hm
