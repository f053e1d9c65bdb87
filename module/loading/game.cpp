#include "module/loading/game.h"

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "module/base/module_paths.h"
#include "module/base/module_text.h"
#include "module/records/item_kind.h"
#include "module/records/script_table.h"
#include "module/data/skeleton_bodies.h"
#include "module/records/trigger_loaders.h"
#include "module/troops/troop_equipment.h"

namespace hm {

std::unique_ptr<game> g_game;

corner_lighting default_corner_lighting() {
  corner_lighting c;
  c.samples = {{{23.0f, 0.2f, 3.0f, 3.0f}, {15.0f, 0.1f, 5.0f, 1.0f}, {11.0f, 0.9f, 1.0f, -3.0f},
                {3.0f, 0.3f, -5.0f, -3.0f}}};
  c.points = {{{-100.0f, -50.0f}, {100.0f, -50.0f}, {-100.0f, 50.0f}, {100.0f, 50.0f}}};
  return c;
}

game::game() {
  triggers.clock_id = clock_campaign;
  simple_triggers.clock_id = clock_campaign;
}

game::~game() { destroy(); }

troop* game::find_troop(int index) {
  return index >= 0 && index < troop_count() ? &troops[static_cast<std::size_t>(index)] : nullptr;
}

const troop* game::find_troop(int index) const {
  return index >= 0 && index < troop_count() ? &troops[static_cast<std::size_t>(index)] : nullptr;
}

void game::free_world_tables() {
  world_loaded = false;
  // Emptied with their storage, so that any loop over a count afterwards
  // finds nothing.
  troops.clear();
  troops.shrink_to_fit();
  scenes.clear();
  scenes.shrink_to_fit();
  factions.clear();
  factions.shrink_to_fit();
  quests.clear();
  quests.shrink_to_fit();
}

void game::destroy() {
  if (world_loaded) free_world_tables();
  start_text.clear();
  simple_triggers.triggers.clear();
  simple_triggers.triggers.shrink_to_fit();
  triggers.triggers.clear();
  triggers.triggers.shrink_to_fit();
  parties = nullptr;
}

void read_factions(game& g, text_reader& reader) {
  const std::int32_t count = read_record_count(reader, "factions");
  if (count > max_factions) ruv_error("Too Many Factions: %d (Max should be %d)", count, max_factions);
  read_records(reader, g.factions, count, [count](faction& f, text_reader& in) { f.read(in, count); });
}

void read_scenes(game& g, text_reader& reader) {
  const std::int32_t count = read_record_count(reader, "scenes");
  g.scenes.clear();
  g.scenes.reserve(record_room(reader, count, sizeof(scene)));
  for (std::int32_t i = 0; i < count; ++i) {
    g.scenes.push_back(std::make_unique<scene>());
    g.scenes.back()->read(reader);
  }
}

namespace {

void open_world_file(text_reader& reader, const char* name) { open_text_file(reader, module_file_path(name)); }

template <class Record>
void read_world_table(const char* file, const char* what, std::vector<Record>& table) {
  text_reader reader;
  open_world_file(reader, file);
  read_module_header(reader);
  load_record_table(reader, table, what, [](Record& r, text_reader& in) { r.read(in); });
}

void load_factions(game& g) {
  text_reader reader;
  open_world_file(reader, "factions.txt");
  read_module_header(reader);
  read_factions(g, reader);
}

// An item a troop carries must name a kind of the item table, which loads
// first; a number past it would be read as another record's memory later.
void check_troop_items(const game& g) {
  const int kinds = static_cast<int>(g_item_kinds.size());
  if (kinds == 0) return;
  for (std::size_t t = 0; t < g.troops.size(); ++t) {
    for (const item& it : g.troops[t].inventory) {
      if (it.kind >= kinds || it.kind < -1) {
        ruv_error("troops.txt: troop %s (%d) carries item %d, past the item table of %d kinds",
                  g.troops[t].id.c_str(), static_cast<int>(t), static_cast<int>(it.kind), kinds);
      }
    }
  }
}

void load_scenes(game& g) {
  text_reader reader;
  open_world_file(reader, "scenes.txt");
  read_module_header(reader);
  read_scenes(g, reader);
}

// The simple trigger that runs an interval script: one run_script operation
// with the script's number.
void make_interval_script_trigger(simple_trigger& t, int script_index, float interval) {
  t.interval = interval;
  statement_block& block = t.block;
  block.operations.clear();
  operation op;
  op.opcode_word = opcode::run_script;
  op.param_count = 1;
  op.params[0] = script_index;
  op.jump_index = -1;
  block.operations.push_back(op);
  block.jumps_resolved = false;
  block.compiled.reset();
  block.name = format_name("Interval script: %s", g_script_table.scripts[static_cast<std::size_t>(script_index)].name.c_str());
}

}  // namespace

void load_module_world_data(game& g, int interval_script_count) {
  load_factions(g);
  {
    text_reader reader;
    open_world_file(reader, "skills.txt");
    load_skills(g_skills, reader);
  }
  load_skeleton_bodies("Data\\skeleton_bodies.xml");
  fix_skeletons();
  read_world_table("troops.txt", "troops", g.troops);
  check_troop_items(g);
  load_scenes(g);
  read_world_table("quests.txt", "quests", g.quests);
  g.world_loaded = true;
  {
    text_reader reader;
    open_world_file(reader, "triggers.txt");
    read_module_header(reader);
    g.triggers.clock_id = clock_campaign;
    load_triggers(g.triggers, reader, ruv_string("Game Triggers"));
  }
  {
    text_reader reader;
    open_world_file(reader, "simple_triggers.txt");
    read_module_header(reader);
    g.simple_triggers.clock_id = clock_campaign;
    // The spare records are for the interval scripts; the script table's own
    // count decides how many are filled, the rest stay empty.
    const int spare = interval_script_count > 0 ? interval_script_count : 0;
    std::int32_t n = load_simple_triggers(g.simple_triggers, reader, ruv_string("Simple trigger"), spare);
    for (int i = 0; i < g_script_table.count(); ++i) {
      const script& s = g_script_table.scripts[static_cast<std::size_t>(i)];
      if (s.check_interval < 0.0f) continue;
      if (n >= g.simple_triggers.count()) break;
      make_interval_script_trigger(g.simple_triggers.triggers[static_cast<std::size_t>(n)], i, s.check_interval);
      ++n;
    }
  }
  g.corners = default_corner_lighting();
}

void auto_equip(game& g, int troop_index, bool require, bool forbid) {
  if (troop* t = g.find_troop(troop_index)) auto_equip(*t, troop_index, require, forbid);
}

}  // namespace hm
