#pragma once
// The texture resource: a named image loaded from Textures\ (or a render target).
// This is the record half that resource files carry; the device half (loading
// the image, the detail reduction, render-target surfaces) lives behind
// resource_device_hooks, so the records can be read, written and tested without
// a device.
#include <cstdint>
#include <vector>

#include "engine/resource/resource.h"

namespace hm {

class texture : public resource {
 public:
  // Texture kinds: loaded from a file, or one of the two render-target kinds.
  static constexpr int kind_file = 0;
  static constexpr int kind_render_target = 1;
  static constexpr int kind_depth_target = 2;

  // Flag bits from the file.
  static constexpr std::uint32_t flag_no_detail_reduction = 0x2;
  static constexpr std::uint32_t flag_needs_pixel_shaders = 0x4;

  texture() = default;
  // Releases the device objects first.
  ~texture() override;
  texture(const texture&) = delete;
  texture& operator=(const texture&) = delete;

  int get_type_id() const override { return texture_resource_type_id; }
  const char* get_type_name() const override { return "texture"; }

  // 4 x n frames when bits 24..27 hold a frame-group count n, else 1.
  int frames_wanted() const {
    int groups = static_cast<int>((flags >> 24) & 15u);
    return groups ? 4 * groups : 1;
  }

  bool loaded = false;
  std::int32_t id = -1;  // running id given at registration
  std::int32_t kind = kind_file;
  std::uint32_t flags = 0;
  std::int32_t frame_count = 0;
  // Render-target description, used by the render-target code. Formats are
  // platform::gpu::format codes: the one asked for and the one created.
  std::int32_t width = 128;
  std::int32_t height = 128;
  std::int32_t mipmapped = 0;
  std::int32_t requested_format = default_target_format;
  std::int32_t format = default_target_format;
  // Device objects, owned and interpreted by the device hooks: the device
  // textures of the frames (a render target's own texture is frame 0), the
  // colour surface (level 0 of a render target) and the depth-stencil surface.
  std::vector<void*> frames;
  void* surface = nullptr;
  void* depth_surface = nullptr;
  // Set while a render target's device objects exist.
  std::int32_t surface_word = 0;
  // Which device the render target's objects were made on (the device hooks'
  // serial; 0 none).
  std::uint64_t device_serial = 0;
  // The render code's own value of a pooled render target; the pool compares it.
  std::int32_t target_value = -1;
  // The renderer's device generation when the target was last bound.
  std::uint32_t drawn_generation = 0;

  // platform::gpu::format::a8r8g8b8.
  static constexpr std::int32_t default_target_format = 2;
};

// Destroys the depth surface, every frame texture and the colour surface whether
// or not the texture counts as loaded, clears loaded and the created word, then
// frees the frames.
void release_texture_device_objects(texture& t);

}  // namespace hm
