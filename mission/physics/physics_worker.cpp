#include "mission/physics/physics_worker.h"

namespace hm {

// Defined together so that the worker, made after the worlds, is destroyed
// (and its thread stopped) before them.
physics_world_list physics_worlds;
physics_worker physics_worlds_worker(physics_worlds);

bool physics_worker::start() {
  if (thread_.joinable()) return false;
  running_ = true;
  physics_event.reset();
  if (!thread_.start([this] { run(); })) {
    running_ = false;
    return false;
  }
  physics_thread_enabled = true;
  return true;
}

void physics_worker::stop() {
  if (!thread_.joinable()) return;
  running_ = false;
  // The event stays set when the thread is not waiting yet, so it cannot miss it.
  physics_event.signal();
  thread_.join();
  physics_thread_enabled = false;
}

void physics_worker::run() {
  while (running_) {
    physics_event.wait();
    if (!running_) break;
    platform::critical_section_guard hold(physics_lock);
    if (pending_physics_time > 0.0f) {
      step_physics(worlds_, pending_physics_time);
      pending_physics_time = 0.0f;
    }
  }
}

void physics_worker::frame_start(float frame_time) {
  if (physics_thread_enabled) return;
  if (frame_time > 0.0f) {
    platform::critical_section_guard hold(physics_lock);
    step_physics(worlds_, frame_time);
  }
}

void physics_worker::frame_end(float frame_time) {
  if (!physics_thread_enabled) return;
  platform::critical_section_guard hold(physics_lock);
  pending_physics_time += frame_time;
}

void clear_mission_physics() {
  platform::critical_section_guard hold(physics_worlds.lock);
  clear_physics_worlds(physics_worlds);
}

bool start_physics_worker_if_allowed(bool force_single_threading) {
  if (force_single_threading || platform::processor_count() <= 1) return false;
  return physics_worlds_worker.start();
}

}  // namespace hm
