#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

#include "engine/collision/sphere.h"
#include "engine/resource/body.h"
#include "engine/resource/material.h"
#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "render/entity/entity.h"
#include "render/scene/light.h"
#include "render/shadow/render_pass_state.h"
#include "render/view/scene_view.h"
#include "render/scene/scene_world.h"
#include "engine/settings/game_options.h"
#include "render/terrain/ai_mesh.h"
#include "render/terrain/manifold_building.h"
#include "render/terrain/terrain_fixture.h"
#include "render/terrain/terrain_generator.h"
#include "render/terrain/terrain_queries.h"
#include "render/support/message_log_materials.h"
#include "render/view/message_log.h"

namespace hm {
namespace {

using test::code_fields;
using test::make_code;

// A low plant, 0.2 high, of three vertices of one colour.
void make_low_plant(mesh& leaf, std::uint32_t colour) {
  const std::int32_t a = leaf.add_vertex(leaf.add_point(vec3(0.0f, 0.0f, 0.0f)), 0.0f, 0.0f, colour, vec3(0, 0, 1));
  const std::int32_t b = leaf.add_vertex(leaf.add_point(vec3(0.2f, 0.0f, 0.0f)), 1.0f, 0.0f, colour, vec3(0, 0, 1));
  const std::int32_t c = leaf.add_vertex(leaf.add_point(vec3(0.0f, 0.0f, 0.2f)), 0.0f, 1.0f, colour, vec3(0, 0, 1));
  leaf.add_face(a, b, c);
}

// A white sun falling along the direction.
light& add_sun(scene_world& scene, const vec3& direction) {
  light& sun = scene.create_light();
  sun.type = light_type_directional;
  sun.direction = direction;
  sun.colour = color{1.0f, 1.0f, 1.0f, 1.0f};
  return sun;
}

// Level ground of the given size: no hills, valleys or ruggedness.
code_fields level_ground(std::uint32_t size) {
  code_fields f;
  f.size_x = size;
  f.size_y = size;
  f.hill_height = 0.0f;
  f.valley = 0.0f;
  f.ruggedness = 0;
  return f;
}

class TerrainMeshes : public ::testing::Test {
 protected:
  // Every flora kind draws the mesh, with the material.
  void use_for_every_kind(mesh& m, material& mat) {
    m.set_material(&mat);
    for (terrain_flora_kind& kind : gen->module_data.flora_kinds) kind.variant_meshes.assign(4, &m);
  }
  // Every flora kind draws a grey low plant, lit per vertex.
  static constexpr std::uint32_t grey = 0xFF808080u;
  void use_grey_low_plants() {
    make_low_plant(low_plant_, grey);
    low_plant_material_.shader_ptr = &per_vertex_;
    use_for_every_kind(low_plant_, low_plant_material_);
  }
  void SetUp() override {
    gen = std::make_unique<terrain_generator>();
    gen->module_data = test::terrain_test_kinds();
  }
  void generate(const code_fields& f) {
    gen->code = make_code(f);
    gen->generate_terrain();
    gen->add_features();
  }
  std::unique_ptr<terrain_generator> gen;
  // Declared before the plant, which holds it.
  shader per_vertex_;
  material low_plant_material_;
  mesh low_plant_;
};

TEST_F(TerrainMeshes, HeightSamplesFollowTheGrid) {
  code_fields f;
  f.river = true;
  f.detail = 1;
  generate(f);
  const float cs = gen->cell_size;
  for (std::int32_t x = 0; x < gen->cells_x; x += 7) {
    for (std::int32_t y = 0; y < gen->cells_y; y += 5) {
      const vec3 corner = gen->sample_height(vec3(static_cast<float>(x) * cs, static_cast<float>(y) * cs, 0.0f));
      EXPECT_FLOAT_EQ(corner.z, gen->vertex(x, y).position.z) << x << "," << y;
      // The centre: along y on both edges, then along x between them.
      const float near_edge = (gen->vertex(x, y).position.z + gen->vertex(x, y + 1).position.z) * 0.5f;
      const float far_edge = (gen->vertex(x + 1, y).position.z + gen->vertex(x + 1, y + 1).position.z) * 0.5f;
      const vec3 centre =
          gen->sample_height(vec3((static_cast<float>(x) + 0.5f) * cs, (static_cast<float>(y) + 0.5f) * cs, 0.0f));
      EXPECT_NEAR(centre.z, (near_edge + far_edge) * 0.5f, 1e-4f);
    }
  }
  const vec3 beyond = gen->sample_height(vec3(gen->size_x + 50.0f, gen->size_y + 9.0f, 0.0f));
  EXPECT_EQ(beyond.z, gen->vertex(gen->cells_x, gen->cells_y).position.z);
  EXPECT_EQ(beyond.x, gen->size_x);

  std::int32_t cx = -1, cy = -1;
  gen->cell_of_point(vec3(-0.5f, -0.5f, 0.0f), cx, cy);
  EXPECT_EQ(cx, 0);
  EXPECT_EQ(cy, 0);
  gen->cell_of_point(vec3(gen->size_x, 2.5f * cs, 0.0f), cx, cy);
  EXPECT_EQ(cx, gen->cells_x - 1);
  EXPECT_EQ(cy, 2);
}

// A ray straight down lands on the manifold at the height field's height,
// and every terrain face is linked to its neighbours.
TEST_F(TerrainMeshes, ManifoldMatchesTheHeights) {
  code_fields f;
  f.river = true;
  f.size_x = 100;
  f.size_y = 90;
  generate(f);
  const ground_manifold& m = gen->manifold;
  ASSERT_FALSE(m.faces.empty());
  EXPECT_EQ(gen->heights.sample_count_x, gen->cells_x + 1);
  // On the grid points the hit is the vertex height; inside a cell it lies
  // within the heights of the cell's corners.
  const float cs = gen->cell_size;
  for (std::int32_t x = 1; x < gen->cells_x; x += 6) {
    for (std::int32_t y = 1; y < gen->cells_y; y += 7) {
      float t = 0.0f;
      const vec3 at(static_cast<float>(x) * cs, static_cast<float>(y) * cs, 1000.0f);
      ASSERT_GE(cast_ray_on_manifold(m, at, vec3(0.0f, 0.0f, -1.0f), t), 0);
      EXPECT_NEAR(1000.0f - t, gen->vertex(x, y).position.z, 2e-3f) << x << "," << y;
      const std::int32_t face = cast_ray_on_manifold(m, at + vec3(0.3f * cs, 0.6f * cs, 0.0f), vec3(0.0f, 0.0f, -1.0f), t);
      ASSERT_GE(face, 0);
      EXPECT_NE(m.faces[static_cast<std::size_t>(face)].flags & manifold_face_terrain, 0u);
      float low = 1e9f, high = -1e9f;
      for (std::int32_t dx = 0; dx < 2; ++dx) {
        for (std::int32_t dy = 0; dy < 2; ++dy) {
          low = std::min(low, gen->vertex(x + dx, y + dy).position.z);
          high = std::max(high, gen->vertex(x + dx, y + dy).position.z);
        }
      }
      EXPECT_GE(1000.0f - t, low - 2e-3f);
      EXPECT_LE(1000.0f - t, high + 2e-3f);
    }
  }
  std::int32_t outer = 0;
  for (const manifold_edge& e : m.edges) {
    EXPECT_GE(e.face_count, 1);
    EXPECT_LE(e.face_count, 2);
    outer += e.face_count == 1 ? 1 : 0;
  }
  EXPECT_EQ(outer, 2 * (gen->cells_x + gen->cells_y));
  for (std::int32_t x = 0; x < gen->cells_x; ++x) {
    const height_sample& s = gen->heights.sample(x, 3);
    ASSERT_GE(s.face_0, 0);
    EXPECT_EQ(s.face_0 == s.face_1, (s.flags & 1) == 0);
  }
}

TEST_F(TerrainMeshes, GridGraphOfWalkableGroundIsConnected) {
  code_fields f;
  f.hill_height = 20.0f;
  f.size_x = 140;
  f.size_y = 120;
  generate(f);
  ai_mesh graph;
  build_grid_ai_mesh(graph, gen->heights, 3);
  graph.update_faces();
  ASSERT_GT(graph.faces.size(), 100u);
  std::vector<char> reached(graph.faces.size(), 0);
  std::vector<std::int32_t> open{0};
  reached[0] = 1;
  while (!open.empty()) {
    const ai_mesh_face& face = graph.faces[static_cast<std::size_t>(open.back())];
    const std::int32_t me = open.back();
    open.pop_back();
    for (std::int32_t k = 0; k < face.vertex_count; ++k) {
      const ai_mesh_edge& e = graph.edges[static_cast<std::size_t>(face.edges[k])];
      const std::int32_t other = e.face_0 == me ? e.face_1 : e.face_0;
      if (e.face_count == 2 && !reached[static_cast<std::size_t>(other)] &&
          graph.faces[static_cast<std::size_t>(other)].normal.z > 0.7f) {
        reached[static_cast<std::size_t>(other)] = 1;
        open.push_back(other);
      }
    }
  }
  for (std::size_t i = 0; i < graph.faces.size(); ++i) {
    if (graph.faces[i].normal.z > 0.7f) {
      EXPECT_TRUE(reached[i]) << i;
    }
  }
  // Positions find their faces, on the ground.
  const vec3 middle(70.0f, 60.0f, 0.0f);
  const std::int32_t face = graph.find_face(middle);
  ASSERT_GE(face, 0);
  EXPECT_NEAR(graph.face_height(face, middle), gen->sample_height(middle).z + 0.4f, 1.5f);
}

TEST_F(TerrainMeshes, LayerAndWaterMeshes) {
  code_fields f;
  f.river = true;
  f.size_x = 200;
  f.size_y = 100;
  generate(f);
  std::int32_t faces = 0;
  for (std::int32_t b = 0; b < gen->blocks_x * gen->blocks_y; ++b) {
    const terrain_block& block = gen->blocks[static_cast<std::size_t>(b)];
    const mesh* base = gen->layer_meshes[static_cast<std::size_t>(
                                             ((block.first_x / 40) * terrain_max_blocks + block.first_y / 40) *
                                             terrain_mesh_layers)]
                           .get();
    ASSERT_NE(base, nullptr);
    EXPECT_LE(static_cast<std::int32_t>(base->get_faces().size()), block.span_x * block.span_y * 2);
    // Every triangle shows some layer.
    std::int32_t most = 0;
    for (std::int32_t layer = 0; layer < terrain_layer_count; ++layer) {
      const mesh* m = gen->layer_meshes[static_cast<std::size_t>(
                                            ((block.first_x / 40) * terrain_max_blocks + block.first_y / 40) *
                                                terrain_mesh_layers +
                                            layer)]
                          .get();
      if (m) most = std::max(most, static_cast<std::int32_t>(m->get_faces().size()));
      if (m) faces += static_cast<std::int32_t>(m->get_faces().size());
    }
    EXPECT_GT(most, block.span_x * block.span_y / 2);
    EXPECT_EQ(base->render_order, 11);
    for (const mesh_vertex& v : base->get_vertices()) EXPECT_EQ(v.uv2[0], v.uv[0]);
  }
  EXPECT_GE(faces, gen->cells_x * gen->cells_y * 2);
  // Layer alphas carry the weights; the border ring is faded out.
  const mesh* flat = gen->layer_meshes[1].get();
  ASSERT_NE(flat, nullptr);
  for (const mesh_vertex& v : flat->get_vertices()) {
    const vec3& p = flat->get_points()[static_cast<std::size_t>(v.point)].position;
    if (p.x == 0.0f || p.y == 0.0f) {
      EXPECT_EQ(v.color >> 24, 0u);
    }
  }
  ASSERT_NE(gen->water_mesh, nullptr);
  EXPECT_FALSE(gen->water_mesh->get_faces().empty());
  for (const mesh_point& p : gen->water_mesh->get_points()) EXPECT_EQ(p.position.z, -0.3f);
}

// In a scene every block gets an entity with its meshes, and the scene takes
// the ground manifold.
TEST_F(TerrainMeshes, SceneTakesTheTerrain) {
  scene_world scene;
  code_fields f;
  f.river = true;
  f.size_x = 500;
  f.size_y = 100;
  gen->code = make_code(f);
  gen->generate_terrain(&scene);
  gen->add_features();
  ASSERT_EQ(gen->blocks.size(), 5u);
  for (const terrain_block& b : gen->blocks) {
    ASSERT_NE(b.block_entity, nullptr);
    EXPECT_EQ(b.block_entity->frame.origin.x, b.position.x);
    EXPECT_FALSE(b.block_entity->meshes.empty());
    // Mesh points are kept relative to the entity.
    const mesh& first = *b.block_entity->meshes.front();
    for (const mesh_point& p : first.get_points()) {
      EXPECT_GE(p.position.x + b.position.x, static_cast<float>(b.first_x) * gen->cell_size - 1e-3f);
      EXPECT_LE(p.position.x + b.position.x, static_cast<float>(b.first_x + b.span_x) * gen->cell_size + 1e-3f);
    }
  }
  ASSERT_NE(scene.ground_manifold, nullptr);
  EXPECT_EQ(scene.ground_manifold->faces.size(), gen->manifold.faces.size());

  // The sun and a point light sum into the generator's light.
  add_sun(scene, vec3(0.0f, 0.6f, -0.8f));
  light& lamp = scene.create_light();
  lamp.position = vec3(0.0f, 0.0f, 10.0f);
  lamp.colour = color{100.0f, 100.0f, 100.0f, 1.0f};  // 1.0 each at the origin
  gen->generate_terrain(&scene);
  gen->add_features();
  EXPECT_FLOAT_EQ(gen->light_colour.x, 2.0f);
  EXPECT_NEAR(gen->light_direction.y, 0.6f / std::sqrt(0.36f + 1.8f * 1.8f), 1e-5f);
  EXPECT_NEAR(gen->light_direction.z, -1.8f / std::sqrt(0.36f + 1.8f * 1.8f), 1e-5f);
  EXPECT_NE(scene.ground_manifold->faces.front().body, nullptr);
}

// Drawing without pixel shaders, each vertex's sun visibility comes from the
// scene's collision: the ground manifold the scene took shades the vertices
// that higher ground hides from a low sun, and only those.
TEST_F(TerrainMeshes, SunVisibilityComesFromTheScenesCollision) {
  code_fields f;
  f.size_x = 100;
  f.size_y = 100;
  f.hill_height = 110.0f;
  gen->code = make_code(f);
  gen->pixel_shaders = false;
  scene_world scene(vec3(-1.0f, -1.0f, 0.0f), vec3(101.0f, 101.0f, 0.0f), 5, 5, 0);
  light& sun = add_sun(scene, vec3(1.0f, 0.3f, -0.35f));
  gen->generate_terrain(&scene);
  gen->add_features();
  const vec3 l = gen->light_direction;
  // Marching towards the sun over the grid's heights.
  auto hidden_by_heights = [&](const vec3& p) {
    for (float t = 0.5f;; t += 0.25f) {
      const vec3 q = p - l * t;
      if (q.x < 0.0f || q.y < 0.0f || q.x > gen->size_x || q.y > gen->size_y) return false;
      if (gen->sample_height(q).z > q.z + 0.05f) return true;
    }
  };
  int shaded = 0;
  int disagree = 0;
  const int total = gen->vertex_count_x() * gen->vertex_count_y();
  for (std::int32_t x = 0; x < gen->vertex_count_x(); ++x) {
    for (std::int32_t y = 0; y < gen->vertex_count_y(); ++y) {
      const terrain_vertex& v = gen->vertex(x, y);
      ASSERT_TRUE(v.sun_visibility == 0.0f || v.sun_visibility == 1.0f);
      shaded += v.sun_visibility == 0.0f ? 1 : 0;
      disagree += (v.sun_visibility == 0.0f) != hidden_by_heights(v.position) ? 1 : 0;
    }
  }
  EXPECT_GT(shaded, total / 50);
  EXPECT_LT(shaded, total / 2);
  // The manifold's triangles and the interpolated heights differ a little
  // along the shadows' edges.
  EXPECT_LT(disagree, total / 25) << shaded << " shaded of " << total;

  // A sun straight overhead shades nothing; with pixel shaders nothing is tested.
  sun.direction = vec3(0.0f, 0.0f, -1.0f);
  gen->generate_terrain(&scene);
  gen->add_features();
  for (std::int32_t x = 0; x < gen->vertex_count_x(); x += 7) {
    for (std::int32_t y = 0; y < gen->vertex_count_y(); y += 7) EXPECT_EQ(gen->vertex(x, y).sun_visibility, 1.0f);
  }
}

// In a scene the trees and other flora (not the grass) bring their variants'
// collision bodies, each placed at its item and flagged 0x200.
TEST_F(TerrainMeshes, FloraBodiesEnterTheScene) {
  body trunk;
  trunk.part = std::make_unique<sphere>(vec3(0.0f, 0.0f, 1.0f), 0.4f);
  // Every variant of the oak (kind 2) and the second of the bush (kind 1).
  gen->module_data.flora_kinds[2].variant_bodies.assign(3, &trunk);
  gen->module_data.flora_kinds[1].variant_bodies = {nullptr, &trunk};
  code_fields f;
  f.size_x = 160;
  f.size_y = 160;
  gen->code = make_code(f);
  scene_world scene(vec3(0.0f, 0.0f, 0.0f), vec3(160.0f, 160.0f, 0.0f), 4, 4, 0);
  gen->generate_terrain(&scene);
  gen->add_features();
  std::size_t expected = 0;
  std::vector<vec3> at;
  for (const std::int32_t list : {1, 0}) {
    for (const placed_item& item : gen->placed_items[static_cast<std::size_t>(list)].items) {
      const std::int32_t count = gen->module_data.flora_kinds[static_cast<std::size_t>(item.flora_kind)].variant_count;
      if (count > 0) {
        EXPECT_TRUE(item.variant >= 0 && item.variant < count);
      }
      if (item.flora_kind == 2 || (item.flora_kind == 1 && item.variant == 1)) {
        ++expected;
        at.push_back(item.placement.transform_point_to_global(vec3(0.0f, 0.0f, 1.0f)));
      }
    }
  }
  ASSERT_GT(expected, 10u);
  std::vector<const sphere*> balls;
  for (const auto& b : scene.bodies) {
    if (b->get_type_id() == sphere_type_id) balls.push_back(static_cast<const sphere*>(b.get()));
  }
  ASSERT_EQ(balls.size(), expected);
  for (std::size_t i = 0; i < expected; ++i) {
    EXPECT_EQ(balls[i]->flags & 0x200u, 0x200u);
    EXPECT_NEAR((balls[i]->centre - at[i]).length(), 0.0f, 1e-4f) << i;
  }
}

// The base layer widens the scene's shadow bounds; without pixel shaders and
// with environment shadows on, every block gets a shadow layer placed in them,
// which shows the render passes' shadow texture once they have run.
TEST_F(TerrainMeshes, ShadowBoundsAndShadowLayer) {
  scene_world scene;
  add_sun(scene, get_normalized(vec3(0.3f, 0.4f, -0.8f)));
  code_fields f;
  f.size_x = 120;
  f.size_y = 100;
  gen->code = make_code(f);
  gen->pixel_shaders = false;
  gen->environment_shadows = true;
  gen->generate_terrain(&scene);
  gen->add_features();
  EXPECT_EQ(g_render_pass_state.scene, &scene);
  const shadow_bounds& b = scene.shadow_bounds;
  EXPECT_GT(b.size.x, 100.0f);
  EXPECT_GT(b.size.y, 50.0f);
  EXPECT_GE(b.size.z, 0.0f);
  // Every terrain vertex lies in the bounds.
  const vec3 corner = g_render_pass_state.to_shadow_coordinates(gen->vertex(gen->cells_x, gen->cells_y).position);
  for (float c : {corner.x, corner.y, corner.z}) {
    EXPECT_GE(c, -1e-4f);
    EXPECT_LE(c, 1.0f + 1e-4f);
  }
  constexpr std::int32_t shadow_order = terrain_layer_count + 11;
  int shadow_meshes = 0;
  for (const terrain_block& block : gen->blocks) {
    for (const auto& m : block.block_entity->meshes) {
      if (m->render_order != shadow_order) continue;
      ++shadow_meshes;
      EXPECT_EQ(m->color, 0xff000811u);
      for (const mesh_vertex& v : m->vertices) {
        EXPECT_GE(v.uv[0], -1e-4f);
        EXPECT_LE(v.uv[0], 1.0f + 1e-4f);
        EXPECT_LE(v.color >> 24, 191u);
      }
    }
  }
  EXPECT_EQ(shadow_meshes, static_cast<int>(gen->blocks.size()));

  // The passes' alpha texture lands on the shadow layer (with no device the
  // pool's material has no target and nothing is drawn into it).
  game_options& options = g_render_pass_state.options();
  const std::int32_t saved = options.environment_shadows;
  const bool pixel_shaders = g_render_pass_state.renderer().pixel_shaders;
  g_render_pass_state.renderer().pixel_shaders = false;
  options.environment_shadows = 1;
  gen->update_shadow_passes();
  ASSERT_NE(g_render_pass_state.shadow_target, nullptr);
  for (const auto& m : gen->blocks.front().block_entity->meshes) {
    if (m->render_order == shadow_order) {
      EXPECT_EQ(m->mat, g_render_pass_state.shadow_target);
    }
  }
  g_render_pass_state.release_targets();
  g_render_pass_state.renderer().pixel_shaders = pixel_shaders;
  options.environment_shadows = saved;

  // With pixel shaders there is no shadow layer.
  gen->pixel_shaders = true;
  scene_world other;
  gen->generate_terrain(&other);
  gen->add_features();
  for (const auto& m : gen->blocks.front().block_entity->meshes) EXPECT_NE(m->render_order, shadow_order);
}

// The shadow layer weighs each vertex's sun against the scene's ambient light:
// a = s / (A + s), A = 0.3 x (r + g + b) of the scene's ambient colour. With a
// white sun straight down, a level vertex gets s = 1 x 1 x 0.33 x 3 = 0.99;
// a white ambient gives A = 0.9 and alpha 255 x 0.99 / 1.89 = 133.57, cut to 133.
TEST_F(TerrainMeshes, ShadowLayerWeighsTheSunAgainstTheScenesAmbient) {
  scene_world scene;
  add_sun(scene, vec3(0.0f, 0.0f, -1.0f));
  scene.ambient_colour = color{1.0f, 1.0f, 1.0f, 1.0f};
  const code_fields f = level_ground(80);
  gen->code = make_code(f);
  gen->pixel_shaders = false;
  gen->environment_shadows = true;
  gen->generate_terrain(&scene);
  gen->add_features();
  constexpr std::int32_t shadow_order = terrain_layer_count + 11;
  int level = 0;
  for (const terrain_block& block : gen->blocks) {
    for (const auto& m : block.block_entity->meshes) {
      if (m->render_order != shadow_order) continue;
      for (const mesh_vertex& v : m->vertices) {
        if (v.normal.z < 0.9999f) continue;
        ++level;
        EXPECT_EQ(v.color >> 24, 133u);
      }
    }
  }
  EXPECT_GT(level, 0);
}

// Placed flora is merged per block; a kind without variants is left out
// instead of taking a remainder by zero.
TEST_F(TerrainMeshes, FloraMeshes) {
  mesh leaf;
  const std::int32_t a = leaf.add_vertex(leaf.add_point(vec3(0.0f, 0.0f, 0.0f)), 0.0f, 0.0f, 0xFFFFFFFFu, vec3(0, 0, 1));
  const std::int32_t b = leaf.add_vertex(leaf.add_point(vec3(1.0f, 0.0f, 0.0f)), 1.0f, 0.0f, 0xFFFFFFFFu, vec3(0, 0, 1));
  const std::int32_t c = leaf.add_vertex(leaf.add_point(vec3(0.0f, 0.0f, 2.0f)), 0.0f, 1.0f, 0xFFFFFFFFu, vec3(0, 0, 1));
  leaf.add_face(a, b, c);
  for (terrain_flora_kind& kind : gen->module_data.flora_kinds) kind.variant_meshes.assign(4, &leaf);
  code_fields f;
  f.size_x = 200;
  f.size_y = 90;
  generate(f);
  std::int32_t items = 0;
  for (const placed_item_list& list : gen->placed_items) items += list.count();
  ASSERT_GT(items, 0);
  frame at = frame::identity();
  at.origin = vec3(10.0f, 10.0f, 0.0f);
  gen->add_flora_item(5, at, vec3(1.0f, 1.0f, 1.0f), 3);  // a kind with no variants
  gen->build_flora_meshes();
  std::size_t vertices = 0;
  for (std::size_t i = 0; i < gen->flora_meshes.size(); ++i) {
    vertices += gen->flora_meshes[i]->get_vertices().size();
    EXPECT_LT(gen->flora_mesh_blocks[i], gen->blocks_x * gen->blocks_y);
  }
  EXPECT_EQ(vertices, static_cast<std::size_t>(items) * 3);
  EXPECT_EQ(gen->placed_items[0].items.back().mesh_count, 0);
  const placed_item& first = gen->placed_items[1].count() > 0 ? gen->placed_items[1].items[0] : gen->placed_items[0].items[0];
  ASSERT_EQ(first.mesh_count, 1);
  const mesh& merged = *gen->flora_meshes[static_cast<std::size_t>(first.mesh_refs[0])];
  const vec3 top = merged.get_points()[static_cast<std::size_t>(merged.get_vertices()[static_cast<std::size_t>(first.mesh_refs[1] + 2)].point)].position;
  EXPECT_NEAR(top.z, first.placement.origin.z + 2.0f * first.scale.z * first.placement.rot.u.z, 1e-3f);
}

// Without pixel shaders (or without plant shadows) the vertices of the
// placed items of lists 0 and 1 take the scene's light: ambient x 1.5 plus
// the sun, full where the sun reaches them, a tenth on low plants the ground
// hides. The grass list is not lit here; flora of shaders lit once per mesh
// keeps its colour, and with pixel shaders and plant shadows nothing is baked.
TEST_F(TerrainMeshes, PlacedItemsTakeTheScenesLight) {
  mesh leaf;  // 0.2 high: a low plant
  const std::uint32_t grey = 0xFF808080u;
  make_low_plant(leaf, grey);
  shader per_vertex;
  shader per_mesh;
  per_mesh.flags = shader_flag_lit_per_mesh;
  material plant;
  plant.shader_ptr = &per_vertex;
  leaf.set_material(&plant);
  for (terrain_flora_kind& kind : gen->module_data.flora_kinds) kind.variant_meshes.assign(4, &leaf);

  code_fields f;
  f.size_x = 100;
  f.size_y = 100;
  f.hill_height = 110.0f;
  gen->code = make_code(f);
  scene_world scene(vec3(-1.0f, -1.0f, 0.0f), vec3(101.0f, 101.0f, 0.0f), 5, 5, 0);
  add_sun(scene, vec3(1.0f, 0.3f, -0.35f));

  // Pixel shaders with full plant shadows: the shaders light the flora.
  gen->pixel_shaders = true;
  gen->plant_shadows = 2;
  gen->generate_terrain(&scene);
  gen->add_features();
  for (const std::unique_ptr<mesh>& m : gen->flora_meshes) {
    for (const mesh_vertex& v : m->get_vertices()) ASSERT_EQ(v.color, grey);
  }

  gen->pixel_shaders = false;
  gen->generate_terrain(&scene);
  gen->add_features();
  const vec3 l = gen->light_direction;
  auto expected = [&](float k) {
    const vec3 light = gen->ambient_colour * 1.5f + gen->sun_colour * k;
    const color g = argb_to_color(grey);
    return color_to_argb(color{g.r * light.x, g.g * light.y, g.b * light.z, g.a});
  };
  int shaded = 0;
  int items = 0;
  for (std::int32_t list = 0; list < 3; ++list) {
    for (const placed_item& item : gen->placed_items[static_cast<std::size_t>(list)].items) {
      ASSERT_EQ(item.mesh_count, 1);
      const mesh& merged = *gen->flora_meshes[static_cast<std::size_t>(item.mesh_refs[0])];
      const std::uint32_t got = merged.get_vertices()[static_cast<std::size_t>(item.mesh_refs[1])].color;
      if (list == 2) {
        EXPECT_FALSE(item.lit);
        EXPECT_EQ(got, grey);
        continue;
      }
      EXPECT_TRUE(item.lit);
      float k = 1.0f;
      const vec3 p = vec3(0.1f, 0.0f, 0.3f) + item.placement.origin;
      if (!scene.segment_is_clear(p - l * 1000.0f, p - l * 0.05f)) {
        k *= 0.1f;
        ++shaded;
      }
      EXPECT_EQ(got, expected(k)) << "list " << list << " kind " << item.flora_kind;
      ++items;
    }
  }
  EXPECT_GT(items, 100);
  EXPECT_GT(shaded, 0);
  EXPECT_LT(shaded, items);

  // A shader lit once per mesh keeps the flora's own colours.
  plant.shader_ptr = &per_mesh;
  gen->generate_terrain(&scene);
  gen->add_features();
  for (const std::unique_ptr<mesh>& m : gen->flora_meshes) {
    for (const mesh_vertex& v : m->get_vertices()) ASSERT_EQ(v.color, grey);
  }
}

// add_features reports whether the terrain has water (and gives the water to
// the first block), and lights the placed items by the occlusion test it is
// asked for: with the sweep every low plant the capsule cannot reach keeps a
// tenth of the sun, (0.3 + 0.1 x sun) x its colour; without it the segment
// test (clear here) leaves the full sun, (0.3 + sun) x its colour.
TEST_F(TerrainMeshes, AddFeaturesReportsWaterAndTakesTheOcclusionItIsAskedFor) {
  use_grey_low_plants();
  gen->pixel_shaders = false;
  gen->segment_clear = [](const vec3&, const vec3&) { return true; };
  gen->capsule_clear = [](const vec3&, const vec3&) { return false; };
  const color g = argb_to_color(grey);
  auto lit = [&](float k) {
    const vec3 sun(0.6f, 0.55f, 0.5f);
    return color_to_argb(color{g.r * (0.3f + sun.x * k), g.g * (0.3f + sun.y * k), g.b * (0.3f + sun.z * k), g.a});
  };
  struct feature_case {
    bool river;
    bool sweep;
    std::int32_t water;
    float k;
  };
  for (const feature_case& fc : {feature_case{true, true, 1, 0.1f}, feature_case{false, false, 0, 1.0f}}) {
    scene_world scene;
    code_fields f;
    f.river = fc.river;
    f.size_x = 120;
    f.size_y = 100;
    gen->code = make_code(f);
    gen->generate_terrain(&scene);
    std::int32_t water = -1;
    gen->add_features(&water, fc.sweep);
    EXPECT_EQ(water, fc.water);
    // The water is the mesh whose every point lies at the water line.
    const entity& first = *gen->blocks.front().block_entity;
    bool water_given = false;
    for (const auto& m : first.meshes) {
      bool flat = !m->get_points().empty();
      for (const mesh_point& p : m->get_points())
        flat = flat && std::fabs(p.position.z + first.frame.origin.z + 0.3f) < 1e-4f;
      water_given = water_given || flat;
    }
    EXPECT_EQ(water_given, fc.water == 1);
    int items = 0;
    for (std::int32_t list = 0; list < 2; ++list) {
      for (const placed_item& item : gen->placed_items[static_cast<std::size_t>(list)].items) {
        const mesh& merged = *gen->flora_meshes[static_cast<std::size_t>(item.mesh_refs[0])];
        EXPECT_EQ(merged.get_vertices()[static_cast<std::size_t>(item.mesh_refs[1])].color, lit(fc.k));
        ++items;
      }
    }
    EXPECT_GT(items, 0);
  }
  gen->segment_clear = nullptr;
  gen->capsule_clear = nullptr;
}

// With pixel shaders and quick plant shadows a placed item's vertices ask the
// shadow map: under a map whose every depth is 0 each vertex over the terrain
// is in shadow and keeps only the ambient part, 0.3 x its colour.
TEST_F(TerrainMeshes, QuickPlantShadowsTestEachVertexAgainstTheMap) {
  use_grey_low_plants();
  scene_world scene;
  add_sun(scene, get_normalized(vec3(0.3f, 0.4f, -0.8f)));
  code_fields f;
  f.size_x = 100;
  f.size_y = 100;
  gen->code = make_code(f);
  gen->pixel_shaders = true;
  gen->plant_shadows = 1;
  gen->generate_terrain(&scene);
  gen->add_features();  // pixel shaders with plant shadows: nothing lit yet
  bool& renderer_pixel_shaders = g_render_pass_state.renderer().pixel_shaders;
  const bool saved = renderer_pixel_shaders;
  renderer_pixel_shaders = true;
  g_render_pass_state.setup_shadow_camera();
  g_render_pass_state.readback_surface = std::make_unique<shadow_readback>();
  shadow_readback& map = *g_render_pass_state.readback_surface;
  map.width = map.height = 1;
  map.format = platform::gpu::format::r32f;
  map.bytes.assign(4, 0);  // depth 0.0
  gen->light_placed_items(0);
  const color g = argb_to_color(grey);
  const std::uint32_t shaded = color_to_argb(color{g.r * 0.3f, g.g * 0.3f, g.b * 0.3f, g.a});
  int items = 0;
  for (const placed_item& item : gen->placed_items[0].items) {
    const mesh& merged = *gen->flora_meshes[static_cast<std::size_t>(item.mesh_refs[0])];
    EXPECT_EQ(merged.get_vertices()[static_cast<std::size_t>(item.mesh_refs[1])].color, shaded);
    ++items;
  }
  EXPECT_GT(items, 0);
  g_render_pass_state.release_targets();
  renderer_pixel_shaders = saved;
}

// Grass entities: with the grass-density option above 9 a 120 x 100 terrain
// gets floor(120 x 0.05) x floor(100 x 0.05) = 6 x 5 cells of 20 units, each
// bounded by the grass items standing in it; at 9 or below there are none.
TEST_F(TerrainMeshes, GrassEntitiesCoverTheirCells) {
  scene_world scene;
  code_fields f;
  f.size_x = 120;
  f.size_y = 100;
  gen->code = make_code(f);
  gen->grass_density = 50;
  gen->generate_terrain(&scene);
  gen->add_features();
  EXPECT_EQ(gen->grass_cells_x, 6);
  EXPECT_EQ(gen->grass_cells_y, 5);
  ASSERT_GT(gen->placed_items[2].count(), 0);
  for (const placed_item& item : gen->placed_items[2].items) {
    const vec3& p = item.placement.origin;
    const int x = std::clamp(static_cast<int>(std::floor(p.x / 20.0f)), 0, 5);
    const int y = std::clamp(static_cast<int>(std::floor(p.y / 20.0f)), 0, 4);
    const entity* e = gen->grass_entities[static_cast<std::size_t>(x * 48 + y)];
    ASSERT_NE(e, nullptr);
    EXPECT_LE(e->bounds.min.x, p.x);
    EXPECT_LE(e->bounds.min.y, p.y);
    EXPECT_GE(e->bounds.max.x, p.x);
    EXPECT_GE(e->bounds.max.y, p.y);
    ASSERT_EQ(e->meshes.size(), 1u);
    EXPECT_TRUE(e->meshes[0]->flags & 0x10000000u);
  }
  EXPECT_EQ(gen->grass_entities[static_cast<std::size_t>(6 * 48)], nullptr);
  gen->grass_density = 9;
  gen->reset_flora();
  EXPECT_EQ(gen->grass_cells_x, 0);
  EXPECT_EQ(gen->grass_entities[0], nullptr);
}

// The scene keeps the terrain's height samples, one per vertex, until it is
// cleared; the next terrain replaces them.
TEST_F(TerrainMeshes, TheSceneKeepsTheHeightField) {
  scene_world scene;
  code_fields f;
  f.size_x = 120;
  f.size_y = 100;
  gen->code = make_code(f);
  gen->generate_terrain(&scene);
  ASSERT_NE(scene.height_field, nullptr);
  EXPECT_EQ(scene.height_field->sample_count_x, 61);  // 60 cells of 2 units, + 1
  EXPECT_EQ(scene.height_field->sample_count_y, 51);
  EXPECT_EQ(scene.height_field->sample(30, 20).height, gen->vertex(30, 20).position.z);
  f.size_x = 80;
  gen->code = make_code(f);
  gen->generate_terrain(&scene);
  EXPECT_EQ(scene.height_field->sample_count_x, 41);
  scene.clear();
  EXPECT_EQ(scene.height_field, nullptr);
}

// A fan of 40 triangles around one vertex ends 40 edges at it, more than the
// 32 a vertex lists: the build says so once, on the screen's message log.
TEST(ManifoldLinking, TooManyEdgesAtAVertexAreReportedOnceOnTheMessageLog) {
  ground_manifold m;
  m.vertices.resize(42);
  for (int i = 1; i <= 41; ++i) {
    const float a = static_cast<float>(i) * 0.15f;
    m.vertices[static_cast<std::size_t>(i)].position = vec3(std::cos(a), std::sin(a), 0.0f);
  }
  for (int i = 1; i <= 40; ++i) {
    manifold_face f;
    f.vertex_count = 3;
    f.vertices[0] = 0;
    f.vertices[1] = i;
    f.vertices[2] = i + 1;
    m.faces.push_back(f);
  }
  resource_manager resources;
  test::add_message_log_materials(resources);
  message_log log;
  log.resources = &resources;
  EXPECT_FALSE(build_collision_manifold(m, &log));
  ASSERT_EQ(log.log_history.size(), 1u);
  EXPECT_EQ(log.log_history[0], "WARNING: neighbour faces exceeds the maximum in manifold");
  EXPECT_EQ(log.log_line_color[31], 0xFFFFFEFBu);
  clear_message_log(log);
}

// Without pixel shaders a layer whose material lights by a dot product takes
// the light in each vertex's own frame as its colour, and the ambient light
// as the mesh colour. On level ground (n = (0, 0, 1): t = (1, 0, 0),
// b = n x t = (0, 1, 0)) under a light falling along (0, -0.6, -0.8) with
// L = (0, 0.6, 0.8), a lit vertex (visibility 1) with the sun (0.6, 0.55,
// 0.5) has f = 1.02 x 1.65 / 3 = 0.561: red 128 + 0 = 128 (0x80), green
// 128 - 128 x 0.6 x 0.561 = 84.9, cut to 84 (0x54), blue 128 + 128 x 0.8 x
// 0.561 = 185.4, cut to 185 (0xB9). Nearly level vertices (within 0.8
// degrees) may differ by a step or two.
TEST_F(TerrainMeshes, DotProduct3LayersCarryTheLightInTheVertexFrame) {
  shader dot3;
  dot3.stage_count = 1;
  dot3.stages[0].word1 = 0x40u | 24u;
  material bumpy;
  bumpy.shader_ptr = &dot3;
  for (terrain_ground_kind& kind : gen->module_data.ground_kinds) kind.ground_material = &bumpy;
  scene_world scene;
  add_sun(scene, vec3(0.0f, -0.6f, -0.8f));
  const code_fields f = level_ground(80);
  gen->code = make_code(f);
  gen->pixel_shaders = false;
  gen->environment_shadows = false;
  gen->generate_terrain(&scene);
  int level = 0;
  for (std::int32_t layer = 0; layer < terrain_layer_count; ++layer) {
    const mesh* m = gen->layer_meshes[static_cast<std::size_t>(layer)].get();
    if (!m || m->vertices.empty()) continue;
    EXPECT_EQ(m->color, color_to_argb(color{0.2f, 0.2f, 0.2f, 1.0f}));
    for (const mesh_vertex& v : m->vertices) {
      if (v.normal.z < 0.9999f) continue;
      const vec3& p = m->points[static_cast<std::size_t>(v.point)].position;
      if (gen->vertex_sun_visibility(p) != 1.0f) continue;
      ++level;
      EXPECT_NEAR(static_cast<int>((v.color >> 16) & 0xFF), 0x80, 2);
      EXPECT_NEAR(static_cast<int>((v.color >> 8) & 0xFF), 0x54, 2);
      EXPECT_NEAR(static_cast<int>(v.color & 0xFF), 0xB9, 2);
    }
  }
  EXPECT_GT(level, 0);
  for (terrain_ground_kind& kind : gen->module_data.ground_kinds) kind.ground_material = nullptr;
}

// The surroundings: meshes made around the origin for a 100 x 100 terrain are
// stretched to a 120 x 100 terrain (x 1.2 along x) and moved to its centre
// (60, 50), then sorted by where their middle lies: (-60, 0) lands at
// (-12, 50), before the terrain along x and over it along y: entity 0 x 3 + 1;
// (0, 0) at (60, 50), over it: entity 4; (70, 70) at (144, 120), beyond it on
// both axes: entity 8.
TEST_F(TerrainMeshes, OuterTerrainSurroundsTheTerrain) {
  auto piece = [](const char* name, const vec3& middle) {
    auto m = std::make_unique<mesh>();
    m->name = name;
    for (const vec3& d : {vec3(-1, -1, 0), vec3(1, -1, 0), vec3(0, 1, 0)})
      m->add_vertex(m->add_point(middle + d), 0, 0, 0xFFFFFFFFu, vec3(0, 0, 1));
    m->add_face(0, 1, 2);
    g_resource_manager.adopt_resource(std::move(m));
  };
  struct outer_case {
    const char* group;
    vec3 authored;
    std::size_t entity;
    float min_x;
  };
  const outer_case cases[] = {
      {"outer_test_west", vec3(-60, 0, 0), 1, -12.0f - 1.2f},
      {"outer_test_middle", vec3(0, 0, 0), 4, 60.0f - 1.2f},
      {"outer_test_far", vec3(70, 70, 0), 8, 144.0f - 1.2f},
  };
  for (const outer_case& c : cases) {
    piece(c.group, c.authored);
    // A lower level of the group is not placed.
    piece((std::string(c.group) + ".lod1").c_str(), vec3(500, 500, 0));
    scene_world scene;
    code_fields f;
    f.size_x = 120;
    f.size_y = 100;
    gen->code = make_code(f);
    gen->outer_terrain_name = c.group;
    gen->generate_terrain(&scene);
    for (std::size_t i = 0; i < 9; ++i) {
      if (i != c.entity) {
        EXPECT_EQ(gen->outer_entities[i], nullptr) << c.group << " " << i;
        continue;
      }
      ASSERT_NE(gen->outer_entities[i], nullptr) << c.group;
      ASSERT_EQ(gen->outer_entities[i]->meshes.size(), 1u) << c.group;
      const mesh& m = *gen->outer_entities[i]->meshes[0];
      EXPECT_NEAR(m.bbox.min.x, c.min_x, 1e-4f) << c.group;
      EXPECT_NEAR(m.bbox.max.x - m.bbox.min.x, 2.4f, 1e-4f) << c.group;
      EXPECT_NEAR(m.bbox.max.y - m.bbox.min.y, 2.0f, 1e-4f) << c.group;
    }
  }
  // A name of three characters names no group.
  gen->outer_terrain_name = "abc";
  scene_world other;
  gen->generate_terrain(&other);
  for (entity* e : gen->outer_entities) EXPECT_EQ(e, nullptr);
  gen->outer_terrain_name = "";
}

TEST_F(TerrainMeshes, QueriesAndHelpers) {
  code_fields f;
  f.size_x = 81;  // snapped to 80
  f.size_y = 80;
  generate(f);
  EXPECT_EQ(gen->count_steep_cells(), 0);  // 40 cells deep: no inner cells
  gen->add_features();
  terrain_code back;
  back.parse(gen->code.to_string());
  EXPECT_EQ(back.size_x(), 80u);

  EXPECT_EQ(pack_vector_to_color(vec3(1.0f, 1.0f, 1.0f), 1.0f), 0xFFFFFFFFu);
  EXPECT_EQ(pack_vector_to_color(vec3(-1.0f, -1.0f, -1.0f), -1.0f), 0u);
  EXPECT_EQ(pack_vector_to_color(vec3(0.0f, 0.5f, -0.5f), 0.0f), 0x8080C040u);

  struct texel_case {
    float x, y;
    std::int32_t tx, ty;
  };
  const texel_case texels[] = {{1.0f, 0.0f, 511, 255}, {0.0f, 1.0f, 0, 0}, {0.5f, 0.5f, 256, 128}, {0.9999f, 0.0001f, 511, 255}};
  for (const texel_case& c : texels) {
    std::int32_t tx = -1, ty = -1;
    shadow_texel(c.x, c.y, 512, 256, tx, ty);
    EXPECT_EQ(tx, c.tx) << c.x;
    EXPECT_EQ(ty, c.ty) << c.y;
  }

  code_fields snow;
  snow.region = region_snow;
  generate(snow);
  const color white = gen->vertex_color_variation(vec3(3.0f, 4.0f, 0.0f));
  EXPECT_EQ(white.r, 1.0f);
  EXPECT_EQ(white.b, 1.0f);
  gen->light_direction = vec3(0.0f, 0.0f, -1.0f);
  const vec3 lit = gen->item_light(vec3(0.0f, 0.0f, 1.0f), 1.0f);
  EXPECT_FLOAT_EQ(lit.x, 0.8f);
  const vec3 shade = gen->item_light(vec3(0.0f, 0.0f, -1.0f), 1.0f);
  EXPECT_FLOAT_EQ(shade.x, 0.2f);
}

}  // namespace
}  // namespace hm
