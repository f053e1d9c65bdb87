#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "script/operation.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"
#include "script/triggers.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::make_block;
using test::reg;

constexpr int clock = clock_mission;

// Register 10 counts the condition runs, register 11 the consequence runs;
// the conditions hold while register 20 is 0.
trigger make_trigger(float interval, float delay, float rearm) {
  trigger t;
  t.check_interval = interval;
  t.delay_interval = delay;
  t.rearm_interval = rearm;
  t.conditions = make_block({{opcode::val_add, {reg(10), 1}}, {opcode::eq, {reg(20), 0}}}, "conditions");
  t.consequences = make_block({{opcode::val_add, {reg(11), 1}}}, "consequences");
  for (timer* tm : {&t.check_timer, &t.delay_timer, &t.rearm_timer}) *tm = timer(clock);
  return t;
}

void set_time(double seconds) { set_clock_ticks(clock, static_cast<std::int64_t>(seconds * 100000.0 + 0.5)); }

std::int64_t condition_runs() { return g_script_state.registers[10]; }
std::int64_t consequence_runs() { return g_script_state.registers[11]; }

class triggers : public ::testing::Test {
 protected:
  triggers() { reset_clocks(); }
  ~triggers() override { reset_clocks(); }
  fake_script_host host;
};

TEST_F(triggers, timed_trigger_checks_waits_its_delay_and_rearms) {
  trigger t = make_trigger(1.0f, 2.0f, 3.0f);
  struct step {
    double time;
    std::int32_t event;
    int state;
    std::int64_t conditions, consequences;
  };
  const std::vector<step> steps = {
      {0.5, 0, trigger_idle, 0, 0},      // inside the first interval
      {1.0, -5, trigger_idle, 0, 0},     // an event argument never makes a timed check
      {1.0, 0, trigger_delaying, 1, 0},  // checked; the delay starts
      {2.9, 0, trigger_delaying, 1, 0},
      {3.0, 0, trigger_rearming, 1, 1},  // delay over: the consequences run
      {5.9, 0, trigger_rearming, 1, 1},
      {6.0, 0, trigger_idle, 1, 1},      // re-armed; its check interval starts again
      {6.9, 0, trigger_idle, 1, 1},
      {7.0, 0, trigger_delaying, 2, 1},
  };
  for (const step& s : steps) {
    set_time(s.time);
    check_trigger(t, s.event);
    EXPECT_EQ(t.state, s.state) << s.time;
    EXPECT_EQ(condition_runs(), s.conditions) << s.time;
    EXPECT_EQ(consequence_runs(), s.consequences) << s.time;
  }
}

TEST_F(triggers, failing_conditions_restart_the_interval) {
  trigger t = make_trigger(1.0f, 0.0f, 0.0f);
  g_script_state.registers[20] = 1;
  set_time(1.0);
  check_trigger(t, 0);
  EXPECT_EQ(t.state, trigger_idle);
  EXPECT_EQ(condition_runs(), 1);
  g_script_state.registers[20] = 0;
  set_time(1.5);
  check_trigger(t, 0);
  EXPECT_EQ(condition_runs(), 1);
  set_time(2.0);
  check_trigger(t, 0);
  EXPECT_EQ(consequence_runs(), 1);
}

TEST_F(triggers, zero_times_fire_on_every_check) {
  trigger t = make_trigger(0.0f, 0.0f, 0.0f);
  for (int i = 1; i <= 3; ++i) {
    check_trigger(t, 0);
    EXPECT_EQ(t.state, trigger_rearming);
    EXPECT_EQ(consequence_runs(), i);
  }
}

TEST_F(triggers, event_trigger_answers_its_code_only) {
  trigger t = make_trigger(-2.0f, 0.0f, 0.0f);
  ASSERT_TRUE(t.is_event_trigger());
  set_time(100.0);
  check_trigger(t, 0);
  check_trigger(t, -1);
  check_trigger(t, 2);
  EXPECT_EQ(condition_runs(), 0);
  check_trigger(t, -2);
  EXPECT_EQ(consequence_runs(), 1);
  EXPECT_EQ(t.state, trigger_rearming);
  check_trigger(t, -2);
  EXPECT_EQ(consequence_runs(), 2);

  // A re-arm time holds the event trigger back like a timed one.
  trigger slow = make_trigger(-2.0f, 0.0f, 5.0f);
  g_script_state.registers[11] = 0;
  check_trigger(slow, -2);
  check_trigger(slow, -2);
  EXPECT_EQ(consequence_runs(), 1);
  set_time(105.0);
  check_trigger(slow, -2);
  EXPECT_EQ(consequence_runs(), 2);
}

TEST_F(triggers, event_codes_round_halves_down) {
  const std::vector<std::pair<float, std::int32_t>> cases = {
      {-2.0f, -2}, {-2.5f, -3}, {-2.4f, -2}, {-2.6f, -3}, {-0.1f, 0}, {-19.0f, -19}};
  for (const auto& [interval, code] : cases) EXPECT_EQ(trigger_event_code(interval), code) << interval;
  trigger t = make_trigger(-2.5f, 0.0f, 0.0f);
  check_trigger(t, -2);
  EXPECT_EQ(consequence_runs(), 0);
  check_trigger(t, -3);
  EXPECT_EQ(consequence_runs(), 1);
}

TEST_F(triggers, blocks_get_the_event_argument_as_context) {
  // Operation 37 holds for an odd context outside the hook and menu bits.
  trigger t = make_trigger(0.0f, 0.0f, 0.0f);
  t.conditions = make_block({{37, {}}});
  check_trigger(t, 2);
  EXPECT_EQ(consequence_runs(), 0);
  check_trigger(t, 3);
  EXPECT_EQ(consequence_runs(), 1);
}

TEST_F(triggers, list_checks_every_trigger_in_order) {
  trigger_list list;
  list.clock_id = clock;
  list.triggers.push_back(make_trigger(0.0f, 0.0f, 0.0f));
  list.triggers.push_back(make_trigger(0.0f, 0.0f, 0.0f));
  list.triggers[1].consequences = make_block({{opcode::store_mul, {reg(11), reg(11), 10}}});
  check_triggers(list, 0);
  EXPECT_EQ(consequence_runs(), 10);  // (0 + 1) x 10: the first ran first
}

TEST_F(triggers, phases_spread_the_first_checks) {
  trigger_list list;
  list.clock_id = clock;
  list.triggers.push_back(make_trigger(10.0f, 0.0f, 0.0f));
  list.triggers.push_back(make_trigger(2.0f, 0.0f, 0.0f));
  set_time(10.0);
  random_seed(1);
  randomise_trigger_phases(list);
  // Draws 41 and 18467 (2650 mod 15817): 41 x 10 x 6.322312e-5 x 1e5 and
  // 2650 x 2 x 6.322312e-5 x 1e5 ticks before now.
  EXPECT_EQ(list.triggers[0].check_timer.start_ticks, 1000000 - 2592);
  EXPECT_EQ(list.triggers[1].check_timer.start_ticks, 1000000 - 33508);
}

simple_trigger make_simple(float interval) {
  simple_trigger t;
  t.interval = interval;
  t.block = make_block({{opcode::val_add, {reg(11), 1}}});
  t.run_timer = timer(clock);
  return t;
}

TEST_F(triggers, simple_trigger_runs_every_interval) {
  simple_trigger t = make_simple(1.0f);
  const std::vector<std::pair<double, std::int64_t>> steps = {{0.5, 0}, {1.0, 1}, {1.5, 1}, {2.0, 2}, {3.5, 3}};
  for (const auto& [time, runs] : steps) {
    set_time(time);
    check_simple_trigger(t, 0);
    EXPECT_EQ(consequence_runs(), runs) << time;
  }
  set_time(10.0);
  check_simple_trigger(t, -8);  // events do not run timed simple triggers
  EXPECT_EQ(consequence_runs(), 3);
}

TEST_F(triggers, simple_trigger_event_form_needs_an_interval_below_minus_one) {
  simple_trigger timed = make_simple(-1.0f);
  EXPECT_FALSE(timed.is_event_trigger());
  check_simple_trigger(timed, -1);
  EXPECT_EQ(consequence_runs(), 0);
  check_simple_trigger(timed, 0);
  EXPECT_EQ(consequence_runs(), 1);

  simple_trigger event = make_simple(-2.0f);
  const std::int64_t start = event.run_timer.start_ticks;
  set_time(50.0);
  check_simple_trigger(event, 0);
  EXPECT_EQ(consequence_runs(), 1);
  check_simple_trigger(event, -2);
  EXPECT_EQ(consequence_runs(), 2);
  EXPECT_EQ(event.run_timer.start_ticks, start);  // the event form leaves its timer
}

TEST_F(triggers, simple_trigger_run_stops_on_screen_change_for_odd_events) {
  simple_trigger_list list;
  list.clock_id = clock;
  for (int i = 0; i < 3; ++i) list.triggers.push_back(make_simple(0.0f));
  host.campaign.words.screen_change_code = 18;
  run_simple_triggers(list, 1);
  EXPECT_EQ(consequence_runs(), 1);
  run_simple_triggers(list, 2);  // even: no stop
  EXPECT_EQ(consequence_runs(), 4);
  host.campaign.words.screen_change_code = 0;
  run_simple_triggers(list, 3);
  EXPECT_EQ(consequence_runs(), 7);
}

}  // namespace
}  // namespace hm
