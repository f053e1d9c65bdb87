// conversation.txt: the dialog lines' fields in file order, the names of their
// blocks, reloading, and broken files.
#include <gtest/gtest.h>

#include <string>

#include "module/records/conversation_loader.h"
#include "module/base/module_paths.h"
#include "module/support/module_test_support.h"

namespace hm {
namespace {

using test::fatal_message;
using test::memory_reader;

TEST(conversation_loader, reads_each_line_in_file_order) {
  memory_reader reader(
      "2 "
      "dlga_start:hello 69631 3 1 31 2 1 1 Good_day_to_you 6 0 "
      "dlga_any:x -1 0 0 Bye 2 2 2040 0 2105 2 5 1");
  conversation c;
  c.current_line = 1;
  load_dialogs(c, reader);
  ASSERT_EQ(c.line_count(), 2);
  const dialog_line& first = c.lines[0];
  EXPECT_EQ(first.id, "dlga_start:hello");
  EXPECT_EQ(first.speaker_word, 0x10FFFu);
  EXPECT_EQ(first.input_state, 3);
  EXPECT_EQ(first.condition.count(), 1);
  EXPECT_EQ(first.text, "Good day to you");
  EXPECT_EQ(first.output_state, 6);
  EXPECT_EQ(first.consequence.count(), 0);
  EXPECT_EQ(first.condition.name, "dialog condition: dlga_start:hello");
  EXPECT_EQ(first.consequence.name, "dialog consequence: dlga_start:hello");
  const dialog_line& second = c.lines[1];
  EXPECT_EQ(second.speaker_word, 0xFFFFFFFFu);
  EXPECT_EQ(second.consequence.count(), 2);
  EXPECT_EQ(second.consequence.operations[1].params[0], 5);
  // The running conversation no longer points into the old lines.
  EXPECT_EQ(c.current_line, -1);

  memory_reader again("1 dlga_only 4095 0 0 Hi 1 0");
  load_dialogs(c, again);
  ASSERT_EQ(c.line_count(), 1);
  EXPECT_EQ(c.lines[0].id, "dlga_only");
}

TEST(conversation_loader, broken_files_are_fatal) {
  conversation c;
  memory_reader negative("-1");
  EXPECT_EQ(fatal_message([&] { load_dialogs(c, negative); }), "Bad count -1 of dialog lines in a record of file test.txt");
  // A huge count ends at the end of the file, not in a huge allocation.
  memory_reader huge("2000000000 dlga_a 4095 0 0 Hi 1 0");
  EXPECT_EQ(fatal_message([&] { load_dialogs(c, huge); }), "Unexpected End of File while reading file: test.txt");
}

TEST(conversation_loader, missing_file_is_fatal) {
  test::temp_folder game;
  game.write("Modules/Empty/module.ini", "");
  test::scoped_working_folder in_game(game.path());
  set_module_name("Empty");
  EXPECT_EQ(fatal_message([] { load_conversation_file(); }).rfind("Unable to open ", 0), 0u);
}

}  // namespace
}  // namespace hm
