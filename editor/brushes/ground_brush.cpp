#include "editor/brushes/ground_brush.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "render/terrain/ground_paint.h"

namespace hm {

namespace {

constexpr std::uint32_t white = 0xFFFFFFFFu;
constexpr std::size_t grid_cells = static_cast<std::size_t>(ground_paint_stride) * ground_paint_stride;

std::size_t paint_index(std::int32_t x, std::int32_t y) {
  return static_cast<std::size_t>(x) * ground_paint_stride + static_cast<std::size_t>(y);
}

float read_float(const ground_paint_layer& l, std::size_t at) {
  return l.has_values() ? std::bit_cast<float>(l.values[at]) : 0.0f;
}

// Stores a float; an empty layer gets its grid only for a value other than 0.
void write_float(ground_paint_layer& l, std::size_t at, float v) {
  if (!l.has_values()) {
    if (v == 0.0f) return;
    l.values.assign(grid_cells, 0u);
  }
  l.values[at] = std::bit_cast<std::uint32_t>(v);
}

std::uint32_t read_colour(const ground_paint_layer& l, std::size_t at) { return l.has_values() ? l.values[at] : white; }

void write_colour(ground_paint_layer& l, std::size_t at, std::uint32_t c) {
  if (!l.has_values()) {
    if (c == white) return;
    l.values.assign(grid_cells, white);
  }
  l.values[at] = c;
}

vec3 unpack(std::uint32_t c) {
  return vec3(static_cast<float>((c >> 16) & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
              static_cast<float>(c & 0xFF) / 255.0f);
}

std::uint32_t pack(const vec3& c) {
  auto channel = [](float v) {
    return static_cast<std::uint32_t>(std::clamp(std::lround(v * 255.0f), 0L, 255L));
  };
  return 0xFF000000u | (channel(c.x) << 16) | (channel(c.y) << 8) | channel(c.z);
}

// The mean of the cell and its existing neighbours among the eight.
float neighbourhood_mean(const brush_cell_grid& g, std::int32_t x, std::int32_t y) {
  float sum = g.at(x, y).z;
  int count = 1;
  for (int dx = -1; dx <= 1; ++dx) {
    for (int dy = -1; dy <= 1; ++dy) {
      if (dx == 0 && dy == 0) continue;
      const std::int32_t nx = x + dx;
      const std::int32_t ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= g.count_x || ny >= g.count_y) continue;
      sum += g.at(nx, ny).z;
      ++count;
    }
  }
  return sum / static_cast<float>(count);
}

}  // namespace

float brush_strength(const brush_settings& b, float distance) {
  const float t = b.radius > 0.0f ? std::clamp(distance / b.radius, 0.0f, 1.0f) : 1.0f;
  return b.weight * (1.0f - (1.0f - b.hardness) * t);
}

std::vector<std::int32_t> apply_ground_brush(ground_paint& paint, const brush_cell_grid& grid, const vec3& point,
                                             int layer, int kind, bool clear, const brush_settings& brush) {
  std::vector<std::int32_t> written;
  const int n = std::min(paint.layer_count, ground_paint_max_layers);
  int target = layer;
  if (kind == 1) target = paint.elevation_layer;
  if (kind == 2) target = paint.leveling_layer;
  if (target < 0 || target >= n) return written;
  // Texture layers are all but the last two.
  const int texture_layers = std::max(0, n - 2);
  if (kind == 0 && target >= texture_layers) return written;

  const float r2 = brush.radius * brush.radius;
  const float outer = grid.cell_size * 10.0f + brush.radius;
  const float outer2 = outer * outer;
  const std::int32_t cx = std::min(grid.count_x, ground_paint_stride);
  const std::int32_t cy = std::min(grid.count_y, ground_paint_stride);
  ground_paint_layer& l = paint.layers[static_cast<std::size_t>(target)];

  for (std::int32_t x = 0; x < cx; ++x) {
    for (std::int32_t y = 0; y < cy; ++y) {
      const vec3& p = grid.at(x, y);
      const float ddx = p.x - point.x;
      const float ddy = p.y - point.y;
      const float d2 = ddx * ddx + ddy * ddy;
      const bool inside = d2 <= r2;
      if (!inside && !(kind == 0 && d2 <= outer2)) continue;
      const float s = brush_strength(brush, std::sqrt(d2));
      const std::size_t at = paint_index(x, y);
      bool wrote = false;
      if (kind == 0) {
        bool covered = false;
        for (int above = target + 1; above < texture_layers; ++above) {
          if (read_float(paint.layers[static_cast<std::size_t>(above)], at) > 0.98f) covered = true;
        }
        // A cell under a covering layer shows this one in full; clearing
        // inside the rim only takes paint away.
        if (covered && !(clear && inside)) {
          write_float(l, at, 1.0f);
          wrote = true;
        } else if (inside && !clear) {
          write_float(l, at, std::min(1.0f, read_float(l, at) + s));
          wrote = true;
        }
        if (inside) {
          const int first = clear ? 0 : target + 1;
          for (int other = first; other < texture_layers; ++other) {
            ground_paint_layer& o = paint.layers[static_cast<std::size_t>(other)];
            if (!o.has_values()) continue;
            write_float(o, at, std::max(0.0f, read_float(o, at) - s));
            wrote = true;
          }
        }
      } else if (kind == 1) {
        const float h = read_float(l, at);
        float v = h;
        if (clear) {
          v = std::max(0.0f, h * (1.0f - s));
        } else if (brush.elevate_action == 0) {
          v = h + s;
        } else if (brush.elevate_action == 1) {
          v = h - s;
        } else {
          const float c = p.z;
          v = (1.0f - s) * c + s * neighbourhood_mean(grid, x, y) + h - c;
        }
        write_float(l, at, v);
        wrote = true;
      } else {
        const vec3 old = unpack(read_colour(l, at));
        const vec3 to = clear ? vec3(1.0f, 1.0f, 1.0f) : brush.colour;
        write_colour(l, at, pack(old * (1.0f - s) + to * s));
        wrote = true;
      }
      if (wrote) written.push_back(x * grid.count_y + y);
    }
  }
  return written;
}

}  // namespace hm
