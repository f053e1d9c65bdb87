#include "engine/resource/face_generation.h"

#include <algorithm>
#include <cmath>

#include "engine/resource/mesh.h"

namespace hm {

namespace {

constexpr float offset_epsilon = 1e-10f;
constexpr float mirror_plane = 0.001f;
constexpr int max_constraint_adjustments = 32;

float weight_of(const float (&weights)[face_morph_slots], std::size_t k) {
  return k < static_cast<std::size_t>(face_morph_slots) ? weights[k] : 0.0f;
}

float factor_of(const morph_key& key, float weight) { return key.min + (key.max - key.min) * weight; }

void move_point(mesh_point& p, const vec3& delta) {
  p.position = p.position + delta;
  p.current_position = p.current_position + delta;
}

bool constraint_holds(const face_constraint& c, float sum) {
  if (c.comparison == -1) return sum >= c.value;
  if (c.comparison == 1) return sum <= c.value;
  return true;
}

bool valid_key(std::int32_t key) { return key >= 0 && key < face_morph_slots; }

}  // namespace

void build_morph_offsets(const mesh& head, std::int32_t key_time, std::vector<vec3>& offsets) {
  const std::vector<mesh_point>& points = head.get_points();
  offsets.assign(points.size(), vec3());
  const std::vector<std::int32_t>& times = head.get_vertex_anim_times();
  const std::vector<vertex_anim_key>& keys = head.get_vertex_anim_keys();
  const std::size_t count = std::min(times.size(), keys.size());
  if (count == 0) return;
  // The frames around the time: the last at or before it and the one after.
  std::size_t chosen = 0;
  if (key_time >= times[count - 1]) {
    chosen = count - 1;
  } else if (key_time > times[0]) {
    std::size_t i = 0;
    while (i + 1 < count && times[i + 1] <= key_time) ++i;
    const float span = static_cast<float>(times[i + 1] - times[i]);
    const float fraction = span > 0.0f ? static_cast<float>(key_time - times[i]) / span : 0.0f;
    chosen = fraction >= 0.5f ? i + 1 : i;
  }
  const std::vector<vec3>& frame_positions = keys[chosen].positions;
  const std::size_t n = std::min(frame_positions.size(), points.size());
  for (std::size_t i = 0; i < n; ++i) offsets[i] = frame_positions[i] - points[i].position;
}

void apply_face_constraints(const std::vector<face_constraint>& constraints, int fixed_key,
                            float (&weights)[face_morph_slots]) {
  for (const face_constraint& c : constraints) {
    for (int round = 0; round < max_constraint_adjustments; ++round) {
      float sum = 0.0f;
      int movable = 0;
      for (const face_constraint_term& t : c.terms) {
        if (!valid_key(t.key)) continue;
        sum += weights[t.key] * t.coefficient;
        if (t.key != fixed_key) ++movable;
      }
      if (constraint_holds(c, sum)) break;
      const float share = (c.value - sum) / static_cast<float>(std::max(movable, 1));
      for (const face_constraint_term& t : c.terms) {
        // Terms the skin reader refused never get here; a zero coefficient
        // would make the share infinite.
        if (!valid_key(t.key) || t.key == fixed_key || t.coefficient == 0.0f) continue;
        weights[t.key] = std::clamp(weights[t.key] + share / t.coefficient, 0.0f, 1.0f);
      }
    }
  }
}

void apply_morph_keys(mesh& m, const std::vector<morph_key>& keys, const float (&weights)[face_morph_slots]) {
  m.make_geometry_own();
  for (std::size_t i = 0; i < m.points.size(); ++i) {
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (i >= keys[k].offsets.size()) continue;
      const vec3& offset = keys[k].offsets[i];
      if (offset.length_squared() <= offset_epsilon) continue;
      move_point(m.points[i], offset * factor_of(keys[k], weight_of(weights, k)));
    }
  }
}

void apply_morph_keys_mapped(mesh& m, const std::vector<std::int32_t>& point_map, const std::vector<morph_key>& keys,
                             const float (&weights)[face_morph_slots]) {
  if (m.get_points().size() != point_map.size()) return;
  m.make_geometry_own();
  for (std::size_t i = 0; i < m.points.size(); ++i) {
    const std::int32_t j = point_map[i];
    if (j < 0) continue;
    const bool left = m.points[i].position.x < 0.0f;
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (static_cast<std::size_t>(j) >= keys[k].offsets.size()) continue;
      const vec3& offset = keys[k].offsets[static_cast<std::size_t>(j)];
      if (offset.length_squared() <= offset_epsilon) continue;
      vec3 delta = offset * factor_of(keys[k], weight_of(weights, k));
      if (left) delta.x = -delta.x;
      move_point(m.points[i], delta);
    }
  }
}

std::vector<std::int32_t> build_point_map(const mesh& m, const mesh& head) {
  const std::vector<mesh_point>& head_points = head.get_points();
  std::vector<std::int32_t> map;
  for (const mesh_point& p : m.get_points()) {
    const vec3 from(std::fabs(p.position.x), p.position.y, p.position.z);
    float best = 100000.0f;
    std::int32_t nearest = head_points.empty() ? -1 : 0;
    for (std::size_t q = 0; q < head_points.size(); ++q) {
      const float d = (head_points[q].position - from).length_squared();
      if (d < best) {
        best = d;
        nearest = static_cast<std::int32_t>(q);
      }
    }
    map.push_back(nearest);
  }
  return map;
}

void mirror_face_mesh(mesh& m, bool flip_texture) {
  m.make_geometry_own();
  m.make_faces_own();
  const std::size_t point_count = m.points.size();
  std::vector<std::int32_t> point_mirror(point_count, -1);
  for (std::size_t i = 0; i < point_count; ++i) {
    const vec3 p = m.points[i].position;
    if (p.x <= mirror_plane) continue;
    mesh_point twin = m.points[i];
    twin.position.x = -p.x;
    twin.current_position.x = -m.points[i].current_position.x;
    point_mirror[i] = static_cast<std::int32_t>(m.points.size());
    m.points.push_back(twin);
  }
  auto flipped = [flip_texture](mesh_vertex v) {
    if (flip_texture) {
      v.uv[0] = 1.0f - v.uv[0];
      v.uv2[0] = 1.0f - v.uv2[0];
    }
    return v;
  };
  const std::size_t vertex_count = m.vertices.size();
  std::vector<std::int32_t> vertex_mirror(vertex_count, -1);
  for (std::size_t i = 0; i < vertex_count; ++i) {
    const std::int32_t point = m.vertices[i].point;
    const bool known = point >= 0 && static_cast<std::size_t>(point) < point_count;
    if (known && point_mirror[static_cast<std::size_t>(point)] >= 0) {
      mesh_vertex twin = flipped(m.vertices[i]);
      twin.point = point_mirror[static_cast<std::size_t>(point)];
      twin.normal.x = -twin.normal.x;
      twin.current_normal.x = -twin.current_normal.x;
      twin.extra = 0;
      vertex_mirror[i] = static_cast<std::int32_t>(m.vertices.size());
      m.vertices.push_back(twin);
      continue;
    }
    // On the plane: the normal loses its x so both halves meet smoothly.
    mesh_vertex& v = m.vertices[i];
    v.normal.x = 0.0f;
    if (v.normal.length_squared() < 1e-12f)
      v.normal = vec3(0.0f, 1.0f, 0.0f);
    else
      v.normal.normalize();
    v.current_normal = v.normal;
    v.extra = 0;
    if (v.uv[0] > 0.51f) {
      const mesh_vertex twin = flipped(v);
      vertex_mirror[i] = static_cast<std::int32_t>(m.vertices.size());
      m.vertices.push_back(twin);
    }
  }
  const std::size_t face_count = m.faces.size();
  for (std::size_t f = 0; f < face_count; ++f) {
    mesh_face mirrored = m.faces[f];
    bool any = false;
    for (std::int32_t& v : mirrored.vertex) {
      if (v >= 0 && static_cast<std::size_t>(v) < vertex_count && vertex_mirror[static_cast<std::size_t>(v)] >= 0) {
        v = vertex_mirror[static_cast<std::size_t>(v)];
        any = true;
      }
    }
    if (!any) continue;
    std::swap(mirrored.vertex[1], mirrored.vertex[2]);
    mirrored.normal.x = -mirrored.normal.x;
    m.faces.push_back(mirrored);
  }
}

std::uint32_t skin_hair_color(const std::vector<color>& keys, float v, bool pixel_shaders) {
  if (keys.empty()) return 0xFFFFFFFFu;
  const float t = std::min(v, 0.99f) * static_cast<float>(keys.size() - 1);
  const int last = static_cast<int>(keys.size()) - 1;
  const int i = std::clamp(static_cast<int>(std::floor(t)), 0, last);
  const float f = t - static_cast<float>(i);
  const color& a = keys[static_cast<std::size_t>(i)];
  const color& b = keys[static_cast<std::size_t>(std::min(i + 1, last))];
  color c{(1.0f - f) * a.r + f * b.r, (1.0f - f) * a.g + f * b.g, (1.0f - f) * a.b + f * b.b, 1.0f};
  if (!pixel_shaders) {
    c.r = std::pow(std::max(c.r, 0.0f), 0.45454544f);
    c.g = std::pow(std::max(c.g, 0.0f), 0.45454544f);
    c.b = std::pow(std::max(c.b, 0.0f), 0.45454544f);
  }
  return color_to_argb(c);
}

namespace {

// The face generator's own sequence.
struct face_random {
  std::uint32_t s;
  std::uint32_t step() {
    s = (s * 0x1C13u - 0xD098556u) * 0x1105u;
    return s;
  }
  float fraction() { return static_cast<float>(step() % 15817u) * 6.322312e-5f; }
  // low + r x (high - low) rounded, exactly .5 going down.
  std::int32_t between(std::int32_t low, std::int32_t high) {
    const float x = fraction() * static_cast<float>(high - low);
    const float whole = std::floor(x);
    return low + static_cast<std::int32_t>(whole) + (x - whole > 0.5f ? 1 : 0);
  }
  float between(float low, float high) { return low + fraction() * (high - low); }
};

}  // namespace

face_state randomize_face_keys(std::uint32_t seed, const face_state& low, const face_state& high,
                               const std::vector<std::vector<std::int32_t>>& hair_materials_by_face_texture,
                               const std::vector<face_constraint>& constraints) {
  face_random g{(seed + 0x8A767u) * 0x1DDCF5Fu + 0x2F784719u};
  face_state out = low;
  out.beard = g.between(low.beard, high.beard);
  out.hair = g.between(low.hair, high.hair);
  out.face_texture = g.between(low.face_texture, high.face_texture);
  const std::vector<std::int32_t>* allowed = nullptr;
  if (!hair_materials_by_face_texture.empty()) {
    // Face codes come from module data: an index past the lists takes the nearest.
    const int last = static_cast<int>(hair_materials_by_face_texture.size()) - 1;
    allowed = &hair_materials_by_face_texture[static_cast<std::size_t>(std::clamp(out.face_texture, 0, last))];
  }
  if (allowed && !allowed->empty())
    out.hair_material = (*allowed)[g.step() % static_cast<std::uint32_t>(allowed->size())];
  else
    out.hair_material = g.between(low.hair_material, high.hair_material);
  out.age = g.between(low.age, high.age);
  out.hair_color = g.between(low.hair_color, high.hair_color);
  for (int k = 0; k < face_morph_slots; ++k) out.morph_weights[k] = g.between(low.morph_weights[k], high.morph_weights[k]);
  apply_face_constraints(constraints, -1, out.morph_weights);
  return out;
}

built_face build_face_mesh(const mesh& head, const std::vector<morph_key>& keys, const float (&weights)[face_morph_slots],
                           float age, const mesh* hair, const std::vector<std::int32_t>* hair_point_map,
                           std::uint32_t hair_color) {
  built_face out;
  out.head = head.create_copy();
  out.head->make_faces_own();
  apply_morph_keys(*out.head, keys, weights);
  if (hair && hair_point_map) {
    out.hair = hair->create_copy();
    apply_morph_keys_mapped(*out.hair, *hair_point_map, keys, weights);
    mirror_face_mesh(*out.hair, false);
  }
  out.head->compute_normals();
  mirror_face_mesh(*out.head, true);
  const float a = std::clamp(age, 0.0f, 1.0f);
  const std::uint32_t alpha = static_cast<std::uint32_t>(a * a * 255.0f);
  for (mesh_vertex& v : out.head->vertices) {
    v.color = (v.color & 0x00FFFFFFu) | (alpha << 24);
    v.current_color = (v.current_color & 0x00FFFFFFu) | (alpha << 24);
  }
  if (out.hair) {
    out.hair->color = hair_color;
    out.hair->color2 = (alpha << 24) | 0xFFFFFFu;
  }
  out.head->compute_bounding_box();
  return out;
}

}  // namespace hm
