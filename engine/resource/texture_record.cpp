#include "engine/resource/texture_record.h"

#include "platform/gpu/device.h"

namespace hm {

namespace gpu = platform::gpu;

void release_texture_device_objects(texture& t) {
  // Device objects go whether or not the texture counts as loaded: none may
  // outlive the texture that holds it.
  delete static_cast<gpu::surface*>(t.depth_surface);
  t.depth_surface = nullptr;
  for (void*& f : t.frames) {
    delete static_cast<gpu::texture*>(f);
    f = nullptr;
  }
  delete static_cast<gpu::surface*>(t.surface);
  t.surface = nullptr;
  t.loaded = false;
  t.surface_word = 0;
  t.frames.clear();
  t.frame_count = 0;
}

texture::~texture() { release_texture_device_objects(*this); }

}  // namespace hm
