#include "shell/state/state_dispatcher.h"

#include <gtest/gtest.h>

#include "engine/core/random.h"
#include "script/script_errors.h"
#include "script/interpreter_state.h"
#include "tests/shell/state/recording_hosts.h"

namespace hm {
namespace {

using calls_t = std::vector<std::string>;

class Dispatcher : public testing::Test {
 protected:
  void SetUp() override { init_meta_mission(m); }
  calls_t dispatch() {
    host.calls.clear();
    std::uint8_t switched = 0;
    dispatch_meta_mission_requests(host, m, state, switched);
    EXPECT_EQ(switched, 1);
    return host.calls;
  }
  test::recording_hosts host;
  meta_mission_words m;
  window_switch_dispatcher state;
};

TEST_F(Dispatcher, StartsFromTheGameMenuRequestWithTheIdsUnset) {
  EXPECT_EQ(m.request_mask, 0x400u);
  EXPECT_EQ(m.encounter.first_party, -1);
  EXPECT_EQ(m.encounter.second_party, -1);
  EXPECT_EQ(m.encounter_event, -1);
  EXPECT_EQ(m.other_party, -1);
  EXPECT_EQ(m.conversation_party, -1);
  EXPECT_EQ(m.conversation_troop, -1);
  EXPECT_EQ(m.jump_template, -1);
  EXPECT_EQ(m.jump_value_1, -1);
  EXPECT_EQ(m.jump_value_2, -1);
  EXPECT_EQ(m.encounter.flags, 0u);
  EXPECT_EQ(m.mission_sequence, 0);
}

TEST_F(Dispatcher, ServesOneRequestACallLowestBitFirst) {
  m.request_mask |= 0x8 | 0x10 | 0x200;
  host.words.jump_template = 5;
  host.words.jump_scene = 12;
  host.words.jump_entry = 3;
  m.scene_param = 7;
  m.encounter.side = 1;
  m.encounter.advantage = 2;
  m.mission_sequence = 4;

  EXPECT_EQ(dispatch(), (calls_t{"prepare 5 12 3 2 7 1", "set_up_mission 4", "reset 14", "return 14 100",
                                 "set_window 14"}));
  EXPECT_EQ(m.request_mask, 0x610u);
  EXPECT_EQ(m.mission_sequence, 5);
  EXPECT_EQ(m.jump_template, 5);
  // The debrief opens over the mission screen.
  EXPECT_EQ(dispatch(), (calls_t{"mode 11 0", "return 11 100", "push_window 11"}));
  EXPECT_EQ(m.request_mask, 0x600u);
  EXPECT_EQ(dispatch(), (calls_t{"message ui_autosaving", "save -1", "return 7 100", "set_window 7"}));
  EXPECT_EQ(m.request_mask, 0x400u);
  EXPECT_EQ(dispatch(), (calls_t{"return 6 100", "set_window 6"}));
  EXPECT_EQ(m.request_mask, 0u);
}

TEST_F(Dispatcher, EachRequestOpensItsScreen) {
  struct row {
    std::uint32_t bit;
    calls_t expected;
  };
  m.encounter.first_party = 3;
  m.encounter.second_party = 4;
  m.conversation_troop = 9;
  m.other_party = 11;
  m.conversation_party = 5;
  host.words.conversation_troop = 21;
  const row rows[] = {
      {0x1, {"conversation 103 1003 3 1", "return 16 100", "set_window 16"}},
      {0x2, {"conversation 9 -1 11 3", "return 16 100", "set_window 16"}},
      {0x20, {"conversation 105 -1 5 2", "return 16 100", "set_window 16"}},
      {0x40, {"conversation 104 -1 4 4", "return 16 100", "set_window 16"}},
      {0x80, {"mode 8 1", "return 8 100", "set_window 8"}},
      {0x100, {"mode 12 4", "return 12 100", "set_window 12"}},
      {0x800,
       {"prepare 0 -1 0 0 0 0", "set_up_mission 0", "mission_frames 2", "scene_conversation 21 3", "return 16 100",
        "set_window 16"}},
      {0x1000, {"return 27 100", "set_window 27"}},
      {0x2000, {"return 26 100", "set_window 26"}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.bit);
    state = {};
    m.request_mask = r.bit;
    EXPECT_EQ(dispatch(), r.expected);
    EXPECT_EQ(state.in_conversation, r.bit == 0x1 ? 1 : 0);
  }
}

TEST_F(Dispatcher, NoRequestOpensTheMeetingTheGameMenuOrTheMap) {
  struct row {
    std::uint32_t mask;
    std::int32_t launch_mode;
    std::int32_t return_to_map;
    int window;
    std::int32_t return_to_map_after;
  };
  const row rows[] = {
      {0, 0, 0, 6, 0},        {0, 2, 0, 23, 0},      {0, 2, 1, 7, 0},         {0, 0, 1, 7, 0},
      {0x400, 0, 1, 6, 1},    {0x400, 3, 1, 7, 0},   {0x400, 3, 0, 23, 0},    {0x4000, 0, 0, 6, 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.mask << " " << r.launch_mode << " " << r.return_to_map);
    m.request_mask = r.mask;
    state = {};
    state.launch_mode = r.launch_mode;
    host.words.return_to_map = r.return_to_map;
    host.words.no_autosave = 1;
    dispatch();
    EXPECT_EQ(host.top, r.window);
    EXPECT_EQ(host.words.return_to_map, r.return_to_map_after);
    EXPECT_EQ(state.menu_opened, r.window == 23 ? 1 : 0);
    if (r.window == 23) {
      EXPECT_EQ(host.calls.front(), "reset 23");
    }
  }
}

TEST_F(Dispatcher, MissionTemplateOfTheRequestedTypeIsDrawnAmongTheMatches) {
  for (int type : {1, 2, 1, 3, 1}) {
    mission_template t;
    t.mission_type = type;
    host.templates.push_back(std::move(t));
  }
  m.encounter.advantage = 2;
  m.scene_param = 8;
  m.mission_type = 1;
  // Seed 1 draws 41, 18467, 6334: modulo 3 they pick the third, third and
  // second of the matches 0, 2 and 4.
  random_seed(1);
  for (int expected : {4, 4, 2}) {
    m.request_mask = 0x4;
    EXPECT_EQ(dispatch(), (calls_t{"prepare " + std::to_string(expected) + " 0 0 2 8 0", "return 10 100",
                                   "set_window 10"}));
  }
  EXPECT_EQ(m.chosen_type, 1);

  // A single match is taken without a draw.
  const std::uint32_t before = random_state();
  m.mission_type = 3;
  EXPECT_EQ(find_mission_template_for_mission_type(host, m), 3);
  EXPECT_EQ(random_state(), before);

  // None: the module is told and the game stays where it is.
  g_interpreter.error_flag = 0;
  m.mission_type = 9;
  m.request_mask = 0x4 | 0x400;
  EXPECT_TRUE(dispatch().empty());
  EXPECT_EQ(g_interpreter.error_flag, 1);
  EXPECT_EQ(m.chosen_type, 9);
  EXPECT_EQ(m.request_mask, 0x400u);
}

TEST_F(Dispatcher, ResultAdvantageIsBiasedAndCappedAtSix) {
  struct row {
    std::int32_t kind;
    std::uint32_t flags;
    std::int32_t battle;
    std::int32_t word;
    std::int32_t advantage;
    std::int32_t change;
  };
  // Start advantage 2 each time.
  const row rows[] = {
      {3, 0, 5, 0x300, 6, 4},   // 5 + 3 = 8, held to 6
      {4, 0, 3, 0xA00, 1, -1},  // bias 10 counts down: -2
      {3, 0, 1, 0x800, 6, 4},   // 1 + 8 = 9
      {3, 0, 4, 0xF00, -3, -5}, // bias 15: -7
      {0, 0, 5, 0x300, 2, 0},   // no battle: untouched
      {3, 16, 5, 0x300, 2, 0},  // flag 16: untouched
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.word);
    init_meta_mission(m);
    m.mission_kind = r.kind;
    m.encounter.flags = r.flags;
    m.encounter.advantage = 2;
    host.advantage_of_battle = r.battle;
    apply_result_flags(host, m, r.word);
    EXPECT_EQ(m.encounter.advantage, r.advantage);
    EXPECT_EQ(m.advantage_change, r.change);
  }
}

TEST_F(Dispatcher, ResultFlagsEndTheEncounter) {
  // The second side joins and the result is forced.
  m.mission_kind = 4;
  m.request_mask = 0;
  host.words.encounter_active = 1;
  apply_result_flags(host, m, 0x40 | 0x2000000);
  EXPECT_EQ(m.encounter.flags, 0xA0u);
  EXPECT_EQ(m.second_side_joined, 1);
  EXPECT_EQ(m.result_flags, 323);
  EXPECT_EQ(m.result_set, 1);
  EXPECT_EQ(m.encounter_finished, 1);
  EXPECT_EQ(m.finish_posted, 1);
  EXPECT_EQ(m.request_mask, 0x600u);
  EXPECT_EQ(host.words.encounter_active, 0);
  // Posted once only.
  m.request_mask = 0;
  apply_result_flags(host, m, 0x1);
  EXPECT_EQ(m.request_mask, 0u);

  // Spent troops end it unless reinforcements come.
  for (const auto& [reinforcements, ends] : {std::pair{0, true}, std::pair{1, false}}) {
    init_meta_mission(m);
    m.mission_kind = 3;
    m.encounter.flags = 128;
    m.reinforcements = reinforcements;
    host.spent = true;
    apply_result_flags(host, m, 0);
    EXPECT_EQ(m.result_flags == 323, ends);
    EXPECT_EQ(m.encounter_finished == 1, ends);
  }

  // Flag values 4 and 8: the clearing bit wins over the setting bit.
  struct flag_row {
    std::uint32_t before;
    std::int32_t word;
    std::uint32_t after;
  };
  for (const flag_row& r : {flag_row{4, 0x1000 | 0x2000, 0}, flag_row{0, 0x2000, 4}, flag_row{8, 0x4000 | 0x8000, 0},
                            flag_row{0, 0x8000, 8}}) {
    init_meta_mission(m);
    m.encounter.flags = r.before;
    apply_result_flags(host, m, r.word);
    EXPECT_EQ(m.encounter.flags, r.after) << r.word;
  }

  // Choosing a side asks for the game menu again; 0x4 for the conversation.
  init_meta_mission(m);
  m.request_mask = 0;
  host.calls.clear();
  apply_result_flags(host, m, 0x20 | 0x4);
  EXPECT_EQ(host.calls, (calls_t{"side 1"}));
  EXPECT_EQ(m.request_mask, 0x401u);
}

TEST_F(Dispatcher, ConversationResultIsAppliedBeforeTheNextRequest) {
  // A conversation that ended without a result finishes the encounter while
  // the game runs on the map: its result is applied and the map opens.
  m.request_mask = 0x400;
  state.in_conversation = 1;
  EXPECT_EQ(dispatch(),
            (calls_t{"apply_results", "message ui_autosaving", "save -1", "return 7 100", "set_window 7"}));
  EXPECT_EQ(state.in_conversation, 0);
  EXPECT_EQ(host.words.conversation_result, 0);
  EXPECT_EQ(m.apply_pending, 0);

  // In a start without the map it stays unfinished; the menu's result word
  // is applied too.
  init_meta_mission(m);
  state = {};
  state.launch_mode = 2;
  state.in_conversation = 1;
  host.words.menu_result = 0x10;
  host.words.no_autosave = 1;
  EXPECT_EQ(dispatch(), (calls_t{"side 0", "reset 23", "return 23 100", "set_window 23"}));
  EXPECT_EQ(host.words.menu_result, 0);
  EXPECT_EQ(m.encounter_finished, 0);
  EXPECT_EQ(m.request_mask, 0u);
}

}  // namespace
}  // namespace hm
