#pragma once
// The base of the one application object: it owns the main window, the graphics
// system and device, the chosen device settings, the pause count and the frame
// driver. The game derives from it and fills in the hooks (one-time init, device
// objects, frame move, render, clean-up); the frame itself knows nothing of the
// game. Everything the game does per frame happens in frame_move and render,
// called from the idle step of the message loop.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/app/device_enumeration.h"
#include "platform/gpu/device.h"
#include "platform/window.h"

namespace hm {

// Results of the frame's operations and hooks: 0 or positive succeeds, negative
// fails. The frame's own codes and the device codes it tells apart:
using hresult = std::int32_t;
namespace frame_code {
inline constexpr hresult ok = 0;
inline constexpr hresult no_graphics = static_cast<hresult>(0x82000001);
inline constexpr hresult no_compatible_devices = static_cast<hresult>(0x82000003);
inline constexpr hresult no_window_mode = static_cast<hresult>(0x82000004);
inline constexpr hresult no_hardware_device = static_cast<hresult>(0x82000005);
inline constexpr hresult hardware_lacks_features = static_cast<hresult>(0x82000006);
inline constexpr hresult no_windowed_hardware = static_cast<hresult>(0x82000007);
inline constexpr hresult no_desktop_hardware = static_cast<hresult>(0x82000008);
inline constexpr hresult hardware_lacks_features_here = static_cast<hresult>(0x82000009);
inline constexpr hresult resources_left = static_cast<hresult>(0x8200000a);
inline constexpr hresult media_not_found = static_cast<hresult>(0x8200000b);
inline constexpr hresult reset_failed = static_cast<hresult>(0x8200000c);
inline constexpr hresult null_reference_device = static_cast<hresult>(0x8200000d);
inline constexpr hresult file_not_found = static_cast<hresult>(0x80070002);
inline constexpr hresult out_of_memory = static_cast<hresult>(0x8007000e);
inline constexpr hresult failed = static_cast<hresult>(0x80004005);
inline constexpr hresult out_of_video_memory = static_cast<hresult>(0x8876017c);
inline constexpr hresult driver_internal_error = static_cast<hresult>(0x88760827);
inline constexpr hresult device_lost = static_cast<hresult>(0x88760868);
inline constexpr hresult device_not_reset = static_cast<hresult>(0x88760869);
inline constexpr hresult not_available = static_cast<hresult>(0x8876086a);
inline constexpr hresult invalid_call = static_cast<hresult>(0x8876086c);
}  // namespace frame_code

hresult to_hresult(gpu::result r);

// Kinds of display_error_message.
enum error_kind : int { error_warning = 0, error_fatal = 1, error_reference_fallback = 2 };

// Commands of the frame (menu and accelerator commands).
inline constexpr std::uint32_t command_change_device = 40002;
inline constexpr std::uint32_t command_toggle_fullscreen = 40003;
inline constexpr std::uint32_t command_go_stop = 40004;
inline constexpr std::uint32_t command_single_step = 40005;
inline constexpr std::uint32_t command_exit = 40006;
inline constexpr std::uint32_t command_unhandled = 40001;

// Creation flags by vertex-processing type.
inline constexpr std::uint32_t create_software_vertex_processing = 0x20;
inline constexpr std::uint32_t create_hardware_vertex_processing = 0x40;
inline constexpr std::uint32_t create_mixed_vertex_processing = 0x80;
inline constexpr std::uint32_t create_pure_device = 0x10;
std::uint32_t creation_flags_for(gpu::vertex_processing processing);

enum class window_style_kind { overlapped, popup };

// The messages of the frame's window procedure.
enum class frame_message_kind {
  none,
  mouse_move,
  size,             // size_state tells minimized, maximized or restored
  resized,          // the client area changed size (a host without size-move loops)
  paint,
  close,
  set_cursor,
  activate,         // active tells gained or lost
  enter_menu_loop,
  exit_menu_loop,
  enter_size_move,
  exit_size_move,
  command,
  key_down,
  key_up,
  character,
  mouse_button_down,
  mouse_button_up,
  mouse_wheel,
};

enum class size_state { restored, minimized, maximized };

struct frame_message {
  frame_message_kind kind = frame_message_kind::none;
  std::uint32_t command = 0;
  size_state size = size_state::restored;
  bool active = false;
  platform::window_event event;  // the host event behind the message (keys, mouse, sizes)
};

// The host event as a frame message, with the accelerators (Alt+Enter, Alt+X,
// Ctrl+Alt+Shift+F2, Ctrl+Alt+Shift+F23) turned into commands. False for events
// the frame has no message for.
bool translate_window_event(const platform::window_event& event, frame_message& out);

class application_frame;
// The one application object; set by the constructor.
extern application_frame* g_application;

// Seconds per frame for a frame-rate cap: 1 / max_framerate, and 0 (no limit)
// for a cap of 0 or below.
float min_frame_time_for(int max_framerate);

class application_frame {
 public:
  application_frame();
  virtual ~application_frame();
  application_frame(const application_frame&) = delete;
  application_frame& operator=(const application_frame&) = delete;

  // --- what the program start hands over before create_window ---
  // The window backend (null or SDL). Without one, create_window makes an SDL window.
  void set_window(std::unique_ptr<platform::window> w);
  // Takes the graphics system and lists its devices; a missing system is
  // no_graphics, a failed listing its code (both shown as fatal).
  hresult attach_graphics(std::unique_ptr<gpu::gpu_system> system);

  // --- overridable operations ---
  virtual bool find_best_fullscreen_mode(bool require_hal, bool require_ref);
  virtual void adjust_window_for_change();
  virtual void update_frame_stats();
  virtual hresult confirm_device(const gpu::device_caps& caps, std::uint32_t behavior, gpu::format adapter_format,
                                 gpu::format back_buffer_format);
  virtual hresult one_time_init() { return 0; }
  virtual hresult init_device_objects() { return 0; }
  virtual hresult restore_device_objects() { return 0; }
  virtual hresult frame_move() { return 0; }
  virtual hresult render() { return 0; }
  virtual hresult invalidate_device_objects() { return 0; }
  virtual hresult delete_device_objects() { return 0; }
  virtual hresult final_cleanup() { return 0; }
  virtual hresult create_window();
  virtual hresult initialise();
  virtual int run_main_loop();
  virtual std::int64_t window_procedure(const frame_message& message);
  virtual void pause(bool paused);
  // The device-settings dialog on a copy of the settings; true when the user
  // accepted it. The dialog never opens in runs without a display.
  virtual bool run_device_settings_dialog(device_settings& settings);

  // --- the frame's steps, public so the program start and tests can drive them ---
  bool find_best_windowed_mode(bool require_hal, bool require_ref);
  hresult choose_initial_settings();
  void build_present_parameters();
  hresult initialise_3d_environment();
  void cleanup_3d_environment();
  hresult render_3d_environment();
  hresult reset_3d_environment();
  hresult handle_possible_size_change();
  hresult toggle_fullscreen();
  hresult user_select_new_device();
  hresult display_error_message(hresult code, int kind);
  // Takes and handles one host event as the message loop does; false if none waited.
  bool pump_one_event(bool wait);
  // Sends the close message through the window procedure.
  void send_close();

  static bool confirm_device_for_processing(const gpu::device_caps& caps, gpu::vertex_processing processing,
                                            gpu::format adapter_format, gpu::format back_buffer_format);
  // The text display_error_message shows for a code.
  static std::string error_text(hresult code);

  int pause_count() const { return pause_count_; }
  bool fatal_error_reported() const { return error_reported_; }
  bool quit_posted() const { return quit_posted_; }

  // --- state ---
  std::uint32_t quit_request = 0;
  float min_frame_time = 0.0f;
  device_enumeration enumeration;
  device_settings settings;
  bool windowed = true;
  bool active = false;
  bool device_lost = false;
  bool minimized = false;
  bool maximized = false;
  bool ignore_size_change = false;
  bool device_objects_inited = false;
  bool device_objects_restored = false;
  bool frame_moving = true;
  bool single_step = false;
  gpu::present_parameters present_params;
  platform::window* window = nullptr;
  platform::window* focus_window = nullptr;
  std::unique_ptr<gpu::gpu_system> graphics;
  std::unique_ptr<gpu::device> device;
  gpu::device_caps device_caps;
  gpu::surface_desc back_buffer_desc;
  std::uint32_t behavior_flags = 0;
  window_style_kind window_style = window_style_kind::overlapped;
  platform::rect window_bounds;
  platform::rect client_rect;
  float time = 0.0f;
  float elapsed_time = 0.0f;
  float fps = 0.0f;
  std::string device_stats;
  std::string frame_stats;
  std::string caption;
  bool show_cursor_when_fullscreen = false;
  bool clip_cursor_when_fullscreen = true;
  bool start_fullscreen = false;

  // Upper bound of timer reads in one limiter wait: a timer that stands still
  // must not hold the frame for ever.
  static constexpr int max_limiter_spins = 5'000'000;

 protected:
  void apply_cursor_settings();
  void post_quit(int exit_code);

 private:
  void update_device_stats(gpu::device_type type, const std::string& description);
  void restore_windowed_after_failure();

  std::unique_ptr<platform::window> owned_window_;
  int pause_count_ = 0;
  bool error_reported_ = false;
  bool focus_paused_ = false;
  bool closing_ = false;
  bool quit_posted_ = false;
  int exit_code_ = 0;
  std::uint32_t stats_frames_ = 0;
  double stats_last_time_ = 0.0;
  bool stats_started_ = false;
};

}  // namespace hm
