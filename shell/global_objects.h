#pragma once
// The engine's long-lived objects, brought to their start values in one fixed
// order when the program starts and released in the reverse order when it
// ends. The objects themselves are the engine's globals (the resource manager,
// the translation table, the module's tables...); this object owns their
// order, so nothing depends on the order in which the runtime happens to
// construct or destroy statics of different files: by the time the statics'
// own destructors run, everything here is already empty.
//
// The program makes one before the game application and keeps it until after
// the application is gone (the application is the last object started and the
// first released).
#include <string>
#include <vector>

namespace hm {

class global_objects {
 public:
  // Brings every object to its start values in order: among them the script
  // state's reset (trigger parameters -100000, fixed-point multiplier 100, no
  // music request), the module settings' defaults, the key bindings read from
  // controls.dat (the default keys when it is missing or broken) and empty
  // module tables.
  global_objects();
  // Releases every object in the reverse order: the module's tables, sounds,
  // music tracks, translations and the rest are empty afterwards.
  ~global_objects();
  global_objects(const global_objects&) = delete;
  global_objects& operator=(const global_objects&) = delete;

  // The objects in their start-up order.
  static std::vector<std::string> names();

  // What was done, in order: "start <name>" and "release <name>" (tests and
  // the start-up log read it).
  static const std::vector<std::string>& history();
};

}  // namespace hm
