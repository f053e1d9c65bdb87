#pragma once
// The frame's extra passes that give a scene its sun shadows. With pixel
// shaders the scene is drawn from the sun into a floating-point depth map in
// four slices of its entities, and the map is handed to the scene's views
// through the scene's environment; without them the scene is drawn from the
// sun into an alpha texture that the terrain's shadow layer lays on the
// ground. The state also keeps the box of what casts shadows (the terrain
// widens it while it builds its meshes) and a copy of the map read back for
// the per-vertex plant shadows.
//
// Targets come from the resource manager's pools: taken when first needed,
// kept from frame to frame (through device resets, which remake their device
// objects), and handed back by release_targets. A target the device cannot
// make leaves its pass undrawn.
#include <cstdint>
#include <memory>
#include <vector>

#include "render/entity/render_view.h"
#include "render/shadow/shadow_bounds.h"

namespace hm {

struct screen_depth;

class material;
class resource_manager;
class scene_view;
class scene_world;
class texture;
struct game_options;
struct ruv_config;

namespace platform::gpu {
class device;
enum class format : std::uint32_t;
}

// The render code's values of its pooled render targets, which keep the
// pools of different uses apart.
inline constexpr std::int32_t target_value_shadow_map = 1;
inline constexpr std::int32_t target_value_character_shadow = 2;
inline constexpr std::int32_t target_value_reflection = 3;

// Flags of the materials that draw into or from the shadow targets: blended
// by alpha, no depth writes; and the clamped addressing of their textures.
inline constexpr std::uint32_t shadow_material_flags = 0x108;
inline constexpr std::uint32_t shadow_texture_flags = 0x300000;

// The view mask of the shadow-map view.
inline constexpr std::uint32_t shadow_map_view_mask = 0x10000;

// A material of the pool whose first texture is a render target of that size
// and format, with the shader "shadow_shader", the shadow flags and clamped
// addressing. Null when the pool gave no material.
material* take_shadow_material(resource_manager& resources, std::int32_t width, std::int32_t height,
                               platform::gpu::format format, std::int32_t value);
// True when the texture exists and holds its device objects.
bool target_is_valid(const texture* t);

// The shadow map's size for a quality (1: 2048, 2: 4096, else 1024 a side),
// limited to the device's largest texture (a limit of 0 is none).
void shadow_map_size(std::int32_t quality, std::uint32_t max_width, std::uint32_t max_height, std::int32_t& width,
                     std::int32_t& height);

// A system-memory copy of the shadow map: its texels as the map stores them
// (32-bit floats, 16-bit ones in hardware-shadow mode), rows from the top.
struct shadow_readback {
  std::int32_t width = 0;
  std::int32_t height = 0;
  platform::gpu::format format{};
  std::vector<std::uint8_t> bytes;

  // The first 32-bit word at a texel; the texel is clamped to the copy and a
  // copy too small for a word reads 0.
  std::uint32_t read_texel(std::int32_t x, std::int32_t y) const;
};

class render_pass_state {
 public:
  render_pass_state();
  ~render_pass_state();
  render_pass_state(const render_pass_state&) = delete;
  render_pass_state& operator=(const render_pass_state&) = delete;

  // --- the shadow bounds ---
  // Attaches the scene and starts its empty box and its sun frame from the
  // scene's summed light; a new shadow-map quality asked for in the settings
  // takes effect here (the targets are made again at the new size).
  void begin_shadow_bounds(scene_world& s);
  // Widens the attached scene's box by a world point.
  void extend_shadow_bounds(const vec3& point);
  // The box's centre, world centre and size.
  void finish_shadow_bounds();
  // A point's place in the box: 0 to 1 per axis inside it.
  vec3 to_shadow_coordinates(const vec3& point) const;

  // --- the passes' steps ---
  // The shadow camera over the box, looking along the sunlight; the pass view
  // takes a copy of it.
  void setup_shadow_camera();
  // The shadow map's colour target from the pool, when there is none yet.
  void create_shadow_target();
  // Hands the frame's map to the attached scene's views.
  void publish_shadow_map();
  // Copies the map into the system-memory copy; plant shadows are switched
  // off when there is no map or it cannot be read.
  void read_back_shadow_map();
  // Returns every target to its pool, drops the copy and withdraws the map
  // from the scene's views.
  void release_targets();

  // --- the frame's depth for the sun test ---
  // The view whose depth the sun test reads, as queued this frame.
  void request_view_depth(const hm::camera& eye, const view_rectangle& area);
  // The world point the sun test will look at.
  void set_depth_probe(const vec3& point);
  // Once the frame is drawn: with pixel shaders, a view asked for and a
  // probe, the device's depth in a small window around the probe's pixel
  // becomes view_depth; otherwise (or when the device cannot read its depth)
  // there is no copy and the sun test sweeps the scene instead.
  void read_view_depth(platform::gpu::device& d);

  // The sun's visibility at a world point from the copy of the map: out is 0
  // in shadow, else 1. False (out 1) when it cannot tell: no scene, no pixel
  // shaders or no copy; true (out 1) for a point outside the map.
  bool shadow_test(const vec3& point, float& out) const;

  // What the passes read besides their own fields: the renderer, the pools
  // and the settings (the globals when null).
  scene_view& renderer() const;
  resource_manager& resources() const;
  game_options& options() const;
  ruv_config& config() const;
  bool pixel_shaders() const;
  bool hardware_shadows() const;

  // --- fields ---
  material* shadow_target = nullptr;
  std::uint32_t word = 0;
  texture* shadow_depth = nullptr;
  std::unique_ptr<shadow_readback> readback_surface;
  std::int32_t shadow_width = 0;
  std::int32_t shadow_height = 0;
  render_view view;
  scene_world* scene = nullptr;
  // The projection of the last shadow camera, for the read-back's tests.
  shadow_projection projection;
  // A copy of the last frame's depth, where the device can give one (the sun
  // flare's occlusion test reads it); null otherwise.
  std::unique_ptr<screen_depth> view_depth;
  hm::camera depth_eye;
  view_rectangle depth_area;
  bool depth_requested = false;
  vec3 depth_probe;
  bool depth_probe_set = false;

  scene_view* renderer_override = nullptr;
  resource_manager* resources_override = nullptr;
  game_options* options_override = nullptr;
  ruv_config* config_override = nullptr;
};

// The global state of the game's passes.
extern render_pass_state g_render_pass_state;

// The frame's extra passes for the attached scene: the shadow camera, the
// shadow map (pixel shaders) or the shadow texture, publishing the map, and
// the plant-shadow read-back. Nothing without an attached scene.
void render_passes(render_pass_state& state);
// The depth map in four slices of the scene's entities (by id modulo 4); only
// the first slice clears. Only with the environment-shadows option on and
// both targets made.
void render_shadow_map_pass(render_pass_state& state);
// Everything queued so far is drawn first; then the scene, drawn from the sun
// into the alpha texture. Its depth target goes back to the pool every frame.
void render_shadow_texture_pass(render_pass_state& state);

// The scene is going away: the global passes forget it.
void detach_scene_from_render_passes(const scene_world& s);

}  // namespace hm
