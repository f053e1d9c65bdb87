#pragma once
// Presentations (presentations.txt): screens that module code builds from
// widgets, driven by their simple triggers.
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "module/base/code_mapping.h"
#include "script/triggers.h"

namespace hm {

class text_reader;

struct presentation_record {
  ruv_string name;
  std::int32_t flags = 0;
  simple_trigger_list triggers;  // on the mission clock
  std::int32_t background_mesh = 0;
};

struct presentation_table {
  std::vector<presentation_record> presentations;
  // Record index of each engine presentation code, -1 when the module has none.
  std::int32_t codes[presentation_code_count] = {-1, -1, -1};

  int count() const { return static_cast<int>(presentations.size()); }
};

extern presentation_table g_presentation_table;

// The whole of presentations.txt: the header (dropped), count, then per
// presentation its name, flags, background mesh and simple triggers
// ("Presentation <name>", moved to clock 2); then map_presentation_codes.
void load_presentations(presentation_table& table, text_reader& reader);

// "WARNING: UNABLE TO MAP GAME PRESENTATION CODE: " for each code without a record.
void map_presentation_codes(presentation_table& table);

}  // namespace hm
