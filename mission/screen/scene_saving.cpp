#include "mission/screen/scene_saving.h"

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "mission/records/mission.h"
#include "module/records/scene_prop.h"
#include "platform/fs.h"
#include "render/scene/scene_objects.h"

namespace hm {

bool save_scene_objects(const std::string& path, const scene_objects& objects, int source) {
  const std::string temporary = path + ".tmp";
  bool written = false;
  {
    binary_writer out;
    if (out.open(temporary) == 0) {
      write_scene_objects(out, objects, source);
      const bool write_failed = out.failed != 0;
      written = out.close() == 0 && !write_failed;
    }
  }
  if (written && platform::rename_file(temporary, path)) return true;
  platform::remove_file(temporary);
  log_line(("Unable to save scene objects to " + path + "\n").c_str());
  ruv_warning("Unable to save the scene to %s. The scene file was not changed.", path.c_str());
  return false;
}

void sync_scene_prop_records(mission& m, scene_objects& stored, int source) {
  for (scene_prop_instance& p : m.scene_prop_instances) {
    if (p.kind != prop_kind_object || p.removed) continue;
    const bool has_record =
        p.scene_record >= 0 && p.scene_record < static_cast<std::int32_t>(stored.prop_instances.size()) &&
        stored.prop_instances[static_cast<std::size_t>(p.scene_record)].object_class == prop_kind_object;
    if (!has_record) {
      stored.prop_instances.emplace_back();
      p.scene_record = static_cast<std::int32_t>(stored.prop_instances.size() - 1);
      stored.prop_instances.back().source = source;
    }
    stored_scene_object& r = stored.prop_instances[static_cast<std::size_t>(p.scene_record)];
    r.object_class = prop_kind_object;
    r.kind_id = p.id;
    r.name = p.name;
    r.placement = p.current_frame;
    r.initial_frame = p.current_frame;
    r.scale = p.scale;
    r.variation_id = p.variation;
  }
}

bool save_edited_scene(mission& m, const std::string& path, const char* scene_id) {
  std::vector<scene_prop_kind_ref> kinds;
  kinds.reserve(g_scene_prop_kinds.size());
  for (const scene_prop& k : g_scene_prop_kinds) kinds.push_back({k.id, k.hit_points});
  scene_objects stored;
  if (!load_scene_objects(path, scene_id, stored, kinds, nullptr)) {
    ruv_warning("Unable to save the scene to %s. The scene file was not changed.", path.c_str());
    return false;
  }
  sync_scene_prop_records(m, stored, 0);
  return save_scene_objects(path, stored, 0);
}

}  // namespace hm
