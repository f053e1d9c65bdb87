#include "platform/thread.h"

#include <sched.h>

#include <cerrno>
#include <chrono>
#include <system_error>

namespace hm::platform {

worker_thread::~worker_thread() {
  if (!thread_.joinable()) return;
  // A failure nobody asked about cannot leave a destructor.
  try {
    join();
  } catch (...) {
  }
}

bool worker_thread::start(std::function<void()> body) {
  if (thread_.joinable() || !body) return false;
  auto state = std::make_shared<exit_state>();
  try {
    thread_ = std::thread([state, body = std::move(body)] {
      std::exception_ptr failure;
      try {
        body();
      } catch (...) {
        failure = std::current_exception();
      }
      std::lock_guard lock(state->mutex);
      state->failure = failure;
      state->done = true;
      state->done_changed.notify_all();
    });
  } catch (const std::system_error&) {
    return false;
  }
  exit_ = std::move(state);
  return true;
}

bool worker_thread::wait_for_exit(unsigned milliseconds) const {
  if (!exit_) return true;
  std::unique_lock lock(exit_->mutex);
  if (milliseconds == wait_forever) {
    exit_->done_changed.wait(lock, [&] { return exit_->done; });
    return true;
  }
  return exit_->done_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return exit_->done; });
}

void worker_thread::join() {
  if (!thread_.joinable()) return;
  thread_.join();
  std::exception_ptr failure = exit_->failure;
  exit_.reset();
  if (failure) std::rethrow_exception(failure);
}

void auto_reset_event::signal() {
  std::lock_guard lock(mutex_);
  set_ = true;
  set_changed_.notify_one();
}

void auto_reset_event::reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool auto_reset_event::wait(unsigned milliseconds) {
  std::unique_lock lock(mutex_);
  if (milliseconds == wait_forever) {
    set_changed_.wait(lock, [&] { return set_; });
  } else if (!set_changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return set_; })) {
    return false;
  }
  set_ = false;
  return true;
}

unsigned processor_count() {
  // The affinity set may be larger than the default cpu_set_t on big machines.
  for (int cpus = CPU_SETSIZE; cpus <= (1 << 16); cpus *= 2) {
    cpu_set_t* set = CPU_ALLOC(cpus);
    if (!set) break;
    const std::size_t size = CPU_ALLOC_SIZE(cpus);
    CPU_ZERO_S(size, set);
    if (sched_getaffinity(0, size, set) == 0) {
      const int count = CPU_COUNT_S(size, set);
      CPU_FREE(set);
      return count > 0 ? static_cast<unsigned>(count) : 1u;
    }
    CPU_FREE(set);
    if (errno != EINVAL) break;
  }
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware > 0 ? hardware : 1u;
}

}  // namespace hm::platform
