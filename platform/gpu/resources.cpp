#include "platform/gpu/resources.h"

#include <algorithm>
#include <bit>

#include "platform/gpu/device.h"

namespace hm::platform::gpu {

std::uint32_t bytes_per_pixel(format f) {
  switch (f) {
    case format::a8r8g8b8:
    case format::x8r8g8b8:
    case format::a2b10g10r10:
    case format::a2r10g10b10:
    case format::d32:
    case format::d24s8:
    case format::d24x8:
    case format::d24x4s4:
    case format::r32f:
      return 4;
    case format::r8g8b8:
      return 3;
    case format::r5g6b5:
    case format::x1r5g5b5:
    case format::a1r5g5b5:
    case format::a4r4g4b4:
    case format::a8r3g3b2:
    case format::x4r4g4b4:
    case format::d16_lockable:
    case format::d15s1:
    case format::d16:
    case format::a8l8:
    case format::r16f:
      return 2;
    case format::r3g3b2:
    case format::a8:
    case format::l8:
      return 1;
    case format::a16b16g16r16f:
      return 8;
    default:
      return 0;
  }
}

bool is_block_compressed(format f) { return f == format::dxt1 || f == format::dxt3 || f == format::dxt5; }

bool is_depth_format(format f) {
  switch (f) {
    case format::d16_lockable:
    case format::d32:
    case format::d15s1:
    case format::d24s8:
    case format::d24x8:
    case format::d24x4s4:
    case format::d16:
      return true;
    default:
      return false;
  }
}

std::size_t level_size(format f, std::uint32_t width, std::uint32_t height) {
  if (is_block_compressed(f)) {
    const std::size_t blocks = static_cast<std::size_t>((width + 3) / 4) * ((height + 3) / 4);
    return blocks * (f == format::dxt1 ? 8 : 16);
  }
  return static_cast<std::size_t>(width) * height * bytes_per_pixel(f);
}

int attribute_slot(vertex_usage usage, int usage_index) {
  switch (usage) {
    case vertex_usage::position: return 0;
    case vertex_usage::normal: return 1;
    case vertex_usage::color: return usage_index == 0 ? 2 : 3;
    case vertex_usage::texcoord: return usage_index >= 0 && usage_index < 4 ? 4 + usage_index : -1;
    case vertex_usage::blend_weight: return 8;
    case vertex_usage::blend_indices: return 9;
    case vertex_usage::tangent: return 10;
    case vertex_usage::binormal: return 11;
  }
  return -1;
}

std::uint32_t vertices_for(primitive_type type, std::uint32_t count) {
  if (count == 0) return 0;
  switch (type) {
    case primitive_type::point_list: return count;
    case primitive_type::line_list: return count * 2;
    case primitive_type::line_strip: return count + 1;
    case primitive_type::triangle_list: return count * 3;
    case primitive_type::triangle_strip:
    case primitive_type::triangle_fan: return count + 2;
  }
  return 0;
}

std::uint32_t default_render_state(render_state s) {
  switch (s) {
    case render_state::z_enable:
    case render_state::z_write_enable:
    case render_state::lighting:
      return 1;
    case render_state::z_func: return state_value(compare_func::less_equal);
    case render_state::src_blend: return state_value(blend::one);
    case render_state::dest_blend: return state_value(blend::zero);
    case render_state::alpha_func:
    case render_state::stencil_func:
      return state_value(compare_func::always);
    case render_state::cull_mode: return state_value(cull::counter_clockwise);
    case render_state::fill_mode: return state_value(fill::solid);
    case render_state::color_write_enable: return 0xF;
    case render_state::stencil_mask:
    case render_state::stencil_write_mask:
      return 0xFFFFFFFFu;
    case render_state::stencil_fail:
    case render_state::stencil_zfail:
    case render_state::stencil_pass:
      return state_value(stencil_op::keep);
    case render_state::fog_end: return std::bit_cast<std::uint32_t>(1.0f);
    case render_state::texture_factor: return 0xFFFFFFFFu;
    default: return 0;
  }
}

std::uint32_t default_sampler_state(sampler_state s) {
  switch (s) {
    case sampler_state::address_u:
    case sampler_state::address_v:
      return state_value(texture_address::wrap);
    case sampler_state::mag_filter:
    case sampler_state::min_filter:
      return state_value(texture_filter::point);
    case sampler_state::mip_filter: return state_value(texture_filter::none);
    case sampler_state::max_anisotropy: return 1;
    default: return 0;
  }
}

std::uint32_t default_texture_stage_state(std::uint32_t stage, texture_stage_state s) {
  switch (s) {
    case texture_stage_state::color_op:
      return state_value(stage == 0 ? texture_op::modulate : texture_op::disable);
    case texture_stage_state::alpha_op:
      return state_value(stage == 0 ? texture_op::select_arg1 : texture_op::disable);
    case texture_stage_state::color_arg1:
    case texture_stage_state::alpha_arg1:
      return state_value(texture_arg::texture);
    case texture_stage_state::color_arg2:
    case texture_stage_state::alpha_arg2:
      return state_value(texture_arg::current);
    case texture_stage_state::texcoord_index: return stage;
    default: return 0;
  }
}

void set_texture_times_diffuse_stages(device& d) {
  using ts = texture_stage_state;
  d.set_texture_stage_state(0, ts::color_op, state_value(texture_op::modulate));
  d.set_texture_stage_state(0, ts::color_arg1, state_value(texture_arg::texture));
  d.set_texture_stage_state(0, ts::color_arg2, state_value(texture_arg::diffuse));
  d.set_texture_stage_state(0, ts::alpha_op, state_value(texture_op::modulate));
  d.set_texture_stage_state(0, ts::alpha_arg1, state_value(texture_arg::texture));
  d.set_texture_stage_state(0, ts::alpha_arg2, state_value(texture_arg::diffuse));
  d.set_texture_stage_state(0, ts::texcoord_index, 0);
  d.set_texture_stage_state(1, ts::color_op, state_value(texture_op::disable));
  d.set_texture_stage_state(1, ts::alpha_op, state_value(texture_op::disable));
}

result fixed_function_store::set_light(std::uint32_t index, const light_desc& light) {
  if (index >= max_lights) return result::invalid_call;
  lights[index] = light;
  return result::ok;
}

result fixed_function_store::light_enable(std::uint32_t index, bool on) {
  if (index >= max_lights) return result::invalid_call;
  enabled[index] = on;
  return result::ok;
}

result fixed_function_store::set_clip_plane(std::uint32_t index, const float plane[4]) {
  if (index >= 6 || !plane) return result::invalid_call;
  std::copy_n(plane, 4, clip_planes[index]);
  return result::ok;
}

result fixed_function_store::set_pixel_constant(std::uint32_t index, const float value[4]) {
  if (index >= 8 || !value) return result::invalid_call;
  std::copy_n(value, 4, pixel_constants[index]);
  return result::ok;
}

}  // namespace hm::platform::gpu
