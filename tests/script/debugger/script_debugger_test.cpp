// The script debugger: the annotated statement text, the script and
// statement lists read from the module system's folder, and stepping a small
// script with the keys 1 to 5, headless.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/settings_store.h"
#include "script/debugger/debugger_window.h"
#include "script/debugger/script_debugger.h"
#include "script/debugger/watch_text.h"
#include "script/executor.h"
#include "script/game_hooks.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::local;
using test::make_block;
using test::reg;

namespace fs = std::filesystem;

const std::string module_scripts =
    "scripts = [\n"
    "  # the first script\n"
    "  (\"first_script\",\n"
    "   [\n"
    "     (assign, reg0, 5),\n"
    "     (store_add, \":total\", reg0, -1),\n"
    "     (call_script, \"script_second_script\", \":total\"),\n"
    "     (assign, reg3, 1),\n"
    "   ]),\n"
    "  (\"second_script\",\n"
    "   [\n"
    "     (store_script_param_1, \":value\"),\n"
    "     (val_add, reg1, \":value\"),\n"
    "   ]),\n"
    "  (\"loop_script\",\n"
    "   [\n"
    "     (try_for_range, \":i\", 0, 3),\n"
    "       (val_add, reg2, 1),\n"
    "     (try_end),\n"
    "   ]),\n"
    "]\n";

const std::string script_ids =
    "script_first_script = 0\n"
    "script_second_script = 1\n"
    "\n"
    "script_loop_script = 2\n";

// The blocks the source above compiles to.
std::vector<statement_block> compiled_scripts() {
  std::vector<statement_block> s;
  s.push_back(make_block({{opcode::assign, {reg(0), 5}},
                          {opcode::store_add, {local(0), reg(0), -1}},
                          {opcode::run_script, {1, local(0)}},
                          {opcode::assign, {reg(3), 1}}},
                         "script: first_script"));
  s.push_back(make_block({{opcode::fetch_script_param_0, {local(0)}}, {opcode::val_add, {reg(1), local(0)}}},
                         "script: second_script"));
  s.push_back(make_block({{opcode::loop_for_range, {local(0), 0, 3}},
                          {opcode::val_add, {reg(2), 1}},
                          {opcode::try_end, {}}},
                         "script: loop_script"));
  return s;
}

// The text between two positions of the source, for a statement's range.
std::string statement_at(std::string_view source, source_span span) {
  return std::string(source.substr(span.begin, span.end - span.begin));
}

// Answers each stop with the next key and records where it stopped and what
// the debugger showed.
class scripted_view final : public script_debugger_view {
 public:
  explicit scripted_view(std::deque<debugger_key> k) : keys(std::move(k)) {}
  debugger_key wait_for_key(script_debugger& debugger) override {
    stops.push_back(statement_at(debugger.source(), debugger.current_statement()));
    if (keys.empty()) return debugger_key::run_script;
    const debugger_key key = keys.front();
    keys.pop_front();
    return key;
  }
  void show_message(const std::string& text, const std::string& caption) override {
    messages.emplace_back(caption, text);
  }
  std::deque<debugger_key> keys;
  std::vector<std::string> stops;
  std::vector<std::pair<std::string, std::string>> messages;
};

class debugger_fixture : public ::testing::Test {
 protected:
  debugger_fixture() {
    folder = fs::temp_directory_path() / ("hoofmarch_debugger_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "module_scripts.py") << module_scripts;
    std::ofstream(folder / "ID_scripts.py") << script_ids;
    host.module.scripts = compiled_scripts();
    host.module.script_names = {"first_script", "second_script", "loop_script"};
    clear_hook_script_map();
  }
  ~debugger_fixture() override {
    set_script_debug_hook(nullptr);
    fs::remove_all(folder);
  }
  std::string folder_text() const { return folder.string() + "/"; }
  // A block that calls a script from the engine, as a trigger would.
  bool call(int script) {
    statement_block caller = make_block({{opcode::run_script, {script}}}, "trigger");
    return run_statement_block(caller, 0);
  }

  fake_script_host host;
  fs::path folder;
};

// --- the annotated statement -------------------------------------------------

TEST_F(debugger_fixture, watch_text_annotates_registers_and_locals_only) {
  statement_block& first = host.module.scripts[0];
  std::int64_t locals[script_local_count] = {};
  locals[0] = 4;
  g_script_state.registers[0] = 5;
  std::size_t start = 0, end = 0;
  // The opcode's name and the literal -1 stay bare.
  EXPECT_EQ(debugger_watch_text(module_scripts, first, locals, 1, start, end),
            "store_add, \":total\" = 4, reg0 = 5, -1");
  EXPECT_EQ(module_scripts.substr(start, end - start), "store_add, \":total\", reg0, -1");

  // Statement 0 is the first parenthesised statement after the name;
  // statement 2 comes after two "),".
  EXPECT_EQ(debugger_watch_text(module_scripts, first, locals, 0, start, end), "assign, reg0 = 5, 5");
  EXPECT_EQ(debugger_watch_text(module_scripts, first, locals, 2, start, end),
            "call_script, \"script_second_script\" = 1, \":total\" = 4");

  // Low 32 bits, signed.
  g_script_state.registers[0] = (std::int64_t{1} << 32) + 5;
  EXPECT_EQ(debugger_watch_text(module_scripts, first, locals, 0, start, end), "assign, reg0 = 5, 5");
  g_script_state.registers[0] = -1;
  EXPECT_EQ(debugger_watch_text(module_scripts, first, locals, 0, start, end), "assign, reg0 = -1, 5");
}

TEST_F(debugger_fixture, watch_text_of_an_annotated_line_keeps_one_value_per_parameter) {
  std::string source = module_scripts;
  const std::string bare = "(store_add, \":total\", reg0, -1),";
  source.replace(source.find(bare), bare.size(), "(store_add, \":total\" = 9, reg0 = 7, -1),");
  std::int64_t locals[script_local_count] = {};
  locals[0] = 4;
  g_script_state.registers[0] = 5;
  std::size_t start = 0, end = 0;
  EXPECT_EQ(debugger_watch_text(source, host.module.scripts[0], locals, 1, start, end),
            "store_add, \":total\" = 4, reg0 = 5, -1");
}

TEST_F(debugger_fixture, watch_text_of_a_missing_script_is_empty_and_keeps_the_positions) {
  statement_block other = make_block({{opcode::assign, {reg(0), 1}}}, "script: not_in_source");
  std::int64_t locals[script_local_count] = {};
  std::size_t start = 77, end = 99;
  EXPECT_EQ(debugger_watch_text(module_scripts, other, locals, 0, start, end), "");
  EXPECT_EQ(start, 77u);
  EXPECT_EQ(end, 99u);
  // Past the source's last statement nothing is shown either.
  EXPECT_EQ(debugger_watch_text(module_scripts, host.module.scripts[2], locals, 40, start, end), "");
  EXPECT_EQ(start, 77u);
}

// --- the folder, the script list and the statement list ----------------------

TEST_F(debugger_fixture, folder_lists_scripts_and_a_chosen_script_lists_its_statements) {
  script_debugger debugger;
  debugger.open_folder(folder_text());
  EXPECT_EQ(debugger.script_names(),
            (std::vector<std::string>{"script_first_script", "script_second_script", "script_loop_script"}));

  ASSERT_TRUE(debugger.choose_script(0));
  ASSERT_EQ(debugger.lines().size(), 4u);
  EXPECT_EQ(debugger.lines()[0].text, "(assign, reg0, 5),");
  EXPECT_EQ(debugger.lines()[3].text, "(assign, reg3, 1),");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(debugger.lines()[static_cast<std::size_t>(i)].statement, i);
  // The break script is the module's name of the script.
  EXPECT_EQ(host.campaign.words.debug_break_script.view(), "first_script");
  EXPECT_FALSE(debugger.armed());
  EXPECT_STREQ(debugger.caption(), "Debug");

  ASSERT_TRUE(debugger.choose_script(2));
  ASSERT_EQ(debugger.lines().size(), 3u);
  EXPECT_EQ(debugger.lines()[1].text, "(val_add, reg2, 1),");
  debugger.choose_line(1);
  EXPECT_TRUE(debugger.armed());
  EXPECT_STREQ(debugger.caption(), "Stop");
  EXPECT_EQ(host.campaign.words.debug_break_script.view(), "loop_script");
  EXPECT_EQ(host.campaign.words.debug_break_line, 1);
}

TEST_F(debugger_fixture, missing_files) {
  scripted_view view({});
  script_debugger debugger(&view);
  fs::remove(folder / "module_scripts.py");
  debugger.open_folder(folder_text());
  EXPECT_FALSE(debugger.choose_script(0));
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].first, "ERROR");
  EXPECT_EQ(view.messages[0].second, "File " + folder_text() +
                                         "module_scripts.py could not be found. Please set the correct module system "
                                         "folder by choosing \"Set Debug Mode Folder\" on the menu.");
  EXPECT_TRUE(debugger.lines().empty());
  EXPECT_EQ(host.campaign.words.debug_source_loaded, 0);

  fs::remove(folder / "ID_scripts.py");
  debugger.open_folder(folder_text());
  EXPECT_TRUE(debugger.script_names().empty());
}

TEST_F(debugger_fixture, stored_folder_ends_in_a_separator) {
  const fs::path config = folder / "config";
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  EXPECT_EQ(script_debugger::store_folder("C:\\modules\\src"), "C:\\modules\\src\\");
  EXPECT_EQ(platform::read_setting("module_system_folder").value_or(""), "C:\\modules\\src\\");
  EXPECT_EQ(script_debugger::store_folder("/home/me/src/"), "/home/me/src/");
  EXPECT_EQ(script_debugger::store_folder(std::string(5000, 'a')).size(), 4097u);
  if (old) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

// --- stepping ----------------------------------------------------------------

TEST_F(debugger_fixture, stepping_through_a_script_and_into_the_script_it_calls) {
  scripted_view view({debugger_key::next_line, debugger_key::step_into, debugger_key::next_line,
                      debugger_key::run_script});
  script_debugger debugger(&view);
  debugger.open_folder(folder_text());
  ASSERT_TRUE(debugger.choose_script(0));
  debugger.choose_line(1);

  EXPECT_TRUE(call(0));
  ASSERT_EQ(view.stops.size(), 4u);
  // The break point: statement 1, after statement 0 set reg0.
  EXPECT_EQ(view.stops[0], "store_add, \":total\" = 0, reg0 = 5, -1");
  // Key 1: the next statement, the call, with the local it has just set.
  EXPECT_EQ(view.stops[1], "call_script, \"script_second_script\" = 1, \":total\" = 4");
  // Key 2: the called script stops at its first statement, then key 1 at its
  // second; key 4 runs the rest without stopping.
  EXPECT_EQ(view.stops[2], "store_script_param_1, \":value\" = 0");
  EXPECT_EQ(view.stops[3], "val_add, reg1 = 0, \":value\" = 4");
  EXPECT_EQ(g_script_state.registers[1], 4);
  EXPECT_EQ(g_script_state.registers[3], 1);
  EXPECT_FALSE(debugger.stepping());
  // The source keeps the values the last stop wrote into it.
  EXPECT_NE(std::string(debugger.source()).find("(val_add, reg1 = 4, \":value\" = 4),"), std::string::npos);
  // Still armed: the next call stops at the break point again.
  EXPECT_TRUE(debugger.armed());
  view.keys = {debugger_key::run_script};
  call(0);
  EXPECT_EQ(view.stops.size(), 5u);
}

TEST_F(debugger_fixture, values_that_changed_are_marked_after_the_statement_ran) {
  scripted_view view({debugger_key::run_script});
  script_debugger debugger(&view);
  debugger.open_folder(folder_text());
  ASSERT_TRUE(debugger.choose_script(0));
  debugger.choose_line(1);
  call(0);
  // After store_add ran the local reads 4 where the stop showed 0; reg0 kept 5.
  const std::string_view source = debugger.source();
  ASSERT_EQ(debugger.changed_values().size(), 1u);
  const source_span changed = debugger.changed_values()[0];
  EXPECT_EQ(source.substr(changed.begin, changed.end - changed.begin), "4");
  EXPECT_EQ(statement_at(source, debugger.current_statement()), "store_add, \":total\" = 4, reg0 = 5, -1");
}

TEST_F(debugger_fixture, keys_three_four_and_five_in_a_loop) {
  struct row {
    std::deque<debugger_key> keys;
    std::size_t stops;
    bool armed_after;
  };
  // The break point is the loop's body, which runs three times: 3 runs on to
  // its next occurrence, 4 runs the rest of the script, 5 leaves debug mode.
  const row rows[] = {
      {{debugger_key::run_to_break, debugger_key::run_to_break, debugger_key::run_to_break}, 3, true},
      {{debugger_key::run_script}, 1, true},
      {{debugger_key::leave}, 1, false},
  };
  for (const row& r : rows) {
    scripted_view view(r.keys);
    script_debugger debugger(&view);
    debugger.open_folder(folder_text());
    ASSERT_TRUE(debugger.choose_script(2));
    debugger.choose_line(1);
    g_script_state.registers[2] = 0;
    call(2);
    EXPECT_EQ(view.stops.size(), r.stops);
    EXPECT_EQ(g_script_state.registers[2], 3);
    EXPECT_EQ(debugger.armed(), r.armed_after);
    EXPECT_STREQ(debugger.caption(), r.armed_after ? "Stop" : "Debug");
    debugger.disarm();
  }
}

TEST_F(debugger_fixture, a_disarmed_debugger_leaves_the_executor) {
  scripted_view view({});
  {
    script_debugger debugger(&view);
    debugger.open_folder(folder_text());
    ASSERT_TRUE(debugger.choose_script(0));
    debugger.choose_line(0);
    debugger.disarm();
    call(0);
    EXPECT_TRUE(view.stops.empty());
    debugger.choose_line(0);
  }
  // Destroyed while armed: nothing is left installed.
  EXPECT_EQ(set_script_debug_hook(nullptr), nullptr);
}

// --- the window -----------------------------------------------------------------

TEST_F(debugger_fixture, without_a_display_the_window_stays_shut_and_a_stop_runs_on) {
  script_debugger debugger;
  debugger_window window(debugger);
  // Tests never enable dialogs: nothing opens and nothing waits.
  EXPECT_FALSE(window.open());
  EXPECT_FALSE(window.frame());
  debugger.open_folder(folder_text());
  ASSERT_TRUE(debugger.choose_script(2));
  debugger.choose_line(1);
  g_script_state.registers[2] = 0;
  call(2);
  // The first stop finds nobody to answer: debug mode is left and the script
  // runs to its end.
  EXPECT_EQ(g_script_state.registers[2], 3);
  EXPECT_FALSE(debugger.armed());
  EXPECT_FALSE(debugger.stepping());
  // Closing drops the break point and the source.
  debugger.choose_line(1);
  window.close();
  EXPECT_FALSE(debugger.armed());
  EXPECT_EQ(host.campaign.words.debug_source_loaded, 0);
}

// --- the window's marks -------------------------------------------------------

TEST(debugger_window_marks, statement_quoted_texts_and_changed_values) {
  const std::string source = "xx(store_add, \":total\" = 4, reg0 = 5, -1),\n(val_add, \"other\"),";
  const std::size_t begin = 3;
  const std::size_t end = source.find("),");
  const std::size_t four = source.find('4');
  const std::vector<platform::text_mark> marks =
      debugger_source_marks(source, {begin, end}, {{four, four + 1}});
  ASSERT_EQ(marks.size(), 3u);
  // The statement behind, its one quoted text, the changed value; nothing of
  // the next statement.
  EXPECT_TRUE(marks[0].background);
  EXPECT_EQ(marks[0].begin, begin);
  EXPECT_EQ(marks[0].end, end);
  EXPECT_EQ(source.substr(marks[1].begin, marks[1].end - marks[1].begin), "\":total\"");
  EXPECT_FALSE(marks[1].background);
  EXPECT_EQ(marks[2].begin, four);
  EXPECT_NE(marks[2].colour, marks[1].colour);
  // No statement shown: no marks.
  EXPECT_TRUE(debugger_source_marks(source, {}, {}).empty());
}

}  // namespace
}  // namespace hm
