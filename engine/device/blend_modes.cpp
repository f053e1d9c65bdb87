#include "engine/device/blend_modes.h"

#include "platform/gpu/device.h"

namespace hm {

namespace gpu = platform::gpu;

void blend_texgen_cache::set_blend_mode(std::int32_t mode) {
  if (mode == blend_mode_) return;
  blend_mode_ = mode;
  if (!device_) return;
  if (mode == 0) {
    device_->set_render_state(gpu::render_state::alpha_blend_enable, 0);
    return;
  }
  gpu::blend src = gpu::blend::zero, dest = gpu::blend::src_color;
  if (mode == 1) {
    src = gpu::blend::src_alpha;
    dest = gpu::blend::inv_src_alpha;
  } else if (mode == 2) {
    src = gpu::blend::src_alpha;
    dest = gpu::blend::one;
  }
  device_->set_render_state(gpu::render_state::alpha_blend_enable, 1);
  device_->set_render_state(gpu::render_state::src_blend, gpu::state_value(src));
  device_->set_render_state(gpu::render_state::dest_blend, gpu::state_value(dest));
}

void blend_texgen_cache::set_texgen_mode(std::uint32_t stage, std::int32_t mode) {
  if (stage >= stages || texgen_modes_[stage] == mode) return;
  texgen_modes_[stage] = mode;
  std::uint32_t index = 0;
  switch (mode) {
    case 0:
    case 1: index = static_cast<std::uint32_t>(mode); break;
    case 16: index = gpu::texcoord_sphere_map; break;
    case 32: index = gpu::texcoord_camera_space_normal; break;
    case 48: index = gpu::texcoord_camera_space_reflection; break;
    case 64: index = gpu::texcoord_camera_space_position; break;
    // Negative modes name no coordinate set: like other unknown values they
    // are remembered and send nothing.
    default: return;
  }
  if (device_) device_->set_texture_stage_state(stage, gpu::texture_stage_state::texcoord_index, index);
}

void blend_texgen_cache::reset() {
  blend_mode_ = 0;
  texgen_modes_.fill(0);
  if (!device_) return;
  device_->set_render_state(gpu::render_state::alpha_blend_enable, 0);
  for (std::uint32_t stage = 0; stage < stages; ++stage)
    device_->set_texture_stage_state(stage, gpu::texture_stage_state::texcoord_index, 0);
}

}  // namespace hm
