#include "mission/setup/scene_file.h"

#include "engine/core/log.h"
#include "module/base/module_paths.h"
#include "module/records/scene_prop.h"
#include "render/scene/scene_objects.h"

namespace hm {

bool read_scene_file(const char* scene_id, const char* display_name, scene_file_contents& out) {
  out = scene_file_contents{};
  std::vector<scene_prop_kind_ref> kinds;
  kinds.reserve(g_scene_prop_kinds.size());
  for (const scene_prop& k : g_scene_prop_kinds) kinds.push_back({k.id, k.hit_points});
  scene_objects objects;
  if (!load_scene_objects(module_file_path(get_scene_objects_path(scene_id)), scene_id, objects, kinds, nullptr,
                          display_name)) {
    log_line(std::string("Unable to load scene objects! ") + scene_id + "\n");
    return false;
  }
  out.navigation_data = std::move(objects.ai_mesh_data);
  for (const stored_scene_object& p : objects.prop_instances) {
    placed_scene_object o;
    o.object_class = p.object_class;
    o.kind_id = p.kind_id;
    o.variation = p.variation_id;
    o.variation_2 = p.variation_id_2;
    o.placement = p.initial_frame;
    o.scale = p.scale;
    out.objects.push_back(o);
  }
  return true;
}

}  // namespace hm
