#pragma once
// Scene-prop kinds (scene_props.txt): the objects placed in scenes, each with
// its mesh, collision body, bounds and simple triggers on the mission clock.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"
#include "script/triggers.h"

namespace hm {

class body;
class mesh;
class text_reader;

struct scene_prop {
  ruv_string id;
  std::int32_t flags = 0;
  std::int32_t hit_points = 0;
  ruv_string mesh_name;
  mesh* prop_mesh = nullptr;  // null for a one-character name or "none"
  ruv_string body_name;
  body* collision_body = nullptr;  // null for a one-character name
  // Grown from these start values by the mesh's and the body's bounds; a prop
  // with neither keeps them.
  vec3 box_min{10000.0f, 10000.0f, 10000.0f};
  vec3 box_max{-10000.0f, -10000.0f, -10000.0f};
  simple_trigger_list triggers;  // on the mission clock

  // id, flags, hit points, mesh name, body name (each resolved in the resource
  // manager, fatal when missing), then the simple triggers ("Mission object
  // <id>"), moved to clock 2 with their last run now.
  void read(text_reader& reader, std::int32_t version);
};

extern std::vector<scene_prop> g_scene_prop_kinds;

// scene_props.txt: the header, the count and the records, replacing the table.
void load_scene_props(std::vector<scene_prop>& table, text_reader& reader);

// The index of the first kind whose id equals `id`, else -1.
int find_scene_prop_kind(const ruv_string& id);

}  // namespace hm
