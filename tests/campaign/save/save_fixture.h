#pragma once
// A small module world and a running campaign over it for the save tests:
// five troops (troop 0 the player, a hero), three factions, two scenes, two
// quests, two triggers and a simple trigger, two party templates and three
// item kinds; a pool with the player's party, a band, a removed party and a
// town, one battle and two tracks, and values in every section.
#include <memory>
#include <string>

#include "campaign/game/campaign_game.h"
#include "engine/core/random.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "module/loading/game.h"
#include "module/records/item_kind.h"
#include "module/records/party_template.h"
#include "module/records/world_records.h"
#include "script/script_state.h"

namespace hm::test {

struct save_world_sizes {
  int troops = 5;
  int factions = 3;
  int scenes = 2;
  int quests = 2;
  int triggers = 2;
  int simple_triggers = 1;
  int templates = 2;
  int item_kinds = 3;
};

// The module's tables, as a new game or a load finds them.
inline void fill_module_tables(game& g, const save_world_sizes& n = {}) {
  g.troops.clear();
  g.troops.resize(static_cast<std::size_t>(n.troops));
  for (int i = 0; i < n.troops; ++i) {
    troop& t = g.troops[static_cast<std::size_t>(i)];
    t.id = ruv_string(("trp_" + std::to_string(i)).c_str());
    t.name = ruv_string(("Troop " + std::to_string(i)).c_str());
    t.level = 1 + i;
  }
  if (n.troops > 0) g.troops[0].flags = troop_flag::hero;
  g.factions.assign(static_cast<std::size_t>(n.factions), faction{});
  g.scenes.clear();
  for (int i = 0; i < n.scenes; ++i) g.scenes.push_back(std::make_unique<scene>());
  g.quests.assign(static_cast<std::size_t>(n.quests), quest{});
  g.triggers.triggers.clear();
  g.triggers.triggers.resize(static_cast<std::size_t>(n.triggers));
  g.simple_triggers.triggers.clear();
  g.simple_triggers.triggers.resize(static_cast<std::size_t>(n.simple_triggers));
  g_party_templates.assign(static_cast<std::size_t>(n.templates), party_template{});
  g_item_kinds.assign(static_cast<std::size_t>(n.item_kinds), item_kind{});
  g_script_state.global_variables.clear();
  g.player_troop = 0;
  g.player_party = 0;
}

// Three slots of parties.txt: the player's party (id 0), a band (id 4) with
// a member and a prisoner stack, and a town (id 5) whose name holds "_".
inline constexpr const char* save_parties_text =
    "4 6\n"
    "1 0 0 p_main_party Player's_Party 0 0 0 3 0 0 0 0 0 0.0 0.0 0.0 0.0 1.5 -2.0 0.0\n"
    "  3 0 1 0 0 1 7 2 0 2 3 0 0\n"
    "  0.5\n"
    "0\n"
    "1 2 4 p_band Band 4294967553 0 1 2 0 0 0 0 0 0.0 0.0 0.0 0.0 12.0 -8.0 0.0\n"
    "  2 1 4 1 0 2 2 0 1\n"
    "  0.0\n"
    "1 3 5 p_town Old_Town 1024 0 0 1 0 0 0 0 0 0.0 0.0 0.0 0.0 3.0 4.0 0.0\n"
    "  0\n"
    "  1.0\n";

// The campaign of a game as a session leaves it: every section holds values.
inline void play_some(game& g, campaign_game& c) {
  text_reader reader;
  reader.open_memory("parties.txt", save_parties_text, std::char_traits<char>::length(save_parties_text));
  c.read_module_parties(reader, g.troop_count());
  c.mark_player_party(0);
  set_clock_ticks(clock_campaign, 123456789);
  g.start_time_stamp = 1000;
  campaign_scalars& k = c.scalars;
  k.game_word = 7;
  k.save_mode = 1;
  k.calendar = {5, 2, 1, 0, 1};
  k.last_report_day = 2;
  k.cloud_amount = 0.25f;
  k.haze_amount = 0.5f;
  k.rest_end_message = ruv_string("You wake");
  k.timed_rest = 1;
  k.rest_end_timer_start = 424242;
  k.rest_speed = 3;
  k.rest_word = -2;
  k.campaign_text = ruv_string("a text with blanks");
  k.tracks = {{1.0f, 2.0f, 3.0f, 0.5f, 0.25f, 9}, {-1.0f, 0.0f, 0.0f, 1.0f, 2.0f, -1}};
  k.closing_words = {11, 22, 33, 44};
  game_script_words& w = c.campaign_host.game_words();
  w.difficulty_average = 80.0f;
  w.difficulty_weight = 12.5f;
  w.game_word_1 = 1;
  w.game_word_2 = 2;
  w.encountered_party = 4;
  w.second_encounter_party = -1;
  w.current_menu = 6;
  w.query_word_3 = 3;
  w.query_word_4 = 4;
  w.game_party_word = 5;
  w.game_flags = 1;
  w.encounter_kind = 1;
  w.mission_query_words = {8, 9, 10, 11};
  w.next_scene = 1;
  w.next_entry_point = 2;
  c.state.rest_time = 3.5f;
  c.state.rest_flag = 1;
  g_script_state.global_variables = {0, 5, -7, 1LL << 40};
  g.triggers.triggers[0].state = 1;
  g.triggers.triggers[0].delay_timer.start_ticks = 77;
  g.triggers.triggers[1].rearm_timer.start_ticks = 99;
  g.simple_triggers.triggers[0].run_timer.start_ticks = 555;
  g.quests[1].status = 0x101;
  g.quests[1].giver_troop = 2;
  g.quests[1].start_time = 4.0f;
  g.quests[1].giver_text = ruv_string("from the smith");
  g.quests[1].script_data.notes[3].text = ruv_string("a note");
  g.quests[1].script_data.notes[3].date = 12;
  g.quests[1].script_data.slots.set(3, 33);
  g.scenes[1]->script_data.slots.set(0, -5);
  g.factions[1].relations[2] = -0.5f;
  g.factions[2].name = ruv_string("Renamed");
  g.factions[2].name_override = 1;
  g.factions[2].colour = 0xFF112233u;
  g.factions[0].script_data.slots.set(1, 2);
  g_party_templates[1].created_count = 4;
  g_party_templates[1].removed_count = 1;
  g_party_templates[1].script_data.slots.set(2, 8);
  g_item_kinds[2].script_data.slots.set(5, 6);
  troop& player = g.troops[0];
  player.gold = 1234;
  player.experience = 500;
  player.inventory[0] = item{1, 0x01000003u};
  player.equipment[4] = item{0, 0};
  player.face_code_1 = {0x1111, 0x2222, 0x3333, 0x4444};
  player.script_data.notes[0].text = ruv_string("me");
  g.troops[3].faction = 2;
  g.troops[3].set_skill_level(5, 4);
  g_skills[4].saved_max_level = 7;
  party& main = *c.state.find_party(0);
  main.stacks[1].experience_pool = 40.0f;
  main.stacks[1].ready_to_upgrade = 2;
  main.morale = 0.75f;
  main.text = ruv_string("kept text");
  main.script_data.slots.set(1, 10);
  c.state.member_seeds[1][0] = 1234;
  c.state.member_seeds[2][31] = 4321;
  party& band = *c.state.find_party(4);
  band.attached_parties = {5};
  band.bait_value = 2.0f;
  c.state.find_party(5)->attached_to = 4;
  // A removed party: purged by the save.
  const std::int32_t gone = c.state.parties.take_free_party();
  if (party* p = c.state.parties.get_party_by_id(gone)) {
    p->reset();
    p->identifier = ruv_string("p_gone");
    p->state = party_state_removed;
  }
  const int battle = c.state.events.take_free();
  map_event& e = *c.state.events.get(battle);
  e.reset();
  e.type = 1;
  e.name = ruv_string("Battle");
  e.position[0] = 2.0f;
  e.side_parties[0] = 4;
  e.side_parties[1] = 5;
}

// A game and its campaign, alive together.
struct save_fixture {
  explicit save_fixture(const save_world_sizes& n = {}) {
    random_seed(5);
    fill_module_tables(g, n);
    c = std::make_unique<campaign_game>(g);
    g.parties = c.get();
  }
  ~save_fixture() {
    c.reset();
  }
  game g;
  std::unique_ptr<campaign_game> c;
};

}  // namespace hm::test
