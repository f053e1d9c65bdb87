#include "module/loading/new_game.h"

#include <cmath>

#include "engine/core/random.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "module/loading/game.h"
#include "module/base/module_paths.h"
#include "module/base/module_text.h"
#include "module/records/item_kind.h"
#include "module/records/party_template.h"
#include "module/records/script_table.h"
#include "module/troops/troop_equipment.h"
#include "module/troops/troop_refresh.h"
#include "script/game_hooks.h"
#include "script/script_state.h"

namespace hm {
namespace {

void rearm_triggers(game& g) {
  for (trigger& t : g.triggers.triggers) {
    t.state = trigger_idle;
    t.check_timer.reset();
    t.delay_timer.reset();
    t.rearm_timer.reset();
  }
  // Each simple trigger last ran a random part of its interval ago, so that
  // triggers of one interval do not all run in the same frame.
  const std::int64_t now = clock_ticks(g.simple_triggers.clock_id);
  for (simple_trigger& t : g.simple_triggers.triggers) {
    const float fraction = random_unit_float();
    const float ticks = fraction * t.interval * static_cast<float>(ticks_per_unit);
    t.run_timer.clock_id = g.simple_triggers.clock_id;
    t.run_timer.start_ticks = now - (std::fabs(ticks) < 9.0e18f ? static_cast<std::int64_t>(ticks) : 0);
  }
}

void prepare_player_troop(troop& player) {
  player.experience = random_next() % 50 + 107;
  player.gold = 0;
  player.max_hit_points = static_cast<float>(player.get_max_hit_points());
  player.skill_points = 4;
  player.attribute_points = 4;
  player.proficiency_points = 10;
}

}  // namespace

void load_parties(game& g) {
  g_script_state.reset();
  set_clock_ticks(clock_campaign, new_game_clock_ticks);
  rearm_triggers(g);
  g.start_time_stamp = clock_ticks(clock_campaign) - new_game_clock_ticks;
  g.random_seed = random_next();
  g.clock_time_stamp = clock_ticks(clock_campaign);
  g.encounter_parties.fill(-1);
  g.encounter_extra_party = -1;
  g.encounter_counter = 0;

  {
    text_reader reader;
    open_text_file(reader, module_file_path("parties.txt"));
    read_module_header(reader);
    if (g.parties) g.parties->read_module_parties(reader, g.troop_count());
  }
  if (g.parties) g.parties->mark_player_party(g.player_party);

  for (party_template& t : g_party_templates) t.created_count = 0;
  for (item_kind& k : g_item_kinds) k.game_count = 0;

  for (int i = 0; i < g.troop_count(); ++i) {
    troop& t = g.troops[static_cast<std::size_t>(i)];
    if (i > 0) t.distribute_points();
    auto_equip(t, i, false, false);
  }
  for (std::int32_t& seed : g.member_seeds) seed = random_next();
  g.start_text.clear();
  if (troop* player = g.find_troop(g.player_troop)) prepare_player_troop(*player);
  refresh_all_troops(g.troops, g.player_troop);
}

void set_up_new_game(game& g, game_party_pool* parties) {
  g_script_state.reset();
  load_module_world_data(g, g_script_table.interval_script_count);
  g.parties = parties;
  load_parties(g);
}

void run_game_start(game& g) {
  if (g.game_start_done) return;
  g.game_start_done = true;
  call_game_script(game_hook_code::game_start, 0, 0);
}

}  // namespace hm
