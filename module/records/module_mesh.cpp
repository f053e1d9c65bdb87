#include "module/records/module_mesh.h"

#include "engine/core/stream.h"
#include "module/base/module_text.h"

namespace hm {

module_mesh_table g_module_meshes;

namespace {

void read_vec3(text_reader& reader, vec3& v) {
  reader.read_float(v.x);
  reader.read_float(v.y);
  reader.read_float(v.z);
}

void read_module_mesh(module_mesh& mesh, text_reader& reader) {
  reader.read_string(mesh.id);
  reader.read_int(mesh.flags);
  reader.read_string(mesh.mesh_name);
  read_vec3(reader, mesh.translation);
  read_vec3(reader, mesh.rotation);
  read_vec3(reader, mesh.scale);
}

}  // namespace

void load_module_meshes(module_mesh_table& table, text_reader& reader) {
  load_record_table(reader, table.meshes, "meshes", read_module_mesh);
}

}  // namespace hm
