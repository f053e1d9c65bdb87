#pragma once
// Game menus (menus.txt): the text windows of the world map with their
// operations and items.
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "script/operation.h"

namespace hm {

class text_reader;

struct game_menu_item {
  ruv_string id;
  statement_block condition;    // "menu <menu> item <item> condition"
  ruv_string text;              // underscores read as blanks
  statement_block consequence;  // "menu <menu> item <item> consequence"
  ruv_string door_text;         // underscores read as blanks
};

struct game_menu {
  ruv_string text;  // underscores read as blanks
  ruv_string id;
  std::uint64_t flags = 0;
  ruv_string mesh_name;
  statement_block operations;  // "Game menu <id>"
  std::vector<game_menu_item> items;

  int item_count() const { return static_cast<int>(items.size()); }
};

extern std::vector<game_menu> g_game_menus;

// One menu in file order: id, flags, text, mesh name, the operations block,
// the item count and the items.
void load_game_menus(game_menu& menu, text_reader& reader);

}  // namespace hm
