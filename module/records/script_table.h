#pragma once
// The module's scripts (scripts.txt): named statement blocks that the engine
// (through the game hooks) and other scripts call by number.
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "script/operation.h"

namespace hm {

class text_reader;

struct script {
  // 0 or more: the script also runs as a simple trigger every that many hours.
  float check_interval = 0.0f;
  ruv_string name;
  statement_block block;  // "script: <name>"
};

struct script_table {
  std::vector<script> scripts;
  // The scripts whose check interval is not negative.
  std::int32_t interval_script_count = 0;

  int count() const { return static_cast<int>(scripts.size()); }
};

extern script_table g_script_table;

// The whole of scripts.txt: the header (dropped), count, then per script its
// name, check interval and block; then map_game_script_codes.
void load_scripts(script_table& table, text_reader& reader);

// Maps every game hook to the first script of its name
// ("WARNING: UNABLE TO MAP GAME SCRIPT CODE: " for each hook without one).
void map_game_script_codes(const script_table& table);

}  // namespace hm
