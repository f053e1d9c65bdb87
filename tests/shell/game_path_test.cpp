// The road from a new game's first menu: mission requests the module cannot
// serve, fixed frame steps and recorded input, on a game started the way a
// run without a person starts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "campaign/game/campaign_game.h"
#include "campaign/party/campaign_world.h"
#include "campaign/party/party.h"
#include "engine/app/input_state.h"
#include "engine/app/recorded_input.h"
#include "engine/core/timer.h"
#include "mission/physics/physics_worker.h"
#include "mission/records/mission.h"
#include "mission/scripting/mission_script_host.h"
#include "module/loading/game.h"
#include "module/records/mission_template.h"
#include "platform/gpu/null_device.h"
#include "platform/window.h"
#include "script/ops/encounter.h"
#include "script/script_host.h"
#include "shell/game_application.h"
#include "shell/state/state_dispatcher.h"
#include "shell/support/shell_test_support.h"
#include "shell/support/started_game.h"
#include "ui/inventory/inventory_window.h"
#include "ui/menus/game_menu_window.h"
#include "ui/menus/menu_window_host.h"
#include "ui/manager/ui_manager.h"
#include "ui/windows/window_manager.h"

using namespace hm;

namespace {

using test::read_text;

// An application over the null window and device brought to the new game's
// first menu, as a run without a person goes there.
// The engine's resources are loaded once a process: the tests of the suite
// share one game.
class StartedGame : public test::started_game {
 protected:
  void SetUp() override {
    ASSERT_NE(app, nullptr);
    ASSERT_NE(current_mission, nullptr);
    ASSERT_EQ(g_window_manager.stack, std::deque<std::int32_t>{window_id::game_menu});
  }
  // Finds a hero (not the player) and a regular troop of the module, and
  // empties the player's party for a test's stacks.
  void empty_player_party() {
    campaign_game* c = app->campaign();
    ASSERT_NE(c, nullptr);
    campaign_state& st = c->state;
    party* player = st.find_party(st.player_party);
    ASSERT_NE(player, nullptr);
    for (int t = 0; t < st.world.troop_count() && (hero < 0 || regular < 0); ++t) {
      const bool is_hero = (st.world.troop_flags(t) & troop_flag_hero) != 0;
      if (is_hero && hero < 0 && t != st.player_troop) hero = t;
      if (!is_hero && regular < 0) regular = t;
    }
    ASSERT_GE(hero, 0);
    ASSERT_GE(regular, 0);
    player->stack_count = 0;
  }

  int hero = -1;
  int regular = -1;
};

TEST_F(StartedGame, MissionTypeNoTemplateMatchesIsAScriptErrorAndTheMenuStays) {
  std::int32_t unknown_type = 1;
  for (const mission_template& t : g_mission_templates) unknown_type = std::max(unknown_type, t.mission_type + 1);
  g_meta_mission.mission_type = unknown_type;
  g_meta_mission.request_mask |= 0x4;
  frame();
  g_window_manager.dispatch_meta_mission_requests();
  EXPECT_EQ(g_window_manager.stack, std::deque<std::int32_t>{window_id::game_menu});
  EXPECT_FALSE(app->state_hosts->mission_running());
  // The game menu's own request is still there for the menu to come back to.
  EXPECT_EQ(g_meta_mission.request_mask, 0x400u);
  const std::string log = read_text(home->data() / "ruv_log.txt");
  EXPECT_NE(log.find("Unable to find matching mission template for mission type " + std::to_string(unknown_type) +
                     "."),
            std::string::npos)
      << log;
}

TEST_F(StartedGame, FixedFrameTimeMovesTheClocksTheSameWhateverTheFramesTook) {
  app->fixed_frame_time = game_application::headless_frame_time;
  // Ticks are hundred-thousandths of a second.
  const std::int64_t step = static_cast<std::int64_t>(game_application::headless_frame_time * 100000.0f);
  for (std::int64_t took : {1'000, 20'000, 350'000}) {
    const std::int64_t before = clock_ticks(clock_real_time);
    frame(took);
    EXPECT_EQ(clock_ticks(clock_real_time) - before, step) << took;
    EXPECT_EQ(app->frame_time, game_application::headless_frame_time);
  }
  app->fixed_frame_time = 0.0f;
}

TEST_F(StartedGame, RecordedInputReachesTheInputStateOnItsFrames) {
  std::vector<recorded_input_event> events;
  recorded_input_error error;
  const std::uint32_t next = app->frame_counter + 1;
  const std::string text = std::to_string(next) + " key 0x39 down\n" + std::to_string(next) + " move 5 -3\n" +
                           std::to_string(next + 1) + " button 0 down\n" + std::to_string(next + 2) +
                           " key 57 up\n";
  ASSERT_TRUE(parse_recorded_input(text, events, error)) << error.message;
  app->use_recorded_input(std::make_unique<recorded_input>(std::move(events)));
  frame();
  EXPECT_TRUE(g_input_state.is_key_clicked(platform::key::space));
  EXPECT_EQ(g_input_state.mouse_dx, 5.0f);
  EXPECT_EQ(g_input_state.mouse_dy, -3.0f);
  frame();
  EXPECT_TRUE(g_input_state.is_key_down(platform::key::space));
  EXPECT_FALSE(g_input_state.is_key_clicked(platform::key::space));
  EXPECT_TRUE(g_input_state.is_key_clicked(platform::mouse_button_first));
  EXPECT_EQ(g_input_state.mouse_dx, 0.0f);
  frame();
  EXPECT_FALSE(g_input_state.is_key_down(platform::key::space));
  EXPECT_TRUE(app->recorded()->finished());
  app->use_recorded_input(nullptr);
}

TEST_F(StartedGame, TheWayBackToTheMapSettlesTheEncounter) {
  ASSERT_NO_FATAL_FAILURE(empty_player_party());
  campaign_game* c = app->campaign();
  campaign_state& st = c->state;
  party* player = st.find_party(st.player_party);
  ASSERT_GE(st.add_troops_to_party(st.player_party, hero, 1, false), 1);
  ASSERT_GE(st.add_troops_to_party(st.player_party, regular, 6, false), 1);
  ASSERT_GE(st.add_troops_to_party(st.player_party, regular, 2, true), 1);
  ASSERT_EQ(player->stack_count, 3);
  troop_stack& hero_stack = player->stacks[0];
  troop_stack& regulars = player->stacks[1];
  troop_stack& prisoners = player->stacks[2];
  hero_stack.wounded = 1;
  regulars.wounded = 2;
  // Ready to upgrade: 3 regulars count; the hero and the prisoners do not.
  hero_stack.ready_to_upgrade = 4;
  regulars.ready_to_upgrade = 3;
  prisoners.ready_to_upgrade = 7;

  const std::vector<ruv_string> history_before = g_ui_manager.messages.log_history;
  auto back_to_the_map = [&](std::int32_t upgradable_before) {
    g_meta_mission.apply_pending = 1;
    g_meta_mission.upgradable_before = upgradable_before;
    g_meta_mission.request_mask |= 0x200;
    frame();
    app->state_hosts->words.no_autosave = 1;
    g_window_manager.dispatch_meta_mission_requests();
    EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);
    EXPECT_EQ(g_meta_mission.apply_pending, 0);
  };
  // As many were ready when the encounter began: no message.
  back_to_the_map(3);
  EXPECT_EQ(hero_stack.wounded, 0);
  EXPECT_EQ(regulars.wounded, 2);
  EXPECT_EQ(player->changed, 1);
  EXPECT_EQ(c->campaign_host.game_words().encountered_party, -1);
  EXPECT_EQ(g_ui_manager.messages.log_history.size(), history_before.size());
  // One more than before: the player hears of it.
  back_to_the_map(2);
  ASSERT_EQ(g_ui_manager.messages.log_history.size(), history_before.size() + 1);
  EXPECT_NE(std::string(g_ui_manager.messages.log_history.back().view()).find("ui_some_soldiers_are_ready_to_upgrade"),
            std::string::npos);
  EXPECT_EQ(g_ui_manager.messages.log_line_color[static_cast<std::size_t>(g_ui_manager.messages.log_slot)],
            0xFFBBFFBBu);
  // The game goes on from its menu for the suite's other tests.
  g_window_manager.set_window(window_id::game_menu);
}

// The sample's first menu opens the merchant's trade and the supply chest
// through the module's own operations; a purchase is paid once on Leave and
// the menu comes back.
TEST_F(StartedGame, TheFirstMenuTradesWithTheMerchantAndOpensTheChest) {
  game* g = g_game.get();
  ASSERT_NE(g, nullptr);
  // A click the top window's frame sees (the input step of a frame clears
  // what it did not report itself).
  auto click = [](widget& w) {
    w.raise_event(ui_event::clicked);
    g_window_manager.frame(0.02f);
  };
  auto take_option = [&click](const std::string& text) {
    auto* menu = dynamic_cast<game_menu_window*>(g_window_manager.top());
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < menu->option_count; ++i) {
      widget* b = menu->option_buttons[static_cast<std::size_t>(i)];
      if (!b->is_hidden() && std::string(b->text.view()) == text) {
        click(*b);
        return;
      }
    }
    FAIL() << "no option " << text;
  };
  auto* inv = dynamic_cast<inventory_window*>(g_window_manager.window(window_id::inventory));
  ASSERT_NE(inv, nullptr);
  int merchant = -1, chest = -1;
  for (int t = 0; t < g->troop_count(); ++t) {
    if (g->troops[static_cast<std::size_t>(t)].id.view() == "trp_merchant") merchant = t;
    if (g->troops[static_cast<std::size_t>(t)].id.view() == "trp_chest") chest = t;
  }
  ASSERT_GE(merchant, 0);
  ASSERT_GE(chest, 0);

  ASSERT_NO_FATAL_FAILURE(take_option("Trade with the merchant"));
  // The trade's tutorial shows once, over the window.
  ASSERT_EQ(g_window_manager.top_id(), window_id::message_box);
  auto* box = dynamic_cast<message_box_window*>(g_window_manager.top());
  click(*box->buttons[0]);
  ASSERT_EQ(g_window_manager.top_id(), window_id::inventory);
  EXPECT_EQ(inv->mode, inventory_mode::trade);
  EXPECT_EQ(inv->other_troop, merchant);
  troop& player = g->troops[static_cast<std::size_t>(g->player_troop)];
  troop& seller = g->troops[static_cast<std::size_t>(merchant)];
  const std::int32_t gold = player.gold, merchant_gold = seller.gold;
  // The cheapest of the merchant's goods.
  int cheapest = -1;
  std::int32_t price = 0;
  for (int k = 0; k < inv->inventory_slot_count(inventory_side::other_inventory); ++k) {
    const item& it = seller.inventory[static_cast<std::size_t>(k)];
    if (it.kind < 0) continue;
    const std::int32_t p = inv->get_item_price(it, inventory_side::other_inventory);
    if (cheapest < 0 || p < price) {
      cheapest = k;
      price = p;
    }
  }
  ASSERT_GE(cheapest, 0);
  ASSERT_LE(price, gold);
  const int free = player.find_free_inventory_slot();
  inv->click_slot(inventory_side::other_inventory, cheapest);
  inv->click_slot(inventory_side::player_inventory, free);
  EXPECT_EQ(inv->total, -price);
  click(*inv->leave_button);
  EXPECT_EQ(g_window_manager.top_id(), window_id::game_menu);
  EXPECT_EQ(player.gold, gold - price);
  EXPECT_EQ(seller.gold, merchant_gold + price);

  // The chest: its things move into the player's pack.
  troop& box_troop = g->troops[static_cast<std::size_t>(chest)];
  const int first = box_troop.inventory[0].kind;
  ASSERT_GE(first, 0);
  ASSERT_NO_FATAL_FAILURE(take_option("Open the supply chest"));
  // The request is served by the dispatcher, at most one a frame.
  frame();
  ASSERT_EQ(g_window_manager.top_id(), window_id::inventory);
  EXPECT_EQ(inv->mode, inventory_mode::exchange);
  EXPECT_EQ(inv->other_troop, chest);
  const int slot = player.find_free_inventory_slot();
  inv->slot_clicked(inventory_side::other_inventory, 0, true);
  EXPECT_EQ(player.inventory[static_cast<std::size_t>(slot)].kind, first);
  EXPECT_EQ(box_troop.inventory[0].kind, -1);
  click(*inv->leave_button);
  frame();
  // Leaving goes through the dispatcher back to the module's chest menu,
  // whose last option leads back to the first menu.
  ASSERT_EQ(g_window_manager.top_id(), window_id::game_menu);
  EXPECT_EQ(app->campaign()->campaign_host.game_words().current_menu, 3);
  ASSERT_NO_FATAL_FAILURE(take_option("Go back"));
  frame();
  EXPECT_EQ(g_window_manager.top_id(), window_id::game_menu);
  EXPECT_EQ(app->campaign()->campaign_host.game_words().current_menu, 0);
  g_window_manager.set_window(window_id::game_menu);
}

TEST_F(StartedGame, AConversationStandsThePlayerThePartnerAndTheHeroesInItsScene) {
  ASSERT_NO_FATAL_FAILURE(empty_player_party());
  campaign_game* c = app->campaign();
  campaign_state& st = c->state;
  ASSERT_GE(st.add_troops_to_party(st.player_party, st.player_troop, 1, false), 1);
  ASSERT_GE(st.add_troops_to_party(st.player_party, regular, 4, false), 1);
  ASSERT_GE(st.add_troops_to_party(st.player_party, hero, 1, false), 1);

  std::vector<std::array<std::int32_t, 3>> started;
  app->state_hosts->start_conversation = [&](std::int32_t partner, std::int32_t party_id, std::int32_t kind) {
    started.push_back({partner, party_id, kind});
  };
  const std::int32_t sequence = g_meta_mission.mission_sequence;
  g_meta_mission.conversation_troop = regular;
  g_meta_mission.other_party = st.player_party;
  g_meta_mission.request_mask |= 0x2;
  frame();
  g_window_manager.dispatch_meta_mission_requests();
  app->state_hosts->start_conversation = nullptr;

  EXPECT_EQ(g_window_manager.top_id(), window_id::conversation);
  EXPECT_EQ(g_window_manager.window(window_id::conversation)->return_window, 100);
  const auto& e = app->state_hosts->conversation_entries;
  EXPECT_EQ(e[0].troop, st.player_troop);
  EXPECT_EQ(e[1].troop, regular);
  EXPECT_EQ(e[1].value, -1);
  // The hero of the player's party; the partner's party is the player's own,
  // whose heroes are there already.
  EXPECT_EQ(e[2].troop, hero);
  EXPECT_EQ(e[3].troop, -1);
  // The conversation's scene is a mission of its own.
  EXPECT_EQ(current_mission->template_index, 1);
  EXPECT_EQ(current_mission->player_party, st.player_party);
  EXPECT_EQ(current_mission->mission_sequence, sequence);
  EXPECT_EQ(g_meta_mission.mission_sequence, sequence + 1);
  EXPECT_TRUE(app->state_hosts->mission_running());
  EXPECT_EQ(started, (std::vector<std::array<std::int32_t, 3>>{{regular, st.player_party, 3}}));

  // The conversation is over and the game menu comes back: module code no
  // longer sees the conversation's mission.
  frame();
  g_meta_mission.request_mask = 0;
  g_window_switch_state.launch_mode = 2;
  g_window_manager.dispatch_meta_mission_requests();
  g_window_switch_state.launch_mode = 0;
  EXPECT_EQ(g_window_manager.top_id(), window_id::game_menu);
  EXPECT_FALSE(app->state_hosts->mission_running());
}

// Last of the suite: it closes the game's window.
TEST_F(StartedGame, ClosingTheWindowInTheMiddleOfABattleStopsThePhysicsWorkerFirst) {
  frame();
  app->state_hosts->words.jump_template = 0;
  app->state_hosts->words.jump_scene = 0;
  g_meta_mission.request_mask |= 0x8;
  g_window_manager.dispatch_meta_mission_requests();
  ASSERT_TRUE(app->state_hosts->mission_running());
  ASSERT_EQ(g_window_manager.top_id(), window_id::mission_screen);
  const script_mission_host* battle = &app->state_hosts->mission_scope()->host();
  ASSERT_EQ(current_script_host().mission, battle);
  ASSERT_TRUE(physics_worlds_worker.start());
  // The loop's frames need the clock to move by itself.
  app->frame_limit = app->render_counter + 1;
  clock.step = 1000;
  EXPECT_EQ(app->run_main_loop(), 0);
  EXPECT_FALSE(physics_worlds_worker.physics_thread_enabled);
  EXPECT_FALSE(app->state_hosts->mission_running());
  EXPECT_EQ(current_mission, nullptr);
  // Module code no longer reaches the mission that is gone.
  EXPECT_NE(current_script_host().mission, battle);
}

}  // namespace
