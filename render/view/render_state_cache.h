#pragma once
// The render-state cache: everything the scene view sends to the device goes
// through it. It remembers the last value sent for each render state, stage
// state, sampler state, texture, pixel shader and effect parameter it manages
// and sends a new value only when it differs. reset_frame_states puts the
// device into a known state at the start of every render and poisons every
// cached value so that its next use sends it.
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/device/blend_modes.h"
#include "platform/gpu/device.h"
#include "render/entity/render_matrix.h"

namespace hm {

class material;
class mesh;
class shader;
class texture;
struct game_options;

// Texture-stage operation words: bits 0-4 the operation, bits 5-7 and 8-10
// the first and second argument (0 current, 1 diffuse, 2 specular, 3
// temporary, 4 texture, 5 texture factor).
inline constexpr std::uint32_t stage_op_factor = 0xA2;              // the texture factor
inline constexpr std::uint32_t stage_op_factor_times_texture = 0x4A4;
inline constexpr std::uint32_t stage_op_factor_minus_current = 0xAA;
inline constexpr std::uint32_t stage_op_current = 2;
inline constexpr std::uint32_t stage_op_off = 1;

// Material flag bits the cache reads.
inline constexpr std::uint32_t material_flag_no_fog = 0x1;
inline constexpr std::uint32_t material_flag_no_depth_write = 0x8;
inline constexpr std::uint32_t material_flag_depth_always = 0x10;
inline constexpr std::uint32_t material_flag_sky = 0x20000;
// Shader flag bits the drawing reads.
inline constexpr std::uint32_t shader_flag_specular = 0x20;
inline constexpr std::uint32_t shader_flag_unlit = 0x80;
inline constexpr std::uint32_t shader_flag_reflection = 0x100;
inline constexpr std::uint32_t shader_flag_plant = 0x1000;
// A stage flag (the stage record's last word): a texture transform from the mesh.
inline constexpr std::uint32_t stage_flag_texture_transform = 0x100;

// The device texture a texture resource binds for a phase: frame
// trunc(count x phase) mod count of a texture with frames, else frame 0; null
// for a texture that is not loaded.
platform::gpu::texture* texture_for_phase(const texture& t, float phase);
// The frame index that phase picks among `count` frames.
int texture_frame_for_phase(int count, float phase);

class render_state_cache {
 public:
  static constexpr std::uint32_t stages = 3;
  // A cached value no real state has: the next use sends.
  static constexpr std::uint32_t unknown = 0xDEADBEEFu;

  void set_device(platform::gpu::device* device);
  platform::gpu::device* device() const { return device_; }
  // The effect the effect path sets parameters on (null: none).
  void set_effect(platform::gpu::effect* effect);
  platform::gpu::effect* effect() const { return effect_; }

  // The start of every render: known device defaults, every cached value unknown.
  void reset_frame_states(bool pixel_shaders, const game_options& options);

  // A render state, sent when it differs from the cached one.
  void set_state(platform::gpu::render_state state, std::uint32_t value);
  std::uint32_t cached_state(platform::gpu::render_state state) const {
    return render_states_[static_cast<std::size_t>(state)];
  }
  // A state sent around the cache (an effect pass): its next use sends it.
  void forget_state(platform::gpu::render_state state) {
    if (state < platform::gpu::render_state::count) render_states_[static_cast<std::size_t>(state)] = unknown;
  }
  void set_lighting(bool on) { set_state(platform::gpu::render_state::lighting, on ? 1u : 0u); }
  void set_fog_enable(bool on) { set_state(platform::gpu::render_state::fog_enable, on ? 1u : 0u); }
  // Depth function ALWAYS (true) or LESSEQUAL.
  void set_depth_always(bool always);
  void set_depth_write_off(bool off) { set_state(platform::gpu::render_state::z_write_enable, off ? 0u : 1u); }
  // 0 off; 1, 2, 3 the references 8, 0x88 and 0xFB.
  void set_alpha_test(int mode);
  void set_cull(platform::gpu::cull mode) { set_state(platform::gpu::render_state::cull_mode, state_value(mode)); }
  void set_texture_factor(std::uint32_t argb) { set_state(platform::gpu::render_state::texture_factor, argb); }
  void set_light_enable(std::uint32_t index, bool on);

  void set_color_op(std::uint32_t stage, std::uint32_t word);
  void set_alpha_op(std::uint32_t stage, std::uint32_t word);
  // Bit 0 clamps u, bit 1 clamps v (else wrap).
  void set_address_mode(std::uint32_t stage, std::uint32_t word);
  void set_texture_transform(std::uint32_t stage, std::uint32_t coordinates);
  void set_texture(std::uint32_t stage, platform::gpu::texture* t);
  platform::gpu::texture* bound_texture(std::uint32_t stage) const { return stage < stages ? textures_[stage] : nullptr; }
  // Binds a texture resource for a phase with its address mode.
  void bind_texture(const texture& t, std::uint32_t stage, float phase);

  void set_blend_mode(std::int32_t mode) { blend_.set_blend_mode(mode); }
  // Blending changed around the cache: blending off, and the cache knows it.
  void forget_blend_mode() { blend_.set_blend_mode(0); if (device_) device_->set_render_state(platform::gpu::render_state::alpha_blend_enable, 0); }
  std::int32_t blend_mode() const { return blend_.blend_mode(); }
  void set_texgen_mode(std::uint32_t stage, std::int32_t mode) { blend_.set_texgen_mode(stage, mode); }

  void set_material(float power, const float specular[3]);
  // Binds the shader's own pixel shader (flag 0x10000000), unbinds any (neither
  // 0x20000000 nor 0x10000000), or leaves the current one (0x20000000).
  void select_pixel_shader(const shader& s);

  // Effect parameters, sent when they differ from the values last sent.
  void set_effect_float(const char* name, float value);
  void set_effect_int(const char* name, std::int32_t value);
  void set_effect_vector(const char* name, const float value[4]);
  void set_effect_floats(const char* name, const float* values, std::uint32_t count);
  void set_effect_matrix(const char* name, const matrix4& m);
  void set_effect_texture(const char* name, platform::gpu::texture* t);
  // The handle of a parameter (looked up once per effect).
  platform::gpu::effect_handle parameter(const char* name);

  // The material states of both paths: depth function, depth writes, alpha
  // test, normalised normals, specular; the effect variant sends the specular
  // power and colour, the fixed-function one the material and the textures.
  void apply_material_states(const material& m);
  void apply_material_states_fixed(const material& m, float phase);
  // The mesh's blend mode, the shader's texture generation and transforms, and
  // the mesh colour (pixel constant 0 or the texture factor).
  void apply_mesh_blend_and_stages(const mesh& m);

  // The view and projection in force, with the camera-to-world matrix.
  void set_view_transform(const matrix4& view, const matrix4& camera_to_world);
  void set_projection(const matrix4& projection);
  const matrix4& view_matrix() const { return view_; }
  const matrix4& camera_matrix() const { return camera_; }
  const matrix4& projection_matrix() const { return projection_; }

  // The cull mode set_view_state chose for the view.
  platform::gpu::cull cull_mode = platform::gpu::cull::clockwise;
  bool scene_open = false;
  bool hardware_shadows = false;
  bool pixel_shaders = false;
  std::uint32_t max_anisotropy = 1;

 private:
  struct effect_value {
    std::vector<float> floats;
    platform::gpu::texture* texture = nullptr;
    bool known = false;
  };
  effect_value& effect_cache(const char* name);
  void send_stage_op(std::uint32_t stage, std::uint32_t word, bool colour);

  platform::gpu::device* device_ = nullptr;
  platform::gpu::effect* effect_ = nullptr;
  blend_texgen_cache blend_;
  std::array<std::uint32_t, static_cast<std::size_t>(platform::gpu::render_state::count)> render_states_{};
  std::array<std::uint8_t, platform::gpu::max_lights> lights_{};  // 0 off, 1 on, 2 unknown
  std::array<std::uint32_t, stages> color_ops_{};
  std::array<std::uint32_t, stages> alpha_ops_{};
  std::array<std::uint32_t, stages> transforms_{};
  std::array<std::uint32_t, stages> address_modes_{};
  std::array<platform::gpu::texture*, stages> textures_{};
  std::array<bool, stages> textures_known_{};
  void* pixel_shader_ = nullptr;
  bool pixel_shader_known_ = false;
  std::unordered_map<const char*, platform::gpu::effect_handle> handles_;  // by the names' literals
  std::unordered_map<const char*, effect_value> effect_values_;
  matrix4 view_;
  matrix4 camera_;
  matrix4 projection_;
};

}  // namespace hm
