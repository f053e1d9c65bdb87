#pragma once
// Tableau materials (tableau_materials.txt): the module's render-to-texture
// materials (banners, shields and the like) that scripts draw into.
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/core/ruv_string.h"
#include "module/base/code_mapping.h"
#include "script/operation.h"

namespace hm {

class material;
class text_reader;
class texture;

struct tableau_material {
  ruv_string name;
  std::int32_t flags = 0;
  ruv_string sample_material_name;
  std::int32_t width = 0;
  std::int32_t height = 0;
  float values[4] = {};  // the file's values x 0.001
  statement_block script;  // "Tableau material <name>"
  std::int32_t index = 0;  // in the table
  material* sample_material = nullptr;  // null for "none"
  std::vector<texture*> render_targets;  // in use, owned by the resource manager

  // name, flags, sample material name (resolved unless "none"), width,
  // height, four values, then the block.
  void read(text_reader& reader);
  // Gives the render targets back and empties the list.
  void clear();
};

struct tableau_material_table {
  std::vector<tableau_material> materials;
  // Record index of each engine tableau code, -1 when the module has none.
  std::int32_t codes[tableau_code_count] = {-1, -1, -1};

  int count() const { return static_cast<int>(materials.size()); }
};

extern tableau_material_table g_tableau_materials;

// Called before a table's records give their render targets back (the table
// is reloaded or freed with the module): the drawing side forgets the
// pictures it made from them. Empty: nothing draws tableaus.
extern std::function<void()> g_tableau_table_release;

// The release call above, then every record's render targets given back.
void release_tableau_materials(tableau_material_table& table);

// Makes the loaded tableau materials what the script engine's tableau ids are
// checked against (until the scene layer serves its own render neighbour).
void install_tableau_render_host();

// The whole file (it has no header): the count and the records, replacing the
// table (the old records' render targets are given back), each record's
// index, then the engine's "tab_" codes.
void load_tableau_materials(tableau_material_table& table, text_reader& reader);

}  // namespace hm
