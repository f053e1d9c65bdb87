#include "mission/ai/nav_path.h"

#include <algorithm>
#include <cmath>

#include "mission/scene/scene_queries.h"
#include "render/terrain/ai_mesh.h"

namespace hm {

namespace {

bool key_after(const nav_open_entry& a, const nav_open_entry& b) { return a.key > b.key; }

bool face_in_range(const ai_mesh& mesh, int face) {
  return face >= 0 && face < static_cast<int>(mesh.faces.size());
}

int side_count(const ai_mesh_face& f) { return std::clamp(f.vertex_count, 0, 4); }

const ai_mesh_edge* side_edge(const ai_mesh& mesh, const ai_mesh_face& f, int side) {
  const int e = f.edges[side];
  if (e < 0 || e >= static_cast<int>(mesh.edges.size())) return nullptr;
  return &mesh.edges[static_cast<std::size_t>(e)];
}

// The clearance of a side for an agent entering `entered` across it.
float clearance_into(const ai_mesh_edge& e, int entered) {
  return e.face_0 == entered ? e.clearance : e.clearance_1;
}

// The shared part of the two searches: a best-first walk from `start` that
// stops as soon as `goal` is first reached. With `unit_steps` every step
// costs 1 and a face is expanded only within `step_limit`; otherwise steps
// cost by the sides' clearance against w.
bool search(ai_mesh& mesh, std::int32_t& running_stamp, nav_open_list& open, int start, int goal, bool unit_steps,
            float w, int step_limit, std::int32_t& expanded) {
  expanded = 0;
  open.clear();
  const std::int32_t stamp = next_search_stamp(mesh, running_stamp);
  ai_mesh_face& start_face = mesh.faces[static_cast<std::size_t>(start)];
  const ai_mesh_face& goal_face = mesh.faces[static_cast<std::size_t>(goal)];
  const vec3 start_centre = start_face.centre;
  const vec3 goal_centre = goal_face.centre;
  const float key_weight = unit_steps ? 0.7f : 1.0f;
  start_face.stamp = stamp + 1;
  start_face.parent_face = start;
  open.push({start, 0.0f, 0.0f});
  float last_key = 0.0f;
  while (goal_face.stamp <= stamp) {
    if (open.empty() || last_key >= path_key_limit) break;
    ++expanded;
    const nav_open_entry e = open.pop();
    last_key = e.key;
    ai_mesh_face& ef = mesh.faces[static_cast<std::size_t>(e.face)];
    if (!unit_steps || static_cast<int>(e.cost) <= step_limit) {
      for (int j = 0; j < side_count(ef); ++j) {
        const int n = nav_neighbour(mesh, e.face, j);
        if (n < 0) continue;
        ai_mesh_face& nf = mesh.faces[static_cast<std::size_t>(n)];
        if (nf.stamp > stamp) continue;
        nf.stamp = stamp + 1;
        nf.parent_face = e.face;
        const float step = unit_steps ? 1.0f : side_step_cost(clearance_into(*side_edge(mesh, ef, j), n), w);
        const float cost = e.cost + step;
        open.push({n, cost, path_key(cost, start_centre, goal_centre, nf.centre, key_weight)});
      }
    }
    ef.stamp = stamp + 2;
  }
  return goal_face.stamp > stamp;
}

// The crossing point of the side by which face `from` touches face `to`
// (the first side's when they share none).
vec3 crossing_point(const ai_mesh& mesh, int from, int to) {
  const ai_mesh_face& f = mesh.faces[static_cast<std::size_t>(from)];
  for (int j = 0; j < side_count(f); ++j) {
    if (nav_neighbour(mesh, from, j) == to) return side_edge(mesh, f, j)->midpoint;
  }
  const ai_mesh_edge* first = side_count(f) > 0 ? side_edge(mesh, f, 0) : nullptr;
  return first != nullptr ? first->midpoint : f.centre;
}

}  // namespace

void nav_open_list::push(const nav_open_entry& e) {
  heap_.push_back(e);
  std::push_heap(heap_.begin(), heap_.end(), key_after);
}

nav_open_entry nav_open_list::pop() {
  std::pop_heap(heap_.begin(), heap_.end(), key_after);
  const nav_open_entry e = heap_.back();
  heap_.pop_back();
  return e;
}

float path_key(float cost, const vec3& start_centre, const vec3& goal_centre, const vec3& face_centre, float weight) {
  const float from_start = (start_centre - face_centre).length();
  if (!(from_start > 1e-6f)) return cost;
  const float key = cost * (1.0f + weight * (goal_centre - face_centre).length() / from_start);
  return std::isfinite(key) ? key : path_key_limit;
}

float side_step_cost(float clearance, float w) {
  float step = clearance < 0.65f ? (0.65f - clearance) * 20.0f + 1.0f : 1.0f;
  if (clearance <= w) step += (1.0f - clearance) * 50.0f;
  return step;
}

int nav_neighbour(const ai_mesh& mesh, int face, int side) {
  if (!face_in_range(mesh, face)) return -1;
  const ai_mesh_face& f = mesh.faces[static_cast<std::size_t>(face)];
  if (side < 0 || side >= side_count(f)) return -1;
  const ai_mesh_edge* e = side_edge(mesh, f, side);
  if (e == nullptr) return -1;
  const int other = e->face_0 == face ? e->face_1 : e->face_0;
  return face_in_range(mesh, other) && other != face ? other : -1;
}

bool find_path(ai_mesh& mesh, std::int32_t& running_stamp, nav_open_list& open, int start, int goal, float w,
               nav_path& out) {
  out.length = 0;
  out.expanded = 0;
  if (!face_in_range(mesh, start) || !face_in_range(mesh, goal)) return false;
  if (!search(mesh, running_stamp, open, start, goal, false, w, 0, out.expanded)) return false;

  // Walk back from the goal; parents were set in this search, so the chain
  // ends at the start.
  std::vector<std::int32_t>& faces = out.faces;
  faces.clear();
  int f = goal;
  while (static_cast<int>(faces.size()) < max_path_chain) {
    faces.push_back(f);
    if (f == start) break;
    const int parent = mesh.faces[static_cast<std::size_t>(f)].parent_face;
    if (!face_in_range(mesh, parent)) break;
    f = parent;
  }
  std::reverse(faces.begin(), faces.end());
  if (static_cast<int>(faces.size()) > max_path_length) faces.resize(max_path_length);
  out.length = static_cast<std::int32_t>(faces.size());

  out.points.resize(faces.size());
  for (std::size_t i = 0; i + 1 < faces.size(); ++i) out.points[i] = crossing_point(mesh, faces[i], faces[i + 1]);
  out.points.back() = mesh.faces[static_cast<std::size_t>(faces.back())].centre;
  return true;
}

bool faces_connected(ai_mesh& mesh, std::int32_t& running_stamp, nav_open_list& open, int start, int goal,
                     int step_limit) {
  if (!face_in_range(mesh, start) || !face_in_range(mesh, goal)) return false;
  std::int32_t expanded = 0;
  return search(mesh, running_stamp, open, start, goal, true, 0.0f, step_limit, expanded);
}

bool can_walk_straight(const ai_mesh& mesh, int a, const vec3& p, int b, const vec3& q, int face_limit) {
  if (a < 0 || b < 0) return b == -1;
  if (!face_in_range(mesh, a)) return false;
  const float dx = q.x - p.x;
  const float dy = q.y - p.y;
  const bool along_x = std::fabs(dx) >= 1e-6f;
  int f = a;
  int entered_edge = -1;
  for (int steps = 0; f != b && steps < face_limit; ++steps) {
    const ai_mesh_face& face = mesh.faces[static_cast<std::size_t>(f)];
    const int n = side_count(face);
    int next = -2;
    for (int j = 0; j < n; ++j) {
      if (face.edges[j] == entered_edge) continue;
      const int i0 = face.vertices[j];
      const int i1 = face.vertices[(j + 1) % n];
      if (i0 < 0 || i1 < 0 || i0 >= static_cast<int>(mesh.vertices.size()) ||
          i1 >= static_cast<int>(mesh.vertices.size())) {
        continue;
      }
      const vec3& v = mesh.vertices[static_cast<std::size_t>(i0)].position;
      const vec3& v1 = mesh.vertices[static_cast<std::size_t>(i1)].position;
      const float ex = v1.x - v.x;
      const float ey = v1.y - v.y;
      const float den = ex * dy - ey * dx;
      // A side parallel to the line is never crossed.
      if (den == 0.0f) continue;
      const float s = ((p.x - v.x) * dy - (p.y - v.y) * dx) / den;
      const float t = along_x ? (ex * s + v.x - p.x) / dx : (dy != 0.0f ? (ey * s + v.y - p.y) / dy : -1.0f);
      if (s > 0.1f && s < 0.9f && t > 0.0f && t < 1.0f) {
        entered_edge = face.edges[j];
        next = nav_neighbour(mesh, f, j);
        break;
      }
    }
    // No side crossed, or the border: the walk ends on this face.
    if (next < 0) break;
    f = next;
  }
  return f == b;
}

}  // namespace hm
