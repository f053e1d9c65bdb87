#pragma once
// What the world map window's frame asks of the running game: the campaign's
// side of the frame (steering the player's party and advancing campaign
// time). The application installs it; without one the map stands still.
namespace hm {

class world_map_frame_host {
 public:
  virtual ~world_map_frame_host() = default;
  // The player's steering and the time mode, then campaign time for a frame
  // of dt real seconds.
  virtual void campaign_frame(float dt) = 0;
};

// Installs the host and returns the previous one (null: none).
world_map_frame_host* set_world_map_frame_host(world_map_frame_host* host);
world_map_frame_host* current_world_map_frame_host();

}  // namespace hm
