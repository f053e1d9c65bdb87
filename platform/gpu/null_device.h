#pragma once
// The null graphics backend: adapters and modes from a configurable list, a
// device whose back buffer is plain memory, and a control block through which a
// test (or a headless run) loses the device, fails a reset or a creation, or
// runs out of video memory.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/device.h"

namespace hm::platform::gpu {

struct null_device_type_config {
  device_type type = device_type::hal;
  device_caps caps;
  std::vector<format> back_buffer_formats;  // accepted with every adapter format
  std::vector<format> depth_formats;
  std::vector<multisample_type> multisample_types;  // none is always accepted
  std::uint32_t multisample_qualities = 1;
  bool windowed = true;
  bool fullscreen = true;
};

struct null_adapter_config {
  std::string description;
  display_mode desktop;
  std::vector<display_mode> modes;  // every mode of every format
  std::vector<null_device_type_config> devices;
};

struct null_system_config {
  std::vector<null_adapter_config> adapters;
};

// One adapter "Null graphics adapter": desktop 1024 x 768 at 60 Hz in X8R8G8B8,
// modes 640 x 480 to 1280 x 1024, a hardware device with hardware vertex
// processing, A8R8G8B8 and X8R8G8B8 back buffers, D24S8, D24X8 and D16 depth.
null_system_config default_null_config();

// Shared by a null system and its devices. Failures set here are one-shot unless
// said otherwise; the counters record what the engine did.
struct null_gpu_control {
  result next_create = result::ok;  // the next create_device returns this
  result next_reset = result::ok;   // the next reset returns this
  bool lost = false;                // lost: present and the cooperative test report it
  bool resettable = false;          // a lost device may be reset now
  int creates = 0;
  int destroys = 0;
  int resets = 0;
  int presents = 0;
  int clears = 0;
  std::uint32_t last_clear_flags = 0;
  std::uint32_t last_clear_color = 0;
  float last_clear_z = 0.0f;
  present_parameters last_params;
  std::uint32_t leaked_resources = 0;  // reported by outstanding_resources()
  bool device_alive = false;

  // Render-target textures and depth-stencil surfaces fail (out of video memory)
  // while this answers true for the request; set by tests to provoke the
  // engine's fallbacks.
  std::function<bool(std::uint32_t width, std::uint32_t height, format fmt, bool depth_surface)> fail_target;
  int target_requests = 0;        // render-target and depth-surface creations asked for
  bool fail_next_effect = false;  // the next create_effect fails as a compile error would
  bool fail_next_pixel_program = false;
  int textures_created = 0;
  std::uint32_t live_resources = 0;  // created and not yet destroyed
  std::uint32_t live_targets = 0;    // of them render targets and depth surfaces (a reset refuses them)
  int draws = 0;
  std::uint32_t primitives_drawn = 0;

  // Every state sent to the device, in order, while record_state_changes is
  // set. A long run (the game without a display) turns it off: the list would
  // grow by thousands of entries a frame.
  bool record_state_changes = true;
  enum class state_kind { render, sampler, texture_stage };
  struct state_change {
    state_kind kind;
    std::uint32_t index;  // sampler or stage; 0 for render states
    std::uint32_t state;
    std::uint32_t value;
  };
  std::vector<state_change> state_changes;

  // The device is lost and cannot be reset until make_resettable().
  void lose_device() {
    lost = true;
    resettable = false;
  }
  void make_resettable() { resettable = true; }
};

class null_device final : public device {
 public:
  null_device(std::shared_ptr<null_gpu_control> control, device_caps caps,
              const present_parameters& params);
  ~null_device() override;

  result test_cooperative_level() override;
  result reset(const present_parameters& params) override;
  result present() override;
  const device_caps& caps() const override { return caps_; }
  surface_desc back_buffer_desc() const override;
  result begin_scene() override;
  result end_scene() override;
  result set_viewport(const viewport& vp) override;
  viewport get_viewport() const override { return viewport_; }
  result clear(std::uint32_t flags, std::uint32_t argb, float z, std::uint32_t stencil) override;
  void show_cursor(bool shown) override { cursor_shown_ = shown; }
  void set_cursor_position(int x, int y) override {
    cursor_x_ = x;
    cursor_y_ = y;
  }
  result read_back_buffer(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
                          std::vector<std::uint32_t>& argb) override;
  std::uint32_t outstanding_resources() const override {
    return control_->leaked_resources + control_->live_resources;
  }
  std::uint64_t available_video_memory() const override { return 256ull << 20; }

  result create_texture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, std::uint32_t usage,
                        format fmt, std::unique_ptr<texture>& out) override;
  result create_depth_stencil_surface(std::uint32_t width, std::uint32_t height, format fmt,
                                      multisample_type multisample, std::uint32_t quality, bool discard,
                                      std::unique_ptr<surface>& out) override;
  result create_vertex_buffer(std::uint32_t size, bool dynamic, std::unique_ptr<vertex_buffer>& out) override;
  result create_index_buffer(std::uint32_t size, bool dynamic, std::unique_ptr<index_buffer>& out) override;
  result create_vertex_layout(const std::vector<vertex_element>& elements,
                              std::unique_ptr<vertex_layout>& out) override;
  result create_pixel_program(const std::string& source, std::unique_ptr<pixel_program>& out,
                              std::string& errors) override;
  result create_effect(const std::string& source, std::unique_ptr<effect>& out, std::string& errors) override;
  result set_render_target(surface* colour) override;
  result set_depth_stencil_surface(surface* depth) override;
  result set_render_state(render_state state, std::uint32_t value) override;
  std::uint32_t get_render_state(render_state state) const override;
  result set_sampler_state(std::uint32_t sampler, sampler_state state, std::uint32_t value) override;
  std::uint32_t get_sampler_state(std::uint32_t sampler, sampler_state state) const override;
  result set_texture_stage_state(std::uint32_t stage, texture_stage_state state, std::uint32_t value) override;
  std::uint32_t get_texture_stage_state(std::uint32_t stage, texture_stage_state state) const override;
  result set_texture(std::uint32_t stage, texture* t) override;
  result set_transform(transform_kind kind, const float matrix[16]) override;
  result set_pixel_program(pixel_program* program) override;
  result set_vertex_layout(vertex_layout* layout) override;
  result set_stream_source(std::uint32_t stream, vertex_buffer* vb, std::uint32_t offset,
                           std::uint32_t stride) override;
  result set_indices(index_buffer* ib) override;
  result draw_primitive(primitive_type type, std::uint32_t start_vertex, std::uint32_t count) override;
  result draw_indexed_primitive(primitive_type type, std::int32_t base_vertex, std::uint32_t min_index,
                                std::uint32_t vertex_count, std::uint32_t start_index, std::uint32_t count) override;
  result draw_primitive_up(primitive_type type, std::uint32_t count, const void* vertices,
                           std::uint32_t stride) override;

  result set_light(std::uint32_t index, const light_desc& light) override { return fixed_.set_light(index, light); }
  result light_enable(std::uint32_t index, bool enabled) override { return fixed_.light_enable(index, enabled); }
  bool light_enabled(std::uint32_t index) const override { return fixed_.light_enabled(index); }
  result set_material(const material_desc& material) override {
    fixed_.material = material;
    return result::ok;
  }
  result set_clip_plane(std::uint32_t index, const float plane[4]) override {
    return fixed_.set_clip_plane(index, plane);
  }
  result set_pixel_constant(std::uint32_t index, const float value[4]) override {
    return fixed_.set_pixel_constant(index, value);
  }

  bool cursor_shown() const { return cursor_shown_; }
  const fixed_function_store& fixed_function() const { return fixed_; }
  texture* bound_texture(std::uint32_t stage) const { return stage < max_texture_stages ? textures_[stage] : nullptr; }
  surface* render_target() const { return render_target_; }
  surface* depth_stencil_surface() const { return depth_surface_; }

 private:
  void apply(const present_parameters& params);
  void reset_states();
  result check_draw(primitive_type type, std::uint32_t count);
  void fill(const viewport& area, std::uint32_t argb);
  void make_back_buffer();

  std::shared_ptr<null_gpu_control> control_;
  device_caps caps_;
  present_parameters params_;
  viewport viewport_;
  // The back buffer's pixels exist only once a read-back has asked for them
  // (nothing draws into them; only clears do). Until then the buffer is
  // described by the colour of its last full clear and the partial clears
  // since, which make_back_buffer replays.
  struct pending_clear {
    viewport area;
    std::uint32_t argb;
  };
  std::vector<std::uint32_t> back_buffer_;
  std::uint32_t base_colour_ = 0;
  std::vector<pending_clear> pending_clears_;
  bool in_scene_ = false;
  bool cursor_shown_ = false;
  int cursor_x_ = 0;
  int cursor_y_ = 0;
  std::array<std::uint32_t, static_cast<std::size_t>(render_state::count)> render_states_{};
  std::array<std::array<std::uint32_t, static_cast<std::size_t>(sampler_state::count)>, max_texture_stages>
      sampler_states_{};
  std::array<std::array<std::uint32_t, static_cast<std::size_t>(texture_stage_state::count)>, max_texture_stages>
      stage_states_{};
  std::array<texture*, max_texture_stages> textures_{};
  surface* render_target_ = nullptr;
  surface* depth_surface_ = nullptr;
  vertex_layout* layout_ = nullptr;
  vertex_buffer* stream0_ = nullptr;
  index_buffer* indices_ = nullptr;
  fixed_function_store fixed_;
};

class null_system final : public gpu_system {
 public:
  explicit null_system(null_system_config config = default_null_config(),
                       std::shared_ptr<null_gpu_control> control = std::make_shared<null_gpu_control>());

  const std::shared_ptr<null_gpu_control>& control() const { return control_; }
  null_system_config& config() { return config_; }

  std::uint32_t adapter_count() const override;
  result get_adapter_identifier(std::uint32_t adapter, adapter_identifier& out) const override;
  std::uint32_t adapter_mode_count(std::uint32_t adapter, format fmt) const override;
  result enum_adapter_modes(std::uint32_t adapter, format fmt, std::uint32_t index,
                            display_mode& out) const override;
  result adapter_display_mode(std::uint32_t adapter, display_mode& out) const override;
  result get_device_caps(std::uint32_t adapter, device_type type, device_caps& out) const override;
  result check_device_type(std::uint32_t adapter, device_type type, format adapter_format,
                           format back_buffer_format, bool windowed) const override;
  result check_depth_stencil_format(std::uint32_t adapter, device_type type, format adapter_format,
                                    format depth_format) const override;
  result check_depth_stencil_match(std::uint32_t adapter, device_type type, format adapter_format,
                                   format render_target_format, format depth_format) const override;
  result check_multisample_type(std::uint32_t adapter, device_type type, format surface_format,
                                bool windowed, multisample_type type_of_multisample,
                                std::uint32_t* quality_levels) const override;
  result create_device(std::uint32_t adapter, device_type type, window* focus_window,
                       vertex_processing processing, const present_parameters& params,
                       std::unique_ptr<device>& out) override;

 private:
  const null_device_type_config* find(std::uint32_t adapter, device_type type) const;

  null_system_config config_;
  std::shared_ptr<null_gpu_control> control_;
};

}  // namespace hm::platform::gpu
