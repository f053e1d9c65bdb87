// Ground layers: the weight of each layer at every vertex, the layer shown on
// each triangle, the density of layer 2 over the cells and the ground paint
// laid over the generated result.
#include "engine/core/noise.h"
#include "render/terrain/terrain_generator.h"

namespace hm {

std::int32_t terrain_generator::top_layer(const terrain_vertex& v) {
  for (std::int32_t i = terrain_layer_count - 1; i >= 1; --i) {
    if (v.layer_weights[i] > 0.4f) return i;
  }
  return 0;
}

bool terrain_generator::layer_visible(const terrain_vertex& v, std::int32_t layer) {
  if (layer < 0 || layer >= terrain_layer_count) return false;
  if (!(v.layer_weights[layer] >= 0.01f)) return false;
  float uncovered = 1.0f;
  for (std::int32_t i = layer + 1; i < terrain_layer_count; ++i) uncovered *= 1.0f - v.layer_weights[i];
  return uncovered >= 0.01f;
}

void terrain_generator::compute_layer_weights() {
  const terrain_layer& flat = layers[1];
  const bool has_layer_2 = layers[2].ground_kind >= 0;
  for (std::int32_t y = 0; y <= cells_y; ++y) {
    for (std::int32_t x = 0; x <= cells_x; ++x) {
      terrain_vertex& v = vertex(x, y);
      const bool flag_ok = flat.required_vertex_flag < 0 || flat.required_vertex_flag > 31 ||
                           (v.flags & (1u << flat.required_vertex_flag)) != 0;
      if (flag_ok && v.position.z <= 10000.0f) {
        float w = ((1.0f - v.normal.z) - 0.19f) * 12.0f;
        w = w < 0.0f ? 0.0f : (w > 1.0f ? 1.0f : w);
        v.layer_weights[1] = 1.0f - w;
      }
      if (has_layer_2) {
        const vec3 n = fractal_vector_noise(15.0f, 0.6f, 3, false,
                                            vec3(static_cast<float>(x), static_cast<float>(y), 0.0f));
        float f = (n.x + n.y + n.z) * 4.5f + 0.7f;
        f = f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
        v.layer_weights[2] = f * v.layer_weights[1];
        if (f > 0.99f) v.layer_weights[1] = 0.0f;
      }
      if (place_river && v.position.z < 0.0f) v.layer_weights[3] = 1.0f;
    }
  }
}

void terrain_generator::compute_triangle_layers() {
  auto first_set = [](std::int32_t a, std::int32_t b, std::int32_t c) {
    if (a >= 1) return a;
    if (b >= 1) return b;
    return c;
  };
  for (std::int32_t y = 0; y < cells_y; ++y) {
    for (std::int32_t x = 0; x < cells_x; ++x) {
      const std::int32_t c0 = top_layer(vertex(x, y));
      const std::int32_t c1 = top_layer(vertex(x + 1, y));
      const std::int32_t c2 = top_layer(vertex(x + 1, y + 1));
      const std::int32_t c3 = top_layer(vertex(x, y + 1));
      terrain_cell& c = cell(x, y);
      if (c.diagonal != 0) {
        c.triangle_layer[0] = first_set(c0, c1, c2);
        c.triangle_layer[1] = first_set(c0, c2, c3);
      } else {
        c.triangle_layer[0] = first_set(c1, c3, c0);
        c.triangle_layer[1] = first_set(c1, c2, c3);
      }
    }
  }
}

void terrain_generator::compute_layer2_density() {
  for (std::int32_t y = 0; y < cells_y; ++y) {
    for (std::int32_t x = 0; x < cells_x; ++x) {
      const terrain_vertex* corners[4] = {&vertex(x, y), &vertex(x + 1, y), &vertex(x + 1, y + 1), &vertex(x, y + 1)};
      std::int32_t n = 0;
      float s = 0.0f;
      for (const terrain_vertex* v : corners) {
        if (top_layer(*v) == 2) ++n;
        s += v->layer_weights[2];
      }
      if (n > 2 && s > 2.75f) cell(x, y).layer2_density = s * 0.22727272f;
    }
  }
}

void terrain_generator::apply_ground_paint(const ground_paint& paint) {
  const std::int32_t count = paint.layer_count < ground_paint_max_layers ? paint.layer_count : ground_paint_max_layers;
  const std::int32_t kinds = static_cast<std::int32_t>(module_data.ground_kinds.size());
  for (std::int32_t i = 0; i < count; ++i) {
    const ground_paint_layer& layer = paint.layers[static_cast<std::size_t>(i)];
    // Values always come as the full square; anything else is treated as no
    // values rather than read past its end.
    const bool has_data =
        layer.values.size() == static_cast<std::size_t>(ground_paint_stride) * ground_paint_stride;
    if (layer.id == ground_paint_elevation_id) {
      for (std::int32_t x = 0; x <= cells_x; ++x) {
        for (std::int32_t y = 0; y <= cells_y; ++y) {
          terrain_vertex& v = vertex(x, y);
          v.paint_offset = has_data ? layer.value_at(x, y) : 0.0f;
          v.position.z = v.base_height + v.paint_offset;
        }
      }
      continue;
    }
    if (layer.id == ground_paint_colour_id) {
      for (std::int32_t x = 0; x <= cells_x; ++x) {
        for (std::int32_t y = 0; y <= cells_y; ++y) {
          vertex(x, y).paint_colour = has_data ? layer.word_at(x, y) : 0xFFFFFFFFu;
        }
      }
      continue;
    }
    const std::int32_t target = 4 + i;
    if (target >= terrain_layer_count) {
      terrain_log_warning("Ground paint layer %d has no terrain layer to paint; ignored", i);
      continue;
    }
    if (layer.id >= kinds) {
      terrain_log_warning("Ground paint layer %d names ground kind %d of %d; ignored", i, layer.id, kinds);
      continue;
    }
    for (std::int32_t x = 0; x <= cells_x; ++x) {
      for (std::int32_t y = 0; y <= cells_y; ++y) {
        vertex(x, y).layer_weights[target] = has_data ? layer.value_at(x, y) : 0.0f;
      }
    }
    set_layer_from_kind(target, layer.id < 0 ? -1 : layer.id);
  }
}

}  // namespace hm
