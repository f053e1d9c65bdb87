#include "campaign/time/map_time.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/core/timer.h"
#include "module/base/module_settings.h"
#include "script/operand.h"
#include "script/operation.h"
#include "script/script_state.h"
#include "tests/campaign/save/save_fixture.h"

namespace hm {
namespace {

simple_trigger counting_trigger(float interval, int variable) {
  simple_trigger t;
  t.interval = interval;
  operation op;
  op.opcode_word = opcode::val_add;
  op.param_count = 2;
  op.params[0] = global_operand(variable);
  op.params[1] = 1;
  t.block.operations.push_back(op);
  t.run_timer = timer(clock_campaign);
  return t;
}

struct map_time_fixture : test::save_fixture {
  map_time_fixture() {
    reset_clocks();
    g.start_time_stamp = 0;
    c->scalars = {};
    g_module_settings.time_multiplier = 1.0f;
    g_script_state.global_variables.assign(8, 0);
    g.simple_triggers.clock_id = clock_campaign;
    g.simple_triggers.triggers.clear();
    g.triggers.triggers.clear();
    c->install_script_host();
  }
  ~map_time_fixture() {
    c->remove_script_host();
    g_module_settings = module_settings{};
  }
  map_time_context context() {
    return {g, c->state, c->scalars, c->map, c->time, [this] { days += "R"; }, [this] { days += "T"; }};
  }
  std::string days;
};

TEST(MapTime, AWeekOfRestInOneFrameRunsEveryDailyAndWeeklyCycleInOrder) {
  map_time_fixture f;
  f.g.simple_triggers.triggers.push_back(counting_trigger(24.0f, 0));
  f.g.simple_triggers.triggers.push_back(counting_trigger(168.0f, 1));
  f.c->state.rest_time = 200.0f;
  map_time_context c = f.context();
  // Rest speed 0 stands for 10: 10 x 1.0 x 16.875 s = 168.75 hours.
  advance_map_time(c, 16.875f, false);
  EXPECT_FLOAT_EQ(f.c->time.time_step, 168.75f);
  EXPECT_FLOAT_EQ(f.c->state.rest_time, 200.0f - 168.75f);
  EXPECT_EQ(clock_ticks(clock_campaign), 16875000);
  EXPECT_EQ(get_global_variable(0), 7);  // hours 24, 48, ... 168
  EXPECT_EQ(get_global_variable(1), 1);  // hour 168
  const auto& cal = f.c->scalars.calendar;
  EXPECT_EQ(cal[0], 168);
  EXPECT_EQ(cal[1], 7);
  EXPECT_EQ(cal[2], 1);
  EXPECT_EQ(cal[3], 0);
  // Each new day trains; each day from the first has its evening report
  // (at the latest from 22:00) before the next day trains.
  EXPECT_EQ(f.days, "TRTRTRTRTRTRT");
  EXPECT_EQ(f.c->scalars.last_report_day, 6);
}

TEST(MapTime, HourAndDayBoundariesFireOnceEachAcrossFrames) {
  map_time_fixture f;
  f.g.simple_triggers.triggers.push_back(counting_trigger(1.0f, 0));
  f.c->time.time_mode = time_mode_waiting;
  map_time_context c = f.context();
  // 0.5 hours a frame: the hour counter moves on every second frame.
  for (int i = 0; i < 47; ++i) advance_map_time(c, 0.5f, false);
  EXPECT_EQ(f.c->scalars.calendar[0], 23);
  EXPECT_EQ(f.c->scalars.calendar[1], 0);
  EXPECT_EQ(get_global_variable(0), 23);
  EXPECT_EQ(f.days, "");  // day 0 has no report: the last report day is not below 0
  advance_map_time(c, 0.5f, false);
  EXPECT_EQ(f.c->scalars.calendar[0], 24);
  EXPECT_EQ(f.c->scalars.calendar[1], 1);
  EXPECT_EQ(f.days, "T");
}

TEST(MapTime, StepsByModeAndRest) {
  map_time_fixture f;
  g_module_settings.time_multiplier = 0.25f;
  map_time_context c = f.context();
  struct row {
    std::int32_t mode;
    bool ctrl;
    float rest;
    float hours_per_second;
  };
  // A second of frames at 60 a second.
  const row rows[] = {
      {time_mode_stopped, false, 0.0f, 0.0f},
      {time_mode_waiting, false, 0.0f, 0.25f},
      {time_mode_waiting, true, 0.0f, 2.5f},
      {time_mode_stopped, false, 100.0f, 2.5f},
  };
  for (const row& r : rows) {
    f.c->time.time_mode = r.mode;
    f.c->state.rest_time = r.rest;
    EXPECT_NEAR(map_time_step(c, 1.0f, r.ctrl), r.hours_per_second, 1e-6f) << r.mode << r.ctrl << r.rest;
  }
}

TEST(MapTime, FrozenTimeStandsStill) {
  map_time_fixture f;
  f.g.simple_triggers.triggers.push_back(counting_trigger(0.0f, 0));
  f.c->time.time_mode = time_mode_waiting;
  f.c->time.time_frozen = 1;
  f.c->time.time_step = 3.0f;
  map_time_context c = f.context();
  advance_map_time(c, 1.0f, false);
  EXPECT_EQ(clock_ticks(clock_campaign), 0);
  EXPECT_EQ(f.c->time.time_step, 0.0f);
  EXPECT_EQ(get_global_variable(0), 0);
}

}  // namespace
}  // namespace hm
