// A game's campaign bound to a small game object: parties.txt read into the
// pool, the script engine's campaign neighbour over it, and the neighbour put
// back when the campaign ends.
#include "campaign/game/campaign_game.h"

#include <gtest/gtest.h>

#include <limits>

#include <string>

#include "engine/audio/sound_manager.h"
#include "engine/core/random.h"
#include "engine/settings/ruv_config.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "module/loading/game.h"
#include "platform/audio/audio.h"

namespace hm {
namespace {

// Three slots: 0 the player's party, 1 free, 2 a band with a member and a
// prisoner stack.
constexpr const char* parties_text =
    "3 5\n"
    "1 0 0 p_main_party Player's_Party 0 0 0 3 0 0 0 0 0 0.0 0.0 0.0 0.0 1.5 -2.0 0.0\n"
    "  1 0 1 0 0\n"
    "  0.0\n"
    "0\n"
    "1 2 4 p_band Band 4294967553 0 1 2 0 0 0 0 0 0.0 0.0 0.0 0.0 12.0 -8.0 0.0\n"
    "  2 1 4 1 0 2 2 0 1\n"
    "  0.0\n";

class CampaignGameTest : public ::testing::Test {
 protected:
  CampaignGameTest() {
    random_seed(5);
    reset_clocks();
    g.troops.resize(3);
    for (int i = 0; i < 3; ++i) {
      g.troops[static_cast<std::size_t>(i)].id = ruv_string(("trp_" + std::to_string(i)).c_str());
      g.troops[static_cast<std::size_t>(i)].name = ruv_string(("Troop " + std::to_string(i)).c_str());
    }
    g.troops[0].flags = troop_flag::hero;
  }

  void read_parties(campaign_game& c) {
    text_reader reader;
    reader.open_memory("parties.txt", parties_text, std::char_traits<char>::length(parties_text));
    c.read_module_parties(reader, g.troop_count());
    c.mark_player_party(0);
  }

  game g;
};

TEST_F(CampaignGameTest, ServesThePoolItReadToTheScriptEngine) {
  script_campaign_host* before = current_script_host().campaign;
  {
    campaign_game c(g);
    g.parties = &c;
    read_parties(c);
    c.install_script_host();
    const script_campaign_host& host = *current_script_host().campaign;
    ASSERT_EQ(&host, &c.campaign_host);

    EXPECT_EQ(host.party_end_id(), 5);
    EXPECT_EQ(host.player_party(), 0);
    EXPECT_EQ(host.player_troop(), 0);
    // Slot order: id 0 in slot 0, id 4 in slot 2.
    EXPECT_EQ(host.first_active_party(), 0);
    EXPECT_EQ(host.next_active_party(0), 4);
    EXPECT_EQ(host.next_active_party(4), 5);
    EXPECT_EQ(host.find_party_slot(4), 2);
    EXPECT_EQ(host.party_slot_state(1), party_state_free);

    EXPECT_EQ(host.party_flags(4), 0x100000101ull);
    // The player's party carries its mark in the second flag word.
    EXPECT_EQ(host.party_flags(0), std::uint64_t{party_flag2_player_party} << 32);
    EXPECT_EQ(host.party_template_of(4), 1);
    EXPECT_EQ(host.party_faction(4), 2);
    EXPECT_EQ(host.party_map_position(4).x, 12.0f);
    EXPECT_EQ(host.party_member_count(4), 4);
    EXPECT_EQ(host.party_prisoner_count(4), 2);
    const script_troop_stack prisoners = host.party_stack(4, 1);
    EXPECT_EQ(prisoners.troop, 2);
    EXPECT_EQ(prisoners.flags, 1u);
    EXPECT_EQ(host.party_stack(4, 2).troop, -1);
    EXPECT_EQ(host.party_stack(3, 0).troop, -1);
    EXPECT_EQ(host.count_troops_by_flags(4, 0x10), 4);

    // Module code's slots live on the party.
    ASSERT_NE(current_script_host().campaign->party_record_data(4), nullptr);
    current_script_host().campaign->party_record_data(4)->slots.set(3, 77);
    EXPECT_EQ(c.state.find_party(4)->script_data.slots.get(3), 77);
    EXPECT_EQ(current_script_host().campaign->party_record_data(3), nullptr);

    const std::vector<party_summary> listed = c.active_parties();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1].string_id.view(), "p_band");
    EXPECT_EQ(listed[0].name.view(), "Player's Party");
  }
  // The campaign's end puts the previous neighbour back and unbinds the pool.
  EXPECT_EQ(current_script_host().campaign, before);
  EXPECT_EQ(g.parties, nullptr);
}

TEST_F(CampaignGameTest, CalendarCountsGameHoursFromTheStart) {
  campaign_game c(g);
  g.start_time_stamp = 600000;
  set_clock_ticks(clock_campaign, 600000 + (24 * 3 + 5) * ticks_per_unit + 10);
  EXPECT_EQ(c.campaign_host.current_day(), 3);
  EXPECT_EQ(c.campaign_host.current_hour(), 5);
  set_clock_ticks(clock_campaign, 0);
  EXPECT_EQ(c.campaign_host.current_day(), 0);
  EXPECT_EQ(c.campaign_host.current_hour(), 0);
}

TEST_F(CampaignGameTest, EndingTheGameAsksTheOwnerAndClearsTheWords) {
  campaign_game c(g);
  int asked = 0;
  c.campaign_host.on_destroy_game = [&asked] { ++asked; };
  c.campaign_host.game_words().screen_change_code = 18;
  c.campaign_host.destroy_game();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(c.campaign_host.game_words().screen_change_code, 0);
}

TEST_F(CampaignGameTest, WorldReadsTheGamesTroops) {
  campaign_game c(g);
  module_campaign_world& w = c.world;
  EXPECT_EQ(w.troop_count(), 3);
  EXPECT_EQ(w.troop_name(2).view(), "Troop 2");
  EXPECT_EQ(w.troop_flags(0), troop_flag::hero);
  w.set_troop_food(1, campaign_item{4, 0x2A000003u});
  EXPECT_EQ(g.troops[1].equipment[equipment_slot::goods].kind, 4);
  EXPECT_EQ(w.troop_food(1).word, 0x2A000003u);

  // Experience: clamped to 29,999 a gain, levels from the level table with
  // their points.
  g.troops[1].level = 1;
  g.troops[1].experience = 0;
  w.add_troop_experience(1, 700);
  EXPECT_EQ(g.troops[1].level, 2);
  EXPECT_EQ(g.troops[1].skill_points, 1);
  EXPECT_EQ(g.troops[1].proficiency_points, 10);
  w.add_troop_experience(1, -50);
  EXPECT_EQ(g.troops[1].experience, 700);
  w.add_troop_experience(1, 50000);
  EXPECT_EQ(g.troops[1].experience, 30699);
  // Level 62 reaches 63 at the table's last entry (2,050,460,000) and goes
  // no further; at the last level the count saturates instead of wrapping.
  g.troops[1].level = 62;
  g.troops[1].experience = 2050460000 - 1;
  w.add_troop_experience(1, 1);
  EXPECT_EQ(g.troops[1].level, 63);
  w.add_troop_experience(1, 29999);
  EXPECT_EQ(g.troops[1].level, 63);
  EXPECT_EQ(g.troops[1].experience, 2050460000 + 29999);
  g.troops[1].level = max_troop_level;
  g.troops[1].experience = std::numeric_limits<std::int32_t>::max() - 10;
  w.add_troop_experience(1, 29999);
  EXPECT_EQ(g.troops[1].experience, std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(g.troops[1].level, max_troop_level);
}

// Each level the player's troop gains sounds the gong, flat; another
// troop's levels are silent.
TEST_F(CampaignGameTest, EveryLevelThePlayerGainsSoundsTheGong) {
  const ruv_config saved_config = g_ruv_config;
  g_ruv_config.disable_sound = 0;
  platform::null_audio audio;
  audio.channel_limit = 64;
  platform::set_audio_output(&audio);
  g_sound_manager.clear();
  sound_sample sample;
  sample.handle = audio.add_sample(22050, 22050);
  sample.default_frequency = 22050;
  sample.length = 22050;
  sample.duration = 1.0f;
  g_sound_manager.samples.push_back(sample);
  sound_record gong;
  gong.name = "snd_gong";
  gong.variant_count = 1;
  gong.sample_indices[0] = 0;
  g_sound_manager.sounds.push_back(gong);
  for (int& id : g_sound_manager.slot_sound_ids) id = -1;
  g_sound_manager.slot_sound_ids[sound_slot::gong] = 0;
  const auto plays = [&] {
    int n = 0;
    for (const platform::audio_call& c : audio.calls) n += c.kind == platform::audio_call_kind::play_sample;
    return n;
  };
  {
    campaign_game c(g);
    g.player_troop = 0;
    g.troops[0].level = 1;
    g.troops[0].experience = 0;
    // 0 -> 1360 passes the entries of levels 2 (600) and 3 (1360).
    c.world.add_troop_experience(0, 1360);
    EXPECT_EQ(g.troops[0].level, 3);
    EXPECT_EQ(plays(), 2);
    g.troops[1].level = 1;
    g.troops[1].experience = 0;
    c.world.add_troop_experience(1, 1360);
    EXPECT_EQ(g.troops[1].level, 3);
    EXPECT_EQ(plays(), 2);
  }
  g_sound_manager.clear();
  platform::set_audio_output(nullptr);
  g_ruv_config = saved_config;
}

}  // namespace
}  // namespace hm
