#include "ui/tableau/item_preview.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/log.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "module/records/item_kind.h"

namespace hm {

namespace {

constexpr float pi = 3.14159265f;
// The role of the mesh variant made for item pictures.
constexpr int inventory_mesh_role = 1;

const mesh* find_mesh(const std::string& name) {
  return static_cast<const mesh*>(g_resource_manager.find(mesh_resource_type_id, ruv_string(name.c_str())));
}

// An item's mesh name may list several meshes, separated by blanks.
std::vector<std::string> mesh_names(const ruv_string& list) {
  std::vector<std::string> out;
  std::istringstream in(list.c_str());
  for (std::string name; in >> name;) out.push_back(name);
  return out;
}

std::unique_ptr<mesh> item_mesh_copy(const item& it) {
  if (const item_kind* k = it.get_kind()) {
    const ruv_string name = k->get_mesh_for_role(inventory_mesh_role, it.modifier());
    if (!name.empty())
      if (const mesh* found = find_mesh(name.c_str())) return found->create_copy();
  }
  const ruv_string list = it.get_mesh_name();
  const std::vector<std::string> names = mesh_names(list);
  const mesh* first = names.empty() ? nullptr : find_mesh(names[0]);
  if (!first) {
    ruv_warning("Unable to find mesh %s", list.c_str());
    return std::make_unique<mesh>();
  }
  std::unique_ptr<mesh> out = first->create_copy();
  for (std::size_t i = 1; i < names.size(); ++i)
    if (const mesh* more = find_mesh(names[i])) out->append_mesh(*more, frame::identity());
  return out;
}

// The picture's turn of each item type: x is the side axis, y the forward
// axis, z the vertical.
frame preview_turn(int type) {
  frame f = frame::identity();
  switch (type) {
    case 1: f.rotate_x(-pi / 2.0f); f.rotate_z(pi / 2.0f); break;
    case 2: case 3: case 4: f.rotate_z(-pi / 4.0f); break;
    case 5: case 6: case 10: f.rotate_z(pi / 4.0f); break;
    case 7: f.rotate_z(pi / 2.0f); break;
    case 8: f.rotate_z(3.0f * pi / 4.0f); break;
    case 9: f.rotate_y(pi / 2.0f); f.rotate_x(-2.3561945f); break;
    case 11: f.rotate_x(-1.2566371f); f.rotate_z(pi / 4.0f); break;
    case 12: f.rotate_y(-0.47123894f); f.rotate_x(0.62831855f); break;
    case 13: f.rotate_x(-pi / 2.0f); f.rotate_z(pi); break;
    case 14: f.rotate_x(-pi / 2.0f); f.rotate_z(2.6703539f); f.rotate_x(-0.31415927f); break;
    case 20: f.rotate_x(-0.62831855f); f.rotate_z(-0.47123894f); break;
    default: break;
  }
  return f;
}

std::uint32_t shade_channel(std::uint32_t colour, int shift, float k) {
  const float c = static_cast<float>((colour >> shift) & 0xFFu) * k;
  return static_cast<std::uint32_t>(std::clamp(c, 0.0f, 255.0f)) << shift;
}

std::uint32_t shade_colour(std::uint32_t colour, float k) {
  return (colour & 0xFF000000u) | shade_channel(colour, 16, k) | shade_channel(colour, 8, k) | shade_channel(colour, 0, k);
}

}  // namespace

void inflate_along_normals(mesh& m, float d) {
  m.make_geometry_own();
  const std::size_t point_count = m.points.size();
  for (const mesh_vertex& v : m.vertices) {
    if (v.point < 0 || static_cast<std::size_t>(v.point) >= point_count) continue;
    mesh_point& p = m.points[static_cast<std::size_t>(v.point)];
    p.current_position = p.current_position + v.normal * d;
    p.position = p.position + v.normal * d;
  }
  for (vertex_anim_key& key : m.vertex_anim_keys) {
    for (std::size_t i = 0; i < m.vertices.size() && i < key.normals.size(); ++i) {
      const std::int32_t point = m.vertices[i].point;
      if (point < 0 || static_cast<std::size_t>(point) >= key.positions.size()) continue;
      key.positions[static_cast<std::size_t>(point)] = key.positions[static_cast<std::size_t>(point)] + key.normals[i] * d;
    }
  }
  m.mark_vertices_changed();
  m.compute_bounding_box();
}

void shade_mesh_by_normal(mesh& m) {
  m.make_geometry_own();
  for (mesh_vertex& v : m.vertices) {
    const float k = (v.normal.z + 0.25f) * 0.8f;
    v.color = shade_colour(v.color, k);
    v.current_color = shade_colour(v.current_color, k);
  }
  m.mark_vertices_changed();
}

std::unique_ptr<mesh> create_item_preview_mesh(const item& it, float size) {
  std::unique_ptr<mesh> out = item_mesh_copy(it);
  if (out->get_points().empty()) return out;
  const item_kind* k = it.get_kind();
  const int type = k ? k->type() : 0;
  out->transform(preview_turn(type));
  out->compute_bounding_box();
  const bounding_box box = out->bbox;
  out->translate(-(box.min + box.max) * 0.5f);

  float factor = 1.0f;
  if (type == 2 || type == 3 || type == 4)
    factor = std::clamp(static_cast<float>(k->weapon_length) * 0.00625f + 0.3f, 0.5f, 1.0f);
  // Pictures lie in the x-y plane of the interface; z is depth.
  const float extent = std::max(box.max.x - box.min.x, box.max.y - box.min.y);
  if (extent > 0.0f) out->scale_uniform(size * factor * 0.95f / extent);
  shade_mesh_by_normal(*out);
  return out;
}

}  // namespace hm
