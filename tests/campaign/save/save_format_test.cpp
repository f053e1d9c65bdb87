// The saved game's bytes: the header's layout under each version rule, a
// whole game written, read into a fresh game and written again giving the
// same bytes, the lossy text rules, the limits of each table, and broken
// files (cut short at every byte, a bit flipped in every byte) refused with
// a load error and the tables outside the game put back.
#include "campaign/save/save_format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "campaign/save/save_game.h"
#include "tests/campaign/save/save_fixture.h"

namespace hm {
namespace {

using test::save_fixture;
using test::save_world_sizes;

std::string bytes_of(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(SaveHeader, WritesTheSevenItemsInOrder) {
  save_header h;
  h.module_version = 7;
  h.save_name = ruv_string("ab");
  h.player_name = ruv_string("P");
  h.player_level = 3;
  h.game_hours = 1.5f;
  binary_writer w;
  EXPECT_EQ(write_save_header(h, w), 0);
  const std::string expected = bytes_of({'S', 'K', 'V', 'L', 0xF3, 0x03, 0, 0, 7, 0, 0, 0, 2, 0, 0, 0, 'a', 'b', 1, 0,
                                         0, 0, 'P', 3, 0, 0, 0, 0x00, 0x00, 0xC0, 0x3F});
  EXPECT_EQ(std::string(w.contents()), expected);
}

TEST(SaveHeader, ReadsUnderTheVersionRules) {
  struct row {
    int version;
    std::string tail;  // what follows the tag and version
    int module_version;
    const char* save_name;
  };
  const std::vector<row> rows = {
      // Before 704: no module version, the player name stands for the save name.
      {703, bytes_of({1, 0, 0, 0, 'P', 2, 0, 0, 0, 0, 0, 0, 0}), 0, "P"},
      // 704 to 960: a module version, still no save name.
      {960, bytes_of({9, 0, 0, 0, 1, 0, 0, 0, 'P', 2, 0, 0, 0, 0, 0, 0, 0}), 9, "P"},
      // 961 on: all seven items.
      {961, bytes_of({9, 0, 0, 0, 1, 0, 0, 0, 'S', 1, 0, 0, 0, 'P', 2, 0, 0, 0, 0, 0, 0, 0}), 9, "S"},
  };
  for (const row& r : rows) {
    std::string file = "SKVL" + bytes_of({r.version & 0xFF, r.version >> 8, 0, 0}) + r.tail;
    binary_reader reader;
    reader.open_memory("sg00.sav", file.data(), file.size());
    save_header h;
    EXPECT_EQ(try_read_save_header(h, reader), "") << r.version;
    EXPECT_EQ(h.file_version, r.version);
    EXPECT_EQ(h.tag, save_file_tag);
    EXPECT_EQ(h.module_version, r.module_version);
    EXPECT_EQ(h.save_name.view(), r.save_name);
    EXPECT_EQ(h.player_name.view(), "P");
    EXPECT_EQ(h.player_level, 2);
    EXPECT_TRUE(reader.at_end());
  }
}

TEST(SaveHeader, EmptySaveNameIsWrittenAsThePlayerName) {
  save_fixture f;
  save_header h;
  fill_save_header(f.g, *f.c, h);
  EXPECT_EQ(h.save_name.view(), "Troop 0");
  EXPECT_EQ(h.player_name.view(), "Troop 0");
  EXPECT_EQ(h.player_level, 1);
  f.c->scalars.save_name = ruv_string("Mine");
  fill_save_header(f.g, *f.c, h);
  EXPECT_EQ(h.save_name.view(), "Mine");
}

std::string save_of(save_fixture& f) { return save_game_bytes(f.g, *f.c, nullptr); }

// Reads a save's bytes into a fresh game over the same module tables.
std::string load_into(save_fixture& f, const std::string& bytes) {
  binary_reader reader;
  reader.open_memory("sg01.sav", bytes.data(), bytes.size());
  save_header h;
  std::string error = try_read_save_header(h, reader);
  if (!error.empty()) return error;
  return try_read_game_state(f.g, *f.c, reader);
}

TEST(SaveGameState, ARoundTripGivesTheSameBytesAndTheSameGame) {
  std::string first;
  {
    save_fixture f;
    test::play_some(f.g, *f.c);
    first = save_of(f);
  }
  // The fuzz target's seed is such a save (its world has these sizes).
  if (const char* seed = std::getenv("HOOFMARCH_WRITE_SAVE_SEED")) {
    std::FILE* out = std::fopen(seed, "wb");
    if (out) {
      std::fwrite(first.data(), 1, first.size(), out);
      std::fclose(out);
    }
  }
  save_fixture loaded;
  ASSERT_EQ(load_into(loaded, first), "");
  EXPECT_EQ(save_of(loaded), first);

  game& g = loaded.g;
  campaign_game& c = *loaded.c;
  EXPECT_EQ(clock_ticks(clock_campaign), 123456789);
  EXPECT_EQ(g.start_time_stamp, 1000);
  EXPECT_EQ(c.scalars.campaign_text.view(), "a text with blanks");
  EXPECT_EQ(c.scalars.closing_words, (std::array<std::int32_t, 4>{11, 22, 33, 44}));
  EXPECT_EQ(c.scalars.tracks.size(), 2u);
  EXPECT_EQ(c.campaign_host.game_words().second_encounter_party, -1);
  EXPECT_EQ(g_script_state.global_variables, (std::vector<std::int64_t>{0, 5, -7, 1LL << 40}));
  EXPECT_EQ(g.triggers.triggers[0].state, 1);
  EXPECT_EQ(g.quests[1].giver_text.view(), "from the smith");
  EXPECT_EQ(g.quests[1].script_data.notes[3].date, 12);
  EXPECT_EQ(g.factions[1].relations[2], -0.5f);
  EXPECT_EQ(g_party_templates[1].script_data.slots.get(2), 8);
  EXPECT_EQ(g.troops[0].inventory[0].word, 0x01000003u);
  EXPECT_EQ(g.troops[3].get_raw_skill_level(5), 4);
  EXPECT_EQ(g_skills[4].saved_max_level, 7);
  // The player's party is found by its mark; its stacks keep their pools
  // and the member seeds come back by stack.
  EXPECT_EQ(c.state.player_party, 0);
  const party& main = *c.state.find_party(0);
  EXPECT_EQ(main.stacks[1].experience_pool, 40.0f);
  EXPECT_EQ(main.stacks[1].ready_to_upgrade, 2);
  EXPECT_EQ(c.state.member_seeds[1][0], 1234);
  EXPECT_EQ(c.state.member_seeds[2][31], 4321);
  // "_" in a party name reads as a blank.
  EXPECT_EQ(c.state.find_party(5)->name.view(), "Old Town");
  EXPECT_EQ(c.state.find_party(4)->attached_parties, (std::vector<std::int32_t>{5}));
  int battles = 0;
  for (int i = 0; i < c.state.events.slot_count(); ++i) {
    const map_event& e = *c.state.events.get(i);
    if (e.state == 0) continue;
    ++battles;
    EXPECT_EQ(e.name.view(), "Battle");
    EXPECT_EQ(e.side_parties[1], 5);
  }
  EXPECT_EQ(battles, 1);
}

TEST(SaveGameState, RemovedPartiesArePurgedAndAnEmptyTextComesBackEmpty) {
  save_fixture f;
  test::play_some(f.g, *f.c);
  f.c->scalars.campaign_text.clear();
  const std::int32_t gone = 6;
  ASSERT_NE(f.c->state.parties.get_party_by_id(gone), nullptr);
  const std::string bytes = save_of(f);
  EXPECT_EQ(f.c->state.parties.get_party_by_id(gone), nullptr);
  EXPECT_NE(bytes.find(std::string("\x02\x00\x00\x00-1", 6)), std::string::npos);
  save_fixture loaded;
  ASSERT_EQ(load_into(loaded, bytes), "");
  EXPECT_EQ(loaded.c->scalars.campaign_text.length(), 0);
  EXPECT_EQ(loaded.c->state.parties.get_party_by_id(gone), nullptr);
}

TEST(SaveGameState, APlayerPartyOfHeroesOnlyWritesNothingAfterThePool) {
  save_fixture f;
  test::play_some(f.g, *f.c);
  const std::string with_regulars = save_of(f);
  party& main = *f.c->state.find_party(0);
  main.set_stack_count(1);  // the hero alone
  const std::string heroes_only = save_of(f);
  // Two regular stacks of (float, int, 32 seeds) and two 16-byte stacks fewer.
  EXPECT_EQ(with_regulars.size() - heroes_only.size(), 2u * (4 + 4 + 32 * 4) + 2u * 16);
}

// Each table's limit, from a save of a bigger world read into a smaller one.
TEST(SaveGameState, CountsBeyondTheirTablesAreRefused) {
  struct row {
    save_world_sizes smaller;
    const char* message;
  };
  auto sizes = [](auto change) {
    save_world_sizes n;
    change(n);
    return n;
  };
  const std::vector<row> rows = {
      {sizes([](auto& n) { n.triggers = 1; }), "Load error: Number of triggers in file: 2, exceeds 1"},
      {sizes([](auto& n) { n.simple_triggers = 0; }), "Load error: Number of simple triggers in file: 1, exceeds 0"},
      {sizes([](auto& n) { n.quests = 1; }), "Load error: Number of quests in file: 2, exceeds 1"},
      {sizes([](auto& n) { n.scenes = 1; }), "Load error: Number of scenes in file: 2, exceeds 1"},
      {sizes([](auto& n) { n.scenes = 3; }), "Load error: Number of scenes in file: 2, exceeds 3"},
      {sizes([](auto& n) { n.factions = 2; }), "Load error: Number of factions in file: 3, exceeds 2"},
      {sizes([](auto& n) { n.templates = 1; }), "Load error: Number of party_templates in file: 2, exceeds 1"},
      {sizes([](auto& n) { n.item_kinds = 2; }), "Load error: Invalid number of item kinds: 3"},
      // An item of a kind the module no longer has.
      {sizes([](auto& n) { n.item_kinds = 1; }), "Load error: Invalid item kind 1 of troop 0"},
      {sizes([](auto& n) { n.troops = 4; }), "Load error: Invalid number of troops: 5"},
  };
  std::string bytes;
  {
    save_fixture f;
    test::play_some(f.g, *f.c);
    bytes = save_of(f);
  }
  for (const row& r : rows) {
    save_fixture smaller(r.smaller);
    const std::vector<std::int64_t> globals_before = {42};
    g_script_state.global_variables = globals_before;
    const std::string error = load_into(smaller, bytes);
    EXPECT_EQ(error.rfind(r.message, 0), 0u) << error;
    EXPECT_NE(error.find("sg01.sav"), std::string::npos) << error;
    // What the reader changed outside the game is as it was.
    EXPECT_EQ(g_script_state.global_variables, globals_before) << r.message;
  }
  // Smaller counts in the file than in the tables load.
  save_fixture bigger(sizes([](auto& n) {
    n.troops = 6;
    n.quests = 3;
    n.factions = 4;
    n.triggers = 3;
  }));
  EXPECT_EQ(load_into(bigger, bytes), "");
}

TEST(SaveGameState, EveryTruncationIsRefusedWithALoadError) {
  std::string bytes;
  {
    save_fixture f;
    test::play_some(f.g, *f.c);
    bytes = save_of(f);
  }
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    save_fixture f;
    g_script_state.global_variables = {1, 2};
    const std::string error = load_into(f, bytes.substr(0, n));
    ASSERT_EQ(error.rfind("Load error: ", 0), 0u) << "cut at " << n << ": " << error;
    ASSERT_EQ(g_script_state.global_variables, (std::vector<std::int64_t>{1, 2})) << n;
  }
}

TEST(SaveGameState, FlippedBitsNeverCrashAndAreRefusedOrRead) {
  std::string bytes;
  {
    save_fixture f;
    test::play_some(f.g, *f.c);
    bytes = save_of(f);
  }
  int refused = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    for (int bit : {0, 7}) {
      std::string broken = bytes;
      broken[i] = static_cast<char>(broken[i] ^ (1 << bit));
      save_fixture f;
      const std::string error = load_into(f, broken);
      if (!error.empty()) {
        ASSERT_EQ(error.rfind("Load error: ", 0), 0u) << i << ": " << error;
        ++refused;
      }
    }
  }
  // Counts, lengths and indexes lie in every section, so many flips are caught.
  EXPECT_GT(refused, 100);
}

}  // namespace
}  // namespace hm
