#pragma once
// What the application gives the hosts that answer its windows: the game's
// state machine, the running campaign and the program's own steps (launching,
// leaving, quitting). The hosts reach the application only through this, so
// they sit below it.
#include <cstdint>

#include "platform/gpu/device.h"

namespace hm {

class application_hosts;
class campaign_game;

class game_services {
 public:
  virtual ~game_services() = default;
  // The dispatcher's hosts; null before the application made them.
  virtual application_hosts* hosts() const = 0;
  // The running campaign; null while no game runs.
  virtual campaign_game* campaign() const = 0;
  virtual void prepare_launch(std::int32_t mode, std::int32_t start_value) = 0;
  virtual void module_load_finished() = 0;
  virtual void request_exit() = 0;
  virtual void leave_game() = 0;
  virtual const platform::gpu::surface_desc& back_buffer() const = 0;
};

}  // namespace hm
