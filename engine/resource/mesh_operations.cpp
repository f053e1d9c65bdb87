// Edits applied to meshes after loading. Every edit of points, vertices,
// skinning, bone weights or keys makes the geometry the mesh's own first, and
// every edit of faces makes the faces its own, so a copy never changes the mesh
// it shares data with.
#include "engine/resource/mesh_operations.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"

namespace hm {

namespace {

vec3 times(const vec3& v, float x, float y, float z) { return vec3(v.x * x, v.y * y, v.z * z); }

// Channel c (0..255) times a factor, packed again: x 256, capped at 255.
std::uint32_t scale_channel(std::uint32_t c, float factor) {
  const float value = static_cast<float>(c) * 0.003921569f * factor * 256.0f;
  if (!(value > 0.0f)) return 0;
  return value >= 255.0f ? 255u : static_cast<std::uint32_t>(value);
}

std::uint32_t multiply_rgb(std::uint32_t argb, float r, float g, float b) {
  return (argb & 0xFF000000u) | (scale_channel((argb >> 16) & 0xFF, r) << 16) |
         (scale_channel((argb >> 8) & 0xFF, g) << 8) | scale_channel(argb & 0xFF, b);
}

// Channel by channel a x b / 255.
std::uint32_t tint_color(std::uint32_t a, std::uint32_t b) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t ca = (a >> shift) & 0xFF;
    const std::uint32_t cb = (b >> shift) & 0xFF;
    out |= (ca * cb / 255u) << shift;
  }
  return out;
}

// Orders min and max on every axis of a box whose corners were scaled, and
// recomputes its sphere; an empty box stays empty.
void reorder_scaled_box(bounding_box& box, const vec3& old_min, const vec3& old_max, float x, float y, float z) {
  if (!(old_min.x <= old_max.x)) return;
  const vec3 a = times(old_min, x, y, z);
  const vec3 b = times(old_max, x, y, z);
  vec3_min(box.min, a, b);
  vec3_max(box.max, a, b);
  box.compute_sphere();
}

}  // namespace

void rotate_2d_axes(float a[2], float b[2], float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  const float a0 = c * a[0] + s * b[0];
  const float a1 = c * a[1] + s * b[1];
  const float b0 = c * b[0] - s * a[0];
  const float b1 = c * b[1] - s * a[1];
  a[0] = a0;
  a[1] = a1;
  b[0] = b0;
  b[1] = b1;
}

void mesh::scale(float x, float y, float z) {
  make_geometry_own();
  for (mesh_point& p : points) {
    p.position = times(p.position, x, y, z);
    p.current_position = times(p.current_position, x, y, z);
  }
  for (vertex_anim_key& k : vertex_anim_keys) {
    for (vec3& p : k.positions) p = times(p, x, y, z);
  }
  for (mesh_vertex& v : vertices) {
    v.current_normal = times(v.current_normal, x, y, z);
    v.current_normal.normalize();
    v.normal = times(v.normal, x, y, z);
    v.normal.normalize();
  }
  const int negatives = (x < 0.0f) + (y < 0.0f) + (z < 0.0f);
  // A mirror turns the winding inside out; two mirrors are a turn and keep it.
  if (negatives == 1 || negatives == 3) flip_faces();
  mark_vertices_changed();
  // Scaling the corners by a negative factor swaps min and max on that axis;
  // the box is ordered again so that culling and bounds stay right.
  reorder_scaled_box(bbox, bbox.min, bbox.max, x, y, z);
  if (negatives > 0 && g_resource_manager.pixel_shaders_in_use()) {
    for (mesh_vertex& v : vertices) {
      v.tangent = times(v.tangent, x, y, z);
      v.tangent.normalize();
      v.binormal = times(v.binormal, x, y, z);
      v.binormal.normalize();
    }
  }
}

void mesh::scale_uniform(float s) {
  make_geometry_own();
  for (mesh_point& p : points) {
    p.position *= s;
    p.current_position *= s;
  }
  for (vertex_anim_key& k : vertex_anim_keys) {
    for (vec3& p : k.positions) p *= s;
  }
  mark_vertices_changed();
  if (s >= 0.0f) {
    bbox.min *= s;
    bbox.max *= s;
    bbox.center *= s;
    bbox.radius *= s;
  } else {
    reorder_scaled_box(bbox, bbox.min, bbox.max, s, s, s);
  }
}

void mesh::translate(const vec3& d) {
  make_geometry_own();
  for (mesh_point& p : points) {
    p.position += d;
    p.current_position += d;
  }
  for (vertex_anim_key& k : vertex_anim_keys) {
    for (vec3& p : k.positions) p += d;
  }
  mark_vertices_changed();
  compute_bounding_box();
}

void mesh::transform(frame f) {
  make_geometry_own();
  for (mesh_point& p : points) {
    p.position = f.transform_point_to_global(p.position);
    p.current_position = f.transform_point_to_global(p.current_position);
  }
  for (mesh_vertex& v : vertices) {
    v.normal = f.rotate_vector_to_global(v.normal);
    v.current_normal = f.rotate_vector_to_global(v.current_normal);
  }
  mark_vertices_changed();
  compute_bounding_box();
}

void mesh::apply_frame(const frame& f) {
  transform(f);
  for (vertex_anim_key& k : vertex_anim_keys) {
    for (vec3& p : k.positions) p = f.transform_point_to_global(p);
    for (vec3& n : k.normals) n = f.rotate_vector_to_global(n);
  }
}

void mesh::set_vertex_color(std::uint32_t argb) {
  make_geometry_own();
  for (mesh_vertex& v : vertices) {
    v.color = argb;
    v.current_color = argb;
  }
  mark_vertices_changed();
}

void mesh::multiply_vertex_colors(float r, float g, float b) {
  make_geometry_own();
  for (mesh_vertex& v : vertices) {
    v.color = multiply_rgb(v.color, r, g, b);
    v.current_color = multiply_rgb(v.current_color, r, g, b);
  }
  mark_vertices_changed();
}

void mesh::flip_faces() {
  make_faces_own();
  for (mesh_face& f : faces) std::swap(f.vertex[0], f.vertex[2]);
  mark_vertices_changed();
  mark_faces_changed();
}

void mesh::bake_vertex_animation(float t) {
  set_vertex_anim_time(t);
  apply_vertex_animation();
  make_geometry_own();
  for (mesh_point& p : points) p.position = p.current_position;
  for (mesh_vertex& v : vertices) v.normal = v.current_normal;
  mark_vertices_changed();
  compute_bounding_box();
}

void mesh::append_mesh(const mesh& other, const frame& f, std::int32_t bone, std::uint32_t tint) {
  // Copies first: the other mesh may share its arrays with this one.
  const std::vector<mesh_point> other_points = other.get_points();
  const std::vector<mesh_vertex> other_vertices = other.get_vertices();
  const std::vector<vertex_skinning> other_skinning = other.get_vertex_skinning();
  const std::vector<mesh_face> other_faces = other.get_faces();
  const std::int32_t other_bones = other.bone_count;

  make_faces_own();
  make_geometry_own();
  const auto point_base = static_cast<std::int32_t>(points.size());
  const auto vertex_base = static_cast<std::int32_t>(vertices.size());
  bone_count = std::max({bone_count, other_bones, bone + 1});

  for (const mesh_point& p : other_points) {
    const vec3 placed = f.transform_point_to_global(p.current_position);
    points.push_back(mesh_point{placed, placed});
  }
  // Bound to one bone, or carrying the other's own weights: the skinning of
  // what is here already is built first so the records stay one per vertex.
  if (bone >= 0 || !other_skinning.empty()) {
    if (skinning.size() < vertices.size()) build_vertex_skinning();
    skinning.resize(vertices.size());
    if (bone >= 0) {
      vertex_skinning bound;
      bound.weight[0] = 1.0f;
      for (int i = 0; i < 4; ++i) {
        bound.bone[i] = i == 0 ? bone : 0;
        bound.bone_f[i] = static_cast<float>(bound.bone[i]);
      }
      skinning.insert(skinning.end(), other_vertices.size(), bound);
    } else {
      for (std::size_t i = 0; i < other_vertices.size(); ++i) {
        skinning.push_back(i < other_skinning.size() ? other_skinning[i] : vertex_skinning{});
      }
    }
  }
  for (mesh_vertex v : other_vertices) {
    v.point += point_base;
    v.normal = f.rotate_vector_to_global(v.normal);
    v.current_normal = f.rotate_vector_to_global(v.current_normal);
    v.tangent = f.rotate_vector_to_global(v.tangent);
    v.binormal = f.rotate_vector_to_global(v.binormal);
    v.color = tint_color(v.color, tint);
    v.current_color = tint_color(v.current_color, tint);
    vertices.push_back(v);
  }
  for (mesh_face face : other_faces) {
    for (std::int32_t& i : face.vertex) i += vertex_base;
    faces.push_back(face);
  }
  mark_vertices_changed();
  mark_faces_changed();
}

void mesh::add_transformed_mesh(const mesh& other, const frame& f) {
  append_mesh_whole(other, f);
  compute_bounding_box();
}

void mesh::adjust_heights_near_point(const mesh_ground& ground) {
  make_geometry_own();
  for (mesh_point& p : points) {
    const vec3 surface = ground.surface_point(p.position);
    const float dx = p.position.x - surface.x;
    const float dy = p.position.y - surface.y;
    float w = 1.0f - 0.02f * std::sqrt(dx * dx + dy * dy);
    if (w <= 1e-5f) continue;
    if (w > 1.0f) w = 1.0f;
    const float target = surface.z - 1.5f;
    p.position.z = (1.0f - w) * p.position.z + w * target;
    p.current_position.z = (1.0f - w) * p.current_position.z + w * target;
  }
  mark_vertices_changed();
  compute_bounding_box();
}

void mesh::bake_lighting(mesh_light_context& lights, const frame& f, std::uint32_t light_flags) {
  make_geometry_own();
  const frame placed = f.transform_frame_to_global(local_frame);
  const shader* sh = mat ? mat->shader_ptr : nullptr;
  if (sh && (sh->flags & shader_flag_lit_per_mesh)) {
    // Lit once where the mesh stands, a little dimmed, as a tint of its colours.
    const hm::color c = lights.evaluate(placed.origin, placed.rot.u, light_flags);
    multiply_vertex_colors(c.r * 0.7f, c.g * 0.7f, c.b * 0.7f);
    return;
  }
  const std::vector<mesh_point>& ps = points;
  const bool pixel_shaders = g_resource_manager.pixel_shaders_in_use();
  for (mesh_vertex& v : vertices) {
    if (v.point < 0 || static_cast<std::size_t>(v.point) >= ps.size()) continue;
    const vec3 position = placed.transform_point_to_global(ps[static_cast<std::size_t>(v.point)].position);
    vec3 normal = placed.rotate_vector_to_global(v.normal);
    normal.normalize();
    const std::uint32_t alpha = v.color & 0xFF000000u;
    if (pixel_shaders) {
      // The diffuse term becomes the vertex colour; the second term goes to the
      // low 24 bits of the extra word, whose top byte is kept.
      const hm::color diffuse = lights.evaluate(position, normal, light_flags | 2u);
      v.color = alpha | (color_to_argb(diffuse) & 0x00FFFFFFu);
      const hm::color second = lights.evaluate(position, normal, light_flags | 4u);
      v.extra = (v.extra & 0xFF000000u) | (color_to_argb(second) & 0x00FFFFFFu);
    } else {
      hm::color c = lights.evaluate(position, normal, light_flags);
      // Fixed-function drawing works in gamma space.
      c.r = std::pow(std::max(c.r, 0.0f), 0.45454544f);
      c.g = std::pow(std::max(c.g, 0.0f), 0.45454544f);
      c.b = std::pow(std::max(c.b, 0.0f), 0.45454544f);
      v.color = alpha | (color_to_argb(c) & 0x00FFFFFFu);
    }
    v.current_color = v.color;
  }
  mark_vertices_changed();
}

}  // namespace hm
