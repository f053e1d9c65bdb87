// What the scene needs of a generated terrain: the ground manifold and height
// field, and the layer and water meshes of every block.
#include <algorithm>
#include <cmath>

#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/material.h"
#include "render/entity/entity.h"
#include "render/scene/scene_world.h"
#include "render/shadow/render_pass_state.h"
#include "render/terrain/manifold_building.h"
#include "render/terrain/terrain_generator.h"
#include "render/terrain/terrain_queries.h"

namespace hm {
namespace {

// w * 255 rounded (an exact half down), clamped to 0..255.
std::uint32_t weight_byte(float w) {
  const float scaled = w * 255.0f;
  const float whole = std::floor(scaled);
  float n = scaled - whole > 0.5f ? whole + 1.0f : whole;
  if (!(n > 0.0f)) return 0;
  if (n > 255.0f) return 255;
  return static_cast<std::uint32_t>(n);
}

}  // namespace

void terrain_generator::build_ground_manifold() {
  manifold = ground_manifold{};
  heights = height_field{};
  heights.bounds[0] = origin.x;
  heights.bounds[1] = origin.y;
  heights.bounds[2] = origin.x + size_x;
  heights.bounds[3] = origin.y + size_y;
  heights.cell_size = cell_size;
  heights.resize(cells_x + 1, cells_y + 1);
  for (std::int32_t x = 0; x <= cells_x; ++x) {
    for (std::int32_t y = 0; y <= cells_y; ++y) {
      vertex(x, y).index_0 = -1;
      heights.sample(x, y).height = vertex(x, y).position.z;
    }
  }
  manifold.faces.reserve(static_cast<std::size_t>(cells_x + 1) * static_cast<std::size_t>(cells_y + 1) * 2);
  auto add_face = [this](std::int32_t count, const std::int32_t (&points)[4][2]) {
    manifold_face face;
    face.vertex_count = count;
    float soft = 0.0f;
    for (std::int32_t k = 0; k < count; ++k) {
      terrain_vertex& v = vertex(points[k][0], points[k][1]);
      if (v.index_0 < 0) {
        v.index_0 = static_cast<std::int32_t>(manifold.vertices.size());
        manifold_vertex mv;
        mv.position = v.position;
        mv.normal = v.normal;
        manifold.vertices.push_back(mv);
      }
      face.vertices[k] = v.index_0;
      // The visible weight of soft ground kinds, from the top layer down.
      float cover = 1.0f;
      for (std::int32_t layer = terrain_layer_count - 1; layer >= 0; --layer) {
        const float w = v.layer_weights[layer];
        const terrain_layer& l = layers[static_cast<std::size_t>(layer)];
        if (l.ground_kind >= 0 && (l.flags & 2)) soft += cover * w;
        cover *= 1.0f - w;
      }
    }
    face.flags = manifold_face_terrain | (soft > 1.5f ? manifold_face_soft_ground : 0u);
    manifold.faces.push_back(face);
    return static_cast<std::int32_t>(manifold.faces.size()) - 1;
  };
  for (std::int32_t y = 0; y < cells_y; ++y) {
    for (std::int32_t x = 0; x < cells_x; ++x) {
      const terrain_cell& c = cell(x, y);
      height_sample& sample = heights.sample(x, y);
      if (dot_product(c.normal_0, c.normal_1) <= 0.999f) {
        sample.flags |= 1;
        if (c.diagonal != 0) sample.flags |= 2;
        for (std::int32_t t = 0; t < 2; ++t) {
          std::int32_t corners[3][2];
          triangle_corners(x, y, t, corners);
          const std::int32_t points[4][2] = {{corners[0][0], corners[0][1]},
                                             {corners[1][0], corners[1][1]},
                                             {corners[2][0], corners[2][1]},
                                             {0, 0}};
          (t == 0 ? sample.face_0 : sample.face_1) = add_face(3, points);
        }
      } else {
        const std::int32_t points[4][2] = {{x, y}, {x + 1, y}, {x + 1, y + 1}, {x, y + 1}};
        sample.face_0 = sample.face_1 = add_face(4, points);
      }
    }
  }
  build_collision_manifold(manifold, messages);
}

void terrain_generator::build_meshes() {
  const float light = 0.33f * (light_colour.x + light_colour.y + light_colour.z);
  for (const terrain_vertex& v : vertices_) {
    if (v.index_0 < 0) continue;
    float lit = -dot_product(light_direction, v.normal);
    if (lit < 0.0f) lit = 0.0f;
    manifold.vertices[static_cast<std::size_t>(v.index_0)].sun_factor = lit * v.sun_visibility * light;
  }
  // The shadow layer weighs the sun against the scene's own ambient light (a
  // terrain built without a scene has only the generator's).
  const vec3 ambient = scene ? vec3(scene->ambient_colour.r, scene->ambient_colour.g, scene->ambient_colour.b)
                             : ambient_colour;
  const float ambient_factor = 0.3f * (ambient.x + ambient.y + ambient.z);
  layer_meshes.resize(static_cast<std::size_t>(terrain_max_blocks * terrain_max_blocks * terrain_mesh_layers));
  for (std::unique_ptr<mesh>& m : layer_meshes) {
    if (m) m->clear_geometry();
  }
  const bool paired = pixel_shaders && layer_pairing;
  for (std::int32_t layer = 0; layer < terrain_layer_count; ++layer) {
    if (layers[static_cast<std::size_t>(layer)].ground_kind < 0) continue;
    if (paired && layer == 2) continue;
    for (std::int32_t bx = 0; bx < blocks_x; ++bx) {
      for (std::int32_t by = 0; by < blocks_y; ++by) {
        build_terrain_mesh(layer, paired && layer == 1 ? 2 : -1, bx, by, ambient_factor);
      }
    }
  }
  // The base layer has widened the scene's shadow bounds: the shadow layer
  // places its texture coordinates in them.
  if (lights_shadow_bounds()) g_render_pass_state.finish_shadow_bounds();
  if (environment_shadows && !pixel_shaders) {
    for (std::int32_t bx = 0; bx < blocks_x; ++bx)
      for (std::int32_t by = 0; by < blocks_y; ++by) build_terrain_mesh(terrain_layer_count, -1, bx, by, ambient_factor);
  }

  // Water: every triangle of a cell that reaches the water line, flat at it.
  if (!water_mesh) water_mesh = std::make_unique<mesh>();
  water_mesh->clear_geometry();
  water_mesh->set_material(water_material);
  constexpr float water_level = -0.3f;
  for (std::int32_t y = 0; y < cells_y; ++y) {
    for (std::int32_t x = 0; x < cells_x; ++x) {
      if (!(vertex(x, y).position.z <= water_level || vertex(x + 1, y).position.z <= water_level ||
            vertex(x + 1, y + 1).position.z <= water_level || vertex(x, y + 1).position.z <= water_level)) {
        continue;
      }
      for (std::int32_t t = 0; t < 2; ++t) {
        std::int32_t corners[3][2];
        triangle_corners(x, y, t, corners);
        std::int32_t ids[3];
        for (std::int32_t k = 0; k < 3; ++k) {
          vec3 p = vertex(corners[k][0], corners[k][1]).position;
          p.z = water_level;
          const std::int32_t point = water_mesh->add_point(p);
          ids[k] = water_mesh->add_vertex(point, p.x * 0.125f, p.y * 0.125f, 0xFFFFFFFFu, vec3(0.0f, 0.0f, 1.0f));
          mesh_vertex& mv = water_mesh->vertices[static_cast<std::size_t>(ids[k])];
          mv.uv2[0] = p.x * 0.025f;
          mv.uv2[1] = p.y * 0.025f;
        }
        water_mesh->add_face(ids[0], ids[1], ids[2]);
      }
    }
  }
  water_mesh->compute_bounding_box();
  water_mesh->mark_vertices_changed();
  water_mesh->mark_faces_changed();
}

namespace {

// The fixed-function texture operation of Direct3D that lights a surface by
// the dot product of the texture (a normal map) and the vertex colour.
constexpr std::uint32_t texture_op_dot_product_3 = 24;

// The material's first fixed-function stage lights by a dot product: its
// colour word carries the operation in its low five bits.
bool draws_with_dot_product_3(const material* m) {
  const shader* s = m ? m->shader_ptr : nullptr;
  return s && s->stage_count > 0 && (s->stages[0].word1 & 0x1Fu) == texture_op_dot_product_3;
}

vec3 normalized_or_up(const vec3& v) {
  const float length = v.length();
  return length > 1e-10f ? v * (1.0f / length) : vec3(0.0f, 1.0f, 0.0f);
}

// The light in the vertex's own frame for a dot-product-3 stage: red the
// tangent component, green the negated binormal component, blue the normal
// component, each scaled by how much sun the vertex gets.
std::uint32_t dot_product_3_colour(const vec3& normal, float sun_visibility, const vec3& light_direction,
                                   const vec3& sun_colour) {
  const vec3 n = normalized_or_up(normal);
  const vec3 t = normalized_or_up(vec3(n.z, 0.0f, -n.x));
  const vec3 b = normalized_or_up(cross_product(n, t));
  const vec3 l = -light_direction;
  const float f = (sun_visibility + 0.02f) * (sun_colour.x + sun_colour.y + sun_colour.z) * 0.33333334f;
  return pack_vector_to_color(vec3(dot_product(l, t) * f, -dot_product(l, b) * f, dot_product(l, n) * f), 1.0f);
}

}  // namespace

void terrain_generator::build_terrain_mesh(std::int32_t layer, std::int32_t overlay, std::int32_t block_x,
                                           std::int32_t block_y, float ambient_factor) {
  if (layer < 0 || layer >= terrain_mesh_layers || block_x < 0 || block_x >= blocks_x || block_y < 0 ||
      block_y >= blocks_y) {
    return;
  }
  const bool shadow = layer == terrain_layer_count;
  const terrain_block& block = blocks[static_cast<std::size_t>(block_x * blocks_y + block_y)];
  std::unique_ptr<mesh>& slot =
      layer_meshes[static_cast<std::size_t>((block_x * terrain_max_blocks + block_y) * terrain_mesh_layers + layer)];
  if (!slot) slot = std::make_unique<mesh>();
  mesh& m = *slot;
  m.clear_geometry();
  if (!shadow) {
    const terrain_layer& l = layers[static_cast<std::size_t>(layer)];
    m.set_material(overlay < 0 ? l.ground_material : l.second_material);
  }
  const float scale = shadow ? 1.0f : layers[static_cast<std::size_t>(layer)].scale;
  const bool dot_product_3 = !shadow && !pixel_shaders && draws_with_dot_product_3(m.mat);
  const bool widen_bounds = lights_shadow_bounds();
  for (terrain_vertex& v : vertices_) v.index_1 = -1;
  for (std::int32_t y = block.first_y; y < block.first_y + block.span_y; ++y) {
    for (std::int32_t x = block.first_x; x < block.first_x + block.span_x; ++x) {
      for (std::int32_t t = 0; t < 2; ++t) {
        std::int32_t corners[3][2];
        triangle_corners(x, y, t, corners);
        if (layer == 0 && widen_bounds) {
          for (const auto& c : corners) g_render_pass_state.extend_shadow_bounds(vertex(c[0], c[1]).position);
        }
        bool present = shadow;
        for (const auto& c : corners) {
          const terrain_vertex& v = vertex(c[0], c[1]);
          present = present || layer_visible(v, layer) || (overlay >= 0 && layer_visible(v, overlay));
        }
        if (!present) continue;
        std::int32_t ids[3];
        for (std::int32_t k = 0; k < 3; ++k) {
          terrain_vertex& v = vertex(corners[k][0], corners[k][1]);
          if (v.index_1 < 0) {
            std::uint32_t alpha = 0;
            std::uint32_t overlay_byte = 0;
            std::uint32_t rgb = 0x000810;
            if (shadow) {
              const float s = v.index_0 >= 0 ? manifold.vertices[static_cast<std::size_t>(v.index_0)].sun_factor : 0.0f;
              float a = ambient_factor + s > 0.0f ? s / (ambient_factor + s) : 0.0f;
              a = a < 0.0f ? 0.0f : (a > 0.75f ? 0.75f : a);
              alpha = static_cast<std::uint32_t>(a * 255.0f);
            } else {
              float w = v.layer_weights[layer];
              if (overlay >= 0) {
                const float w2 = v.layer_weights[overlay];
                w = (1.0f - w2) * w + w2;
                overlay_byte = weight_byte(w2);
              }
              alpha = weight_byte(w * v.edge_weight);
              color tint{1.0f, 1.0f, 1.0f, 1.0f};
              if (layer > 0) {
                tint = vertex_color_variation(v.position);
                const color paint = argb_to_color(v.paint_colour);
                tint.r *= paint.r;
                tint.g *= paint.g;
                tint.b *= paint.b;
              }
              if (dot_product_3) {
                rgb = dot_product_3_colour(v.normal, v.sun_visibility, light_direction, sun_colour) & 0xFFFFFFu;
              } else {
                if (!pixel_shaders) {
                  const vec3 light = item_light(v.normal, v.sun_visibility);
                  tint.r *= light.x;
                  tint.g *= light.y;
                  tint.b *= light.z;
                }
                rgb = color_to_argb(tint) & 0xFFFFFFu;
              }
            }
            const std::uint32_t colour = (alpha << 24) | rgb;
            const std::int32_t point = m.add_point(v.position);
            const vec3 in_bounds = shadow ? g_render_pass_state.to_shadow_coordinates(v.position) : vec3();
            const float u = shadow ? in_bounds.x : v.position.x * 0.025f * scale;
            const float w = shadow ? in_bounds.y : v.position.y * 0.025f * scale;
            v.index_1 = m.add_vertex(point, u, w, colour, v.normal, colour);
            mesh_vertex& mv = m.vertices[static_cast<std::size_t>(v.index_1)];
            mv.uv2[0] = mv.uv[0];
            mv.uv2[1] = mv.uv[1];
            mv.current_color = overlay >= 0 ? ((overlay_byte << 24) | rgb) : colour;
          }
          ids[k] = v.index_1;
        }
        m.add_face(ids[0], ids[1], ids[2]);
      }
    }
  }
  if (shadow) {
    m.color = 0xff000811u;
    m.visibility_mask = 0xFFFF;
  } else if (pixel_shaders) {
    m.compute_tangent_frames();
    m.visibility_mask = 0x17FFF;
  } else if (dot_product_3) {
    // The vertex colours carry the light's direction: the mesh colour
    // carries the ambient light.
    m.color = color_to_argb(color{ambient_colour.x, ambient_colour.y, ambient_colour.z, 1.0f});
  }
  m.mark_vertices_changed();
  m.mark_faces_changed();
  m.render_order = layer + 11;
  m.compute_bounding_box();
}

void terrain_generator::build_flora_meshes() {
  flora_meshes.clear();
  flora_mesh_blocks.clear();
  if (blocks_x < 1 || blocks_y < 1) return;
  constexpr std::size_t merged_vertex_limit = 32000;
  const std::int32_t kinds = static_cast<std::int32_t>(module_data.flora_kinds.size());
  for (placed_item_list& list : placed_items) {
    for (placed_item& item : list.items) {
      item.mesh_count = 0;
      if (item.flora_kind < 0 || item.flora_kind >= kinds) continue;
      const terrain_flora_kind& kind = module_data.flora_kinds[static_cast<std::size_t>(item.flora_kind)];
      // A kind without variants has nothing to draw (and no variant to take
      // a remainder by).
      if (kind.variant_count <= 0) continue;
      const std::int32_t variant = ((item.variant % kind.variant_count) + kind.variant_count) % kind.variant_count;
      if (variant >= static_cast<std::int32_t>(kind.variant_meshes.size())) continue;
      const mesh* source = kind.variant_meshes[static_cast<std::size_t>(variant)];
      if (!source || source->get_faces().empty()) continue;
      const std::int32_t bx = std::clamp(item.cell_x / terrain_block_cells, 0, blocks_x - 1);
      const std::int32_t by = std::clamp(item.cell_y / terrain_block_cells, 0, blocks_y - 1);
      const std::int32_t block = bx * blocks_y + by;
      std::int32_t target = -1;
      for (std::size_t i = 0; i < flora_meshes.size() && target < 0; ++i) {
        if (flora_mesh_blocks[i] == block && flora_meshes[i]->mat == source->mat &&
            flora_meshes[i]->vertices.size() <= merged_vertex_limit) {
          target = static_cast<std::int32_t>(i);
        }
      }
      if (target < 0) {
        auto merged = std::make_unique<mesh>();
        merged->set_material(source->mat);
        merged->flags |= 0x10000000u;
        target = static_cast<std::int32_t>(flora_meshes.size());
        flora_meshes.push_back(std::move(merged));
        flora_mesh_blocks.push_back(block);
      }
      mesh& merged = *flora_meshes[static_cast<std::size_t>(target)];
      frame placed = item.placement;
      placed.rot.s *= item.scale.x;
      placed.rot.f *= item.scale.y;
      placed.rot.u *= item.scale.z;
      const std::int32_t first = static_cast<std::int32_t>(merged.vertices.size());
      merged.append_mesh(*source, placed);
      item.mesh_refs[0] = target;
      item.mesh_refs[1] = first;
      item.mesh_refs[2] = static_cast<std::int32_t>(merged.vertices.size()) - first;
      item.mesh_count = 1;
    }
  }
  for (std::unique_ptr<mesh>& m : flora_meshes) {
    m->compute_bounding_box();
    m->mark_vertices_changed();
    m->mark_faces_changed();
  }
}

void terrain_generator::give_mesh_to_block_entity(const mesh& m, entity& e, bool keep_order) {
  // The entity holds its own copy, placed in its frame, so that the scene
  // keeps its terrain whatever later happens to the generator.
  std::unique_ptr<mesh> copy = m.create_copy();
  copy->make_geometry_own();
  copy->make_faces_own();
  if (keep_order) {
    // A copy keeps neither the layer's drawing order nor the views it is
    // drawn into (the shadow map's among them).
    copy->render_order = m.render_order;
    copy->visibility_mask = m.visibility_mask;
  }
  const vec3 offset = e.frame.origin;
  for (mesh_point& p : copy->points) {
    p.position -= offset;
    p.current_position = p.position;
  }
  copy->compute_bounding_box();
  e.add_mesh(std::move(copy));
}

void terrain_generator::give_layer_meshes_to_block_entities() {
  for (std::int32_t bx = 0; bx < blocks_x; ++bx) {
    for (std::int32_t by = 0; by < blocks_y; ++by) {
      entity* e = blocks[static_cast<std::size_t>(bx * blocks_y + by)].block_entity;
      if (!e) continue;
      for (std::int32_t layer = 0; layer < terrain_mesh_layers; ++layer) {
        const mesh* m = layer_meshes[static_cast<std::size_t>((bx * terrain_max_blocks + by) * terrain_mesh_layers + layer)].get();
        if (m && !m->get_faces().empty()) give_mesh_to_block_entity(*m, *e, true);
      }
      e->compute_local_bounds();
    }
  }
}

void terrain_generator::give_flora_meshes_to_block_entities() {
  for (std::int32_t bx = 0; bx < blocks_x; ++bx) {
    for (std::int32_t by = 0; by < blocks_y; ++by) {
      entity* e = blocks[static_cast<std::size_t>(bx * blocks_y + by)].block_entity;
      if (!e) continue;
      for (std::size_t i = 0; i < flora_meshes.size(); ++i) {
        if (flora_mesh_blocks[i] == bx * blocks_y + by) give_mesh_to_block_entity(*flora_meshes[i], *e, false);
      }
      e->compute_local_bounds();
    }
  }
}

void terrain_generator::place_rivers(std::int32_t& water_placed) {
  water_placed = water_mesh && !water_mesh->get_faces().empty() ? 1 : 0;
  if (!water_placed || blocks.empty() || !blocks.front().block_entity) return;
  entity& e = *blocks.front().block_entity;
  give_mesh_to_block_entity(*water_mesh, e, false);
  e.compute_local_bounds();
}

namespace {

// A material the module registered, or none (no fall-back to "default").
material* registered_material(const char* name) {
  return static_cast<material*>(g_resource_manager.find(material_resource_type_id, ruv_string(name)));
}

// The entity's box is the one given (the entity stands at the origin).
void close_box(entity& e, const vec3& lo, const vec3& hi) {
  e.bounds.min = lo;
  e.bounds.max = hi;
  e.bounds.center = (lo + hi) * 0.5f;
  e.bounds.radius = (hi - lo).length() * 0.5f;
  e.bounding_centre = e.bounds.center;
  e.set_bounding_radius(e.bounds.radius);
}

}  // namespace

void terrain_generator::place_flora() {
  grass_entities.fill(nullptr);
  grass_cells_x = 0;
  grass_cells_y = 0;
  if (grass_density <= 9 || !scene) return;
  constexpr std::int32_t slots = 48;
  constexpr float grass_cell = 20.0f;
  grass_cells_x = std::min(slots, static_cast<std::int32_t>(std::floor(size_x * 0.05f)));
  grass_cells_y = std::min(slots, static_cast<std::int32_t>(std::floor(size_y * 0.05f)));
  if (grass_cells_x <= 0 || grass_cells_y <= 0) {
    grass_cells_x = grass_cells_y = 0;
    return;
  }
  material* grass = registered_material(pixel_shaders && plant_shadows == 2 ? "grass" : "grass_no_shadow");
  std::vector<vec3> lo(static_cast<std::size_t>(slots * slots), vec3(1e8f, 1e8f, 1e8f));
  std::vector<vec3> hi(static_cast<std::size_t>(slots * slots), vec3(-1e8f, -1e8f, -1e8f));
  for (std::int32_t x = 0; x < grass_cells_x; ++x) {
    for (std::int32_t y = 0; y < grass_cells_y; ++y) {
      entity* e = scene->create_entity(mesh_entity_type);
      if (!e) continue;
      auto m = std::make_unique<mesh>();
      m->flags |= 0x10000000u;
      m->set_material(grass);
      e->add_mesh(std::move(m));
      grass_entities[static_cast<std::size_t>(x * slots + y)] = e;
    }
  }
  // Each grass item widens the box of the cell it stands in.
  for (const placed_item& item : placed_items[2].items) {
    const vec3& p = item.placement.origin;
    const std::int32_t x = std::clamp(static_cast<std::int32_t>(std::floor(p.x / grass_cell)), 0, grass_cells_x - 1);
    const std::int32_t y = std::clamp(static_cast<std::int32_t>(std::floor(p.y / grass_cell)), 0, grass_cells_y - 1);
    const std::size_t at = static_cast<std::size_t>(x * slots + y);
    lo[at] = vec3(std::min(lo[at].x, p.x), std::min(lo[at].y, p.y), std::min(lo[at].z, p.z));
    hi[at] = vec3(std::max(hi[at].x, p.x), std::max(hi[at].y, p.y), std::max(hi[at].z, p.z));
  }
  for (std::int32_t x = 0; x < grass_cells_x; ++x) {
    for (std::int32_t y = 0; y < grass_cells_y; ++y) {
      const std::size_t at = static_cast<std::size_t>(x * slots + y);
      entity* e = grass_entities[at];
      if (!e) continue;
      // A cell without grass keeps an empty box at its own middle.
      if (lo[at].x > hi[at].x) {
        lo[at] = hi[at] = vec3((static_cast<float>(x) + 0.5f) * grass_cell, (static_cast<float>(y) + 0.5f) * grass_cell, 0.0f);
      }
      close_box(*e, lo[at], hi[at]);
    }
  }
}

void terrain_generator::place_outer_terrain() {
  outer_entities.fill(nullptr);
  if (!scene || outer_terrain_name.length() <= 3) return;
  lod_mesh_group* group = g_resource_manager.get_lod_mesh_group(outer_terrain_name);
  if (!group || group->lod_count <= 0) return;
  // Stretched from the size the meshes were made for to this terrain's, and
  // moved from the origin to the terrain's centre.
  const float sx = size_x / outer_terrain_authored_size;
  const float sy = size_y / outer_terrain_authored_size;
  const vec3 centre(size_x * 0.5f, size_y * 0.5f, 0.0f);
  const auto side = [](float at, float size) { return at < 0.0f ? 0 : (at <= size ? 1 : 2); };
  for (mesh* source : group->lods[0]) {
    if (!source) continue;
    std::unique_ptr<mesh> m = source->create_copy();
    m->make_geometry_own();
    m->make_faces_own();
    for (mesh_point& p : m->points) {
      p.position = vec3(p.position.x * sx + centre.x, p.position.y * sy + centre.y, p.position.z);
      p.current_position = p.position;
    }
    m->compute_bounding_box();
    const vec3 middle = (m->bbox.min + m->bbox.max) * 0.5f;
    const std::size_t at = static_cast<std::size_t>(side(middle.x, size_x) * 3 + side(middle.y, size_y));
    if (!outer_entities[at]) outer_entities[at] = scene->create_entity(mesh_entity_type);
    if (outer_entities[at]) outer_entities[at]->add_mesh(std::move(m));
  }
  for (entity* e : outer_entities)
    if (e) e->compute_local_bounds();
}

void terrain_generator::reset_flora() {
  grass_cells_x = 0;
  grass_cells_y = 0;
  place_flora();
}

void terrain_generator::add_features(std::int32_t* water_placed, bool sweep) {
  // The flora's bodies first, so that they shade the flora they stand among.
  if (scene) add_flora_bodies();
  std::int32_t placed = 0;
  place_rivers(placed);
  if (water_placed) *water_placed = placed;
  build_flora_meshes();
  place_flora();
  if (!(pixel_shaders && plant_shadows != 0)) {
    light_placed_items(0, sweep);
    light_placed_items(1, sweep);
  }
  give_flora_meshes_to_block_entities();
  const auto snapped = [](float size) {
    const std::int32_t n = static_cast<std::int32_t>(size);
    return static_cast<std::uint32_t>(n < 0 ? 0 : (n > 1023 ? 1023 : n));
  };
  code.set_size_x(snapped(size_x));
  code.set_size_y(snapped(size_y));
}

bool terrain_generator::lights_shadow_bounds() const {
  return scene && g_render_pass_state.scene == scene;
}

void terrain_generator::update_shadow_passes() {
  if (!pixel_shaders && !environment_shadows) return;
  render_passes(g_render_pass_state);
  if (pixel_shaders) return;
  // The shadow layer shows the texture the passes drew this frame.
  material* shadow = g_render_pass_state.shadow_target;
  constexpr std::int32_t shadow_layer_order = terrain_layer_count + 11;
  for (std::int32_t bx = 0; bx < blocks_x; ++bx) {
    for (std::int32_t by = 0; by < blocks_y; ++by) {
      const std::size_t slot =
          static_cast<std::size_t>((bx * terrain_max_blocks + by) * terrain_mesh_layers + terrain_layer_count);
      if (slot < layer_meshes.size() && layer_meshes[slot]) layer_meshes[slot]->set_material(shadow);
      entity* e = blocks[static_cast<std::size_t>(bx * blocks_y + by)].block_entity;
      if (!e) continue;
      for (auto& m : e->meshes)
        if (m && m->render_order == shadow_layer_order) m->set_material(shadow);
    }
  }
}

}  // namespace hm
