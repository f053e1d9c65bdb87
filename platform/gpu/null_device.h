#pragma once
// The null graphics backend: adapters and modes from a configurable list, a
// device whose back buffer is plain memory, and a control block through which a
// test (or a headless run) loses the device, fails a reset or a creation, or
// runs out of video memory.
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
  std::uint32_t outstanding_resources() const override { return control_->leaked_resources; }
  std::uint64_t available_video_memory() const override { return 256ull << 20; }

  bool cursor_shown() const { return cursor_shown_; }

 private:
  void apply(const present_parameters& params);

  std::shared_ptr<null_gpu_control> control_;
  device_caps caps_;
  present_parameters params_;
  viewport viewport_;
  std::vector<std::uint32_t> back_buffer_;
  bool in_scene_ = false;
  bool cursor_shown_ = false;
  int cursor_x_ = 0;
  int cursor_y_ = 0;
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
