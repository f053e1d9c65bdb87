#pragma once
// The physics worker: an optional thread that steps the mission's physics
// worlds between two mission frames. The mission screen's frame holds the
// physics lock while it runs (every read and write of a ragdoll happens
// under it) and hands the frame's time to the worker when it leaves; the
// worker then steps the worlds by the time it was handed, under the same
// lock. Without the worker the frame steps the worlds itself.
#include <atomic>

#include "mission/physics/physics_worlds.h"
#include "platform/thread.h"

namespace hm {

class physics_worker {
 public:
  explicit physics_worker(physics_world_list& worlds) : physics_lock(worlds.lock), worlds_(worlds) {}
  // Stops the thread: it never outlives the worlds it steps.
  ~physics_worker() { stop(); }
  physics_worker(const physics_worker&) = delete;
  physics_worker& operator=(const physics_worker&) = delete;

  // Starts the thread; false when it runs already or could not be started.
  bool start();
  // Ends the loop and waits for the thread; a step under way finishes first.
  // Time handed over and not stepped stays pending.
  void stop();

  // --- the mission frame's side
  // At the start of a frame, with no worker: the frame's time is stepped at
  // once when it is above 0.
  void frame_start(float frame_time);
  // At the end of a frame, with the worker: the frame's time is handed over.
  void frame_end(float frame_time);

  physics_world_list& worlds() { return worlds_; }

  // Set while the thread runs.
  std::atomic<bool> physics_thread_enabled{false};
  // Time handed to the worker and not stepped yet (under the lock).
  float pending_physics_time = 0.0f;
  // The worlds' lock.
  platform::critical_section& physics_lock;
  platform::auto_reset_event physics_event;

 private:
  void run();

  physics_world_list& worlds_;
  std::atomic<bool> running_{false};
  platform::worker_thread thread_;
};

// Holds the physics lock for one mission frame; on every way out it leaves
// the lock and wakes the worker.
class physics_frame_scope {
 public:
  explicit physics_frame_scope(physics_worker& worker) : worker_(worker) { worker_.physics_lock.lock(); }
  ~physics_frame_scope() {
    worker_.physics_lock.unlock();
    worker_.physics_event.signal();
  }
  physics_frame_scope(const physics_frame_scope&) = delete;
  physics_frame_scope& operator=(const physics_frame_scope&) = delete;

 private:
  physics_worker& worker_;
};

// The worker that steps `physics_worlds`; stopped before the worlds are
// destroyed at the end of the program.
extern physics_worker physics_worlds_worker;

// Destroys every ragdoll world of `physics_worlds` under its lock, as mission
// set-up does before a new mission.
void clear_mission_physics();

// Starts physics_worlds_worker when single threading is not forced and the
// process may run on more than one processor. True when it was started.
bool start_physics_worker_if_allowed(bool force_single_threading);

}  // namespace hm
