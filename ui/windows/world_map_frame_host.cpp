#include "ui/windows/world_map_frame_host.h"

namespace hm {

namespace {
world_map_frame_host* g_host = nullptr;
}

world_map_frame_host* set_world_map_frame_host(world_map_frame_host* host) {
  world_map_frame_host* previous = g_host;
  g_host = host;
  return previous;
}

world_map_frame_host* current_world_map_frame_host() { return g_host; }

}  // namespace hm
