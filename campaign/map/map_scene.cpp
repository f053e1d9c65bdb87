#include "campaign/map/map_scene.h"

#include <string>

#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "module/base/module_settings.h"
#include "render/entity/entity.h"
#include "render/scene/light.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

constexpr std::uint32_t layer_visibility_mask = 0x17fff;
constexpr std::uint32_t tree_visibility_mask = 0x1ffff;

// The draw layer lives in bits 24 to 27 of the material's flags; a negative
// layer is stored as layer + 16. A material standing in for a missing one
// ("default") is shared by everything else and keeps its layer.
void set_draw_layer(material* m, const char* name, int layer) {
  if (m == nullptr || m->name.view() != name) return;
  const auto v = static_cast<std::uint32_t>(layer < 0 ? layer + 16 : layer) & 0xF;
  m->flags = (m->flags & ~0x0F000000u) | v << 24;
}

// A copy of a named mesh, scaled; null (with a line in the log) when the
// module has no such mesh.
std::unique_ptr<mesh> named_mesh_copy(const char* name, float scale) {
  mesh* source = g_resource_manager.find_mesh(ruv_string(name));
  if (source == nullptr) {
    log_line(std::string("WARNING: the world map has no mesh ") + name + "\n");
    return nullptr;
  }
  std::unique_ptr<mesh> m = source->create_copy();
  if (scale != 1.0f) m->scale_uniform(scale);
  return m;
}

entity* entity_with(scene_world& scene, int type, std::unique_ptr<mesh> m) {
  entity* e = scene.create_entity(type);
  if (e != nullptr && m) e->add_mesh(std::move(m));
  return e;
}

}  // namespace

std::array<int, 4> clamp_map_tree_settings() {
  std::int32_t* settings[4] = {&g_module_settings.map_tree_types, &g_module_settings.map_snow_tree_types,
                               &g_module_settings.map_steppe_tree_types, &g_module_settings.map_desert_tree_types};
  std::array<int, 4> out{};
  for (int i = 0; i < 4; ++i) {
    *settings[i] = clamp_tree_count(*settings[i]);
    out[static_cast<std::size_t>(i)] = *settings[i];
  }
  return out;
}

map_scene::map_scene() = default;
map_scene::~map_scene() = default;

void map_scene::create(const world_map& map) {
  float lo[2];
  float hi[2];
  map.extent(lo[0], lo[1], hi[0], hi[1]);
  scene = std::make_unique<scene_world>(vec3(lo[0] - 1.0f, lo[1] - 1.0f, -100.0f), vec3(hi[0] + 1.0f, hi[1] + 1.0f, 100.0f),
                                        5, 5, 0);
}

void map_scene::build(const world_map& map) {
  if (!scene) create(map);
  scene_world& s = *scene;
  // A rebuild keeps the terrain blocks and starts every other entity anew.
  std::vector<std::unique_ptr<entity>> kept;
  if (terrain_built) {
    for (entity* e : block_entities) {
      if (e != nullptr) kept.push_back(s.erase_active_entity(e));
    }
    s.delete_entities();
  }
  log_line("map mesh built.\n");
  log_line("get_ideal_sun_color.\n");
  log_line("get_ideal_fog_color.\n");
  light& sun = s.create_light();
  sun.colour = color{0.35f, 0.37f, 0.4f, 1.0f};
  vec3 direction(700.0f, 200.0f, 900.0f);
  direction.normalize();
  sun.direction = direction;
  // One entity draws every track (their merged mesh is rebuilt as they come
  // and go); the marker and the compass.
  track_entity = entity_with(s, strategic_entity_type, named_mesh_copy("map_track", 1.0f));
  marker_entity = entity_with(s, strategic_entity_type, named_mesh_copy("map_marker", 60.0f));
  compass_entity = entity_with(s, mesh_entity_type, named_mesh_copy("compass", 0.28f));
  if (!terrain_built) {
    build_terrain_entities(map);
    terrain_built = true;
  } else {
    block_entities.clear();
    for (std::unique_ptr<entity>& e : kept) block_entities.push_back(s.adopt_entity(std::move(e)));
  }
  s.update_entities(0.0f);
}

void map_scene::build_terrain_entities(const world_map& map) {
  map_terrain_settings settings;
  settings.sea_direction = g_module_settings.map_sea_direction;
  settings.river_direction = g_module_settings.map_river_direction;
  settings.tree_counts = clamp_map_tree_settings();
  vec3 sun(700.0f, 200.0f, 900.0f);
  sun.normalize();
  settings.sun_direction = sun;
  terrain = build_map_terrain(map, settings);
  block_entities.clear();
  material* layer_materials[map_terrain_layers];
  for (int layer = 0; layer < map_terrain_layers; ++layer) {
    layer_materials[layer] = g_resource_manager.get_material(ruv_string(get_map_terrain_material_name(map_layer_kind(layer))));
    set_draw_layer(layer_materials[layer], get_map_terrain_material_name(map_layer_kind(layer)), layer - 6);
  }
  material* trees = g_resource_manager.get_material(ruv_string("map_trees"));
  set_draw_layer(trees, "map_trees", 2);
  for (const map_terrain_block& block : terrain.blocks) {
    entity* e = scene->create_entity(mesh_entity_type);
    block_entities.push_back(e);
    if (e == nullptr) continue;
    frame at = frame::identity();
    at.origin = block.centre;
    e->set_frame(at);
    for (int layer = 0; layer < map_terrain_layers; ++layer) {
      const map_layer_mesh& source = block.layers[static_cast<std::size_t>(layer)];
      if (source.triangles.empty()) continue;
      auto m = std::make_unique<mesh>();
      m->set_material(layer_materials[layer]);
      m->visibility_mask = layer_visibility_mask;
      for (const map_layer_vertex& v : source.vertices) {
        const std::int32_t point = m->add_point(v.position);
        m->add_vertex(point, v.uv[0], v.uv[1], v.colour, vec3(0.0f, 0.0f, 1.0f));
      }
      for (std::size_t i = 0; i + 2 < source.triangles.size(); i += 3)
        m->add_face(source.triangles[i], source.triangles[i + 1], source.triangles[i + 2]);
      m->compute_normals();
      m->compute_bounding_box();
      e->add_mesh(std::move(m));
    }
    if (block.trees.empty()) continue;
    auto merged = std::make_unique<mesh>();
    merged->set_material(trees);
    merged->visibility_mask = tree_visibility_mask;
    bool any = false;
    for (const map_tree& tree : block.trees) {
      const std::string name = std::string(map_tree_prefixes[tree.set]) + static_cast<char>('a' + tree.index);
      const mesh* source = g_resource_manager.find_mesh(ruv_string(name));
      if (source == nullptr) continue;
      frame f = frame::identity();
      f.rot.s = vec3(std::cos(tree.yaw), std::sin(tree.yaw), 0.0f);
      f.rot.f = vec3(-std::sin(tree.yaw), std::cos(tree.yaw), 0.0f);
      f.origin = tree.position;
      merged->append_mesh_whole(*source, f);
      any = true;
    }
    if (any) {
      merged->compute_bounding_box();
      e->add_mesh(std::move(merged));
    }
  }
}

}  // namespace hm
