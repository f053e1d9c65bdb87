#pragma once
// The scene entity of a scene-prop instance: its meshes, its collision body
// and the script event a new instance fires, by the instance's kind.
#include "engine/core/ruv_string.h"

namespace hm {

class mission;
struct scene_prop_instance;

// The mesh a flora instance shows: its variation modulo the kind's variation
// count. -1 (no mesh and no body) for a kind without variations, a negative
// variation or an unknown kind; the stored variation is never changed.
int flora_variant_index(const ruv_string& flora_name, int variation);

// The mesh name an instance's entity shows ("" for none) and the name of its
// collision body ("" or "0" for none), by its kind; `editing` is the scene
// editor's edit mode.
struct prop_entity_names {
  ruv_string mesh;
  ruv_string body;
};
prop_entity_names prop_entity_names_for(const scene_prop_instance& p, bool editing);

// Builds instance `index`'s entity in the mission's scene for the agent that
// made it (-1 none) and runs the kind's creation triggers.
void create_scene_prop_entity(mission& m, int index, int agent);

}  // namespace hm
