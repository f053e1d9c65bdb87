// The mission screen's frame driven by a recorded sequence of key states,
// headless: the player agent's input block, orders, group selection, the
// action key, leaving and the switches to other screens.
#include "mission/screen/mission_screen_window.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "engine/settings/ruv_config.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/support/combat_fixtures.h"
#include "mission/support/recording_services.h"
#include "module/records/item_kind.h"
#include "module/records/mission_template.h"
#include "module/records/presentation_table.h"
#include "ui/presentation/presentation.h"
#include "ui/widget/container.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

class recording_host final : public mission_screen_host {
 public:
  std::int64_t check_template_triggers(mission&, std::int32_t event_code) override {
    calls.push_back("triggers " + std::to_string(event_code));
    return event_code == -21 ? leave_trigger_result : 0;
  }
  void add_message(const std::string& t, std::uint32_t colour) override { messages.push_back({t, colour}); }
  void show_overlay(const std::vector<overlay_line>& lines, float, float) override { overlay = lines; }
  std::string text(const char* key) override {
    if (std::string(key) == "ui_str_hear_me") return "%s, hear me! %d %s";
    return key;
  }
  void issue_order(mission&, int team, int code) override {
    calls.push_back("order " + std::to_string(team) + " " + std::to_string(code));
  }
  bool set_window(int id) override {
    calls.push_back("set_window " + std::to_string(id));
    return true;
  }
  bool push_window(int id) override {
    calls.push_back("push_window " + std::to_string(id));
    return true;
  }
  void dispatch_requests() override { ++dispatches; }
  void quick_save() override { calls.push_back("quick_save"); }
  void apply_mission_results(mission&) override { calls.push_back("results"); }
  void request_mission_setup(int scene, int entry) override {
    calls.push_back("setup " + std::to_string(scene) + " " + std::to_string(entry));
  }
  std::int32_t passage_target(mission&, int passage) override {
    return passage >= 0 && passage < static_cast<int>(passages.size()) ? passages[static_cast<std::size_t>(passage)]
                                                                        : -1;
  }
  int scene_count() override { return 3; }
  bool rest_pending() override { return resting; }
  std::uint64_t current_menu_flags() override { return menu_flags; }
  void request_menu_refresh() override { calls.push_back("menu_refresh"); }

  std::vector<std::string> calls;
  std::vector<std::pair<std::string, std::uint32_t>> messages;
  std::vector<std::int32_t> passages;
  std::vector<overlay_line> overlay;
  int dispatches = 0;
  std::int64_t leave_trigger_result = 0;
  bool resting = false;
  std::uint64_t menu_flags = 0;
};

struct plain_window final : top_level_window {};

class MissionScreenFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ruv_config.cheat_mode = 0;
    g_mission_templates.clear();
    m.set_services(&services);
    st.first_frames = 5;
    self.return_window = window_id::world_map;
  }
  void TearDown() override {
    m.set_services(nullptr);
    g_mission_templates.clear();
    g_ruv_config.cheat_mode = 0;
  }

  agent& add_player(const vec3& at = vec3(0.0f, 0.0f, 0.0f)) {
    agent& a = spawn_standing_agent(m, agent_kind_human, 0, at);
    m.player_agent = a.index;
    return a;
  }

  // One frame with these keys down (the previous frame's keys become the
  // previous state, so a key down now and not before is clicked).
  void frame(std::initializer_list<int> keys) {
    std::copy(std::begin(input.keys), std::end(input.keys), std::begin(input.previous_keys));
    std::fill(std::begin(input.keys), std::end(input.keys), 0);
    for (int k : keys) input.keys[k] = 0x80;
    mission_screen_frame(m, st, hud, host, in, settings, 0.02f, self);
  }
  int key(int control) const { return bindings.keys[control][0]; }
  std::uint32_t player_flags() { return m.get_agent(m.player_agent)->input.action_flags; }

  recording_services services;
  mission m;
  mission_screen_state st;
  mission_hud_widgets hud;
  recording_host host;
  input_state input;
  key_bindings bindings;
  screen_input in{&input, &bindings};
  player_input_settings settings;
  plain_window self;
};

TEST_F(MissionScreenFrame, MovementAndAttackKeysFillThePlayersInputBlock) {
  add_player();
  frame({key(control::move_forward)});
  EXPECT_EQ(player_flags(), 0x200000u | 0x1u);
  // Shift walks; backward gives way to forward, left to right.
  frame({key(control::move_backward), key(control::move_left), platform::key::left_shift});
  EXPECT_EQ(player_flags(), 0x2u | 0x8u);
  frame({key(control::move_forward), key(control::move_backward), key(control::move_right), key(control::move_left),
         platform::key::left_shift});
  EXPECT_EQ(player_flags(), 0x1u | 0x4u);
  // The attack press is reported once, the hold as long as it lasts.
  frame({key(control::attack), platform::key::left_shift});
  EXPECT_EQ(player_flags(), 0x100u | 0x400u);
  frame({key(control::attack), key(control::defend), platform::key::left_shift});
  EXPECT_EQ(player_flags(), 0x100u | 0x200u);
  frame({key(control::jump), platform::key::left_shift});
  EXPECT_EQ(player_flags(), 0x100000u);
}

TEST_F(MissionScreenFrame, MountedKeysUseTheRidingBits) {
  agent& p = add_player();
  agent& horse = spawn_standing_agent(m, agent_kind_horse, 0, vec3(0.0f, 0.0f, 0.0f));
  p.mount = horse.index;
  st.prompt = prompt_kind::dismount;
  frame({key(control::move_forward), key(control::move_right), platform::key::left_shift});
  EXPECT_EQ(player_flags(), 0x80000u | 0x10u | 0x40u);
  frame({key(control::move_forward), key(control::action), platform::key::left_shift});
  EXPECT_EQ(player_flags(), 0x10u | 0x10000u);
}

TEST_F(MissionScreenFrame, OrderKeysGiveTheirCodesAndTogglesAlternate) {
  add_player();
  frame({key(21)});
  frame({key(27)});
  frame({key(24)});
  frame({});
  frame({key(24)});
  frame({key(30)});
  frame({key(25)});
  // Ctrl held: no order.
  frame({platform::key::left_control});
  frame({platform::key::left_control, key(22)});
  const std::vector<std::string> expected = {"order 0 0", "order 0 6", "order 0 4", "order 0 3", "order 0 9",
                                             "order 0 12"};
  EXPECT_EQ(host.calls, expected);
}

TEST_F(MissionScreenFrame, FirstOrderAfterAQuietSpellShowsTheListBriefly) {
  add_player();
  st.order_timer.set_elapsed(9.0f);
  frame({});
  EXPECT_EQ(st.order_state, order_display::armed);
  frame({key(23)});
  EXPECT_EQ(st.order_state, order_display::shown);
  EXPECT_NEAR(st.order_timer.elapsed(), 7.5f, 0.01f);
  // The title and five orders; the given one (charge) stands out.
  ASSERT_EQ(host.overlay.size(), 6u);
  EXPECT_EQ(host.overlay[0].text, "ui_order_group");
  EXPECT_EQ(host.overlay[3].text, "ui_order_charge");
  EXPECT_EQ(host.overlay[3].colour, 0xFF50FF60u);
  EXPECT_EQ(host.overlay[1].colour, 0xFFD0D0D0u);
  // A second order within eight seconds keeps the list and its timer.
  frame({key(21)});
  EXPECT_EQ(st.order_state, order_display::shown);
  EXPECT_NEAR(st.order_timer.elapsed(), 7.5f, 0.01f);
}

TEST_F(MissionScreenFrame, GroupKeysReplaceOrAddToTheSelection) {
  add_player();
  const team& t = m.team_of(0);
  const auto selected = [&] {
    return std::vector<int>{t.groups[0].selected, t.groups[1].selected, t.groups[2].selected};
  };
  frame({key(33)});
  EXPECT_EQ(selected(), (std::vector<int>{0, 1, 0}));
  frame({key(34), platform::key::right_shift});
  EXPECT_EQ(selected(), (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(st.game.group_modifier, 1);
  frame({key(32)});
  EXPECT_EQ(selected(), (std::vector<int>{1, 0, 0}));
  ASSERT_FALSE(host.messages.empty());
  // The translated text's extra placeholders stay as written.
  EXPECT_NE(host.messages.back().first.find(", hear me! %d %s"), std::string::npos);
  EXPECT_EQ(host.messages.back().second, 0xFFDDEE88u);
  frame({key(31)});
  EXPECT_EQ(selected(), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(host.messages.back().first, "ui_everyone_hear_me");
  // "Others" inverts the selection; leaving none selects all three again.
  frame({key(35)});
  EXPECT_EQ(selected(), (std::vector<int>{1, 1, 1}));
  frame({key(33)});
  frame({key(35)});
  EXPECT_EQ(selected(), (std::vector<int>{1, 0, 1}));
}

TEST_F(MissionScreenFrame, SpectatingLeavesThePlayersKeysAloneButNotTheScreenKeys) {
  frame({key(21)});
  frame({key(31)});
  frame({key(control::inventory_window)});
  frame({key(control::character_window)});
  EXPECT_TRUE(host.calls.empty());
  EXPECT_TRUE(host.messages.empty());
  frame({key(control::game_log_window)});
  frame({platform::key::escape});
  frame({key(control::quick_save)});
  const std::vector<std::string> expected = {"set_window 25", "set_window 5", "quick_save"};
  EXPECT_EQ(host.calls, expected);
}

TEST_F(MissionScreenFrame, QuickSaveIsRefusedInBattlesAndWhileBlocked) {
  add_player();
  st.game.quick_save_blocked = 1;
  frame({key(control::quick_save)});
  mission_template battle;
  battle.flags = 2;
  g_mission_templates.push_back(battle);
  m.template_index = 0;
  st.game.quick_save_blocked = 0;
  frame({});
  frame({key(control::quick_save)});
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0].first, "ui_cant_quick_save");
  EXPECT_EQ(host.messages[1].first, "ui_cant_quick_save");
  // In a battle Escape opens the options instead of the game menu.
  frame({platform::key::escape});
  EXPECT_EQ(host.calls.back(), "set_window 18");
}

TEST_F(MissionScreenFrame, RetreatIsRefusedWithAnEnemyWithinEightUnits) {
  mission_template battle;
  battle.flags = 2;
  g_mission_templates.push_back(battle);
  m.template_index = 0;
  add_player();
  m.set_team_relation(0, 1, -1);
  agent& enemy = spawn_standing_agent(m, agent_kind_human, 1, vec3(8.0f, 0.0f, 0.0f));
  st.prompt = prompt_kind::leave;
  frame({key(control::action)});
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].first, "ui_cant_retreat_there_are_enemies_nearby");
  EXPECT_EQ(host.messages[0].second, 0xFFFF3344u);
  enemy.position().x = 8.01f;
  frame({});
  frame({key(control::action)});
  EXPECT_EQ(host.calls.back(), "push_window 0");
  EXPECT_EQ(st.leave_answer, -1);
  // The box answers "leave": the next frame ends the mission.
  st.leave_answer = 0;
  frame({});
  const std::vector<std::string> tail = {"push_window 0", "triggers -30", "results", "set_window 7"};
  ASSERT_GE(host.calls.size(), tail.size());
  EXPECT_EQ(std::vector<std::string>(host.calls.end() - 4, host.calls.end()), tail);
}

TEST_F(MissionScreenFrame, LeavingOutsideABattleNeedsNoQuestion) {
  add_player();
  st.prompt = prompt_kind::leave;
  frame({key(control::action)});
  EXPECT_EQ(st.leave_answer, 0);
  frame({});
  EXPECT_EQ(host.calls.back(), "set_window 7");
}

TEST_F(MissionScreenFrame, LeaveKeyEndsTheMissionWhenATriggerSaysSo) {
  add_player();
  frame({key(control::leave)});
  EXPECT_EQ(host.calls, (std::vector<std::string>{"triggers -21"}));
  host.leave_trigger_result = 1;
  frame({});
  frame({key(control::leave), platform::key::left_alt});
  EXPECT_EQ(host.calls.size(), 1u);
  frame({});
  frame({key(control::leave)});
  EXPECT_EQ(host.calls.back(), "set_window 7");
}

TEST_F(MissionScreenFrame, DoorsLeadToAnotherSceneOrOutOfIt) {
  add_player();
  host.passages = {passage_leaves_scene, 2, 3};
  st.prompt = prompt_kind::door;
  st.prompt_in_range = 1;
  // A passage index the scene does not have does nothing.
  st.prompt_target = 7;
  frame({key(control::action)});
  EXPECT_TRUE(host.calls.empty());
  st.prompt_target = 1;
  frame({});
  frame({key(control::action)});
  EXPECT_EQ(host.calls, (std::vector<std::string>{"results", "setup 2 0"}));
  EXPECT_EQ(st.game.next_scene, -1);
  // A target at the scene count is an exit, not one past the table.
  host.calls.clear();
  st.prompt_target = 2;
  frame({});
  frame({key(control::action)});
  EXPECT_EQ(host.calls, (std::vector<std::string>{"results", "set_window 7"}));
  host.calls.clear();
  st.prompt_target = 0;
  frame({});
  frame({key(control::action)});
  EXPECT_EQ(host.calls, (std::vector<std::string>{"results", "set_window 7"}));
}

TEST_F(MissionScreenFrame, CheatTimeKeysNeedCheatMode) {
  add_player();
  frame({platform::key::left_control, platform::key::f11});
  EXPECT_FLOAT_EQ(m.frame_time, 0.02f);
  g_ruv_config.cheat_mode = 1;
  frame({});
  frame({platform::key::left_control, platform::key::f11});
  EXPECT_FLOAT_EQ(m.frame_time, 0.0f);
  frame({platform::key::left_control});
  frame({platform::key::left_control, platform::key::f11});
  EXPECT_FLOAT_EQ(m.frame_time, 0.02f);
  frame({platform::key::left_control});
  frame({platform::key::left_control, function_key(9)});
  EXPECT_FLOAT_EQ(m.frame_time, 0.02f * 0.2f);
}

TEST_F(MissionScreenFrame, ZoomNarrowsTheFieldOfViewWithinItsBounds) {
  add_player();
  st.cam.field_of_view = 97.0f;
  frame({key(control::zoom)});
  EXPECT_NEAR(st.cam.field_of_view, 97.0f - 7.0f, 1e-4f);
  for (int i = 0; i < 20; ++i) frame({key(control::zoom)});
  EXPECT_FLOAT_EQ(st.cam.field_of_view, 37.0f);
  for (int i = 0; i < 40; ++i) frame({});
  EXPECT_FLOAT_EQ(st.cam.field_of_view, 97.0f);
}

TEST_F(MissionScreenFrame, TheActionKeyTakesAnItemFromTheGround) {
  g_item_kinds.assign(2, item_kind());
  g_item_kinds[1].flags = 2;
  agent& p = add_player();
  p.wielded_slots = {-1, -1};
  const int lying = m.add_scene_prop_instance(prop_kind_spawned_item, 1, 0, frame::identity());
  st.prompt = prompt_kind::equip;
  st.prompt_in_range = 1;
  st.prompt_target = lying;
  frame({key(control::action)});
  EXPECT_EQ(m.get_agent(m.player_agent)->equipment[0].kind, 1);
  EXPECT_EQ(m.scene_prop_instances[static_cast<std::size_t>(lying)].removed, 1);
  // Pressed again before the prompt moves on: the item is gone, nothing more
  // is taken.
  frame({});
  frame({key(control::action)});
  EXPECT_EQ(m.get_agent(m.player_agent)->equipment[1].kind, -1);
  g_item_kinds.clear();
}

TEST_F(MissionScreenFrame, TheEndGoesToRestOrBackToTheGameMenu) {
  add_player();
  m.end_requested = 1;
  m.end_timer.set_elapsed(1.0f);
  host.resting = true;
  frame({});
  EXPECT_EQ(host.calls, (std::vector<std::string>{"results", "set_window 7"}));

  // Return window 100 hands the end to the dispatcher; a menu with flag 0x10
  // asks to be run again first.
  host.calls.clear();
  host.resting = false;
  self.return_window = return_to_game_menu;
  host.menu_flags = 0x10;
  const int before = host.dispatches;
  frame({});
  EXPECT_EQ(host.calls, (std::vector<std::string>{"results", "menu_refresh"}));
  EXPECT_EQ(host.dispatches, before + 1);
  host.calls.clear();
  host.menu_flags = 0x8;
  frame({});
  EXPECT_EQ(host.calls, (std::vector<std::string>{"results"}));
}

TEST_F(MissionScreenFrame, PresentationsRunOverTheScreenUntilTheirTimeIsUp) {
  g_presentation_table.presentations.resize(2);
  g_presentation_table.presentations[1].flags = 0x1;
  window_container root;
  self.root = &root;
  add_player();
  st.game.request = 15;
  st.game.requested_presentation = 0;
  frame({});
  EXPECT_EQ(st.game.request, 0);
  ASSERT_EQ(g_current_presentation, &self.hosted);
  EXPECT_EQ(st.pending_presentation, 0);
  // It takes the mouse: the cursor shows and the mission keeps no input.
  EXPECT_TRUE(presentation_blocks_input(self));
  self.hosted.duration = 0.0f;
  self.hosted.start -= 100;
  frame({});
  EXPECT_EQ(g_current_presentation, nullptr);
  EXPECT_EQ(st.pending_presentation, -1);
  EXPECT_FALSE(presentation_blocks_input(self));

  // Flag bit 0 leaves the input and the camera to the mission.
  st.game.request = 15;
  st.game.requested_presentation = 1;
  frame({});
  ASSERT_EQ(g_current_presentation, &self.hosted);
  EXPECT_FALSE(presentation_blocks_input(self));
  end_running_presentation();
  self.root = nullptr;
  g_presentation_table.presentations.clear();
}

}  // namespace
}  // namespace hm
