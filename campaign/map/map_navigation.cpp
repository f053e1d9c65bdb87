#include "campaign/map/map_navigation.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <queue>

namespace hm {

namespace {

constexpr int water_class = 0;
constexpr int blocking_class = 1;

bool is_bridge(const map_face& f) { return f.terrain == terrain_bridge; }

float distance3(const vec3& a, const vec3& b) { return (a - b).length(); }

}  // namespace

float map_edge_cost(int kind_a, int kind_b) {
  const int a = kind_a & 7;
  const int b = kind_b & 7;
  if (a == blocking_class || b == blocking_class) return closed_edge_cost;
  if ((a == water_class) == (b == water_class)) return 2.0f;
  return closed_edge_cost;
}

void label_map_regions(world_map& map) {
  const int n = map.face_count();
  std::vector<int> root(static_cast<std::size_t>(n));
  std::iota(root.begin(), root.end(), 0);
  auto find = [&root](int x) {
    while (root[static_cast<std::size_t>(x)] != x) {
      root[static_cast<std::size_t>(x)] = root[static_cast<std::size_t>(root[static_cast<std::size_t>(x)])];
      x = root[static_cast<std::size_t>(x)];
    }
    return x;
  };
  for (int f = 0; f < n; ++f) {
    const map_face& face = map.faces[static_cast<std::size_t>(f)];
    if (is_bridge(face)) continue;
    for (int i = 0; i < face.vertex_count; ++i) {
      const int g = face.neighbours[i];
      if (g < 0 || is_bridge(map.faces[static_cast<std::size_t>(g)])) continue;
      if (face.edge_costs[i] >= closed_edge_cost) continue;
      const int a = find(f);
      const int b = find(g);
      if (a != b) root[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
    }
  }
  // Dense numbers in the order of each region's first face.
  std::vector<std::int32_t> number(static_cast<std::size_t>(n), -1);
  std::int32_t next = 0;
  for (int f = 0; f < n; ++f) {
    map_face& face = map.faces[static_cast<std::size_t>(f)];
    face.bridge_regions[0] = face.bridge_regions[1] = -1;
    if (is_bridge(face)) {
      face.region = bridge_region;
      continue;
    }
    const int r = find(f);
    if (number[static_cast<std::size_t>(r)] < 0) number[static_cast<std::size_t>(r)] = next++;
    face.region = number[static_cast<std::size_t>(r)];
  }
  // Each bridge walks its chain of bridge faces depth first for the land it
  // joins.
  std::vector<std::uint8_t> visited(static_cast<std::size_t>(n), 0);
  std::vector<int> stack;
  std::vector<int> touched;
  for (int f = 0; f < n; ++f) {
    map_face& bridge = map.faces[static_cast<std::size_t>(f)];
    if (!is_bridge(bridge)) continue;
    for (const int t : touched) visited[static_cast<std::size_t>(t)] = 0;
    touched.clear();
    stack.assign(1, f);
    visited[static_cast<std::size_t>(f)] = 1;
    touched.push_back(f);
    std::int32_t found[2] = {-1, -1};
    while (!stack.empty() && found[1] < 0) {
      const int b = stack.back();
      stack.pop_back();
      const map_face& bf = map.faces[static_cast<std::size_t>(b)];
      for (int i = 0; i < bf.vertex_count && found[1] < 0; ++i) {
        const int g = bf.neighbours[i];
        if (g < 0) continue;
        const map_face& gf = map.faces[static_cast<std::size_t>(g)];
        if (is_bridge(gf)) {
          if (!visited[static_cast<std::size_t>(g)]) {
            visited[static_cast<std::size_t>(g)] = 1;
            touched.push_back(g);
            stack.push_back(g);
          }
          continue;
        }
        const int c = gf.terrain & 7;
        if (c == water_class || c == blocking_class) continue;
        if (found[0] < 0)
          found[0] = gf.region;
        else if (gf.region != found[0])
          found[1] = gf.region;
      }
    }
    bridge.bridge_regions[0] = found[0];
    bridge.bridge_regions[1] = found[1];
  }
}

void init_map(world_map& map) {
  if (map.navigation_ready) return;
  map.build_face_grid(5, 5);
  for (map_face& face : map.faces) {
    for (int i = 0; i < face.vertex_count; ++i) {
      const int g = face.neighbours[i];
      if (g < 0) continue;
      face.edge_costs[i] = map_edge_cost(face.terrain, map.faces[static_cast<std::size_t>(g)].terrain);
    }
  }
  label_map_regions(map);
  map.navigation_ready = true;
}

bool search_map_path(world_map& map, int start_face, int goal_face, float goal_x, float goal_y, float key_limit,
                     map_path_result& out) {
  out.faces.clear();
  out.points.clear();
  if (!map.valid_face(start_face) || !map.valid_face(goal_face)) return false;
  map.search_counter += 3;
  if (map.search_counter > 1000000000u) {
    for (map_face& f : map.faces) f.visit_stamp = 0;
    map.search_counter = 3;
  }
  const std::uint32_t reached = map.search_counter + 1;
  const std::uint32_t expanded = map.search_counter + 2;
  struct entry {
    int face;
    float g;
    float key;
  };
  auto later = [](const entry& a, const entry& b) { return a.key > b.key; };
  std::priority_queue<entry, std::vector<entry>, decltype(later)> heap(later);
  const vec3 start_centre = map.faces[static_cast<std::size_t>(start_face)].centre;
  const vec3 goal_centre = map.faces[static_cast<std::size_t>(goal_face)].centre;
  map.faces[static_cast<std::size_t>(start_face)].visit_stamp = reached;
  map.faces[static_cast<std::size_t>(start_face)].parent = -1;
  heap.push({start_face, 0.0f, 0.0f});
  map_face& goal = map.faces[static_cast<std::size_t>(goal_face)];
  while (!heap.empty() && goal.visit_stamp <= map.search_counter && heap.top().key < key_limit) {
    const entry e = heap.top();
    heap.pop();
    map_face& face = map.faces[static_cast<std::size_t>(e.face)];
    if (face.visit_stamp == expanded) continue;
    for (int i = 0; i < face.vertex_count; ++i) {
      const int g = face.neighbours[i];
      if (g < 0) continue;
      // A closed edge leads nowhere: the face behind it is not reached
      // through it (it would otherwise end a search at a goal across it).
      if (face.edge_costs[i] >= closed_edge_cost) continue;
      map_face& next = map.faces[static_cast<std::size_t>(g)];
      if (next.visit_stamp > map.search_counter) continue;
      next.visit_stamp = reached;
      next.parent = e.face;
      const float cost = e.g + face.edge_costs[i];
      const float from_start = std::max(distance3(start_centre, next.centre), 1e-4f);
      const float key = cost * (1.0f + distance3(goal_centre, next.centre) / from_start);
      heap.push({g, cost, key});
    }
    face.visit_stamp = expanded;
  }
  if (goal.visit_stamp <= map.search_counter) return false;
  std::vector<int> chain;
  for (int f = goal_face; f >= 0 && f != start_face && static_cast<int>(chain.size()) < map_path_chain_limit;
       f = map.faces[static_cast<std::size_t>(f)].parent)
    chain.push_back(f);
  std::reverse(chain.begin(), chain.end());
  if (static_cast<int>(chain.size()) > map_path_limit) chain.resize(map_path_limit);
  int previous = start_face;
  for (const int f : chain) {
    float x = 0.0f;
    float y = 0.0f;
    map.shared_edge_point(previous, f, x, y);
    out.faces.push_back(f);
    out.points.push_back(x);
    out.points.push_back(y);
    previous = f;
  }
  if (!out.faces.empty() && out.faces.back() == goal_face) {
    out.points[out.points.size() - 2] = goal_x;
    out.points[out.points.size() - 1] = goal_y;
  }
  return true;
}

bool walk_straight(const world_map& map, int start_face, float sx, float sy, int goal_face, float gx, float gy,
                   std::uint32_t terrain_mask, int step_limit) {
  const float dx = gx - sx;
  const float dy = gy - sy;
  if (dx * dx + dy * dy < 0.0001f) return true;
  int face = start_face;
  int came_from = -1;
  for (int step = 0; step <= step_limit; ++step) {
    if (face == goal_face) return true;
    if (!map.valid_face(face) || step == step_limit) return false;
    const map_face& f = map.faces[static_cast<std::size_t>(face)];
    int next = -1;
    int crossed = -1;
    for (int i = 0; i < f.vertex_count; ++i) {
      if (f.neighbours[i] == came_from && came_from >= 0) continue;
      const map_vertex& a = map.vertices[static_cast<std::size_t>(f.vertices[i])];
      const map_vertex& b = map.vertices[static_cast<std::size_t>(f.vertices[(i + 1) % f.vertex_count])];
      const float ex = b.x - a.x;
      const float ey = b.y - a.y;
      const float den = dx * ey - dy * ex;
      if (std::fabs(den) < 1e-12f) continue;
      // s along the segment, t along the edge.
      const float s = ((a.x - sx) * ey - (a.y - sy) * ex) / den;
      const float t = ((a.x - sx) * dy - (a.y - sy) * dx) / den;
      if (t <= 0.01f || t >= 0.99f || s < 0.0f || s > 1.0f) continue;
      crossed = i;
      next = f.neighbours[i];
      break;
    }
    if (crossed < 0 || next < 0) return false;
    if (f.edge_costs[crossed] >= 100.0f) return false;
    const map_face& nf = map.faces[static_cast<std::size_t>(next)];
    if (terrain_mask != 0xFFFFFFFFu && (static_cast<std::uint32_t>(nf.terrain) & terrain_mask) == 0) return false;
    came_from = face;
    face = next;
  }
  return false;
}

}  // namespace hm
