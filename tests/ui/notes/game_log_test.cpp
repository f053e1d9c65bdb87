// The game log's text from the message history (whole entries only, the last
// hundred in order) and its window sending a link's click to the notes.
#include <gtest/gtest.h>

#include <string>

#include "engine/app/input_state.h"
#include "script/script_host.h"
#include "ui/notes/game_log_window.h"
#include "ui/support/ui_test_support.h"
#include "ui/text/rich_text.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

std::string history_of(int entries) {
  std::string h;
  for (int i = 0; i < entries; ++i) {
    if (i) h += '|';
    h += "day " + std::to_string(i) + "|-1|msg " + std::to_string(i);
  }
  return h;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::size_t from = 0;
  while (from <= text.size()) {
    const std::size_t nl = text.find('\n', from);
    out.push_back(text.substr(from, nl == std::string::npos ? std::string::npos : nl - from));
    if (nl == std::string::npos) break;
    from = nl + 1;
  }
  return out;
}

TEST(game_log_text, entries_are_whole_and_aligned) {
  struct log_case {
    const char* history;
    const char* shown;
  };
  const log_case cases[] = {
      {"", ""},
      {"d1|-1", ""},
      {"d1|-1|hello", "d1\thello"},
      {"d1|-1|hello|d2|5|there", "d1\thello\nd2\tthere"},
      // A trailing bar or a cut last entry is left out, never read past.
      {"d1|-1|hello|", "d1\thello"},
      {"d1|-1|hello|d2|5", "d1\thello"},
  };
  for (const log_case& c : cases) EXPECT_EQ(game_log_text(c.history), c.shown) << c.history;
}

TEST(game_log_text, a_long_log_shows_its_last_hundred_entries_in_order) {
  for (const std::string& history : {history_of(1000), history_of(1000) + "|", history_of(1000) + "|day x|-1"}) {
    const std::vector<std::string> lines = lines_of(game_log_text(history));
    ASSERT_EQ(lines.size(), 100u);
    for (int i = 0; i < 100; ++i)
      EXPECT_EQ(lines[static_cast<std::size_t>(i)], "day " + std::to_string(900 + i) + "\tmsg " + std::to_string(900 + i));
  }
  EXPECT_EQ(lines_of(game_log_text(history_of(99))).size(), 99u);
}

class game_log_window_test : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    g_window_manager.create_game_windows();
  }
  void TearDown() override {
    g_window_manager.destroy_game_windows();
    g_input_state = input_state{};
    current_script_host().campaign->game_words() = game_script_words{};
    test::ui_test::TearDown();
  }
};

TEST_F(game_log_window_test, a_link_clicked_with_escape_opens_the_notes) {
  game_script_words& w = current_script_host().campaign->game_words();
  w.message_history = ruv_string("day 1|-1|Met <trp=3>the captain</>");
  game_window* notes = g_window_manager.window(window_id::note);
  ASSERT_NE(notes, nullptr);
  g_window_manager.set_window(window_id::world_map);
  auto* log = dynamic_cast<game_log_window*>(g_window_manager.window(window_id::game_log));
  ASSERT_NE(log, nullptr);
  log->mode = 1;
  log->return_window = window_id::world_map;
  g_window_manager.set_window(window_id::game_log);
  ASSERT_NE(log->text, nullptr);
  ASSERT_FALSE(log->text->links.empty());

  // The release lands on the link in the same frame Escape comes up.
  const link_rect& r = log->text->links.front();
  const float x = log->text->absolute_position.x + (r.lower.x + r.upper.x) * 0.5f;
  const float y = log->text->absolute_position.y + (r.lower.y + r.upper.y) * 0.5f;
  step(x, y);
  step(x, y, {button(0, true)});
  step(x, y, {button(0, false)});
  g_input_state.previous_keys[1] = 1;
  log->frame(0.016f);

  EXPECT_EQ(g_window_manager.top_id(), window_id::note);
  EXPECT_EQ(w.notes_kind, link_kind::troop);
  EXPECT_EQ(w.notes_id, 3);
  EXPECT_EQ(notes->return_window, window_id::world_map);
}

}  // namespace
}  // namespace hm
