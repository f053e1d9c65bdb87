#include "editor/navmesh/ai_mesh_display.h"

#include <algorithm>

#include "editor/navmesh/ai_mesh_editor.h"
#include "engine/resource/mesh.h"
#include "mission/records/mission.h"
#include "mission/screen/edit_mode_entities.h"
#include "render/entity/entity.h"

namespace hm {

namespace {

// Faces float a little above the ground they mark.
constexpr float face_lift = 0.05f;

struct marker_look {
  float size;
  std::uint32_t colour;
};

void add_triangle(mesh& out, const vec3& a, const vec3& b, const vec3& c, std::uint32_t colour) {
  const vec3 normal = get_normalized(cross_product(b - a, c - a));
  const std::int32_t i = out.add_vertex(out.add_point(a), 0.0f, 0.0f, colour, normal);
  const std::int32_t j = out.add_vertex(out.add_point(b), 0.0f, 0.0f, colour, normal);
  const std::int32_t k = out.add_vertex(out.add_point(c), 0.0f, 0.0f, colour, normal);
  out.add_face(i, j, k);
}

void add_quad(mesh& out, const vec3& a, const vec3& b, const vec3& c, const vec3& d, std::uint32_t colour) {
  add_triangle(out, a, b, c, colour);
  add_triangle(out, a, c, d, colour);
}

std::uint8_t channel(float v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

}  // namespace

void build_ai_vertex_markers(const ai_mesh_editor& ed, mesh& out) {
  out.clear_geometry();
  const ai_mesh* g = ed.mesh();
  if (!g) return;
  for (const ai_mesh_vertex& v : g->vertices) {
    marker_look look{1.0f, 0x77555577u};
    if (ed.element_mode == ai_element_vertices) look = v.selected ? marker_look{2.0f, 0xaaff5555u} : marker_look{1.4f, 0xaa4455ddu};
    const float f = look.size;
    const vec3 p = v.position;
    // A small four-faced solid standing on the vertex.
    const vec3 top = p + vec3(0.0f, 0.0f, f * 0.2226f);
    const vec3 b0 = p + vec3(f * 0.148f, 0.0f, -f * 0.034f);
    const vec3 b1 = p + vec3(-f * 0.0602f, f * 0.1786f, -f * 0.034f);
    const vec3 b2 = p + vec3(-f * 0.0666f, -f * 0.1786f, f * 0.0154f);
    add_triangle(out, b0, b1, top, look.colour);
    add_triangle(out, b1, b2, top, look.colour);
    add_triangle(out, b2, b0, top, look.colour);
    add_triangle(out, b0, b2, b1, look.colour);
  }
}

void build_ai_edge_markers(const ai_mesh_editor& ed, mesh& out) {
  out.clear_geometry();
  const ai_mesh* g = ed.mesh();
  if (!g) return;
  const std::int32_t nv = static_cast<std::int32_t>(g->vertices.size());
  for (const ai_mesh_edge& e : g->edges) {
    if (e.vertex_a < 0 || e.vertex_a >= nv || e.vertex_b < 0 || e.vertex_b >= nv) continue;
    marker_look look{1.0f, 0x77668866u};
    if (ed.element_mode == ai_element_edges) look = e.selected ? marker_look{2.0f, 0xaaff5555u} : marker_look{1.4f, 0xaa66cc55u};
    const float f = look.size;
    const vec3 a = g->vertices[static_cast<std::size_t>(e.vertex_a)].position;
    const vec3 b = g->vertices[static_cast<std::size_t>(e.vertex_b)].position;
    vec3 axis = b - a;
    if (axis.length() < 1e-10f) axis = vec3(1.0f, 0.0f, 0.0f);
    axis = get_normalized(axis);
    vec3 side = cross_product(axis, vec3(0.0f, 0.0f, 1.0f));
    if (side.length() < 1e-6f) side = vec3(1.0f, 0.0f, 0.0f);
    side = get_normalized(side) * (f * 0.08f * 0.5f);
    const vec3 low(0.0f, 0.0f, f * 0.07f * 0.5f);
    const vec3 high(0.0f, 0.0f, f * 0.2f * 0.5f);
    // A thin box from end to end, a little above the ground.
    const vec3 c[8] = {a - side + low, a + side + low, a + side + high, a - side + high,
                       b - side + low, b + side + low, b + side + high, b - side + high};
    add_quad(out, c[0], c[1], c[5], c[4], look.colour);
    add_quad(out, c[1], c[2], c[6], c[5], look.colour);
    add_quad(out, c[2], c[3], c[7], c[6], look.colour);
    add_quad(out, c[3], c[0], c[4], c[7], look.colour);
    add_quad(out, c[0], c[3], c[2], c[1], look.colour);
    add_quad(out, c[4], c[5], c[6], c[7], look.colour);
  }
}

void build_ai_face_markers(ai_mesh_editor& ed, mesh& out) {
  out.clear_geometry();
  ai_mesh* g = ed.mesh();
  if (!g) return;
  g->compute_face_normals();
  const std::int32_t nv = static_cast<std::int32_t>(g->vertices.size());
  const vec3 lift(0.0f, 0.0f, face_lift);
  for (const ai_mesh_face& f : g->faces) {
    if (f.vertex_count < 3 || f.vertex_count > 4) continue;
    bool ok = true;
    for (std::int32_t k = 0; k < f.vertex_count; ++k) ok = ok && f.vertices[k] >= 0 && f.vertices[k] < nv;
    if (!ok) continue;
    vec3 tint(0.9f, 0.9f, 0.9f);
    if (ed.element_mode == ai_element_faces) tint = f.selected ? vec3(1.0f, 0.5f, 0.4f) : vec3(1.0f, 0.9f, 0.4f);
    const float s = (dot_product(f.normal, ed.light_direction) + 1.0f) * 0.5f;
    const float red = ((1.0f - s) * 0.294f + s) * tint.x;
    const float green = s * tint.y;
    const float blue = ((1.0f - s) * 0.286f + s) * tint.z;
    const std::uint32_t colour = 0x88000000u | (static_cast<std::uint32_t>(channel(red)) << 16) |
                                 (static_cast<std::uint32_t>(channel(green)) << 8) | channel(blue);
    const auto at = [&](std::int32_t k) { return g->vertices[static_cast<std::size_t>(f.vertices[k])].position + lift; };
    add_triangle(out, at(0), at(1), at(2), colour);
    if (f.vertex_count == 4) add_triangle(out, at(0), at(2), at(3), colour);
  }
}

void refresh_ai_mesh_display(ai_mesh_editor& ed, ai_mesh_display& display) {
  if (display.rebuild_vertices && display.vertex_markers) build_ai_vertex_markers(ed, *display.vertex_markers);
  if (display.rebuild_edges && display.edge_markers) build_ai_edge_markers(ed, *display.edge_markers);
  if (display.rebuild_faces && display.face_markers) build_ai_face_markers(ed, *display.face_markers);
  if (display.owner && (display.rebuild_vertices || display.rebuild_edges || display.rebuild_faces)) {
    display.owner->compute_local_bounds();
  }
  display.rebuild_vertices = display.rebuild_edges = display.rebuild_faces = false;
}

void attach_ai_mesh_display(mission& m, ai_mesh_display& display) {
  display.vertex_markers = display.edge_markers = display.face_markers = nullptr;
  display.owner = nullptr;
  entity* e = find_marker_entity(m, nav_marker_owner);
  if (!e || e->meshes.size() < 3) return;
  display.face_markers = e->meshes[0].get();
  display.edge_markers = e->meshes[1].get();
  display.vertex_markers = e->meshes[2].get();
  display.owner = e;
}

}  // namespace hm
