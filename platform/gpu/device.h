#pragma once
// The graphics device as the engine uses it: a `gpu_system` that lists adapters,
// display modes and the format combinations they accept and creates devices, and
// a `device` with the frame's operations (reset, present, the lost-device test,
// viewport, clear). Results are our own codes so the frame's recovery paths
// (lost device, failed reset, out of video memory) run the same on every backend.
//
// Two backends: OpenGL 3.3 core through SDL (gl_system.h) and a null device that
// keeps everything in memory and fails on request (null_device.h).
//
// Resources (textures, surfaces, vertex and index buffers, vertex layouts,
// pixel programs, effects; resources.h and effect.h) are objects created by the
// device and counted in outstanding_resources() until they are destroyed. Render,
// sampler and texture-stage states and the fixed-function transforms are kept by
// the device; the OpenGL backend draws the fixed-function path with programs of
// its own (texture stages and generated texture coordinates included).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/effect.h"
#include "platform/gpu/resources.h"

namespace hm::platform {
class window;
}

namespace hm::platform::gpu {

enum class result {
  ok,
  device_lost,          // the device is lost and cannot be reset yet
  device_not_reset,     // the device is lost and can be reset now
  out_of_video_memory,
  out_of_memory,
  invalid_call,
  not_available,        // no such adapter, device type or format combination
  driver_internal_error,
  failed,
};

inline bool succeeded(result r) { return r == result::ok; }
const char* result_name(result r);

enum class device_type { hal = 1, ref = 2, sw = 3 };

// Surface formats: colour formats of the display, the back buffer and textures,
// and depth-stencil formats.
enum class format : std::uint32_t {
  unknown = 0,
  r8g8b8,
  a8r8g8b8,
  x8r8g8b8,
  r5g6b5,
  x1r5g5b5,
  a1r5g5b5,
  a4r4g4b4,
  r3g3b2,
  a8r3g3b2,
  x4r4g4b4,
  a2b10g10r10,
  a2r10g10b10,
  d16_lockable,
  d32,
  d15s1,
  d24s8,
  d24x8,
  d24x4s4,
  d16,
  // Texture formats.
  dxt1,
  dxt3,
  dxt5,
  a8,
  l8,
  a8l8,
  r16f,
  r32f,
  a16b16g16r16f,
};

// 0 none, 1 non-maskable, 2 to 16 the number of samples.
using multisample_type = int;
inline constexpr multisample_type multisample_none = 0;
inline constexpr multisample_type multisample_nonmaskable = 1;
inline constexpr multisample_type multisample_max = 16;

enum class present_interval : std::uint32_t { default_interval, one, two, three, four, immediate };
// Bit of an interval in device_caps::presentation_intervals.
inline constexpr std::uint32_t interval_bit(present_interval i) { return 1u << static_cast<std::uint32_t>(i); }

// 0 software, 1 mixed, 2 hardware, 3 pure hardware.
enum class vertex_processing { software = 0, mixed = 1, hardware = 2, pure_hardware = 3 };

struct display_mode {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t refresh_rate = 0;
  format fmt = format::unknown;
  bool operator==(const display_mode&) const = default;
};

struct adapter_identifier {
  std::string description;  // names the adapter to the user
  std::string driver;
};

struct device_caps {
  device_type type = device_type::hal;
  std::uint32_t adapter_ordinal = 0;
  bool hardware_transform_and_lighting = false;
  bool pure_device = false;
  // The device renders nothing (a stand-in for a missing reference device).
  bool null_reference = false;
  std::uint32_t presentation_intervals = 0;  // interval_bit()s
  std::uint32_t max_texture_width = 0;
  std::uint32_t max_texture_height = 0;
  std::uint32_t vertex_shader_version = 0;  // major * 256 + minor, 0 none
  std::uint32_t pixel_shader_version = 0;
  std::uint32_t max_anisotropy = 16;
  // Vertex streams a draw may read at once, and whether a stream may start at
  // an offset into its buffer. Every device of ours has 16 and offsets; a
  // device with less says so.
  std::uint32_t max_streams = 16;
  bool stream_offsets = true;
};

struct surface_desc {
  format fmt = format::unknown;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  multisample_type multisample = multisample_none;
  std::uint32_t multisample_quality = 0;
};

struct present_parameters {
  std::uint32_t back_buffer_width = 0;
  std::uint32_t back_buffer_height = 0;
  format back_buffer_format = format::unknown;
  std::uint32_t back_buffer_count = 1;
  multisample_type multisample = multisample_none;
  std::uint32_t multisample_quality = 0;
  window* device_window = nullptr;
  bool windowed = true;
  bool enable_auto_depth_stencil = false;
  format auto_depth_stencil_format = format::unknown;
  bool discard_depth_stencil = false;
  std::uint32_t refresh_rate = 0;  // full screen only; 0 in a window
  present_interval interval = present_interval::default_interval;
};

struct viewport {
  std::uint32_t x = 0;
  std::uint32_t y = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  float min_z = 0.0f;
  float max_z = 1.0f;
  bool operator==(const viewport&) const = default;
};

// Flags of device::clear.
inline constexpr std::uint32_t clear_target = 1;
inline constexpr std::uint32_t clear_zbuffer = 2;
inline constexpr std::uint32_t clear_stencil = 4;

class device {
 public:
  virtual ~device() = default;

  // ok while the device can render; device_lost while it cannot be reset yet;
  // device_not_reset when a reset would bring it back.
  virtual result test_cooperative_level() = 0;
  // Rebuilds the swap chain with new parameters (size, mode, windowed or not).
  virtual result reset(const present_parameters& params) = 0;
  // Shows the back buffer; device_lost when the device was lost meanwhile.
  virtual result present() = 0;

  virtual const device_caps& caps() const = 0;
  virtual surface_desc back_buffer_desc() const = 0;

  virtual result begin_scene() = 0;
  virtual result end_scene() = 0;
  virtual result set_viewport(const viewport& vp) = 0;
  virtual viewport get_viewport() const = 0;
  // Clears the viewport's area; colour as 0xAARRGGBB.
  virtual result clear(std::uint32_t flags, std::uint32_t argb, float z, std::uint32_t stencil) = 0;

  // The cursor drawn over the scene in full screen.
  virtual void show_cursor(bool shown) = 0;
  virtual void set_cursor_position(int x, int y) = 0;

  // Reads back-buffer pixels as 0xAARRGGBB, rows from the top (screenshots, tests).
  virtual result read_back_buffer(std::uint32_t x, std::uint32_t y, std::uint32_t width,
                                  std::uint32_t height, std::vector<std::uint32_t>& argb) = 0;
  // Reads the back buffer's depth (0 near .. 1 far), rows from the top; a
  // device that cannot answers not_available.
  virtual result read_back_depth(std::uint32_t /*x*/, std::uint32_t /*y*/, std::uint32_t /*width*/,
                                 std::uint32_t /*height*/, std::vector<float>& /*depth*/) {
    return result::not_available;
  }

  // Resources created by the device and not yet released. Destroying the device
  // with resources left is a clean-up fault the engine reports.
  virtual std::uint32_t outstanding_resources() const = 0;
  // Bytes of video memory the device reports as available (a fixed default
  // where the driver does not tell).
  virtual std::uint64_t available_video_memory() const = 0;

  // --- resources (resources.h, effect.h) ---
  // A 2D texture; levels 0 makes the whole chain down to 1 x 1. Usage bits say
  // render target, depth texture or generated mip levels. A size above the
  // device's maximum is invalid_call; a format the device cannot make for the
  // usage is not_available; a lack of memory out_of_video_memory.
  virtual result create_texture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                                std::uint32_t usage, format fmt, std::unique_ptr<texture>& out) = 0;
  virtual result create_depth_stencil_surface(std::uint32_t width, std::uint32_t height, format fmt,
                                              multisample_type multisample, std::uint32_t quality,
                                              bool discard, std::unique_ptr<surface>& out) = 0;
  // Sizes in bytes; dynamic buffers are rewritten often (lock_discard, lock_no_overwrite).
  virtual result create_vertex_buffer(std::uint32_t size, bool dynamic, std::unique_ptr<vertex_buffer>& out) = 0;
  virtual result create_index_buffer(std::uint32_t size, bool dynamic, std::unique_ptr<index_buffer>& out) = 0;
  virtual result create_vertex_layout(const std::vector<vertex_element>& elements,
                                      std::unique_ptr<vertex_layout>& out) = 0;
  // A fragment program of our GLSL (see effect.h for its inputs); errors receives
  // the compiler's messages on failure.
  virtual result create_pixel_program(const std::string& source, std::unique_ptr<pixel_program>& out,
                                      std::string& errors) = 0;
  // An effect from the text of an effect file (effect.h); errors receives the
  // parser's or compiler's messages on failure.
  virtual result create_effect(const std::string& source, std::unique_ptr<effect>& out, std::string& errors) = 0;

  // --- targets: null is the back buffer and its depth buffer ---
  virtual result set_render_target(surface* colour) = 0;
  virtual result set_depth_stencil_surface(surface* depth) = 0;

  // --- states ---
  virtual result set_render_state(render_state state, std::uint32_t value) = 0;
  virtual std::uint32_t get_render_state(render_state state) const = 0;
  virtual result set_sampler_state(std::uint32_t sampler, sampler_state state, std::uint32_t value) = 0;
  virtual std::uint32_t get_sampler_state(std::uint32_t sampler, sampler_state state) const = 0;
  virtual result set_texture_stage_state(std::uint32_t stage, texture_stage_state state, std::uint32_t value) = 0;
  virtual std::uint32_t get_texture_stage_state(std::uint32_t stage, texture_stage_state state) const = 0;
  virtual result set_texture(std::uint32_t stage, texture* t) = 0;
  virtual result set_transform(transform_kind kind, const float matrix[16]) = 0;
  // A pixel program in place of the texture stages of the fixed-function path (null: the stages).
  virtual result set_pixel_program(pixel_program* program) = 0;

  // --- draws: with an effect pass begun, its program; else the fixed-function path ---
  virtual result set_vertex_layout(vertex_layout* layout) = 0;
  virtual result set_stream_source(std::uint32_t stream, vertex_buffer* vb, std::uint32_t offset,
                                   std::uint32_t stride) = 0;
  virtual result set_indices(index_buffer* ib) = 0;
  virtual result draw_primitive(primitive_type type, std::uint32_t start_vertex, std::uint32_t count) = 0;
  virtual result draw_indexed_primitive(primitive_type type, std::int32_t base_vertex, std::uint32_t min_index,
                                        std::uint32_t vertex_count, std::uint32_t start_index,
                                        std::uint32_t count) = 0;
  // Vertices from memory, in the layout set (stream 0 with that stride).
  virtual result draw_primitive_up(primitive_type type, std::uint32_t count, const void* vertices,
                                   std::uint32_t stride) = 0;

  // --- fixed-function lights, material, clip planes and pixel constants: kept by
  // both backends; the OpenGL backend draws lit scenes through effects ---
  virtual result set_light(std::uint32_t index, const light_desc& light) = 0;
  virtual result light_enable(std::uint32_t index, bool enabled) = 0;
  virtual bool light_enabled(std::uint32_t index) const = 0;
  virtual result set_material(const material_desc& material) = 0;
  // Plane (a, b, c, d) of user clip plane `index` (0 to 5).
  virtual result set_clip_plane(std::uint32_t index, const float plane[4]) = 0;
  // Four floats of pixel-program constant register `index` (0 to 7).
  virtual result set_pixel_constant(std::uint32_t index, const float value[4]) = 0;

  // Render, sampler and texture-stage states the device took since it was made,
  // those of effect passes included (frame statistics, benchmarks).
  std::uint64_t state_sets() const { return state_sets_; }

 protected:
  std::uint64_t state_sets_ = 0;
};

// Adapters, their modes and format checks, and device creation.
class gpu_system {
 public:
  virtual ~gpu_system() = default;

  virtual std::uint32_t adapter_count() const = 0;
  virtual result get_adapter_identifier(std::uint32_t adapter, adapter_identifier& out) const = 0;
  virtual std::uint32_t adapter_mode_count(std::uint32_t adapter, format fmt) const = 0;
  virtual result enum_adapter_modes(std::uint32_t adapter, format fmt, std::uint32_t index,
                                    display_mode& out) const = 0;
  // The adapter's current (desktop) mode.
  virtual result adapter_display_mode(std::uint32_t adapter, display_mode& out) const = 0;
  virtual result get_device_caps(std::uint32_t adapter, device_type type, device_caps& out) const = 0;

  virtual result check_device_type(std::uint32_t adapter, device_type type, format adapter_format,
                                    format back_buffer_format, bool windowed) const = 0;
  // Whether the format can be a depth-stencil surface with this adapter format.
  virtual result check_depth_stencil_format(std::uint32_t adapter, device_type type,
                                            format adapter_format, format depth_format) const = 0;
  virtual result check_depth_stencil_match(std::uint32_t adapter, device_type type,
                                           format adapter_format, format render_target_format,
                                           format depth_format) const = 0;
  // quality_levels (may be null) receives the number of quality levels.
  virtual result check_multisample_type(std::uint32_t adapter, device_type type, format surface_format,
                                        bool windowed, multisample_type type_of_multisample,
                                        std::uint32_t* quality_levels) const = 0;

  virtual result create_device(std::uint32_t adapter, device_type type, window* focus_window,
                               vertex_processing processing, const present_parameters& params,
                               std::unique_ptr<device>& out) = 0;
};

// Which backend a run uses.
enum class backend { null, opengl };

// Stage 0 modulates texture 0 (coordinate set 0) by the vertex colour, in colour
// and alpha; stage 1 and later are off: how screen text and interface meshes draw.
void set_texture_times_diffuse_stages(device& d);

}  // namespace hm::platform::gpu
