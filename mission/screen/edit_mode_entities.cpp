#include "mission/screen/edit_mode_entities.h"

#include <memory>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "mission/records/mission.h"
#include "render/entity/entity.h"
#include "render/scene/scene_world.h"
#include "render/terrain/ai_mesh.h"

namespace hm {

namespace {

constexpr const char* marker_material = "vertex_color_blend_mat";
constexpr std::uint32_t face_colour = 0x6633FF33u;
constexpr std::uint32_t edge_colour = 0xAAFFFF33u;
constexpr std::uint32_t corner_colour = 0xCCFF3333u;
constexpr std::uint32_t water_colour = 0x663333FFu;
constexpr float water_extent = 1000.0f;
// Markers float a little above the ground they mark.
constexpr float lift = 0.05f;
constexpr float edge_height = 0.3f;
constexpr float corner_size = 0.15f;

std::unique_ptr<mesh> marker_mesh() {
  auto out = std::make_unique<mesh>();
  out->set_material(static_cast<material*>(g_resource_manager.find(material_resource_type_id, ruv_string(marker_material))));
  return out;
}

// A flat or upright quad, seen from both sides.
void add_quad(mesh& out, const vec3& a, const vec3& b, const vec3& c, const vec3& d, std::uint32_t colour) {
  const vec3 normal = get_normalized(cross_product(b - a, c - a));
  std::int32_t v[4];
  const vec3 corners[4] = {a, b, c, d};
  for (int i = 0; i < 4; ++i) v[i] = out.add_vertex(out.add_point(corners[i]), 0.0f, 0.0f, colour, normal);
  out.add_face(v[0], v[1], v[2]);
  out.add_face(v[0], v[2], v[3]);
  out.add_face(v[2], v[1], v[0]);
  out.add_face(v[3], v[2], v[0]);
}

bool valid_vertex(const ai_mesh& g, std::int32_t i) { return i >= 0 && i < static_cast<std::int32_t>(g.vertices.size()); }

std::unique_ptr<mesh> nav_face_markers(const ai_mesh& g) {
  auto out = marker_mesh();
  const vec3 up(0.0f, 0.0f, lift);
  for (const ai_mesh_face& f : g.faces) {
    if (f.vertex_count < 3 || f.vertex_count > 4) continue;
    bool ok = true;
    for (int i = 0; i < f.vertex_count; ++i) ok = ok && valid_vertex(g, f.vertices[i]);
    if (!ok) continue;
    const auto at = [&](int i) { return g.vertices[static_cast<std::size_t>(f.vertices[i])].position + up; };
    add_quad(*out, at(0), at(1), at(2), f.vertex_count == 4 ? at(3) : at(2), face_colour);
  }
  return out;
}

std::unique_ptr<mesh> nav_edge_markers(const ai_mesh& g) {
  auto out = marker_mesh();
  const vec3 up(0.0f, 0.0f, edge_height);
  for (const ai_mesh_edge& e : g.edges) {
    if (!valid_vertex(g, e.vertex_a) || !valid_vertex(g, e.vertex_b)) continue;
    const vec3 a = g.vertices[static_cast<std::size_t>(e.vertex_a)].position;
    const vec3 b = g.vertices[static_cast<std::size_t>(e.vertex_b)].position;
    add_quad(*out, a, b, b + up, a + up, edge_colour);
  }
  return out;
}

std::unique_ptr<mesh> nav_corner_markers(const ai_mesh& g) {
  auto out = marker_mesh();
  for (const ai_mesh_vertex& v : g.vertices) {
    const vec3 p = v.position + vec3(0.0f, 0.0f, lift);
    const vec3 dx(corner_size, 0.0f, 0.0f);
    const vec3 dy(0.0f, corner_size, 0.0f);
    add_quad(*out, p - dx - dy, p + dx - dy, p + dx + dy, p - dx + dy, corner_colour);
  }
  return out;
}

entity* new_marker(mission& m, std::int32_t owner) {
  entity* e = m.scene->create_entity(strategic_entity_type);
  e->owner_word = owner;
  e->visible = 1;
  return e;
}

}  // namespace

entity* find_marker_entity(const mission& m, std::int32_t owner) {
  if (!m.scene) return nullptr;
  for (const auto& e : m.scene->active_entities)
    if (e->owner_word == owner) return e.get();
  for (const auto& e : m.scene->pending_entities)
    if (e->owner_word == owner) return e.get();
  return nullptr;
}

void create_edit_mode_entities(mission& m) {
  if (!m.scene) return;
  if (!find_marker_entity(m, nav_marker_owner) && m.nav_mesh) {
    entity* e = new_marker(m, nav_marker_owner);
    e->add_mesh(nav_face_markers(*m.nav_mesh));
    e->add_mesh(nav_edge_markers(*m.nav_mesh));
    e->add_mesh(nav_corner_markers(*m.nav_mesh));
    e->compute_local_bounds();
  }
  if (!find_marker_entity(m, water_marker_owner)) {
    entity* e = new_marker(m, water_marker_owner);
    auto water = marker_mesh();
    const float z = m.water_level;
    add_quad(*water, vec3(-water_extent, -water_extent, z), vec3(water_extent, -water_extent, z),
             vec3(water_extent, water_extent, z), vec3(-water_extent, water_extent, z), water_colour);
    e->add_mesh(std::move(water));
    e->compute_local_bounds();
  }
}

}  // namespace hm
