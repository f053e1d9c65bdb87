#pragma once
// The world map's scene: the terrain blocks as mesh entities (one per block,
// a mesh per non-empty layer plus the block's trees), the map's light, the
// track entity (all tracks drawn as one mesh), the marker and the compass.
#include <memory>
#include <vector>

#include "campaign/map/map_terrain.h"

namespace hm {

class entity;
class scene_world;

// The module settings' tree sets, each held to 64 (the held value is written
// back to the setting).
std::array<int, 4> clamp_map_tree_settings();

class map_scene {
 public:
  map_scene();
  ~map_scene();
  map_scene(const map_scene&) = delete;
  map_scene& operator=(const map_scene&) = delete;

  // Creates the scene over the map's extent (grid shifts 5, 5).
  void create(const world_map& map);
  // build_map_scene's scene steps: on a rebuild the terrain blocks are kept
  // and every other entity deleted; the light, the track, marker and compass
  // entities; the terrain built once. Logs its steps.
  void build(const world_map& map);

  std::unique_ptr<scene_world> scene;
  map_terrain terrain;
  std::vector<entity*> block_entities;
  entity* track_entity = nullptr;
  entity* marker_entity = nullptr;
  entity* compass_entity = nullptr;
  bool terrain_built = false;

 private:
  void build_terrain_entities(const world_map& map);
};

}  // namespace hm
