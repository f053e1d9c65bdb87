#include "editor/navmesh/ai_mesh_view.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "editor/navmesh/ai_mesh_display.h"
#include "editor/navmesh/ai_mesh_editor.h"
#include "mission/records/mission.h"
#include "mission/screen/screen_controls.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

constexpr int right_button = platform::mouse_button_first + 1;
// Vertices and edges qualify within this ratio of miss to distance.
constexpr float pick_ratio = 0.1f;
constexpr float pick_near_distance = 2.0f;
constexpr float face_pick_limit = 1e8f;

std::int32_t count_of(std::size_t n) { return static_cast<std::int32_t>(n); }

// The point of the ray nearest p (the origin for a point behind it).
vec3 nearest_on_ray(const vec3& origin, const vec3& direction, const vec3& p) {
  const float t = std::max(dot_product(p - origin, direction), 0.0f);
  return origin + direction * t;
}

// The nearest points of the segment a-b and the ray.
void nearest_segment_ray(const vec3& a, const vec3& b, const vec3& origin, const vec3& direction, vec3& on_segment,
                         vec3& on_ray) {
  const vec3 d1 = b - a;
  const vec3 r = a - origin;
  const float len2 = d1.length_squared();
  if (len2 < 1e-12f) {
    on_segment = a;
    on_ray = nearest_on_ray(origin, direction, a);
    return;
  }
  const float b_dot = dot_product(d1, direction);
  const float c = dot_product(d1, r);
  const float f = dot_product(direction, r);
  const float denom = len2 - b_dot * b_dot;  // the direction is of unit length
  float s = denom > 1e-12f ? std::clamp((b_dot * f - c) / denom, 0.0f, 1.0f) : 0.0f;
  float t = b_dot * s + f;
  if (t < 0.0f) {
    t = 0.0f;
    s = std::clamp(-c / len2, 0.0f, 1.0f);
  }
  on_segment = a + d1 * s;
  on_ray = origin + direction * t;
  // With t fixed the segment point may still move; one more pass settles it.
  const float s2 = std::clamp(dot_product(on_ray - a, d1) / len2, 0.0f, 1.0f);
  on_segment = a + d1 * s2;
  on_ray = nearest_on_ray(origin, direction, on_segment);
}

float pick_score(const vec3& element, const vec3& on_ray, const vec3& origin) {
  const float p = (element - on_ray).length();
  const float q = std::max((on_ray - origin).length(), pick_near_distance);
  return p / q;
}

// Distance along the ray to the triangle, negative for a miss.
float ray_triangle(const vec3& origin, const vec3& direction, const vec3& a, const vec3& b, const vec3& c) {
  const vec3 e1 = b - a;
  const vec3 e2 = c - a;
  const vec3 p = cross_product(direction, e2);
  const float det = dot_product(e1, p);
  if (std::fabs(det) < 1e-10f) return -1.0f;
  const float inv = 1.0f / det;
  const vec3 s = origin - a;
  const float u = dot_product(s, p) * inv;
  if (u < 0.0f || u > 1.0f) return -1.0f;
  const vec3 q = cross_product(s, e1);
  const float v = dot_product(direction, q) * inv;
  if (v < 0.0f || u + v > 1.0f) return -1.0f;
  return dot_product(e2, q) * inv;
}

// The upright frame at the camera: forward made level, up the world's.
frame upright_frame(const frame& camera) {
  frame out = frame::identity();
  out.origin = camera.origin;
  vec3 forward(camera.rot.f.x, camera.rot.f.y, 0.0f);
  if (forward.length() < 1e-6f) forward = vec3(camera.rot.u.x, camera.rot.u.y, 0.0f);
  forward.normalize();
  out.rot.f = forward;
  out.rot.u = vec3(0.0f, 0.0f, 1.0f);
  out.rot.s = cross_product(out.rot.f, out.rot.u);
  return out;
}

rotation axis_rotation(int axis, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  rotation r = rotation::identity();
  if (axis == 0) {
    r.f = vec3(0.0f, c, s);
    r.u = vec3(0.0f, -s, c);
  } else if (axis == 1) {
    r.s = vec3(c, 0.0f, -s);
    r.u = vec3(s, 0.0f, c);
  } else {
    r.s = vec3(c, s, 0.0f);
    r.f = vec3(-s, c, 0.0f);
  }
  return r;
}

// The centroid of the marked vertices; false when none is marked.
bool marked_centroid(ai_mesh_editor& ed, vec3& centre) {
  ed.mark_selection_vertices(ed.element_mode);
  const ai_mesh& g = *ed.mesh();
  vec3 sum;
  std::int32_t n = 0;
  for (std::size_t i = 0; i < g.vertices.size(); ++i) {
    if (!ed.vertex_marks[i]) continue;
    sum += g.vertices[i].position;
    ++n;
  }
  if (n == 0) return false;
  centre = sum * (1.0f / static_cast<float>(n));
  return true;
}

}  // namespace

std::int32_t ai_mesh_pick_vertex(const ai_mesh_editor& ed, const vec3& origin, const vec3& direction) {
  const ai_mesh* g = ed.mesh();
  if (!g) return -1;
  std::int32_t best = -1;
  float best_score = pick_ratio;
  for (std::size_t i = 0; i < g->vertices.size(); ++i) {
    const vec3& p = g->vertices[i].position;
    const float score = pick_score(p, nearest_on_ray(origin, direction, p), origin);
    if (score < best_score) {
      best_score = score;
      best = count_of(i);
    }
  }
  return best;
}

std::int32_t ai_mesh_pick_edge(const ai_mesh_editor& ed, const vec3& origin, const vec3& direction) {
  const ai_mesh* g = ed.mesh();
  if (!g) return -1;
  const std::int32_t nv = count_of(g->vertices.size());
  std::int32_t best = -1;
  float best_score = pick_ratio;
  for (std::size_t i = 0; i < g->edges.size(); ++i) {
    const ai_mesh_edge& e = g->edges[i];
    if (e.vertex_a < 0 || e.vertex_a >= nv || e.vertex_b < 0 || e.vertex_b >= nv) continue;
    vec3 on_segment;
    vec3 on_ray;
    nearest_segment_ray(g->vertices[static_cast<std::size_t>(e.vertex_a)].position,
                        g->vertices[static_cast<std::size_t>(e.vertex_b)].position, origin, direction, on_segment,
                        on_ray);
    const float score = pick_score(on_segment, on_ray, origin);
    if (score < best_score) {
      best_score = score;
      best = count_of(i);
    }
  }
  return best;
}

std::int32_t ai_mesh_pick_face(const ai_mesh_editor& ed, const vec3& origin, const vec3& direction) {
  const ai_mesh* g = ed.mesh();
  if (!g) return -1;
  const std::int32_t nv = count_of(g->vertices.size());
  std::int32_t best = -1;
  float nearest = face_pick_limit;
  for (std::size_t i = 0; i < g->faces.size(); ++i) {
    const ai_mesh_face& f = g->faces[i];
    if (f.vertex_count < 3 || f.vertex_count > 4) continue;
    bool ok = true;
    for (std::int32_t k = 0; k < f.vertex_count; ++k) ok = ok && f.vertices[k] >= 0 && f.vertices[k] < nv;
    if (!ok) continue;
    const auto at = [&](std::int32_t k) { return g->vertices[static_cast<std::size_t>(f.vertices[k])].position; };
    // A quad as the triangles 0-1-2 and 0-2-3.
    for (std::int32_t t = 0; t + 3 <= f.vertex_count; ++t) {
      const float hit = ray_triangle(origin, direction, at(0), at(t + 1), at(t + 2));
      if (hit >= 0.0f && hit < nearest) {
        nearest = hit;
        best = count_of(i);
      }
    }
  }
  return best;
}

void ai_mesh_rotate_selection(ai_mesh_editor& ed, const rotation& r) {
  if (!ed.mesh()) return;
  vec3 c;
  if (!marked_centroid(ed, c)) return;
  ai_mesh& g = *ed.mesh();
  for (std::size_t i = 0; i < g.vertices.size(); ++i) {
    if (!ed.vertex_marks[i]) continue;
    const vec3 d = g.vertices[i].position - c;
    g.vertices[i].position = c + r.s * d.x + r.f * d.y + r.u * d.z;
  }
}

void ai_mesh_scale_selection(ai_mesh_editor& ed, const vec3& factors) {
  if (!ed.mesh()) return;
  vec3 c;
  if (!marked_centroid(ed, c)) return;
  ai_mesh& g = *ed.mesh();
  for (std::size_t i = 0; i < g.vertices.size(); ++i) {
    if (!ed.vertex_marks[i]) continue;
    const vec3 d = g.vertices[i].position - c;
    g.vertices[i].position = vec3(c.x + factors.x * d.x, c.y + factors.y * d.y, c.z + factors.z * d.z);
  }
}

void ai_mesh_copy_faces(ai_mesh_editor& ed, const frame& camera) {
  const ai_mesh* g = ed.mesh();
  if (!g || ed.element_mode != ai_element_faces) return;
  const frame up = upright_frame(camera);
  ai_mesh_clipboard& clip = ed.clipboard;
  clip = ai_mesh_clipboard{};
  std::map<std::int32_t, std::int32_t> vertex_ids;
  std::map<std::int32_t, std::int32_t> edge_ids;
  const auto vertex_id = [&](std::int32_t v) {
    const auto it = vertex_ids.find(v);
    if (it != vertex_ids.end()) return it->second;
    const std::int32_t id = count_of(clip.vertices.size());
    clip.vertices.push_back(up.transform_point_to_local(g->vertices[static_cast<std::size_t>(v)].position));
    vertex_ids[v] = id;
    return id;
  };
  for (const ai_mesh_face& f : g->faces) {
    if (!f.selected || f.vertex_count < 3 || f.vertex_count > 4) continue;
    ai_mesh_face copy = f;
    for (std::int32_t k = 0; k < 4; ++k) {
      copy.vertices[k] = ai_mesh_no_corner;
      copy.edges[k] = ai_mesh_no_corner;
    }
    for (std::int32_t k = 0; k < f.vertex_count; ++k) copy.vertices[k] = vertex_id(f.vertices[k]);
    for (std::int32_t k = 0; k < f.vertex_count; ++k) {
      const std::int32_t e = f.edges[k];
      auto it = edge_ids.find(e);
      if (it == edge_ids.end()) {
        const ai_mesh_edge& edge = g->edges[static_cast<std::size_t>(e)];
        const std::int32_t id = count_of(clip.edge_ends.size() / 2);
        clip.edge_ends.push_back(vertex_id(edge.vertex_a));
        clip.edge_ends.push_back(vertex_id(edge.vertex_b));
        it = edge_ids.emplace(e, id).first;
      }
      copy.edges[k] = it->second;
    }
    clip.faces.push_back(copy);
  }
}

void ai_mesh_paste_faces(ai_mesh_editor& ed, const frame& camera) {
  ai_mesh* g = ed.mesh();
  if (!g) return;
  ed.select_all(ai_element_vertices, 0);
  ed.select_all(ai_element_edges, 0);
  ed.select_all(ai_element_faces, 0);
  ed.primary_vertex = -1;
  const ai_mesh_clipboard& clip = ed.clipboard;
  if (clip.faces.empty()) return;
  const frame up = upright_frame(camera);
  const std::int32_t vertex_base = count_of(g->vertices.size());
  const std::int32_t edge_base = count_of(g->edges.size());
  for (const vec3& p : clip.vertices) {
    add_ai_mesh_vertex(*g, up.transform_point_to_global(p));
    g->vertices.back().selected = 1;
  }
  for (std::size_t i = 0; i + 1 < clip.edge_ends.size(); i += 2) {
    add_ai_mesh_edge(*g, clip.edge_ends[i] + vertex_base, clip.edge_ends[i + 1] + vertex_base);
    g->edges.back().selected = 1;
  }
  for (ai_mesh_face f : clip.faces) {
    for (std::int32_t k = 0; k < f.vertex_count; ++k) {
      f.vertices[k] += vertex_base;
      f.edges[k] += edge_base;
    }
    f.selected = 1;
    g->faces.push_back(f);
  }
  rebuild_ai_mesh_adjacency(*g);
}

bool ai_mesh_edit_frame(ai_mesh_editor& ed, const ai_mesh_view_input& in, ai_mesh_view_words words,
                        ai_mesh_display& display) {
  if (!ed.mesh() || !in.input) return false;
  const screen_input& keys = *in.input;
  std::uint32_t unused_mode = 0;
  std::uint32_t unused_changed = 0;
  std::uint32_t& element_mode = words.element_mode ? *words.element_mode : unused_mode;
  std::uint32_t& scene_changed = words.scene_changed ? *words.scene_changed : unused_changed;
  bool mode_changed = false;
  bool graph_changed = false;
  ed.element_mode = static_cast<std::int32_t>(std::min<std::uint32_t>(element_mode, 2));

  const auto mark_kind = [&display](std::int32_t kind) {
    if (kind == ai_element_vertices) display.rebuild_vertices = true;
    else if (kind == ai_element_edges) display.rebuild_edges = true;
    else display.rebuild_faces = true;
  };
  if (keys.key_clicked(right_button) && in.has_ray) {
    const vec3 direction = get_normalized(in.ray_direction);
    if (!keys.ctrl()) {
      ed.select_all(ed.element_mode, 0);
      mark_kind(ed.element_mode);
    }
    std::int32_t hit = -1;
    if (ed.element_mode == ai_element_vertices) hit = ai_mesh_pick_vertex(ed, in.ray_origin, direction);
    else if (ed.element_mode == ai_element_edges) hit = ai_mesh_pick_edge(ed, in.ray_origin, direction);
    else hit = ai_mesh_pick_face(ed, in.ray_origin, direction);
    if (hit >= 0) {
      ed.toggle_element(ed.element_mode, hit);
      mark_kind(ed.element_mode);
    }
  }
  for (std::uint32_t k = 0; k < 3; ++k) {
    if (!keys.key_clicked(platform::key::digit_1 + static_cast<int>(k))) continue;
    element_mode = k;
    ed.element_mode = static_cast<std::int32_t>(k);
    mode_changed = true;
    display.mark_all();
  }

  const float s = keys.ctrl() ? 0.06f : 0.6f;
  const float dx = in.mouse_dx;
  const float dy = in.mouse_dy;
  const float a = (dx + dy) * s * 0.005f;
  const bool alt = keys.alt();
  const auto touched = [&]() {
    display.mark_all();
    scene_changed = 1;
    graph_changed = true;
  };
  if (keys.key_down(platform::key::g)) {
    vec3 right(in.camera.rot.s.x, in.camera.rot.s.y, 0.0f);
    vec3 forward(in.camera.rot.f.x, in.camera.rot.f.y, 0.0f);
    right = right.length() > 1e-6f ? get_normalized(right) : vec3();
    forward = forward.length() > 1e-6f ? get_normalized(forward) : vec3();
    ed.move_selection(ed.element_mode, right * (dx * s * 0.01f) + forward * (-dy * s * 0.01f));
    touched();
  }
  if (keys.key_down(platform::key::t)) {
    ed.move_selection(ed.element_mode, vec3(0.0f, 0.0f, alt ? 0.0f : -s * 0.01f * dy));
    touched();
  }
  const bool b_held = keys.key_down(platform::key::b);
  const int axis_keys[3] = {platform::key::x, platform::key::y, platform::key::z};
  if (!alt && !b_held) {
    for (int axis = 0; axis < 3; ++axis) {
      if (!keys.key_down(axis_keys[axis])) continue;
      ai_mesh_rotate_selection(ed, axis_rotation(axis, a));
      touched();
    }
  }
  if (b_held && !alt) {
    const float f = 1.0f - a * 0.05f;
    vec3 factors(f, f, f);
    bool one_axis = false;
    for (int axis = 0; axis < 3 && !one_axis; ++axis) {
      if (!keys.key_down(axis_keys[axis])) continue;
      factors = vec3(axis == 0 ? f : 1.0f, axis == 1 ? f : 1.0f, axis == 2 ? f : 1.0f);
      one_axis = true;
    }
    ai_mesh_scale_selection(ed, factors);
    touched();
  }
  if (keys.key_clicked(platform::key::del)) {
    ed.delete_selection();
    touched();
  }
  if (keys.ctrl() && keys.key_clicked(platform::key::c)) ai_mesh_copy_faces(ed, in.camera);
  if (keys.ctrl() && keys.key_clicked(platform::key::v) && !keys.shift()) {
    ai_mesh_paste_faces(ed, in.camera);
    touched();
  }
  if (graph_changed) rebuild_ai_mesh_adjacency(*ed.mesh());
  refresh_ai_mesh_display(ed, display);
  return mode_changed;
}

void ai_mesh_changed(mission& m) {
  if (!m.nav_mesh) return;
  rebuild_ai_mesh_adjacency(*m.nav_mesh);
  if (m.scene) m.scene->index_ai_mesh(m.nav_mesh);
  for (std::int32_t i = 0; i < m.agents.count(); ++i) {
    agent* a = m.agents.get(i);
    if (!a) continue;
    a->ground_face_index = m.nav_mesh->find_face(a->position());
    a->last_ground_search_position = a->position();
    a->goal_face = a->goal_face >= 0 ? m.nav_mesh->find_face(a->goal_position) : a->goal_face;
    a->searched_goal_face = -1;
    a->path_length = 0;
    a->path_index = 0;
    a->path_faces.clear();
    a->path_points.clear();
    a->repath_needed = 1;
  }
  for (auto& t : m.teams)
    for (auto& g : t.groups) g.follow_face = -1;
}

}  // namespace hm
