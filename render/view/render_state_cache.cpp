#include "render/view/render_state_cache.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/device/texture_device.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"

namespace hm {

namespace gpu = platform::gpu;
using gpu::render_state;
using gpu::state_value;

int texture_frame_for_phase(int count, float phase) {
  if (count <= 0) return 0;
  const int n = static_cast<int>(static_cast<float>(count) * phase) % count;
  return n < 0 ? 0 : n;
}

gpu::texture* texture_for_phase(const texture& t, float phase) {
  if (!t.loaded) return nullptr;
  const int count = static_cast<int>(t.frames.size());
  const int frame = (t.flags & 0xF000000u) ? texture_frame_for_phase(count, phase) : 0;
  return texture_frame(t, frame);
}

void render_state_cache::set_device(gpu::device* device) {
  device_ = device;
  blend_.set_device(device);
  max_anisotropy = device ? std::min<std::uint32_t>(device->caps().max_anisotropy, 5u) : 1u;
}

void render_state_cache::set_effect(gpu::effect* effect) {
  if (effect == effect_) return;
  effect_ = effect;
  handles_.clear();
  effect_values_.clear();
}

void render_state_cache::reset_frame_states(bool pixel, const game_options& options) {
  pixel_shaders = pixel;
  render_states_.fill(unknown);
  lights_.fill(2);
  color_ops_.fill(unknown);
  alpha_ops_.fill(unknown);
  transforms_.fill(unknown);
  address_modes_.fill(unknown);
  textures_known_.fill(false);
  pixel_shader_known_ = false;
  for (auto& [name, value] : effect_values_) value.known = false;
  if (!device_) return;
  gpu::device& d = *device_;
  d.set_render_state(render_state::z_enable, 1);
  d.set_render_state(render_state::alpha_test_enable, 0);
  d.set_render_state(render_state::alpha_func, state_value(gpu::compare_func::greater));
  d.set_render_state(render_state::z_write_enable, 1);
  d.set_render_state(render_state::z_func, state_value(gpu::compare_func::less_equal));
  d.set_render_state(render_state::range_fog_enable, 1);
  d.set_render_state(render_state::fog_enable, 0);
  if (!pixel) {
    d.set_render_state(render_state::lighting, 0);
    for (std::uint32_t i = 0; i < gpu::max_lights; ++i) d.light_enable(i, false);
  }
  d.set_render_state(render_state::normalize_normals, 0);
  d.set_render_state(render_state::ambient_material_source, 1);
  d.set_render_state(render_state::specular_material_source, 0);
  d.set_pixel_program(nullptr);
  const auto filter = options.anisotropic_filtering ? gpu::texture_filter::anisotropic : gpu::texture_filter::linear;
  for (std::uint32_t stage = 0; stage < stages; ++stage) {
    d.set_texture(stage, nullptr);
    d.set_sampler_state(stage, gpu::sampler_state::mip_filter, state_value(filter));
    d.set_sampler_state(stage, gpu::sampler_state::min_filter, state_value(filter));
    d.set_sampler_state(stage, gpu::sampler_state::mag_filter, state_value(gpu::texture_filter::linear));
    d.set_sampler_state(stage, gpu::sampler_state::max_anisotropy, max_anisotropy);
    d.set_texture_stage_state(stage, gpu::texture_stage_state::texture_transform_flags, 0);
    d.set_texture_stage_state(stage, gpu::texture_stage_state::texcoord_index, 0);
    d.set_sampler_state(stage, gpu::sampler_state::address_u, state_value(gpu::texture_address::wrap));
    d.set_sampler_state(stage, gpu::sampler_state::address_v, state_value(gpu::texture_address::wrap));
  }
  d.set_render_state(render_state::specular_enable, 0);
  d.set_render_state(render_state::alpha_blend_enable, 0);
  blend_.reset();
  if (pixel && effect_) {
    set_effect_int("iLightPointCount", 0);
    const float g = options.gamma;
    set_effect_float("output_gamma", g);
    set_effect_float("output_gamma_inv", g != 0.0f ? 1.0f / g : 1.0f);
  }
}

void render_state_cache::set_state(render_state state, std::uint32_t value) {
  std::uint32_t& cached = render_states_[static_cast<std::size_t>(state)];
  if (cached == value) return;
  cached = value;
  if (device_) device_->set_render_state(state, value);
}

void render_state_cache::set_depth_always(bool always) {
  set_state(render_state::z_func, state_value(always ? gpu::compare_func::always : gpu::compare_func::less_equal));
}

void render_state_cache::set_alpha_test(int mode) {
  static constexpr std::uint32_t references[4] = {0, 8, 0x88, 0xFB};
  if (mode < 0 || mode > 3) mode = 0;
  set_state(render_state::alpha_test_enable, mode ? 1u : 0u);
  if (mode) set_state(render_state::alpha_ref, references[mode]);
}

void render_state_cache::set_light_enable(std::uint32_t index, bool on) {
  if (index >= gpu::max_lights || lights_[index] == (on ? 1 : 0)) return;
  lights_[index] = on ? 1 : 0;
  if (device_) device_->light_enable(index, on);
}

namespace {

gpu::texture_op device_op(std::uint32_t op) {
  switch (op) {
    case 1: return gpu::texture_op::disable;
    case 2: return gpu::texture_op::select_arg1;
    case 3: return gpu::texture_op::select_arg2;
    case 4: return gpu::texture_op::modulate;
    case 5: return gpu::texture_op::modulate2x;
    case 6: return gpu::texture_op::modulate4x;
    case 7: return gpu::texture_op::add;
    case 8:
    case 9: return gpu::texture_op::add_signed;
    case 10: return gpu::texture_op::subtract;
    case 13: return gpu::texture_op::blend_texture_alpha;
    default: return gpu::texture_op::modulate;
  }
}

gpu::texture_arg device_arg(std::uint32_t selector) {
  switch (selector) {
    case 1:
    case 2: return gpu::texture_arg::diffuse;
    case 4: return gpu::texture_arg::texture;
    case 5: return gpu::texture_arg::factor;
    default: return gpu::texture_arg::current;
  }
}

}  // namespace

void render_state_cache::send_stage_op(std::uint32_t stage, std::uint32_t word, bool colour) {
  if (!device_) return;
  using ts = gpu::texture_stage_state;
  device_->set_texture_stage_state(stage, colour ? ts::color_op : ts::alpha_op, state_value(device_op(word & 0x1F)));
  device_->set_texture_stage_state(stage, colour ? ts::color_arg1 : ts::alpha_arg1,
                                   state_value(device_arg((word >> 5) & 7)));
  device_->set_texture_stage_state(stage, colour ? ts::color_arg2 : ts::alpha_arg2,
                                   state_value(device_arg((word >> 8) & 7)));
}

void render_state_cache::set_color_op(std::uint32_t stage, std::uint32_t word) {
  if (stage >= stages || color_ops_[stage] == word) return;
  color_ops_[stage] = word;
  send_stage_op(stage, word, true);
}

void render_state_cache::set_alpha_op(std::uint32_t stage, std::uint32_t word) {
  if (stage >= stages || alpha_ops_[stage] == word) return;
  alpha_ops_[stage] = word;
  send_stage_op(stage, word, false);
}

void render_state_cache::set_address_mode(std::uint32_t stage, std::uint32_t word) {
  if (stage >= stages || address_modes_[stage] == word) return;
  address_modes_[stage] = word;
  if (!device_) return;
  auto mode = [](bool clamp) { return state_value(clamp ? gpu::texture_address::clamp : gpu::texture_address::wrap); };
  device_->set_sampler_state(stage, gpu::sampler_state::address_u, mode(word & 1));
  device_->set_sampler_state(stage, gpu::sampler_state::address_v, mode(word & 2));
}

void render_state_cache::set_texture_transform(std::uint32_t stage, std::uint32_t coordinates) {
  if (stage >= stages || transforms_[stage] == coordinates) return;
  transforms_[stage] = coordinates;
  if (device_) device_->set_texture_stage_state(stage, gpu::texture_stage_state::texture_transform_flags, coordinates);
}

void render_state_cache::set_texture(std::uint32_t stage, gpu::texture* t) {
  if (stage >= stages) return;
  if (textures_known_[stage] && textures_[stage] == t) return;
  textures_known_[stage] = true;
  textures_[stage] = t;
  if (device_) device_->set_texture(stage, t);
}

void render_state_cache::bind_texture(const texture& t, std::uint32_t stage, float phase) {
  gpu::texture* device_texture = texture_for_phase(t, phase);
  if (!device_texture) return;
  set_texture(stage, device_texture);
  set_address_mode(stage, (t.flags >> 20) & 3u);
}

void render_state_cache::set_material(float power, const float specular[3]) {
  if (!device_) return;
  gpu::material_desc m;
  for (int i = 0; i < 3; ++i) m.specular[i] = specular[i];
  m.specular[3] = 1.0f;
  m.power = power;
  device_->set_material(m);
}

void render_state_cache::select_pixel_shader(const shader& s) {
  void* wanted = nullptr;
  if (s.flags & shader::flag_assembled_pixel_shader)
    wanted = s.pixel_shader;
  else if (s.flags & shader::flag_effect)
    return;
  if (pixel_shader_known_ && pixel_shader_ == wanted) return;
  pixel_shader_known_ = true;
  pixel_shader_ = wanted;
  if (device_) device_->set_pixel_program(static_cast<gpu::pixel_program*>(wanted));
}

// --- effect parameters ------------------------------------------------------------------------

gpu::effect_handle render_state_cache::parameter(const char* name) {
  if (!effect_) return nullptr;
  auto it = handles_.find(name);
  if (it != handles_.end()) return it->second;
  gpu::effect_handle h = effect_->get_parameter_by_name(name);
  handles_.emplace(name, h);
  return h;
}

render_state_cache::effect_value& render_state_cache::effect_cache(const char* name) { return effect_values_[name]; }

void render_state_cache::set_effect_floats(const char* name, const float* values, std::uint32_t count) {
  gpu::effect_handle h = parameter(name);
  if (!h) return;
  effect_value& v = effect_cache(name);
  if (v.known && v.floats.size() == count && std::equal(values, values + count, v.floats.begin())) return;
  v.known = true;
  v.floats.assign(values, values + count);
  effect_->set_floats(h, values, count);
}

void render_state_cache::set_effect_float(const char* name, float value) { set_effect_floats(name, &value, 1); }

void render_state_cache::set_effect_int(const char* name, std::int32_t value) {
  gpu::effect_handle h = parameter(name);
  if (!h) return;
  effect_value& v = effect_cache(name);
  const float as_float = static_cast<float>(value);
  if (v.known && v.floats.size() == 1 && v.floats[0] == as_float) return;
  v.known = true;
  v.floats.assign(1, as_float);
  effect_->set_int(h, value);
}

void render_state_cache::set_effect_vector(const char* name, const float value[4]) {
  set_effect_floats(name, value, 4);
}

void render_state_cache::set_effect_matrix(const char* name, const matrix4& m) { set_effect_floats(name, m.m, 16); }

void render_state_cache::set_effect_texture(const char* name, gpu::texture* t) {
  gpu::effect_handle h = parameter(name);
  if (!h) return;
  effect_value& v = effect_cache(name);
  if (v.known && v.texture == t) return;
  v.known = true;
  v.texture = t;
  effect_->set_texture(h, t);
}

// --- materials and meshes -----------------------------------------------------------------------

void render_state_cache::apply_material_states(const material& m) {
  set_depth_always(m.flags & material_flag_depth_always);
  set_depth_write_off(m.flags & material_flag_no_depth_write);
  set_alpha_test(static_cast<int>((m.flags >> 12) & 3u));
  set_state(render_state::normalize_normals, (m.flags >> 11) & 1u);
  const bool specular = m.shader_ptr && (m.shader_ptr->flags & shader_flag_specular);
  set_state(render_state::specular_enable, specular ? 1u : 0u);
  if (specular) {
    set_effect_float("fMaterialPower", m.specular_power);
    const float colour[4] = {m.specular_color[0], m.specular_color[1], m.specular_color[2], 1.0f};
    set_effect_vector("vSpecularColor", colour);
  }
}

void render_state_cache::apply_material_states_fixed(const material& m, float phase) {
  set_depth_always(m.flags & material_flag_depth_always);
  set_depth_write_off(m.flags & material_flag_no_depth_write);
  set_alpha_test(static_cast<int>((m.flags >> 12) & 3u));
  set_state(render_state::normalize_normals, (m.flags >> 11) & 1u);
  const shader* s = m.shader_ptr;
  const bool specular = s && (s->flags & shader_flag_specular);
  set_state(render_state::specular_enable, specular ? 1u : 0u);
  if (specular) {
    const float half[3] = {m.specular_color[0] * 0.5f, m.specular_color[1] * 0.5f, m.specular_color[2] * 0.5f};
    set_material(2.0f * m.specular_power, half);
  }
  if (!s) return;
  const auto count = static_cast<std::uint32_t>(std::clamp(s->stage_count, 0, shader::max_stages));
  for (std::uint32_t i = 0; i < count && i < stages; ++i) {
    const shader_stage& st = s->stages[i];
    if (st.word0 >= 0 && st.word0 < material::texture_slots && m.textures[static_cast<std::size_t>(st.word0)])
      bind_texture(*m.textures[static_cast<std::size_t>(st.word0)], i, phase);
    set_color_op(i, st.word1);
    set_alpha_op(i, st.word2);
  }
  if (count < stages) {
    set_color_op(count, stage_op_off);
    set_alpha_op(count, stage_op_off);
  }
}

void render_state_cache::apply_mesh_blend_and_stages(const mesh& m) {
  const material* mat = m.mat;
  std::int32_t mode = 0;
  if (m.force_blend) {
    mode = 1;
  } else if (mat) {
    const auto field = static_cast<std::int32_t>((mat->flags >> 8) & 7u);
    if (field == 7)
      mode = (m.color >> 24) == 0xFFu ? 0 : 1;
    else
      mode = field;
  }
  set_blend_mode(mode);
  const shader* s = mat ? mat->shader_ptr : nullptr;
  if (s) {
    const auto count = static_cast<std::uint32_t>(std::clamp(s->stage_count, 0, shader::max_stages));
    for (std::uint32_t i = 0; i < count && i < stages; ++i) {
      const shader_stage& st = s->stages[i];
      set_texgen_mode(i, static_cast<std::int32_t>(st.word3 & 0xFFu));
      if (st.word3 & stage_flag_texture_transform) {
        set_texture_transform(i, 2);
        if (device_)
          device_->set_transform(static_cast<gpu::transform_kind>(static_cast<std::uint32_t>(gpu::transform_kind::texture0) + i),
                                 m.texture_matrix);
      } else {
        set_texture_transform(i, 0);
      }
    }
  }
  if (s && (s->flags & shader::flag_assembled_pixel_shader)) {
    const hm::color c = argb_to_color(m.color);
    const float constant[4] = {c.r, c.g, c.b, c.a};
    if (device_) device_->set_pixel_constant(0, constant);
  } else {
    set_texture_factor(m.color);
  }
}

void render_state_cache::set_view_transform(const matrix4& view, const matrix4& camera_to_world) {
  view_ = view;
  camera_ = camera_to_world;
  if (device_) device_->set_transform(gpu::transform_kind::view, view.m);
}

void render_state_cache::set_projection(const matrix4& projection) {
  projection_ = projection;
  if (device_) device_->set_transform(gpu::transform_kind::projection, projection.m);
}

}  // namespace hm
