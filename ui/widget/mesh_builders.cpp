#include "ui/widget/mesh_builders.h"

#include <algorithm>
#include <cmath>

#include "engine/core/log.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "module/media/tableau_material.h"
#include "module/records/module_mesh.h"
#include "render/view/mesh_building.h"
#include "ui/manager/ui_manager.h"

namespace hm {

namespace {

constexpr float degrees_to_radians = 0.017453292f;

}  // namespace

std::unique_ptr<mesh> instantiate_module_mesh(const module_mesh_table& table, int index) {
  if (index < 0 || index >= table.count()) return nullptr;
  const module_mesh& record = table.meshes[static_cast<std::size_t>(index)];
  resource_manager& r = g_ui_manager.resources ? *g_ui_manager.resources : g_resource_manager;
  mesh* source = r.find_mesh(record.mesh_name);
  if (!source) {
    log_line("WARNING: Unable to find mesh " + std::string(record.mesh_name.view()) + "\n");
    return nullptr;
  }
  std::unique_ptr<mesh> copy = source->create_copy();
  if (record.flags & 1) copy->render_order += module_mesh_order_raise;
  const vec3& a = record.rotation;
  frame f = frame::identity();
  f.rotate_x(a.x * degrees_to_radians);
  f.rotate_y(a.y * degrees_to_radians);
  f.rotate_z(a.z * degrees_to_radians);
  const vec3& s = record.scale;
  if (!(s.x == 1.0f && s.y == 1.0f && s.z == 1.0f)) copy->scale(s.x, s.y, s.z);
  // An unturned record keeps sharing its source's geometry.
  if (a.x != 0.0f || a.y != 0.0f || a.z != 0.0f) copy->apply_frame(f);
  const vec3& t = record.translation;
  if (t.x != 0.0f || t.y != 0.0f || t.z != 0.0f) copy->translate(t);
  return copy;
}

std::unique_ptr<mesh> make_tableau_quad_mesh(const tableau_material& record, material* instance) {
  auto m = std::make_unique<mesh>();
  const float uv0[2] = {0.0f, 0.0f};
  const float uv1[2] = {1.0f, 1.0f};
  add_rect_quad(*m, vec3(record.values[0], record.values[1], 0.0f), record.values[2], record.values[3], 0xFFFFFFFFu,
                uv0, uv1);
  if (instance) m->set_material(instance);
  return m;
}

void set_vertex_alpha(mesh& m, float alpha) {
  m.make_geometry_own();
  const float a = std::clamp(alpha, 0.0f, 1.0f);
  auto pack = [](float channel) {
    return static_cast<std::uint32_t>(std::min(255.0f, std::max(0.0f, channel * 256.0f)));
  };
  for (mesh_vertex& v : m.vertices) {
    const float r = static_cast<float>((v.color >> 16) & 0xFFu) / 255.0f;
    const float g = static_cast<float>((v.color >> 8) & 0xFFu) / 255.0f;
    const float b = static_cast<float>(v.color & 0xFFu) / 255.0f;
    v.color = (pack(a) << 24) | (pack(r) << 16) | (pack(g) << 8) | pack(b);
    v.current_color = v.color;
  }
  m.mark_vertices_changed();
}

void mesh_view_widget::get_mouse_ray(vec3& near_point, vec3& far_point) const {
  const ui_vec2 m = g_ui_manager.mouse_position;
  const camera& c = view_camera;
  const float u = size.x != 0.0f ? (m.x - absolute_position.x) / size.x : 0.0f;
  const float v = size.y != 0.0f ? (m.y - absolute_position.y) / size.y : 0.0f;
  const float x = c.view_left + u * (c.view_right - c.view_left);
  const float y = c.view_bottom + v * (c.view_top - c.view_bottom);
  const frame& f = c.frame;
  // The camera looks down its -u axis.
  const vec3 side = f.rot.s;
  const vec3 up = f.rot.f;
  const vec3 forward = f.rot.u;
  near_point = f.origin + side * x + up * y - forward * c.near;
  if (c.perspective && c.near != 0.0f) {
    const float k = c.far / c.near;
    far_point = f.origin + side * (x * k) + up * (y * k) - forward * c.far;
  } else {
    far_point = near_point - forward * (c.far - c.near);
  }
}

}  // namespace hm
