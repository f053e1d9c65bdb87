// Flora: the kinds each of the three item lists draws from, and the items
// scattered over the triangles of flat and layer-2 ground.
#include <cmath>

#include "engine/core/noise.h"
#include "engine/core/random.h"
#include "render/terrain/terrain_generator.h"

namespace hm {

void terrain_generator::add_placed_item(std::int32_t list, std::int32_t flora_kind, const frame& placement,
                                        const vec3& scale, std::int32_t variant_seed) {
  if (list < 0 || list > 2) return;
  placed_item_list& items = placed_items[static_cast<std::size_t>(list)];
  if (items.full()) return;
  if (flora_kind < 0 || flora_kind >= static_cast<std::int32_t>(module_data.flora_kinds.size())) {
    terrain_log_warning("Flora item of unknown kind %d ignored", flora_kind);
    return;
  }
  placed_item item;
  item.flora_kind = flora_kind;
  cell_of_point(placement.origin, item.cell_x, item.cell_y);
  item.triangle = 0;
  item.placement = placement;
  item.scale = scale;
  const std::int32_t variants = module_data.flora_kinds[static_cast<std::size_t>(flora_kind)].variant_count;
  // Kept in 0..variants - 1 for any seed, negative ones included.
  item.variant = variants > 0 ? ((variant_seed % variants) + variants) % variants : 0;
  items.items.push_back(item);
}

void terrain_generator::add_flora_item(std::int32_t flora_kind, const frame& placement, const vec3& scale,
                                       std::int32_t variant_seed) {
  std::int32_t list = 0;
  if (flora_kind >= 0 && flora_kind < static_cast<std::int32_t>(module_data.flora_kinds.size())) {
    const std::uint64_t flags = module_data.flora_kinds[static_cast<std::size_t>(flora_kind)].flags;
    if (flags & flora_grass) {
      list = 2;
    } else if (flags & flora_tree) {
      list = 1;
    }
  }
  add_placed_item(list, flora_kind, placement, scale, variant_seed);
}

bool terrain_generator::kind_allowed(const terrain_flora_kind& kind, std::int32_t mode) const {
  const std::uint64_t f = kind.flags;
  if (mode == 0 && !(f & flora_tree)) return false;
  if (mode == 1 && (f & (flora_tree | flora_grass))) return false;
  if (mode == 2 && !(f & flora_grass)) return false;
  switch (code.region_type()) {
    case region_steppe: return (f & flora_steppe) != 0;
    case region_plain:
    case 7:
    case 15: return (f & flora_plain) != 0;
    case region_snow: return (f & flora_snow) != 0;
    case region_desert: return (f & flora_desert) != 0;
    case region_steppe_forest: return (f & flora_steppe_forest) != 0;
    case region_forest: return (f & flora_forest) != 0;
    case region_snow_forest: return (f & flora_snow_forest) != 0;
    case region_desert_forest: return (f & flora_desert_forest) != 0;
    default: return true;
  }
}

void terrain_generator::choose_flora_kinds() {
  random_next();
  std::int32_t trees = 0;
  std::int32_t others = 0;
  std::int32_t grass = 0;
  switch (code.region_type()) {
    case region_forest:
      trees = 2 + (random_next() & 3);
      others = 2 + (random_next() & 1);
      grass = 4;
      break;
    case region_snow_forest:
      trees = 2;
      others = 2 + (random_next() & 1);
      break;
    case region_steppe_forest:
      trees = 2 + (random_next() & 3);
      others = 2 + (random_next() & 1);
      grass = 2;
      break;
    case region_desert:
      others = 2;
      break;
    case region_desert_forest:
      trees = 3 + terrain_random_int(2);
      others = 2;
      break;
    default:
      trees = 3 + terrain_random_int(4);
      others = 4 + terrain_random_int(2);
      grass = 4;
      break;
  }
  if (grass_density < 10) grass = 0;
  pick_list_kinds(0, 1, others);
  pick_list_kinds(2, 2, grass);
  pick_list_kinds(1, 0, trees);
}

void terrain_generator::pick_list_kinds(std::int32_t list, std::int32_t mode, std::int32_t picks) {
  placed_item_list& l = placed_items[static_cast<std::size_t>(list)];
  l.kind_count = 0;
  const std::int32_t kind_total = static_cast<std::int32_t>(module_data.flora_kinds.size());
  std::int32_t allowed = 0;
  std::int32_t first_allowed = 0;
  for (const terrain_flora_kind& kind : module_data.flora_kinds) {
    if (!kind_allowed(kind, mode)) continue;
    ++allowed;
    if (kind.flags & flora_picked_first) ++first_allowed;
  }
  if (allowed == 0) return;
  if (picks > list_kind_limit) picks = list_kind_limit;
  const std::uint32_t region = code.region_type();
  for (std::int32_t p = 0; p < picks; ++p) {
    // Picks only ever land on allowed kinds: the first pick takes the
    // (r + 1)-th allowed kind marked to be picked first, the others the
    // allowed kind at which the running count of allowed kinds reaches t.
    std::int32_t chosen = -1;
    if (p == 0 && first_allowed > 0) {
      std::int32_t r = terrain_random_int(first_allowed);
      for (std::int32_t k = 0; k < kind_total && chosen < 0; ++k) {
        const terrain_flora_kind& kind = module_data.flora_kinds[static_cast<std::size_t>(k)];
        if (kind_allowed(kind, mode) && (kind.flags & flora_picked_first) && r-- == 0) chosen = k;
      }
    } else {
      const float t = terrain_random_fraction() * static_cast<float>(allowed);
      std::int32_t running = 0;
      for (std::int32_t k = 0; k < kind_total && chosen < 0; ++k) {
        if (!kind_allowed(module_data.flora_kinds[static_cast<std::size_t>(k)], mode)) continue;
        ++running;
        if (static_cast<float>(running) >= t) chosen = k;
      }
    }
    if (chosen < 0) chosen = 0;
    list_kind& entry = l.kinds[static_cast<std::size_t>(l.kind_count++)];
    entry.flora_kind = chosen;
    const float a = static_cast<float>(random_next() % 15817) * 0.6322311f;
    const float b = static_cast<float>(random_next() % 15817) * 0.6322311f;
    const float c = static_cast<float>(random_next() % 15817) * 0.6322311f;
    entry.noise_offset[0] = c;
    entry.noise_offset[1] = b;
    entry.noise_offset[2] = a;
    entry.frequency = static_cast<float>(random_next() % 15817) * 0.0031611556f + 50.0f;
    entry.threshold = static_cast<float>(random_next() % 15817) * 3.1611557e-06f;
    const terrain_flora_kind& kind = module_data.flora_kinds[static_cast<std::size_t>(chosen)];
    const float density = static_cast<float>(kind.density());
    entry.weight = 3.0f / (static_cast<float>(picks) + 2.0f) * density * (entry.threshold + 0.4f) *
                   (terrain_random_fraction() + 1.0f) * 0.015f;
    if (kind.flags & flora_grass) {
      entry.frequency *= 0.45f;
      entry.threshold -= 0.11f;
    }
    if (mode == 0 && (region == region_steppe_forest || region == region_forest || region == region_snow_forest)) {
      entry.threshold -= 0.07f;
    }
  }
}

void terrain_generator::place_flora(std::int32_t list) {
  placed_item_list& l = placed_items[static_cast<std::size_t>(list)];
  l.items.clear();
  const float vegetation = static_cast<float>(code.vegetation()) * 0.01f;
  const bool no_grass = code.disable_grass() != 0;
  const std::int32_t most = static_cast<std::int32_t>(cell_size * cell_size * 0.8f);
  const float spread = std::pow(cell_size, 1.7f) * 0.3f;
  const float grass_factor = static_cast<float>(grass_density) * 0.02f;
  for (std::int32_t y = 0; y < cells_y; ++y) {
    for (std::int32_t x = 0; x < cells_x; ++x) {
      if (!(vertex(x, y).position.z > -0.3f && vertex(x + 1, y).position.z > -0.3f &&
            vertex(x + 1, y + 1).position.z > -0.3f && vertex(x, y + 1).position.z > -0.3f)) {
        continue;
      }
      terrain_cell& c = cell(x, y);
      for (std::int32_t t = 0; t < 2; ++t) {
        c.triangle_index[t] = -1;
        const std::int32_t layer = c.triangle_layer[t];
        if (l.kind_count == 0 || (layer != 1 && layer != 2) || l.full()) continue;
        std::int32_t p[3][2];
        triangle_corners(x, y, t, p);
        const vec3 corner[3] = {vertex(p[0][0], p[0][1]).position, vertex(p[1][0], p[1][1]).position,
                                vertex(p[2][0], p[2][1]).position};
        const vec3& normal = t == 0 ? c.normal_0 : c.normal_1;
        for (std::int32_t k = 0; k < l.kind_count; ++k) {
          const list_kind& entry = l.kinds[static_cast<std::size_t>(k)];
          const terrain_flora_kind& kind = module_data.flora_kinds[static_cast<std::size_t>(entry.flora_kind)];
          const bool grass = (kind.flags & flora_grass) != 0;
          const vec3 at(static_cast<float>(x) + entry.noise_offset[0], static_cast<float>(y) + entry.noise_offset[1],
                        entry.noise_offset[2]);
          const vec3 nv = fractal_vector_noise(entry.frequency, 0.6f, 3, false, at);
          float n = nv.x + nv.y + nv.z;
          if (n > 0.5f) n = 0.5f;
          float e = (n - entry.threshold) * entry.weight * spread;
          e *= grass ? (no_grass ? 0.0f : grass_factor) : vegetation;
          if (!(terrain_random_fraction() < e)) continue;
          for (std::int32_t m = 0; m < most; ++m) {
            const float u = terrain_random_fraction();
            if (grass && u >= c.layer2_density) break;
            if (l.full()) break;
            e -= 1.0f;
            placed_item item;
            item.flora_kind = entry.flora_kind;
            item.cell_x = x;
            item.cell_y = y;
            item.triangle = t;
            item.variant = terrain_random_int(kind.variant_count);
            random_next();
            random_next();
            random_next();
            const vec3 centre = (corner[0] + corner[1] + corner[2]) * 0.3333f;
            vec3 position = centre;
            for (const vec3& q : corner) position += (q - centre) * terrain_random_fraction();
            item.placement = frame::identity();
            item.placement.origin = position;
            if (kind.flags & flora_aligned) {
              vec3 second = cross_product(normal, vec3(1.0f, 0.0f, 0.0f));
              second.normalize();
              item.placement.rot.u = normal;
              item.placement.rot.f = second;
              item.placement.rot.s = cross_product(second, normal);
            }
            item.placement.rotate_z(static_cast<float>(random_next() % 15817) * 0.00039724255f);
            const float s = static_cast<float>(random_next() % 15817) * 4.425618e-05f + 0.65f;
            item.scale.z = (static_cast<float>(random_next() % 15817) * 1.8966935e-05f + 0.85f) * s;
            item.scale.y = (static_cast<float>(random_next() % 15817) * 1.2644623e-05f + 0.9f) * s;
            item.scale.x = (static_cast<float>(random_next() % 15817) * 1.2644623e-05f + 0.9f) * s;
            l.items.push_back(item);
            if (!(terrain_random_fraction() < e)) break;
          }
        }
      }
    }
  }
}

}  // namespace hm
