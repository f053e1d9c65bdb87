// The inventory window over a player, a merchant and a chest: its screen in
// each mode, drops and their rules, trades undone within the visit, and the
// Leave with its payment and its questions asked one at a time.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/app/input_state.h"
#include "engine/settings/ruv_config.h"
#include "module/base/ini_table.h"
#include "module/base/module_settings.h"
#include "module/loading/game.h"
#include "module/text/translation_table.h"
#include "script/game_hooks.h"
#include "script/support/fake_script_host.h"
#include "ui/inventory/inventory_window.h"
#include "ui/layout/layout_variables.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

// Item kinds of the fixture.
constexpr int food = 1;
constexpr int sword = 2;
constexpr int horse = 3;
constexpr int bullets = 4;
constexpr int grain = 5;
constexpr int helmet = 6;

constexpr int player = 0;
constexpr int merchant = 1;
constexpr int chest = 2;
constexpr int dump = 3;
constexpr int companion = 4;

class under_window final : public top_level_window {
 public:
  void build() override {
    auto r = std::make_unique<window_container>();
    root = r.get();
    g_ui_manager.push_root_widget(std::move(r));
  }
};

class Inventory : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    // The sample module's layout.
    std::FILE* f = std::fopen(HOOFMARCH_DATA_DIR "/Modules/Sample/game_variables.txt", "r");
    ASSERT_NE(f, nullptr);
    read_ini_file(layout, f);
    std::fclose(f);
    set_layout_variable_table(&layout);
    for (const auto& [key, text] : std::vector<std::pair<const char*, const char*>>{
             {"ui_money_value", "%s"},
             {"ui_no_cost", "Nothing to pay"},
             {"ui_notification_payment_value", "You pay %s"},
             {"ui_notification_payment_receive_value", "You receive %s"},
             {"ui_you_dont_have_value", "You lack %s"},
             {"ui_merchant_cant_afford_value", "%s cannot pay %s, only %s"},
             {"ui_question_slaughter_food_and_eat", "Eat the %s?"},
             {"ui_dumping_value_items", "Drop %d items?"},
             {"ui_dumping_value_item", "Drop %d item?"},
             {"ui_reclaim_your_sold_goods", "Reclaim first"},
             {"ui_return_your_bought_goods", "Return first"},
             {"ui_notification_requirements_not_met", "Too weak"},
         })
      g_translation_table.set_translation(key, text);
    clear_hook_script_map();
    saved_config = g_ruv_config;
    saved_food_slot = g_module_settings.disable_food_slot;
    g_module_settings.disable_food_slot = 0;

    g_item_kinds.clear();
    kind(0, 0);
    kind(item_type::goods | 0x80000, 10);
    kind(item_type::one_handed, 100);
    kind(item_type::horse, 200);
    kind(item_type::bullets, 40).max_ammo = 20;
    kind(item_type::goods, 50);
    kind(item_type::head_armor, 80).difficulty = 15;

    g_game = std::make_unique<game>();
    g_game->factions.resize(1);
    g_game->troops.resize(5);
    troop& p = g_game->troops[player];
    p.flags = troop_flag::hero;
    p.attributes = {10, 10, 10, 10};
    p.gold = 1000;
    g_game->troops[merchant].gold = 500;
    g_game->troops[merchant].id = ruv_string("trp_merchant");
    g_game->troops[merchant].name = ruv_string("Trader");
    g_game->troops[chest].id = ruv_string("trp_chest");
    g_game->troops[dump].id = ruv_string("trp_dump");
    g_game->troops[companion].flags = troop_flag::hero;
    g_game->player_troop = player;
    g_game->inventory_tutorial_shown = true;

    host.module.translations["ui_value_money"] = "%d gold";
    host.campaign.add_party(0);
    host.campaign.player_party_id = 0;
    host.campaign.slots[0].stacks = {{1, player, 0, 0}, {1, companion, 0, 0}};

    g_window_manager.create_game_windows();
    ASSERT_TRUE(g_window_manager.install(window_id::world_map, std::make_unique<under_window>()));
    g_window_manager.set_window(window_id::world_map);
  }
  void TearDown() override {
    g_window_manager.destroy_game_windows();
    g_game.reset();
    g_item_kinds.clear();
    set_layout_variable_table(nullptr);
    g_ruv_config = saved_config;
    g_module_settings.disable_food_slot = saved_food_slot;
    test::ui_test::TearDown();
  }
  static item_kind& kind(std::uint32_t flags, int value) {
    item_kind& k = g_item_kinds.emplace_back();
    k.flags = flags;
    k.value = value;
    k.name = ruv_string("Thing");
    return k;
  }
  static troop& t(int i) { return g_game->troops[static_cast<std::size_t>(i)]; }
  inventory_window& open(std::int32_t mode, std::int32_t other) {
    auto* w = dynamic_cast<inventory_window*>(g_window_manager.window(window_id::inventory));
    EXPECT_NE(w, nullptr);
    w->mode = mode;
    w->parameters[0] = other;
    w->return_window = window_id::world_map;
    host.campaign.words.exit_troop = other;
    g_window_manager.set_window(window_id::inventory);
    return *w;
  }
  message_box_window& box() { return *dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box)); }
  // Clicks an answer of the question box, then lets the inventory act on it.
  void answer(int button) {
    ASSERT_EQ(g_window_manager.top_id(), window_id::message_box);
    ASSERT_NE(box().buttons[button], nullptr);
    box().buttons[button]->raise_event(ui_event::clicked);
    g_window_manager.frame(0.02f);
    g_window_manager.frame(0.02f);
  }
  // Picks up one slot and drops on another.
  static void move(inventory_window& w, int from_side, int from, int to_side, int to) {
    w.click_slot(from_side, from);
    ASSERT_TRUE(w.dragging);
    w.click_slot(to_side, to);
  }
  static std::string text_of(const widget* w) { return w ? std::string(w->text.view()) : std::string(); }

  ini_table layout;
  test::fake_script_host host;
  ruv_config saved_config;
  std::int32_t saved_food_slot = 0;
};

TEST_F(Inventory, ScreensOfTheModes) {
  // Trade: two inventories (30 slots for a hero with no inventory skill,
  // 90 for the merchant), one equipment panel with its food square.
  inventory_window& w = open(inventory_mode::trade, merchant);
  EXPECT_EQ(w.inventory_side_count, 2);
  EXPECT_EQ(w.equipment_side_count, 1);
  EXPECT_EQ(w.inventory_slot_count(inventory_side::player_inventory), 30);
  EXPECT_EQ(w.inventory_slot_count(inventory_side::other_inventory), 90);
  ASSERT_NE(w.inventory_grids[0], nullptr);
  EXPECT_NEAR(w.inventory_grids[0]->size.y, 10 * 0.088f, 1e-5f);
  EXPECT_NE(w.equipment_slot_widgets[0][equipment_slot::goods], nullptr);
  EXPECT_EQ(text_of(w.name_texts[1]), "Trader");
  EXPECT_EQ(text_of(w.gold_texts[1]), "500 gold");
  EXPECT_EQ(text_of(w.total_text), "Nothing to pay");
  EXPECT_FALSE(w.value_prices);
  // The grid shows no more than the visible area and scrolls.
  EXPECT_NEAR(w.scroll_areas[0]->view_size.y, 0.528f, 1e-5f);

  // Own inventory: the dump, emptied, with nine squares.
  t(dump).inventory[4] = item{sword, 0};
  inventory_window& own = open(inventory_mode::own, -1);
  EXPECT_EQ(own.other_troop, dump);
  EXPECT_EQ(own.inventory_slot_count(inventory_side::other_inventory), 9);
  EXPECT_EQ(t(dump).inventory[4].kind, -1);

  // An exchange takes the troop the game names (a chest, loot).
  t(chest).inventory[0] = item{sword, 0};
  inventory_window& loot = open(inventory_mode::exchange, chest);
  EXPECT_EQ(loot.other_troop, chest);
  EXPECT_EQ(loot.inventory_slot_count(inventory_side::other_inventory), 90);

  // Equipment exchange: one inventory, two panels, only the first with food.
  inventory_window& eq = open(inventory_mode::equipment, companion);
  EXPECT_EQ(eq.inventory_side_count, 1);
  EXPECT_EQ(eq.equipment_side_count, 2);
  EXPECT_NE(eq.equipment_slot_widgets[0][equipment_slot::goods], nullptr);
  EXPECT_EQ(eq.equipment_slot_widgets[1][equipment_slot::goods], nullptr);

  // A companion trades at plain value; without a food slot no square shows.
  g_module_settings.disable_food_slot = 1;
  inventory_window& mate = open(inventory_mode::trade, companion);
  EXPECT_TRUE(mate.value_prices);
  EXPECT_EQ(mate.equipment_slot_widgets[0][equipment_slot::goods], nullptr);
}

TEST_F(Inventory, TradeMadeAndUndoneLeavesBothSidesAsTheyWere) {
  t(merchant).inventory[0] = item{sword, 0};
  t(merchant).inventory[1] = item{grain, 0};
  t(player).inventory[0] = item{horse, 0};
  t(player).equipment[0] = item{sword, 0};
  const troop before_player = t(player);
  const troop before_merchant = t(merchant);
  inventory_window& w = open(inventory_mode::trade, merchant);

  // Buy the sword (100 x 2.25), sell the horse (200 / 3.375 = 59.3).
  move(w, inventory_side::other_inventory, 0, inventory_side::player_inventory, 5);
  EXPECT_EQ(w.total, -225);
  EXPECT_TRUE(w.test_slot_flags(inventory_side::player_inventory, 5, slot_state::traded));
  move(w, inventory_side::player_inventory, 0, inventory_side::other_inventory, 7);
  EXPECT_EQ(w.total, -225 + 59);
  EXPECT_EQ(text_of(w.total_text), "You pay 166 gold");
  // Equipping the bought sword keeps it a bought one.
  move(w, inventory_side::player_inventory, 5, inventory_side::player_equipment, 1);
  EXPECT_TRUE(w.test_slot_flags(inventory_side::player_equipment, 1, slot_state::traded));

  // Both back, at the prices they were traded at.
  move(w, inventory_side::player_equipment, 1, inventory_side::other_inventory, 0);
  move(w, inventory_side::other_inventory, 7, inventory_side::player_inventory, 0);
  EXPECT_EQ(w.total, 0);
  EXPECT_EQ(text_of(w.total_text), "Nothing to pay");
  for (int k = 0; k < troop_inventory_size; ++k) {
    EXPECT_EQ(t(player).inventory[k].kind, before_player.inventory[k].kind) << k;
    EXPECT_EQ(t(merchant).inventory[k].kind, before_merchant.inventory[k].kind) << k;
    EXPECT_FALSE(w.test_slot_flags(inventory_side::other_inventory, k % 90, slot_state::traded));
  }
  for (int k = 0; k < troop_equipment_slots; ++k) EXPECT_EQ(t(player).equipment[k].kind, before_player.equipment[k].kind);

  // Leaving pays nothing.
  w.request_leave();
  EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);
  EXPECT_EQ(t(player).gold, 1000);
  EXPECT_EQ(t(merchant).gold, 500);
}

TEST_F(Inventory, AClickThroughTheScreenBuys) {
  t(merchant).inventory[0] = item{sword, 0};
  inventory_window& w = open(inventory_mode::trade, merchant);
  auto press = [](const widget& s) {
    const float x = s.absolute_position.x + 0.044f, y = s.absolute_position.y + 0.044f;
    // The window's frame follows each input step, as in the game.
    step(x, y);
    g_window_manager.frame(0.02f);
    step(x, y, {button(0, true)});
    g_window_manager.frame(0.02f);
    step(x, y, {button(0, false)});
    g_window_manager.frame(0.02f);
  };
  // The first input step lays the grids out, their top rows in view.
  step(0.5f, 0.5f);
  press(*w.inventory_slot_widgets[1][0]);
  ASSERT_TRUE(w.dragging);
  // Pointing at a slot shows the item's details in the overlay.
  press(*w.inventory_slot_widgets[0][2]);
  EXPECT_FALSE(w.dragging);
  EXPECT_EQ(t(player).inventory[2].kind, sword);
  EXPECT_EQ(w.total, -225);
  EXPECT_GT(g_ui_manager.overlay_count, 0);
  // Escape does nothing while money is owed; Leave pays once and goes.
  g_input_state.previous_keys[1] = 1;
  g_window_manager.frame(0.02f);
  g_input_state = input_state{};
  EXPECT_EQ(g_window_manager.top_id(), window_id::inventory);
  w.leave_button->raise_event(ui_event::clicked);
  g_window_manager.frame(0.02f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);
  EXPECT_EQ(t(player).gold, 775);
  EXPECT_EQ(t(merchant).gold, 725);
}

TEST_F(Inventory, LeaveWithGoldShortStaysAndPaysNothing) {
  t(player).gold = 100;
  t(merchant).inventory[0] = item{sword, 0};
  inventory_window& w = open(inventory_mode::trade, merchant);
  move(w, inventory_side::other_inventory, 0, inventory_side::player_inventory, 0);
  w.request_leave();
  EXPECT_EQ(g_window_manager.top_id(), window_id::inventory);
  EXPECT_EQ(text_of(w.total_text), "You lack 225 gold");
  EXPECT_EQ(t(player).gold, 100);
  EXPECT_EQ(t(merchant).gold, 500);
  EXPECT_EQ(w.total, -225);
}

// A horse in the food slot is asked about before any money moves; yes
// slaughters it and stays, no goes on with the Leave. Either way the
// payment happens once.
TEST_F(Inventory, LeaveWithAHorseInTheFoodSlot) {
  for (int yes = 0; yes < 2; ++yes) {
    SCOPED_TRACE(yes);
    g_window_manager.set_window(window_id::world_map);
    t(player).gold = 1000;
    t(merchant).gold = 500;
    t(merchant).inventory[0] = item{sword, 0};
    t(player).inventory[0] = item{};
    t(player).equipment[equipment_slot::goods] = item{horse, 0};
    inventory_window& w = open(inventory_mode::trade, merchant);
    move(w, inventory_side::other_inventory, 0, inventory_side::player_inventory, 0);
    ASSERT_EQ(w.total, -225);
    w.request_leave();
    EXPECT_EQ(std::string(box().text.view()), "Eat the Thing?");
    EXPECT_EQ(t(player).gold, 1000);
    answer(yes ? 0 : 1);
    if (yes) {
      EXPECT_EQ(t(player).equipment[equipment_slot::goods].kind, 1);
      EXPECT_EQ(g_window_manager.top_id(), window_id::inventory);
      EXPECT_EQ(t(player).gold, 1000);
      w.request_leave();
    } else {
      EXPECT_EQ(t(player).equipment[equipment_slot::goods].kind, horse);
    }
    EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);
    EXPECT_EQ(t(player).gold, 775);
    EXPECT_EQ(t(merchant).gold, 725);
  }
}

// A merchant short of money asks; "think of something else" keeps the
// trade open with its total, "pay whatever you have" empties its purse and
// leaves. A horse in the food slot is asked about first, one box at a time.
TEST_F(Inventory, LeaveWithTheMerchantShort) {
  for (int pay_whatever = 0; pay_whatever < 2; ++pay_whatever) {
    SCOPED_TRACE(pay_whatever);
    g_window_manager.set_window(window_id::world_map);
    t(player).gold = 10;
    t(merchant).gold = 20;
    for (item& i : t(merchant).inventory) i = item{};
    t(player).inventory[0] = item{horse, 0};
    t(player).equipment[equipment_slot::goods] = item{horse, 0};
    inventory_window& w = open(inventory_mode::trade, merchant);
    move(w, inventory_side::player_inventory, 0, inventory_side::other_inventory, 0);
    ASSERT_EQ(w.total, 59);
    w.request_leave();
    EXPECT_EQ(std::string(box().text.view()), "Eat the Thing?");
    answer(1);
    EXPECT_EQ(std::string(box().text.view()), "Trader cannot pay 59 gold, only 20 gold");
    answer(pay_whatever);
    if (pay_whatever) {
      EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);
      EXPECT_EQ(t(player).gold, 30);
      EXPECT_EQ(t(merchant).gold, 0);
    } else {
      EXPECT_EQ(g_window_manager.top_id(), window_id::inventory);
      EXPECT_EQ(w.total, 59);
      EXPECT_EQ(t(player).gold, 10);
      EXPECT_EQ(t(merchant).gold, 20);
    }
  }
}

TEST_F(Inventory, DumpedItemsAreAskedAbout) {
  t(player).inventory[0] = item{sword, 0};
  t(player).inventory[1] = item{grain, 0};
  inventory_window& w = open(inventory_mode::own, -1);
  for (int k = 0; k < 2; ++k) {
    w.slot_clicked(inventory_side::player_inventory, k, false);
    w.slot_clicked(inventory_side::other_inventory, 4, false);
  }
  // Drops on the other grid fill its first free slots.
  EXPECT_EQ(t(dump).inventory[0].kind, sword);
  EXPECT_EQ(t(dump).inventory[1].kind, grain);
  w.request_leave();
  EXPECT_EQ(std::string(box().text.view()), "Drop 2 items?");
  answer(1);
  EXPECT_EQ(g_window_manager.top_id(), window_id::inventory);
  w.request_leave();
  answer(0);
  EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);
}

TEST_F(Inventory, DropRules) {
  t(player).inventory[0] = item{horse, 0};
  t(player).inventory[1] = item{helmet, 0};
  inventory_window& w = open(inventory_mode::no_horses, chest);
  // No horse on the other side in this mode.
  w.click_slot(inventory_side::player_inventory, 0);
  w.click_slot(inventory_side::other_inventory, 3);
  EXPECT_TRUE(w.dragging);
  EXPECT_EQ(t(chest).inventory[3].kind, -1);
  // A horse may stand in the food slot here, not in a trade.
  EXPECT_TRUE(w.can_drop_item(item{horse, 0}, inventory_side::player_equipment, equipment_slot::goods));
  w.mode = inventory_mode::trade;
  EXPECT_FALSE(w.can_drop_item(item{horse, 0}, inventory_side::player_equipment, equipment_slot::goods));
  EXPECT_FALSE(w.can_drop_item(item{horse, 0}, inventory_side::player_equipment, equipment_slot::head));
  w.mode = inventory_mode::no_horses;
  w.click_slot(inventory_side::player_inventory, 0);
  EXPECT_FALSE(w.dragging);

  // A helmet the hero is too weak for is refused with the message.
  w.click_slot(inventory_side::player_inventory, 1);
  w.click_slot(inventory_side::player_equipment, equipment_slot::head);
  EXPECT_TRUE(w.dragging);
  EXPECT_EQ(t(player).equipment[equipment_slot::head].kind, -1);
  ruv_string message;
  std::uint32_t colour = 0;
  ASSERT_TRUE(g_ui_manager.pending_messages.pop(message, colour));
  EXPECT_EQ(std::string(message.view()), "Too weak");
  EXPECT_EQ(colour, 0xFFFFDDBBu);
}

TEST_F(Inventory, AmmunitionPoursIntoABagOfTheSameKind) {
  item full_less{bullets, 5};    // 15 of 20
  item almost_empty{bullets, 18};  // 2 of 20
  t(player).inventory[0] = full_less;
  t(player).inventory[1] = almost_empty;
  inventory_window& w = open(inventory_mode::exchange, chest);
  w.click_slot(inventory_side::player_inventory, 1);
  w.click_slot(inventory_side::player_inventory, 0);
  // The bag in the slot takes the cursor's last 2 shots; the empty bag is gone.
  EXPECT_EQ(t(player).inventory[0].used_shots(), 3);
  EXPECT_FALSE(w.dragging);
}

// Between the two sides of a trade a bag is bought whole, never poured
// into the player's bag for nothing.
TEST_F(Inventory, AmmunitionIsNotPouredAcrossATrade) {
  t(merchant).inventory[0] = item{bullets, 18};
  t(player).inventory[0] = item{bullets, 5};
  inventory_window& w = open(inventory_mode::trade, merchant);
  w.click_slot(inventory_side::other_inventory, 0);
  w.click_slot(inventory_side::player_inventory, 0);
  EXPECT_EQ(t(player).inventory[0].used_shots(), 18);
  EXPECT_LT(w.total, 0);
  ASSERT_TRUE(w.dragging);
  EXPECT_EQ(w.dragged_item.used_shots(), 5);
}

TEST_F(Inventory, GoodsBoughtBlockSellingTheSameGoods) {
  t(merchant).inventory[0] = item{grain, 0};
  t(player).inventory[0] = item{grain, 0};
  inventory_window& w = open(inventory_mode::trade, merchant);
  move(w, inventory_side::other_inventory, 0, inventory_side::player_inventory, 3);
  // The player's own grain may not be sold while bought grain is held.
  w.click_slot(inventory_side::player_inventory, 0);
  EXPECT_FALSE(w.dragging);
  ruv_string message;
  std::uint32_t colour = 0;
  ASSERT_TRUE(g_ui_manager.pending_messages.pop(message, colour));
  EXPECT_EQ(std::string(message.view()), "Return first");
  // Once the bought grain is back, it may.
  move(w, inventory_side::player_inventory, 3, inventory_side::other_inventory, 0);
  w.click_slot(inventory_side::player_inventory, 0);
  EXPECT_TRUE(w.dragging);
}

// Ctrl-click sends an item straight across; into a full inventory nothing
// is written and the item stays on the cursor.
TEST_F(Inventory, QuickTransferNeedsAFreeSlot) {
  t(player).inventory[0] = item{sword, 0};
  inventory_window& w = open(inventory_mode::exchange, chest);
  w.slot_clicked(inventory_side::player_inventory, 0, true);
  EXPECT_FALSE(w.dragging);
  EXPECT_EQ(t(chest).inventory[0].kind, sword);

  for (item& i : t(player).inventory) i = item{grain, 0};
  w.slot_clicked(inventory_side::other_inventory, 0, true);
  EXPECT_TRUE(w.dragging);
  EXPECT_EQ(w.dragged_item.kind, sword);
  for (const item& i : t(player).inventory) EXPECT_EQ(i.kind, grain);
}

}  // namespace
}  // namespace hm
