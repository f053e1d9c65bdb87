#include "module/data/flora_kind.h"

#include <algorithm>

#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/core/stream.h"
#include "module/base/module_text.h"

namespace hm {

void flora_kind::read(text_reader& reader) {
  reader.read_string(name);
  reader.read_u64(flags);
  const std::int32_t count = read_record_count(reader, "variants", name.c_str());
  read_records(reader, variants, count, [](flora_variant& variant, text_reader& r) {
    r.read_string(variant.mesh_name);
    variant.mesh = g_resource_manager.get_mesh<mesh>(variant.mesh_name);
    for (const mesh_point& p : variant.mesh->get_points()) {
      variant.box_min.x = std::min(variant.box_min.x, p.position.x);
      variant.box_min.y = std::min(variant.box_min.y, p.position.y);
      variant.box_min.z = std::min(variant.box_min.z, p.position.z);
      variant.box_max.x = std::max(variant.box_max.x, p.position.x);
      variant.box_max.y = std::max(variant.box_max.y, p.position.y);
      variant.box_max.z = std::max(variant.box_max.z, p.position.z);
    }
    r.read_string(variant.body_name);
    variant.collision_body =
        variant.body_name.equals_cstr("0") ? nullptr : g_resource_manager.get_body(variant.body_name);
  });
}

}  // namespace hm
