#include "render/terrain/terrain_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/resource/mesh.h"
#include "render/entity/entity.h"
#include "render/scene/light.h"
#include "render/scene/scene_attachments.h"
#include "render/shadow/render_pass_state.h"
#include "render/scene/scene_lighting.h"
#include "render/scene/scene_world.h"

namespace hm {

// Never destroyed: its meshes hold materials of the resource manager, whose
// own static lifetime may end first.
terrain_generator& g_terrain_generator = *new terrain_generator;

void terrain_log_warning(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  log_line(std::string("WARNING: ").append(text).append("\n"));
}

float terrain_random_fraction() { return static_cast<float>(random_next() % 15817) * 6.322312e-05f; }

float terrain_averaged_random() {
  float sum = terrain_random_fraction();
  sum += terrain_random_fraction();
  sum += terrain_random_fraction();
  sum += terrain_random_fraction();
  return sum * 0.25f;
}

std::int32_t terrain_random_int(std::int32_t n) { return n < 2 ? 0 : random_next() % n; }

terrain_generator::terrain_generator() { reset_terrain_generator(); }

terrain_generator::~terrain_generator() = default;

void terrain_generator::reset_terrain_generator() {
  for (terrain_layer& layer : layers) {
    layer.ground_kind = 0;
    layer.flags = 0;
    layer.required_vertex_flag = 0;
    layer.ground_material = nullptr;
    layer.second_material = nullptr;
    layer.scale = 1.0f;
  }
  blocks.clear();
  blocks_x = 0;
  blocks_y = 0;
  for (placed_item_list& list : placed_items) {
    list.items.clear();
    list.kind_count = 0;
  }
  // The grass entities belong to the scene they were made in.
  grass_entities.fill(nullptr);
  grass_cells_x = 0;
  grass_cells_y = 0;
  outer_entities.fill(nullptr);
}

void terrain_generator::set_layer_from_kind(std::int32_t layer, std::int32_t kind) {
  terrain_layer& l = layers[static_cast<std::size_t>(layer)];
  l.ground_kind = -1;
  l.required_vertex_flag = -1;
  l.second_material = nullptr;
  if (kind < 0) return;
  // A module with fewer ground kinds than the region asks for leaves the layer
  // unused instead of reading past the table.
  if (kind >= static_cast<std::int32_t>(module_data.ground_kinds.size())) {
    terrain_log_warning("Terrain layer %d asks for ground kind %d, which the module lacks", layer, kind);
    return;
  }
  const terrain_ground_kind& g = module_data.ground_kinds[static_cast<std::size_t>(kind)];
  l.ground_kind = kind;
  l.flags = g.flags;
  l.ground_material = g.ground_material;
  l.scale = g.scale;
}

void terrain_generator::choose_region_layers() {
  for (terrain_layer& layer : layers) layer.ground_kind = -1;
  const std::uint32_t region = code.region_type();
  set_layer_from_kind(0, random_next() & 1);
  random_next();
  if (region == region_steppe) random_next();
  std::int32_t a = 5;
  std::int32_t b = 2;
  switch (region) {
    case region_steppe: b = 3; break;
    case region_snow:
    case region_snow_forest: a = 4; b = -1; break;
    case region_desert:
    case region_desert_forest: b = 6; break;
    case region_steppe_forest: a = 7; b = 3; break;
    case region_forest: a = 7; break;
    default: break;
  }
  set_layer_from_kind(1, a);
  set_layer_from_kind(2, b);
  set_layer_from_kind(3, 8);
  if (region == region_plain && module_data.ground_kinds.size() > 2) {
    layers[1].second_material = module_data.ground_kinds[2].detail_material;
  }
}

void terrain_generator::create_grid() {
  vertices_.assign(static_cast<std::size_t>(cells_x + 1) * static_cast<std::size_t>(cells_y + 1), terrain_vertex{});
  for (std::int32_t x = 0; x <= cells_x; ++x) {
    for (std::int32_t y = 0; y <= cells_y; ++y) {
      terrain_vertex& v = vertex(x, y);
      v.position = vec3(static_cast<float>(x) * cell_size, static_cast<float>(y) * cell_size, 0.0f);
      v.normal = vec3(0.0f, 0.0f, 1.0f);
      v.texture_position[0] = v.position.x * 0.7f;
      v.texture_position[1] = v.position.y * 0.7f;
      v.texture_position[2] = 0.0f;
      v.texture_position[3] = 1.0f;
      v.layer_weights[0] = 1.0f;
    }
  }
  cells_.assign(static_cast<std::size_t>(cells_x) * static_cast<std::size_t>(cells_y), terrain_cell{});
}

void terrain_generator::triangle_corners(std::int32_t x, std::int32_t y, std::int32_t triangle,
                                         std::int32_t (&p)[3][2]) const {
  auto set = [&p](int i, std::int32_t px, std::int32_t py) {
    p[i][0] = px;
    p[i][1] = py;
  };
  if (cell(x, y).diagonal != 0) {
    if (triangle == 0) {
      set(0, x, y), set(1, x + 1, y), set(2, x + 1, y + 1);
    } else {
      set(0, x, y), set(1, x + 1, y + 1), set(2, x, y + 1);
    }
  } else if (triangle == 0) {
    set(0, x + 1, y), set(1, x, y + 1), set(2, x, y);
  } else {
    set(0, x + 1, y), set(1, x + 1, y + 1), set(2, x, y + 1);
  }
}

void terrain_generator::cell_of_point(const vec3& p, std::int32_t& x, std::int32_t& y) const {
  auto axis = [](float t, std::int32_t cells) {
    // Rounded towards minus infinity; far-off and non-finite points clamp.
    if (!(t > 0.0f)) return 0;
    if (t >= static_cast<float>(cells)) return cells - 1;
    const std::int32_t i = static_cast<std::int32_t>(t);
    return i > cells - 1 ? cells - 1 : i;
  };
  x = axis(p.x * (1.0f / cell_size), cells_x);
  y = axis(p.y * (1.0f / cell_size), cells_y);
}

void terrain_generator::build_blocks() {
  // One grid serves the meshes and their entities: 40-cell blocks, the last on
  // each axis taking whatever remains, so the whole terrain is always covered.
  auto count = [](std::int32_t cells) {
    std::int32_t n = cells / terrain_block_cells;
    if (cells % terrain_block_cells > 20) ++n;
    if (n < 1) n = 1;
    if (n > terrain_max_blocks) n = terrain_max_blocks;
    return n;
  };
  blocks_x = count(cells_x);
  blocks_y = count(cells_y);
  blocks.clear();
  for (std::int32_t i = 0; i < blocks_x; ++i) {
    for (std::int32_t j = 0; j < blocks_y; ++j) {
      terrain_block b;
      b.first_x = i * terrain_block_cells;
      b.first_y = j * terrain_block_cells;
      b.span_x = i + 1 < blocks_x ? terrain_block_cells : cells_x - b.first_x;
      b.span_y = j + 1 < blocks_y ? terrain_block_cells : cells_y - b.first_y;
      b.position = vertex(b.first_x + b.span_x / 2, b.first_y + b.span_y / 2).position;
      b.position.z += 2.0f;
      if (scene) {
        b.block_entity = scene->create_entity(strategic_entity_type);
        frame at = frame::identity();
        at.origin = b.position;
        b.block_entity->set_frame(at);
      }
      blocks.push_back(b);
    }
  }
}

void terrain_generator::generate_terrain(scene_world* target, ground_paint* paint, bool store_paint) {
  // The passes reseed the shared source from the code; the caller's sequence
  // (a battle's seed) goes on afterwards as if no terrain had been made.
  struct keep_random_state {
    std::uint32_t kept = random_state();
    ~keep_random_state() { set_random_state(kept); }
  } keep_caller_sequence;
  reset_terrain_generator();
  cell_size = static_cast<float>(code.region_detail()) + 2.0f;
  random_seed(code.words[0] & 0x7FFFFFFFu);
  place_river = code.place_river();
  size_x = static_cast<float>(code.size_x());
  size_y = static_cast<float>(code.size_y());
  scene = target;
  auto cells_of = [this](float size) {
    std::int32_t n = static_cast<std::int32_t>((1.0f / cell_size) * size);
    if (n > terrain_max_cells) n = terrain_max_cells;
    if (n < terrain_min_cells) n = terrain_min_cells;
    return n;
  };
  cells_x = cells_of(size_x);
  cells_y = cells_of(size_y);
  size_x = static_cast<float>(cells_x) * cell_size;
  size_y = static_cast<float>(cells_y) * cell_size;
  origin = vec3();
  choose_region_layers();
  create_grid();
  synthesize_heights();

  random_seed(code.words[1] & 0x7FFFFFFFu);
  place_river_pass();
  relax_heights();
  compute_normals();
  compute_layer_weights();
  choose_diagonals();
  compute_triangle_layers();
  roughen_bare_ground();
  if (paint && store_paint) {
    if (edit_mode) {
      store_ground_paint(*paint);
    } else {
      store_empty_ground_paint(*paint);
    }
  }

  random_seed(code.words[2] & 0x7FFFFFFFu);
  noise_offset.x = static_cast<float>(random_next() % 15817) * 0.063223116f;
  noise_offset.y = static_cast<float>(random_next() % 15817) * 0.063223116f;
  noise_offset.z = static_cast<float>(random_next() % 15817) * 0.063223116f;
  if (paint) apply_ground_paint(*paint);
  compute_normals();
  compute_layer2_density();
  place_outer_terrain();
  choose_flora_kinds();
  place_flora(1);
  place_flora(0);
  place_flora(2);
  build_blocks();
  if (scene) {
    scene_summed_light(*scene, vec3(0.0f, 0.0f, 0.0f), light_direction, light_colour);
    g_render_pass_state.begin_shadow_bounds(*scene);
  }
  build_ground_manifold();
  if (scene) {
    scene->set_ground_manifold(std::make_unique<ground_manifold>(manifold));
    scene->height_field = std::make_unique<height_field>(heights);
  }
  for (terrain_vertex& v : vertices_) v.sun_visibility = vertex_sun_visibility(v.position);
  build_meshes();
  give_layer_meshes_to_block_entities();
}

void terrain_generator::add_flora_bodies() {
  if (!scene) return;
  std::vector<std::vector<const body*>> bodies;
  for (const terrain_flora_kind& kind : module_data.flora_kinds) {
    std::vector<const body*> variants = kind.variant_bodies;
    // As many entries as the kind has variants, so that the variant is taken
    // by the kind's own count.
    variants.resize(static_cast<std::size_t>(std::max(kind.variant_count, 0)), nullptr);
    bodies.push_back(std::move(variants));
  }
  for (const std::int32_t list : {1, 0}) {
    std::vector<placed_flora> plants;
    for (const placed_item& item : placed_items[static_cast<std::size_t>(list)].items) {
      plants.push_back({item.flora_kind, item.variant, item.placement});
    }
    hm::add_flora_bodies(*scene, plants, bodies);
    std::vector<placed_item>& items = placed_items[static_cast<std::size_t>(list)].items;
    for (std::size_t i = 0; i < items.size(); ++i) items[i].variant = plants[i].variant;
  }
}

void terrain_generator::store_ground_paint(ground_paint& paint) const {
  paint.clear();
  paint.size_x = cells_x + 1;
  paint.size_y = cells_y + 1;
  paint.layer_count = ground_paint_max_layers;
  for (std::int32_t i = 0; i < 11; ++i) {
    ground_paint_layer& layer = paint.layers[static_cast<std::size_t>(i)];
    layer.id = i;
    layer.name = i < static_cast<std::int32_t>(module_data.ground_kinds.size())
                     ? module_data.ground_kinds[static_cast<std::size_t>(i)].name
                     : ruv_string("none");
  }
  paint.elevation_layer = 11;
  paint.layers[11].id = ground_paint_elevation_id;
  paint.layers[11].name = "ground_elevation";
  paint.leveling_layer = 12;
  paint.layers[12].id = ground_paint_colour_id;
  paint.layers[12].name = "ground_leveling";
}

void terrain_generator::store_empty_ground_paint(ground_paint& paint) const {
  store_ground_paint(paint);
  for (std::int32_t i = 0; i < 11; ++i) {
    paint.layers[static_cast<std::size_t>(i)].id = -1;
    paint.layers[static_cast<std::size_t>(i)].name = "none";
  }
  paint.layer_count = 0;
}


namespace {

// FNV-1a over the bytes of the values, so the digest does not depend on
// padding or on the layout of the records.
struct fnv_hash {
  std::uint64_t value = 0xcbf29ce484222325ull;
  void bytes(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < n; ++i) {
      value ^= p[i];
      value *= 0x100000001b3ull;
    }
  }
  void f(float v) { bytes(&v, sizeof v); }
  void i(std::int32_t v) { bytes(&v, sizeof v); }
  void u(std::uint32_t v) { bytes(&v, sizeof v); }
};

}  // namespace

std::uint64_t terrain_generator::digest() const {
  fnv_hash h;
  h.i(cells_x);
  h.i(cells_y);
  h.f(cell_size);
  for (std::int32_t x = 0; x <= cells_x; ++x) {
    for (std::int32_t y = 0; y <= cells_y; ++y) {
      const terrain_vertex& v = vertex(x, y);
      h.f(v.position.z);
      h.u(v.flags);
      for (float w : v.layer_weights) h.f(w);
    }
  }
  for (std::int32_t x = 0; x < cells_x; ++x) {
    for (std::int32_t y = 0; y < cells_y; ++y) {
      const terrain_cell& c = cell(x, y);
      h.i(c.diagonal);
      h.i(c.triangle_layer[0]);
      h.i(c.triangle_layer[1]);
    }
  }
  for (const placed_item_list& list : placed_items) {
    h.i(list.count());
    for (const placed_item& item : list.items) {
      h.i(item.flora_kind);
      h.i(item.variant);
      h.f(item.placement.origin.x);
      h.f(item.placement.origin.y);
      h.f(item.placement.origin.z);
      h.f(item.scale.x);
    }
  }
  return h.value;
}

}  // namespace hm
