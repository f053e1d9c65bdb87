// Module code's party operations run against the campaign: a small game of
// seven troops, the party pool and the script engine's campaign neighbour.
// Results that depend on the random source are pinned for a seed.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "campaign/game/campaign_game.h"
#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "module/loading/game.h"
#include "module/loading/module_script_host.h"
#include "module/base/module_settings.h"
#include "module/records/party_template.h"
#include "module/text/translation_table.h"
#include "script/dialog/conversation.h"
#include "script/interpreter.h"
#include "script/operand.h"
#include "script/script_state.h"

namespace hm {
namespace {

using stacks = std::vector<std::array<int, 4>>;  // troop, count, prisoner, wounded

class capture_ui final : public script_ui_host {
 public:
  std::vector<std::string> lines;
  void add_message_line(std::string_view text, std::uint32_t) override { lines.emplace_back(text); }
  void post_pending_message(std::string_view text, std::uint32_t) override { lines.emplace_back(text); }
  int top_window() const override { return -1; }
  void push_window(int) override {}
  vec3 mouse_position() const override { return {}; }
  void set_message_list_flag(bool) override {}
  void set_message_text(std::string_view, std::uint32_t) override {}
  void set_notice(const ruv_string&, const ruv_string&) override {}
  void set_question(const ruv_string&, const ruv_string&, const ruv_string&, std::int32_t*) override {}
  void reset_window_entries() override {}
  void set_window(int) override {}
};

enum troop_id { player, recruit, soldier, archer, companion, bandit, raider, troop_total };

class PartyScriptOpsTest : public ::testing::Test {
 protected:
  PartyScriptOpsTest() {
    random_seed(2024);
    reset_clocks();
    g_module_settings.set_defaults();
    g_party_templates.clear();
    g_script_state.reset();
    g_game = std::make_unique<game>();
    g_game->troops.resize(troop_total);
    const char* names[] = {"Player", "Recruit", "Soldier", "Archer", "Ansel", "Bandit", "Raider"};
    const int levels[] = {5, 1, 6, 6, 10, 2, 3};
    for (int i = 0; i < troop_total; ++i) {
      troop& t = g_game->troops[static_cast<std::size_t>(i)];
      t.id = ruv_string(("trp_" + std::to_string(i)).c_str());
      t.name = ruv_string(names[i]);
      t.level = levels[i];
      t.attributes[0] = 10;
      t.max_hit_points = 40.0f;
    }
    g_game->troops[player].flags = troop_flag::hero;
    g_game->troops[companion].flags = troop_flag::hero;
    g_game->troops[raider].flags = 0x80;  // never wounded
    g_game->troops[recruit].upgrade_troop_1 = soldier;
    g_game->troops[recruit].upgrade_troop_2 = archer;
    previous_ = current_script_host();
    install_module_script_host();
    script_host host = current_script_host();
    host.ui = &ui;
    set_script_host(host);
    campaign = std::make_unique<campaign_game>(*g_game);
    campaign->install_script_host();
    install_script_operations();
    player_party = new_party({{player, 1, 0, 0}});
    state().player_party = player_party;
  }
  ~PartyScriptOpsTest() override {
    campaign.reset();
    g_game.reset();
    set_script_host(previous_);
    g_party_templates.clear();
    g_conversation.partner_party = -1;
    g_translation_table.clear();
  }

  campaign_state& state() { return campaign->state; }
  party& get(std::int32_t id) { return *state().find_party(id); }

  std::int32_t new_party(const stacks& with) {
    const std::int32_t id = state().parties.take_free_party();
    party& p = *state().parties.get_party_by_id(id);
    p.reset();
    for (const auto& s : with) p.add_troop_stack(state(), s[0], s[1], static_cast<std::uint32_t>(s[2]), s[3], true);
    return id;
  }

  static stacks stacks_of(const party& p) {
    stacks out;
    for (int i = 0; i < p.stack_count; ++i) {
      const troop_stack& s = p.stacks[i];
      out.push_back({s.troop, s.count, s.is_prisoners() ? 1 : 0, s.wounded});
    }
    return out;
  }

  bool run(std::uint32_t opcode, std::vector<std::int64_t> params) {
    operation op;
    op.opcode_word = opcode;
    op.param_count = static_cast<std::int32_t>(params.size());
    for (std::size_t i = 0; i < params.size(); ++i) op.params[i] = params[i];
    std::int64_t locals[128] = {};
    std::int32_t context = 0;
    std::int32_t error = 0;
    return execute_operation(op, locals, context, error);
  }
  std::int64_t reg0() const { return g_script_state.registers[0]; }

  capture_ui ui;
  std::unique_ptr<campaign_game> campaign;
  std::int32_t player_party = -1;

 private:
  script_host previous_;
};

TEST_F(PartyScriptOpsTest, TroopsComeAndGoWithThePlayersSeeds) {
  const std::uint32_t before = random_state();
  EXPECT_TRUE(run(1610, {player_party, recruit, 5}));
  EXPECT_EQ(reg0(), 5);
  // The new members' seeds are the next draws of the random source.
  set_random_state(before);
  for (int j = 0; j < 5; ++j) EXPECT_EQ(state().member_seeds[1][j], random_next()) << j;
  EXPECT_EQ(state().member_seeds[1][5], 0);

  run(1611, {player_party, bandit, 3});
  run(1610, {player_party, raider, 2});
  EXPECT_EQ(stacks_of(get(player_party)),
            (stacks{{player, 1, 0, 0}, {recruit, 5, 0, 0}, {raider, 2, 0, 0}, {bandit, 3, 1, 0}}));
  get(player_party).stacks[1].wounded = 2;
  run(1619, {player_party, recruit, 1});  // the wounded first
  EXPECT_EQ(reg0(), 1);
  EXPECT_EQ(get(player_party).stacks[1].wounded, 1);
  run(1615, {player_party, archer, 3});  // none held
  EXPECT_EQ(reg0(), 0);
  run(1616, {player_party, bandit, 9});  // all three
  EXPECT_EQ(reg0(), 3);
  // The raider's seeds move down with its stack when the recruits leave.
  const std::int32_t raider_seed = state().member_seeds[2][0];
  run(1615, {player_party, recruit, 4});
  EXPECT_EQ(stacks_of(get(player_party)), (stacks{{player, 1, 0, 0}, {raider, 2, 0, 0}}));
  EXPECT_EQ(state().member_seeds[1][0], raider_seed);
  g_script_state.registers[5] = -1;
  run(1630, {register_operand(5), player_party, raider});
  EXPECT_EQ(g_script_state.registers[5], 2);
}

TEST_F(PartyScriptOpsTest, ALeaderStackGoesFirstUnlessThePartyIsFull) {
  const std::int32_t band = new_party({{soldier, 3, 0, 0}, {bandit, 2, 1, 0}});
  run(1612, {band, companion, 0});
  EXPECT_EQ(stacks_of(get(band)), (stacks{{companion, 1, 0, 0}, {soldier, 3, 0, 0}, {bandit, 2, 1, 0}}));
  // Party 0 (the player's here) never gets one.
  run(1612, {0, companion, 1});
  EXPECT_EQ(get(0).stack_count, 1);

  party& full = get(band);
  full.set_stack_count(party_max_stacks);
  for (int i = 0; i < party_max_stacks; ++i) full.stacks[i] = troop_stack{1, i % troop_total, 0};
  ui.lines.clear();
  run(1612, {band, companion, 1});
  EXPECT_EQ(full.stack_count, party_max_stacks);
  EXPECT_EQ(full.stacks[party_max_stacks - 1].troop, (party_max_stacks - 1) % troop_total);
  ASSERT_FALSE(ui.lines.empty());
  EXPECT_EQ(ui.lines[0].rfind("SCRIPT WARNING ON OPCODE 1612: Party is full", 0), 0u) << ui.lines[0];

  run(1617, {band});
  EXPECT_EQ(get(band).stack_count, 0);
  run(1610, {player_party, recruit, 2});
  run(1617, {player_party});
  EXPECT_EQ(stacks_of(get(player_party)), (stacks{{player, 1, 0, 0}}));
}

TEST_F(PartyScriptOpsTest, StackSeedsOfOtherPartiesAreComputed) {
  for (int i = 0; i < 7; ++i) new_party({});
  ASSERT_TRUE(state().find_party(7) != nullptr);
  get(7).add_troop_stack(state(), soldier, 1, 0, 0, true);
  get(7).add_troop_stack(state(), archer, 1, 0, 0, true);
  get(7).add_troop_stack(state(), bandit, 1, 0, 0, true);
  run(1655, {register_operand(3), 7, 2});
  EXPECT_EQ(g_script_state.registers[3], 5 * 447 + 7 * 31671 + 17883);
  run(1655, {register_operand(3), 7, 3});
  EXPECT_EQ(g_script_state.registers[3], 0);
}

TEST_F(PartyScriptOpsTest, ExperienceUpgradesAlongThePathPinnedForASeed) {
  const std::int32_t band = new_party({{companion, 1, 0, 0}, {recruit, 10, 0, 4}, {soldier, 2, 0, 0}});
  random_seed(77);
  // Path 1: the first upgrade (soldiers); some recruits are not ready yet.
  run(1673, {band, 900, 1});
  // The healthy recruits are ready first: one of the seven upgraded is wounded.
  EXPECT_EQ(stacks_of(get(band)), (stacks{{companion, 1, 0, 0}, {recruit, 3, 0, 3}, {soldier, 9, 0, 1}}));
  EXPECT_EQ(g_game->troops[companion].experience, 310);
  // Path 2: the second upgrade; every recruit ready, the stack turns archer.
  run(1673, {band, 5000, 2});
  EXPECT_EQ(stacks_of(get(band)), (stacks{{companion, 1, 0, 0}, {archer, 3, 0, 3}, {soldier, 9, 0, 1}}));

  // Shared: the same weights, no chance, and the player hears of it.
  const int before = g_game->troops[player].experience;
  run(1610, {player_party, recruit, 10});
  g_translation_table.set_translation("ui_you_got_number_experience", "You got %d experience.");
  g_translation_table.set_translation("ui_shared_number_experience_within_party", "Shared %d experience.");
  ui.lines.clear();
  run(1674, {player_party, 200});
  EXPECT_EQ(g_game->troops[player].experience - before, 100);
  EXPECT_EQ(get(player_party).stacks[1].ready_to_upgrade, 2);
  // The player's troop hears of its own gain, then the party of the share.
  EXPECT_EQ(ui.lines, (std::vector<std::string>{"You got 100 experience.", "Shared 200 experience."}));
}

TEST_F(PartyScriptOpsTest, CasualtiesPinnedForASeedAndRecorded) {
  const std::int32_t band = new_party({{companion, 1, 0, 0}, {soldier, 8, 0, 0}, {raider, 6, 0, 0}, {bandit, 4, 1, 0}});
  const std::int32_t escort = new_party({{archer, 5, 0, 1}});
  ASSERT_TRUE(state().attach_party_to_party(escort, band));
  const std::int32_t record = new_party({{bandit, 9, 0, 0}});
  random_seed(31);
  run(1697, {band, 200, record});
  // Enough rounds to reach every one of the 19 able members: the raiders (never
  // wounded) all died, the hero is down to no health, and the rest are dead
  // or wounded.
  EXPECT_EQ(stacks_of(get(band)), (stacks{{companion, 1, 0, 0}, {soldier, 4, 0, 4}, {bandit, 4, 1, 0}}));
  EXPECT_EQ(stacks_of(get(escort)), (stacks{{archer, 4, 0, 4}}));
  EXPECT_EQ(g_game->troops[companion].max_hit_points, 0.0f);
  // The recorder lost its own troops and holds the casualties: the killed as
  // troops, the wounded as wounded troops.
  EXPECT_EQ(stacks_of(get(record)),
            (stacks{{raider, 6, 0, 0}, {soldier, 8, 0, 4}, {archer, 4, 0, 3}, {companion, 1, 0, 1}}));
  // Nobody is left to hit.
  run(1697, {band, 50, record});
  EXPECT_EQ(stacks_of(get(band)), (stacks{{companion, 1, 0, 0}, {soldier, 4, 0, 4}, {bandit, 4, 1, 0}}));
  EXPECT_EQ(get(record).stack_count, 0);
}

TEST_F(PartyScriptOpsTest, MembersSpreadAndCopy) {
  const std::int32_t source = new_party({{companion, 1, 0, 0}, {soldier, 12, 0, 0}});
  const std::int32_t a = new_party({{archer, 3, 0, 0}});
  const std::int32_t b = new_party({{bandit, 1, 0, 0}});
  state().attach_party_to_party(b, a);
  random_seed(5);
  run(1698, {source, a});
  const int spread = get(a).count_troop(soldier, false) + get(b).count_troop(soldier, false);
  EXPECT_EQ(spread, 12);
  EXPECT_EQ(get(a).count_troop(companion, false), 0);
  EXPECT_EQ(get(a).count_troop(soldier, false), 10);

  const std::int32_t copy = new_party({{raider, 2, 0, 0}});
  run(1662, {a, copy});
  EXPECT_EQ(stacks_of(get(copy)), (stacks{{archer, 3, 0, 0}, {soldier, 12, 0, 0}, {bandit, 1, 0, 0}}));
}

TEST_F(PartyScriptOpsTest, AttachmentsAndBattles) {
  const std::int32_t lord = new_party({{companion, 1, 0, 0}});
  const std::int32_t guard = new_party({{soldier, 4, 0, 0}});
  const std::int32_t foe = new_party({{bandit, 7, 0, 0}});
  run(1660, {guard, lord});
  ui.lines.clear();
  run(1660, {lord, guard});  // a cycle
  ASSERT_FALSE(ui.lines.empty());
  EXPECT_EQ(ui.lines[0].rfind("SCRIPT WARNING ON OPCODE 1660", 0), 0u);
  run(1694, {register_operand(2), guard});
  EXPECT_EQ(g_script_state.registers[2], lord);
  run(1695, {register_operand(2), lord});
  EXPECT_EQ(g_script_state.registers[2], 1);
  run(1696, {register_operand(2), lord, 1});
  EXPECT_EQ(g_script_state.registers[2], -1);

  // A battle of the lord against the foe: the guard's opponent is the foe.
  const int slot = state().events.take_free();
  map_event& e = *state().events.get(slot);
  e.side_parties[0] = lord;
  e.side_parties[1] = foe;
  get(lord).map_event = slot;
  get(foe).map_event = slot;
  run(1680, {register_operand(2), guard});
  EXPECT_EQ(g_script_state.registers[2], foe);
  run(1680, {register_operand(2), foe});
  EXPECT_EQ(g_script_state.registers[2], lord);
  run(1667, {guard, 9});
  EXPECT_EQ(e.script_value, 0.0f);
  run(1667, {foe, 9});
  EXPECT_EQ(e.script_value, 9.0f);
  run(1666, {foe});
  EXPECT_EQ(get(lord).map_event, -1);
  EXPECT_EQ(e.state, 0);
  run(1680, {register_operand(2), guard});
  EXPECT_EQ(g_script_state.registers[2], -1);

  // By kind: only while the game allows it; kind 0 is the player's party.
  run(1663, {foe, 0});
  EXPECT_EQ(get(foe).attached_to, -1);
  campaign->campaign_host.game_words().attach_by_kind = 1;
  run(1663, {foe, 0});
  EXPECT_EQ(get(foe).attached_to, player_party);
  EXPECT_EQ(get(foe).joined, 1);
  run(1666, {foe});  // a joined party leaves by detaching
  EXPECT_EQ(get(foe).attached_to, -1);
}

TEST_F(PartyScriptOpsTest, PartnerJoinsAndPrisonersGo) {
  const std::int32_t partner = new_party({{bandit, 3, 0, 0}, {soldier, 2, 1, 0}});
  g_conversation.partner_party = partner;
  run(1202, {});  // as prisoners: the prisoner flags flip
  EXPECT_EQ(state().find_party(partner), nullptr);
  EXPECT_EQ(stacks_of(get(player_party)), (stacks{{player, 1, 0, 0}, {soldier, 2, 0, 0}, {bandit, 3, 1, 0}}));
  run(1204, {companion});
  g_translation_table.set_translation("ui_number_values_left_the_party", "%d %s left the party.");
  ui.lines.clear();
  run(1211, {});  // the hero stays a prisoner
  EXPECT_EQ(stacks_of(get(player_party)), (stacks{{player, 1, 0, 0}, {soldier, 2, 0, 0}, {companion, 1, 1, 0}}));
  ASSERT_EQ(ui.lines.size(), 1u);
  EXPECT_EQ(ui.lines[0].rfind("3 ", 0), 0u);

  g_game->troops[player].max_hit_points = 3.0f;
  get(player_party).stacks[1].wounded = 2;
  run(1225, {});
  EXPECT_EQ(g_game->troops[player].max_hit_points, 45.0f);
  EXPECT_EQ(get(player_party).stacks[1].wounded, 0);
}

TEST_F(PartyScriptOpsTest, SpawnedAndPlacedNearOtherParties) {
  party_template t;
  t.id = ruv_string("pt_bandits");
  t.name = ruv_string("Bandits");
  t.stacks[0] = {bandit, 2, 2, 0};
  g_party_templates.push_back(t);
  get(player_party).position = vec3(10.0f, -4.0f, 0.0f);
  run(1100, {player_party, 0});
  const std::int32_t spawned = static_cast<std::int32_t>(reg0());
  ASSERT_NE(state().find_party(spawned), nullptr);
  const vec3 at = get(spawned).position;
  EXPECT_LT(std::hypot(at.x - 10.0f, at.y + 4.0f), 3.0f);
  EXPECT_EQ(stacks_of(get(spawned)), (stacks{{bandit, 2, 0, 0}}));

  // The map is all land until the world map exists: water is never found.
  g_script_state.position_registers[1].origin = vec3(1.0f, 1.0f, 0.0f);
  EXPECT_TRUE(run(1628, {0, 1, 5}));
  EXPECT_FALSE(run(1629, {0, 1, 5}));
  run(1626, {spawned, 1});
  EXPECT_EQ(get(spawned).position.x, g_script_state.position_registers[1].origin.x);
  EXPECT_EQ(get(spawned).terrain, 2);
}

TEST_F(PartyScriptOpsTest, HiddenRemovedAndATroopsOwnParty) {
  const std::int32_t band = new_party({{soldier, 3, 0, 0}});
  get(band).flags = 0x400;
  run(1230, {band});
  EXPECT_EQ(get(band).flags, 0x500u);
  run(1231, {band});
  EXPECT_EQ(get(band).flags, 0x400u);
  run(1232, {band});
  EXPECT_EQ(state().find_party(band), nullptr);

  // Template 3 makes a troop's own party.
  g_party_templates.resize(4);
  get(player_party).position = vec3(3.0f, -2.0f, 0.0f);
  run(1672, {player_party, 40});  // the player's hunger
  run(1645, {player_party, 70});  // its morale stays with it
  get(player_party).speed_float = 0.25f;
  g_game->troops[companion].faction = 2;
  const std::int32_t next = state().parties.next_id();
  EXPECT_TRUE(run(1233, {companion}));
  const party* own = state().find_party(next);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(stacks_of(*own), (stacks{{companion, 1, 0, 0}}));
  EXPECT_EQ(own->name, "Ansel");
  EXPECT_EQ(own->position.x, 3.0f);
  EXPECT_EQ(own->position.y, -2.0f);
  EXPECT_EQ(own->faction, 0);
  EXPECT_EQ(own->flags & party_flag_limits, party_flag_limits);
  EXPECT_EQ(own->scripted_behaviour, 6);
  EXPECT_FLOAT_EQ(own->hunger, 0.4f);
  EXPECT_EQ(own->speed_float, 0.25f);
  EXPECT_FLOAT_EQ(get(player_party).morale, 0.7f);
  EXPECT_EQ(own->morale, 0.5f);
  run(1671, {register_operand(4), next});
  EXPECT_EQ(g_script_state.registers[4], 40);

  // No player's party to start from: nothing is made.
  state().player_party = -1;
  const std::int32_t after = state().parties.next_id();
  EXPECT_TRUE(run(1233, {companion}));
  EXPECT_EQ(state().parties.next_id(), after);
}

TEST_F(PartyScriptOpsTest, ThePlayerMeetsAPartyAndBattlesAreJoined) {
  g_game->factions.resize(3);
  g_game->factions[1].relations[2] = -0.5f;
  g_game->factions[2].relations[1] = -0.5f;
  const std::int32_t foe = new_party({{bandit, 7, 0, 0}});
  const std::int32_t scout = new_party({{raider, 2, 0, 0}});
  ASSERT_TRUE(state().attach_party_to_party(scout, foe));
  get(foe).position = vec3(10.0f, 4.0f, 0.0f);
  get(player_party).position = vec3(2.0f, 0.0f, 0.0f);
  game_script_words& words = campaign->campaign_host.game_words();

  // Meeting the scout meets the party it rides with.
  EXPECT_TRUE(run(1300, {scout}));
  const int slot = get(player_party).map_event;
  ASSERT_GE(slot, 0);
  const map_event& battle = *state().events.get(slot);
  EXPECT_EQ(battle.type, map_event_battle);
  EXPECT_EQ(battle.position[0], 6.0f);
  EXPECT_EQ(battle.position[1], 2.0f);
  EXPECT_EQ(battle.side_parties[0], player_party);
  EXPECT_EQ(battle.side_parties[1], foe);
  EXPECT_EQ(battle.starting_troop_total, 1 + 7 + 2);
  EXPECT_EQ(get(foe).map_event, slot);
  EXPECT_EQ(get(foe).current_behaviour, 7);
  EXPECT_EQ(get(player_party).current_behaviour, 7);
  EXPECT_EQ(words.encountered_party, foe);
  EXPECT_EQ(words.second_encounter_party, no_second_encounter_party);
  EXPECT_EQ(words.encounter_kind, 0);
  state().end_battle(slot);

  // Two other parties fight; a third joins the side against the one it
  // meets unless hostile to that side, and the player joins the battle.
  const std::int32_t lord = new_party({{soldier, 4, 0, 0}});
  const std::int32_t ally = new_party({{archer, 3, 0, 0}});
  const std::int32_t enemy = new_party({{archer, 3, 0, 0}});
  get(foe).faction = 2;
  get(lord).faction = 1;
  get(ally).faction = 1;
  get(enemy).faction = 2;
  player_encounter unused;
  ASSERT_TRUE(state().engage_party(lord, foe, unused));
  EXPECT_EQ(unused.party, -1);
  EXPECT_FALSE(state().engage_party(ally, lord, unused));  // hostile to the foe's side
  EXPECT_EQ(get(ally).attached_to, -1);
  EXPECT_TRUE(state().engage_party(ally, foe, unused));  // joins the lord
  EXPECT_EQ(get(ally).attached_to, lord);
  EXPECT_EQ(get(ally).joined, 1);
  EXPECT_FALSE(state().engage_party(enemy, foe, unused));  // hostile to the lord
  EXPECT_EQ(get(enemy).attached_to, -1);
  EXPECT_TRUE(run(1300, {foe}));
  const int second = get(lord).map_event;
  EXPECT_EQ(get(player_party).map_event, second);
  EXPECT_EQ(words.encountered_party, foe);
  EXPECT_EQ(words.second_encounter_party, lord);

  // The player leaves the battle it joined when the battle ends.
  state().end_battle(second);
  EXPECT_EQ(get(player_party).map_event, -1);

  // Nobody meets what rides under it, and a resting player is left alone.
  ASSERT_TRUE(state().attach_party_to_party(enemy, player_party));
  EXPECT_TRUE(run(1300, {enemy}));
  EXPECT_EQ(get(player_party).map_event, -1);
  state().detach_party(enemy);
  state().rest_time = 2.0f;
  state().rest_flag = 1;
  EXPECT_FALSE(state().engage_party(enemy, player_party, unused));
  EXPECT_EQ(get(enemy).map_event, -1);
  state().rest_flag = 0;
  EXPECT_TRUE(state().engage_party(enemy, player_party, unused));
  EXPECT_EQ(unused.party, enemy);
  EXPECT_EQ(unused.kind, 1);
  EXPECT_EQ(state().events.get(get(enemy).map_event)->side_parties[0], player_party);
}

TEST_F(PartyScriptOpsTest, ARelationChangeMarksTheOtherFactionsParties) {
  g_game->factions.resize(3);
  const std::int32_t a = new_party({{soldier, 1, 0, 0}});
  const std::int32_t b = new_party({{soldier, 1, 0, 0}});
  get(a).faction = 2;
  get(b).faction = 1;
  for (std::int32_t id : {a, b, player_party}) get(id).changed = 0;
  run(1270, {0, 2, 0});  // no change of value still tells the map
  EXPECT_EQ(get(a).changed, 1);
  EXPECT_EQ(get(b).changed, 0);
  EXPECT_EQ(get(player_party).changed, 0);
  get(a).changed = 0;
  run(1270, {1, 2, 50});  // between two others: nothing to redraw
  EXPECT_EQ(get(a).changed, 0);
  EXPECT_EQ(get(b).changed, 0);
}

TEST_F(PartyScriptOpsTest, DifficultyAverageCountsFromWhenTheGameWasMade) {
  const game_options saved = g_game_options;
  // Options that rate the game at 1.05 x 100.01, stored as 105.
  g_game_options.combat_ai = 0;
  g_game_options.battle_size = 0.5f;
  g_game_options.damage_to_player = 2;
  g_game_options.damage_to_friends = 2;
  g_game_options.control_block_direction = 0;
  g_game_options.combat_speed = 2;
  const std::int64_t real_time = clock_ticks(clock_real_time);
  // The game is made 30 s into the run.
  campaign.reset();
  set_clock_ticks(clock_real_time, 30 * ticks_per_unit);
  campaign = std::make_unique<campaign_game>(*g_game);
  campaign->install_script_host();
  const game_script_words& words = campaign->campaign_host.game_words();

  // The first rating, 11 s later, weighs 11 s.
  set_clock_ticks(clock_real_time, 41 * ticks_per_unit);
  run(990, {register_operand(4)});
  EXPECT_EQ(g_script_state.registers[4], 105);
  EXPECT_FLOAT_EQ(words.difficulty_weight, 11.0f);
  // A harder AI rates 0.55 x 105.01 = 57 for the next 10 s:
  // (105 x 11 + 57 x 10) / 21 = 82.1.
  g_game_options.combat_ai = 5;
  set_clock_ticks(clock_real_time, 51 * ticks_per_unit);
  run(990, {register_operand(4)});
  EXPECT_EQ(g_script_state.registers[4], 82);
  EXPECT_FLOAT_EQ(words.difficulty_weight, 21.0f);

  g_game_options = saved;
  set_clock_ticks(clock_real_time, real_time);
}

}  // namespace
}  // namespace hm
