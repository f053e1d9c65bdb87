#include "module/records/game_menu.h"

#include "engine/core/stream.h"
#include "module/base/module_text.h"

namespace hm {

std::vector<game_menu> g_game_menus;

namespace {

void read_game_menu_item(const game_menu& menu, game_menu_item& item, text_reader& reader) {
  reader.read_string(item.id);
  load_statement_block(item.condition, reader);
  item.condition.name = format_name("menu %s item %s condition", menu.id.c_str(), item.id.c_str());
  read_spaced_string(reader, item.text);
  load_statement_block(item.consequence, reader);
  item.consequence.name = format_name("menu %s item %s consequence", menu.id.c_str(), item.id.c_str());
  read_spaced_string(reader, item.door_text);
}

}  // namespace

void load_game_menus(game_menu& menu, text_reader& reader) {
  reader.read_string(menu.id);
  reader.read_u64(menu.flags);
  read_spaced_string(reader, menu.text);
  reader.read_string(menu.mesh_name);
  load_statement_block(menu.operations, reader);
  menu.operations.name = format_name("Game menu %s", menu.id.c_str());
  const std::int32_t count = read_record_count(reader, "menu items", menu.id.c_str());
  read_records(reader, menu.items, count,
               [&menu](game_menu_item& item, text_reader& r) { read_game_menu_item(menu, item, r); });
}

}  // namespace hm
