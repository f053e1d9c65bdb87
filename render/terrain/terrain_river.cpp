// The river: a weighted random walk across the map from a start near one
// border to an end on another, widened, carved into the ground and with its
// banks eased.
#include <cmath>
#include <vector>

#include "engine/core/random.h"
#include "render/terrain/terrain_generator.h"

namespace hm {
namespace {

// The eight neighbour directions, in the order every pass visits them.
constexpr std::int32_t neighbour_dirs[8][2] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
constexpr std::int32_t four_dirs[4][2] = {{1, 0}, {0, -1}, {-1, -1}, {-1, 0}};

vec3 unit_2d(float x, float y) {
  vec3 v(x, y, 0.0f);
  v.normalize();
  return v;
}

// Start tries without an acceptable end are drawn again; this bounds them so
// that a grid too small for any end cannot hang the generator.
constexpr std::int32_t max_start_tries = 10000;

}  // namespace

void terrain_generator::place_river_pass() {
  bool placed = false;
  if (place_river) {
    std::int32_t attempts = 0;
    std::int32_t tries = 0;
    while (attempts < 4 && tries < max_start_tries) {
      ++tries;
      std::int32_t sx = 0;
      std::int32_t sy = 0;
      for (std::int32_t candidate = 0; candidate < 20; ++candidate) {
        std::int32_t x;
        std::int32_t y;
        if (terrain_random_fraction() >= 0.5f) {
          x = 3 + terrain_random_int(cells_x - 3);
          y = 3 + (random_next() & 3);
          if (terrain_random_fraction() < 0.5f) y = cells_y - y;
        } else {
          x = 3 + (random_next() & 3);
          if (terrain_random_fraction() < 0.5f) x = cells_x - x;
          y = 3 + terrain_random_int(cells_y - 3);
        }
        if (candidate == 0) {
          sx = x;
          sy = y;
        }
      }
      bool found = false;
      std::int32_t ex = 0;
      std::int32_t ey = 0;
      for (std::int32_t end_try = 0; end_try < 50 && !found; ++end_try) {
        if (terrain_random_fraction() >= 0.5f) {
          ey = terrain_random_fraction() < 0.5f ? cells_y + 1 : 0;
          ex = terrain_random_int(cells_x + 1);
        } else {
          ex = terrain_random_fraction() < 0.5f ? cells_x + 1 : 0;
          ey = terrain_random_int(cells_y + 1);
        }
        found = std::abs(ex - sx) + std::abs(ey - sy) > 0.7f * static_cast<float>(cells_x + cells_y);
      }
      if (!found) continue;
      ++attempts;
      float lowest = 10000.0f;
      walk_path(sx, sy, ex, ey, vertex_river_path, 1.5f, 0.9f, true, lowest);
      if (lowest < 3.5f) {
        placed = true;
        break;
      }
      for (terrain_vertex& v : vertices_) v.flags &= ~(vertex_river_path | vertex_river_wide);
    }
  }

  river_widening = random_next() % 3;
  if (cell_size > 2.1f && river_widening == 2) river_widening = 1;
  if (cell_size > 3.1f || code.deep_water()) river_widening = 0;
  if (!placed) return;
  widen_river(vertex_river_path, vertex_river_path | vertex_river_wide, false);
  for (std::int32_t i = 0; i < river_widening; ++i) {
    widen_river(vertex_river_path, vertex_river_path | vertex_river_wide, true);
  }
  widen_river(vertex_river_path, vertex_river_wide, true);
  widen_river(vertex_river_wide, vertex_river_wide, true);
  const float bed = code.deep_water() ? -2.3f : -1.3f;
  for (terrain_vertex& v : vertices_) {
    if (v.flags & vertex_river_path) set_height(v, bed);
  }
  ease_banks(0.5f);
}

bool terrain_generator::walk_path(std::int32_t sx, std::int32_t sy, std::int32_t ex, std::int32_t ey,
                                  std::uint32_t bit, float turn_weight, float slope_weight, bool record_texture,
                                  float& lowest) {
  lowest = 10000.0f;
  vec3 heading = unit_2d(static_cast<float>(ex - sx), static_cast<float>(ey - sy));
  if (sx == ex && sy == ey) heading = vec3(0.0f, 1.0f, 0.0f);
  std::int32_t cx = sx;
  std::int32_t cy = sy;
  {
    terrain_vertex& start = vertex(cx, cy);
    start.flags |= bit;
    if (record_texture) {
      start.texture_position[0] = 0.0f;
      start.texture_position[1] = 0.0f;
      start.texture_position[2] = heading.x;
      start.texture_position[3] = heading.y;
    }
  }
  vec3 dirs[8];
  for (std::int32_t k = 0; k < 8; ++k) {
    dirs[k] = unit_2d(static_cast<float>(neighbour_dirs[k][0]), static_cast<float>(neighbour_dirs[k][1]));
  }
  const float climb_factor = 0.25f - static_cast<float>(code.hill_height()) * 0.0022f;
  std::int32_t step = 0;
  while (step < 100000) {
    const vec3 to_end = unit_2d(static_cast<float>(ex - cx), static_cast<float>(ey - cy));
    const float here = vertex(cx, cy).position.z;
    float scores[8];
    bool end_after = false;
    for (std::int32_t k = 0; k < 8; ++k) {
      const std::int32_t nx = cx + neighbour_dirs[k][0];
      const std::int32_t ny = cy + neighbour_dirs[k][1];
      const vec3& d = dirs[k];
      if (nx < 0 || ny < 0 || nx > cells_x || ny > cells_y) {
        scores[k] = (dot_product(heading, d) + 1.0f) * 0.5f;
        continue;
      }
      const terrain_vertex& n = vertex(nx, ny);
      if (n.flags & bit) {
        scores[k] = -1.0f;
        if (n.path_step < step - 30) end_after = true;
        continue;
      }
      float slope = (here - n.position.z) * slope_weight * 3.0f;
      if (slope < 0.0f) slope *= climb_factor;
      float border = 0.0f;
      const std::int32_t distances[4] = {nx, ny, cells_x - nx, cells_y - ny};
      std::int32_t depth = 0;
      for (std::int32_t dist : distances) depth += dist < 20 ? 20 - dist : 0;
      if (depth >= 1) {
        const bool towards = (nx < 21 && d.x <= 0.0f) || (ny < 21 && d.y <= 0.0f) ||
                             (nx >= cells_x - 20 && d.x >= 0.0f) || (ny >= cells_y - 20 && d.y >= 0.0f);
        if (towards) border = -0.04f * static_cast<float>(depth < 24 ? depth : 24);
      }
      scores[k] = (dot_product(to_end, d) + 0.7f) * 0.5f * 0.65f + (dot_product(heading, d) + 0.7f) * 0.5f * turn_weight +
                  slope + border;
    }
    float total = 0.0f;
    for (float& s : scores) {
      s = s > 0.0f ? s * s * s : 0.0f;
      total += s;
    }
    const float r = terrain_random_fraction() * total;
    std::int32_t chosen = -1;
    float before = 0.0f;
    for (std::int32_t k = 0; k < 8; ++k) {
      if (!(scores[k] > 0.0f)) continue;
      if (r >= before && r < before + scores[k]) {
        chosen = k;
        break;
      }
      before += scores[k];
    }
    if (chosen < 0) break;
    const std::int32_t nx = cx + neighbour_dirs[chosen][0];
    const std::int32_t ny = cy + neighbour_dirs[chosen][1];
    if (nx < 3 || ny < 3 || nx > cells_x - 3 || ny > cells_y - 3) break;
    heading = heading * 0.9f + dirs[chosen] * 0.1f;
    heading.normalize();
    ++step;
    cx = nx;
    cy = ny;
    terrain_vertex& v = vertex(cx, cy);
    v.flags |= bit;
    v.path_step = step;
    if (record_texture) {
      v.texture_position[0] = 0.0f;
      v.texture_position[1] = static_cast<float>(step) * 0.7f;
      v.texture_position[2] = heading.x;
      v.texture_position[3] = heading.y;
    }
    if (v.position.z < lowest) lowest = v.position.z;
    if (end_after) break;
  }
  return step > 0;
}

void terrain_generator::widen_river(std::uint32_t from, std::uint32_t to, bool eight_directions) {
  std::vector<unsigned char> marked(vertices_.size(), 0);
  const std::int32_t count = eight_directions ? 8 : 4;
  for (std::int32_t y = 0; y <= cells_y; ++y) {
    for (std::int32_t x = 0; x <= cells_x; ++x) {
      float across = 0.0f;
      float along = 0.0f;
      vec3 heading;
      std::int32_t contributors = 0;
      terrain_vertex& v = vertex(x, y);
      for (std::int32_t k = 0; k < count; ++k) {
        const std::int32_t* dir = eight_directions ? neighbour_dirs[k] : four_dirs[k];
        const std::int32_t nx = x + dir[0];
        const std::int32_t ny = y + dir[1];
        if (nx < 0 || ny < 0 || nx > cells_x || ny > cells_y) continue;
        const terrain_vertex& c = vertex(nx, ny);
        if (!(c.flags & from)) continue;
        const float dx = v.position.x - c.position.x;
        const float dy = v.position.y - c.position.y;
        const float hx = c.texture_position[2];
        const float hy = c.texture_position[3];
        across += c.texture_position[0] + (dx * hy - dy * hx) * 0.3f;
        along += c.texture_position[1] + (dx * hx + dy * hy) * 0.3f;
        heading += vec3(hx, hy, 0.0f);
        ++contributors;
      }
      if (contributors == 0) continue;
      marked[static_cast<std::size_t>(&v - vertices_.data())] = 1;
      const float inverse = 1.0f / static_cast<float>(contributors);
      heading *= inverse;
      heading.normalize();
      v.texture_position[0] = across * inverse;
      v.texture_position[1] = along * inverse;
      v.texture_position[2] = heading.x;
      v.texture_position[3] = heading.y;
    }
  }
  for (std::size_t i = 0; i < vertices_.size(); ++i) {
    if (marked[i]) vertices_[i].flags |= to;
  }
}

void terrain_generator::ease_banks(float factor) {
  for (std::int32_t y = 0; y <= cells_y; ++y) {
    for (std::int32_t x = 0; x <= cells_x; ++x) {
      terrain_vertex& v = vertex(x, y);
      if (v.flags & vertex_river_path) continue;
      float edge_target = 0.0f;
      float corner_target = 0.0f;
      bool edge = false;
      bool corner = false;
      for (std::int32_t k = 0; k < 8; ++k) {
        const std::int32_t nx = x + neighbour_dirs[k][0];
        const std::int32_t ny = y + neighbour_dirs[k][1];
        if (nx < 0 || ny < 0 || nx > cells_x || ny > cells_y) continue;
        const terrain_vertex& n = vertex(nx, ny);
        if (!(n.flags & vertex_river_path)) continue;
        if (k % 2 == 0) {
          edge = true;
          edge_target = n.position.z;
        } else {
          corner = true;
          corner_target = n.position.z;
        }
      }
      if (edge) {
        set_height(v, v.position.z + (edge_target - v.position.z) * factor);
      } else if (corner) {
        set_height(v, v.position.z + (corner_target - v.position.z) * factor * 0.7f);
      }
    }
  }
}

}  // namespace hm
