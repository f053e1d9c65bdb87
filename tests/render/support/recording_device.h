#pragma once
// A graphics device for renderer tests: a null device underneath, with a count
// of every call the renderer makes that the null device does not log itself
// (scenes, targets, textures, buffers, draws) and an effect wrapper that counts
// parameter sets by name.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/null_device.h"

namespace hm::test {

struct device_log {
  int begin_scenes = 0;
  int end_scenes = 0;
  int set_textures = 0;
  int draws = 0;
  int technique_sets = 0;
  std::vector<platform::gpu::surface*> render_targets;  // every set_render_target
  std::vector<platform::gpu::surface*> depth_surfaces;  // every set_depth_stencil_surface
  std::vector<std::uint32_t> clear_colours;             // the colour of every clear of the target
  std::vector<platform::gpu::surface*> clear_targets;   // the render target of each of those clears
  std::vector<platform::gpu::surface*> draw_targets;    // the render target of each draw
  platform::gpu::surface* current_target = nullptr;
  std::vector<std::string> calls;                       // names of the calls in order
  std::map<std::string, int> parameter_sets;            // effect parameter sets by name
  std::map<std::string, std::vector<float>> parameter_values;
  std::vector<std::string> techniques;                  // techniques drawn with, in order
  std::vector<std::uint32_t> draw_starts;                // start index of each draw
  std::vector<std::int32_t> draw_base_vertices;
  // At each draw: the cull mode, the alpha-blend enable and the effect's
  // "texture_offset" as they stand.
  std::vector<std::uint32_t> draw_cull_modes;
  std::vector<std::uint32_t> draw_blend_enables;
  std::vector<std::vector<float>> draw_texture_offsets;
  std::map<int, std::vector<float>> transforms;  // the last of each transform kind
  std::vector<platform::gpu::light_desc> lights;  // every set_light, in order
  int buffer_locks = 0;
  int failing_locks = 0;  // the next locks fail this many times
};

// A null system and a device made on it, with the log.
struct recording_gpu {
  recording_gpu();
  platform::gpu::null_system system;
  std::unique_ptr<platform::gpu::device> inner;
  std::unique_ptr<platform::gpu::device> device;
  std::shared_ptr<device_log> log = std::make_shared<device_log>();
};

// Wraps a device (not owned) so that every call is logged into `log`.
std::unique_ptr<platform::gpu::device> make_recording_device(platform::gpu::device& inner,
                                                              std::shared_ptr<device_log> log);

}  // namespace hm::test
