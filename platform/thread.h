#pragma once
// Threads for the engine: one worker thread with a function to run, the critical
// section that guards what it shares with the main thread, an auto-reset event to
// hand it work, and the number of processors this process may run on.
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace hm::platform {

// A wait without a time limit.
inline constexpr unsigned wait_forever = ~0u;

// A thread that runs one function. The destructor joins it.
class worker_thread {
 public:
  worker_thread() = default;
  ~worker_thread();
  worker_thread(const worker_thread&) = delete;
  worker_thread& operator=(const worker_thread&) = delete;

  // Starts the thread with `body`. False when a thread was already started and not
  // joined, or when the host could not create one.
  bool start(std::function<void()> body);
  // Waits up to `milliseconds` for the function to return; true when it has (or
  // when no thread was started). The thread still has to be joined.
  bool wait_for_exit(unsigned milliseconds) const;
  // Waits for the function to return and releases the thread. An exception that
  // left the function is thrown again here. Nothing happens without a thread.
  void join();
  // True between start and join.
  bool joinable() const { return thread_.joinable(); }

 private:
  struct exit_state {
    std::mutex mutex;
    std::condition_variable done_changed;
    bool done = false;
    std::exception_ptr failure;
  };
  std::thread thread_;
  std::shared_ptr<exit_state> exit_;
};

// The engine's critical section: a lock that the thread holding it may take again
// (each lock needs its unlock).
class critical_section {
 public:
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  // Takes the lock when it is free (or already held by this thread).
  bool try_lock() { return mutex_.try_lock(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds a critical section for the length of a scope.
class critical_section_guard {
 public:
  explicit critical_section_guard(critical_section& section) : section_(section) { section_.lock(); }
  ~critical_section_guard() { section_.unlock(); }
  critical_section_guard(const critical_section_guard&) = delete;
  critical_section_guard& operator=(const critical_section_guard&) = delete;

 private:
  critical_section& section_;
};

// An event that resets itself: a signal releases exactly one wait, and the event is
// clear again. A signal that no one waits for stays set until the next wait takes
// it; signals do not add up.
class auto_reset_event {
 public:
  explicit auto_reset_event(bool initially_set = false) : set_(initially_set) {}
  auto_reset_event(const auto_reset_event&) = delete;
  auto_reset_event& operator=(const auto_reset_event&) = delete;

  void signal();
  // Clears the event without waiting.
  void reset();
  // Waits until the event is set and clears it. With a time limit, false when the
  // time ran out first (the event is then left as it was).
  bool wait(unsigned milliseconds = wait_forever);

 private:
  std::mutex mutex_;
  std::condition_variable set_changed_;
  bool set_;
};

// The number of processors this process may run on (its affinity), at least 1.
unsigned processor_count();

}  // namespace hm::platform
