// The troop, inventory, scene, faction, quest and encounter operations run as
// module code over a small game of real records (the module host), with fakes
// for the windows, the sound player, the party pool and the mission.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/audio/sound_manager.h"
#include "engine/core/random.h"
#include "module/data/data_files.h"
#include "module/loading/game.h"
#include "module/loading/module_script_host.h"
#include "module/text/translation_table.h"
#include "script/dialog/conversation.h"
#include "script/ops/encounter.h"
#include "script/executor.h"
#include "script/game_hooks.h"
#include "script/operand.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::make_block;

enum kind_index : int { k_none, k_sword, k_arrows, k_stone, k_relic, k_shield, k_kind_count };
enum troop_index : int { t_player, t_merchant, t_soldier, t_strong, t_troop_count };

item_kind make_kind(const char* id, const char* name, int type, int value, std::uint32_t flags = 0,
                    std::uint64_t modifiers = 0, int max_ammo = 0) {
  item_kind k;
  k.id = id;
  k.name = name;
  k.flags = static_cast<std::uint32_t>(type) | flags;
  k.value = value;
  k.allowed_modifiers = modifiers;
  k.max_ammo = max_ammo;
  k.hit_points = type == item_type::shield ? 60 : 0;
  return k;
}

troop make_troop(const char* id, std::uint64_t flags, int strength) {
  troop t;
  t.id = id;
  t.name = id;
  t.flags = flags;
  t.attributes = {strength, 5, 5, 5};
  t.level = 10;
  t.max_hit_points = static_cast<float>(strength + 35);
  t.upgrade_troop_1 = 2;
  t.upgrade_troop_2 = 3;
  return t;
}

class TroopOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    script_host h = current_script_host();
    h.module = &g_module_script_host;
    set_script_host(h);
    clear_hook_script_map();
    saved_modifiers_ = g_item_modifiers;
    for (item_modifier& m : g_item_modifiers) m = {ruv_string(), ruv_string(), 1.0f, 1.0f};
    g_item_modifiers[1].price_factor = 1.5f;
    g_item_modifiers[2].price_factor = 0.5f;
    for (skill& s : g_skills) {
      s.max_level = 10;
      s.flags = 0;
    }
    const std::uint32_t merch = item_flag::merchandise;
    g_item_kinds = {
        make_kind("itm_none", "None", 0, 0),
        make_kind("itm_sword", "Sword", item_type::one_handed, 100, merch, 0b110),
        make_kind("itm_arrows", "Arrows", item_type::arrows, 20, merch, 0, 30),
        make_kind("itm_stone", "Stone", item_type::goods, 0),
        make_kind("itm_relic", "Relic", item_type::goods, 300, item_flag::unique),
        make_kind("itm_shield", "Shield", item_type::shield, 80, merch),
    };
    g_game = std::make_unique<game>();
    g_game->troops = {make_troop("trp_player", troop_flag::hero, 12), make_troop("trp_merchant", troop_flag::hero, 8),
                      make_troop("trp_soldier", 0, 10), make_troop("trp_strong", 0, 26)};
    g_game->factions.resize(6);
    g_game->factions[5].id = "fac_outlaws";
    g_game->factions[5].name = "Outlaws";
    g_game->quests.resize(2);
    g_game->quests[0].translated_name = "Letter";
    g_game->quests[1].translated_name = "Looters";
    g_game->quests[1].flags = 0x2;  // can be given again
    g_game->scenes.push_back(std::make_unique<scene>());
    g_game->scenes.push_back(std::make_unique<scene>());
    g_game->player_troop = t_player;
    host_.campaign.player_troop_id = t_player;
    for (const auto& [key, text] : std::vector<std::pair<const char*, const char*>>{
             {"ui_got_item_value", "You got %s."},
             {"ui_lost_item_value", "You lost %s."},
             {"ui_got_number_value", "You got %d %s."},
             {"ui_lost_number_value", "You lost %d %s."},
             {"ui_you_got_value", "You got %s."},
             {"ui_you_lost_value", "You lost %s."},
             {"ui_value_money", "%d denars"},
             {"ui_new_quest_taken", "New quest: %s"},
             {"ui_quest_completed_value", "Completed: %s"},
             {"ui_quest_succeeded_value", "Succeeded: %s"},
             {"ui_quest_failed_value", "Failed: %s"},
             {"ui_quest_cancelled_value", "Cancelled: %s"},
             {"ui_quest_concluded_value", "Concluded: %s"},
             {"ui_your_relations_with_value_has_improved_from_number_to_number", "%s better: %d to %d"},
             {"ui_your_relations_with_value_has_deteriorated_from_number_to_number", "%s worse: %d to %d"},
         })
      g_translation_table.set_translation(key, text);
  }
  void TearDown() override {
    g_game.reset();
    g_item_kinds.clear();
    g_item_modifiers = saved_modifiers_;
    g_translation_table.clear();
    g_meta_mission = meta_mission_words{};
    g_script_scene_index = -1;
  }

  // Runs one operation; true when it held.
  bool run(std::uint32_t opcode, std::vector<std::int64_t> params) {
    statement_block block = make_block({{opcode, std::move(params)}});
    return run_statement_block(block, 0);
  }
  troop& t(int index) { return g_game->troops[static_cast<std::size_t>(index)]; }
  std::vector<std::string> pending() {
    std::vector<std::string> out;
    for (const auto& line : host_.ui.pending_messages) out.push_back(line.text);
    host_.ui.pending_messages.clear();
    return out;
  }

  test::fake_script_host host_;

 private:
  std::array<item_modifier, item_modifier_count> saved_modifiers_{};
};

std::int64_t reg(int n) { return register_operand(n); }

TEST_F(TroopOperations, MerchantStockedBySeedIsTheSameEveryRun) {
  const auto stock = [&](std::uint32_t seed) {
    random_seed(seed);
    t(t_merchant).clear_inventory();
    EXPECT_TRUE(run(1490, {150}));
    EXPECT_TRUE(run(1512, {t_merchant, item_type::one_handed, 3}));
    EXPECT_TRUE(run(1512, {t_merchant, item_type::arrows, 2}));
    EXPECT_TRUE(run(1512, {t_merchant, item_type::shield, 1}));
    EXPECT_TRUE(run(1511, {t_merchant}));
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < 8; ++i) out.emplace_back(t(t_merchant).inventory[static_cast<std::size_t>(i)].kind,
                                                 t(t_merchant).inventory[static_cast<std::size_t>(i)].modifier());
    return out;
  };
  const auto first = stock(40);
  EXPECT_EQ(first, stock(40));
  // Swords first (the dearest, both fine at a quality of 1.5; the third
  // landed on the entry of another), then the shield and the arrows.
  EXPECT_EQ(first, (std::vector<std::pair<int, int>>{{k_sword, 1}, {k_sword, 1}, {k_shield, 0}, {k_arrows, 0},
                                                     {k_arrows, 0}, {-1, 0}, {-1, 0}, {-1, 0}}));
  EXPECT_FLOAT_EQ(g_game->merchandise_quality, 1.5f);
  EXPECT_EQ(t(t_merchant).inventory[2].hit_points(), 60);

  // Stock multipliers: 1492 with 0 means 100; 1493 one kind, silently only a kind.
  EXPECT_TRUE(run(1492, {0}));
  EXPECT_FLOAT_EQ(g_item_kinds[k_shield].stock_multiplier, 1.0f);
  EXPECT_TRUE(run(1493, {k_arrows, 250}));
  EXPECT_TRUE(run(1493, {k_kind_count, 10}));
  EXPECT_FLOAT_EQ(g_item_kinds[k_arrows].stock_multiplier, 2.5f);
  EXPECT_TRUE(run(1490, {-5}));
  EXPECT_FLOAT_EQ(g_game->merchandise_quality, 0.0f);
  EXPECT_TRUE(host_.take_messages().empty());
}

TEST_F(TroopOperations, ThePlayerIsToldOfMoneyAndItems) {
  EXPECT_TRUE(run(1528, {t_player, 50}));
  EXPECT_TRUE(run(1529, {t_player, 80}));  // more than there is: down to 0
  EXPECT_EQ(t(t_player).gold, 0);
  EXPECT_EQ(host_.take_messages(), (std::vector<std::string>{"You got 50 denars.", "You lost 80 denars."}));
  EXPECT_EQ(host_.engine.engine_sounds_played,
            (std::vector<int>{sound_slot::money_received, sound_slot::money_paid}));
  EXPECT_TRUE(run(1528, {t_soldier, 30}));
  EXPECT_TRUE(run(1529, {t_soldier, 0}));  // nothing to take: silently nothing
  EXPECT_EQ(t(t_soldier).gold, 30);
  EXPECT_TRUE(host_.take_messages().empty());

  EXPECT_TRUE(run(1530, {t_player, k_sword, 1}));
  ASSERT_EQ(host_.ui.pending_messages.size(), 1u);
  EXPECT_EQ(host_.ui.pending_messages[0].colour, 0xFF80FF80u);
  EXPECT_EQ(pending(), (std::vector<std::string>{"You got Sword."}));
  EXPECT_EQ(t(t_player).inventory[0].modifier(), 1);
  EXPECT_TRUE(run(1530, {t_soldier, k_stone, 0}));  // others hear nothing
  EXPECT_EQ(t(t_soldier).inventory[0].kind, k_stone);

  // More than fits: what fits is added, the message keeps the count asked.
  EXPECT_TRUE(run(1535, {t_player, k_arrows, 200}));
  EXPECT_EQ(t(t_player).count_used_inventory(), 30);
  EXPECT_EQ(pending(), (std::vector<std::string>{"You got 200 Arrows."}));
  // Register 0 holds the value removed (the arrows cost 20 each), 0 when none.
  EXPECT_TRUE(run(1536, {t_player, k_arrows, 3}));
  EXPECT_EQ(g_script_state.registers[0], 60);
  EXPECT_TRUE(run(1536, {t_player, k_relic, 2}));
  EXPECT_EQ(g_script_state.registers[0], 0);
  EXPECT_EQ(pending(), (std::vector<std::string>{"You lost 3 Arrows.", "You lost 2 Relic."}));
  // A stone is worth nothing: it goes without a word.
  t(t_player).put_item(k_stone, 0);
  EXPECT_TRUE(run(1531, {t_player, k_stone}));
  EXPECT_TRUE(run(1531, {t_player, k_sword}));
  EXPECT_EQ(pending(), (std::vector<std::string>{"You lost Sword."}));

  // With the game's switch off nothing is said.
  g_game->money_and_item_messages = false;
  EXPECT_TRUE(run(1528, {t_player, 5}));
  EXPECT_TRUE(host_.take_messages().empty());
}

TEST_F(TroopOperations, AUniqueItemWithoutRoomIsDroppedWithAWarning) {
  troop& player = t(t_player);  // a hero: 30 entries
  for (int i = 0; i < 30; ++i) player.inventory[static_cast<std::size_t>(i)] = item{k_relic, 0};
  EXPECT_TRUE(run(1530, {t_player, k_relic, 0}));
  const std::vector<std::string> lines = host_.take_messages();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("All items in inventory are unique!"), std::string::npos) << lines[0];
  EXPECT_EQ(player.count_used_inventory(), 30);
  // One plain item makes room: the unique item takes its place.
  player.inventory[7] = item{k_stone, 0};
  EXPECT_TRUE(run(1530, {t_player, k_relic, 0}));
  EXPECT_EQ(player.inventory[7].kind, k_relic);
  EXPECT_TRUE(host_.take_messages().empty());
}

TEST_F(TroopOperations, SlotsAmmunitionAndModifiers) {
  troop& s = t(t_soldier);
  s.inventory[0] = item{k_arrows, 5};  // 5 shots used
  const int arrows = troop_equipment_slots;
  const std::int64_t r = reg(1);
  struct row {
    std::int64_t amount;
    int used;
  };
  for (const row& c : {row{30, 0}, row{10, 20}, row{500, 0}, row{1, 29}}) {
    EXPECT_TRUE(run(1534, {t_soldier, arrows, c.amount}));
    EXPECT_EQ(s.inventory[0].used_shots(), c.used) << c.amount;
    EXPECT_TRUE(run(1537, {r, t_soldier, arrows}));
    EXPECT_EQ(g_script_state.registers[1], 30 - c.used);
  }
  EXPECT_TRUE(run(1538, {r, t_soldier, arrows}));
  EXPECT_EQ(g_script_state.registers[1], 30);
  EXPECT_TRUE(run(1534, {t_soldier, arrows, 0}));
  EXPECT_EQ(s.inventory[0].kind, -1);

  // Kinds and modifiers by slot; a slot past the capacity reads -1.
  EXPECT_TRUE(run(1543, {t_soldier, 5, k_shield}));
  EXPECT_EQ(s.equipment[5].kind, k_shield);
  EXPECT_EQ(s.equipment[5].hit_points(), 60);
  EXPECT_TRUE(run(1544, {t_soldier, 5, 2}));
  EXPECT_TRUE(run(1544, {t_soldier, 5, 43}));  // no such modifier: unchanged
  EXPECT_TRUE(run(1541, {r, t_soldier, 5}));
  EXPECT_EQ(g_script_state.registers[1], k_shield);
  EXPECT_TRUE(run(1542, {r, t_soldier, 5}));
  EXPECT_EQ(g_script_state.registers[1], 2);
  EXPECT_TRUE(run(1541, {r, t_soldier, 100}));
  EXPECT_EQ(g_script_state.registers[1], -1);
  EXPECT_TRUE(run(1540, {r, t_soldier}));
  EXPECT_EQ(g_script_state.registers[1], 100);
  EXPECT_TRUE(run(1543, {t_soldier, 5, -1}));
  EXPECT_EQ(s.equipment[5].kind, -1);
  EXPECT_TRUE(host_.take_messages().empty());
}

TEST_F(TroopOperations, HitPointsAttributesSkillsAndTroopFields) {
  EXPECT_TRUE(run(1560, {t_strong, 50, 0}));  // half of 61
  EXPECT_FLOAT_EQ(t(t_strong).max_hit_points, 30.0f);
  EXPECT_TRUE(run(1560, {t_strong, 500, 1}));
  EXPECT_FLOAT_EQ(t(t_strong).max_hit_points, 61.0f);
  EXPECT_TRUE(run(1560, {t_strong, INT64_MIN, 0}));
  EXPECT_FLOAT_EQ(t(t_strong).max_hit_points, 0.0f);

  t(t_soldier).attributes[2] = 62;
  EXPECT_TRUE(run(1520, {t_soldier, 2, 3}));
  EXPECT_EQ(t(t_soldier).attributes[2], 63);
  EXPECT_EQ(t(t_soldier).skill_points, 1);
  EXPECT_TRUE(run(1520, {t_soldier, 4, 3}));  // no such attribute: silently nothing
  EXPECT_TRUE(run(1521, {t_soldier, skill_ironflesh, 2}));
  EXPECT_EQ(t(t_soldier).get_skill_level(skill_ironflesh), 2);
  EXPECT_TRUE(run(1522, {t_soldier, 3, 10}));
  EXPECT_GT(t(t_soldier).proficiencies[3], 0.0f);
  EXPECT_TRUE(run(1523, {t_soldier, 3, -5000}));
  EXPECT_FLOAT_EQ(t(t_soldier).proficiencies[3], 0.0f);
  EXPECT_TRUE(run(1525, {t_soldier, 150}));
  EXPECT_EQ(t(t_soldier).proficiency_points, 99);

  EXPECT_TRUE(run(1505, {t_soldier, 9}));  // held below the skin count (none here: 0)
  EXPECT_EQ(t(t_soldier).get_skin(), 0);
  EXPECT_TRUE(run(1509, {t_soldier, 0}));
  EXPECT_EQ(t(t_soldier).flags & 0x1000, 0x1000u);
  EXPECT_TRUE(run(1507, {t_player}));
  EXPECT_FALSE(run(1507, {t_soldier}));
  EXPECT_TRUE(run(1508, {t_strong}));  // 0 hit points: wounded
  EXPECT_FALSE(run(1508, {t_player}));
  EXPECT_TRUE(run(1550, {t_soldier, 5}));
  EXPECT_EQ(t(t_soldier).faction, 5);
  EXPECT_TRUE(run(1561, {reg(2), t_soldier, 1}));
  EXPECT_EQ(g_script_state.registers[2], 3);
  EXPECT_TRUE(run(1570, {reg(2), k_arrows}));
  EXPECT_EQ(g_script_state.registers[2], item_type::arrows);
  EXPECT_TRUE(run(1250, {t_soldier, 12, 260}));
  EXPECT_EQ(t(t_soldier).scene_placement, 4 * 65536 + 12);
  EXPECT_TRUE(run(1251, {t_soldier}));
  EXPECT_EQ(t(t_soldier).scene_placement, 0);

  // Equipping from the inventory and the merchant's copy of another's goods.
  t(t_soldier).inventory[0] = item{k_sword, 0};
  EXPECT_TRUE(run(1533, {t_soldier}));
  EXPECT_EQ(t(t_soldier).equipment[0].kind, k_sword);
  EXPECT_TRUE(run(1532, {t_merchant}));
  EXPECT_TRUE(run(1539, {t_merchant, t_soldier, 100}));
  EXPECT_TRUE(host_.take_messages().empty());
}

// Every operation with a bad id reports it once, changes nothing and, as
// every operation whose id check fails, counts as true (conditions too).
TEST_F(TroopOperations, BadIdsReportAndChangeNothing) {
  const std::int64_t bad_troop = t_troop_count, bad_kind = k_kind_count, r = reg(3);
  struct row {
    std::uint32_t opcode;
    std::vector<std::int64_t> params;
  };
  const std::vector<row> rows = {
      {1505, {bad_troop, 1}},       {1506, {r, -1}},
      {1507, {bad_troop}},          {1508, {bad_troop}},
      {1509, {bad_troop, 0}},       {1510, {bad_troop, 5}},
      {1511, {bad_troop}},          {1512, {bad_troop, 2, 3}},
      {1515, {r, bad_troop}},       {1520, {bad_troop, 0, 1}},
      {1521, {bad_troop, 1, 1}},    {1522, {bad_troop, 1, 1}},
      {1523, {bad_troop, 1, 1}},    {1525, {bad_troop, 5}},
      {1528, {bad_troop, 5}},       {1529, {bad_troop, 5}},
      {1530, {bad_troop, k_sword, 0}}, {1531, {t_soldier, bad_kind}},
      {1531, {bad_troop, k_sword}}, {1532, {bad_troop}},
      {1533, {bad_troop}},          {1534, {bad_troop, 10, 5}},
      {1535, {t_soldier, bad_kind, 2}}, {1536, {bad_troop, k_sword, 2}},
      {1537, {r, bad_troop, 10}},   {1538, {r, bad_troop, 10}},
      {1539, {t_merchant, bad_troop, 50}}, {1539, {bad_troop, t_soldier, 50}},
      {1540, {r, bad_troop}},       {1543, {t_soldier, 10, bad_kind}},
      {1543, {bad_troop, 10, k_sword}}, {1544, {bad_troop, 10, 1}},
      {1550, {t_soldier, 6}},       {1550, {bad_troop, 1}},
      {1560, {bad_troop, 50, 0}},   {1561, {r, bad_troop, 0}},
      {1570, {r, bad_kind}},        {1250, {bad_troop, 1, 1}},
      {1251, {-2}},                 {1261, {2}},
      {1263, {0, bad_troop, 5}},    {1264, {0, bad_troop, 5}},
      {1270, {0, 6, 50}},           {1270, {6, 0, 50}},
      {1275, {6, 0}},               {1276, {-1, 0}},
      {1280, {2, t_merchant}},      {1281, {2}},
      {1282, {-1}},                 {1283, {2}},
      {1284, {2}},                  {1285, {2, 7}},
      {1286, {2}},                  {1290, {2}},
      {1291, {2, 0}},
  };
  const auto snapshot = [&] {
    std::vector<std::int64_t> out;
    for (const troop& tr : g_game->troops) {
      out.insert(out.end(), {static_cast<std::int64_t>(tr.flags), tr.gold, tr.faction, tr.scene_placement,
                             static_cast<std::int64_t>(tr.max_hit_points), tr.count_used_inventory(),
                             tr.proficiency_points, tr.attributes[0]});
    }
    for (const quest& q : g_game->quests) out.push_back(q.status);
    for (const faction& f : g_game->factions) out.push_back(static_cast<std::int64_t>(f.relations[0] * 100.0f));
    return out;
  };
  g_script_state.registers[3] = 77;
  g_script_scene_index = 1;
  const std::vector<std::int64_t> before = snapshot();
  for (const row& c : rows) {
    EXPECT_TRUE(run(c.opcode, c.params)) << c.opcode;
    const std::vector<std::string> lines = host_.take_messages();
    // The report, then the block's "At" line.
    ASSERT_EQ(lines.size(), 2u) << c.opcode;
    EXPECT_NE(lines[0].find("Invalid"), std::string::npos) << c.opcode << ": " << lines[0];
    EXPECT_EQ(snapshot(), before) << c.opcode;
    EXPECT_EQ(g_script_state.registers[3], 77) << c.opcode;
  }
  EXPECT_EQ(g_script_scene_index, 1);
  EXPECT_TRUE(pending().empty());
  EXPECT_TRUE(host_.engine.engine_sounds_played.empty());

  // Ranges checked before the ids, or without a report, make the operation
  // do nothing and say nothing.
  const std::vector<row> silent = {
      {1520, {t_soldier, 4, 1}},         {1520, {t_soldier, 0, 0}},       {1521, {t_soldier, 42, 1}},
      {1522, {t_soldier, 1, 0}},         {1523, {t_soldier, 7, 1}},       {1525, {t_soldier, 0}},
      {1529, {bad_troop, 0}},            {1530, {t_soldier, bad_kind, 0}}, {1534, {t_soldier, 100, 5}},
      {1535, {bad_troop, bad_kind, 0}},  {1536, {bad_troop, bad_kind, -1}}, {1539, {bad_troop, bad_troop, 0}},
      {1543, {t_soldier, -1, k_sword}},  {1561, {r, t_soldier, 2}},     {1263, {-1, bad_troop, 1}},
      {1264, {0, t_soldier, 0}},         {1265, {0, bad_troop, 5}},       {1303, {5}},
      {1493, {-1, 50}},
  };
  for (const row& c : silent) {
    EXPECT_TRUE(run(c.opcode, c.params)) << c.opcode;
    EXPECT_TRUE(host_.take_messages().empty()) << c.opcode;
    EXPECT_EQ(snapshot(), before) << c.opcode;
    EXPECT_EQ(g_script_state.registers[3], 77) << c.opcode;
  }

  // Bad troops and slots of the slot queries store -1 (a slot silently).
  EXPECT_TRUE(run(1541, {r, bad_troop, 10}));
  EXPECT_EQ(g_script_state.registers[3], -1);
  EXPECT_EQ(host_.take_messages().size(), 2u);
  g_script_state.registers[3] = 77;
  EXPECT_TRUE(run(1542, {r, t_soldier, -1}));
  EXPECT_EQ(g_script_state.registers[3], -1);
  EXPECT_TRUE(host_.take_messages().empty());
}

TEST_F(TroopOperations, QuestsStartAndEndWithTheirMessages) {
  quest& letter = g_game->quests[0];
  quest& looters = g_game->quests[1];
  // Completing a quest never started does nothing; a repeatable one is told
  // and starts over.
  EXPECT_TRUE(run(1281, {0}));
  EXPECT_EQ(letter.status, 0u);
  looters.status = 0x100;
  EXPECT_TRUE(run(1281, {1}));
  EXPECT_EQ(looters.status, 0u);
  EXPECT_EQ(pending(), (std::vector<std::string>{"Completed: Looters"}));

  // Without a giver the conversation's partner gives the quest; outside a
  // conversation that is no troop (-1), and the quest starts all the same.
  g_conversation.partner_troop = -1;
  EXPECT_TRUE(run(1280, {0, 0}));
  EXPECT_EQ(letter.giver_troop, -1);
  EXPECT_EQ(letter.status, 0x100u);
  EXPECT_EQ(host_.take_messages(), (std::vector<std::string>{"New quest: Letter"}));
  EXPECT_TRUE(run(1280, {0, t_soldier}));  // already running: no second message
  EXPECT_EQ(letter.giver_troop, t_soldier);
  EXPECT_TRUE(host_.take_messages().empty());
  letter.status = 0;
  g_conversation.partner_troop = t_merchant;
  EXPECT_TRUE(run(1280, {0, 0}));
  EXPECT_EQ(letter.giver_troop, t_merchant);
  EXPECT_EQ(letter.status, 0x100u);
  EXPECT_EQ(host_.take_messages(), (std::vector<std::string>{"New quest: Letter"}));

  EXPECT_TRUE(run(1285, {0, 0x1FF}));
  EXPECT_EQ(letter.status, 0x1FFu);
  EXPECT_TRUE(run(200, {0}));  // the started bit stays
  EXPECT_TRUE(run(1282, {0}));
  EXPECT_EQ(letter.status, 0x15FFu);
  EXPECT_TRUE(run(1281, {0}));
  EXPECT_EQ(letter.status, 0x17FFu);
  EXPECT_TRUE(run(1283, {0}));
  EXPECT_TRUE(run(1281, {1}));  // never started, but repeatable: told again
  EXPECT_TRUE(run(1284, {0}));
  EXPECT_EQ(letter.status, 0u);
  EXPECT_EQ(pending(), (std::vector<std::string>{"Succeeded: Letter", "Completed: Letter", "Failed: Letter",
                                                  "Completed: Looters", "Cancelled: Letter"}));
  EXPECT_EQ(host_.engine.engine_sounds_played,
            (std::vector<int>{sound_slot::quest_completed, sound_slot::quest_taken, sound_slot::quest_taken,
                              sound_slot::quest_succeeded,
                              sound_slot::quest_completed, sound_slot::quest_failed, sound_slot::quest_completed,
                              sound_slot::quest_cancelled}));
  // A failed quest is not completed afterwards.
  letter.status = 0x900;
  EXPECT_TRUE(run(1281, {0}));
  EXPECT_EQ(letter.status, 0x900u);
  EXPECT_TRUE(pending().empty());

  // Texts: the shown name from the quest's own when it has no translation.
  letter.id = "qst_letter";
  letter.name = "A Letter";
  letter.text = "Take it";
  g_script_state.string_registers[4] = ruv_string("the merchant");
  EXPECT_TRUE(run(1290, {0}));
  EXPECT_TRUE(run(1291, {0, 4}));
  EXPECT_EQ(letter.translated_name, "A Letter");
  EXPECT_EQ(letter.translated_text, "Take it");
  EXPECT_EQ(letter.giver_text, "the merchant");
}

TEST_F(TroopOperations, FactionRelationsNamesAndColours) {
  g_game->factions[0].relations[5] = 0.1f;
  g_game->factions[5].relations[0] = 0.1f;
  EXPECT_TRUE(run(1270, {0, 5, 30}));
  EXPECT_FLOAT_EQ(g_game->factions[5].relations[0], 0.3f);
  ASSERT_EQ(host_.ui.pending_messages.size(), 1u);
  EXPECT_EQ(host_.ui.pending_messages[0].colour, 0xFF6FFF28u);
  EXPECT_EQ(pending(), (std::vector<std::string>{"Outlaws better: 10 to 30"}));
  EXPECT_TRUE(run(1270, {5, 0, -250}));  // held to -1
  EXPECT_FLOAT_EQ(g_game->factions[0].relations[5], -1.0f);
  EXPECT_EQ(host_.ui.pending_messages.at(0).colour, 0xFFFF7028u);
  EXPECT_EQ(pending(), (std::vector<std::string>{"Outlaws worse: 30 to -100"}));
  EXPECT_TRUE(run(1270, {0, 5, -100}));  // no change: no message
  EXPECT_TRUE(run(1270, {2, 3, 250}));    // two others: both ways, no message
  EXPECT_FLOAT_EQ(g_game->factions[2].relations[3], 1.0f);
  EXPECT_FLOAT_EQ(g_game->factions[3].relations[2], 1.0f);
  EXPECT_TRUE(pending().empty());
  // The other faction's parties are redrawn whenever the player's faction
  // was one of the two, changed or not.
  EXPECT_EQ(host_.campaign.calls, std::vector<std::string>(3, "mark_faction_parties_changed 5"));

  // A renamed faction keeps its name untranslated; colours are opaque.
  g_translation_table.set_translation("fac_outlaws", "Brigands");
  g_script_state.string_registers[1] = ruv_string("Reavers");
  EXPECT_TRUE(run(1270, {0, 5, 0}));
  EXPECT_EQ(pending(), (std::vector<std::string>{"Brigands better: -100 to 0"}));
  EXPECT_TRUE(run(1275, {5, 1}));
  EXPECT_EQ(g_game->factions[5].name, "Reavers");
  EXPECT_TRUE(run(1270, {0, 5, 10}));
  EXPECT_EQ(pending(), (std::vector<std::string>{"Reavers better: 0 to 10"}));
  EXPECT_TRUE(run(1276, {5, 0x123456}));
  EXPECT_EQ(g_game->factions[5].colour, 0xFF123456u);
}

TEST_F(TroopOperations, SceneEntrySlots) {
  scene& sc = *g_game->scenes[1];
  EXPECT_TRUE(run(1261, {1}));
  EXPECT_TRUE(run(1263, {3, t_soldier, 44}));
  EXPECT_EQ(sc.entry_pairs[6], t_soldier);
  EXPECT_EQ(sc.entry_pairs[7], 44);
  EXPECT_EQ(sc.entry_words[3], 1);
  EXPECT_EQ(host_.mission.spawn_flag_clears, 0);  // no mission
  host_.mission.mission_set_up = true;
  EXPECT_TRUE(run(1263, {3, t_merchant, 0}));  // value 0 keeps the old one
  EXPECT_EQ(sc.entry_pairs[7], 44);
  EXPECT_EQ(host_.mission.spawn_flag_clears, 1);
  EXPECT_TRUE(run(1263, {3, -1, 9}));  // emptied; spawn flags left alone
  EXPECT_EQ(sc.entry_pairs[6], -1);
  EXPECT_EQ(sc.entry_words[3], 0);
  EXPECT_EQ(host_.mission.spawn_flag_clears, 1);
  EXPECT_TRUE(run(1263, {64, t_soldier, 1}));  // no such slot: silently nothing
  EXPECT_TRUE(run(1264, {5, t_soldier, 0}));   // no troops: silently nothing
  EXPECT_TRUE(run(1265, {5, t_soldier, 7}));
  EXPECT_EQ(sc.entry_pairs[10], t_soldier);
  EXPECT_EQ(sc.entry_pairs[11], scene_entry_no_value);
  EXPECT_EQ(sc.entry_words[5], 7);
  EXPECT_EQ(host_.mission.spawn_group_counts, (std::vector<std::pair<int, int>>{{5, 7}}));

  // An invalid scene keeps the selection; 1262 clears the selected scene.
  EXPECT_TRUE(run(1261, {5}));
  EXPECT_EQ(host_.take_messages().size(), 2u);
  EXPECT_TRUE(run(1262, {0}));
  EXPECT_EQ(sc.entry_pairs[10], -1);
  EXPECT_EQ(sc.entry_pairs[11], scene_entry_no_value);
  EXPECT_EQ(sc.entry_words[5], 7);
  EXPECT_EQ(g_game->scenes[0]->entry_pairs[1], 0);  // another scene: untouched
}

TEST_F(TroopOperations, EncounterSideMenuAndFlags) {
  host_.campaign.add_party(0);
  host_.campaign.add_party(7);
  host_.campaign.add_party(8);
  host_.campaign.find(8)->troops_by_flags[16] = 12;
  host_.campaign.player_party_id = 0;
  g_meta_mission.encounter.first_party = 7;
  g_meta_mission.encounter.second_party = 8;
  g_meta_mission.encounter.flags = encounter_flag::side_open;
  EXPECT_TRUE(run(1303, {1}));  // the player helps side 1: side 0's party is the foe
  EXPECT_EQ(g_meta_mission.encounter.side, 0);
  EXPECT_EQ(g_meta_mission.encounter.opposite_side, 1);
  EXPECT_EQ(g_meta_mission.encounter.changed, 1);
  EXPECT_EQ(g_meta_mission.encounter.flags, 0u);
  EXPECT_EQ(g_meta_mission.encounter.size_class, 2);
  EXPECT_TRUE(run(1303, {2}));  // not a side
  EXPECT_EQ(g_meta_mission.encounter.side, 0);
  EXPECT_TRUE(run(1304, {12}));
  EXPECT_TRUE(run(1307, {}));
  EXPECT_TRUE(run(1301, {}));
  EXPECT_TRUE(run(1302, {}));
  EXPECT_TRUE(run(1320, {7}));
  EXPECT_EQ(g_meta_mission.next_menu, 12);
  EXPECT_EQ(g_meta_mission.flags, 1u);
  EXPECT_EQ(host_.campaign.words.game_flags, 1u);
  EXPECT_EQ(host_.campaign.words.conversation_flags & 0x40, 0x40);
  EXPECT_EQ(host_.campaign.words.game_party_word, 7);
}

}  // namespace
}  // namespace hm
