#include <gtest/gtest.h>

#include <vector>

#include "engine/app/input_state.h"
#include "engine/core/timer.h"
#include "platform/input/input_fake.h"
#include "platform/window.h"

namespace {

using namespace hm;
using platform::fake_keyboard;
using platform::fake_mouse;

// A fresh input state on fresh clocks, with fake devices; each frame advances
// clock 0 and then updates, as the frame move does.
class InputState : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    input = std::make_unique<input_state>();
    input->keyboard = &keyboard;
    input->mouse = &mouse;
  }
  void frame(float dt) {
    advance_clock(clock_real_time, dt);
    input->update(dt);
  }

  fake_keyboard keyboard;
  fake_mouse mouse;
  std::unique_ptr<input_state> input;
};

TEST_F(InputState, ClicksLastExactlyOneFrame) {
  struct key_case {
    int code;
    bool from_mouse;
  };
  const key_case cases[] = {{platform::key::w, false},
                            {platform::key::up, false},   // an extended key
                            {224, true},                  // left button
                            {226, true}};                 // middle button
  for (const key_case& c : cases) {
    SCOPED_TRACE(c.code);
    auto press = [&] { c.from_mouse ? mouse.press(c.code - 224) : keyboard.press(c.code); };
    auto release = [&] { c.from_mouse ? mouse.release(c.code - 224) : keyboard.release(c.code); };
    std::vector<bool> clicked;
    press();
    frame(0.02f);
    clicked.push_back(input->is_key_clicked(c.code));
    EXPECT_TRUE(input->is_key_down(c.code));
    frame(0.02f);  // still held
    clicked.push_back(input->is_key_clicked(c.code));
    release();
    frame(0.02f);
    clicked.push_back(input->is_key_clicked(c.code));
    EXPECT_FALSE(input->is_key_down(c.code));
    press();
    frame(0.02f);
    clicked.push_back(input->is_key_clicked(c.code));
    release();
    frame(0.02f);
    EXPECT_EQ(clicked, (std::vector<bool>{true, false, false, true}));
  }
  EXPECT_FALSE(input->is_key_clicked(-1));
  EXPECT_FALSE(input->is_key_clicked(256));
}

TEST_F(InputState, KeyboardFillsOnlyKeyboardCodes) {
  keyboard.keys[230] = 0x80;  // a keyboard device must not reach the mouse codes
  keyboard.keys[5] = 0xff;    // only the down bit is kept
  frame(0.02f);
  EXPECT_EQ(input->keys[230], 0);
  EXPECT_EQ(input->keys[5], 0x80);
}

// Turning the wheel every frame gives one step code at most every 0.5 s, each
// present for one frame; the direction picks the code.
TEST_F(InputState, WheelStepsAtMostEveryHalfSecond) {
  for (const int notches : {1, -1}) {
    SCOPED_TRACE(notches);
    SetUp();
    const int code = notches > 0 ? 238 : 239;
    const int other = notches > 0 ? 239 : 238;
    std::vector<int> step_frames;
    for (int i = 1; i <= 40; ++i) {  // 2 s at 0.05 s a frame
      mouse.turn_wheel(notches);
      frame(0.05f);
      EXPECT_EQ(input->keys[other], 0);
      if (input->keys[code]) step_frames.push_back(i);
    }
    // Clock ticks 5000 a frame; a step needs more than 50000 ticks since the last.
    EXPECT_EQ(step_frames, (std::vector<int>{11, 22, 33}));
    EXPECT_EQ(input->mouse_dz, notches * 120.0f);
  }
}

// A key change, then nothing for 1.5 s: the repeat pulse comes in the first
// frame after 0.8 s and then once every 0.15 s; any change restarts the delay.
TEST_F(InputState, KeyRepeatAfterPointEightThenEveryPointFifteen) {
  frame(0.05f);  // settle: no key has ever changed
  keyboard.press(platform::key::space);
  std::vector<int> pulses;
  for (int i = 2; i <= 31; ++i) {  // clock = 5000 * i ticks
    frame(0.05f);
    if (input->key_repeat) pulses.push_back(i);
  }
  // Pressed in frame 2 (clock 10000): first pulse when clock > 90000, i.e.
  // frame 19 (95000); then > 110000 (frame 23), > 130000 (frame 27), ...
  // The press itself is seen in frame 2, so frame 2 is the change.
  EXPECT_EQ(pulses, (std::vector<int>{19, 23, 27, 31}));

  // A release (frame 32, clock 160000) restarts the delay: quiet until the
  // clock passes 240000, which frame 49 is the first to do.
  keyboard.release(platform::key::space);
  int first_pulse = 0;
  for (int i = 32; i <= 50 && !first_pulse; ++i) {
    frame(0.05f);
    if (input->key_repeat) first_pulse = i;
  }
  EXPECT_EQ(first_pulse, 49);
}

TEST_F(InputState, SmoothingDecaysWithTheTimeStepAndAddsMovement) {
  struct smoothing_case {
    float dt;
    int dx, dy;
    float expect_x, expect_y;
  };
  const smoothing_case cases[] = {
      {0.1f, 0, 0, 98.6f, -49.3f},                  // f = 0.986
      {0.1f, 10, -4, 98.6f * 0.5f + 10, -49.3f * 0.5f - 4},
      {10.0f, 0, 0, 20.0f, -10.0f},                 // f floors at 0.2
      {5.0f, 0, 0, 30.0f, -15.0f},                  // 1 - 0.7 = 0.3, above the floor
  };
  for (const smoothing_case& c : cases) {
    SCOPED_TRACE(c.dt);
    input->smoothed_dx = 100.0f;
    input->smoothed_dy = -50.0f;
    mouse.move(c.dx, c.dy);
    frame(c.dt);
    EXPECT_NEAR(input->smoothed_dx, c.expect_x, 1e-3f);
    EXPECT_NEAR(input->smoothed_dy, c.expect_y, 1e-3f);
    EXPECT_EQ(input->mouse_dx, float(c.dx));
  }
}

// A lost device gets one acquire attempt per frame (never a loop), and the
// frame works with the previous key states.
TEST_F(InputState, LostDevicesAreAcquiredOncePerFrame) {
  keyboard.press(platform::key::a);
  mouse.press(1);
  mouse.move(7, 0);
  frame(0.02f);
  ASSERT_TRUE(input->is_key_down(platform::key::a));
  ASSERT_EQ(input->mouse_dx, 7.0f);

  keyboard.lost = mouse.lost = true;
  keyboard.can_acquire = mouse.can_acquire = false;
  keyboard.release(platform::key::a);
  keyboard.press(platform::key::b);
  for (int i = 1; i <= 3; ++i) {
    frame(0.02f);
    EXPECT_EQ(keyboard.acquire_calls, i);
    EXPECT_EQ(mouse.acquire_calls, i);
  }
  EXPECT_TRUE(input->is_key_down(platform::key::a));   // previous state kept
  EXPECT_FALSE(input->is_key_down(platform::key::b));
  EXPECT_TRUE(input->is_key_down(225));                // button kept
  EXPECT_EQ(input->mouse_dx, 0.0f);                    // no stale movement

  keyboard.can_acquire = mouse.can_acquire = true;
  frame(0.02f);  // re-acquired in this frame, still the previous states
  EXPECT_TRUE(input->is_key_down(platform::key::a));
  frame(0.02f);  // read again
  EXPECT_FALSE(input->is_key_down(platform::key::a));
  EXPECT_TRUE(input->is_key_clicked(platform::key::b));
  EXPECT_EQ(keyboard.acquire_calls, 4);
}

TEST_F(InputState, MissingDevicesAreNotRead) {
  input->keyboard = nullptr;
  input->mouse = nullptr;
  keyboard.press(platform::key::a);
  frame(0.02f);
  EXPECT_FALSE(input->is_key_down(platform::key::a));
  EXPECT_EQ(keyboard.read_calls, 0);
}

// The window's devices: events from the window's pump reach the key table by
// engine key code; losing the focus releases everything until re-acquired.
TEST_F(InputState, WindowEventsReachTheKeyTable) {
  platform::null_window window;
  connect_window_input(window);
  input_state& state = g_input_state;
  auto push = [&](platform::window_event_kind kind, auto&& fill) {
    platform::window_event e;
    e.kind = kind;
    fill(e);
    window.push_event(e);
  };
  auto pump = [&] {
    platform::window_event e;
    while (window.poll_event(e)) {
    }
    advance_clock(clock_real_time, 0.6f);
    state.update(0.6f);
  };
  using kind = platform::window_event_kind;
  push(kind::key_down, [](auto& e) { e.scancode = 26; });   // W
  push(kind::key_down, [](auto& e) { e.scancode = 82; });   // Up arrow
  push(kind::mouse_button_down, [](auto& e) { e.button = 1; });
  push(kind::mouse_move, [](auto& e) { e.dx = 3; e.dy = -2; });
  push(kind::mouse_move, [](auto& e) { e.dx = 4; e.dy = 0; });
  push(kind::mouse_wheel, [](auto& e) { e.dy = -1; });
  pump();
  EXPECT_TRUE(state.is_key_clicked(platform::key::w));
  EXPECT_TRUE(state.is_key_clicked(platform::key::up));
  EXPECT_TRUE(state.is_key_clicked(225));
  EXPECT_EQ(state.mouse_dx, 7.0f);
  EXPECT_EQ(state.mouse_dy, -2.0f);
  EXPECT_EQ(state.keys[239], 1);

  pump();  // movement is per frame; keys stay down
  EXPECT_EQ(state.mouse_dx, 0.0f);
  EXPECT_TRUE(state.is_key_down(platform::key::w));

  push(kind::deactivated, [](auto&) {});
  pump();  // the read fails, the acquire fails: previous states
  EXPECT_TRUE(state.is_key_down(platform::key::w));
  push(kind::activated, [](auto&) {});
  pump();  // acquired again
  pump();  // and read: nothing is held any more
  EXPECT_FALSE(state.is_key_down(platform::key::w));
  EXPECT_FALSE(state.is_key_down(225));

  window.set_input_listener(nullptr);
  state.keyboard = nullptr;
  state.mouse = nullptr;
}

}  // namespace
