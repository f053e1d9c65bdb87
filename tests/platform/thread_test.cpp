#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace hm::platform {
namespace {

TEST(auto_reset_event, a_signal_is_taken_by_one_wait_and_does_not_add_up) {
  auto_reset_event event;
  EXPECT_FALSE(event.wait(0));  // starts clear

  event.signal();  // nobody waits: it stays set
  EXPECT_TRUE(event.wait(0));
  EXPECT_FALSE(event.wait(0));  // the wait cleared it

  event.signal();
  event.signal();
  EXPECT_TRUE(event.wait(wait_forever));
  EXPECT_FALSE(event.wait(10));  // two signals are still one

  auto_reset_event set(true);
  set.reset();
  EXPECT_FALSE(set.wait(0));
  auto_reset_event initially(true);
  EXPECT_TRUE(initially.wait(0));
}

TEST(auto_reset_event, one_signal_releases_exactly_one_of_two_waiters) {
  auto_reset_event event;
  auto_reset_event woke;
  std::atomic<int> released{0};
  worker_thread first, second;
  auto waiter = [&] {
    event.wait();
    ++released;
    woke.signal();
  };
  ASSERT_TRUE(first.start(waiter));
  ASSERT_TRUE(second.start(waiter));

  event.signal();
  ASSERT_TRUE(woke.wait(10000));
  // The other waiter must still be blocked: the event reset itself.
  EXPECT_FALSE(woke.wait(100));
  EXPECT_EQ(released.load(), 1);

  event.signal();
  first.join();
  second.join();
  EXPECT_EQ(released.load(), 2);
}

TEST(auto_reset_event, hands_work_back_and_forth_without_losing_a_signal) {
  auto_reset_event work, done;
  int shared = 0;
  worker_thread worker;
  ASSERT_TRUE(worker.start([&] {
    for (int i = 0; i < 2000; ++i) {
      work.wait();
      ++shared;
      done.signal();
    }
  }));
  for (int i = 0; i < 2000; ++i) {
    work.signal();
    ASSERT_TRUE(done.wait(10000)) << "round " << i;
    ASSERT_EQ(shared, i + 1);
  }
  worker.join();
}

TEST(worker_thread, runs_its_function_and_joins) {
  worker_thread worker;
  EXPECT_FALSE(worker.joinable());
  worker.join();  // nothing started: no effect
  EXPECT_TRUE(worker.wait_for_exit(0));

  auto_reset_event go;
  int result = 0;
  ASSERT_TRUE(worker.start([&] {
    go.wait();
    result = 42;
  }));
  EXPECT_TRUE(worker.joinable());
  EXPECT_FALSE(worker.start([] {}));  // one thread at a time
  EXPECT_FALSE(worker.wait_for_exit(20));  // still waiting for `go`

  go.signal();
  EXPECT_TRUE(worker.wait_for_exit(wait_forever));
  worker.join();
  EXPECT_FALSE(worker.joinable());
  EXPECT_EQ(result, 42);

  // Once joined, the same object runs another function.
  ASSERT_TRUE(worker.start([&] { result = 7; }));
  worker.join();
  EXPECT_EQ(result, 7);

  EXPECT_FALSE(worker.start(nullptr));
}

TEST(worker_thread, an_exception_from_the_function_comes_back_at_join) {
  worker_thread worker;
  ASSERT_TRUE(worker.start([] { throw std::runtime_error("worker failed"); }));
  EXPECT_THROW(worker.join(), std::runtime_error);
  EXPECT_FALSE(worker.joinable());

  // The destructor joins, and swallows what it cannot report.
  std::atomic<bool> ran{false};
  {
    worker_thread scoped;
    ASSERT_TRUE(scoped.start([&] { ran = true; throw 1; }));
  }
  EXPECT_TRUE(ran.load());
}

TEST(critical_section, guards_shared_data_and_may_be_taken_again_by_its_holder) {
  critical_section section;
  long counter = 0;
  {
    std::vector<worker_thread> workers(4);
    for (worker_thread& worker : workers) {
      ASSERT_TRUE(worker.start([&] {
        for (int i = 0; i < 20000; ++i) {
          critical_section_guard guard(section);
          ++counter;
        }
      }));
    }
  }
  EXPECT_EQ(counter, 80000);

  section.lock();
  EXPECT_TRUE(section.try_lock());  // the holder may take it again
  bool other_got_it = true;
  worker_thread other;
  ASSERT_TRUE(other.start([&] {
    other_got_it = section.try_lock();
    if (other_got_it) section.unlock();
  }));
  other.join();
  EXPECT_FALSE(other_got_it);

  section.unlock();
  ASSERT_TRUE(other.start([&] { other_got_it = section.try_lock(); }));
  other.join();
  EXPECT_FALSE(other_got_it);  // still held once
  section.unlock();
  ASSERT_TRUE(other.start([&] {
    other_got_it = section.try_lock();
    if (other_got_it) section.unlock();
  }));
  other.join();
  EXPECT_TRUE(other_got_it);
}

TEST(processor_count, is_at_least_one_and_no_more_than_the_machine_has) {
  const unsigned count = processor_count();
  EXPECT_GE(count, 1u);
  if (const unsigned hardware = std::thread::hardware_concurrency(); hardware > 0) {
    EXPECT_LE(count, hardware);
  }
}

}  // namespace
}  // namespace hm::platform
