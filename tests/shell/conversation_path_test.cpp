// Conversations and meetings in the running program: from the sample's first
// menu the player meets Lord Aldric's retinue and talks to the lord in the
// conversation window, then meets the retinue in the meeting window; in town
// the merchant trades. Each way a talk ends (leave, a battle, the notes, a
// trade) goes where the window sends it, and a meeting's attack leads to a
// battle.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "campaign/game/campaign_game.h"
#include "engine/core/timer.h"
#include "mission/records/mission.h"
#include "module/loading/game.h"
#include "module/records/mission_template.h"
#include "platform/gpu/null_device.h"
#include "platform/window.h"
#include "script/dialog/conversation.h"
#include "script/ops/encounter.h"
#include "shell/game_application.h"
#include "shell/state/state_dispatcher.h"
#include "shell/support/shell_test_support.h"
#include "shell/support/started_game.h"
#include "ui/conversation/conversation_window.h"
#include "ui/meeting/meeting_window.h"
#include "ui/notes/game_log_window.h"
#include "ui/notes/note_window.h"
#include "ui/notes/quests_window.h"
#include "ui/text/rich_text.h"
#include "ui/menus/game_menu_window.h"
#include "ui/widget/container.h"
#include "ui/windows/window_manager.h"

using namespace hm;

namespace {


constexpr std::int32_t lord = 9;
constexpr std::int32_t merchant = 5;
constexpr std::int32_t retinue = 7;

class TalkingGame : public test::started_game {
 protected:
  void SetUp() override {
    ASSERT_NE(app, nullptr);
    // Every test starts from the first menu, the stand-in for the map.
    g_meta_mission.request_mask = 0;
    g_window_switch_state.launch_mode = 0;
    app->campaign()->campaign_host.game_words().current_menu = 0;
    g_window_manager.window(window_id::game_menu)->return_window = window_id::character;
    g_window_manager.set_window(window_id::game_menu);
    frame();
    ASSERT_EQ(g_window_manager.top_id(), window_id::game_menu);
  }
  // Clicks the shown option with that text in the game menu.
  static void take_menu_option(const std::string& text) {
    auto* menu = dynamic_cast<game_menu_window*>(g_window_manager.top());
    ASSERT_NE(menu, nullptr);
    int found = -1;
    for (int i = 0; i < menu->option_count; ++i)
      if (std::string(menu->option_buttons[static_cast<std::size_t>(i)]->text.view()) == text) found = i;
    ASSERT_GE(found, 0) << text;
    menu->option_buttons[static_cast<std::size_t>(found)]->raise_event(ui_event::clicked);
    menu->frame(0.02f);
    frame();
  }
  static conversation_window* talk() { return dynamic_cast<conversation_window*>(g_window_manager.top()); }
  static std::vector<std::string> answers() {
    std::vector<std::string> out;
    conversation_window* w = talk();
    if (!w) return out;
    for (int i = 0; i < w->choice_count; ++i)
      out.emplace_back(w->choice_buttons[static_cast<std::size_t>(i)]->text.view());
    return out;
  }
  // The player's answer i, as a click on its button in the window's frame.
  static void answer(int i) {
    conversation_window* w = talk();
    ASSERT_NE(w, nullptr);
    ASSERT_LT(i, w->choice_count);
    w->choice_buttons[static_cast<std::size_t>(i)]->raise_event(ui_event::clicked);
    w->frame(0.02f);
  }
  // A click to go on while no answers are offered; the close code it met.
  static std::int32_t go_on() {
    conversation_window* w = talk();
    EXPECT_NE(w, nullptr);
    if (!w) return 0;
    EXPECT_LT(w->choice_count, 2);
    std::int32_t result = 0;
    w->choose(-2, result);
    if (result != 0) w->act_on_result(result);
    frame();
    return result;
  }
  static void meet_the_lord() {
    take_menu_option("Meet Lord Aldric's retinue on the road");
    ASSERT_EQ(g_window_manager.top_id(), window_id::conversation);
    EXPECT_EQ(g_conversation.partner_troop, lord);
    EXPECT_EQ(std::string(talk()->partner_label->text.view()), "Lord Aldric looks you over. Speak, traveller.");
    EXPECT_EQ(std::string(talk()->utterer_name_label->text.view()), "Lord Aldric");
  }

};

TEST_F(TalkingGame, TheLordIsMetInTheConversationWindowAndTheTalkEndsInTheMeeting) {
  ASSERT_NO_FATAL_FAILURE(meet_the_lord());
  // He stands in the talk's scene: the scene conversation set the mission up
  // with the menu's jump values (the village, the town template).
  EXPECT_EQ(current_mission->scene_index, 1);
  EXPECT_EQ(current_mission->template_index, 0);
  EXPECT_GE(g_conversation.partner_agent, 0);
  EXPECT_EQ(answers(), (std::vector<std::string>{"I have come to test my sword against yours!",
                                                 "What news of the march, my lord?",
                                                 "May I see your notes on the march?",
                                                 "Forgive me, my lord. I must go."}));
  EXPECT_TRUE(talk()->press_mouse_label->is_hidden());

  // News: the lord answers and the same four answers come back.
  answer(1);
  EXPECT_EQ(std::string(talk()->partner_label->text.view()),
            "The looters grow bold on the road. Keep your blade close.");
  EXPECT_EQ(answers().size(), 4u);

  // Leaving: his farewell, then a click ends the talk with code 1; the
  // dispatcher finds no menu to go back to on the road and opens the
  // meeting with the retinue.
  answer(3);
  EXPECT_EQ(std::string(talk()->partner_label->text.view()), "Go with care.");
  EXPECT_EQ(talk()->choice_count, 0);
  EXPECT_FALSE(talk()->press_mouse_label->is_hidden());
  EXPECT_EQ(go_on(), conversation_code::leave);
  ASSERT_EQ(g_window_manager.top_id(), window_id::meeting);
  auto* meeting = dynamic_cast<meeting_window*>(g_window_manager.top());
  ASSERT_NE(meeting, nullptr);
  EXPECT_EQ(meeting->meeting_item_count, 2);
  EXPECT_EQ(g_meta_mission.encounter.second_party, retinue);
  // The player's party in the first panel; the met party stands on the
  // other side, in the third, with the lord (a hero, by his health) and his
  // men; nobody is on the player's side of the encounter.
  EXPECT_EQ(std::string(meeting->party_panels[0]->text.view()), "Player's Party");
  EXPECT_TRUE(meeting->party_panels[1]->children.empty());
  const container& met = *meeting->party_panels[2];
  EXPECT_EQ(std::string(met.text.view()), "Lord Aldric's Retinue");
  ASSERT_EQ(met.children.size(), 2u);
  EXPECT_EQ(std::string(met.children[0]->text.view()), "Lord Aldric 100%");
  EXPECT_EQ(std::string(met.children[1]->text.view()), "Swordsman (4/4)");

  // Attack: no outcome entry is drawn, so the battle of the module's field
  // kind is asked for and its briefing opens.
  meeting->draw_percent = [] { return 0; };
  meeting->choice_buttons[0]->raise_event(ui_event::clicked);
  meeting->frame(0.02f);
  EXPECT_EQ(g_meta_mission.encounter.flags & 0x20u, 0x20u);
  EXPECT_EQ(g_window_manager.top_id(), window_id::mission);
  ASSERT_GE(current_mission->template_index, 0);
  EXPECT_EQ(g_mission_templates[static_cast<std::size_t>(current_mission->template_index)].mission_type,
            g_meta_mission.mission_type);
}

TEST_F(TalkingGame, TheLordsChallengeEndsTheTalkInABattle) {
  ASSERT_NO_FATAL_FAILURE(meet_the_lord());
  answer(0);
  EXPECT_EQ(std::string(talk()->partner_label->text.view()), "Then we settle it on the field!");
  // The click after his answer meets the battle code: the field battle on
  // its own scene, against his retinue.
  EXPECT_EQ(go_on(), conversation_code::mission);
  EXPECT_EQ(g_window_manager.top_id(), window_id::mission_screen);
  EXPECT_EQ(current_mission->template_index, 2);
  EXPECT_EQ(current_mission->scene_index, 3);
  EXPECT_EQ(app->campaign()->campaign_host.game_words().encountered_party, retinue);
}

TEST_F(TalkingGame, TheLordsNotesChangeTheScreenToTheNotesWindow) {
  ASSERT_NO_FATAL_FAILURE(meet_the_lord());
  answer(2);
  EXPECT_EQ(go_on(), conversation_code::notes);
  EXPECT_EQ(g_window_manager.top_id(), window_id::note);
  EXPECT_EQ(g_window_manager.window(window_id::note)->return_window, window_id::conversation);
  EXPECT_EQ(app->campaign()->campaign_host.game_words().notes_kind, 1);
  EXPECT_EQ(app->campaign()->campaign_host.game_words().notes_id, lord);

  // The module wrote the lord's note at the start of the game: his page
  // shows it, links on to Westmarch, and Westmarch's page links back.
  auto* notes = dynamic_cast<note_window*>(g_window_manager.top());
  ASSERT_NE(notes, nullptr);
  EXPECT_EQ(notes->current, (note_page{1, lord}));
  EXPECT_EQ(std::string(notes->title_text.view()), "Lord Aldric");
  EXPECT_EQ(notes->data_text.rfind("Lord Aldric keeps the peace of the march from <p=2>Westmarch</>.", 0), 0u);
  ASSERT_NE(notes->data, nullptr);
  const auto to_town = std::find_if(notes->data->links.begin(), notes->data->links.end(),
                                    [](const link_rect& r) { return r.kind == 3 && r.id == 2; });
  ASSERT_NE(to_town, notes->data->links.end());
  notes->data->clicked_rect = static_cast<std::int32_t>(to_town - notes->data->links.begin());
  notes->data->raise_event(ui_event::clicked);
  notes->frame(0.02f);
  EXPECT_EQ(notes->current, (note_page{3, 2}));
  EXPECT_NE(notes->data_text.find("<trp=9>Lord Aldric</>"), std::string::npos);
  notes->back_button->raise_event(ui_event::clicked);
  notes->frame(0.02f);
  EXPECT_EQ(notes->current, (note_page{1, lord}));
  // Return goes back to the talk.
  notes->tabs[static_cast<std::size_t>(note_tab::back)]->raise_event(ui_event::clicked);
  notes->frame(0.02f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::conversation);
}

// The quest the lord gives at the start is in the quest log, and the
// message that told of it is in the game log with its link.
TEST_F(TalkingGame, TheStartingQuestIsInTheQuestLogAndItsMessageInTheGameLog) {
  auto* quests = dynamic_cast<quests_window*>(g_window_manager.window(window_id::quests));
  ASSERT_NE(quests, nullptr);
  quests->mode = 0;
  quests->return_window = window_id::game_menu;
  g_window_manager.set_window(window_id::quests);
  ASSERT_EQ(quests->rows.size(), 1u);
  EXPECT_EQ(std::string(quests->rows[0]->text.view()), "Clear the Looters");
  quests->rows[0]->raise_event(ui_event::clicked);
  quests->frame(0.02f);
  EXPECT_EQ(std::string(quests->name_area->text.view()), "Clear the Looters");
  EXPECT_NE(std::string(quests->text_area->text.view()).find("Drive the looters from the road."), std::string::npos);
  quests->finished_button->raise_event(ui_event::clicked);
  quests->frame(0.02f);
  EXPECT_TRUE(quests->rows.empty());
  quests->done_button->raise_event(ui_event::clicked);
  quests->frame(0.02f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::game_menu);

  auto* log = dynamic_cast<game_log_window*>(g_window_manager.window(window_id::game_log));
  ASSERT_NE(log, nullptr);
  log->mode = 1;
  log->return_window = window_id::game_menu;
  g_window_manager.set_window(window_id::game_log);
  ASSERT_NE(log->text, nullptr);
  EXPECT_NE(std::string(log->text->text.view()).find("\t<trp=9>Lord Aldric</> asks you to clear the looters"),
            std::string::npos);
  ASSERT_FALSE(log->text->links.empty());
  EXPECT_EQ(log->text->links.front().kind, 1);
  EXPECT_EQ(log->text->links.front().id, lord);
}

TEST_F(TalkingGame, TheMerchantInTownTradesAndTheTalkGoesOnAfterwards) {
  take_menu_option("Ride to the town");
  ASSERT_EQ(g_window_manager.top_id(), window_id::game_menu);
  take_menu_option("Visit the merchant's stall");
  ASSERT_EQ(g_window_manager.top_id(), window_id::conversation);
  EXPECT_EQ(g_conversation.partner_troop, merchant);
  EXPECT_EQ(answers(), (std::vector<std::string>{"Show me your goods.", "Not today."}));
  // The trade's one-time tutorial box is not part of this.
  g_game->inventory_tutorial_shown = true;
  answer(0);
  EXPECT_EQ(go_on(), conversation_code::trade);
  ASSERT_EQ(g_window_manager.top_id(), window_id::inventory);
  const game_window* inventory = g_window_manager.window(window_id::inventory);
  EXPECT_EQ(inventory->mode, 2);
  EXPECT_EQ(inventory->parameters[0], merchant);
  EXPECT_EQ(inventory->return_window, window_id::conversation);
  // Back from the trade the merchant asks on; the code is not met again.
  g_window_manager.set_window(window_id::conversation);
  EXPECT_EQ(std::string(talk()->partner_label->text.view()), "Anything else?");
  EXPECT_EQ(answers(), (std::vector<std::string>{"Show me your goods.", "Not today."}));
  answer(1);
  EXPECT_EQ(go_on(), conversation_code::leave);
  // The talk was asked for from the town's menu, which comes back.
  EXPECT_EQ(g_window_manager.top_id(), window_id::game_menu);
  EXPECT_EQ(app->campaign()->campaign_host.game_words().current_menu, 1);
}

}  // namespace
