#include "campaign/party/party_pool.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "campaign/party/map_event.h"
#include "campaign/support/fake_campaign.h"
#include "engine/core/stream.h"
#include "module/support/module_test_support.h"

namespace hm {
namespace {

using test::campaign_fixture;
using test::fatal_message;

class PartyPoolTest : public ::testing::Test, public campaign_fixture {};

// One party in the short form, with the given stacks text ("count troop n w f ...").
std::string party_text(const std::string& id, const std::string& stacks = "0") {
  return id + " A_Name 0 0 1 2 3 4 5 6 7 1.5 2.5 3.5 4.5 10.0 20.0 0.0 " + stacks + " 0.25\n";
}

void read_pool(party_pool& pool, const std::string& text, int troops = 4) {
  text_reader reader;
  reader.open_memory("parties.txt", text.data(), text.size());
  pool.read(reader, troops);
}

TEST_F(PartyPoolTest, FreshChunksHandOutTheirHighestSlotFirst) {
  party_pool& pool = game.parties;
  EXPECT_EQ(pool.take_free_party(), 0);
  EXPECT_EQ(pool.find_slot_by_id(0), 15);
  EXPECT_EQ(pool.take_free_party(), 1);
  EXPECT_EQ(pool.find_slot_by_id(1), 14);
  for (int i = 2; i < 17; ++i) pool.take_free_party();
  EXPECT_EQ(pool.find_slot_by_id(16), 31);
  EXPECT_EQ(pool.slot_count(), 32);
  EXPECT_EQ(pool.next_id(), 17);
  EXPECT_EQ(pool.get_party_by_id(16)->id, 16);
  EXPECT_TRUE(pool.is_party_active(16));
  EXPECT_FALSE(pool.is_party_active(17));
  EXPECT_EQ(pool.get_party_by_id(17), nullptr);
  EXPECT_EQ(pool.get_party_by_id(-1), nullptr);
}

TEST_F(PartyPoolTest, IterationGoesBySlotAndSkipsRemovedParties) {
  party_pool& pool = game.parties;
  for (int i = 0; i < 4; ++i) pool.take_free_party();
  pool.get_party_by_id(2)->state = party_state_removed;
  std::vector<int> seen;
  for (int id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) seen.push_back(id);
  // Slots 12..15 hold ids 3, 2, 1, 0.
  EXPECT_EQ(seen, (std::vector<int>{3, 1, 0}));
  EXPECT_EQ(pool.next_active_party(0), pool.next_id());
  EXPECT_EQ(pool.next_active_party(999), pool.next_id());
  // The removed party keeps its id until the purge frees its slot.
  EXPECT_NE(pool.get_party_by_id(2), nullptr);
  pool.purge_removed();
  EXPECT_EQ(pool.get_party_by_id(2), nullptr);
  EXPECT_EQ(pool.free_slots().back(), 13);
  EXPECT_EQ(pool.take_free_party(), 4);
  EXPECT_EQ(pool.find_slot_by_id(4), 13);
}

TEST_F(PartyPoolTest, ReadsTheShortForm) {
  const std::string text = "2 3\n1 0 2 " + party_text("p_town", "2  1 5 1 0  3 2 0 1") + "0\n";
  read_pool(game.parties, text);
  party_pool& pool = game.parties;
  EXPECT_EQ(pool.slot_count(), 16);
  EXPECT_EQ(pool.next_id(), 3);
  party& p = *pool.get_party_by_id(2);
  EXPECT_EQ(p.state, party_state_active);
  EXPECT_EQ(p.identifier.view(), "p_town");
  EXPECT_EQ(p.name.view(), "A Name");
  EXPECT_EQ(p.template_word, 0);
  EXPECT_EQ(p.template_index, 1);
  EXPECT_EQ(p.faction, 2);
  EXPECT_EQ(p.personality, 3u);
  EXPECT_EQ(p.scripted_behaviour, 4);
  EXPECT_EQ(p.current_behaviour, 5);
  EXPECT_EQ(p.scripted_target, 6);
  EXPECT_EQ(p.current_target, 7);
  EXPECT_EQ(p.scripted_position[1], 2.5f);
  EXPECT_EQ(p.current_position_target[0], 3.5f);
  EXPECT_EQ(p.position.x, 10.0f);
  EXPECT_EQ(p.position.y, 20.0f);
  EXPECT_EQ(p.heading, 0.25f);
  ASSERT_EQ(p.stack_count, 2);
  EXPECT_EQ(p.stacks.size(), 32u);
  EXPECT_EQ(p.stacks[0].troop, 1);
  EXPECT_EQ(p.stacks[0].count, 5);
  EXPECT_EQ(p.stacks[0].wounded, 1);
  EXPECT_EQ(p.stacks[1].flags, 1u);
  // Every other slot is free, in index order.
  EXPECT_EQ(pool.free_slots().size(), 15u);
  EXPECT_EQ(pool.free_slots().back(), 15);
  EXPECT_EQ(pool.take_free_party(), 3);
  EXPECT_EQ(pool.find_slot_by_id(3), 15);

  // Bits 16..23 of the second flag word, over 30, are the bait value.
  read_pool(pool, "1 1\n1 0 0 " + std::string("p A 8444249301320705 0 1 2 3 4 5 6 7 0 0 0 0 0 0 0 0 0\n"));
  EXPECT_FLOAT_EQ(pool.get_party_by_id(0)->bait_value, 1.0f);
  EXPECT_EQ(pool.get_party_by_id(0)->flags, 0x401u);
  EXPECT_EQ(pool.get_party_by_id(0)->flags2, 0x1E0000u);
}

TEST_F(PartyPoolTest, IdsThatShareABucketAreFoundByTheirOwnId) {
  // Id 10,007 starts at bucket 0, which id 0 holds, and moves on by 79.
  read_pool(game.parties, "2 10008\n1 0 0 " + party_text("a") + "1 1 10007 " + party_text("b"));
  EXPECT_EQ(game.parties.find_bucket(0), 0);
  EXPECT_EQ(game.parties.find_bucket(10007), 79);
  EXPECT_EQ(game.parties.get_party_by_id(10007)->identifier.view(), "b");

  // A reload takes the slots in order, so the large id 10,012 comes first and
  // takes bucket 5; id 5 must still find its own party, not 10,012's.
  read_pool(game.parties, "2 10013\n1 0 10012 " + party_text("big") + "1 1 5 " + party_text("small"));
  EXPECT_EQ(game.parties.find_bucket(10012), 5);
  EXPECT_EQ(game.parties.find_bucket(5), 84);
  EXPECT_EQ(game.parties.find_slot_by_id(5), 1);
  EXPECT_EQ(game.parties.get_party_by_id(5)->identifier.view(), "small");
  EXPECT_EQ(game.parties.get_party_by_id(10012)->identifier.view(), "big");
  EXPECT_EQ(game.parties.find_slot_by_id(17), -1);
}

TEST_F(PartyPoolTest, InsertionStopsAtTheLookupsProbeBound) {
  // 1000 ids on one probe chain fill it; the next one would land where no
  // lookup reaches, so the load refuses it.
  const int chain = party_id_map_probes;
  std::ostringstream text;
  text << chain + 1 << ' ' << (chain + 1) * 10007 << '\n';
  for (int i = 0; i <= chain; ++i) text << "1 " << i << ' ' << i * 10007 << ' ' << party_text("p");
  std::string all = text.str();
  EXPECT_EQ(fatal_message([&] { read_pool(game.parties, all); }),
            "Load error: No room for party id " + std::to_string(chain * 10007));
  // The first 1000 are all found.
  for (int i = 0; i < chain; i += 111) EXPECT_EQ(game.parties.find_slot_by_id(i * 10007), i);
}

TEST_F(PartyPoolTest, BrokenFilesAreRefused) {
  struct bad_case {
    std::string text;
    std::string message;
  };
  const bad_case cases[] = {
      {"-1 0\n", "Load error: Invalid party pool: -1 slots, next id 0"},
      {"1 1\n1 3 0 " + party_text("p"), "Load error: Party slot 0 stored as slot 3"},
      {"1 1\n1 0 1 " + party_text("p"), "Load error: Invalid party id 1 (next id 1)"},
      {"2 1\n1 0 0 " + party_text("p") + "1 1 0 " + party_text("q"), "Load error: Party id 0 appears twice"},
      {"1 1\n1 0 0 " + party_text("p", "513"), "Load error: Invalid number of troop stacks in party p: 513"},
      {"1 1\n1 0 0 " + party_text("p", "1 4 1 0 0"), "Load error: Invalid troop 4 in party p"},
      {"1 1\n1 0 0 " + party_text("p", "1 0 -2 0 0"), "Load error: Invalid troop count -2 in party p"},
      {"1 1\n1 0 0 p A 0 0 1", "Unexpected End of File while reading file: parties.txt"},
      // A huge slot count runs into the end of the data.
      {"2000000000 1\n0 0 0", "Unexpected End of File while reading file: parties.txt"},
  };
  for (const bad_case& c : cases) {
    EXPECT_EQ(fatal_message([&] { read_pool(game.parties, c.text); }), c.message) << c.text;
  }
}

TEST(MapEventPoolTest, SlotsIdsAndRelease) {
  map_event_pool pool;
  EXPECT_EQ(pool.take_free(), 15);
  EXPECT_EQ(pool.take_free(), 14);
  EXPECT_EQ(pool.get(15)->id, 0);
  EXPECT_EQ(pool.get(14)->id, 1);
  EXPECT_EQ(pool.get(14)->state, 1);
  EXPECT_EQ(pool.get(3)->state, 0);
  EXPECT_EQ(pool.get(3)->slot, 3);
  EXPECT_EQ(pool.get(16), nullptr);
  EXPECT_EQ(pool.get(-1), nullptr);
  pool.release(15);
  pool.release(15);  // a second release is ignored
  EXPECT_EQ(pool.get(15)->state, 0);
  EXPECT_EQ(pool.take_free(), 15);
  EXPECT_EQ(pool.get(15)->id, 2);
  for (int i = 0; i < 15; ++i) pool.take_free();
  EXPECT_EQ(pool.slot_count(), 32);
  pool.clear();
  EXPECT_EQ(pool.slot_count(), 0);
  EXPECT_EQ(pool.get(0), nullptr);

  map_event e;
  e.type = 1;
  e.reset();
  EXPECT_EQ(e.type, 0);
  EXPECT_EQ(e.name.view(), "An Event");
  EXPECT_NEAR(e.direction[0] * e.direction[0] + e.direction[1] * e.direction[1], 1.0f, 1e-5f);
  EXPECT_EQ(e.visibility, -10000.0f);
  EXPECT_EQ(e.sound_channel, -1);
}

}  // namespace
}  // namespace hm
