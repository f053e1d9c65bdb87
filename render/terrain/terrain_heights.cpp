// Height-field synthesis: valley noise, border ridges, octaves of round hills,
// the shift of the lowest point to 0, relaxation, normals, cell diagonals and
// the roughening of bare ground.
#include <cmath>
#include <numbers>

#include "engine/core/noise.h"
#include "engine/core/random.h"
#include "render/terrain/terrain_generator.h"

namespace hm {
namespace {

constexpr float pi = std::numbers::pi_v<float>;

float noise_sum(const vec3& n) { return n.x + n.y + n.z; }

// A grid index from a float, clamped first so that far-off or non-finite
// values cannot overflow the conversion.
std::int32_t clamped_index(float v, std::int32_t lo, std::int32_t hi) {
  if (!(v > static_cast<float>(lo))) return lo;
  if (v >= static_cast<float>(hi)) return hi;
  return static_cast<std::int32_t>(v);
}

}  // namespace

void terrain_generator::synthesize_heights() {
  const float base_scale = (terrain_random_fraction() * 0.5f + 1.0f) * (size_x + size_y) * 0.5f;
  hill_noise_scale = (terrain_random_fraction() * 0.5f + 1.0f) * (size_x + size_y) * 0.2f;
  const float valley = static_cast<float>(code.valley()) * 0.01f;
  const float o1 = static_cast<float>(random_next() % 15817) * 0.6322311f;
  const float o2 = static_cast<float>(random_next() % 15817) * 0.6322311f;
  const float o3 = static_cast<float>(random_next() % 15817) * 0.6322311f;

  for (std::int32_t y = 0; y <= cells_y; ++y) {
    for (std::int32_t x = 0; x <= cells_x; ++x) {
      terrain_vertex& v = vertex(x, y);
      const vec3 p(o1 + v.position.x, o2 + v.position.y, o3 + v.position.z);
      float n = noise_sum(fractal_vector_noise(hill_noise_scale, 0.6f, 1, false, p)) * valley * 9.0f;
      n = n < 0.0f ? 0.0f : (n > 1.0f ? 1.0f : n);
      v.hill_factor = (std::cos(n * pi) + 1.0f) * 0.45f + 0.1f;
    }
  }

  // Ridges along the four borders keep the battlefield's edge raised. The
  // amplitude is drawn in 7..10.
  const float amplitude = static_cast<float>(random_next() % 15817) * 0.00018966934f + 7.0f;
  auto ridge = [&](std::int32_t x, std::int32_t y, float s, bool outer) {
    terrain_vertex& v = vertex(x, y);
    const vec3 p(o1 + v.position.x, o2 + v.position.y, o3 + v.position.z);
    const float value = (2.0f * fractal_vector_noise(40.0f, 0.6f, 4, false, p).z + 0.4f) * s;
    if (value > v.position.z) set_height(v, value);
    if (outer) v.edge_weight = 0.0f;
  };
  for (std::int32_t sweep = 0; sweep < 2; ++sweep) {
    for (std::int32_t i = 0; i <= 12; ++i) {
      const float s = std::sin((1.0f - static_cast<float>(i) * 0.07692308f) * 3.2f) * amplitude;
      if (sweep == 0) {
        for (std::int32_t j = 0; j <= cells_y; ++j) {
          ridge(i, j, s, i == 0);
          ridge(cells_x - i, j, s, i == 0);
        }
      } else {
        for (std::int32_t j = 0; j <= cells_x; ++j) {
          ridge(j, i, s, i == 0);
          ridge(j, cells_y - i, s, i == 0);
        }
      }
    }
  }

  std::int32_t ruggedness = static_cast<std::int32_t>(code.ruggedness());
  if (ruggedness > 99) ruggedness = 99;
  float span = base_scale / (std::pow(2.0f, static_cast<float>(100 - ruggedness) * 0.045f) * 4.0f);
  if (!(span >= 2.0f)) span = 2.0f;
  const std::int32_t last = static_cast<std::int32_t>(std::log2(span));
  float weight = 1.0f;
  for (std::int32_t k = 0; k <= last; ++k) {
    const float scale = base_scale / std::pow(2.0f, static_cast<float>(k));
    float amount = 1.0f;
    if (k == last) {
      const float whole = std::pow(2.0f, static_cast<float>(last));
      amount = (span - whole) / whole;
    }
    place_hills(scale, amount, weight);
    weight -= 0.05f;
  }

  float lowest = 10000.0f;
  for (std::int32_t y = 0; y <= cells_y; ++y) {
    for (std::int32_t x = 0; x <= cells_x; ++x) {
      if (vertex(x, y).position.z < lowest) lowest = vertex(x, y).position.z;
    }
  }
  for (terrain_vertex& v : vertices_) set_height(v, v.position.z - lowest);
}

void terrain_generator::place_hills(float radius_scale, float amount, float weight) {
  const float t = static_cast<float>(random_next() % 15817) * 1.2644623e-05f + 0.4f;
  const float c = amount * size_x * size_y / (radius_scale * radius_scale * 0.25f);
  float n = std::floor(c);
  if (c - n > 0.5f) n += 1.0f;
  const std::int32_t count = static_cast<std::int32_t>(n * t * 30.0f);
  for (std::int32_t h = 0; h < count; ++h) {
    const float radius = (terrain_averaged_random() * 0.5f + 0.05f) * radius_scale;
    const float cy = (2.0f * radius_scale + size_y) * terrain_random_fraction() - radius_scale;
    const float cx = (2.0f * radius_scale + size_x) * terrain_random_fraction() - radius_scale;
    const float height = (static_cast<float>(random_next() % 15817) * 6.3223115e-06f + 0.2f) * radius * weight;
    raise_hill(cx, cy, radius, height);
  }
}

void terrain_generator::raise_hill(float px, float py, float radius, float height) {
  if (!(radius > 0.0f)) return;
  const std::int32_t x_lo = clamped_index(std::ceil((px - radius) / cell_size), 0, cells_x + 1);
  const std::int32_t x_hi = clamped_index(std::floor((px + radius) / cell_size), -1, cells_x);
  const std::int32_t y_lo = clamped_index(std::ceil((py - radius) / cell_size), 0, cells_y + 1);
  const std::int32_t y_hi = clamped_index(std::floor((py + radius) / cell_size), -1, cells_y);
  const float percent = static_cast<float>(code.hill_height()) * 0.01f;
  for (std::int32_t i = x_lo; i <= x_hi; ++i) {
    for (std::int32_t j = y_lo; j <= y_hi; ++j) {
      const float dx = static_cast<float>(i) * cell_size - px;
      const float dy = static_cast<float>(j) * cell_size - py;
      const float d = std::sqrt(dx * dx + dy * dy) / radius;
      if (d < 1.0f) {
        terrain_vertex& v = vertex(i, j);
        set_height(v, v.position.z + (std::cos(d * pi) + 1.0f) * height * 0.5f * v.hill_factor * percent);
      }
    }
  }
}

void terrain_generator::relax_heights() {
  for (std::int32_t y = 0; y <= cells_y; ++y) {
    for (std::int32_t x = 0; x <= cells_x; ++x) {
      float sum = 0.0f;
      std::int32_t count = 0;
      for (std::int32_t dy = -1; dy <= 1; ++dy) {
        for (std::int32_t dx = -1; dx <= 1; ++dx) {
          const std::int32_t nx = x + dx;
          const std::int32_t ny = y + dy;
          if (nx < 0 || ny < 0 || nx > cells_x || ny > cells_y) continue;
          sum += vertex(nx, ny).position.z;
          ++count;
        }
      }
      terrain_vertex& v = vertex(x, y);
      float d = sum / static_cast<float>(count) - v.position.z;
      d = d < -10.0f ? -10.0f : (d > 2.0f ? 2.0f : d);
      const float step = static_cast<float>(random_next() % 15817) * 2.5289246e-05f + 0.2f;
      set_height(v, v.position.z + step * d);
    }
  }
}

void terrain_generator::compute_normals() {
  for (std::int32_t y = 0; y < cells_y; ++y) {
    for (std::int32_t x = 0; x < cells_x; ++x) {
      for (std::int32_t t = 0; t < 2; ++t) {
        std::int32_t p[3][2];
        triangle_corners(x, y, t, p);
        const vec3& a = vertex(p[0][0], p[0][1]).position;
        vec3 n = cross_product(vertex(p[1][0], p[1][1]).position - a, vertex(p[2][0], p[2][1]).position - a);
        n.normalize();
        (t == 0 ? cell(x, y).normal_0 : cell(x, y).normal_1) = n;
      }
    }
  }
  for (terrain_vertex& v : vertices_) v.normal = vec3();
  for (std::int32_t y = 0; y < cells_y; ++y) {
    for (std::int32_t x = 0; x < cells_x; ++x) {
      for (std::int32_t t = 0; t < 2; ++t) {
        std::int32_t p[3][2];
        triangle_corners(x, y, t, p);
        const vec3& n = t == 0 ? cell(x, y).normal_0 : cell(x, y).normal_1;
        for (const auto& corner : p) vertex(corner[0], corner[1]).normal += n;
      }
    }
  }
  for (terrain_vertex& v : vertices_) v.normal.normalize();
}

void terrain_generator::choose_diagonals() {
  for (std::int32_t y = 0; y < cells_y; ++y) {
    for (std::int32_t x = 0; x < cells_x; ++x) {
      const std::int32_t c0 = top_layer(vertex(x, y));
      const std::int32_t c1 = top_layer(vertex(x + 1, y));
      const std::int32_t c2 = top_layer(vertex(x + 1, y + 1));
      const std::int32_t c3 = top_layer(vertex(x, y + 1));
      std::int32_t odd = -1;
      if (c1 != c0 && c3 != c0) odd = 0;
      if (c2 != c1 && c0 != c1) odd = 1;
      if (c3 != c2 && c1 != c2) odd = 2;
      std::int32_t diagonal = 1;
      if (c3 == c0 || c3 == c2) {
        if (odd == -1) {
          // Split along the ridge or valley of the four heights.
          const vec3& p0 = vertex(x, y).position;
          const vec3 n = cross_product(vertex(x + 1, y).position - p0, vertex(x, y + 1).position - p0);
          diagonal = dot_product(n, vertex(x + 1, y + 1).position - p0) <= 0.0f ? 1 : 0;
        } else {
          diagonal = odd == 1 ? 1 : 0;
        }
      }
      cell(x, y).diagonal = diagonal;
    }
  }
}

void terrain_generator::roughen_bare_ground() {
  for (std::int32_t y = 0; y <= cells_y; ++y) {
    for (std::int32_t x = 0; x <= cells_x; ++x) {
      terrain_vertex& v = vertex(x, y);
      if (!(v.layer_weights[1] + v.layer_weights[2] < 0.5f)) continue;
      const float dz = (terrain_random_fraction() - 0.5f) * (1.0f - v.layer_weights[1]) * cell_size * 0.7f;
      set_height(v, v.position.z + dz);
    }
  }
}

}  // namespace hm
