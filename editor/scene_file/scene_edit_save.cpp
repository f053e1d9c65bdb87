#include "editor/scene_file/scene_edit_save.h"

#include <cstring>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "mission/records/mission.h"
#include "mission/screen/scene_saving.h"
#include "module/records/scene_prop.h"
#include "platform/fs.h"
#include "render/scene/scene_objects.h"
#include "render/terrain/ground_paint.h"

namespace hm {

namespace {

bool same_bits(const void* a, const void* b, std::size_t n) { return std::memcmp(a, b, n) == 0; }

bool editable_class(std::int32_t c) { return c >= prop_kind_object && c <= prop_kind_passage; }

// The record an instance would write; an entry point keeps the record's kind
// word (the mission does not hold one for it).
void fill_record(stored_scene_object& r, const scene_prop_instance& p) {
  if (r.object_class != p.kind || p.kind != prop_kind_entry) r.kind_id = p.kind == prop_kind_entry ? 0 : p.id;
  r.object_class = p.kind;
  if (p.kind != prop_kind_entry) r.name = p.name;
  r.placement = p.current_frame;
  r.initial_frame = p.current_frame;
  r.scale = p.scale;
  r.variation_id = p.variation;
  r.variation_id_2 = p.variation_2;
}

bool record_matches(const stored_scene_object& r, const scene_prop_instance& p) {
  if (r.object_class != p.kind || r.variation_id != p.variation || r.variation_id_2 != p.variation_2) return false;
  if (p.kind != prop_kind_entry && r.kind_id != p.id) return false;
  return same_bits(&r.initial_frame.rot.s, &p.current_frame.rot.s, sizeof(float) * 3) &&
         same_bits(&r.initial_frame.rot.f, &p.current_frame.rot.f, sizeof(float) * 3) &&
         same_bits(&r.initial_frame.rot.u, &p.current_frame.rot.u, sizeof(float) * 3) &&
         same_bits(&r.initial_frame.origin, &p.current_frame.origin, sizeof(float) * 3) &&
         same_bits(&r.scale, &p.scale, sizeof(float) * 3);
}

}  // namespace

void store_scene_edit_buffers(scene_objects& stored, const ground_paint* paint, const std::string* ai_mesh_section) {
  if (paint) {
    binary_writer buffer;
    write_ground_paint(buffer, *paint);
    stored.ground_paint_data.assign(buffer.contents());
  }
  if (ai_mesh_section) stored.ai_mesh_data = *ai_mesh_section;
}

void merge_scene_instances(mission& m, scene_objects& stored) {
  const std::size_t records = stored.prop_instances.size();
  std::vector<int> owner(records, -1);
  for (int i = 0; i < m.prop_instance_count(); ++i) {
    const scene_prop_instance& p = m.scene_prop_instances[static_cast<std::size_t>(i)];
    if (!editable_class(p.kind) || p.scene_record < 0 || static_cast<std::size_t>(p.scene_record) >= records) continue;
    if (owner[static_cast<std::size_t>(p.scene_record)] < 0) owner[static_cast<std::size_t>(p.scene_record)] = i;
  }
  std::vector<stored_scene_object> merged;
  merged.reserve(records + 8);
  std::vector<std::int32_t> new_index(static_cast<std::size_t>(m.prop_instance_count()), -1);
  for (std::size_t r = 0; r < records; ++r) {
    const stored_scene_object& record = stored.prop_instances[r];
    const int i = owner[r];
    // Records the mission did not load, and those of instances a script took
    // out during play, are not the editor's to drop.
    const bool kept_as_read = !editable_class(record.object_class) ||
                              (i >= 0 && m.scene_prop_instances[static_cast<std::size_t>(i)].removed);
    if (kept_as_read) {
      merged.push_back(record);
      if (i >= 0) new_index[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(merged.size() - 1);
      continue;
    }
    if (i < 0) continue;  // deleted in the editor
    const scene_prop_instance& p = m.scene_prop_instances[static_cast<std::size_t>(i)];
    merged.push_back(record);
    if (!record_matches(record, p)) fill_record(merged.back(), p);
    new_index[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(merged.size() - 1);
  }
  for (int i = 0; i < m.prop_instance_count(); ++i) {
    const scene_prop_instance& p = m.scene_prop_instances[static_cast<std::size_t>(i)];
    if (new_index[static_cast<std::size_t>(i)] >= 0 || !editable_class(p.kind) || p.removed) continue;
    stored_scene_object r;
    r.source = 0;
    r.max_hit_points = p.max_hit_points;
    fill_record(r, p);
    merged.push_back(r);
    new_index[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(merged.size() - 1);
  }
  for (stored_scene_object& r : merged) r.source = 0;
  stored.prop_instances = std::move(merged);
  for (int i = 0; i < m.prop_instance_count(); ++i) {
    m.scene_prop_instances[static_cast<std::size_t>(i)].scene_record = new_index[static_cast<std::size_t>(i)];
  }
}

bool save_scene_edit(mission& m, const std::string& path, const char* scene_id, const ground_paint* paint,
                     const std::string* ai_mesh_section) {
  std::vector<scene_prop_kind_ref> kinds;
  kinds.reserve(g_scene_prop_kinds.size());
  for (const scene_prop& k : g_scene_prop_kinds) kinds.push_back({k.id, k.hit_points});
  scene_objects stored;
  if (platform::file_exists(path) && !load_scene_objects(path, scene_id, stored, kinds, nullptr)) {
    log_line("Unable to read the scene file " + path + " before saving it; the file was not changed.\n");
    ruv_warning("Unable to save the scene to %s. The scene file was not changed.", path.c_str());
    return false;
  }
  for (stored_scene_object& r : stored.prop_instances) r.source = 0;
  // The records are replaced only once the file is safely written, so a
  // failed save leaves the instances pointing at the records on disk.
  std::vector<std::int32_t> old_records;
  old_records.reserve(m.scene_prop_instances.size());
  for (const scene_prop_instance& p : m.scene_prop_instances) old_records.push_back(p.scene_record);
  merge_scene_instances(m, stored);
  store_scene_edit_buffers(stored, paint, ai_mesh_section);
  if (save_scene_objects(path, stored, 0)) return true;
  for (std::size_t i = 0; i < old_records.size(); ++i) m.scene_prop_instances[i].scene_record = old_records[i];
  return false;
}

}  // namespace hm
