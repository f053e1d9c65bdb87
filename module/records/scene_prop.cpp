#include "module/records/scene_prop.h"

#include "engine/collision/body_part.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "engine/resource/body.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "module/base/module_text.h"
#include "module/records/trigger_loaders.h"

namespace hm {

std::vector<scene_prop> g_scene_prop_kinds;

namespace {

void grow(scene_prop& prop, const vec3& low, const vec3& high) {
  vec3_min(prop.box_min, prop.box_min, low);
  vec3_max(prop.box_max, prop.box_max, high);
}

}  // namespace

void scene_prop::read(text_reader& reader, std::int32_t version) {
  (void)version;
  reader.read_string(id);
  reader.read_int(flags);
  reader.read_int(hit_points);
  reader.read_string(mesh_name);
  prop_mesh = nullptr;
  if (mesh_name.length() > 1 && !mesh_name.equals_cstr("none")) {
    prop_mesh = g_resource_manager.get_mesh<mesh>(mesh_name);
    if (!prop_mesh->bbox.is_empty()) grow(*this, prop_mesh->bbox.min, prop_mesh->bbox.max);
  }
  reader.read_string(body_name);
  collision_body = nullptr;
  if (body_name.length() > 1) {
    collision_body = g_resource_manager.get_body(body_name);
    if (collision_body->part)
      grow(*this, collision_body->part->get_bounding_min(), collision_body->part->get_bounding_max());
  }
  load_simple_triggers(triggers, reader, format_name("Mission object %s", id.c_str()));
  set_simple_trigger_clock(triggers, clock_mission);
}

void load_scene_props(std::vector<scene_prop>& table, text_reader& reader) {
  const std::int32_t version = read_module_header(reader);
  load_record_table(reader, table, "scene props", [version](scene_prop& p, text_reader& r) { p.read(r, version); });
}

int find_scene_prop_kind(const ruv_string& id) {
  for (std::size_t i = 0; i < g_scene_prop_kinds.size(); ++i)
    if (g_scene_prop_kinds[i].id.equals(id)) return static_cast<int>(i);
  return -1;
}

}  // namespace hm
