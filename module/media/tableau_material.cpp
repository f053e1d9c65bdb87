#include "module/media/tableau_material.h"

#include "engine/core/stream.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/texture_record.h"
#include "module/base/module_text.h"
#include "script/script_host.h"

namespace hm {

tableau_material_table g_tableau_materials;

void tableau_material::read(text_reader& reader) {
  reader.read_string(name);
  reader.read_int(flags);
  reader.read_string(sample_material_name);
  // The file has no header, so there is no version to hold this back: any
  // name but "none" is the sample material.
  sample_material =
      sample_material_name.equals_cstr("none") ? nullptr : g_resource_manager.get_material(sample_material_name);
  reader.read_int(width);
  reader.read_int(height);
  for (float& v : values) {
    reader.read_float(v);
    v *= 0.001f;
  }
  load_statement_block(script, reader);
  script.name = format_name("Tableau material %s", name.c_str());
}

void tableau_material::clear() {
  for (texture* t : render_targets)
    if (t) t->in_use = 0;
  render_targets.clear();
}

std::function<void()> g_tableau_table_release;

void release_tableau_materials(tableau_material_table& table) {
  if (g_tableau_table_release) g_tableau_table_release();
  for (tableau_material& m : table.materials) m.clear();
}

void load_tableau_materials(tableau_material_table& table, text_reader& reader) {
  release_tableau_materials(table);
  load_record_table(reader, table.materials, "tableau materials",
                    [](tableau_material& m, text_reader& r) { m.read(r); });
  for (int i = 0; i < table.count(); ++i) table.materials[static_cast<std::size_t>(i)].index = i;
  map_tableau_codes(
      table.count(), [&](int i) -> const ruv_string& { return table.materials[static_cast<std::size_t>(i)].name; },
      table.codes);
}

namespace {

class tableau_render_host final : public script_render_host {
 public:
  int tableau_count() const override { return g_tableau_materials.count(); }
};

tableau_render_host g_tableau_render_host;

}  // namespace

void install_tableau_render_host() {
  script_host host = current_script_host();
  host.render = &g_tableau_render_host;
  set_script_host(host);
}

}  // namespace hm
