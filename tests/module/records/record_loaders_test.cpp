// Game menus, map icons, mission and party templates, particle systems and the
// two trigger-list readers, each read from a small token fixture.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/core/timer.h"
#include "module/records/game_menu.h"
#include "module/records/map_icon.h"
#include "module/records/mission_template.h"
#include "module/base/module_text.h"
#include "module/records/particle_system.h"
#include "module/records/party_template.h"
#include "module/support/module_test_support.h"
#include "module/records/trigger_loaders.h"
#include "script/triggers.h"

namespace hm {
namespace {

using test::fatal_message;
using test::memory_reader;

constexpr const char* end_of_file = "Unexpected End of File while reading file: test.txt";

class RecordLoaders : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    set_clock_ticks(clock_real_time, 1000);
    set_clock_ticks(clock_mission, 5000);
  }
  void TearDown() override { reset_clocks(); }
};

// --- game menus --------------------------------------------------------------------

constexpr const char* menu_fixture =
    "town 4294967297 You_are_in_town. mesh_town 1 2133 2 5 6 "
    "2 "
    "walk 1 31 2 0 0 Take_a_walk. 0 Door_text "
    "leave 0 Leave. 2 2133 2 1 2 2133 2 3 4 .\n";

TEST_F(RecordLoaders, GameMenuReadsItsItemsAndNamesEveryBlock) {
  memory_reader reader(menu_fixture);
  game_menu menu;
  load_game_menus(menu, reader);
  EXPECT_EQ(menu.id, "town");
  EXPECT_EQ(menu.flags, 4294967297ull);
  EXPECT_EQ(menu.text, "You are in town.");
  EXPECT_EQ(menu.mesh_name, "mesh_town");
  ASSERT_EQ(menu.operations.count(), 1);
  EXPECT_EQ(menu.operations.operations[0].params[1], 6);
  EXPECT_EQ(menu.operations.name, "Game menu town");
  ASSERT_EQ(menu.item_count(), 2);
  const game_menu_item& walk = menu.items[0];
  EXPECT_EQ(walk.id, "walk");
  EXPECT_EQ(walk.condition.count(), 1);
  EXPECT_EQ(walk.condition.name, "menu town item walk condition");
  EXPECT_EQ(walk.text, "Take a walk.");
  EXPECT_EQ(walk.consequence.count(), 0);
  EXPECT_EQ(walk.consequence.name, "menu town item walk consequence");
  EXPECT_EQ(walk.door_text, "Door text");
  EXPECT_EQ(menu.items[1].consequence.count(), 2);
  EXPECT_EQ(menu.items[1].door_text, ".");
  EXPECT_TRUE(reader.unread().find_first_not_of(" \n") == std::string_view::npos);
}

TEST_F(RecordLoaders, BlockNamesAreBuiltFromIdentifiersOfAnyLength) {
  const std::string long_menu(400, 'm');
  const std::string long_item(400, 'i');
  memory_reader reader(long_menu + " 0 text none 0 1 " + long_item + " 0 text 0 door");
  game_menu menu;
  load_game_menus(menu, reader);
  EXPECT_EQ(menu.items[0].consequence.name.view(), "menu " + long_menu + " item " + long_item + " consequence");
}

// Names on either side of the length that fits a single formatting pass, and
// the empty one, which owns no buffer.
TEST_F(RecordLoaders, FormattedNamesKeepEveryLengthWhole) {
  for (const std::size_t length : {0u, 1u, 254u, 255u, 256u, 257u, 1000u}) {
    SCOPED_TRACE(length);
    const std::string id(length, 'x');
    const ruv_string name = format_name("%s", id.c_str());
    EXPECT_EQ(name.view(), id);
    EXPECT_EQ(name.data() == nullptr, length == 0);
  }
  EXPECT_EQ(format_name("script: %s no %d", "a", -7).view(), "script: a no -7");
}

// --- map icons -----------------------------------------------------------------------------

TEST_F(RecordLoaders, MapIconReadsItsFieldsAndRunsItsTriggersOnTheMissionClock) {
  memory_reader reader("icon_camp 3 map_camp 0.25 7 1.5 -2.5 0.5 2 -70.0 0 1.0 1 2133 2 1 2");
  map_icon icon;
  load_map_icons(icon, reader);
  EXPECT_EQ(icon.id, "icon_camp");
  EXPECT_EQ(icon.flags, 3);
  EXPECT_EQ(icon.mesh_name, "map_camp");
  EXPECT_FLOAT_EQ(icon.scale, 0.25f);
  EXPECT_EQ(icon.sound_id, 7);
  EXPECT_FLOAT_EQ(icon.offset_x, 1.5f);
  EXPECT_FLOAT_EQ(icon.offset_y, -2.5f);
  EXPECT_FLOAT_EQ(icon.offset_z, 0.5f);
  ASSERT_EQ(icon.triggers.count(), 2);
  EXPECT_FLOAT_EQ(icon.triggers.triggers[0].interval, -70.0f);
  EXPECT_EQ(icon.triggers.triggers[1].block.count(), 1);
  EXPECT_EQ(icon.triggers.triggers[1].block.name, "Map icon icon_camp trigger no: 1");
  EXPECT_EQ(icon.triggers.clock_id, clock_mission);
  for (const simple_trigger& t : icon.triggers.triggers) {
    EXPECT_EQ(t.run_timer.clock_id, clock_mission);
    EXPECT_EQ(t.run_timer.start_ticks, 5000);
  }
}

TEST_F(RecordLoaders, MapIconsHeaderAcceptsTheMarkerInAnyCaseOnly) {
  for (const char* good : {"map_icons_file version 1 3", "MAP_ICONS_FILE version 1 3"}) {
    memory_reader reader(good);
    EXPECT_EQ(fatal_message([&] { read_map_icons_header(reader); }), "") << good;
    std::int32_t count = 0;
    reader.read_int(count);
    EXPECT_EQ(count, 3);
  }
  memory_reader bad("icons_file version 1 3");
  EXPECT_EQ(fatal_message([&] { read_map_icons_header(bad); }), "Invalid Map Icons File!");
}

// --- mission templates ----------------------------------------------------------------------

constexpr const char* mission_fixture =
    "lead_charge Lead_Charge 1 2 You_lead_your_men. 3 "
    "70 9 1 4 12 2 101 102 "
    "-5 1 0 0 3 0 "
    "63 1 0 0 1 8 1 2 3 4 5 6 7 8 "
    "2 "
    "1.0 2.0 3.0 1 31 2 0 0 0 "
    "-19.0 0 0 0 1 2133 2 1 2";

TEST_F(RecordLoaders, MissionTemplateReadsSpawnRecordsAndTriggers) {
  memory_reader reader(mission_fixture);
  mission_template mt;
  load_mission_templates(mt, reader);
  EXPECT_EQ(mt.id, "lead_charge");
  EXPECT_EQ(mt.name, "Lead_Charge");  // the name keeps its underscores
  EXPECT_EQ(mt.flags, 1);
  EXPECT_EQ(mt.mission_type, 2);
  EXPECT_EQ(mt.description, "You lead your men.");
  EXPECT_EQ(mt.index, -1);
  ASSERT_EQ(mt.spawn_record_count(), 3);
  const spawn_record& first = mt.spawn_records[0];
  EXPECT_EQ(first.entry_point, 63);  // 70 is past the last entry point
  EXPECT_EQ(first.spawn_flags, 9);
  EXPECT_EQ(first.flags2, 1);
  EXPECT_EQ(first.ai_flags, 4);
  EXPECT_EQ(first.troop_count, 12);
  ASSERT_EQ(first.item_override_count, 2);
  EXPECT_EQ(first.item_overrides[1], 102);
  EXPECT_EQ(mt.spawn_records[1].entry_point, 0);
  EXPECT_EQ(mt.spawn_records[2].entry_point, 63);
  EXPECT_EQ(mt.spawn_records[2].item_override_count, 8);
  EXPECT_EQ(mt.spawn_records[2].item_overrides[7], 8);
  ASSERT_EQ(mt.triggers.count(), 2);
  const trigger& t = mt.triggers.triggers[0];
  EXPECT_FLOAT_EQ(t.check_interval, 1.0f);
  EXPECT_FLOAT_EQ(t.delay_interval, 2.0f);
  EXPECT_FLOAT_EQ(t.rearm_interval, 3.0f);
  EXPECT_EQ(t.conditions.name, "Mission Template lead_charge trigger no: 0 conditions");
  EXPECT_EQ(mt.triggers.triggers[1].consequences.name, "Mission Template lead_charge trigger no: 1 consequences");
  EXPECT_EQ(mt.triggers.triggers[1].consequences.count(), 1);
  for (const trigger& each : mt.triggers.triggers) {
    for (const timer* tm : {&each.check_timer, &each.delay_timer, &each.rearm_timer}) {
      EXPECT_EQ(tm->clock_id, clock_mission);
      EXPECT_EQ(tm->start_ticks, 5000);
    }
  }
}

TEST_F(RecordLoaders, SpawnRecordErrors) {
  struct error_case {
    const char* tokens;
    const char* message;
  };
  const std::vector<error_case> cases = {
      {"0 0 0 0 1 9 1 2 3 4 5 6 7 8 9", "Too many item overrides: 9 (max: 8)"},
      {"0 0 0 0 1 -1", "Bad count -1 of item overrides in a spawn record of file test.txt"},
  };
  for (const error_case& c : cases) {
    memory_reader reader(c.tokens);
    spawn_record record;
    EXPECT_EQ(fatal_message([&] { read_spawn_record(record, reader); }), c.message) << c.tokens;
  }
  memory_reader negative("mt mt 0 0 d -2");
  mission_template mt;
  EXPECT_EQ(fatal_message([&] { load_mission_templates(mt, negative); }),
            "Bad count -2 of spawn records in mt of file test.txt");
}

// --- party templates -------------------------------------------------------------------------

TEST_F(RecordLoaders, PartyTemplateStacksWithNoTroopAreOneToken) {
  memory_reader reader(
      "pt_looters Sea_Raiders 6597069766656 1 2 3 -1 -1 -1 -1 -1 -1 "
      "pt_mixed Mixed 0 0 0 0 5 1 10 1 -1 7 2 3 0 -1 -1 -1 next");
  party_template empty;
  empty.created_count = 9;
  load_party_templates(empty, reader);
  EXPECT_EQ(empty.id, "pt_looters");
  EXPECT_EQ(empty.name, "Sea Raiders");
  EXPECT_EQ(empty.flags, 6597069766656ull);
  EXPECT_EQ(empty.party_word, 1);
  EXPECT_EQ(empty.faction, 2);
  EXPECT_EQ(empty.personality, 3);
  for (const party_template_stack& s : empty.stacks) EXPECT_EQ(s.troop, -1);
  EXPECT_EQ(empty.created_count, 0);

  party_template mixed;
  load_party_templates(mixed, reader);
  EXPECT_EQ(mixed.stacks[0].troop, 5);
  EXPECT_EQ(mixed.stacks[0].min_count, 1);
  EXPECT_EQ(mixed.stacks[0].max_count, 10);
  EXPECT_EQ(mixed.stacks[0].member_flags, 1);
  EXPECT_EQ(mixed.stacks[1].troop, -1);
  EXPECT_EQ(mixed.stacks[2].troop, 7);
  EXPECT_EQ(mixed.stacks[2].max_count, 3);
  EXPECT_EQ(mixed.stacks[5].troop, -1);
  ruv_string rest;
  reader.read_string(rest);
  EXPECT_EQ(rest, "next");
}

// A table gets room for its count in one piece; a count larger than the bytes
// left could hold gets no more room than they could, and ends at the end of
// the file.
TEST_F(RecordLoaders, TablesTakeRoomForTheirCountAsFarAsTheBytesLeftHold) {
  const std::string records =
      " pt_a A 0 0 0 0 -1 -1 -1 -1 -1 -1"
      " pt_b B 0 0 0 0 5 1 10 1 -1 -1 -1 -1 -1";
  memory_reader honest("2" + records);
  std::vector<party_template> table;
  load_record_table(honest, table, "party templates", load_party_templates);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table.capacity(), 2u);
  EXPECT_EQ(table[1].stacks[0].troop, 5);

  const std::string lying = "2000000000" + records;
  memory_reader huge(lying);
  EXPECT_EQ(fatal_message([&] { load_record_table(huge, table, "party templates", load_party_templates); }),
            "Unexpected End of File while reading file: test.txt");
  // Room for what the bytes held, and one doubling as the third record began.
  EXPECT_LE(table.capacity(), 4u);
}

// --- particle systems ------------------------------------------------------------------------

TEST_F(RecordLoaders, ParticleSystemsReadThe35FloatsInFieldOrderAndMapCodes) {
  std::string text = "2 psys_game_blood 4096 prt_mesh_blood";
  for (int i = 1; i <= 35; ++i) text += " " + std::to_string(i);
  text += " psys_game_rain 0 prt_rain";
  for (int i = 0; i < 35; ++i) text += " 0";
  memory_reader reader(text);
  particle_system_table table;
  table.records.resize(5);  // a reload drops the old records
  load_particle_systems(table, reader);
  ASSERT_EQ(table.count(), 2);
  const particle_system_record& p = table.records[0];
  EXPECT_EQ(p.id, "psys_game_blood");
  EXPECT_EQ(p.flags, 4096);
  EXPECT_EQ(p.mesh_name, "prt_mesh_blood");
  EXPECT_EQ(std::vector<float>(
                {p.emission_rate, p.life, p.damping, p.gravity_strength, p.turbulence_size, p.turbulence_strength}),
            std::vector<float>({1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(std::vector<float>({p.alpha[0].time, p.alpha[0].value, p.alpha[1].time, p.alpha[1].value}),
            std::vector<float>({7, 8, 9, 10}));
  EXPECT_FLOAT_EQ(p.scale[1].value, 26.0f);
  EXPECT_EQ(std::vector<float>({p.emit_box.x, p.emit_box.z, p.emit_velocity.x, p.emit_velocity.z}),
            std::vector<float>({27, 29, 30, 32}));
  EXPECT_FLOAT_EQ(p.emit_spread, 33.0f);
  EXPECT_FLOAT_EQ(p.rotation_damping, 35.0f);
  EXPECT_EQ(table.codes[2], 0);
  EXPECT_EQ(table.codes[0], 1);
  EXPECT_EQ(table.codes[10], 1);
  EXPECT_EQ(table.codes[3], -1);
}

// --- trigger lists ----------------------------------------------------------------------------------

TEST_F(RecordLoaders, SimpleTriggersKeepSpareRecordsEmptyAndReturnTheFileCount) {
  simple_trigger_list list;
  list.clock_id = clock_mission;
  memory_reader none("0");
  EXPECT_EQ(load_simple_triggers(list, none, ruv_string("Prefix"), 3), 0);
  ASSERT_EQ(list.count(), 3);
  for (const simple_trigger& t : list.triggers) {
    EXPECT_EQ(t.block.count(), 0);
    EXPECT_EQ(t.run_timer.clock_id, clock_mission);
    EXPECT_EQ(t.run_timer.start_ticks, 5000);
  }

  memory_reader two("2 0.5 1 2133 2 1 2 -8.0 0");
  EXPECT_EQ(load_simple_triggers(list, two, ruv_string("Game"), 1), 2);
  ASSERT_EQ(list.count(), 3);
  EXPECT_FLOAT_EQ(list.triggers[0].interval, 0.5f);
  EXPECT_EQ(list.triggers[0].block.name, "Game trigger no: 0");
  EXPECT_FLOAT_EQ(list.triggers[1].interval, -8.0f);
  EXPECT_EQ(list.triggers[1].block.name, "Game trigger no: 1");
  EXPECT_FLOAT_EQ(list.triggers[2].interval, 0.0f);
  EXPECT_TRUE(list.triggers[2].block.name.empty());
}

TEST_F(RecordLoaders, TriggersStartOnTheListsClockAndSetClockRestartsThem) {
  trigger_list list;
  list.clock_id = clock_campaign;
  set_clock_ticks(clock_campaign, 777);
  memory_reader reader("1 1.0 0.0 0.0 0 0");
  load_triggers(list, reader, ruv_string("Game Triggers"));
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.triggers[0].check_timer.clock_id, clock_campaign);
  EXPECT_EQ(list.triggers[0].check_timer.start_ticks, 777);
  EXPECT_EQ(list.triggers[0].conditions.name, "Game Triggers trigger no: 0 conditions");
  set_clock_ticks(clock_mission, 9000);
  set_trigger_clock(list, clock_mission);
  EXPECT_EQ(list.clock_id, clock_mission);
  EXPECT_EQ(list.triggers[0].rearm_timer.clock_id, clock_mission);
  EXPECT_EQ(list.triggers[0].rearm_timer.start_ticks, 9000);
}

// --- broken files ------------------------------------------------------------------------------------

// Each reader over its fixture cut after every token: all must stop with the
// reader's end-of-file error, never read past the text or succeed.
TEST_F(RecordLoaders, EveryTruncationEndsInTheEndOfFileError) {
  struct reader_case {
    const char* name;
    std::string text;
    std::function<void(text_reader&)> read;
  };
  std::string particle = "1 psys_x 0 mesh";
  for (int i = 0; i < 35; ++i) particle += " 1";
  const std::vector<reader_case> cases = {
      {"menu", menu_fixture,
       [](text_reader& r) {
         game_menu m;
         load_game_menus(m, r);
       }},
      {"map icon", "icon 0 mesh 1 0 0 0 0 1 -70 1 31 2 0 0",
       [](text_reader& r) {
         map_icon i;
         load_map_icons(i, r);
       }},
      {"mission template", mission_fixture,
       [](text_reader& r) {
         mission_template m;
         load_mission_templates(m, r);
       }},
      {"party template", "pt Name 0 0 0 0 5 1 2 0 -1 -1 -1 -1 -1",
       [](text_reader& r) {
         party_template p;
         load_party_templates(p, r);
       }},
      {"particle systems", particle,
       [](text_reader& r) {
         particle_system_table t;
         load_particle_systems(t, r);
       }},
  };
  for (const reader_case& c : cases) {
    // Token boundaries: every position where a blank follows a token character.
    for (std::size_t cut = 0; cut < c.text.size(); ++cut) {
      if (c.text[cut] != ' ' || (cut > 0 && c.text[cut - 1] == ' ')) continue;
      memory_reader reader(std::string_view(c.text).substr(0, cut));
      EXPECT_EQ(fatal_message([&] { c.read(reader); }), end_of_file) << c.name << " cut at " << cut;
    }
  }
}

TEST_F(RecordLoaders, NegativeCountsAreBrokenFiles) {
  memory_reader menu("m 0 t none 0 -1");
  game_menu m;
  EXPECT_EQ(fatal_message([&] { load_game_menus(m, menu); }), "Bad count -1 of menu items in m of file test.txt");
  memory_reader triggers("-3");
  simple_trigger_list list;
  EXPECT_EQ(fatal_message([&] { load_simple_triggers(list, triggers, ruv_string("Map icon x"), 0); }),
            "Bad count -3 of simple triggers in Map icon x of file test.txt");
}

}  // namespace
}  // namespace hm
