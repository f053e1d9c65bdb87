#pragma once
// A small drawer of flat interface meshes (text meshes and the like) straight
// onto the graphics device, in the interface's space: x from 0 at the left to
// 1 at the right, y from 0 at the bottom to 0.75 at the top. Each mesh is
// drawn with the first texture of its material, its vertex colours times a
// colour, moved by an offset.
//
// This stands in until the scene renderer draws the interface: once it does,
// interface meshes go through its render lists and this drawer goes.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "platform/gpu/device.h"

namespace hm {

class mesh;
struct message_log;

class ui_mesh_drawer {
 public:
  static constexpr float ui_width = 1.0f;
  static constexpr float ui_height = 0.75f;

  ui_mesh_drawer() = default;
  ~ui_mesh_drawer();
  ui_mesh_drawer(const ui_mesh_drawer&) = delete;
  ui_mesh_drawer& operator=(const ui_mesh_drawer&) = delete;

  // Takes a device, letting go of the objects made on the previous one.
  void set_device(platform::gpu::device* device);
  platform::gpu::device* device() const { return device_; }
  // The vertex layout, made by the first draw on a device; released here
  // before the device goes.
  void release_device_objects();

  // Sets the drawing state: blended, no depth, no culling, the texture times
  // the vertex colour. Must be inside the device's scene.
  bool begin();
  // Draws the mesh's faces; false when the mesh has no faces or no texture
  // (an untextured text mesh would show solid boxes), or the device refuses.
  bool draw(const mesh& m, std::uint32_t colour, const vec3& offset);
  // Unbinds the texture and the vertex layout.
  void end();

  // The device texture of a mesh's material (its first texture, first frame), or null.
  static platform::gpu::texture* mesh_texture(const mesh& m);
  // The projection (rows as the device stores them) of the interface's space.
  static const float* ui_projection();

 private:
  struct vertex {
    float x, y, z;
    std::uint32_t colour;
    float u, v;
  };

  platform::gpu::device* device_ = nullptr;
  std::unique_ptr<platform::gpu::vertex_layout> layout_;
  std::vector<vertex> vertices_;
  bool drawing_ = false;
};

// Where the message log sits: the newest line's start position is `anchor`
// (lines hang below it), older lines stack above up to `max_height`.
struct message_log_placement {
  vec3 anchor{0.0f, 0.18f, 0.0f};
  float max_height = 0.45f;
  // Each line's background copy is drawn first as a dark shadow, this far off.
  vec3 shadow_offset{0.0015f, -0.002f, 0.0f};
  float shadow_strength = 0.7f;
};

// Draws the lines the log still shows (the caller has begun the drawer).
// Returns the number of meshes drawn.
int draw_message_log(ui_mesh_drawer& drawer, const message_log& log,
                     const message_log_placement& placement = message_log_placement{});

}  // namespace hm
