// Programs the game starts and waits for.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace hm::platform;

TEST(Process, RunAndWaitTellsHowTheProgramEnded) {
  EXPECT_EQ(run_and_wait("true", {}, 5000), run_outcome::finished);
  // A failing program still ran.
  EXPECT_EQ(run_and_wait("sh", {"-c", "exit 3"}, 5000), run_outcome::finished);
  EXPECT_EQ(run_and_wait("hoofmarch_no_such_program", {"x"}, 5000), run_outcome::not_started);
}

TEST(Process, AProgramPastItsTimeIsEndedAndTheWaitStops) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(run_and_wait("sleep", {"30"}, 200), run_outcome::timed_out);
  // A program that ignores the polite request is forced.
  EXPECT_EQ(run_and_wait("sh", {"-c", "trap '' TERM; exec sleep 30"}, 200), run_outcome::timed_out);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}
