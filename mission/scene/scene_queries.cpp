#include "mission/scene/scene_queries.h"

#include <algorithm>
#include <cmath>

#include "engine/collision/body_collision.h"
#include "engine/collision/capsule.h"
#include "engine/collision/face.h"
#include "mission/records/agent.h"
#include "render/scene/light.h"
#include "render/scene/scene_world.h"
#include "render/terrain/ai_mesh.h"
#include "render/terrain/height_field.h"

namespace hm {

namespace {

constexpr float far_away = 1e10f;
constexpr std::int32_t stamp_limit = 1000000000;

float axis_component(const vec3& v, int axis) { return axis == 0 ? v.x : v.y; }

// One axis of a cell walk: the step, the distance between boundaries and the
// distance to the next one.
struct axis_walk {
  int step = 1;
  float delta = far_away;
  float next = far_away;
};

// 2-D: whether p lies on the inner side of every edge of a counter-clockwise
// outline.
template <class Corner>
bool outline_contains(int count, Corner corner, const vec3& p) {
  if (count < 3) return false;
  for (int i = 0; i < count; ++i) {
    const vec3 a = corner(i);
    const vec3 b = corner((i + 1) % count);
    if ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x) < 0.0f) return false;
  }
  return true;
}

}  // namespace

bool polygon_contains_point(const face& f, float x, float y) {
  return outline_contains(std::min(f.vertex_count, face::max_vertices), [&f](int i) { return f.vertices[i]; },
                          vec3(x, y, 0.0f));
}

float plane_height_at(const face& f, float x, float y) {
  const vec3& v = f.vertices[0];
  if (f.normal.z == 0.0f) return v.z;
  return v.z - ((x - v.x) * f.normal.x + (y - v.y) * f.normal.y) / f.normal.z;
}

void collect_segment_cells(const scene_world& scene, const vec3& from, const vec3& to, std::vector<grid_cell>& out) {
  out.clear();
  float ux = to.x - from.x;
  float uy = to.y - from.y;
  const float length = std::sqrt(ux * ux + uy * uy);
  if (!std::isfinite(length)) {
    // A segment without a finite end has no cells to walk beyond its start.
    out.push_back(grid_cell{scene.cell_of(from.x, 0), scene.cell_of(from.y, 1)});
    return;
  }
  if (length > 0.0f) {
    ux /= length;
    uy /= length;
  } else {
    ux = 0.0f;
    uy = 1.0f;
  }
  const float u[2] = {ux, uy};
  const int counts[2] = {scene.cells_x, scene.cells_y};
  int cell[2];
  axis_walk walk[2];
  for (int axis = 0; axis < 2; ++axis) {
    const float c = scene.cell_size[axis];
    const float p = axis_component(from, axis);
    const float lo = scene.bounds_min[axis];
    const float hi = scene.bounds_max[axis];
    const float speed = std::fabs(u[axis]);
    const bool up = u[axis] > 0.0f;
    axis_walk& w = walk[axis];
    w.step = up ? 1 : -1;
    w.delta = speed > 0.0f && c > 0.0f ? std::fabs(c / u[axis]) : far_away;
    // floor((p - min) / c) + 1 held to the grid, as the scene files parts.
    cell[axis] = scene.cell_of(p, axis);
    if (!(speed > 0.0f) || !(c > 0.0f)) {
      w.next = far_away;
    } else if (p < lo) {
      w.next = up ? (lo - p) / speed : far_away;
    } else if (p > hi) {
      w.next = up ? far_away : (p - hi) / speed;
    } else {
      const float into = std::fmod(p - lo, c);
      w.next = (up ? c - into : into) / speed;
    }
  }
  out.push_back(grid_cell{cell[0], cell[1]});
  float t = 0.0f;
  while (walk[0].next + t < length || walk[1].next + t < length) {
    const int axis = walk[1].next <= walk[0].next ? 1 : 0;
    const int other = 1 - axis;
    const float step_t = walk[axis].next;
    cell[axis] = std::clamp(cell[axis] + walk[axis].step, 0, counts[axis] - 1);
    out.push_back(grid_cell{cell[0], cell[1]});
    walk[other].next -= step_t;
    t += step_t;
    const bool border = cell[axis] == 0 || cell[axis] == counts[axis] - 1;
    walk[axis].next = border ? far_away : walk[axis].delta;
  }
}

void merge_face_lists(const scene_cell& cell, std::uint32_t exclusion_mask, std::vector<body_part*>& list) {
  // The merge writes into a list kept between calls and swaps it in, so a
  // query over many cells does not allocate once per cell.
  thread_local std::vector<body_part*> merged;
  merged.clear();
  merged.reserve(list.size() + cell.bodies.size());
  std::size_t i = 0;
  for (body_part* p : cell.bodies) {
    // Only the faces: the spheres and capsules of loose items are not walls.
    if (p->get_type_id() != face_type_id || (p->flags & exclusion_mask) != 0) continue;
    while (i < list.size() && list[i]->scene_order < p->scene_order) merged.push_back(list[i++]);
    if (i < list.size() && list[i] == p) ++i;
    merged.push_back(p);
  }
  merged.insert(merged.end(), list.begin() + static_cast<std::ptrdiff_t>(i), list.end());
  list.swap(merged);
}

void query_collision_faces(const scene_world& scene, const vec3& from, const vec3& to, std::uint32_t exclusion_mask,
                           std::vector<body_part*>& out) {
  out.clear();
  thread_local std::vector<grid_cell> cells;
  collect_segment_cells(scene, from, to, cells);
  for (const grid_cell& c : cells) merge_face_lists(scene.cell_at(c.x, c.y), exclusion_mask, out);
}

bool walk_segment(const height_field& ground, const vec3& from, const vec3& to) {
  const float c = ground.cell_size;
  if (!(c > 0.0f) || ground.sample_count_x <= 0 || ground.sample_count_y <= 0) return true;
  const float lo[2] = {ground.bounds[0], ground.bounds[1]};
  const float hi[2] = {lo[0] + static_cast<float>(ground.sample_count_x) * c,
                       lo[1] + static_cast<float>(ground.sample_count_y) * c};
  vec3 d = to - from;
  const float length = d.length();
  if (!(length > 0.0f)) return true;
  d *= 1.0f / length;
  float entry = 0.0f;
  float exit = length;
  for (int axis = 0; axis < 2; ++axis) {
    const float p = axis_component(from, axis);
    const float v = axis_component(d, axis);
    if (v == 0.0f) {
      if (p < lo[axis] || p > hi[axis]) return true;
      continue;
    }
    float t0 = (lo[axis] - p) / v;
    float t1 = (hi[axis] - p) / v;
    if (t0 > t1) std::swap(t0, t1);
    entry = std::max(entry, t0);
    exit = std::min(exit, t1);
  }
  if (entry >= exit) return true;
  const vec3 p = from + d * entry;
  const vec3 q = from + d * exit;
  float hx = q.x - p.x;
  float hy = q.y - p.y;
  const float run = std::sqrt(hx * hx + hy * hy);
  if (run > 1e10f) return false;
  if (!(run > 0.0f)) return true;
  hx /= run;
  hy /= run;
  const float h[2] = {hx, hy};
  const float start[2] = {p.x, p.y};
  int cell[2];
  axis_walk walk[2];
  for (int axis = 0; axis < 2; ++axis) {
    axis_walk& w = walk[axis];
    const float offset = start[axis] - lo[axis];
    cell[axis] = static_cast<int>(std::floor(offset / c));
    w.step = h[axis] > 0.0f ? 1 : -1;
    if (h[axis] == 0.0f) {
      w.delta = 1e9f;
      w.next = 1e9f;
      continue;
    }
    w.delta = std::fabs(c / h[axis]);
    const float into = offset - std::floor(offset / c) * c;
    w.next = (h[axis] > 0.0f ? c - into : into) / std::fabs(h[axis]);
  }
  const auto height_at = [&ground](int x, int y) { return ground.sample(x, y).height; };
  float t = 0.0f;
  while (walk[0].next + t < run || walk[1].next + t < run) {
    const int axis = walk[1].next <= walk[0].next ? 1 : 0;
    const int other = 1 - axis;
    t += walk[axis].next;
    walk[other].next -= walk[axis].next;
    const int i = cell[0];
    const int j = cell[1];
    if (i >= 0 && i < ground.sample_count_x && j >= 0 && j < ground.sample_count_y) {
      // The grid line crossed, and the two vertices at the ends of the
      // crossed cell edge (an edge on the grid's far border has no vertex
      // beyond it and is not tested).
      const int line = cell[axis] + (walk[axis].step > 0 ? 1 : 0);
      const int along = cell[other];
      const int line_count = axis == 0 ? ground.sample_count_x : ground.sample_count_y;
      const int along_count = axis == 0 ? ground.sample_count_y : ground.sample_count_x;
      if (line < line_count && along + 1 < along_count) {
        const float crossing = start[other] + h[other] * t;
        const float fraction = (crossing - (lo[other] + static_cast<float>(along) * c)) / c;
        const float a = axis == 0 ? height_at(line, along) : height_at(along, line);
        const float b = axis == 0 ? height_at(line, along + 1) : height_at(along + 1, line);
        const float ground_height = a + (b - a) * fraction;
        const float segment_height = p.z + (t / run) * (q.z - p.z);
        if (ground_height > segment_height) return false;
      }
    }
    cell[axis] += walk[axis].step;
    walk[axis].next = walk[axis].delta;
  }
  return true;
}

int sweep_capsule_against_scene(const scene_world& scene, const height_field* ground, const vec3& from,
                                const vec3& to, float max_length, const body_part** blocker) {
  if (blocker != nullptr) *blocker = nullptr;
  if (ground != nullptr && !walk_segment(*ground, from, to)) return 0;
  const vec3 offset = to - from;
  const vec3 direction = get_normalized(offset);
  const float s = std::min(offset.length(), max_length);
  const vec3 end = from + direction * s;
  const capsule probe(from, end, 0.015f);
  thread_local std::vector<body_part*> faces;
  query_collision_faces(scene, from, end, segment_exclusion_mask, faces);
  for (const body_part* f : faces) {
    if (collide_bodies(*f, probe, 0, nullptr) > 0) {
      if (blocker != nullptr) *blocker = f;
      return 0;
    }
  }
  return 1;
}

float find_ground_face(const scene_world& scene, const vec3& point, const face** out_face) {
  float height = -1000000.0f;
  const face* found = nullptr;
  float best_above = no_ground_height;
  const face* above = nullptr;
  if (!scene.cells.empty()) {
    const scene_cell& cell = scene.cell_at(scene.cell_of(point.x, 0), scene.cell_of(point.y, 1));
    for (const body_part* part : cell.bodies) {
      if (part->get_type_id() != face_type_id || (part->flags & ground_exclusion_mask) != 0 || part->tag < 0) continue;
      const vec3 lo = part->get_bounding_min();
      const vec3 hi = part->get_bounding_max();
      if (point.x < lo.x || point.x > hi.x || point.y < lo.y || point.y > hi.y) continue;
      const face& f = static_cast<const face&>(*part);
      if (!polygon_contains_point(f, point.x, point.y)) continue;
      const float h = plane_height_at(f, point.x, point.y);
      if (h < point.z + 1.0f) {
        if (h > height) {
          height = h;
          found = &f;
        }
      } else if (h < best_above) {
        best_above = h;
        above = &f;
      }
    }
  }
  if (height < -900000.0f) {
    height = best_above;
    found = above;
  }
  if (out_face != nullptr) *out_face = found;
  return height;
}

float get_ground_height(const scene_world& scene, const vec3& point) { return find_ground_face(scene, point, nullptr); }

void light_point(const scene_world& scene, const height_field* ground, const vec3& point, const vec3& normal,
                 vec3& main_direction, vec3& colour, std::uint32_t flags, float sun_strength) {
  vec3 sum_direction;
  vec3 sum_colour;
  for (const auto& l : scene.lights) {
    const bool sun = l->type == light_type_directional;
    if (((flags & light_skip_sun) != 0 && sun) || ((flags & light_skip_others) != 0 && !sun)) continue;
    vec3 v;
    float distance = 1000.0f;
    float strength = 1.0f;
    if (sun) {
      v = l->direction;
      strength = sun_strength;
    } else {
      const vec3 offset = point - l->position;
      distance = offset.length();
      v = get_normalized(offset);
    }
    const float n = -dot_product(v, normal);
    if (!(n > 0.0f)) continue;
    vec3 light_at = l->position;
    if (sun) {
      light_at = point - v * distance;
    } else {
      // l->strength is the light's range.
      if (distance >= l->strength || !(distance > 0.0f)) continue;
      strength /= distance * distance;
    }
    if (flags == 0 && sweep_capsule_against_scene(scene, ground, point - v * 0.05f, light_at, 150.0f, nullptr) == 0) {
      continue;
    }
    if ((l->flags & light_flag_fill) != 0) strength *= 0.5f;
    const float w = strength * (0.9f * n + 0.1f);
    sum_colour += vec3(l->colour.r, l->colour.g, l->colour.b) * w;
    sum_direction += v * (w * 0.33f * (l->colour.r + l->colour.g + l->colour.b));
  }
  colour = sum_colour;
  if (sum_direction.length() <= 1e-10f) {
    main_direction = vec3(0.0f, 1.0f, 0.0f);
  } else {
    main_direction = get_normalized(sum_direction);
  }
}

std::int32_t next_search_stamp(ai_mesh& mesh, std::int32_t& running_stamp) {
  if (running_stamp > stamp_limit) {
    for (ai_mesh_face& f : mesh.faces) f.stamp = 0;
    running_stamp = 0;
  }
  running_stamp += 3;
  return running_stamp;
}

bool nav_face_contains(const ai_mesh& mesh, int face_index, const vec3& point) {
  if (face_index < 0 || face_index >= static_cast<int>(mesh.faces.size())) return false;
  const ai_mesh_face& f = mesh.faces[static_cast<std::size_t>(face_index)];
  const int count = std::min(f.vertex_count, 4);
  for (int i = 0; i < count; ++i) {
    if (f.vertices[i] < 0 || f.vertices[i] >= static_cast<int>(mesh.vertices.size())) return false;
  }
  return outline_contains(
      count, [&](int i) { return mesh.vertices[static_cast<std::size_t>(f.vertices[i])].position; }, point);
}

namespace {

void walk_neighbours(ai_mesh& mesh, std::int32_t stamp, int face_index, int depth, const vec3& point, int& best,
                     float& best_distance) {
  const ai_mesh_face& f = mesh.faces[static_cast<std::size_t>(face_index)];
  const int count = std::min(f.vertex_count, 4);
  for (int e = 0; e < count; ++e) {
    const int edge = f.edges[e];
    if (edge < 0 || edge >= static_cast<int>(mesh.edges.size())) continue;
    const ai_mesh_edge& ed = mesh.edges[static_cast<std::size_t>(edge)];
    const int other = ed.face_0 == face_index ? ed.face_1 : ed.face_0;
    if (other < 0 || other >= static_cast<int>(mesh.faces.size())) continue;
    ai_mesh_face& n = mesh.faces[static_cast<std::size_t>(other)];
    if (n.stamp == stamp) continue;
    n.stamp = stamp;
    if (nav_face_contains(mesh, other, point)) {
      const float distance = std::fabs(point.z - mesh.face_height(other, point));
      if (distance < 2.0f && distance < best_distance) {
        best = other;
        best_distance = distance;
      }
    }
    if (depth > 1) walk_neighbours(mesh, stamp, other, depth - 1, point, best, best_distance);
  }
}

}  // namespace

int find_face_near(ai_mesh& mesh, std::int32_t& running_stamp, const vec3& point, int start, int depth) {
  if (start < 0 || start >= static_cast<int>(mesh.faces.size())) return -1;
  const std::int32_t stamp = next_search_stamp(mesh, running_stamp);
  mesh.faces[static_cast<std::size_t>(start)].stamp = stamp;
  int best = -1;
  float best_distance = 100000.0f;
  walk_neighbours(mesh, stamp, start, depth, point, best, best_distance);
  return best;
}

int update_agent_ground_face(ai_mesh* mesh, std::int32_t& running_stamp, agent& a) {
  if ((a.position() - a.last_ground_search_position).length_squared() <= 0.001f) return a.ground_face_index;
  a.last_ground_search_position = a.position();
  if (mesh == nullptr) {
    a.ground_face_index = -1;
    return -1;
  }
  const int kept = a.ground_face_index;
  if (kept >= 0 && nav_face_contains(*mesh, kept, a.position())) return kept;
  int found = -1;
  if (kept >= 0 && kept < static_cast<int>(mesh->faces.size())) {
    found = find_face_near(*mesh, running_stamp, a.position(), kept, 2);
  }
  if (found < 0) found = mesh->find_face(a.position());
  a.ground_face_index = found;
  return found;
}

}  // namespace hm
