// Messages, the message history, notes, tableau materials, the message box and
// the message text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/dialog/conversation.h"
#include "script/executor.h"
#include "script/game_hooks.h"
#include "script/operand.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::make_block;

std::int64_t module_string(int i) { return make_operand(operand_tag::module_string, i); }

struct message_world {
  message_world() {
    host.module.module_strings = 4;
    host.module.module_string_records = {{"str_0", "zero"}, {"str_1", "Notice"}, {"str_2", "Yes"}, {"str_3", "No"}};
    host.module.troops = 3;
    host.module.factions = 2;
    host.module.quests = 2;
    host.module.troop_stat_records[2].name = "Ivo";
    host.campaign.add_party(0);
    host.campaign.day = 12;
    host.render.tableaus = 3;
    g_script_state.string_registers[5] = ruv_string("Hello {reg0}^there");
    clear_hook_script_map();
  }
  ~message_world() { clear_hook_script_map(); }
  bool run(std::uint32_t opcode, std::vector<std::int64_t> params, std::int32_t context = 0) {
    statement_block block = make_block({{opcode, std::move(params)}});
    return run_statement_block(block, context);
  }
  fake_script_host host;
};

TEST(message_operations, display_and_history) {
  message_world w;
  w.host.engine.edit_mode = true;
  w.run(1105, {5, 0});
  w.run(1105, {module_string(1), 0xFF00FF00});
  w.run(1106, {module_string(2), 0});
  ASSERT_EQ(w.host.ui.messages.size(), 3u);
  EXPECT_EQ(w.host.ui.messages[0].text, "Hello <reg0>\nthere");
  EXPECT_EQ(w.host.ui.messages[0].colour, 0xFFFFFFFFu);
  EXPECT_EQ(w.host.ui.messages[1].colour, 0xFF00FF00u);
  // Without a date hook the date text is empty; white is written as -1.
  EXPECT_EQ(std::string(w.host.campaign.words.message_history.view()),
            "|-1|Hello <reg0>\nthere||" + std::to_string(static_cast<std::int32_t>(0xFF00FF00u)) + "|Notice");
  EXPECT_EQ(w.host.engine.log.size(), 2u);

  // A string operand out of range: the validator's report and nothing shown.
  w.host.ui.messages.clear();
  w.run(1105, {module_string(9), 0});
  ASSERT_FALSE(w.host.ui.messages.empty());
  EXPECT_EQ(w.host.ui.messages[0].text.rfind("SCRIPT ERROR ON OPCODE 1105: Invalid String ID: 9", 0), 0u);

  w.run(1107, {1});
  EXPECT_TRUE(w.host.ui.message_list_flag);
  w.run(1122, {module_string(2), 0});
  EXPECT_EQ(w.host.ui.message_text, "Yes");
  EXPECT_EQ(w.host.ui.message_text_colour, 0xFFFFFFFFu);
  w.run(1122, {module_string(7), 0xFF112233});
  EXPECT_EQ(w.host.ui.message_text, "");
}

// The history grows in place: a long game's messages do not each copy the
// whole history into a new buffer.
TEST(message_operations, history_grows_without_a_new_buffer_each_message) {
  message_world w;
  const ruv_string& history = w.host.campaign.words.message_history;
  int new_buffers = 0;
  const char* buffer = nullptr;
  for (int i = 0; i < 400; ++i) {
    w.run(1105, {module_string(1), 0});
    if (history.data() != buffer) ++new_buffers;
    buffer = history.data();
  }
  // "||-1|Notice" each (no date), the first without its leading bar.
  EXPECT_EQ(history.length(), 400 * 11 - 1);
  EXPECT_LT(new_buffers, 20);
}

TEST(message_operations, notes_and_tableaus) {
  message_world w;
  // From a string: slot 7 works, slot 8 does nothing; a date when asked.
  w.run(1113, {1, 7, module_string(1), 1});
  w.run(1113, {1, 8, module_string(1), 1});
  w.run(1117, {2, 0, module_string(2), 0});
  w.run(1119, {0, 3, module_string(3), 1});
  const script_record_data* quest = w.host.module.record_data(script_record_kind::quest, 1);
  EXPECT_EQ(quest->notes[7].text, "Notice");
  EXPECT_EQ(quest->notes[7].date, 12);
  EXPECT_EQ(w.host.module.record_data(script_record_kind::troop, 2)->notes[0].date, -1);
  EXPECT_EQ(w.host.campaign.find(0)->data.notes[3].text, "No");

  // From the dialog line: only inside a dialog consequence.
  g_conversation.lines.resize(1);
  g_conversation.lines[0].speaker_word = dialog_bits::any_partner;
  g_conversation.current_line = 0;
  g_conversation.partner_troop = 2;
  g_conversation.current_text = ruv_string("Take this letter.");
  w.run(1115, {1, 2, 1});
  EXPECT_EQ(w.host.module.record_data(script_record_kind::faction, 1)->notes[2].text, "");
  w.run(1115, {1, 2, 1}, 4);
  EXPECT_EQ(w.host.module.record_data(script_record_kind::faction, 1)->notes[2].text, "Ivo: Take this letter.");
  EXPECT_EQ(w.host.module.record_data(script_record_kind::faction, 1)->notes[2].date, 12);

  w.run(1108, {2, 2});
  w.run(1111, {0, 3});  // no such tableau
  EXPECT_EQ(w.host.module.record_data(script_record_kind::troop, 2)->tableau_material, 2);
  EXPECT_EQ(w.host.module.record_data(script_record_kind::quest, 0)->tableau_material, -1);
}

TEST(message_operations, message_box) {
  message_world w;
  w.run(1120, {module_string(2)});
  EXPECT_EQ(w.host.ui.box_mode, 0);
  EXPECT_EQ(w.host.ui.box_title, "Notice");
  EXPECT_EQ(w.host.ui.box_text, "Yes");
  EXPECT_EQ(w.host.ui.windows, std::vector<int>{0});
  // Showing already: nothing changes.
  w.run(1121, {module_string(3)});
  EXPECT_EQ(w.host.ui.box_mode, 0);
  EXPECT_EQ(w.host.ui.windows.size(), 1u);

  w.host.ui.windows.clear();
  w.run(1121, {module_string(1), module_string(3), 0});
  EXPECT_EQ(w.host.ui.box_mode, 1);
  EXPECT_EQ(w.host.ui.box_title, "");
  EXPECT_EQ(w.host.ui.box_first, "No");
  EXPECT_EQ(w.host.ui.box_second, "No");
  EXPECT_EQ(w.host.ui.box_answer, &w.host.campaign.words.answer);
  EXPECT_EQ(w.host.ui.windows, std::vector<int>{0});

  // A title given as a module string beyond the table falls back quietly.
  w.host.ui.windows.clear();
  w.host.ui.messages.clear();
  w.run(1120, {module_string(0), module_string(9)});
  EXPECT_EQ(w.host.ui.box_title, "Notice");
  EXPECT_EQ(w.host.ui.box_answer, nullptr);
  EXPECT_TRUE(w.host.ui.messages.empty());
}

}  // namespace
}  // namespace hm
