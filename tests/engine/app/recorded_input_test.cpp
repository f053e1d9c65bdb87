// Recorded input files: the forms a line may take, the faults a file may
// have, and the replay the input state reads.
#include "engine/app/recorded_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace hm;

namespace {

using kind = recorded_input_event::kind;

TEST(RecordedInput, ReadsEveryFormSkippingCommentsAndBlankLines) {
  std::vector<recorded_input_event> events;
  recorded_input_error error;
  const char* text =
      "# a charge\n"
      "\n"
      "1 key 0x11 down\r\n"
      "  1\tmove -5 7\n"
      "3 button 7 up\n"
      "3 wheel -2\n"
      "12 key 223 up\n";
  ASSERT_TRUE(parse_recorded_input(text, events, error)) << error.message;
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0].frame, 1u);
  EXPECT_EQ(events[0].what, kind::key);
  EXPECT_EQ(events[0].code, 0x11);
  EXPECT_TRUE(events[0].down);
  EXPECT_EQ(events[1].what, kind::move);
  EXPECT_EQ(events[1].dx, -5);
  EXPECT_EQ(events[1].dy, 7);
  EXPECT_EQ(events[2].what, kind::button);
  EXPECT_EQ(events[2].code, 7);
  EXPECT_FALSE(events[2].down);
  EXPECT_EQ(events[3].what, kind::wheel);
  EXPECT_EQ(events[3].dx, -2);
  EXPECT_EQ(events[4].frame, 12u);
  EXPECT_EQ(events[4].code, 223);
}

TEST(RecordedInput, RefusesAFaultyLineWithItsNumber) {
  struct fault_case {
    const char* text;
    int line;
  };
  const fault_case cases[] = {
      {"1 key\n", 1},
      {"0 key 1 down\n", 1},                   // frames count from 1
      {"-3 key 1 down\n", 1},
      {"x key 1 down\n", 1},
      {"1 key 224 down\n", 1},                 // mouse buttons are not keys
      {"1 key 5 pressed\n", 1},
      {"1 key 5 down extra\n", 1},
      {"1 button 8 down\n", 1},
      {"1 move 1\n", 1},
      {"1 move 1000001 0\n", 1},
      {"1 move 0x 1\n", 1},
      {"1 wheel 1001\n", 1},
      {"1 jump 2\n", 1},
      {"1 key 1 down\n\n# fine\n9 key 1 up\n3 key 2 down\n", 5},  // frames go back
      {"4294967296 key 1 down\n", 1},
  };
  for (const fault_case& c : cases) {
    std::vector<recorded_input_event> events;
    recorded_input_error error;
    EXPECT_FALSE(parse_recorded_input(c.text, events, error)) << c.text;
    EXPECT_EQ(error.line, c.line) << c.text;
    EXPECT_FALSE(error.message.empty()) << c.text;
    EXPECT_TRUE(events.empty()) << c.text;
  }
}

TEST(RecordedInput, ReplaysEachFrameOnceKeysHeldMovementHandedOutOnce) {
  std::vector<recorded_input_event> events;
  recorded_input_error error;
  ASSERT_TRUE(parse_recorded_input("2 key 30 down\n2 move 3 4\n2 move 1 1\n4 button 1 down\n4 wheel 1\n6 key 30 up\n",
                                   events, error));
  recorded_input replay(std::move(events));
  std::array<std::uint8_t, platform::key_code_count> keys{};
  platform::mouse_report mouse;

  replay.advance_to(1);
  replay.keyboard().read_state(keys);
  EXPECT_EQ(keys[30], 0);
  replay.advance_to(2);
  replay.keyboard().read_state(keys);
  replay.mouse().read_state(mouse);
  EXPECT_EQ(keys[30], 0x80);
  EXPECT_EQ(mouse.x, 4);
  EXPECT_EQ(mouse.y, 5);
  // A frame without events: the key stays down, the movement was handed out.
  replay.advance_to(3);
  replay.keyboard().read_state(keys);
  replay.mouse().read_state(mouse);
  EXPECT_EQ(keys[30], 0x80);
  EXPECT_EQ(mouse.x, 0);
  // A skipped frame's events still come.
  replay.advance_to(5);
  replay.mouse().read_state(mouse);
  EXPECT_EQ(mouse.buttons[1], 0x80);
  EXPECT_EQ(mouse.z, platform::wheel_notch);
  EXPECT_FALSE(replay.finished());
  replay.advance_to(6);
  replay.keyboard().read_state(keys);
  EXPECT_EQ(keys[30], 0);
  EXPECT_TRUE(replay.finished());
}

}  // namespace
