#include "engine/resource/mesh.h"

#include <algorithm>
#include <cmath>

#include "engine/resource/material.h"
#include "engine/resource/particle_system.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"

namespace hm {

int g_mesh_batch_point_limit = 30;

mesh::mesh() = default;

mesh::~mesh() {
  if (mat) --mat->use_count;
}

void mesh::set_material(material* m) {
  if (m == mat) return;
  if (m) ++m->use_count;
  if (mat) --mat->use_count;
  mat = m;
}

// --- copies ----------------------------------------------------------------------------------------

std::unique_ptr<mesh> mesh::copy_shell() const {
  auto copy = std::make_unique<mesh>();
  // A copy always links to a mesh that owns its data: the copied mesh's own
  // source when it has one, so chains never grow past one link. Copies write
  // lazily built shared data (skinning) into the source, hence the non-const link.
  copy->source = source ? source : const_cast<mesh*>(this);
  copy->set_material(mat);
  copy->flags = flags;
  copy->color = color;
  copy->color2 = color2;
  copy->name = name;
  copy->bone_count = bone_count;
  copy->owns_faces = false;
  copy->owns_geometry = false;
  return copy;
}

std::unique_ptr<mesh> mesh::create_copy() const {
  std::unique_ptr<mesh> copy = copy_shell();
  copy->bbox = bbox;
  return copy;
}

std::unique_ptr<mesh> mesh::make_instance() const { return copy_shell(); }

const mesh& mesh::geometry_owner() const {
  const mesh* m = this;
  while (!m->owns_geometry && m->source) m = m->source;
  return *m;
}

mesh& mesh::geometry_owner() {
  mesh* m = this;
  while (!m->owns_geometry && m->source) m = m->source;
  return *m;
}

const mesh& mesh::faces_owner() const {
  const mesh* m = this;
  while (!m->owns_faces && m->source) m = m->source;
  return *m;
}

void mesh::make_geometry_own() {
  if (owns_geometry) return;
  const mesh& from = geometry_owner();
  points = from.points;
  vertices = from.vertices;
  skinning = from.skinning;
  bone_weights = from.bone_weights;
  vertex_anim_keys = from.vertex_anim_keys;
  vertex_anim_times = from.vertex_anim_times;
  owns_geometry = true;
}

void mesh::make_faces_own() {
  if (owns_faces) return;
  faces = faces_owner().faces;
  owns_faces = true;
}

// --- building ----------------------------------------------------------------------------------------

std::int32_t mesh::add_point(const vec3& p) {
  make_geometry_own();
  points.push_back(mesh_point{p, p});
  return static_cast<std::int32_t>(points.size()) - 1;
}

std::int32_t mesh::add_vertex(std::int32_t point, float u, float v, std::uint32_t argb, const vec3& normal,
                              std::uint32_t extra) {
  make_geometry_own();
  mesh_vertex vx;
  vx.normal = normal;
  vx.current_normal = normal;
  vx.uv[0] = u;
  vx.uv[1] = v;
  vx.point = point;
  vx.color = argb;
  vx.current_color = argb;
  vx.extra = extra;
  vertices.push_back(vx);
  return static_cast<std::int32_t>(vertices.size()) - 1;
}

std::int32_t mesh::add_face(std::int32_t v0, std::int32_t v1, std::int32_t v2) {
  make_faces_own();
  mesh_face f;
  f.vertex[0] = v0;
  f.vertex[1] = v1;
  f.vertex[2] = v2;
  faces.push_back(f);
  mark_faces_changed();
  return static_cast<std::int32_t>(faces.size()) - 1;
}

void mesh::add_bone_weight_list(bone_weight_list list) {
  make_geometry_own();
  bone_weights.push_back(std::move(list));
  bone_count = highest_bone_count();
}

void mesh::add_vertex_anim_key(std::int32_t time, vertex_anim_key key) {
  make_geometry_own();
  vertex_anim_times.push_back(time);
  vertex_anim_keys.push_back(std::move(key));
}

void mesh::clear_geometry() {
  owns_geometry = true;
  owns_faces = true;
  points.clear();
  vertices.clear();
  skinning.clear();
  bone_weights.clear();
  vertex_anim_keys.clear();
  vertex_anim_times.clear();
  faces.clear();
  mark_vertices_changed();
  mark_faces_changed();
}

// --- derived data -------------------------------------------------------------------------------------

void mesh::compute_bounding_box() {
  bbox.reset();
  for (const mesh_point& p : get_points()) bbox.add_point(p.position);
  bbox.compute_sphere();
}

std::int32_t mesh::highest_bone_count() const {
  // Counted wide: a bone index of the largest int would overflow its count.
  std::int64_t highest = 0;
  for (const bone_weight_list& list : get_bone_weights()) {
    highest = std::max<std::int64_t>(highest, std::int64_t{list.bone} + 1);
  }
  return static_cast<std::int32_t>(std::min<std::int64_t>(highest, INT32_MAX));
}

void mesh::build_vertex_skinning() {
  make_geometry_own();
  struct slots {
    std::int32_t bone[4] = {0, 0, 0, 0};
    float weight[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  };
  // One entry per point, sized to the mesh rather than a fixed table, so no
  // point count overruns it.
  std::vector<slots> table(points.size());
  for (const bone_weight_list& list : bone_weights) {
    for (const bone_weight& entry : list.weights) {
      if (entry.point < 0 || static_cast<std::size_t>(entry.point) >= table.size()) continue;
      slots& s = table[static_cast<std::size_t>(entry.point)];
      for (int i = 0; i < 4; ++i) {
        if (s.weight[i] < 1e-5f) {
          s.bone[i] = list.bone;
          s.weight[i] = entry.weight;
          break;
        }
      }
      // A fifth weight on a point is dropped.
    }
  }
  skinning.assign(vertices.size(), vertex_skinning{});
  for (std::size_t v = 0; v < vertices.size(); ++v) {
    vertex_skinning& out = skinning[v];
    const std::int32_t point = vertices[v].point;
    if (point < 0 || static_cast<std::size_t>(point) >= table.size()) continue;
    const slots& s = table[static_cast<std::size_t>(point)];
    float sum = 0.0f;
    for (int i = 0; i < 4; ++i) {
      out.weight[i] = s.weight[i];
      out.bone[i] = s.bone[i];
      out.bone_f[i] = static_cast<float>(s.bone[i]);
      sum += s.weight[i];
    }
    if (sum < 1.0f) out.weight[0] += 1.0f - sum;
  }
}

void mesh::ensure_vertex_skinning() {
  mesh& owner = geometry_owner();
  if (owner.skinning.size() < owner.vertices.size()) owner.build_vertex_skinning();
}

void mesh::compute_tangent_frames() {
  make_geometry_own();
  make_faces_own();
  for (mesh_vertex& v : vertices) {
    v.tangent = vec3();
    v.binormal = vec3();
    v.normal.normalize();
  }
  const auto vertex_count = static_cast<std::int32_t>(vertices.size());
  const auto point_count = static_cast<std::int32_t>(points.size());
  auto valid_corner = [&](std::int32_t v) {
    return v >= 0 && v < vertex_count && vertices[static_cast<std::size_t>(v)].point >= 0 &&
           vertices[static_cast<std::size_t>(v)].point < point_count;
  };
  for (const mesh_face& f : faces) {
    if (!valid_corner(f.vertex[0]) || !valid_corner(f.vertex[1]) || !valid_corner(f.vertex[2])) continue;
    mesh_vertex& a = vertices[static_cast<std::size_t>(f.vertex[0])];
    mesh_vertex& b = vertices[static_cast<std::size_t>(f.vertex[1])];
    mesh_vertex& c = vertices[static_cast<std::size_t>(f.vertex[2])];
    const vec3& pa = points[static_cast<std::size_t>(a.point)].position;
    const vec3 e1 = points[static_cast<std::size_t>(b.point)].position - pa;
    const vec3 e2 = points[static_cast<std::size_t>(c.point)].position - pa;
    const float ds1 = b.uv[0] - a.uv[0];
    const float dt1 = b.uv[1] - a.uv[1];
    const float ds2 = c.uv[0] - a.uv[0];
    const float dt2 = c.uv[1] - a.uv[1];
    const float det = ds1 * dt2 - dt1 * ds2;
    // A face whose texture coordinates span no area has no texture direction;
    // dividing by its zero determinant would spread infinities into every
    // vertex it shares, so it adds nothing.
    if (det == 0.0f || !std::isfinite(1.0f / det)) continue;
    const float r = 1.0f / det;
    const vec3 t = (e1 * dt2 - e2 * dt1) * r;
    const vec3 bn = (e2 * ds1 - e1 * ds2) * r;
    for (mesh_vertex* v : {&a, &b, &c}) {
      v->tangent += t;
      v->binormal += bn;
    }
  }
  for (mesh_vertex& v : vertices) {
    const vec3 n = v.normal;
    const vec3 ta = v.tangent;
    const vec3 ba = v.binormal;
    vec3 t = ta - n * dot_product(n, ta);
    if (t.length_squared() < 1e-5f) {
      t = cross_product(n, vec3(0.1f, 0.2f, 0.7f));
      if (t.length_squared() < 1e-5f) t = cross_product(n, vec3(0.73f, 0.17f, 0.35f));
    }
    t.normalize();
    vec3 b = cross_product(n, t);
    if (b.length_squared() < 1e-5f) {
      t = cross_product(n, vec3(0.2f, 0.8f, 0.4f));
      if (t.length_squared() < 1e-5f) t = cross_product(n, vec3(0.76f, 0.67f, 0.39f));
      t.normalize();
      b = cross_product(n, t);
    }
    if (dot_product(cross_product(n, ta), ba) < 0.0f) b = -b;
    v.tangent = vec3(t.x, t.y, t.z);
    v.binormal = vec3(b.x, b.y, b.z);
  }
}

void mesh::compute_normals() {
  make_geometry_own();
  make_faces_own();
  const auto vertex_count = static_cast<std::int32_t>(vertices.size());
  for (mesh_vertex& v : vertices) v.current_normal = vec3();
  for (mesh_face& f : faces) {
    bool valid = true;
    for (std::int32_t i : f.vertex) {
      valid = valid && i >= 0 && i < vertex_count &&
              static_cast<std::size_t>(vertices[static_cast<std::size_t>(i)].point) < points.size();
    }
    if (!valid) continue;
    const vec3& a = points[static_cast<std::size_t>(vertices[static_cast<std::size_t>(f.vertex[0])].point)].current_position;
    const vec3& b = points[static_cast<std::size_t>(vertices[static_cast<std::size_t>(f.vertex[1])].point)].current_position;
    const vec3& c = points[static_cast<std::size_t>(vertices[static_cast<std::size_t>(f.vertex[2])].point)].current_position;
    vec3 n = cross_product(b - a, c - a);
    n.normalize();
    f.normal = n;
    for (std::int32_t i : f.vertex) vertices[static_cast<std::size_t>(i)].current_normal += n;
  }
  for (mesh_vertex& v : vertices) v.current_normal.normalize();
  mark_vertices_changed();
}

// --- vertex animation -----------------------------------------------------------------------------------

void mesh::set_vertex_anim_time(float t) {
  const std::vector<std::int32_t>& times = get_vertex_anim_times();
  if (times.empty()) return;
  const float last = static_cast<float>(times.back());
  anim_time = t > last ? last : t;
}

void mesh::apply_vertex_animation() {
  if (anim_time == applied_anim_time) return;
  if (get_vertex_anim_keys().empty()) {
    applied_anim_time = anim_time;
    return;
  }
  make_geometry_own();
  const auto count = static_cast<int>(std::min(vertex_anim_keys.size(), vertex_anim_times.size()));
  int k0 = 0;
  int k1 = count - 1;
  while (k1 - k0 > 1) {
    const int m = (k0 + k1) / 2;
    if (static_cast<float>(vertex_anim_times[static_cast<std::size_t>(m)]) <= anim_time) {
      k0 = m;
    } else {
      k1 = m;
    }
  }
  float t = 0.0f;
  const std::int32_t t0 = vertex_anim_times[static_cast<std::size_t>(k0)];
  const std::int32_t t1 = vertex_anim_times[static_cast<std::size_t>(k1)];
  // Two keys at the same time leave no span to blend over: the first is used
  // (dividing by the zero span would write NaN positions).
  if (k1 != k0 && t1 != t0) t = (anim_time - static_cast<float>(t0)) / static_cast<float>(t1 - t0);

  const vertex_anim_key& a = vertex_anim_keys[static_cast<std::size_t>(k0)];
  const vertex_anim_key& b = vertex_anim_keys[static_cast<std::size_t>(k1)];
  const std::size_t np = std::min({points.size(), a.positions.size(), b.positions.size()});
  const std::size_t nn = std::min({vertices.size(), a.normals.size(), b.normals.size()});
  if (t < 0.001f || t >= 0.999f) {
    const vertex_anim_key& k = t < 0.001f ? a : b;
    for (std::size_t i = 0; i < np; ++i) points[i].current_position = k.positions[i];
    for (std::size_t i = 0; i < nn; ++i) vertices[i].current_normal = k.normals[i];
  } else {
    const float s = 1.0f - t;
    for (std::size_t i = 0; i < np; ++i) points[i].current_position = a.positions[i] * s + b.positions[i] * t;
    for (std::size_t i = 0; i < nn; ++i) {
      vec3 n = a.normals[i] * s + b.normals[i] * t;
      n.normalize();
      vertices[i].current_normal = n;
    }
  }
  mark_vertices_changed();
  applied_anim_time = anim_time;
}

// --- sort key -----------------------------------------------------------------------------------------------

std::int32_t shader_class_of_flags(std::uint32_t shader_flags) {
  if (!(shader_flags & shader::flag_effect)) return 0;
  std::int32_t c = (shader_flags & shader::flag_class_high) ? 2 : 1;
  if (shader_flags & shader::flag_skinned) c += 2;
  return c;
}

std::int64_t mesh_sort_key(std::uint32_t material_flags, std::uint32_t mesh_color, std::int32_t shader_class,
                           std::int32_t low_switch, std::int32_t high_switch, std::int32_t render_order,
                           std::int32_t shader_id, std::int32_t material_id) {
  if (material_flags & material_flag_sort_first) return -1000000000LL;
  // Bits 34 and up: the blend class; below it the shader class and the two
  // switches in hundreds of millions, the render order from bit 20, then the
  // shader and material ids.
  const std::int64_t base = static_cast<std::int64_t>(shader_class) * 400000000LL +
                            static_cast<std::int64_t>(low_switch) * 100000000LL +
                            static_cast<std::int64_t>(high_switch) * 200000000LL;
  std::int64_t blend = (static_cast<std::int64_t>(material_flags >> 24) - 8) & 15;
  if ((material_flags & 0x700u) == 0x700u && (mesh_color >> 24) < 0xFFu) blend += 4;
  const auto order = static_cast<std::int32_t>(static_cast<std::uint32_t>(render_order) << 20);
  return (blend << 34) + base + static_cast<std::int64_t>(order) + static_cast<std::int64_t>(shader_id) * 1000 +
         material_id;
}

std::int64_t mesh::compute_sort_key() {
  const std::int32_t high = owns_faces || !source ? high_sort_switch() : source->high_sort_switch();
  const shader* sh = mat ? mat->shader_ptr : nullptr;
  sort_key = mesh_sort_key(mat ? mat->flags : 0u, color, shader_class(), low_sort_switch(), high, render_order,
                           sh ? sh->id : 0, mat ? mat->id : 0);
  return sort_key;
}

// --- colours --------------------------------------------------------------------------------------------------

void mesh::linearize_vertex_colors() {
  if (!owns_geometry) return;
  for (mesh_vertex& v : vertices) {
    hm::color c = argb_to_color(v.color);
    c.r = std::pow(c.r, 2.2f);
    c.g = std::pow(c.g, 2.2f);
    c.b = std::pow(c.b, 2.2f);
    v.color = color_to_argb(c);
    v.current_color = v.color;
  }
  mark_vertices_changed();
}

void install_mesh_hooks(resource_manager& manager) {
  manager.linearize_mesh_colors = [](resource& r) { static_cast<mesh&>(r).linearize_vertex_colors(); };
}

// --- particle systems ------------------------------------------------------------------------------------------

void mesh::update_particle_systems(float dt, const frame& parent) {
  if (particle_systems.empty()) return;
  const frame placed = parent.transform_frame_to_global(local_frame);
  for (auto& ps : particle_systems) ps->update(dt, placed);
}

}  // namespace hm
